// The backup from the window over the fake platform: the closing question, the status sequence, dropped input, outcomes, the restart.
#include "ui/backup_flow.h"

#include <gtest/gtest.h>

#include "config/language_table.h"
#include "engine/console/tool_watch.h"
#include "platform/dialogs.h"
#include "platform/fake/fake_platform.h"
#include "tests/unit/seven_zip_bytes.h"
#include "ui/main_window.h"

namespace {

const std::wstring kFolder = L"D:\\Backups\\";
const std::wstring kArchive = kFolder + L"LarkmailBackup_PC1_anna_20261207.7z";
const std::wstring kTemp = kArchive + L".4242.tmp";
const std::wstring kData = L"C:\\Users\\anna\\AppData\\Local\\Larkmail";
const std::wstring kMissingData = L"C:\\Users\\bob\\AppData\\Local\\Larkmail";
const std::wstring kSevenZip = L"\"C:\\work\\7z.exe\" a -mmt -mx=";
const std::wstring kTaskkill = L"\"taskkill\" /f /im larkmail.exe";
const std::wstring kRestart = L"\"larkmail.exe\" ";
const std::wstring kStamp = L" 12/07/2026 15:35:01\r\n";

// The window's record: seen at once, since the window itself says how it went.
std::string RecordBytes(const std::string& result, const std::string& reason, const std::string& code = "",
                        const std::string& detail = "", std::size_t size = 0) {
    return "\xEF\xBB\xBF\r\nWhen = 2026-12-07 15:35:01\r\nResult = " + result + "\r\nReason = " + reason +
           "\r\nCode = " + code + "\r\nDetail = " + detail + "\r\nArchive = LarkmailBackup_PC1_anna_20261207.7z\r\nSize = " + std::to_string(size) + "\r\nSeen = 1\r\n" +
           (result == "saved" ? "LastGood = 2026-12-07 15:35:01\r\n" : "");
}

// The archive test is off unless a test is about it: its own step is tested below.
std::string SettingsBytes(int compression, int reopen, int verify = 0) {
    return "\xEF\xBB\xBF\r\nBkUpDir = D:\\Backups\\\r\nCompression = " + std::to_string(compression) +
           "\r\nReopenLM = " + std::to_string(reopen) + "\r\nVerifyBackup = " + std::to_string(verify) + "\r\n";
}

std::wstring LogText() {
    const std::string bytes = FakeFileBytes(L"Backup.log");
    return std::wstring(bytes.begin(), bytes.end());  // the texts here are ASCII
}

// A wait on 7-Zip blocks until it writes or ends, bounded only by what is
// left of its silence limit (these runs last seconds): no spin.
bool BlocksOnTheTool(std::uint32_t timeout) {
    return timeout > kToolSilenceLimitMs - 60000 && timeout <= kToolSilenceLimitMs;
}

std::vector<std::wstring> StartLines() {
    std::vector<std::wstring> lines;
    for (const FakeStart& start : FakeStarts()) lines.push_back(start.commandLine);
    return lines;
}

void ScriptSevenZip(long exitCode, int polls, bool finished = true) {
    FakeProgramScript script;
    script.exitCode = exitCode;
    script.pollsWhileRunning = polls;
    script.onStart = [finished] { SetFakeFile(kTemp, finished ? FinishedArchiveBytes() : UnfinishedArchiveBytes()); };
    ScriptFakeProgram(L"\"C:\\work\\7z.exe\"", script);
}

void ClientRuns() {
    SetFakeProcesses({{4312, L"C:\\Program Files\\Larkmail\\LARKMAIL.EXE"}});
}

class InteractiveBackupTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetFakePlatform();
        ResetFakeWindow();
        LoadLanguageTable(ProcessLanguageTable(), L"");
        ProcessWindowState() = MainWindowState{};
        ProcessWindowState().backupPath = kFolder;
        ProcessWindowState().dataFolder = kData;
        ProgressDots().clear();
        SetFakeEnvironment(L"COMPUTERNAME", L"PC1");
        SetFakeEnvironment(L"USERNAME", L"anna");
        SetFakeFile(L"lmbackup.prefs", SettingsBytes(5, 0));
        SetFakeFolder(kFolder);
        SetFakeFile(kArchive, "EARLIER");
        SetFakeFile(kData + L"\\prefs.js", "prefs");
        OpenMainWindow(L"Larkmail Backup", 500, 200, true);
        CreateStatusBar(500);
    }
};

TEST_F(InteractiveBackupTest, WithoutAClientTheBackupRunsAndInputMeanwhileIsDropped) {
    ScriptSevenZip(0, 4);
    QueueFakeEvent(kEventControl, 8);  // Backup again, the close box, the tray: all dropped
    QueueFakeEvent(kEventClose, kMainWindow);
    QueueFakeEvent(kEventMenu, 50);
    RunInteractiveBackup();

    EXPECT_TRUE(FakeBoxes().empty());
    // Each fake wait on a running tool is one timer tick, and each tick polls once more.
    EXPECT_EQ(FakeWindowState().statusHistory,
              std::vector<std::wstring>({L"Creating backup", L"Creating backup", L"Creating backup.", L"Ready"}));
    EXPECT_EQ(ProgressDots(), L"..");
    EXPECT_EQ(StartLines(), std::vector<std::wstring>(
                                {kSevenZip + L"5 -slp -y -bsp1 D:\\Backups\\LarkmailBackup_PC1_anna_20261207.7z.4242.tmp " + kData}));
    EXPECT_EQ(FakeFileBytes(kArchive), FinishedArchiveBytes());
    EXPECT_FALSE(FakeFileExists(kTemp));
    EXPECT_EQ(LogText(), L"Database backup successfully saved to \"D:\\Backups\\\"" + kStamp);
    EXPECT_EQ(FakeFileBytes(L"lmbackup.last"),
              RecordBytes("saved", "Database backup successfully saved to \"D:\\Backups\\\"", "", "", FinishedArchiveBytes().size()));
    EXPECT_EQ(FakeOpenPrograms(), 0);
    EXPECT_EQ(FakeWaits(), 6);  // three dropped events, two ticks, the end
    for (std::uint32_t timeout : FakeWaitTimeouts()) EXPECT_TRUE(BlocksOnTheTool(timeout)) << timeout;  // no 1 ms spin
}

// The window's good night proves one older archive too, the status bar saying so; one that fails is told in a
// box and on the Main tab's line, the night still saved.
TEST_F(InteractiveBackupTest, AnOlderArchiveThatFailsItsTestIsToldInABox) {
    const std::wstring older = kFolder + L"LarkmailBackup_PC1_anna_20261130.7z";
    SetFakeFile(older, "OLDER");
    CreateTabPanel(Box{5, 5, 492, 220});
    AddTabPage(kMainTab, L"Main");
    CreateControl(kLineLastBackup, ControlKind::SingleLine, kMainTab, Box{10, 142, 470, 20}, L"");
    ScriptSevenZip(0, 0);
    FakeProgramScript damaged;
    damaged.exitCode = 2;
    ScriptFakeProgram(L"\"C:\\work\\7z.exe\" t -bsp1 " + older, damaged);
    RunInteractiveBackup();
    const std::wstring failed = L"The older archive " + older + L" failed its test. It was kept.";
    EXPECT_EQ(StartLines().back(), L"\"C:\\work\\7z.exe\" t -bsp1 " + older);
    EXPECT_EQ(FakeWindowState().statusHistory,
              std::vector<std::wstring>({L"Creating backup", L"Testing an older archive", L"Ready"}));
    ASSERT_EQ(FakeBoxes().size(), 1u);
    EXPECT_EQ(FakeBoxes()[0].text, failed);
    EXPECT_EQ(FakeFileBytes(older), "OLDER");
    EXPECT_EQ(LogText(), L"Database backup successfully saved to \"D:\\Backups\\\"" + kStamp + failed + kStamp);
    EXPECT_EQ(FakeControlState(kLineLastBackup).text,
              L"Last backup: 12/07/2026 15:35, full archive saved (245 bytes) " + failed);
    EXPECT_TRUE(FakeControlState(kLineLastBackup).alert);
}

TEST_F(InteractiveBackupTest, TheDotsCarryOnFromTheLastBackupAndStartAgainAfterTen) {
    ScriptSevenZip(0, 6);
    ProgressDots() = L"........";  // eight
    RunInteractiveBackup();
    EXPECT_EQ(FakeWindowState().statusHistory,
              std::vector<std::wstring>({L"Creating backup", L"Creating backup........", L"Creating backup.........",
                                         L"Creating backup..........", L"Ready"}));
    EXPECT_EQ(ProgressDots(), L"");
    ResetFakeWindow();
    RunInteractiveBackup();  // the same script again: the count goes on from none
    EXPECT_EQ(FakeWindowState().statusHistory,
              std::vector<std::wstring>({L"Creating backup", L"Creating backup", L"Creating backup.",
                                         L"Creating backup..", L"Ready"}));
}

TEST_F(InteractiveBackupTest, ATickAfterTheToolEndedShowsReadyAndAShortRunShowsNoDots) {
    ScriptSevenZip(0, 1);  // the tick's own poll finds it ended
    RunInteractiveBackup();
    EXPECT_EQ(FakeWindowState().statusHistory, std::vector<std::wstring>({L"Creating backup", L"Ready", L"Ready"}));
    ResetFakeWindow();
    ScriptSevenZip(0, 0);
    RunInteractiveBackup();
    EXPECT_EQ(FakeWindowState().statusHistory, std::vector<std::wstring>({L"Creating backup", L"Ready"}));
    EXPECT_EQ(ProgressDots(), L"");
}

TEST_F(InteractiveBackupTest, AnsweringNoToTheClosingQuestionLogsAndChangesNothingElse) {
    ClientRuns();
    QueueFakeAnswer(false);
    RunInteractiveBackup();
    ASSERT_EQ(FakeBoxes().size(), 1u);
    EXPECT_EQ(FakeBoxes()[0].title, L"Error");
    EXPECT_EQ(FakeBoxes()[0].text, L"Larkmail must be closed before backing up. Close it now?");
    EXPECT_EQ(FakeBoxes()[0].type, kBoxErrorYesNo);
    EXPECT_EQ(LogText(), L"Backup failed, Larkmail was not closed." + kStamp);
    EXPECT_EQ(FakeFileBytes(L"lmbackup.last"), RecordBytes("failed", "Backup failed, Larkmail was not closed.", "LogFailure"));
    EXPECT_TRUE(FakeStarts().empty());
    EXPECT_TRUE(FakeWindowState().statusHistory.empty());
    EXPECT_EQ(FakeFileBytes(kArchive), "EARLIER");
}

TEST_F(InteractiveBackupTest, ABackupFolderInsideTheDataFolderIsRefusedBeforeTheClosingQuestion) {
    const std::wstring inside = L"C:\\Users\\anna\\AppData\\Local\\Temp\\..\\LARKMAIL\\Backups\\";
    ProcessWindowState().backupPath = inside;
    SetFakeFile(inside + L"LarkmailBackup_PC1_anna_20261207.7z.tmp", "LEFTOVER");
    ClientRuns();
    ScriptSevenZip(0, 0);
    RunInteractiveBackup();
    const std::string reason = "Backup failed, the backup folder lies inside the Larkmail data folder: "
                               "C:\\Users\\anna\\AppData\\Local\\Temp\\..\\LARKMAIL\\Backups\\. Choose a backup "
                               "folder outside it.";
    ASSERT_EQ(FakeBoxes().size(), 1u);
    EXPECT_EQ(FakeBoxes()[0].title, L"Error");
    EXPECT_EQ(FakeBoxes()[0].text, std::wstring(reason.begin(), reason.end()));
    EXPECT_EQ(FakeBoxes()[0].type, kBoxErrorOk);
    EXPECT_EQ(LogText(), std::wstring(reason.begin(), reason.end()) + kStamp);
    EXPECT_EQ(FakeFileBytes(L"lmbackup.last"), RecordBytes("failed", reason, "LogBackupInData", "C:\\Users\\anna\\AppData\\Local\\Temp\\..\\LARKMAIL\\Backups\\"));
    EXPECT_TRUE(FakeStarts().empty());
    EXPECT_TRUE(FakeWindowState().statusHistory.empty());
    EXPECT_EQ(FakeFileBytes(inside + L"LarkmailBackup_PC1_anna_20261207.7z.tmp"), "LEFTOVER");
    EXPECT_FALSE(FakeFileExists(inside + L"LarkmailBackup_PC1_anna_20261207.7z"));
}

TEST_F(InteractiveBackupTest, AfterYesTheClientIsEndedAndTheBackupWaitsUntilItIsGone) {
    ClientRuns();
    QueueFakeAnswer(true);
    FakeProgramScript taskkill;
    taskkill.onStart = [] { SetFakeProcesses({}); };
    ScriptFakeProgram(kTaskkill, taskkill);
    ScriptSevenZip(0, 0);
    RunInteractiveBackup();
    ASSERT_EQ(FakeStarts().size(), 2u);
    EXPECT_EQ(FakeStarts()[0].commandLine, kTaskkill);
    EXPECT_TRUE(FakeStarts()[0].options.hidden);
    EXPECT_EQ(FakeStarts()[1].commandLine.rfind(kSevenZip, 0), 0u);
    EXPECT_EQ(FakeBoxes().size(), 1u);
    EXPECT_EQ(FakeFileBytes(kArchive), FinishedArchiveBytes());
    EXPECT_EQ(FakePausedMilliseconds(), 0u);  // no blind pause: the window waits instead
}

TEST_F(InteractiveBackupTest, AClientThatSurvivesTaskkillMeansNoBackupAndSaysSo) {
    // Timer ticks wake the wait early; they must not eat into the client's 5 s.
    for (int earlyWakes : {0, 30}) {
        SetUp();
        ClientRuns();
        QueueFakeAnswer(true);
        for (int i = 0; i < earlyWakes; ++i) QueueFakeEvent(kEventTimer, kMainTimer);
        const std::uint64_t start = ReadTickMilliseconds();
        RunInteractiveBackup();
        EXPECT_EQ(StartLines(), std::vector<std::wstring>({kTaskkill}));
        ASSERT_EQ(FakeBoxes().size(), 2u);
        EXPECT_EQ(FakeBoxes()[1].title, L"Error");
        EXPECT_EQ(FakeBoxes()[1].text, L"Larkmail could not be closed. No backup was made.");
        EXPECT_EQ(FakeBoxes()[1].type, kBoxErrorOk);
        EXPECT_EQ(LogText(), L"Backup failed, Larkmail could not be ended." + kStamp);
        EXPECT_EQ(FakeFileBytes(L"lmbackup.last"), RecordBytes("failed", "Backup failed, Larkmail could not be ended.", "LogClientAlive"));
        EXPECT_TRUE(FakeWindowState().statusHistory.empty());
        EXPECT_EQ(FakeFileBytes(kArchive), "EARLIER");
        // Bounded by the clock: 5 s in window waits of 100 ms, never a sleep.
        EXPECT_EQ(ReadTickMilliseconds() - start, 5000u) << earlyWakes;
        EXPECT_EQ(FakeWaits(), 50 + earlyWakes);
        for (std::uint32_t timeout : FakeWaitTimeouts()) EXPECT_EQ(timeout, 100u);
        EXPECT_EQ(FakePausedMilliseconds(), 0u);
    }
}

TEST_F(InteractiveBackupTest, FailuresShowTheReasonLogTheFailureAndKeepTheEarlierArchive) {
    struct Case {
        const char* what;
        bool starts;
        long exitCode;
        bool finished;
        bool dataFolder;
        std::wstring box;
        std::wstring log;
        std::string code, detail;
        int polls = 2;
    };
    const std::wstring failed = L"The backup failed. No new archive was saved. ";
    const std::wstring hung = L"Backup failed, 7-Zip made no progress for 30 minutes and was ended. The earlier archive was kept.";
    // The failure is said once: the log line where it names it, 7-Zip's outcome after the general sentence.
    const Case cases[] = {
        {"exit 1", true, 1, true, true, failed + L"7-Zip could not read some of the files (exit code 1).",
         L"Backup failed, 7-Zip could not read some files (exit code 1). The earlier archive was kept.", "LogWarning", "1"},
        {"exit 2", true, 2, true, true, failed + L"7-Zip reported a fatal error (exit code 2).",
         L"Backup failed, 7-Zip ended with exit code 2. The earlier archive was kept.", "LogToolFailed", "2"},
        {"exit 255", true, 255, true, true, failed + L"7-Zip was stopped (exit code 255).",
         L"Backup failed, 7-Zip ended with exit code 255. The earlier archive was kept.", "LogToolFailed", "255"},
        {"killed, exit 0", true, 0, false, true, L"Backup failed, 7-Zip wrote no archive (exit code 0).",
         L"Backup failed, 7-Zip wrote no archive (exit code 0).", "LogNoArchive", "0"},
        {"not started", false, 0, true, true, failed + L"7-Zip could not be started.",
         L"Backup failed, 7-Zip could not be started.", "LogToolMissing", ""},
        {"no data folder", true, 0, true, false,
         L"Backup failed, Larkmail data folder not found: C:\\Users\\bob\\AppData\\Local\\Larkmail",
         L"Backup failed, Larkmail data folder not found: C:\\Users\\bob\\AppData\\Local\\Larkmail", "LogNoDataFolder",
         "C:\\Users\\bob\\AppData\\Local\\Larkmail"},
        // Never ends by itself: ended after half an hour of window waits without a new figure.
        {"hangs", true, 0, false, true, hung, hung, "LogToolHung", "", 10000000},
    };
    for (const Case& c : cases) {
        SetUp();
        SetFakeFile(L"lmbackup.prefs", SettingsBytes(5, 1));
        if (!c.dataFolder) ProcessWindowState().dataFolder = kMissingData;
        ScriptSevenZip(c.exitCode, c.polls, c.finished);
        const std::uint64_t start = ReadTickMilliseconds();
        if (!c.starts) {
            FakeProgramScript missing;
            missing.starts = false;
            ScriptFakeProgram(L"\"C:\\work\\7z.exe\"", missing);
        }
        RunInteractiveBackup();
        ASSERT_EQ(FakeBoxes().size(), 1u) << c.what;
        EXPECT_EQ(FakeBoxes()[0].title, L"Error") << c.what;
        EXPECT_EQ(FakeBoxes()[0].text, c.box) << c.what;
        EXPECT_EQ(FakeBoxes()[0].type, kBoxErrorOk) << c.what;
        EXPECT_EQ(LogText(), c.log + kStamp) << c.what;
        EXPECT_EQ(FakeFileBytes(L"lmbackup.last"), RecordBytes("failed", std::string(c.log.begin(), c.log.end()), c.code, c.detail))
            << c.what;
        EXPECT_EQ(FakeFileBytes(kArchive), "EARLIER") << c.what;
        EXPECT_FALSE(FakeFileExists(kTemp)) << c.what;
        EXPECT_EQ(FakeWindowState().statusHistory.back(), L"Ready") << c.what;
        // The client was closed for this backup, so it comes back, without the success box.
        EXPECT_EQ(StartLines().back(), kRestart) << c.what;
        EXPECT_EQ(FakeOpenPrograms(), 0) << c.what;
        const std::uint64_t waited = ReadTickMilliseconds() - start;
        EXPECT_LT(waited, kToolSilenceLimitMs + 2000) << c.what;
        if (c.polls > 2) {
            EXPECT_GE(waited, kToolSilenceLimitMs) << c.what;
        }
    }
}

// A stored password that cannot be unsealed: nothing packed, the reason, and
// the offer to enter it again, which stores a new one (Yes) or nothing (No).
// A settings file that cannot be read may hold a password: no backup either.
// Both before the closing question: the running client is never asked about.
TEST_F(InteractiveBackupTest, AnUnreadablePasswordPacksNothingAndOffersToEnterItAgain) {
    const std::string unreadable = "ArchivePassword = bm90IHNlYWxlZA==\r\n";
    const std::wstring reason =
        L"Backup failed, the stored archive password cannot be opened by this Windows user account. No archive was "
        L"written; enter the password again in the program's window.";
    const std::wstring noSettings =
        L"Backup failed, the settings file could not be read, so it is not known whether backups are to be "
        L"encrypted. No archive was written.";
    struct Case {
        const char* what;
        bool settingsHeld;
        bool yes;
        std::wstring box;
        unsigned type;
        std::string prefsAfter;
    };
    const Case cases[] = {
        {"No", false, false, reason + L" Enter the password again now?", kBoxErrorYesNo, SettingsBytes(5, 0) + unreadable},
        {"Yes", false, true, reason + L" Enter the password again now?", kBoxErrorYesNo,
         SettingsBytes(5, 0) + "ArchivePassword = ZmFrZS1zZWFsZWQ6O1o4Wg==\r\n"},
        {"settings file held", true, false, noSettings, kBoxErrorOk, SettingsBytes(5, 0) + unreadable},
    };
    for (const Case& c : cases) {
        SetUp();
        ClientRuns();
        SetFakeFile(L"lmbackup.prefs", SettingsBytes(5, 0) + unreadable);
        SetFakeUnreadable(L"lmbackup.prefs", c.settingsHeld);
        ScriptSevenZip(0, 2);
        QueueFakeAnswer(c.yes);
        for (int field : {72, 74}) {
            QueueFakeEventAction([field] { SetControlText(field, L"ab"); });
            QueueFakeEvent(kEventControl, field);
        }
        QueueFakeDialogKey(true);
        RunInteractiveBackup();
        SetFakeUnreadable(L"lmbackup.prefs", false);
        EXPECT_TRUE(StartLines().empty()) << c.what;
        ASSERT_EQ(FakeBoxes().size(), 1u) << c.what;
        EXPECT_EQ(FakeBoxes()[0].text, c.box) << c.what;
        EXPECT_EQ(FakeBoxes()[0].type, c.type) << c.what;
        EXPECT_EQ(LogText(), (c.settingsHeld ? noSettings : reason) + kStamp) << c.what;
        EXPECT_EQ(FakeFileBytes(kArchive), "EARLIER") << c.what;
        EXPECT_EQ(FakeDialogState().opened, c.yes ? 1 : 0) << c.what;
        EXPECT_EQ(FakeFileBytes(L"lmbackup.prefs"), c.prefsAfter) << c.what;
    }
}

// Another backup or restore holds the backup folder: the status bar says so
// while the window waits, and past the window's shorter bound the backup
// fails before the closing question, saying why.
TEST_F(InteractiveBackupTest, AnotherRunsLockIsWaitedForWithTheStatusBarSayingSo) {
    const std::wstring waiting = L"Waiting for another backup or restore to finish with the backup folder";
    const std::wstring busy =
        L"Backup failed, another backup or restore kept using the backup folder: D:\\Backups\\. Nothing was changed.";
    for (std::uint32_t held : {30000u, kWaitForever}) {
        SetUp();
        HoldFakeFileLock(kFolder + L"LarkmailBackup.lock", held);
        ScriptSevenZip(0, 0);
        const std::uint64_t start = ReadTickMilliseconds();
        RunInteractiveBackup();
        const std::vector<std::wstring> status = FakeWindowState().statusHistory;
        ASSERT_GE(status.size(), 2u) << held;
        EXPECT_EQ(status[0], waiting) << held;
        EXPECT_EQ(status[1], L"Ready") << held;
        EXPECT_EQ(FakePausedMilliseconds(), 0u) << held;  // window waits, never a sleep
        if (held != kWaitForever) {
            EXPECT_EQ(ReadTickMilliseconds() - start, 30000u) << held;
            EXPECT_EQ(FakeFileBytes(kArchive), FinishedArchiveBytes()) << held;
            EXPECT_TRUE(FakeBoxes().empty()) << held;
            continue;
        }
        EXPECT_EQ(ReadTickMilliseconds() - start, 120000u);
        EXPECT_EQ(status.size(), 2u);
        EXPECT_TRUE(StartLines().empty());
        ASSERT_EQ(FakeBoxes().size(), 1u);
        EXPECT_EQ(FakeBoxes()[0].text, busy);
        EXPECT_EQ(FakeBoxes()[0].type, kBoxErrorOk);
        EXPECT_EQ(LogText(), busy + kStamp);
        EXPECT_EQ(FakeFileBytes(L"lmbackup.last"),
                  RecordBytes("failed", std::string(busy.begin(), busy.end()), "LogFolderBusy", "D:\\Backups\\"));
        EXPECT_EQ(FakeFileBytes(kArchive), "EARLIER");
    }
}

TEST_F(InteractiveBackupTest, ReopenIsReadAfterTheToolEndedAndRestartsTheClientAfterTheSuccessBox) {
    FakeProgramScript script;
    script.onStart = [] {
        SetFakeFile(kTemp, FinishedArchiveBytes());
        SetFakeFile(L"lmbackup.prefs", SettingsBytes(5, 1));  // changed while 7-Zip ran
    };
    ScriptFakeProgram(L"\"C:\\work\\7z.exe\"", script);
    SetFakeFile(L"lmbackup.prefs", SettingsBytes(9, 0));
    RunInteractiveBackup();
    ASSERT_EQ(FakeBoxes().size(), 1u);
    EXPECT_EQ(FakeBoxes()[0].title, L"Success");
    EXPECT_EQ(FakeBoxes()[0].text, L"Backup Completed, Re-starting Larkmail");
    EXPECT_EQ(FakeBoxes()[0].type, kBoxInformationOk);
    const std::vector<FakeStart> starts = FakeStarts();
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(starts[0].commandLine.rfind(kSevenZip + L"9 ", 0), 0u);  // Compression as read at the start
    EXPECT_EQ(starts[1].commandLine, kRestart);
    EXPECT_FALSE(starts[1].options.hidden);
    EXPECT_FALSE(starts[1].options.keepHandle);
}

TEST_F(InteractiveBackupTest, TheNewArchiveIsTestedBeforeItReplacesTheEarlierOne) {
    struct Case {
        long testExit;
        std::vector<std::wstring> status;
        std::string archive;
        std::vector<FakeBox> boxes;
    };
    const std::vector<std::wstring> shown = {L"Creating backup", L"Creating backup", L"Testing the new archive",
                                             L"Testing the new archive.", L"Ready"};
    const Case cases[] = {
        {0, shown, FinishedArchiveBytes(), {}},
        {2, shown, "EARLIER",
         {{L"Error",
           L"Backup failed, the new archive failed its test (7-Zip exit code 2). The earlier archive was kept.",
           kBoxErrorOk}}},
    };
    for (const Case& c : cases) {
        SetUp();
        SetFakeFile(L"lmbackup.prefs", SettingsBytes(5, 0, 1));
        ScriptSevenZip(0, 2);
        FakeProgramScript test;
        test.exitCode = c.testExit;
        test.pollsWhileRunning = 2;
        ScriptFakeProgram(L"\"C:\\work\\7z.exe\" t -bsp1 ", test);
        RunInteractiveBackup();
        EXPECT_EQ(StartLines(), std::vector<std::wstring>({kSevenZip + L"5 -slp -y -bsp1 " + kTemp + L" " + kData,
                                                           L"\"C:\\work\\7z.exe\" t -bsp1 " + kTemp}));
        EXPECT_TRUE(FakeStarts()[1].options.hidden);
        EXPECT_EQ(FakeWindowState().statusHistory, c.status) << c.testExit;
        EXPECT_EQ(FakeFileBytes(kArchive), c.archive) << c.testExit;
        EXPECT_FALSE(FakeFileExists(kTemp)) << c.testExit;
        ASSERT_EQ(FakeBoxes().size(), c.boxes.size()) << c.testExit;
        for (std::size_t i = 0; i < c.boxes.size(); ++i) EXPECT_EQ(FakeBoxes()[i].text, c.boxes[i].text);
        for (std::uint32_t timeout : FakeWaitTimeouts()) EXPECT_TRUE(BlocksOnTheTool(timeout)) << timeout;
    }
}

// The window copies too, saying so in its status bar; a copy it cannot make is a box of its own, not a failure.
TEST_F(InteractiveBackupTest, TheSecondCopyFollowsTheBackupAndAPendingOneIsSaidInABox) {
    const std::wstring copy = L"E:\\Copy\\";
    const std::wstring pending = L"Second copy pending since 12/07/2026. The second folder cannot be reached: E:\\Copy\\";
    for (bool reachable : {true, false}) {
        SetUp();
        SetFakeFile(L"lmbackup.prefs", SettingsBytes(5, 0) + "CopyDir = E:\\Copy\\\r\n");
        ProcessWindowState().copyPath = copy;
        if (reachable) SetFakeFolder(copy);
        ScriptSevenZip(0, 0);
        ScriptFakeProgram(L"\"C:\\work\\7z.exe\" t -bsp1 E:\\", FakeProgramScript{});
        RunInteractiveBackup();
        std::vector<std::wstring> status = {L"Creating backup"};
        if (reachable)
            status.insert(status.end(), {L"Copying to the second folder", L"Copying to the second folder 100 %",
                                         L"Testing the copy in the second folder"});
        status.push_back(L"Ready");
        EXPECT_EQ(FakeWindowState().statusHistory, status) << reachable;
        EXPECT_EQ(FakeFileBytes(copy + L"LarkmailBackup_PC1_anna_20261207.7z"), reachable ? FinishedArchiveBytes() : "");
        ASSERT_EQ(FakeBoxes().size(), reachable ? 0u : 1u);
        if (reachable) continue;
        EXPECT_EQ(FakeBoxes()[0].text, pending);
        EXPECT_EQ(FakeBoxes()[0].type, kBoxExclamationOk);
        EXPECT_EQ(LogText(), L"Database backup successfully saved to \"D:\\Backups\\\"" + kStamp + pending + kStamp);
    }
}

// "" is a timer tick between 7-Zip's writes.
TEST_F(InteractiveBackupTest, SevenZipsFigureFollowsTheDotsInTheStatusBarAndTheHiddenWindowsToolTip) {
    SetFakeFile(L"lmbackup.prefs", SettingsBytes(5, 0, 1));
    ShowMainWindow(false);
    AddTrayIcon(0, 54);
    FakeProgramScript backup;
    backup.onStart = [] { SetFakeFile(kTemp, FinishedArchiveBytes()); };
    backup.outputPieces = {"\n7-Zip 24.09\n\nScanning the drive:\n", "", "", "  0%", "",
                           "\b\b\b\b  4", "2% 3 + Mail\\a 7%.msg", "", "\b\b\b\b\b\b\b\b 42% 4 + b"};
    ScriptFakeProgram(L"\"C:\\work\\7z.exe\" a ", backup);
    FakeProgramScript test;
    test.outputPieces = {"", "\nTesting archive: x\n 95%", "\b\b\b\b100%"};
    ScriptFakeProgram(L"\"C:\\work\\7z.exe\" t -bsp1 ", test);
    RunInteractiveBackup();

    EXPECT_EQ(FakeWindowState().statusHistory,
              std::vector<std::wstring>({L"Creating backup", L"Creating backup", L"Creating backup.",
                                         L"Creating backup 0 %", L"Creating backup 42 %", L"Testing the new archive",
                                         L"Testing the new archive..", L"Testing the new archive 95 %",
                                         L"Testing the new archive 100 %", L"Ready"}));
    std::vector<std::wstring> tips;
    for (const std::wstring& line : FakeTrayLog())
        if (line.rfind(L"tip icon 0: ", 0) == 0) tips.push_back(line.substr(12));
    ASSERT_EQ(tips.size(), 11u);
    EXPECT_EQ(tips[3], L"Larkmail Backup - Creating backup 0 %");
    EXPECT_EQ(tips[4], L"Larkmail Backup - Creating backup 42 %");
    EXPECT_EQ(tips[8], L"Larkmail Backup - Testing the new archive 100 %");
    EXPECT_EQ(tips[10], L"Larkmail Backup - last backup 12/07 15:35 OK (full)");
    EXPECT_EQ(FakeFileBytes(kArchive), FinishedArchiveBytes());
    for (std::uint32_t timeout : FakeWaitTimeouts()) EXPECT_TRUE(BlocksOnTheTool(timeout)) << timeout;
}

TEST_F(InteractiveBackupTest, InAnotherLanguageTheLastWordIsStillTheEnglishReady) {
    SetFakeFile(L"german.lng",
                "\xEF\xBB\xBF[MainWindow]\r\nStatusBarText = Bereit\r\n[Messages]\r\nStatusBackup = Sicherung\r\n");
    ASSERT_TRUE(LoadLanguageTable(ProcessLanguageTable(), L"german.lng"));
    ScriptSevenZip(0, 3);
    RunInteractiveBackup();
    EXPECT_EQ(FakeWindowState().statusHistory,
              std::vector<std::wstring>({L"Sicherung", L"Sicherung", L"Bereit", L"Ready"}));
}

}  // namespace
