// PopulateNode places many subfolders in the order the tree control itself gives
// them when each is inserted with TVI_SORT in search order, equal-comparing names
// included, and records what it inserted for MarkSubtree's link test.
#include <gtest/gtest.h>

#include "support/fake_directory.h"
#include "support/panes.h"
#include "tree/folder_tree.h"
#include "tree/tree_control.h"
#include "tree/tree_marks.h"

namespace {

HTREEITEM Raw(HWND tree, HTREEITEM node, WPARAM relation) {
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(node)));
}

// The control's own placement: the names inserted one by one with TVI_SORT, in the
// given order, into a tree view of its own that no record follows.
std::vector<std::string> ControlOrder(const std::vector<std::string>& names) {
    HWND raw = CreateWindowExA(0, WC_TREEVIEWA, "", WS_CHILD, 0, 0, 100, 100, GetParent(TreePane),
                               nullptr, GetModuleHandleA(nullptr), nullptr);
    for (const std::string& name : names) {
        TVINSERTSTRUCTA insert = {};
        insert.hParent = TVI_ROOT;
        insert.hInsertAfter = TVI_SORT;
        insert.item.mask = TVIF_TEXT;
        insert.item.pszText = const_cast<char*>(name.c_str());
        SendMessageA(raw, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert));
    }
    std::vector<std::string> order;
    for (HTREEITEM at = Raw(raw, nullptr, TVGN_ROOT); at; at = Raw(raw, at, TVGN_NEXT)) {
        char text[1024] = "";
        TVITEMA item = {};
        item.mask = TVIF_TEXT | TVIF_HANDLE;
        item.hItem = at;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(raw, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        order.push_back(text);
    }
    DestroyWindow(raw);
    return order;
}

// Walks the whole tree through the control's own answers and checks that the
// program's record of it answers the same for every node.
void ExpectRecordAgreesWithControl() {
    std::vector<HTREEITEM> todo;
    for (HTREEITEM at = Raw(TreePane, nullptr, TVGN_ROOT); at; at = Raw(TreePane, at, TVGN_NEXT))
        todo.push_back(at);
    int nodes = 0;
    while (!todo.empty()) {
        HTREEITEM at = todo.back();
        todo.pop_back();
        ++nodes;
        char text[1024] = "";
        TVITEMA item = {};
        item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_HANDLE;
        item.hItem = at;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(TreePane, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        char recorded[1024];
        EXPECT_EQ(TreeGetTextAndImage(TreePane, at, recorded, sizeof recorded), item.iImage);
        EXPECT_STREQ(recorded, text);
        EXPECT_EQ(TreeGetSelectedImage(TreePane, at), item.iSelectedImage) << text;
        EXPECT_EQ(TreeGetParam(TreePane, at), item.lParam) << text;
        EXPECT_EQ(TreeParent(TreePane, at), Raw(TreePane, at, TVGN_PARENT)) << text;
        EXPECT_EQ(TreeFirstChild(TreePane, at), Raw(TreePane, at, TVGN_CHILD)) << text;
        EXPECT_EQ(TreeNextSibling(TreePane, at), Raw(TreePane, at, TVGN_NEXT)) << text;
        for (HTREEITEM c = Raw(TreePane, at, TVGN_CHILD); c; c = Raw(TreePane, c, TVGN_NEXT))
            todo.push_back(c);
    }
    EXPECT_GT(nodes, 0);
}

const std::vector<std::string> kNames = {
    "zeta", "Alpha",       "alpha_2", "alpha 2",      "alpha-2",       "_under",
    "10",   "9",           "Beta",    "beta",         "BETA",          "a",
    "A",    "caf\xC3\xA9", "cafe",    "Caf\xC3\xA9s", "m\xC3\xBCller", "Mueller",
    "x.y",  "x_y",         "~tilde",  "zz",           "Zeta"};

TEST(SortedInsertion, GivesTheControlsOwnOrderForNamesOfEveryKind) {
    TestPanes panes;
    TreeDelete(TreePane, RootNode);
    FakeDirectory disk;
    disk.AddDrive('C', DRIVE_FIXED);
    std::vector<FakeDirectory::Entry> entries;
    for (const std::string& name : kNames)
        entries.push_back(FakeDirectory::Folder(name));
    entries.push_back(FakeDirectory::Link("link"));
    entries.push_back(FakeDirectory::File("file.txt"));
    disk.SetEntries("C:\\", entries);
    PopulateDrives();
    HTREEITEM drive = TreeFirstChild(TreePane, RootNode);
    ASSERT_TRUE(BuildNodePath(drive));
    PopulateNode(drive);

    // The control's own placement: one TVI_SORT insertion per folder, in search order.
    std::vector<std::string> searched = kNames;
    searched.push_back("link");
    std::vector<std::string> got = ChildTexts(drive);
    EXPECT_EQ(got, ControlOrder(searched));
    ExpectRecordAgreesWithControl();
    ASSERT_EQ(got.size(), kNames.size() + 1);
    for (HTREEITEM child = TreeFirstChild(TreePane, drive); child;
         child = TreeNextSibling(TreePane, child)) {
        EXPECT_EQ(TreeGetImage(TreePane, child), FolderClosed);
        EXPECT_EQ(TreeGetSelectedImage(TreePane, child), FolderOpen);
        EXPECT_EQ(TreeGetParam(TreePane, child), 0);
    }

    // What was inserted, with whether the search reported it as a link.
    const std::vector<InsertedFolder>& inserted = LastInsertedFolders();
    ASSERT_EQ(inserted.size(), kNames.size() + 1);
    int links = 0;
    for (const InsertedFolder& folder : inserted) {
        if (folder.link) {
            ++links;
            EXPECT_EQ(NodeText(folder.node), "link");
        }
    }
    EXPECT_EQ(links, 1);

    // A node already read inserts nothing, and says so.
    PopulateNode(drive);
    EXPECT_TRUE(LastInsertedFolders().empty());
}

TEST(SortedInsertion, ExistingChildrenKeepTheirPlacesAmongTheNewOnes) {
    TestPanes panes;
    TreeDelete(TreePane, RootNode);
    FakeDirectory disk;
    disk.AddDrive('C', DRIVE_FIXED);
    disk.SetEntries("C:\\", {FakeDirectory::Folder("b"), FakeDirectory::Folder("d"),
                             FakeDirectory::Folder("a")});
    PopulateDrives();
    HTREEITEM drive = TreeFirstChild(TreePane, RootNode);
    TreeInsert(TreePane, drive, TVI_SORT, "c", FolderClosed, FolderOpen);
    TreeInsert(TreePane, drive, TVI_SORT, "b", FolderClosed, FolderOpen);
    ASSERT_TRUE(BuildNodePath(drive));
    PopulateNode(drive);
    EXPECT_EQ(ChildTexts(drive), ControlOrder({"c", "b", "b", "d", "a"}));
    ExpectRecordAgreesWithControl();
}

// The program reads the tree from its own record of it; after every kind of change
// the record answers as the control does.
TEST(NodeRecord, AgreesWithTheControlAfterEveryKindOfChange) {
    TestPanes panes;
    TreeDelete(TreePane, RootNode);
    FakeDirectory disk;
    disk.AddDrive('C', DRIVE_FIXED);
    disk.AddDrive('D', DRIVE_CDROM);
    disk.SetEntries("C:\\", {FakeDirectory::Folder("top"), FakeDirectory::Folder("Top"),
                             FakeDirectory::Folder("b")});
    disk.SetEntries("C:\\top\\", {FakeDirectory::Folder("x"), FakeDirectory::Folder("y")});
    disk.SetEntries("C:\\top\\x\\", {FakeDirectory::Folder("deep")});
    PopulateDrives();
    ExpectRecordAgreesWithControl();
    HTREEITEM drive = TreeFirstChild(TreePane, RootNode);
    BuildNodePath(drive);
    PopulateNode(drive);
    CurrentNode = drive;
    MarkSubtree(true);  // reads and expands everything below, and marks it
    ListFolder();
    ExpectRecordAgreesWithControl();
    HTREEITEM top = FindChild(drive, "top");
    ASSERT_NE(top, nullptr);
    CurrentNode = top;
    MarkSubtree(false);
    ExpectRecordAgreesWithControl();
    disk.SetEntries("C:\\top\\", {FakeDirectory::Folder("new"), FakeDirectory::Folder("x")});
    BuildNodePath(top);
    RefreshNode(top);  // deletes the children, reads again
    ExpectRecordAgreesWithControl();
    EXPECT_EQ(ChildTexts(top), (std::vector<std::string>{"new", "x"}));
    TreeDelete(TreePane, FindChild(drive, "b"));
    TreeInsert(TreePane, drive, TVI_SORT, "a", FolderClosed, FolderOpen);
    TreeInsert(TreePane, drive, TVI_LAST, "zz last", FolderClosed, FolderOpen);
    TreeInsert(TreePane, drive, TVI_FIRST, "~first", FolderClosed, FolderOpen);
    TreeSetParam(TreePane, top, 7);
    ExpectRecordAgreesWithControl();
    TreeDelete(TreePane, RootNode);
    TreeInsert(TreePane, TVI_ROOT, TVI_LAST, "again", ComputerRoot, ComputerRoot);
    ExpectRecordAgreesWithControl();
}

}  // namespace
