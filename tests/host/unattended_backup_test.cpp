// The unattended backup over the fake platform: order of steps, exact command
// lines, log lines, exit codes and the day's archive after each failure.
#include "engine/backup/unattended_backup.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/fake/fake_platform.h"
#include "platform/files.h"
#include "platform/text.h"
#include "tests/unit/seven_zip_bytes.h"

namespace {

const std::wstring kLog = L"C:\\work\\Backup.log";
const std::wstring kFolder = L"D:\\Backups\\";
const std::wstring kArchive = kFolder + L"LarkmailBackup_PC1_anna_20261207.7z";
const std::wstring kTemp = kArchive + L".4242.tmp";
const std::wstring kData = L"C:\\Users\\anna\\AppData\\Local\\Larkmail";
const std::wstring kTaskkill = L"\"taskkill\" /f /im larkmail.exe";
const std::wstring kSevenZip =
    L"\"C:\\work\\7z.exe\" a -mmt -mx=5 -slp -y -bsp1 D:\\Backups\\LarkmailBackup_PC1_anna_20261207.7z.4242.tmp "
    L"C:\\Users\\anna\\Appdata\\Local\\Larkmail";
const std::wstring kTest = L"\"C:\\work\\7z.exe\" t -bsp1 D:\\Backups\\LarkmailBackup_PC1_anna_20261207.7z.4242.tmp";
const std::wstring kRestart = L"\"larkmail.exe\" ";
const std::string kStamp = " 12/07/2026 15:35:01\r\n";
const std::wstring kRecord = L"C:\\work\\lmbackup.last";

std::string RecordBytes(const std::string& result, const std::string& reason, const std::string& code = "",
                        const std::string& detail = "", std::size_t size = 0, bool encrypted = false) {
    return "\xEF\xBB\xBF\r\nWhen = 2026-12-07 15:35:01\r\nResult = " + result + "\r\nReason = " + reason +
           "\r\nCode = " + code + "\r\nDetail = " + detail + "\r\nArchive = LarkmailBackup_PC1_anna_20261207.7z\r\nSize = " + std::to_string(size) + "\r\nSeen = 0\r\n" +
           (encrypted ? "Encrypted = 1\r\n" : "") + (result == "saved" ? "LastGood = 2026-12-07 15:35:01\r\n" : "");
}

// The failed run's own tray icon: the tip, the balloon, 15 s of waiting, gone before the run returns.
void ExpectFailureNotice(const std::string& reason, const std::string& code, const std::string& detail = "") {
    EXPECT_EQ(FakeFileBytes(kRecord), RecordBytes("failed", reason, code, detail));
    EXPECT_EQ(FakeTrayLog(), (std::vector<std::wstring>{
                                 L"notice window", L"add icon 0 image 54",
                                 L"tip icon 0: Larkmail Backup - last backup 12/07 15:35 FAILED",
                                 L"error balloon icon 0, 15000 ms: Larkmail Backup | " +
                                     std::wstring(reason.begin(), reason.end()),
                                 L"remove icon 0"}));
    EXPECT_EQ(FakeWaitTimeouts(), std::vector<std::uint32_t>({15000}));
    EXPECT_FALSE(FakeWindowState().open);
    EXPECT_FALSE(FakeWindowState().trayIcon);
}

void WriteSettings(const std::string& bkUpDir, int reopen, const std::string& extra = "") {
    SetFakeFile(L"C:\\work\\lmbackup.prefs", "\xEF\xBB\xBF\r\nBkUpDir = " + bkUpDir +
                                                 "\r\nCloseToTray = 0\r\nCompression = 5\r\nOpenToTray = 0\r\n"
                                                 "ReopenLM = " + std::to_string(reopen) +
                                                 "\r\nStayOnTop = 0\r\nLanguage = 1\r\n" + extra);
}

void ScriptSevenZip(long exitCode, bool writesTemp, int polls = 5) {
    FakeProgramScript script;
    script.exitCode = exitCode;
    script.pollsWhileRunning = polls;
    if (writesTemp) script.onStart = [] { SetFakeFile(kTemp, FinishedArchiveBytes()); };
    if (!writesTemp && exitCode == 0) script.onStart = [] { SetFakeFile(kTemp, UnfinishedArchiveBytes()); };
    ScriptFakeProgram(L"\"C:\\work\\7z.exe\"", script);
}

// taskkill ends every larkmail.exe unless told otherwise.
void ScriptTaskkill(bool clientDies) {
    FakeProgramScript script;
    if (clientDies) script.onStart = [] { SetFakeProcesses({}); };
    ScriptFakeProgram(L"\"taskkill\"", script);
}

std::vector<std::wstring> StartedCommandLines() {
    std::vector<std::wstring> lines;
    for (const FakeStart& start : FakeStarts()) lines.push_back(start.commandLine);
    return lines;
}

class UnattendedBackupTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetFakePlatform();
        ResetFakeWindow();
        SetFakeLocaleName(L"English (United States)");
        SetFakeEnvironment(L"COMPUTERNAME", L"PC1");
        SetFakeEnvironment(L"USERNAME", L"anna");
        SetFakeEnvironment(L"USERPROFILE", L"C:\\Users\\anna");
        SetFakeFolder(kData);
        SetFakeFile(kData + L"\\Mail\\inbox.db", "mail");
        SetFakeFolder(kFolder);
        SetFakeFile(kArchive, "EARLIER");
        WriteSettings("D:\\Backups\\", 1);
        SetFakeWindows({{11, L"Larkmail - Inbox"}});
        SetFakeProcesses({{4312, L"C:\\Program Files\\Larkmail\\larkmail.exe"}});
        ScriptTaskkill(true);
    }
};

TEST_F(UnattendedBackupTest, EndsClientBacksUpLogsAndRestarts) {
    ScriptSevenZip(0, true);
    EXPECT_EQ(RunUnattendedBackup(), 0);
    EXPECT_EQ(StartedCommandLines(), (std::vector<std::wstring>{kTaskkill, kSevenZip, kTest, kRestart}));
    const std::vector<FakeStart> starts = FakeStarts();
    EXPECT_TRUE(starts[0].options.wait);
    EXPECT_TRUE(starts[0].options.hidden);
    EXPECT_TRUE(starts[1].options.hidden);
    EXPECT_TRUE(starts[2].options.hidden);
    EXPECT_FALSE(starts[3].options.hidden);
    EXPECT_EQ(FakeFileBytes(kArchive), FinishedArchiveBytes());
    EXPECT_FALSE(FakeFileExists(kTemp));
    EXPECT_EQ(FakeFileBytes(kLog), "Database backup successfully saved to \"D:\\Backups\\\"" + kStamp);
    EXPECT_TRUE(FakeBoxes().empty());
    EXPECT_EQ(FakeFileBytes(kRecord), RecordBytes("saved", "Database backup successfully saved to \"D:\\Backups\\\"", "",
                                                  "", FinishedArchiveBytes().size()));
    EXPECT_TRUE(FakeTrayLog().empty());  // success is silent
    EXPECT_TRUE(FakeWaitTimeouts().empty());
}

// USB disk unplugged: the backup counts, the night ends with its own code and says since when the
// copy is behind; a failed night keeps that date; the next good night copies everything pending.
TEST_F(UnattendedBackupTest, ASecondCopyThatCannotBeReachedIsPendingUntilANightReachesIt) {
    const std::wstring copy = L"E:\\Copy\\";
    const std::wstring older = L"LarkmailBackup_PC1_anna_20261206.7z";
    SetFakeFile(kFolder + older, "FULL OF YESTERDAY");
    WriteSettings("D:\\Backups\\", 0, "CopyDir = E:\\Copy\r\n");
    const std::string saved = "Database backup successfully saved to \"D:\\Backups\\\"";
    const std::string pending = "Second copy pending since 12/07/2026. The second folder cannot be reached: E:\\Copy\\";
    const std::string copyLines =
        "CopyPendingSince = 2026-12-07 15:35:01\r\nCopyCode = LogSecondCopyUnreachable\r\nCopyDetail = E:\\Copy\\\r\n";
    const std::string failed = "Backup failed, 7-Zip ended with exit code 2. The earlier archive was kept.";
    FakeProgramScript copyTest;  // the copies' test writes nothing into the backup folder
    const struct {
        long sevenZip;
        bool reachable;
        int exitCode;
        std::string log, record;
    } nights[] = {
        {0, false, kUnattendedCopyPending, saved + kStamp + pending + kStamp,
         RecordBytes("saved", saved, "", "", FinishedArchiveBytes().size()) + copyLines},
        // The failure keeps the first night as the last good backup.
        {2, false, kUnattendedToolFailed, failed + kStamp,
         RecordBytes("failed", failed, "LogToolFailed", "2") + "LastGood = 2026-12-07 15:35:01\r\n" + copyLines},
        {0, true, kUnattendedSuccess, saved + kStamp + "Archives copied to the second folder: 2" + kStamp,
         RecordBytes("saved", saved, "", "", FinishedArchiveBytes().size())},
    };
    for (const auto& night : nights) {
        ResetFakeWindow();
        SetFakeFile(kLog, "");
        SetFakeProcesses({{4312, L"C:\\Program Files\\Larkmail\\larkmail.exe"}});
        if (night.reachable) SetFakeFolder(copy);
        ScriptSevenZip(night.sevenZip, true);
        ScriptFakeProgram(L"\"C:\\work\\7z.exe\" t -bsp1 E:\\", copyTest);
        EXPECT_EQ(RunUnattendedBackup(), night.exitCode);
        EXPECT_EQ(FakeFileBytes(kLog), night.log);
        EXPECT_EQ(FakeFileBytes(kRecord), night.record);
    }
    EXPECT_EQ(FakeFileBytes(copy + older), "FULL OF YESTERDAY");
    EXPECT_EQ(FakeFileBytes(copy + L"LarkmailBackup_PC1_anna_20261207.7z"), FinishedArchiveBytes());
    EXPECT_FALSE(FakeFileExists(kTemp));
}

TEST_F(UnattendedBackupTest, APendingCopyShowsItsBalloonWithTheDayItFellBehind) {
    WriteSettings("D:\\Backups\\", 0, "CopyDir = \\\\nas\\gone\\\r\n");
    ScriptSevenZip(0, true);
    EXPECT_EQ(RunUnattendedBackup(), kUnattendedCopyPending);
    EXPECT_EQ(FakeTrayLog(), (std::vector<std::wstring>{
                                 L"notice window", L"add icon 0 image 54",
                                 L"tip icon 0: Larkmail Backup - second copy pending since 12/07",
                                 L"error balloon icon 0, 15000 ms: Larkmail Backup | Second copy pending since "
                                 L"12/07/2026. The second folder cannot be reached: \\\\nas\\gone\\",
                                 L"remove icon 0"}));
    EXPECT_EQ(FakeFileBytes(kArchive), FinishedArchiveBytes());
}

// taskkill runs only for a larkmail.exe with a window titled so; our own window is no client.
TEST_F(UnattendedBackupTest, NoClientNoTaskkillNoRestartWhenReopenIsOff) {
    const struct {
        const char* what;
        std::vector<TopLevelWindow> windows;
        std::vector<ProcessEntry> processes;
    } cases[] = {
        {"client without its window", {{3, L"Untitled - Notepad"}}, {{4312, L"C:\\Program Files\\Larkmail\\larkmail.exe"}}},
        {"only our own window", {{5, L"Larkmail Backup"}}, {{77, L"C:\\Tools\\LarkmailBackup.exe"}}},
    };
    for (const auto& c : cases) {
        SetUp();
        SetFakeWindows(c.windows);
        SetFakeProcesses(c.processes);
        WriteSettings("D:\\Backups\\", 0, "VerifyBackup = 0\r\n");
        ScriptSevenZip(0, true);
        EXPECT_EQ(RunUnattendedBackup(), 0) << c.what;
        EXPECT_EQ(StartedCommandLines(), (std::vector<std::wstring>{kSevenZip})) << c.what;  // and no test
    }
}

TEST_F(UnattendedBackupTest, AnArchiveThatFailsItsTestNeverReplacesTheEarlierOne) {
    struct Case {
        bool testStarts;
        long testExit;
        std::string log;
    };
    const Case cases[] = {
        {true, 2, "Backup failed, the new archive failed its test (7-Zip exit code 2). The earlier archive was kept."},
        {false, 0, "Backup failed, the new archive could not be tested: 7-Zip could not be started. The earlier "
                   "archive was kept."},
    };
    for (const Case& c : cases) {
        SetUp();
        ScriptSevenZip(0, true);
        FakeProgramScript test;
        test.starts = c.testStarts;
        test.exitCode = c.testExit;
        ScriptFakeProgram(L"\"C:\\work\\7z.exe\" t -bsp1 ", test);
        EXPECT_EQ(RunUnattendedBackup(), kUnattendedTestFailed);
        EXPECT_EQ(FakeFileBytes(kLog), c.log + kStamp);
        EXPECT_EQ(FakeFileBytes(kArchive), "EARLIER");
        EXPECT_FALSE(FakeFileExists(kTemp));
        EXPECT_EQ(StartedCommandLines(), (std::vector<std::wstring>{kTaskkill, kSevenZip, kTest, kRestart}));
    }
}

// After a good night one older archive is tested again, the client already back; one that fails is reported
// like a failure (log line, record, balloon) and kept, and the record beside the archives says what was proven.
TEST_F(UnattendedBackupTest, ANightProvesOneOlderArchiveAndReportsOneThatFails) {
    const std::wstring full = kFolder + L"LarkmailBackup_PC1_anna_20261201.7z";
    const std::wstring diff = kFolder + L"LarkmailBackup_PC1_anna_20261203_diff_20261201.7z";
    const std::wstring proofs = kFolder + L"LarkmailBackup.proofs";
    const std::wstring testFull = L"\"C:\\work\\7z.exe\" t -bsp1 " + full;
    const std::string tested = "Tested = 2026-12-07 15:35:01\r\nResult = ";
    const std::string failed = "The older archive D:\\Backups\\LarkmailBackup_PC1_anna_20261201.7z failed its test. "
                               "It was kept.";
    const std::string lost = "The differential archives made against it cannot be restored either: "
                             "D:\\Backups\\LarkmailBackup_PC1_anna_20261203_diff_20261201.7z";
    for (const long olderExit : {0L, 2L}) {
        SetUp();
        SetFakeFile(full, "FULL");
        SetFakeFile(diff, "DIFF");
        // The differential was proven before, the full never: the full goes first. An archive gone since is forgotten.
        SetFakeFile(proofs, "\xEF\xBB\xBF\r\n[LarkmailBackup_PC1_anna_20261203_diff_20261201.7z]\r\n"
                            "Tested = 2026-12-04 02:00:00\r\nResult = passed\r\n"
                            "[LarkmailBackup_PC1_anna_20261111.7z]\r\nLacking = 3\r\n");
        ScriptSevenZip(0, true);
        FakeProgramScript older;
        older.exitCode = olderExit;
        ScriptFakeProgram(testFull, older);
        EXPECT_EQ(RunUnattendedBackup(), 0) << olderExit;
        EXPECT_EQ(StartedCommandLines(), (std::vector<std::wstring>{kTaskkill, kSevenZip, kTest, kRestart, testFull}))
            << olderExit;
        EXPECT_EQ(FakeFileBytes(full), "FULL") << olderExit;
        EXPECT_EQ(FakeFileBytes(proofs),
                  "\xEF\xBB\xBF\r\n[LarkmailBackup_PC1_anna_20261203_diff_20261201.7z]\r\n"
                  "Tested = 2026-12-04 02:00:00\r\nResult = passed\r\n[LarkmailBackup_PC1_anna_20261207.7z]\r\n" +
                      tested + "passed\r\n[LarkmailBackup_PC1_anna_20261201.7z]\r\n" + tested +
                      (olderExit ? "failed\r\n" : "passed\r\n"))
            << olderExit;
        const std::string saved = "Database backup successfully saved to \"D:\\Backups\\\"";
        const std::string record = RecordBytes("saved", saved, "", "", FinishedArchiveBytes().size());
        if (olderExit == 0) {
            EXPECT_EQ(FakeFileBytes(kLog), saved + kStamp);
            EXPECT_EQ(FakeFileBytes(kRecord), record);
            EXPECT_TRUE(FakeTrayLog().empty());
            continue;
        }
        EXPECT_EQ(FakeFileBytes(kLog), saved + kStamp + failed + kStamp + lost + kStamp);
        EXPECT_EQ(FakeFileBytes(kRecord),
                  record + "Note1 = LogProofFailed|D:\\Backups\\LarkmailBackup_PC1_anna_20261201.7z\r\n"
                           "Note2 = LogDiffsLost|D:\\Backups\\LarkmailBackup_PC1_anna_20261203_diff_20261201.7z\r\n");
        EXPECT_EQ(FakeTrayLog(), (std::vector<std::wstring>{
                                     L"notice window", L"add icon 0 image 54",
                                     L"tip icon 0: Larkmail Backup - last backup 12/07 15:35 OK (full)",
                                     L"error balloon icon 0, 15000 ms: Larkmail Backup | " +
                                         WideFromUtf8(failed + " " + lost),
                                     L"remove icon 0"}));
    }
}

// A night after a long gap logs how long it was, by the schedule the window stored with the task.
TEST_F(UnattendedBackupTest, AfterALongGapTheLogSaysHowLong) {
    struct Case {
        const char* what;
        std::string schedule;  // TaskSchedule in the settings
        std::string lastGood;  // in the record
        std::string line;      // the log's first line, before the outcome's
    };
    const Case cases[] = {
        {"daily, three days", "Daily", "2026-12-04 15:35:00",
         "The last good backup was 3 days ago (12/04/2026 15:35:00)."},
        {"daily, one night missed", "Daily", "2026-12-05 16:00:00", ""},
        {"no task, five days", "", "2026-12-02 15:35:00", ""},
        {"no task, ten days", "", "2026-11-27 02:00:00", "The last good backup was 10 days ago (11/27/2026 02:00:00)."},
        {"no good backup known", "Daily", "", ""},
    };
    for (const Case& c : cases) {
        SetUp();
        WriteSettings("D:\\Backups\\", 0, c.schedule.empty() ? "" : "TaskSchedule = " + c.schedule + "\r\n");
        SetFakeFile(kRecord, RecordBytes("failed", "Backup failed, 7-Zip could not be started.", "LogToolMissing") +
                                 (c.lastGood.empty() ? "" : "LastGood = " + c.lastGood + "\r\n"));
        ScriptSevenZip(0, true);
        EXPECT_EQ(RunUnattendedBackup(), 0) << c.what;
        const std::string saved = "Database backup successfully saved to \"D:\\Backups\\\"" + kStamp;
        EXPECT_EQ(FakeFileBytes(kLog), (c.line.empty() ? "" : c.line + kStamp) + saved) << c.what;
    }
}

// A clock set back and a damaged full are told where the night is seen: the
// log, the record (its notes), and a balloon for what cannot wait.
TEST_F(UnattendedBackupTest, AClockSetBackOrADamagedFullIsToldAndNothingNeededIsReplaced) {
    const std::wstring later = kFolder + L"LarkmailBackup_PC1_anna_20261209_diff_20261207.7z";
    const std::wstring full = kFolder + L"LarkmailBackup_PC1_anna_20261201.7z";
    const std::wstring lost = kFolder + L"LarkmailBackup_PC1_anna_20261203_diff_20261201.7z";
    const std::string success = "Database backup successfully saved to \"D:\\Backups\\\"";
    const std::string needed =
        "Backup failed, the computer's date is earlier than that of the archive "
        "D:\\Backups\\LarkmailBackup_PC1_anna_20261209_diff_20261207.7z, which was made against today's full "
        "archive: that full was kept as it is. Check the computer's clock.";
    const std::string damaged = "The full archive D:\\Backups\\LarkmailBackup_PC1_anna_20261201.7z failed its test: it "
                                "is damaged and cannot be restored.";
    const std::string diffsLost = "The differential archives made against it cannot be restored either: "
                                  "D:\\Backups\\LarkmailBackup_PC1_anna_20261203_diff_20261201.7z";
    const std::string behind = "The computer's date is earlier than that of the archive "
                               "D:\\Backups\\LarkmailBackup_PC1_anna_20261209_diff_20261207.7z; archives dated after "
                               "today are kept as they are. Check the computer's clock.";
    struct Case {
        const char* what;
        std::vector<std::wstring> files;  // beside today's full ("EARLIER")
        bool todaysFull;
        int exit;
        std::string log, notes;  // notes: the record's Note lines
        bool balloon;
    };
    const Case cases[] = {
        {"today's full is needed later", {later}, true, kUnattendedFullNeededLater, needed + kStamp, "", true},
        // Its full is gone: tonight's full replaces nothing (its mark tells the two apart).
        {"a later differential, its full gone", {later}, false, 0,
         behind + kStamp + "No full archive in D:\\Backups\\ to build on: this backup is a full archive." + kStamp +
             success + kStamp,
         "Note1 = LogClockBehind|D:\\Backups\\LarkmailBackup_PC1_anna_20261209_diff_20261207.7z\r\n", false},
        {"the full to build on is damaged", {full, lost}, false, 0,
         "The full archive D:\\Backups\\LarkmailBackup_PC1_anna_20261201.7z failed its test: this backup is a full "
         "archive." + kStamp + diffsLost + kStamp + success + kStamp,
         "Note1 = LogFullDamaged|D:\\Backups\\LarkmailBackup_PC1_anna_20261201.7z\r\n"
         "Note2 = LogDiffsLost|D:\\Backups\\LarkmailBackup_PC1_anna_20261203_diff_20261201.7z\r\n", true},
    };
    for (const Case& c : cases) {
        SetUp();
        WriteSettings("D:\\Backups\\", 1, "FullEvery = 7\r\n");
        if (!c.todaysFull) DeleteFilePath(kArchive);
        for (const std::wstring& file : c.files) SetFakeFile(file, file == full ? FinishedArchiveBytes() : "KEPT");
        ScriptSevenZip(0, true);
        FakeProgramScript fails;
        fails.exitCode = 2;
        ScriptFakeProgram(L"\"C:\\work\\7z.exe\" t -bsp1 " + full, fails);
        EXPECT_EQ(RunUnattendedBackup(), c.exit) << c.what;
        EXPECT_EQ(FakeFileBytes(kLog), c.log) << c.what;
        for (const std::wstring& file : c.files)
            EXPECT_EQ(FakeFileBytes(file), file == full ? FinishedArchiveBytes() : "KEPT") << c.what;
        if (c.exit == kUnattendedFullNeededLater) {
            // Refused before the client is ended: nothing at all was touched.
            EXPECT_TRUE(FakeStarts().empty()) << c.what;
            EXPECT_EQ(FakeFileBytes(kArchive), "EARLIER") << c.what;
            ExpectFailureNotice(needed, "LogFullNeededLater", "D:\\Backups\\LarkmailBackup_PC1_anna_20261209_diff_20261207.7z");
            continue;
        }
        EXPECT_EQ(FakeFileBytes(kArchive), FinishedArchiveBytes()) << c.what;
        EXPECT_EQ(FakeFileBytes(kRecord), RecordBytes("saved", success, "", "", FinishedArchiveBytes().size()) + c.notes)
            << c.what;
        const std::vector<std::wstring> notice = {
            L"notice window", L"add icon 0 image 54", L"tip icon 0: Larkmail Backup - last backup 12/07 15:35 OK (full)",
            L"error balloon icon 0, 15000 ms: Larkmail Backup | " + WideFromUtf8(damaged + " " + diffsLost),
            L"remove icon 0"};
        EXPECT_EQ(FakeTrayLog(), c.balloon ? notice : std::vector<std::wstring>()) << c.what;
    }
}

TEST_F(UnattendedBackupTest, KeepDaysRemovesOldArchivesAfterASuccessOnly) {
    const std::wstring old = kFolder + L"LarkmailBackup_PC1_anna_20261120.7z";
    for (long exitCode : {2L, 0L}) {
        SetUp();
        WriteSettings("D:\\Backups\\", 0, "KeepDays = 3\r\n");
        SetFakeFile(old, "OLD");
        // Yesterday's, within KeepDays: no gap that would keep every archive for the date.
        SetFakeFile(kFolder + L"LarkmailBackup_PC1_anna_20261206.7z", "RECENT");
        ScriptSevenZip(exitCode, true);
        RunUnattendedBackup();
        EXPECT_EQ(FakeFileExists(old), exitCode != 0) << exitCode;
    }
    EXPECT_EQ(FakeFileBytes(kLog),
              "Database backup successfully saved to \"D:\\Backups\\\"" + kStamp + "Old archives removed: 1" + kStamp);
}

TEST_F(UnattendedBackupTest, FailuresLogTheirLineKeepTheArchiveAndExitNonZero) {
    struct Case {
        const char* what;
        long exitCode;
        bool writesTemp;
        int processExit;
        std::string log;
        std::string code, detail;  // the record's, that a window turns into its own language
        int polls = 5;
    };
    const Case cases[] = {
        {"exit 1", 1, true, kUnattendedToolWarning,
         "Backup failed, 7-Zip could not read some files (exit code 1). The earlier archive was kept.", "LogWarning", "1"},
        {"exit 2", 2, true, kUnattendedToolFailed,
         "Backup failed, 7-Zip ended with exit code 2. The earlier archive was kept.", "LogToolFailed", "2"},
        {"killed", 255, true, kUnattendedToolFailed,
         "Backup failed, 7-Zip ended with exit code 255. The earlier archive was kept.", "LogToolFailed", "255"},
        {"killed, exit 0", 0, false, kUnattendedNoArchive, "Backup failed, 7-Zip wrote no archive (exit code 0).",
         "LogNoArchive", "0"},
        // Never ends by itself: without a window the wait on its handle is bounded too.
        {"hangs", 0, false, kUnattendedToolHung,
         "Backup failed, 7-Zip made no progress for 30 minutes and was ended. The earlier archive was kept.", "LogToolHung", "", 10000000},
    };
    for (const Case& c : cases) {
        SetUp();
        ScriptSevenZip(c.exitCode, c.writesTemp, c.polls);
        EXPECT_EQ(RunUnattendedBackup(), c.processExit) << c.what;
        EXPECT_EQ(FakeFileBytes(kLog), c.log + kStamp) << c.what;
        ExpectFailureNotice(c.log, c.code, c.detail);
        EXPECT_EQ(FakeFileBytes(kArchive), "EARLIER") << c.what;
        EXPECT_FALSE(FakeFileExists(kTemp)) << c.what;
        // The client was ended for the backup, so it comes back either way.
        EXPECT_EQ(StartedCommandLines(), (std::vector<std::wstring>{kTaskkill, kSevenZip, kRestart})) << c.what;  // no test
    }
}

// The password reaches 7-Zip on standard input only, for packing and for the
// test; a stored value that cannot be unsealed, or a settings file that
// cannot be read, stops the run before the client is ended and before 7-Zip,
// so no unencrypted archive ever stands in for an encrypted one.
TEST_F(UnattendedBackupTest, StoredPasswordGoesToStandardInputOrStopsTheRun) {
    const std::wstring kSevenZipEncrypted =
        L"\"C:\\work\\7z.exe\" a -mmt -mx=5 -slp -y -bsp1 -p -mhe=on -sccUTF-8 "
        L"D:\\Backups\\LarkmailBackup_PC1_anna_20261207.7z.4242.tmp C:\\Users\\anna\\Appdata\\Local\\Larkmail";
    const std::wstring kTestEncrypted =
        L"\"C:\\work\\7z.exe\" t -bsp1 -sccUTF-8 D:\\Backups\\LarkmailBackup_PC1_anna_20261207.7z.4242.tmp";
    const std::string unreadable =
        "Backup failed, the stored archive password cannot be opened by this Windows user account. No archive was "
        "written; enter the password again in the program's window.";
    const std::string noSettings =
        "Backup failed, the settings file could not be read, so it is not known whether backups are to be "
        "encrypted. No archive was written.";
    struct Case {
        const char* what;
        std::string value;  // ArchivePassword
        bool sealingFails;
        int exit;
        std::string input;  // each 7-Zip run's standard input
        bool settingsHeld = false;  // another program holds the settings file without sharing
        std::string refusal{}, code{};
    };
    const Case cases[] = {
        {"ascii", "ZmFrZS1zZWFsZWQ6O1o4Wg==", false, 0, "ab\r\nab\r\nab\r\n"},
        {"cyrillic", "ZmFrZS1zZWFsZWQ6ZV5qXhpeZF5hXhZe", false, 0,
         "\xD0\xBF\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C\r\n\xD0\xBF\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C\r\n"
         "\xD0\xBF\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C\r\n"},
        {"empty: as without", "", false, 0, ""},
        {"not base64", "ZmFrZS1zZWFsZWQ6O1o4Wg", false, kUnattendedNoPassword, "", false, unreadable,
         "LogPasswordUnreadable"},
        {"another user", "ZmFrZS1zZWFsZWQ6O1o4Wg==", true, kUnattendedNoPassword, "", false, unreadable,
         "LogPasswordUnreadable"},
        {"settings file held", "ZmFrZS1zZWFsZWQ6O1o4Wg==", false, kUnattendedNoPassword, "", true, noSettings,
         "LogSettingsUnreadable"},
    };
    for (const Case& c : cases) {
        SetUp();
        WriteSettings("D:\\Backups\\", 0, "ArchivePassword = " + c.value + "\r\n");
        // A refused run finds the client running and must leave it so.
        if (c.exit == 0) SetFakeWindows({});
        SetFakeUnreadable(L"C:\\work\\lmbackup.prefs", c.settingsHeld);
        SetFakeSecretsFail(c.sealingFails);
        ScriptSevenZip(0, true);
        EXPECT_EQ(RunUnattendedBackup(), c.exit) << c.what;
        SetFakeSecretsFail(false);
        if (c.exit == kUnattendedNoPassword) {
            EXPECT_TRUE(FakeStarts().empty()) << c.what;  // no taskkill, no 7-Zip, no restart
            EXPECT_EQ(FakeFileBytes(kLog), c.refusal + kStamp) << c.what;
            ExpectFailureNotice(c.refusal, c.code);
            EXPECT_EQ(FakeFileBytes(kArchive), "EARLIER") << c.what;
            continue;
        }
        const bool encrypted = !c.input.empty();
        EXPECT_EQ(StartedCommandLines(), (std::vector<std::wstring>{encrypted ? kSevenZipEncrypted : kSevenZip,
                                                                    encrypted ? kTestEncrypted : kTest}))
            << c.what;
        for (const FakeStart& start : FakeStarts()) EXPECT_EQ(start.options.standardInput, c.input) << c.what;
        EXPECT_EQ(FakeFileBytes(kArchive), FinishedArchiveBytes()) << c.what;
        EXPECT_EQ(FakeFileBytes(kRecord),
                  RecordBytes("saved", "Database backup successfully saved to \"D:\\Backups\\\"", "", "",
                              FinishedArchiveBytes().size(), encrypted))
            << c.what;
        // Neither the text nor its UTF-8 in the log or the record.
        for (const std::wstring& file : {kLog, kRecord})
            for (const char* secret : {"ab\r", "\xD0\xBF\xD0\xB0"})
                EXPECT_EQ(FakeFileBytes(file).find(secret), std::string::npos) << c.what;
    }
}

// One backup or restore at a time per backup folder: the run waits for
// another's lock and then goes on; one that waited its time changes nothing,
// the client included, and fails with its own reason.
TEST_F(UnattendedBackupTest, AnotherRunsLockIsWaitedForThenTheRunGoesOnOrFailsWithItsReason) {
    const std::wstring lock = kFolder + L"LarkmailBackup.lock";
    const std::string busy =
        "Backup failed, another backup or restore kept using the backup folder: D:\\Backups\\. Nothing was changed.";
    struct Case {
        const char* what;
        std::uint32_t heldMs;  // by another run; 0: free
        int exit;
        std::uint32_t waitedMs;
    };
    const Case cases[] = {
        {"free", 0, 0, 0},
        {"held for 90 s", 90000, 0, 90000},
        {"held past the bound", kWaitForever, kUnattendedFolderBusy, 30 * 60 * 1000},
    };
    for (const Case& c : cases) {
        SetUp();
        if (c.heldMs != 0) HoldFakeFileLock(lock, c.heldMs);
        bool lockedWhilePacking = false;
        FakeProgramScript pack;
        pack.onStart = [&lockedWhilePacking, lock] {
            SetFakeFile(kTemp, FinishedArchiveBytes());
            lockedWhilePacking = FakeFileExists(lock);
        };
        ScriptFakeProgram(L"\"C:\\work\\7z.exe\" a ", pack);
        EXPECT_EQ(RunUnattendedBackup(), c.exit) << c.what;
        EXPECT_EQ(FakePausedMilliseconds(), c.waitedMs) << c.what;  // in steps of a second, no spin
        EXPECT_FALSE(FakeFileExists(lock)) << c.what;
        if (c.exit == 0) {
            EXPECT_TRUE(lockedWhilePacking) << c.what;
            EXPECT_EQ(StartedCommandLines(), (std::vector<std::wstring>{kTaskkill, kSevenZip, kTest, kRestart}))
                << c.what;
            EXPECT_EQ(FakeFileBytes(kArchive), FinishedArchiveBytes()) << c.what;
            continue;
        }
        EXPECT_TRUE(StartedCommandLines().empty()) << c.what;
        EXPECT_EQ(FakeFileBytes(kLog), busy + kStamp) << c.what;
        ExpectFailureNotice(busy, "LogFolderBusy", "D:\\Backups\\");
        EXPECT_EQ(FakeFileBytes(kArchive), "EARLIER") << c.what;
    }
}

TEST_F(UnattendedBackupTest, SevenZipThatCannotStart) {
    FakeProgramScript script;
    script.starts = false;
    ScriptFakeProgram(L"\"C:\\work\\7z.exe\"", script);
    EXPECT_EQ(RunUnattendedBackup(), kUnattendedToolMissing);
    EXPECT_EQ(FakeFileBytes(kLog), "Backup failed, 7-Zip could not be started." + kStamp);
    ExpectFailureNotice("Backup failed, 7-Zip could not be started.", "LogToolMissing");
    EXPECT_EQ(FakeFileBytes(kArchive), "EARLIER");
}

TEST_F(UnattendedBackupTest, MissingDataFolderRunsNoSevenZip) {
    ResetFakePlatform();
    SetFakeLocaleName(L"English (United States)");
    SetFakeEnvironment(L"COMPUTERNAME", L"PC1");
    SetFakeEnvironment(L"USERNAME", L"anna");
    SetFakeEnvironment(L"USERPROFILE", L"C:\\Users\\anna");
    SetFakeFile(kArchive, "EARLIER");
    WriteSettings("D:\\Backups\\", 0);
    EXPECT_EQ(RunUnattendedBackup(), kUnattendedNoDataFolder);
    EXPECT_TRUE(FakeStarts().empty());
    EXPECT_EQ(FakeFileBytes(kLog),
              "Backup failed, Larkmail data folder not found: C:\\Users\\anna\\Appdata\\Local\\Larkmail" + kStamp);
    ExpectFailureNotice("Backup failed, Larkmail data folder not found: C:\\Users\\anna\\Appdata\\Local\\Larkmail",
                        "LogNoDataFolder", "C:\\Users\\anna\\Appdata\\Local\\Larkmail");
    EXPECT_EQ(FakeFileBytes(kArchive), "EARLIER");
}

TEST_F(UnattendedBackupTest, ClientThatSurvivesTaskkillMeansNoBackup) {
    ScriptTaskkill(false);
    ScriptSevenZip(0, true);
    EXPECT_EQ(RunUnattendedBackup(), kUnattendedClientAlive);
    EXPECT_EQ(StartedCommandLines(), (std::vector<std::wstring>{kTaskkill}));
    EXPECT_EQ(FakeFileBytes(kLog), "Backup failed, Larkmail could not be ended." + kStamp);
    ExpectFailureNotice("Backup failed, Larkmail could not be ended.", "LogClientAlive");
    EXPECT_EQ(FakeFileBytes(kArchive), "EARLIER");
    // Bounded: a few seconds of pauses, not a hang.
    EXPECT_GE(FakePausedMilliseconds(), kMailClientGoneTimeoutMs);
    EXPECT_LE(FakePausedMilliseconds(), kMailClientGoneTimeoutMs + 200);
}

TEST_F(UnattendedBackupTest, EmptyBackupFolderLogsAndShowsNoPath) {
    WriteSettings("", 1);
    EXPECT_EQ(RunUnattendedBackup(), kUnattendedNoPath);
    // The client window was found and ended before the path was read; no restart.
    EXPECT_EQ(StartedCommandLines(), (std::vector<std::wstring>{kTaskkill}));
    EXPECT_EQ(FakeFileBytes(kLog), "No backup path defined." + kStamp);
    const std::vector<FakeBox> boxes = FakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, L"Error");
    EXPECT_EQ(boxes[0].text, L"No backup path defined.");
    EXPECT_EQ(boxes[0].type, 0x10u);
    // The box is its notice: recorded, but no balloon after it.
    EXPECT_EQ(FakeFileBytes(kRecord), RecordBytes("failed", "No backup path defined.", "LogNoPath"));
    EXPECT_TRUE(FakeTrayLog().empty());
}

TEST_F(UnattendedBackupTest, ABackupFolderInsideTheDataFolderIsRefusedBeforeTheClientIsEnded) {
    for (const std::string folder : {"c:\\users\\ANNA\\appdata\\local\\larkmail\\Backups\\",
                                     "C:\\Users\\anna\\AppData\\Local\\Larkmail\\"}) {
        SetUp();
        WriteSettings(folder, 1, "KeepDays = 1\r\n");
        const std::vector<std::wstring> paths = FakePaths();
        ScriptSevenZip(0, true);
        EXPECT_EQ(RunUnattendedBackup(), kUnattendedInDataFolder) << folder;
        const std::string reason = "Backup failed, the backup folder lies inside the Larkmail data folder: " + folder +
                                   ". Choose a backup folder outside it.";
        EXPECT_EQ(FakeFileBytes(kLog), reason + kStamp);
        ExpectFailureNotice(reason, "LogBackupInData", folder);
        // No taskkill, no 7-Zip, no restart: the client was never touched.
        EXPECT_TRUE(StartedCommandLines().empty()) << folder;
        std::vector<std::wstring> now = FakePaths();
        now.erase(std::remove(now.begin(), now.end(), kLog), now.end());
        now.erase(std::remove(now.begin(), now.end(), kRecord), now.end());
        EXPECT_EQ(now, paths) << folder;
    }
}

TEST_F(UnattendedBackupTest, TheNoticeLastsItsTimeUnlessTheUserClicksIt) {
    const std::wstring balloon = L"error balloon icon 0, 15000 ms: Larkmail Backup | Backup failed, 7-Zip ended "
                                 L"with exit code 2. The earlier archive was kept.";
    const std::wstring tip = L"tip icon 0: Larkmail Backup - last backup 12/07 15:35 FAILED";
    const struct {
        const char* what;
        int event;  // queued before the wait; 0: none
        std::vector<std::wstring> log;
        std::vector<std::uint32_t> waits;
    } cases[] = {
        {"nothing happens", 0, {L"notice window", L"add icon 0 image 54", tip, balloon, L"remove icon 0"}, {15000}},
        {"a click on the icon", kEventTray,
         {L"notice window", L"add icon 0 image 54", tip, balloon, L"remove icon 0"}, {15000}},
        {"the task bar comes back", kEventTaskbarCreated,
         {L"notice window", L"add icon 0 image 54", tip, balloon, L"remove icon 0", L"add icon 0 image 54", tip,
          balloon, L"remove icon 0"},
         {15000, 15000}},
    };
    for (const auto& c : cases) {
        SetUp();
        ScriptSevenZip(2, true);
        if (c.event) QueueFakeEvent(c.event, 0);
        EXPECT_EQ(RunUnattendedBackup(), kUnattendedToolFailed) << c.what;
        EXPECT_EQ(FakeTrayLog(), c.log) << c.what;
        EXPECT_EQ(FakeWaitTimeouts(), c.waits) << c.what;
        EXPECT_FALSE(FakeWindowState().open) << c.what;
    }
}

TEST_F(UnattendedBackupTest, BackupFolderWithABlankIsQuoted) {
    WriteSettings("D:\\My Backups\\", 0);
    SetFakeWindows({});
    FakeProgramScript script;
    script.onStart = [] { SetFakeFile(L"D:\\My Backups\\LarkmailBackup_PC1_anna_20261207.7z.4242.tmp", FinishedArchiveBytes()); };
    ScriptFakeProgram(L"\"C:\\work\\7z.exe\"", script);
    EXPECT_EQ(RunUnattendedBackup(), 0);
    EXPECT_EQ(StartedCommandLines(),
              (std::vector<std::wstring>{
                  L"\"C:\\work\\7z.exe\" a -mmt -mx=5 -slp -y -bsp1 \"D:\\My Backups\\\"LarkmailBackup_PC1_anna_20261207.7z.4242.tmp "
                  L"C:\\Users\\anna\\Appdata\\Local\\Larkmail",
                  L"\"C:\\work\\7z.exe\" t -bsp1 \"D:\\My Backups\\LarkmailBackup_PC1_anna_20261207.7z.4242.tmp\""}));
    EXPECT_EQ(FakeFileBytes(L"D:\\My Backups\\LarkmailBackup_PC1_anna_20261207.7z"), FinishedArchiveBytes());
    EXPECT_EQ(FakeFileBytes(kLog), "Database backup successfully saved to \"D:\\My Backups\\\"" + kStamp);
}

}  // namespace
