// PopulateNode places many subfolders in the order the tree control itself gives
// them when each is inserted with TVI_SORT in search order, equal-comparing names
// included, and records what it inserted for MarkSubtree's link test.
#include <gtest/gtest.h>

#include "support/fake_directory.h"
#include "support/panes.h"
#include "tree/folder_tree.h"
#include "tree/tree_control.h"

namespace {

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
    HTREEITEM reference = TreeInsert(TreePane, RootNode, TVI_LAST, "reference", 0, 1);
    for (const std::string& name : kNames)
        TreeInsert(TreePane, reference, TVI_SORT, name.c_str(), FolderClosed, FolderOpen);
    TreeInsert(TreePane, reference, TVI_SORT, "link", FolderClosed, FolderOpen);

    std::vector<std::string> got = ChildTexts(drive);
    EXPECT_EQ(got, ChildTexts(reference));
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
    HTREEITEM reference = TreeInsert(TreePane, RootNode, TVI_LAST, "reference", 0, 1);
    for (const char* name : {"c", "b", "b", "d", "a"})
        TreeInsert(TreePane, reference, TVI_SORT, name, FolderClosed, FolderOpen);
    ASSERT_TRUE(BuildNodePath(drive));
    PopulateNode(drive);
    EXPECT_EQ(ChildTexts(drive), ChildTexts(reference));
}

}  // namespace
