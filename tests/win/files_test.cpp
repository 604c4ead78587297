// Path kinds, sizes, listings, moves and deletions on the real file system.
#include <gtest/gtest.h>
#include <windows.h>

#include "engine/console/archive_listing.h"
#include "engine/guard/folder_tree.h"
#include "platform/files.h"
#include "platform/win32/long_path.h"
#include "tests/win/win_test_folder.h"

namespace {

class FilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = MakeTestFolder(L"files");
        ASSERT_FALSE(folder.empty());
    }
    void TearDown() override { RemoveTree(folder); }
    std::wstring At(const std::wstring& name) const { return folder + L"\\" + name; }
    std::wstring folder;
};

TEST_F(FilesTest, KindsAndSizes) {
    ASSERT_TRUE(WriteFileReplacing(At(L"five.bin"), std::string("a\0b\r\n", 5)));
    ASSERT_TRUE(WriteFileReplacing(At(L"empty"), ""));
    std::string big(3 * 1024 * 1024 + 5, '\0');  // past one piece of reading
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i % 251);
    ASSERT_TRUE(WriteFileReplacing(At(L"big.bin"), big));
    ASSERT_TRUE(CreateFolderPath(At(L"7z.exe")));
    struct Case {
        std::wstring name;
        PathKind kind;
        std::int64_t size;
        bool flushes;  // only a file flushes
        std::int64_t crc;  // -1: does not read as a file
    } cases[] = {
        // The big one first: a shorter file read after it must not see its bytes.
        {L"big.bin", PathKind::File, 3 * 1024 * 1024 + 5, true, 0x454448A1},
        {L"five.bin", PathKind::File, 5, true, 0x7C5821FD},
        {L"FIVE.BIN", PathKind::File, 5, true, 0x7C5821FD},
        {L"empty", PathKind::File, 0, true, 0},
        {L"7z.exe", PathKind::Folder, 0, false, -1},
        {L"missing", PathKind::Missing, -1, false, -1},
        {L"missing\\deeper.txt", PathKind::Missing, -1, false, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name.begin(), c.name.end()));
        EXPECT_EQ(LookUpPathKind(At(c.name)), c.kind);
        EXPECT_EQ(ReadFileSize(At(c.name)), c.size);
        EXPECT_EQ(FlushFileToDisk(At(c.name)), c.flushes);
        std::uint32_t crc = 0;
        std::int64_t read = -1;
        EXPECT_EQ(FileCrc32(At(c.name), crc, &read), c.crc >= 0);
        if (c.crc >= 0) {
            EXPECT_EQ(std::make_pair(static_cast<std::int64_t>(crc), read), std::make_pair(c.crc, c.size));
        }
    }
    EXPECT_EQ(BytesOf(At(L"five.bin")), std::string("a\0b\r\n", 5));
}

TEST_F(FilesTest, ListFolderNamesKindsAndPatterns) {
    ASSERT_TRUE(WriteFileReplacing(At(L"dutch.lng"), "x"));
    ASSERT_TRUE(WriteFileReplacing(At(L"german.lng"), "x"));
    ASSERT_TRUE(WriteFileReplacing(At(L"readme.txt"), "x"));
    ASSERT_TRUE(CreateFolderPath(At(L"Sub Folder")));
    ASSERT_TRUE(WriteFileReplacing(At(L"Sub Folder\\inner.lng"), "x"));

    std::vector<FolderEntry> all = ListFolder(folder, L"*");
    std::sort(all.begin(), all.end(), [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0].name, L"Sub Folder");
    EXPECT_TRUE(all[0].isFolder);
    EXPECT_FALSE(all[0].isLink);
    EXPECT_EQ(all[1].name, L"dutch.lng");
    EXPECT_FALSE(all[1].isFolder);

    struct Case {
        std::wstring folder, pattern;
        std::vector<std::wstring> names;
    } cases[] = {
        {folder, L"*.lng", {L"dutch.lng", L"german.lng"}},
        {folder + L"\\", L"*.lng", {L"dutch.lng", L"german.lng"}},
        {folder, L"g*", {L"german.lng"}},
        {folder, L"*.none", {}},
        {At(L"Sub Folder"), L"*", {L"inner.lng"}},
        {At(L"missing"), L"*", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pattern.begin(), c.pattern.end()));
        std::vector<std::wstring> names;
        for (const FolderEntry& entry : ListFolder(c.folder, c.pattern)) names.push_back(entry.name);
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, c.names);
    }
}

TEST_F(FilesTest, CreateFolderPathMakesParentsAndAcceptsExisting) {
    EXPECT_TRUE(CreateFolderPath(At(L"a\\b b\\c")));
    EXPECT_EQ(LookUpPathKind(At(L"a\\b b\\c")), PathKind::Folder);
    EXPECT_TRUE(CreateFolderPath(At(L"a\\b b\\c")));
    ASSERT_TRUE(WriteFileReplacing(At(L"file"), "x"));
    EXPECT_FALSE(CreateFolderPath(At(L"file")));
    EXPECT_FALSE(CreateFolderPath(At(L"file\\below")));
}

TEST_F(FilesTest, MovesNeverOrAlwaysReplace) {
    ASSERT_TRUE(WriteFileReplacing(At(L"a"), "first"));
    ASSERT_TRUE(WriteFileReplacing(At(L"b"), "second"));
    EXPECT_FALSE(MovePath(At(L"a"), At(L"b")));
    EXPECT_EQ(BytesOf(At(L"b")), "second");
    EXPECT_TRUE(MoveFileReplacing(At(L"a"), At(L"b")));
    EXPECT_EQ(BytesOf(At(L"b")), "first");
    EXPECT_EQ(LookUpPathKind(At(L"a")), PathKind::Missing);

    ASSERT_TRUE(CreateFolderPath(At(L"Larkmail\\Mail")));
    ASSERT_TRUE(WriteFileReplacing(At(L"Larkmail\\Mail\\1.eml"), "m"));
    EXPECT_TRUE(MovePath(At(L"Larkmail"), At(L"Larkmail.old")));
    EXPECT_EQ(BytesOf(At(L"Larkmail.old\\Mail\\1.eml")), "m");
    EXPECT_FALSE(MovePath(At(L"nothing"), At(L"else")));
}

TEST_F(FilesTest, DeletionsAndEmptyFolders) {
    ASSERT_TRUE(WriteFileReplacing(At(L"f"), "x"));
    EXPECT_TRUE(DeleteFilePath(At(L"f")));
    EXPECT_FALSE(DeleteFilePath(At(L"f")));
    ASSERT_TRUE(CreateFolderPath(At(L"d\\e")));
    EXPECT_FALSE(RemoveEmptyFolder(At(L"d")));
    EXPECT_TRUE(RemoveEmptyFolder(At(L"d\\e")));
    EXPECT_TRUE(RemoveEmptyFolder(At(L"d")));
    EXPECT_TRUE(NamesIn(folder).empty());
}

TEST(LongPath, OnlyAbsolutePathsPastTheLimitGetThePrefixNormalised) {
    const std::wstring tail(260, L'x');
    struct Case {
        std::wstring path, expected;
    } cases[] = {
        {L"C:\\Users\\anna\\Larkmail", L"C:\\Users\\anna\\Larkmail"},
        {L"lmbackup.prefs", L"lmbackup.prefs"},
        {L"Larkmail\\" + tail, L"Larkmail\\" + tail},
        {L"C:\\Users\\" + tail, L"\\\\?\\C:\\Users\\" + tail},
        {L"C:/Users/anna/../bob/./" + tail, L"\\\\?\\C:\\Users\\bob\\" + tail},
        {L"\\\\server\\share\\" + tail, L"\\\\?\\UNC\\server\\share\\" + tail},
        {L"\\\\?\\C:\\a/" + tail, L"\\\\?\\C:\\a/" + tail},
    };
    for (const Case& c : cases) EXPECT_EQ(LongPath(c.path), c.expected) << std::string(c.path.begin(), c.path.begin() + 30);
}

// Past MAX_PATH, as a restore stages a deep mail folder: made, written, read,
// CRC-checked, listed, moved and deleted like any other path.
TEST_F(FilesTest, PathsPastMaxPathWorkThroughEveryCall) {
    std::wstring first = L"Mail folder with a rather long name, part 1 of five";
    std::wstring relative = first;
    for (int i = 2; i <= 5; ++i)
        relative += L"\\Mail folder with a rather long name, part " + std::to_wstring(i) + L" of five";
    const std::wstring deep = At(relative);
    ASSERT_GT(deep.size(), 300u);
    ASSERT_TRUE(CreateFolderPath(deep));
    EXPECT_EQ(LookUpPathKind(deep), PathKind::Folder);
    const std::wstring file = deep + L"\\message.eml";
    ASSERT_TRUE(WriteFileReplacing(file, "12345"));
    EXPECT_TRUE(AppendToSharedFile(file, "6789"));
    EXPECT_TRUE(FlushFileToDisk(file));
    EXPECT_EQ(LookUpPathKind(file), PathKind::File);
    EXPECT_EQ(ReadFileSize(file), 9);
    EXPECT_EQ(BytesOf(file), "123456789");
    EXPECT_EQ(NamesIn(deep), std::vector<std::wstring>({L"message.eml"}));

    // The extraction check reads it back: 0xCBF43926 is the CRC-32 of "123456789".
    const ArchiveItem folderItem{relative, true};
    ArchiveItem fileItem{relative + L"\\message.eml", false, 9, true, 0xCBF43926u};
    EXPECT_EQ(FindMissingItems({folderItem, fileItem}, folder, 0), std::vector<std::wstring>());
    fileItem.crc ^= 1;
    EXPECT_EQ(FindMissingItems({folderItem, fileItem}, folder, 0), std::vector<std::wstring>({file}));

    EXPECT_TRUE(MoveFileReplacing(file, deep + L"\\moved.eml"));
    EXPECT_EQ(NamesIn(deep), std::vector<std::wstring>({L"moved.eml"}));
    EXPECT_TRUE(MovePath(At(first), At(L"renamed")));
    const std::wstring moved = At(L"renamed" + relative.substr(first.size())) + L"\\moved.eml";
    EXPECT_EQ(BytesOf(moved), "123456789");
    EXPECT_TRUE(DeleteFilePath(moved));
    EXPECT_EQ(LookUpPathKind(moved), PathKind::Missing);
    ASSERT_TRUE(WriteFileReplacing(moved, "again"));
    EXPECT_EQ(DeleteFolderTree(At(L"renamed")), std::vector<std::wstring>());
    EXPECT_TRUE(NamesIn(folder).empty());
}

// A second copy's piece: a new name only, every byte, the progress to the end; a gone share answers in time.
TEST_F(FilesTest, CopiesOnlyToANewNameAndBoundedLooksAnswer) {
    std::string big(3 * 1024 * 1024 + 5, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i % 251);
    ASSERT_TRUE(WriteFileReplacing(At(L"big.7z"), big));
    ASSERT_TRUE(WriteFileReplacing(At(L"there.7z"), "earlier"));
    std::vector<std::int64_t> done;
    EXPECT_TRUE(CopyFileFlushed(At(L"big.7z"), At(L"copy.tmp"), [&](std::int64_t d, std::int64_t total) {
        EXPECT_EQ(total, static_cast<std::int64_t>(big.size()));
        done.push_back(d);
    }));
    EXPECT_EQ(BytesOf(At(L"copy.tmp")), big);
    EXPECT_EQ(done, (std::vector<std::int64_t>{1 << 20, 2 << 20, 3 << 20, static_cast<std::int64_t>(big.size())}));
    EXPECT_FALSE(CopyFileFlushed(At(L"big.7z"), At(L"there.7z")));
    EXPECT_EQ(BytesOf(At(L"there.7z")), "earlier");
    EXPECT_FALSE(CopyFileFlushed(At(L"missing.7z"), At(L"nothing.tmp")));
    EXPECT_EQ(LookUpPathKind(At(L"nothing.tmp")), PathKind::Missing);
    EXPECT_FALSE(CopyFileFlushed(At(L"big.7z"), At(L"no folder\\copy.tmp")));

    const struct {
        std::wstring path;
        PathKind kind;
    } looks[] = {{folder + L"\\", PathKind::Folder}, {At(L"big.7z"), PathKind::File},
                 {L"\\\\larkmail-no-server\\share\\anna\\", PathKind::Missing}};
    for (const auto& look : looks) {
        const std::uint64_t start = ReadTickMilliseconds();
        bool answered = false;
        EXPECT_EQ(LookUpPathKindWithin(look.path, 20000, answered), look.kind);
        EXPECT_TRUE(answered);
        EXPECT_LT(ReadTickMilliseconds() - start, 20000u);
    }
    // Wine's drive letters are links, never network drives.
    EXPECT_EQ(ReadNetworkDriveShare(folder), L"");
    EXPECT_EQ(ReadNetworkDriveShare(L"\\\\nas\\share\\"), L"");
}

TEST_F(FilesTest, FlushNeedsAnExistingFile) {
    ASSERT_TRUE(WriteFileReplacing(At(L"archive.7z.tmp"), "7z"));
    EXPECT_TRUE(FlushFileToDisk(At(L"archive.7z.tmp")));
    EXPECT_FALSE(FlushFileToDisk(At(L"missing.tmp")));
    EXPECT_EQ(BytesOf(At(L"archive.7z.tmp")), "7z");
}

// A link is listed as a link and removed alone; what it points to stays.
TEST_F(FilesTest, LinksAreListedAndRemovedWithoutTheirTarget) {
    ASSERT_TRUE(CreateFolderPath(At(L"target\\Mail")));
    ASSERT_TRUE(WriteFileReplacing(At(L"target\\Mail\\1.eml"), "m"));
    ASSERT_TRUE(WriteFileReplacing(At(L"target.txt"), "t"));
    if (!CreateSymbolicLinkW(At(L"folder link").c_str(), At(L"target").c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) ||
        !CreateSymbolicLinkW(At(L"file link").c_str(), At(L"target.txt").c_str(), 0) ||
        LookUpPathKind(At(L"folder link")) == PathKind::Missing) {  // Wine 8 reports success, makes nothing
        GTEST_SKIP() << "no symbolic links here";
    }
    bool sawFolderLink = false, sawFileLink = false;
    for (const FolderEntry& entry : ListFolder(folder, L"*")) {
        if (entry.name == L"folder link") sawFolderLink = entry.isLink && entry.isFolder;
        if (entry.name == L"file link") sawFileLink = entry.isLink && !entry.isFolder;
        if (entry.name == L"target") {
            EXPECT_FALSE(entry.isLink);
        }
    }
    EXPECT_TRUE(sawFolderLink);
    EXPECT_TRUE(sawFileLink);
    EXPECT_TRUE(RemoveLinkPath(At(L"folder link"), true));
    EXPECT_TRUE(RemoveLinkPath(At(L"file link"), false));
    EXPECT_EQ(NamesIn(folder), (std::vector<std::wstring>{L"target", L"target.txt"}));
    EXPECT_EQ(BytesOf(At(L"target\\Mail\\1.eml")), "m");
    EXPECT_EQ(BytesOf(At(L"target.txt")), "t");
}

// One folder reached through every spelling Windows accepts resolves to one
// text: what exists as the disk names it, a missing rest as written.
TEST_F(FilesTest, ResolveFullPathGivesOneTextForEverySpellingOfAFolder) {
    const std::wstring base = At(L"Larkmail Data Folder");
    ASSERT_TRUE(CreateFolderPath(base + L"\\Backups"));
    std::wstring slashes = base;
    std::replace(slashes.begin(), slashes.end(), L'\\', L'/');
    wchar_t shortName[MAX_PATH] = {};
    const DWORD length = GetShortPathNameW(base.c_str(), shortName, MAX_PATH);
    const std::wstring shortPath = length > 0 && length < MAX_PATH ? shortName : L"";
    struct Case {
        std::wstring path, expected;
    } cases[] = {
        {base, base},
        {At(L"LARKMAIL DATA FOLDER\\"), base},
        {base + L"\\.\\Backups\\..", base},
        {slashes + L"/", base},
        {base + L"\\Backups\\..\\..\\Larkmail Data Folder", base},
        {At(L"larkmail data folder\\Not Yet\\Deeper\\"), base + L"\\Not Yet\\Deeper"},
        {At(L"Larkmail Data Folder2"), At(L"Larkmail Data Folder2")},
        {shortPath.empty() ? base : shortPath, base},
        {(shortPath.empty() ? base : shortPath) + L"\\Backups\\New", base + L"\\Backups\\New"},
    };
    for (const Case& c : cases) EXPECT_EQ(ResolveFullPath(c.path), c.expected) << c.path;
    EXPECT_EQ(ResolveFullPath(L""), L"");
    EXPECT_TRUE(SamePathText(L"C:\\\u00c4rger\\Mail", L"c:\\\u00e4RGER\\mail"));
    EXPECT_FALSE(SamePathText(L"C:\\Larkmail", L"C:\\Larkmail2"));
}

// Wine starts a Unix program given by its Z: path, but its handle is
// signalled before the program has ended and its exit code is no guide.
bool StartUnixProgram(const std::wstring& program, const std::wstring& arguments) {
    std::wstring line = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

// Polls, for want of a handle that tells.
bool WaitForEntryCount(const std::wstring& folder, std::size_t count) {
    for (int i = 0; i < 500; ++i) {
        if (NamesIn(folder).size() == count) return true;
        Sleep(20);
    }
    return false;
}

std::wstring UnixPathOf(const std::wstring& winePath) {
    std::wstring path = winePath.substr(2);
    std::replace(path.begin(), path.end(), L'\\', L'/');
    return path;
}

bool IsReadOnly(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

// Wine shows a Unix link to a file as a plain file and deletes or changes the
// target through it; one to a folder as a reparse point that still opens,
// changes and removes as the target. Each must be listed as a link and stay.
TEST_F(FilesTest, UnixLinksUnderWineAreListedAsLinksAndNothingGoesThroughThem) {
    ASSERT_TRUE(CreateFolderPath(At(L"outside\\dir")));
    ASSERT_TRUE(CreateFolderPath(At(L"data")));
    ASSERT_TRUE(WriteFileReplacing(At(L"outside\\file.txt"), "keep"));
    ASSERT_TRUE(WriteFileReplacing(At(L"outside\\read-only.txt"), "ro"));
    SetFileAttributesW(At(L"outside\\read-only.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(WriteFileReplacing(At(L"outside\\dir\\inner.txt"), "inner"));
    ASSERT_TRUE(CreateFolderPath(At(L"outside\\empty")));
    ASSERT_TRUE(WriteFileReplacing(At(L"data\\plain.txt"), "plain"));
    ASSERT_TRUE(CreateFolderPath(At(L"data\\plain folder")));
    struct Case {
        std::wstring link, target;
        bool isFolder;
    } cases[] = {
        {L"file link", L"outside\\file.txt", false},
        {L"read-only link", L"outside\\read-only.txt", false},
        {L"sibling link", L"data\\plain.txt", false},
        {L"folder link", L"outside\\dir", true},
        {L"empty folder link", L"outside\\empty", true},  // RemoveDirectoryW takes the target
    };
    if (folder.compare(0, 3, L"Z:\\") != 0) GTEST_SKIP() << "not under Wine's Z: drive";
    for (const Case& c : cases) {
        const std::wstring arguments =
            L"-s \"" + UnixPathOf(At(c.target)) + L"\" \"" + UnixPathOf(At(L"data\\" + c.link)) + L"\"";
        if (!StartUnixProgram(L"Z:\\bin\\ln", arguments)) GTEST_SKIP() << "no Unix programs here";
    }
    ASSERT_TRUE(WaitForEntryCount(At(L"data"), 7)) << "the links were not made";

    for (const FolderEntry& entry : ListFolder(At(L"data"), L"*")) {
        SCOPED_TRACE(std::string(entry.name.begin(), entry.name.end()));
        const bool plain = entry.name.compare(0, 5, L"plain") == 0;
        EXPECT_EQ(entry.isLink, !plain);
        if (plain) continue;
        const std::wstring path = At(L"data\\" + entry.name);
        EXPECT_FALSE(RemoveLinkPath(path, entry.isFolder));
        EXPECT_FALSE(entry.isFolder ? RemoveEmptyFolder(path) : DeleteFilePath(path));
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.link.begin(), c.link.end()));
        EXPECT_EQ(LookUpPathKind(At(c.target)), c.isFolder ? PathKind::Folder : PathKind::File);
        EXPECT_EQ(LookUpPathKind(At(L"data\\" + c.link)), c.isFolder ? PathKind::Folder : PathKind::File);
    }
    EXPECT_EQ(BytesOf(At(L"outside\\file.txt")), "keep");
    EXPECT_EQ(BytesOf(At(L"outside\\dir\\inner.txt")), "inner");
    EXPECT_EQ(BytesOf(At(L"data\\plain.txt")), "plain");
    EXPECT_TRUE(IsReadOnly(At(L"outside\\read-only.txt")));  // SetFileAttributesW clears it through the link

    // The plain entries beside the links still go.
    EXPECT_TRUE(DeleteFilePath(At(L"data\\plain.txt")));
    EXPECT_TRUE(RemoveEmptyFolder(At(L"data\\plain folder")));
    for (const Case& c : cases) StartUnixProgram(L"Z:\\bin\\rm", L"\"" + UnixPathOf(At(L"data\\" + c.link)) + L"\"");
    EXPECT_TRUE(WaitForEntryCount(At(L"data"), 0));
    SetFileAttributesW(At(L"outside\\read-only.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

}  // namespace
