// Held files, replacement through a temporary, shared appends on the real file system.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/files.h"
#include "tests/win/win_test_folder.h"

namespace {

const std::string kOld = "\xEF\xBB\xBF\r\nBkUpDir = \r\nLanguage = 1\r\n";
const std::string kNew = "\xEF\xBB\xBF\r\nBkUpDir = C:\\B\\\r\nLanguage = 2\r\nReopenLM = 1\r\n";

void SetReadOnly(const std::wstring& path, bool readOnly) {
    SetFileAttributesW(path.c_str(), readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
}

// Another program's handle on the file, with the sharing that program grants.
struct ForeignOpen {
    HANDLE handle = INVALID_HANDLE_VALUE;
    ForeignOpen(const std::wstring& path, DWORD share)
        : handle(CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr)) {}
    ~ForeignOpen() {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
    std::string ReadAll() {
        std::string bytes(4096, '\0');
        DWORD got = 0;
        SetFilePointer(handle, 0, nullptr, FILE_BEGIN);
        ReadFile(handle, &bytes[0], (DWORD)bytes.size(), &got, nullptr);
        bytes.resize(got);
        return bytes;
    }
};

class HeldFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = MakeTestFolder(L"held");
        ASSERT_FALSE(folder.empty());
        path = folder + L"\\lmbackup.prefs";
        ASSERT_TRUE(WriteFileReplacing(path, kOld));
    }
    void TearDown() override {
        SetReadOnly(path, false);
        RemoveTree(folder);
    }
    std::wstring folder, path;
};

TEST_F(HeldFileTest, FirstHolderWritesSecondOpenIsReadOnly) {
    std::string bytes;
    HeldFile writer = OpenFileForUpdate(path, bytes);
    ASSERT_NE(writer.token, 0u);
    EXPECT_TRUE(writer.writable);
    EXPECT_EQ(bytes, kOld);

    std::string seen;
    HeldFile reader = OpenFileForUpdate(path, seen);
    ASSERT_NE(reader.token, 0u);
    EXPECT_FALSE(reader.writable);
    EXPECT_EQ(seen, kOld);
    EXPECT_EQ(BytesOf(path), kOld);  // a plain read still works beside both holds

    // The read-only holder loses its change and leaves the file alone.
    EXPECT_FALSE(ReplaceHeldFile(reader, path, "lost"));
    EXPECT_EQ(reader.token, 0u);

    EXPECT_TRUE(ReplaceHeldFile(writer, path, kNew));
    EXPECT_EQ(writer.token, 0u);
    EXPECT_EQ(BytesOf(path), kNew);
    EXPECT_EQ(NamesIn(folder), std::vector<std::wstring>{L"lmbackup.prefs"});
}

TEST_F(HeldFileTest, ReaderHoldingTheOldFileKeepsItWhole) {
    std::string bytes;
    HeldFile writer = OpenFileForUpdate(path, bytes);
    ASSERT_TRUE(writer.writable);
    std::string seen;
    HeldFile reader = OpenFileForUpdate(path, seen);
    ASSERT_NE(reader.token, 0u);

    // Whether the system lets the rename pass the open reader or not, the
    // file is the old one or the new one, and no temporary stays behind.
    bool replaced = ReplaceHeldFile(writer, path, kNew);
    std::string after = BytesOf(path);
    EXPECT_EQ(after, replaced ? kNew : kOld);
    EXPECT_EQ(seen, kOld);
    ReleaseHeldFile(reader);
    EXPECT_EQ(NamesIn(folder), std::vector<std::wstring>{L"lmbackup.prefs"});
}

TEST_F(HeldFileTest, ReplaceFailingKeepsOldFileAndLeavesNoTemporary) {
    // A writable hold lets others read only, so nothing can move over it.
    std::string bytes;
    HeldFile writer = OpenFileForUpdate(path, bytes);
    ASSERT_TRUE(writer.writable);
    EXPECT_FALSE(WriteFileReplacing(path, kNew));
    ReleaseHeldFile(writer);
    EXPECT_EQ(BytesOf(path), kOld);
    EXPECT_EQ(NamesIn(folder), std::vector<std::wstring>{L"lmbackup.prefs"});

    // The temporary cannot even be made in a folder that does not exist.
    EXPECT_FALSE(WriteFileReplacing(folder + L"\\missing\\lmbackup.prefs", kNew));
    EXPECT_EQ(NamesIn(folder), std::vector<std::wstring>{L"lmbackup.prefs"});
}

TEST_F(HeldFileTest, ReadOnlyFileIsHeldReadOnlyAndNeverReplaced) {
    SetReadOnly(path, true);
    std::string bytes;
    HeldFile held = OpenFileForUpdate(path, bytes);
    ASSERT_NE(held.token, 0u);
    EXPECT_FALSE(held.writable);
    EXPECT_EQ(bytes, kOld);
    EXPECT_FALSE(ReplaceHeldFile(held, path, kNew));
    EXPECT_FALSE(WriteFileReplacing(path, kNew));
    EXPECT_EQ(BytesOf(path), kOld);
    EXPECT_EQ(NamesIn(folder), std::vector<std::wstring>{L"lmbackup.prefs"});
}

TEST_F(HeldFileTest, MissingFileIsNotOpenedNorCreated) {
    std::string bytes = "stale";
    HeldFile held = OpenFileForUpdate(folder + L"\\none.prefs", bytes);
    EXPECT_EQ(held.token, 0u);
    EXPECT_FALSE(held.writable);
    EXPECT_TRUE(bytes.empty());
    EXPECT_FALSE(ReadWholeFile(folder + L"\\none.prefs", bytes));
    EXPECT_EQ(NamesIn(folder), std::vector<std::wstring>{L"lmbackup.prefs"});
}

TEST_F(HeldFileTest, ReaderWithoutDeleteSharingMakesReplaceFailCleanly) {
    ForeignOpen notepad(path, FILE_SHARE_READ);
    ASSERT_NE(notepad.handle, INVALID_HANDLE_VALUE);
    std::string bytes;
    HeldFile held = OpenFileForUpdate(path, bytes);
    ASSERT_NE(held.token, 0u);
    EXPECT_FALSE(held.writable);  // the other program shares reading only
    ReleaseHeldFile(held);
    EXPECT_FALSE(WriteFileReplacing(path, kNew));
    EXPECT_EQ(notepad.ReadAll(), kOld);
    EXPECT_EQ(BytesOf(path), kOld);
    EXPECT_EQ(NamesIn(folder), std::vector<std::wstring>{L"lmbackup.prefs"});
}

TEST_F(HeldFileTest, ReaderWithFullSharingSeesOldBytesWhileFileIsReplaced) {
    ForeignOpen reader(path, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    ASSERT_NE(reader.handle, INVALID_HANDLE_VALUE);
    std::string bytes;
    HeldFile held = OpenFileForUpdate(path, bytes);
    ASSERT_TRUE(held.writable);
    bool replaced = ReplaceHeldFile(held, path, kNew);
    EXPECT_EQ(reader.ReadAll(), kOld);
    EXPECT_EQ(BytesOf(path), replaced ? kNew : kOld);
    EXPECT_EQ(NamesIn(folder), std::vector<std::wstring>{L"lmbackup.prefs"});
}

TEST_F(HeldFileTest, AppendCreatesAddsAtEndAndSharesWithAViewer) {
    std::wstring log = folder + L"\\Backup.log";
    EXPECT_EQ(ReadFileSize(log), -1);
    EXPECT_TRUE(AppendToSharedFile(log, "one\r\n"));
    {
        ForeignOpen viewer(log, FILE_SHARE_READ | FILE_SHARE_WRITE);
        ASSERT_NE(viewer.handle, INVALID_HANDLE_VALUE);
        EXPECT_TRUE(AppendToSharedFile(log, "zwei \xC3\xBC\r\n"));
        EXPECT_EQ(viewer.ReadAll(), "one\r\nzwei \xC3\xBC\r\n");
    }
    EXPECT_TRUE(AppendToSharedFile(log, ""));
    EXPECT_EQ(BytesOf(log), "one\r\nzwei \xC3\xBC\r\n");

    // A settings-style hold lets others read only: the line is refused, nothing half-written.
    std::string bytes;
    HeldFile writer = OpenFileForUpdate(log, bytes);
    ASSERT_TRUE(writer.writable);
    EXPECT_FALSE(AppendToSharedFile(log, "three\r\n"));
    ReleaseHeldFile(writer);
    EXPECT_EQ(BytesOf(log), "one\r\nzwei \xC3\xBC\r\n");
}

}  // namespace
