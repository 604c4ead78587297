// The log file itself: created by the first line, appended to after whatever it holds.
#include "engine/report/backup_log.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_platform.h"

namespace {

class BackupLogFileTest : public ::testing::Test {
protected:
    void SetUp() override { ResetFakePlatform(); }
};

TEST_F(BackupLogFileTest, FirstLineCreatesLaterLinesAppend) {
    EXPECT_FALSE(BackupLogExists());
    AppendLogLine(kLogBaseName, L"No backup path defined.");
    EXPECT_TRUE(BackupLogExists());
    SetFakeLocalTime({2027, 2, 3, 4, 5, 6});
    AppendLogLine(kLogBaseName, L"Restore Successful.");
    EXPECT_EQ(FakeFileBytes(L"C:\\work\\Backup.log"),
              "No backup path defined. 12/07/2026 15:35:01\r\nRestore Successful. 02/03/2027 04:05:06\r\n");
}

TEST_F(BackupLogFileTest, AppendsAfterForeignBytes) {
    const std::string earlier = "\xEF\xBB\xBFwritten by someone else";
    SetFakeFile(L"C:\\work\\backup.log", earlier);
    AppendLogLine(kLogBaseName, L"Restore Successful.");
    EXPECT_EQ(FakeFileBytes(L"C:\\work\\Backup.log"), earlier + "Restore Successful. 12/07/2026 15:35:01\r\n");
}

TEST_F(BackupLogFileTest, ALogElsewhereIsNotSeen) {
    SetFakeFile(L"D:\\elsewhere\\Backup.log", "x");
    EXPECT_FALSE(BackupLogExists());
    SetFakeFile(L"C:\\work\\Backup.log", "");
    EXPECT_TRUE(BackupLogExists());  // an empty log still opens in the viewer
}

TEST_F(BackupLogFileTest, UnwritableLogLosesTheLineQuietly) {
    SetFakeDiskFull(true);
    AppendLogLine(kLogBaseName, L"Restore Successful.");
    EXPECT_FALSE(FakeFileExists(L"C:\\work\\Backup.log"));
}

}  // namespace
