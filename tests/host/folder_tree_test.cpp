// Deleting a folder tree over the fake disk: links removed as links, what could not go reported.
#include "engine/guard/folder_tree.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_platform.h"
#include "platform/files.h"

namespace {

const std::wstring kRoot = L"C:\\Users\\anna\\AppData\\Local\\Larkmail.old-1";

class FolderTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetFakePlatform();
        SetFakeFile(kRoot + L"\\prefs.js", "p");
        SetFakeFile(kRoot + L"\\Mail\\Inbox\\1.eml", "m");
        SetFakeFile(kRoot + L"\\Mail\\ro.msf", "r");
        SetFakeReadOnly(kRoot + L"\\Mail\\ro.msf", true);
        SetFakeFolder(kRoot + L"\\Empty");
        SetFakeFile(L"C:\\Elsewhere\\keep.txt", "keep");
    }
    std::vector<std::wstring> Left() {
        std::vector<std::wstring> left;
        for (const std::wstring& path : FakePaths())
            if (path.compare(0, kRoot.size(), kRoot) == 0) left.push_back(path);
        return left;
    }
};

TEST_F(FolderTreeTest, DeletesEverythingReadOnlyFilesIncluded) {
    for (const std::wstring& given : {kRoot, kRoot + L"\\"}) {
        SetUp();
        EXPECT_TRUE(DeleteFolderTree(given).empty());
        EXPECT_TRUE(Left().empty());
        EXPECT_EQ(FakeFileBytes(L"C:\\Elsewhere\\keep.txt"), "keep");
    }
    EXPECT_TRUE(DeleteFolderTree(kRoot).empty());  // already gone: nothing to report
}

TEST_F(FolderTreeTest, LinksAreRemovedThemselvesNeverFollowed) {
    // What the folder link shows is the target's: a file there held open
    // would fail to delete if the link were followed.
    SetFakeLink(kRoot + L"\\Mail\\Junction", true);
    SetFakeFile(kRoot + L"\\Mail\\Junction\\target.db", "target");
    std::string bytes;
    HeldFile held = OpenFileForUpdate(kRoot + L"\\Mail\\Junction\\target.db", bytes);
    SetFakeLink(kRoot + L"\\file link", false);
    EXPECT_TRUE(DeleteFolderTree(kRoot).empty());
    EXPECT_TRUE(Left().empty());
    ReleaseHeldFile(held);

    const std::wstring linkRoot = L"C:\\Users\\anna\\AppData\\Local\\LinkRoot";
    SetFakeLink(linkRoot, true);
    SetFakeFile(linkRoot + L"\\target.db", "target");
    held = OpenFileForUpdate(linkRoot + L"\\target.db", bytes);
    EXPECT_TRUE(DeleteFolderTree(linkRoot).empty());
    EXPECT_EQ(LookUpPathKind(linkRoot), PathKind::Missing);
    ReleaseHeldFile(held);
}

TEST_F(FolderTreeTest, ReportsWhatStayedAndDeletesTheRest) {
    std::string bytes;
    HeldFile held = OpenFileForUpdate(kRoot + L"\\Mail\\Inbox\\1.eml", bytes);
    EXPECT_EQ(DeleteFolderTree(kRoot), std::vector<std::wstring>({kRoot + L"\\Mail\\Inbox\\1.eml"}));
    ReleaseHeldFile(held);
    // The folders above the file stay with it; nothing else does.
    EXPECT_EQ(Left(), std::vector<std::wstring>(
                          {kRoot, kRoot + L"\\Mail", kRoot + L"\\Mail\\Inbox", kRoot + L"\\Mail\\Inbox\\1.eml"}));
}

}  // namespace
