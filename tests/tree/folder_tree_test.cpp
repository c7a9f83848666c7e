// The folder tree model: drives, lazy reading, sorting, paths and the start-up descent.
#include <gtest/gtest.h>

#include "base/wide_text.h"
#include "support/fake_directory.h"
#include "support/panes.h"
#include "support/temp_folder.h"
#include "tree/folder_tree.h"
#include "tree/tree_control.h"
#include "tree/tree_marks.h"

namespace {

std::string CurrentDirectory() {
    char buffer[MAX_PATH];
    GetCurrentDirectoryA(sizeof buffer, buffer);
    return buffer;
}

TEST(PopulateDrives, ShowsFixedCdromAndNoRootDrivesInLetterOrderWithTheirImages) {
    TestPanes panes;
    TreeDelete(TreePane, RootNode);
    FakeDirectory disk;
    disk.AddDrive('A', DRIVE_REMOVABLE);
    disk.AddDrive('C', DRIVE_FIXED);
    disk.AddDrive('D', DRIVE_CDROM);
    disk.AddDrive('E', DRIVE_REMOTE);
    disk.AddDrive('F', DRIVE_NO_ROOT_DIR);
    disk.AddDrive('G', DRIVE_UNKNOWN);
    disk.AddDrive('H', DRIVE_RAMDISK);
    disk.AddDrive('Z', DRIVE_FIXED);
    PopulateDrives();
    EXPECT_EQ(NodeText(RootNode), "My Computer");
    EXPECT_EQ(TreeGetImage(TreePane, RootNode), ComputerRoot);
    EXPECT_EQ(ChildTexts(RootNode), (std::vector<std::string>{"C:\\", "D:\\", "F:\\", "Z:\\"}));
    const int images[] = {FixedDrive, OtherDrive, OtherDrive, FixedDrive};
    int i = 0;
    for (HTREEITEM d = TreeFirstChild(TreePane, RootNode); d;
         d = TreeNextSibling(TreePane, d), ++i) {
        EXPECT_EQ(TreeGetImage(TreePane, d), images[i]);
        EXPECT_EQ(TreeGetSelectedImage(TreePane, d), images[i]);
        EXPECT_EQ(TreeGetParam(TreePane, d), 0);
    }
}

TEST(PopulateDrives, NoDriveToShowLeavesTheRootChildless) {
    TestPanes panes;
    TreeDelete(TreePane, RootNode);
    FakeDirectory disk;
    disk.AddDrive('A', DRIVE_REMOVABLE);
    PopulateDrives();
    EXPECT_EQ(TreeFirstChild(TreePane, RootNode), nullptr);
}

// A drive may come or go between the two calls: the mask and the strings then
// disagree. Each set bit takes the next string while there is one; nothing past the
// strings is read.
TEST(PopulateDrives, DriveStringsThatDisagreeWithTheMaskShowNoGarbage) {
    TestPanes panes;
    FakeDirectory disk;
    for (char letter : {'C', 'D', 'E'})
        disk.AddDrive(letter, DRIVE_FIXED);
    disk.driveStrings = std::string("C:\\\0D:\\\0", 8);  // E went
    TreeDelete(TreePane, RootNode);
    PopulateDrives();
    EXPECT_EQ(ChildTexts(RootNode), (std::vector<std::string>{"C:\\", "D:\\"}));
    disk.driveStrings = std::string("C:\\\0D:\\\0E:\\\0F:\\\0", 16);  // F came
    TreeDelete(TreePane, RootNode);
    PopulateDrives();
    EXPECT_EQ(ChildTexts(RootNode), (std::vector<std::string>{"C:\\", "D:\\", "E:\\"}));
}

TEST(PopulateNode, ShowsHiddenAndSystemFoldersButNoDotFoldersAndNoFiles) {
    TestPanes panes;
    TempFolder temp;
    temp.MakeFolder("plain");
    temp.MakeFolder("hidden");
    temp.MakeFolder("system");
    temp.MakeFolder(".dot");
    temp.MakeFile("file.txt");
    ASSERT_TRUE(SetFileAttributesA((temp / "hidden").c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(SetFileAttributesA((temp / "system").c_str(), FILE_ATTRIBUTE_SYSTEM));
    ASSERT_TRUE(GetFileAttributesA((temp / "hidden").c_str()) & FILE_ATTRIBUTE_HIDDEN);
    ASSERT_TRUE(GetFileAttributesA((temp / "system").c_str()) & FILE_ATTRIBUTE_SYSTEM);
    HTREEITEM node = AddPathNodes(temp.Path());
    ASSERT_TRUE(BuildNodePath(node));
    PopulateNode(node);
    EXPECT_EQ(ChildTexts(node), (std::vector<std::string>{"hidden", "plain", "system"}));
    EXPECT_EQ(TreeGetParam(TreePane, node), 1);
    EXPECT_TRUE(TreeIsExpanded(TreePane, node));
    HTREEITEM child = TreeFirstChild(TreePane, node);
    EXPECT_EQ(TreeGetImage(TreePane, child), FolderClosed);
    EXPECT_EQ(TreeGetSelectedImage(TreePane, child), FolderOpen);
    EXPECT_EQ(TreeGetParam(TreePane, child), 0);
}

TEST(PopulateNode, SortsChildrenWhateverOrderTheSearchReports) {
    TestPanes panes;
    TreeDelete(TreePane, RootNode);
    FakeDirectory disk;
    disk.AddDrive('C', DRIVE_FIXED);
    disk.SetEntries("C:\\", {FakeDirectory::Folder("zeta"), FakeDirectory::File("a.txt"),
                             FakeDirectory::Folder("Alpha"), FakeDirectory::Folder("mid")});
    PopulateDrives();
    HTREEITEM drive = TreeFirstChild(TreePane, RootNode);
    ASSERT_TRUE(BuildNodePath(drive));
    PopulateNode(drive);
    EXPECT_EQ(ChildTexts(drive), (std::vector<std::string>{"Alpha", "mid", "zeta"}));
    EXPECT_EQ(disk.openSearches, 0);
}

TEST(PopulateNode, ReadsOnceAndAReadCollapsedNodeStaysCollapsed) {
    TestPanes panes;
    TempFolder temp;
    temp.MakeFolder("one");
    HTREEITEM node = AddPathNodes(temp.Path());
    BuildNodePath(node);
    PopulateNode(node);
    temp.MakeFolder("two");
    TreeExpand(TreePane, node, TVE_COLLAPSE);
    SetCurrentDirectoryA("Z:\\tmp");
    PopulateNode(node);
    EXPECT_EQ(ChildTexts(node), (std::vector<std::string>{"one"}));
    EXPECT_FALSE(TreeIsExpanded(TreePane, node));
    // The process current directory never follows the tree: Windows would keep that
    // folder from being renamed or removed.
    EXPECT_EQ(CurrentDirectory(), "Z:\\tmp");
}

TEST(PopulateNode, AFolderThatCannotBeEnteredStaysUnreadAndIsTriedAgain) {
    TestPanes panes;
    TempFolder temp;
    HTREEITEM node = AddPathNodes(temp / "later");
    EXPECT_FALSE(BuildNodePath(node));
    PopulateNode(node);
    EXPECT_EQ(TreeGetParam(TreePane, node), 0);
    EXPECT_EQ(TreeFirstChild(TreePane, node), nullptr);
    // Once the folder exists, the next request reads it.
    temp.MakeFolder("later\\inner");
    ASSERT_TRUE(BuildNodePath(node));
    PopulateNode(node);
    EXPECT_EQ(TreeGetParam(TreePane, node), 1);
    EXPECT_EQ(ChildTexts(node), (std::vector<std::string>{"inner"}));
}

TEST(PopulateNode, AFailedSearchCountsAsReadWithNoChildrenAndNoExpansion) {
    TestPanes panes;
    TreeDelete(TreePane, RootNode);
    FakeDirectory disk;
    disk.AddDrive('D', DRIVE_CDROM);
    disk.Unsearchable("D:\\");
    PopulateDrives();
    HTREEITEM drive = TreeFirstChild(TreePane, RootNode);
    BuildNodePath(drive);
    PopulateNode(drive);
    EXPECT_EQ(TreeGetParam(TreePane, drive), 1);
    EXPECT_FALSE(TreeIsExpanded(TreePane, drive));
}

TEST(BuildNodePath, GivesTheFullPathWithOneTrailingBackslash) {
    TestPanes panes;
    TempFolder temp;
    temp.MakeFolder("A\\B");
    SetCurrentDirectoryA("Z:\\tmp");
    HTREEITEM drive = AddPathNodes("Z:\\");
    EXPECT_TRUE(BuildNodePath(drive));
    EXPECT_STREQ(CurrentPath, "Z:\\");
    HTREEITEM b = AddPathNodes(temp / "A\\B");
    EXPECT_TRUE(BuildNodePath(b));
    EXPECT_EQ(std::string(CurrentPath), temp.Path() + "\\A\\B\\");
    EXPECT_STREQ(PathWorkCopy, CurrentPath);
    EXPECT_EQ(CurrentDirectory(), "Z:\\tmp");
}

TEST(BuildNodePath, APathTooLongForItsBufferIsNeverEntered) {
    TestPanes panes;
    HTREEITEM at = AddPathNodes("Z:\\tmp");
    std::string name(200, 'x');
    for (int i = 0; i < 6; ++i)
        at = TreeInsert(TreePane, at, TVI_LAST, name.c_str(), 0, 1);
    SetCurrentDirectoryA("Z:\\tmp");
    EXPECT_FALSE(BuildNodePath(at));
    EXPECT_LT(strlen(CurrentPath), static_cast<size_t>(kPathCapacity));
    EXPECT_EQ(CurrentDirectory(), "Z:\\tmp");
}

// A name of 255 UTF-16 units, NTFS's longest, fits a search entry whole in UTF-8: 765
// bytes for characters of three bytes, and characters outside the Basic Multilingual
// Plane, two units each, take four.
TEST(DirectoryService, TheLongestNamesConvertWholeIntoASearchEntry) {
    ASSERT_EQ(GetACP(), static_cast<UINT>(CP_UTF8));
    std::string kanji, emoji = "x";
    for (int i = 0; i < 255; ++i)
        kanji += "\xE6\x97\xA5";
    for (int i = 0; i < 127; ++i)
        emoji += "\xF0\x9F\x8E\xB5";
    for (const std::string& name : {kanji, emoji}) {
        const std::wstring wide = Wide(name);
        ASSERT_EQ(wide.size(), 255u);
        FoundEntry entry;
        EXPECT_TRUE(AnsiFromWideInto(wide.c_str(), entry.name, sizeof entry.name));
        EXPECT_EQ(std::string(entry.name), name);
    }
}

TEST(DescendToLeaf, FollowsTheFirstFolderAtEachLevelDownToALeaf) {
    TempFolder temp;
    temp.MakeFolder("top\\middle\\leaf");
    temp.MakeFolder(".skipped\\deeper");
    temp.MakeFile("top\\file.txt");
    SetCurrentDirectoryA(temp.Path().c_str());
    DescendToLeaf();
    EXPECT_EQ(DescentLeaf(), temp / "top\\middle\\leaf\\");
    EXPECT_EQ(CurrentDirectory(), temp.Path());
}

TEST(DescendToLeaf, PassesOverLinksAndFoldersThatCannotBeEntered) {
    FakeDirectory disk;
    disk.AddDrive('C', DRIVE_FIXED);
    disk.SetEntries("C:\\", {FakeDirectory::Link("loop"), FakeDirectory::Folder("locked"),
                             FakeDirectory::Folder("open")});
    disk.SetEntries("C:\\loop\\", {FakeDirectory::Link("loop")});
    disk.Unenterable("C:\\locked\\");
    disk.SetEntries("C:\\open\\", {FakeDirectory::Folder("locked2")});
    disk.Unenterable("C:\\open\\locked2\\");
    disk.cwd = "C:\\";
    DescendToLeaf();
    EXPECT_STREQ(DescentLeaf(), "C:\\open\\");
    EXPECT_EQ(disk.openSearches, 0);

    // Only symbolic links and junctions (and a reparse point with no reported tag) are
    // links; a cloud placeholder or a deduplicated folder is followed like any other.
    disk.SetEntries("C:\\open\\", {FakeDirectory::Tagged("junction", IO_REPARSE_TAG_MOUNT_POINT),
                                   FakeDirectory::Tagged("untagged", 0),
                                   FakeDirectory::Tagged("cloud", IO_REPARSE_TAG_CLOUD_1)});
    disk.SetEntries("C:\\open\\cloud\\", {FakeDirectory::Tagged("dedup", IO_REPARSE_TAG_DEDUP)});
    disk.cwd = "C:\\open\\";
    DescendToLeaf();
    EXPECT_STREQ(DescentLeaf(), "C:\\open\\cloud\\dedup\\");
}

TEST(MarkSubtree, ReadsTaggedFoldersAndMarksBelowALinkOpenedBeforeWithoutReadingThere) {
    TestPanes panes;
    TreeDelete(TreePane, RootNode);
    FakeDirectory disk;
    disk.AddDrive('C', DRIVE_FIXED);
    disk.SetEntries("C:\\", {FakeDirectory::Folder("top")});
    disk.SetEntries("C:\\top\\", {FakeDirectory::Tagged("cloud", IO_REPARSE_TAG_CLOUD_1),
                                  FakeDirectory::Tagged("dedup", IO_REPARSE_TAG_DEDUP),
                                  FakeDirectory::Link("link"),
                                  FakeDirectory::Tagged("junction", IO_REPARSE_TAG_MOUNT_POINT),
                                  FakeDirectory::Tagged("untagged", 0)});
    for (const char* name : {"cloud", "dedup", "link", "junction", "untagged"})
        disk.SetEntries(std::string("C:\\top\\") + name + "\\", {FakeDirectory::Folder("inside")});
    disk.SetEntries("C:\\top\\cloud\\inside\\", {});
    PopulateDrives();
    HTREEITEM drive = TreeFirstChild(TreePane, RootNode);
    BuildNodePath(drive);
    PopulateNode(drive);
    HTREEITEM top = FindChild(drive, "top");
    BuildNodePath(top);
    PopulateNode(top);
    // The user opened the link before, which put its target's folder under it.
    HTREEITEM link = FindChild(top, "link");
    BuildNodePath(link);
    PopulateNode(link);
    HTREEITEM target = FindChild(link, "inside");
    ASSERT_NE(target, nullptr);

    // Listing from the drive tests each node of top on its own; unlisting from top
    // learns its children from one search of top.
    for (HTREEITEM start : {drive, top}) {
        CurrentNode = start;
        MarkSubtree(start == drive);
        const int want = start == drive ? ListedFolder : FolderClosed;
        for (const char* name : {"cloud", "dedup"}) {
            HTREEITEM inside = FindChild(FindChild(top, name), "inside");
            ASSERT_NE(inside, nullptr) << name << " is read";
            EXPECT_EQ(TreeGetImage(TreePane, inside), want) << name;
        }
        for (const char* name : {"junction", "untagged"}) {
            HTREEITEM folder = FindChild(top, name);
            EXPECT_EQ(TreeGetImage(TreePane, folder), want) << name;
            EXPECT_EQ(TreeFirstChild(TreePane, folder), nullptr) << name << " is not read";
        }
        EXPECT_EQ(TreeGetImage(TreePane, link), want);
        EXPECT_EQ(TreeGetImage(TreePane, target), want) << "below a link";
        EXPECT_EQ(TreeGetParam(TreePane, target), 0) << "nothing is read below a link";
        EXPECT_EQ(TreeFirstChild(TreePane, target), nullptr) << "nothing is read below a link";
    }
    // Over folders read before, the walk asks the disk nothing, and leaves the path to
    // the last node it went through.
    HTREEITEM cloud = FindChild(top, "cloud");
    CurrentNode = cloud;
    disk.entered.clear();
    MarkSubtree(true);
    EXPECT_TRUE(disk.entered.empty());
    EXPECT_STREQ(CurrentPath, "C:\\top\\cloud\\inside\\");
    EXPECT_EQ(TreeGetImage(TreePane, FindChild(cloud, "inside")), ListedFolder);
    EXPECT_EQ(disk.openSearches, 0);
}

TEST(InitFolderTree, LeavesTheRootReadExpandedSelectedAndHoldingOnlyTheDrives) {
    TestPanes panes;
    TreeDelete(TreePane, RootNode);
    FakeDirectory disk;
    disk.AddDrive('C', DRIVE_FIXED);
    disk.AddDrive('D', DRIVE_CDROM);
    // The descent ends in a folder whose only subfolder cannot be entered.
    disk.SetEntries("C:\\", {FakeDirectory::Folder("stuck")});
    disk.SetEntries("C:\\stuck\\", {FakeDirectory::Folder("locked")});
    disk.Unenterable("C:\\stuck\\locked\\");
    disk.cwd = "C:\\";
    InitFolderTree();
    EXPECT_EQ(ChildTexts(RootNode), (std::vector<std::string>{"C:\\", "D:\\"}));
    EXPECT_EQ(TreeGetParam(TreePane, RootNode), 1);
    EXPECT_TRUE(TreeIsExpanded(TreePane, RootNode));
    EXPECT_EQ(reinterpret_cast<HTREEITEM>(SendMessageA(TreePane, TVM_GETNEXTITEM, TVGN_CARET, 0)),
              RootNode);
    EXPECT_EQ(GetFocus(), TreePane);
    EXPECT_STREQ(DescentLeaf(), "C:\\stuck\\");
    ReleaseFolderTree();
}

}  // namespace
