// A backup run: the temporary archive, the failure mapping and the log texts.
#include "engine/backup/backup_job.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "config/language_table.h"
#include "engine/backup/kept_archive_proof.h"
#include "engine/backup/retention.h"
#include "engine/console/tool_watch.h"
#include "engine/guard/data_folder_guard.h"
#include "platform/fake/fake_platform.h"
#include "platform/files.h"
#include "platform/system.h"
#include "platform/text.h"
#include "tests/unit/seven_zip_bytes.h"

namespace {

const std::wstring kFolder = L"D:\\Backups\\";
const std::wstring kName = L"LarkmailBackup_PC1_anna_20261207.7z";
const std::wstring kArchive = kFolder + kName;
const std::wstring kTemp = kArchive + L".4242.tmp";
const std::wstring kData = L"C:\\Users\\anna\\AppData\\Local\\Larkmail";

BackupRequest Request() {
    BackupRequest request;
    request.level = 5;
    request.backupFolder = kFolder;
    request.archiveName = kName;
    request.dataFolder = kData;
    request.verify = false;  // its own tests turn it on
    request.computer = L"PC1";
    request.user = L"anna";
    request.today = LocalTime{2026, 12, 7, 15, 35, 1};
    return request;
}

class BackupJobTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetFakePlatform();
        LoadLanguageTable(ProcessLanguageTable(), L"");
        SetFakeFolder(kData);
        SetFakeFile(kData + L"\\Mail\\inbox.db", "mail");
        SetFakeFolder(kFolder);
        SetFakeFile(kArchive, "EARLIER");
    }
};

enum class Written { Nothing, Finished, Unfinished };

// Polls enough for days of fake time: a 7-Zip that never ends by itself.
constexpr int kHangs = 10000000;

void ScriptSevenZip(bool starts, long exitCode, Written written, int polls = 3) {
    FakeProgramScript script;
    script.starts = starts;
    script.exitCode = exitCode;
    script.pollsWhileRunning = polls;
    if (written == Written::Finished) script.onStart = [] { SetFakeFile(kTemp, FinishedArchiveBytes()); };
    if (written == Written::Unfinished) script.onStart = [] { SetFakeFile(kTemp, UnfinishedArchiveBytes()); };
    ScriptFakeProgram(L"\"C:\\work\\7z.exe\"", script);
}

TEST_F(BackupJobTest, SuccessMovesTheTemporaryArchiveOverTheDaysArchive) {
    ScriptSevenZip(true, 0, Written::Finished);
    const BackupResult result = RunBackupJob(Request());
    EXPECT_EQ(result.status, BackupStatus::Success);
    EXPECT_EQ(FakeFileBytes(kArchive), FinishedArchiveBytes());
    EXPECT_FALSE(FakeFileExists(kTemp));
    EXPECT_EQ(BackupLogMessage(result), L"Database backup successfully saved to \"D:\\Backups\\\"");

    const std::vector<FakeStart> starts = FakeStarts();
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].commandLine,
              L"\"C:\\work\\7z.exe\" a -mmt -mx=5 -slp -y -bsp1 D:\\Backups\\LarkmailBackup_PC1_anna_20261207.7z.4242.tmp "
              L"C:\\Users\\anna\\AppData\\Local\\Larkmail");
    EXPECT_TRUE(starts[0].options.hidden);
    EXPECT_TRUE(starts[0].options.keepHandle);
    EXPECT_FALSE(starts[0].options.wait);
}

TEST_F(BackupJobTest, TheNewArchiveIsFlushedAfterItsTestAndBeforeItReplacesTheDaysArchive) {
    ScriptSevenZip(true, 0, Written::Finished);
    std::vector<std::wstring> atTest{L"test not run"};
    FakeProgramScript test;
    test.onStart = [&atTest] { atTest = FakeDiskEvents(); };
    ScriptFakeProgram(L"\"C:\\work\\7z.exe\" t ", test);
    BackupRequest request = Request();
    request.verify = true;
    EXPECT_EQ(RunBackupJob(request).status, BackupStatus::Success);
    EXPECT_TRUE(atTest.empty());
    EXPECT_EQ(FakeDiskEvents(), (std::vector<std::wstring>{L"flush " + kTemp, L"replace " + kTemp + L" > " + kArchive}));
    EXPECT_EQ(FakeFileBytes(kArchive), FinishedArchiveBytes());
}

TEST_F(BackupJobTest, EveryFailureKeepsTheEarlierArchiveAndRemovesTheTemporary) {
    enum class Hang { No, Packing, Testing };
    struct Case {
        const char* what;
        bool starts;
        long exitCode;
        Written written;
        BackupStatus status;
        std::wstring log;
        bool flushFails = false;
        Hang hang = Hang::No;
    };
    const std::wstring hung = L"Backup failed, 7-Zip made no progress for 30 minutes and was ended. The earlier archive was kept.";
    const Case cases[] = {
        {"exit 1", true, 1, Written::Finished, BackupStatus::ToolWarning,
         L"Backup failed, 7-Zip could not read some files (exit code 1). The earlier archive was kept."},
        {"exit 2", true, 2, Written::Unfinished, BackupStatus::ToolFailed,
         L"Backup failed, 7-Zip ended with exit code 2. The earlier archive was kept."},
        {"exit 7", true, 7, Written::Nothing, BackupStatus::ToolFailed,
         L"Backup failed, 7-Zip ended with exit code 7. The earlier archive was kept."},
        {"exit 8", true, 8, Written::Unfinished, BackupStatus::ToolFailed,
         L"Backup failed, 7-Zip ended with exit code 8. The earlier archive was kept."},
        {"exit 255", true, 255, Written::Unfinished, BackupStatus::ToolFailed,
         L"Backup failed, 7-Zip ended with exit code 255. The earlier archive was kept."},
        {"not started", false, 0, Written::Nothing, BackupStatus::ToolMissing,
         L"Backup failed, 7-Zip could not be started."},
        {"no archive written", true, 0, Written::Nothing, BackupStatus::NoArchive,
         L"Backup failed, 7-Zip wrote no archive (exit code 0)."},
        // taskkill under Wine ends a process with exit code 0.
        {"killed with exit code 0", true, 0, Written::Unfinished, BackupStatus::NoArchive,
         L"Backup failed, 7-Zip wrote no archive (exit code 0)."},
        {"flush refused", true, 0, Written::Finished, BackupStatus::NotFlushed,
         L"Backup failed, the new archive could not be written to the disk. The earlier archive was kept: " + kArchive,
         true},
        {"hangs while packing", true, 0, Written::Unfinished, BackupStatus::ToolHung, hung, false, Hang::Packing},
        {"hangs while testing", true, 0, Written::Finished, BackupStatus::ToolHung, hung, false, Hang::Testing},
    };
    for (const Case& c : cases) {
        SetUp();
        ScriptSevenZip(c.starts, c.exitCode, c.written, c.hang == Hang::Packing ? kHangs : 3);
        FakeProgramScript test;
        test.pollsWhileRunning = kHangs;
        if (c.hang == Hang::Testing) ScriptFakeProgram(L"\"C:\\work\\7z.exe\" t ", test);
        SetFakeFlushFails(c.flushFails);
        BackupRequest request = Request();
        request.verify = c.hang == Hang::Testing;
        const std::uint64_t start = ReadTickMilliseconds();
        const BackupResult result = RunBackupJob(request);
        EXPECT_EQ(result.status, c.status) << c.what;
        EXPECT_EQ(BackupLogMessage(result), c.log) << c.what;
        EXPECT_EQ(FakeFileBytes(kArchive), "EARLIER") << c.what;
        EXPECT_FALSE(FakeFileExists(kTemp)) << c.what;
        EXPECT_TRUE(FakeDiskEvents().empty()) << c.what;
        EXPECT_EQ(FakeOpenPrograms(), 0) << c.what;
        // Ended at the bound of its silence, not after it ended by itself days later.
        if (c.hang != Hang::No) {
            const std::uint64_t packing = c.hang == Hang::Testing ? 3000 : 0;  // its three polls
            EXPECT_EQ(ReadTickMilliseconds() - start, packing + kToolSilenceLimitMs) << c.what;
        }
    }
}

TEST_F(BackupJobTest, MissingDataFolderIsCaughtBeforeTheRun) {
    ResetFakePlatform();
    SetFakeFile(kArchive, "EARLIER");
    const BackupResult result = RunBackupJob(Request());
    EXPECT_EQ(result.status, BackupStatus::NoDataFolder);
    EXPECT_EQ(BackupLogMessage(result),
              L"Backup failed, Larkmail data folder not found: C:\\Users\\anna\\AppData\\Local\\Larkmail");
    EXPECT_TRUE(FakeStarts().empty());
    EXPECT_EQ(FakeFileBytes(kArchive), "EARLIER");
}

TEST_F(BackupJobTest, AStaleTemporaryArchiveIsRemovedBeforeTheRun) {
    // 7-Zip would add to it, carrying files the user has deleted since.
    SetFakeFile(kTemp, "STALE");
    bool tempPresentAtStart = true;
    FakeProgramScript script;
    script.onStart = [&tempPresentAtStart] {
        tempPresentAtStart = FakeFileExists(kTemp);
        SetFakeFile(kTemp, FinishedArchiveBytes());
    };
    ScriptFakeProgram(L"\"C:\\work\\7z.exe\"", script);
    const BackupResult result = RunBackupJob(Request());
    EXPECT_FALSE(tempPresentAtStart);
    EXPECT_EQ(result.status, BackupStatus::Success);
    EXPECT_EQ(FakeFileBytes(kArchive), FinishedArchiveBytes());
}

TEST_F(BackupJobTest, LeftoversOfEndedRunsGoAndThoseOfRunningOnesStay) {
    struct Leftover {
        std::wstring name;
        bool held;
        bool stays;
    };
    const Leftover leftovers[] = {
        {kName + L".tmp", false, false},      // an older version's name
        {kName + L".999.tmp", false, false},  // its run has ended
        {kName + L".777.tmp", false, true},   // its run is still writing it
        {kName + L".555.tmp", true, true},    // ended, but something holds it
        {L"LarkmailBackup_PC1_bob_20261207.7z.999.tmp", false, true},
        {kName + L".x9.tmp", false, true},
        {kName + L".999.tmp.keep", false, true},
        // Earlier days' runs that were killed, of either kind of archive.
        {L"LarkmailBackup_PC1_anna_20261130.7z.999.tmp", false, false},
        {L"larkmailbackup_pc1_ANNA_20261130.7Z.998.TMP", false, false},
        {L"LarkmailBackup_PC1_anna_20261130.7z.tmp", false, false},
        {L"LarkmailBackup_PC1_anna_20261201_diff_20261205.7z.999.tmp", false, false},
        {L"LarkmailBackup_PC1_anna_20261130.7z.777.tmp", false, true},  // a run that passed midnight
        {L"LarkmailBackup_PC1_bob_20261130.7z.999.tmp", false, true},
        {L"LarkmailBackup_PC1_anna_x_20261130.7z.999.tmp", false, true},
        {L"LarkmailBackup_PC1_anna_20261131.7z.999.tmp", false, true},  // no such day: not our name
        {L"LarkmailBackup_PC1_anna_20261130.7z", false, true},
        {L"LarkmailBackup_PC1_anna_20261130.7z.0.tmp", false, true},
    };
    std::vector<HeldFile> holds;
    for (const Leftover& l : leftovers) {
        SetFakeFile(kFolder + l.name, "LEFTOVER");
        std::string bytes;
        if (l.held) holds.push_back(OpenFileForUpdate(kFolder + l.name, bytes));
    }
    SetFakeProcesses({{777, L"LarkmailBackup.exe"}, {kFakeProcessId, L"LarkmailBackup.exe"}});
    ScriptSevenZip(true, 0, Written::Finished);
    const BackupResult result = RunBackupJob(Request());
    EXPECT_EQ(result.status, BackupStatus::Success);
    EXPECT_EQ(FakeFileBytes(kArchive), FinishedArchiveBytes());
    for (const Leftover& l : leftovers) EXPECT_EQ(FakeFileExists(kFolder + l.name), l.stays) << l.name;
    std::string log;
    ReadWholeFile(L"Backup.log", log);
    EXPECT_EQ(log.substr(0, log.find(' ', 80)),
              "An old temporary archive could not be removed and was left in place: "
              "D:\\Backups\\LarkmailBackup_PC1_anna_20261207.7z.555.tmp");
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1);
    for (HeldFile& hold : holds) ReleaseHeldFile(hold);
}

TEST_F(BackupJobTest, ATemporaryOfThisRunsOwnNameThatCannotGoStopsTheRun) {
    SetFakeFile(kTemp, "STALE");
    std::string bytes;
    HeldFile hold = OpenFileForUpdate(kTemp, bytes);
    ScriptSevenZip(true, 0, Written::Finished);
    const BackupResult result = RunBackupJob(Request());
    EXPECT_EQ(result.status, BackupStatus::StaleTemp);
    EXPECT_EQ(BackupLogMessage(result),
              L"Backup failed, an old temporary archive could not be removed: "
              L"D:\\Backups\\LarkmailBackup_PC1_anna_20261207.7z.4242.tmp");
    EXPECT_TRUE(FakeStarts().empty());
    EXPECT_EQ(FakeFileBytes(kArchive), "EARLIER");
    ReleaseHeldFile(hold);
}

TEST_F(BackupJobTest, ANewArchiveThatCannotReplaceTheEarlierOneIsDropped) {
    ScriptSevenZip(true, 0, Written::Finished);
    SetFakeReadOnly(kArchive, true);
    const BackupResult result = RunBackupJob(Request());
    EXPECT_EQ(result.status, BackupStatus::NotReplaced);
    EXPECT_EQ(BackupLogMessage(result),
              L"Backup failed, the new archive could not replace the earlier one: "
              L"D:\\Backups\\LarkmailBackup_PC1_anna_20261207.7z");
    EXPECT_EQ(FakeFileBytes(kArchive), "EARLIER");
    EXPECT_FALSE(FakeFileExists(kTemp));
}

TEST_F(BackupJobTest, FirstBackupOfTheDayInAFolderWithABlank) {
    ResetFakePlatform();
    SetFakeFolder(kData);
    const std::wstring folder = L"D:\\My Backups\\";
    FakeProgramScript script;
    script.onStart = [folder] { SetFakeFile(folder + kName + L".4242.tmp", FinishedArchiveBytes()); };
    ScriptFakeProgram(L"\"C:\\work\\7z.exe\"", script);
    BackupRequest request = Request();
    request.backupFolder = folder;
    const BackupResult result = RunBackupJob(request);
    EXPECT_EQ(result.status, BackupStatus::Success);
    EXPECT_EQ(FakeFileBytes(folder + kName), FinishedArchiveBytes());
    ASSERT_EQ(FakeStarts().size(), 1u);
    EXPECT_EQ(FakeStarts()[0].commandLine,
              L"\"C:\\work\\7z.exe\" a -mmt -mx=5 -slp -y -bsp1 \"D:\\My Backups\\\"LarkmailBackup_PC1_anna_20261207.7z.4242.tmp "
              L"C:\\Users\\anna\\AppData\\Local\\Larkmail");
}

TEST_F(BackupJobTest, KeepDaysRemovesOnlyThisComputersAndUsersOlderArchives) {
    struct Entry {
        std::wstring name;
        bool stays;
        bool readOnly = false;
    };
    // Today is 2026-12-07; KeepDays 3 keeps 12-04 and later.
    const Entry entries[] = {
        {L"LarkmailBackup_PC1_anna_20261127.7z", false},
        {L"larkmailbackup_pc1_ANNA_20261202.7Z", false},  // names compare as Windows does
        {L"LarkmailBackup_PC1_anna_20261203.7z", false},
        {L"LarkmailBackup_PC1_anna_20261204.7z", true},
        {L"LarkmailBackup_PC1_anna_20261205.7z", true},
        {L"LarkmailBackup_PC1_anna_20261101.7z", true, true},  // the user protected it
        {L"LarkmailBackup_PC1_bob_20261127.7z", true},
        {L"LarkmailBackup_PC2_anna_20261127.7z", true},
        {L"LarkmailBackup_PC1_anna_2026112.7z", true},
        {L"LarkmailBackup_PC1_anna_20261327.7z", true},  // no such date
        {L"LarkmailBackup_PC1_anna_20261127.7z.999.tmp", true},
        {L"LarkmailBackup_PC1_anna_20261127.zip", true},
        {L"notes.txt", true},
    };
    for (const Entry& e : entries) {
        SetFakeFile(kFolder + e.name, "OLD");
        if (e.readOnly) SetFakeReadOnly(kFolder + e.name, true);
    }
    SetFakeFolder(kFolder + L"LarkmailBackup_PC1_anna_20261101.7z.d");
    // The temporary's run still writes it, so the leftover clean-up keeps it; retention must too.
    SetFakeProcesses({{999, L"LarkmailBackup.exe"}});
    struct Run {
        int keepDays;
        long exitCode;
    };
    for (const Run run : {Run{0, 0}, Run{3, 2}, Run{3, 0}}) {
        ScriptSevenZip(true, run.exitCode, Written::Finished);
        BackupRequest request = Request();
        request.keepDays = run.keepDays;
        BackupResult result = RunBackupJob(request);
        RemoveArchivesPastKeeping(request, result);
        const bool removing = run.keepDays == 3 && run.exitCode == 0;
        for (const Entry& e : entries) EXPECT_EQ(FakeFileExists(kFolder + e.name), e.stays || !removing) << e.name;
    }
    EXPECT_EQ(FakeFileBytes(kArchive), FinishedArchiveBytes());
    std::string log;
    ReadWholeFile(L"Backup.log", log);
    EXPECT_EQ(log,
              "An old archive could not be removed: D:\\Backups\\LarkmailBackup_PC1_anna_20261101.7z 12/07/2026 15:35:01\r\n"
              "Old archives removed: 3 12/07/2026 15:35:01\r\n");
}

TEST_F(BackupJobTest, ADifferentialNeedsAProvenFullOrTheNightIsAFull) {
    const std::wstring full = kFolder + L"LarkmailBackup_PC1_anna_20261201.7z";
    const std::wstring diff = kFolder + L"LarkmailBackup_PC1_anna_20261207_diff_20261201.7z";
    const std::wstring diffTemp = diff + L".4242.tmp";
    // Made against the same full on an earlier day: lost with it when it is damaged.
    const std::wstring kept = kFolder + L"LarkmailBackup_PC1_anna_20261203_diff_20261201.7z";
    const std::wstring testFull = L"\"C:\\work\\7z.exe\" t -bsp1 " + full;
    const std::wstring listFull = L"\"C:\\work\\7z.exe\" l -slt -sccUTF-8 " + full;
    const std::wstring update = L"\"C:\\work\\7z.exe\" u " + full + L" Larkmail -t7z -mx=5 -u- -up0q3r2x2y2z0w2!" + diffTemp + L" -bsp1";
    const std::wstring mark = L"\"C:\\work\\7z.exe\" a -t7z -bsp1 " + diffTemp + L" LarkmailBackup.base";
    const std::wstring pack = L"\"C:\\work\\7z.exe\" a -mmt -mx=5 -slp -y -bsp1 " + kTemp + L" " + kData;
    const std::wstring testNew = L"\"C:\\work\\7z.exe\" t -bsp1 ";
    const std::string noDifferential =
        "The differential archive against D:\\Backups\\LarkmailBackup_PC1_anna_20261201.7z could not be made: this "
        "backup is a full archive.";
    struct Case {
        const char* what;
        bool fullThere;
        long fullTest, update;
        std::vector<std::wstring> commandLines;
        std::wstring written;
        std::string log;
        std::vector<std::wstring> notes;
        bool wrongPassword = false;  // the full's listing: another password opens it
        long markExit = 0;
    };
    const Case cases[] = {
        {"differential", true, 0, 0, {testFull, update, mark, testNew + diffTemp}, diff, "", {}},
        {"the full fails its test", true, 2, 0, {testFull, listFull, pack, testNew + kTemp}, kArchive,
         "The full archive D:\\Backups\\LarkmailBackup_PC1_anna_20261201.7z failed its test: this backup is a full "
         "archive. 12/07/2026 15:35:01\r\n"
         "The differential archives made against it cannot be restored either: "
         "D:\\Backups\\LarkmailBackup_PC1_anna_20261203_diff_20261201.7z 12/07/2026 15:35:01\r\n",
         {L"LogFullDamaged", L"LogDiffsLost"}},
        {"the full opens only with another password", true, 2, 0, {testFull, listFull, pack, testNew + kTemp},
         kArchive, noDifferential + " 12/07/2026 15:35:01\r\n", {}, true},
        {"7-Zip cannot make the differential", true, 0, 2, {testFull, update, pack, testNew + kTemp}, kArchive,
         noDifferential + " 7-Zip reported a fatal error (exit code 2). 12/07/2026 15:35:01\r\n", {}},
        {"7-Zip cannot add the mark", true, 0, 0, {testFull, update, mark, pack, testNew + kTemp}, kArchive,
         noDifferential + " 7-Zip reported a fatal error (exit code 2). 12/07/2026 15:35:01\r\n", {}, false, 2},
        {"no full", false, 0, 0, {pack, testNew + kTemp}, kArchive,
         "No full archive in D:\\Backups\\ to build on: this backup is a full archive. 12/07/2026 15:35:01\r\n", {}},
    };
    for (const Case& c : cases) {
        SetUp();
        DeleteFilePath(kArchive);
        if (c.fullThere) SetFakeFile(full, FinishedArchiveBytes());
        SetFakeFile(kept, "KEPT");
        // Today's differential of a full now gone: the day keeps one archive.
        const std::wstring olderToday = kFolder + L"LarkmailBackup_PC1_anna_20261207_diff_20261130.7z";
        SetFakeFile(olderToday, "OLDER");
        SetFakeFile(diff + L".77.tmp", "LEFTOVER");  // of a run that ended
        FakeProgramScript script;
        script.onStart = [] { SetFakeFile(kTemp, FinishedArchiveBytes()); };
        ScriptFakeProgram(L"\"C:\\work\\7z.exe\" a", script);
        script.onStart = nullptr;
        ScriptFakeProgram(L"\"C:\\work\\7z.exe\" t", script);
        script.exitCode = c.fullTest;
        ScriptFakeProgram(testFull, script);
        script.exitCode = c.update;
        script.onStart = [&] { SetFakeFile(diffTemp, FinishedArchiveBytes()); };
        ScriptFakeProgram(L"\"C:\\work\\7z.exe\" u", script);
        std::string markBytes = "mark never added";
        script.exitCode = c.markExit;
        script.onStart = [&] { markBytes = FakeFileBytes(L"C:\\work\\LarkmailBackup.base"); };
        ScriptFakeProgram(mark, script);
        FakeProgramScript listing;
        listing.exitCode = c.wrongPassword ? 2 : 0;
        if (c.wrongPassword) listing.outputLines = {L"ERROR: " + full, L"Cannot open encrypted archive. Wrong password?"};
        ScriptFakeProgram(listFull, listing);
        BackupRequest request = Request();
        request.fullEvery = 7;
        request.verify = true;
        BackupResult result = RunBackupJob(request);
        RemoveArchivesPastKeeping(request, result);
        EXPECT_EQ(result.status, BackupStatus::Success) << c.what;
        EXPECT_EQ(result.archivePath, c.written) << c.what;
        EXPECT_EQ(result.kind, c.written == diff ? ArchiveKind::Differential : ArchiveKind::Full) << c.what;
        EXPECT_EQ(FakeFileBytes(c.written), FinishedArchiveBytes()) << c.what;
        EXPECT_FALSE(FakeFileExists(c.written == diff ? kArchive : diff)) << c.what;
        EXPECT_FALSE(FakeFileExists(diffTemp)) << c.what;
        EXPECT_FALSE(FakeFileExists(olderToday)) << c.what;
        EXPECT_FALSE(FakeFileExists(diff + L".77.tmp")) << c.what;
        EXPECT_EQ(FakeFileBytes(kept), "KEPT") << c.what;
        if (c.fullThere) {
            EXPECT_EQ(FakeFileBytes(full), FinishedArchiveBytes()) << c.what;
        }
        std::vector<std::wstring> lines;
        for (const FakeStart& start : FakeStarts()) {
            lines.push_back(start.commandLine);
            // Run from the data folder's parent so that the paths match the full's; the mark from where its file is.
            EXPECT_EQ(start.options.workingFolder,
                      start.commandLine == update ? L"C:\\Users\\anna\\AppData\\Local" : L"") << c.what;
        }
        EXPECT_EQ(lines, c.commandLines) << c.what;
        // The full's name, size and the 20 bytes its start header's CRC covers; the file gone after the run.
        if (std::find(lines.begin(), lines.end(), mark) != lines.end()) {
            EXPECT_EQ(markBytes, "Full = LarkmailBackup_PC1_anna_20261201.7z\r\nSize = 245\r\n"
                                 "Header = B3000000000000002200000000000000216EE824\r\n") << c.what;
        }
        EXPECT_FALSE(FakeFileExists(L"C:\\work\\LarkmailBackup.base")) << c.what;
        std::string log;
        ReadWholeFile(L"Backup.log", log);
        EXPECT_EQ(log, c.log) << c.what;
        std::vector<std::wstring> notes;
        for (const BackupNote& note : result.notes) notes.push_back(note.code);
        EXPECT_EQ(notes, c.notes) << c.what;
        EXPECT_EQ(result.damagedFull, c.notes.empty() ? L"" : full) << c.what;
    }
}

// A file another program holds open: 7-Zip ends with exit code 1 and lists it; the rest is kept unless the day
// has a complete archive, and a full that lacks files is no base for the next night.
TEST_F(BackupJobTest, AFileHeldOpenCostsOnlyThatFile) {
    const std::wstring full = kFolder + L"LarkmailBackup_PC1_anna_20261201.7z";
    const std::wstring diff = kFolder + L"LarkmailBackup_PC1_anna_20261207_diff_20261201.7z";
    const std::wstring record = kFolder + L"LarkmailBackup.proofs";
    const std::string list = "WARNINGS for files:\r\n\r\n%1Mail\\inbox.db : Sharing violation.\r\n"
                             "%1Mail\\\x8Erger.db : Sharing violation.\r\n----------------\r\n"
                             "WARNING: Cannot open 2 files\r\n";
    const std::string lacking = "\xEF\xBB\xBF\r\n[LarkmailBackup_PC1_anna_20261207.7z]\r\nLacking = 2\r\n";
    const std::wstring names = L"Mail\\inbox.db, Mail\\\u00c4rger.db";
    const std::wstring kept = L"Backup incomplete, 7-Zip could not read these files (2 in all), perhaps held open by "
                              L"another program: " + names + L". Everything else was saved.";
    struct Case {
        const char* what;
        std::string earlier;  // today's archive before the night ("": none)
        std::string record;
        bool differential;
        BackupStatus status;
        std::wstring log;
        std::vector<std::wstring> verbs;  // of the 7-Zip runs
    };
    const Case cases[] = {
        {"the day's complete archive stays", "EARLIER", "", false, BackupStatus::MissingFilesDayKept,
         L"Backup failed, 7-Zip could not read these files (2 in all), perhaps held open by another program: " + names +
             L". Today's complete archive was kept.",
         {L"a"}},
        // Its mark added, as to any differential, without hiding what could not be read.
        {"a differential: no full instead, it would miss them too", "", "", true, BackupStatus::MissingFiles, kept,
         {L"t", L"u", L"a", L"t"}},
        {"the day's first archive", "", "", false, BackupStatus::MissingFiles, kept, {L"a", L"t"}},
        {"the day's archive lacks files too", "EARLIER", lacking, false, BackupStatus::MissingFiles, kept,
         {L"a", L"t"}},
    };
    for (const Case& c : cases) {
        SetUp();
        if (c.earlier.empty()) DeleteFilePath(kArchive);
        if (!c.record.empty()) SetFakeFile(record, c.record);
        if (c.differential) SetFakeFile(full, FinishedArchiveBytes());
        const std::wstring written = c.differential ? diff : kArchive;
        std::string output = list;
        const std::string prefix = c.differential ? "Larkmail\\" : "C:\\Users\\anna\\AppData\\Local\\Larkmail\\";
        for (std::size_t at; (at = output.find("%1")) != std::string::npos;) output.replace(at, 2, prefix);
        FakeProgramScript pack;
        pack.exitCode = 1;
        pack.outputPieces = {"  0%\r", output.substr(0, 50), output.substr(50)};
        pack.onStart = [&written] { SetFakeFile(written + L".4242.tmp", FinishedArchiveBytes()); };
        ScriptFakeProgram(L"\"C:\\work\\7z.exe\" a", pack);
        ScriptFakeProgram(L"\"C:\\work\\7z.exe\" u", pack);
        ScriptFakeProgram(L"\"C:\\work\\7z.exe\" t", FakeProgramScript{});
        ScriptFakeProgram(L"\"C:\\work\\7z.exe\" a -t7z -bsp1 " + written + L".4242.tmp LarkmailBackup.base",
                          FakeProgramScript{});
        BackupRequest request = Request();
        request.verify = true;
        request.fullEvery = 7;
        BackupResult result = RunBackupJob(request);
        EXPECT_EQ(result.status, c.status) << c.what;
        EXPECT_EQ(BackupLogMessage(result), c.log) << c.what;
        std::vector<std::wstring> verbs;
        for (const FakeStart& start : FakeStarts())
            verbs.push_back(start.commandLine.substr(17, start.commandLine.find(L' ', 17) - 17));
        EXPECT_EQ(verbs, c.verbs) << c.what;
        EXPECT_FALSE(FakeFileExists(written + L".4242.tmp")) << c.what;
        const bool keeps = c.status == BackupStatus::MissingFiles;
        EXPECT_EQ(FakeFileBytes(written), keeps ? FinishedArchiveBytes() : c.earlier) << c.what;
        EXPECT_EQ(FakeDiskEvents().size(), keeps ? 2u : 0u) << c.what;  // flushed, then moved in
        // The record marks it for the next night's choice, tested as it was made.
        ProveKeptArchives(request, result);
        if (keeps) {
            const std::string entry = Utf8FromWide(written.substr(kFolder.size())) +
                                      "]\r\nTested = 2026-12-07 15:35:01\r\nResult = passed\r\nLacking = 2\r\n";
            EXPECT_NE(FakeFileBytes(record).find(entry), std::string::npos)
                << c.what << FakeFileBytes(record);
        } else {
            EXPECT_EQ(FakeFileBytes(record), c.record) << c.what;
        }
    }
    // The next day, after the last case: a full that lacks files is built on by no differential.
    SetFakeLocalTime(LocalTime{2026, 12, 8, 2, 0, 0});
    DeleteFilePath(L"Backup.log");
    FakeProgramScript pack;
    pack.onStart = [] {
        SetFakeFile(kFolder + L"LarkmailBackup_PC1_anna_20261208.7z.4242.tmp", FinishedArchiveBytes());
    };
    ScriptFakeProgram(L"\"C:\\work\\7z.exe\" a", pack);
    BackupRequest request = Request();
    request.today = ReadLocalTime();
    request.archiveName = L"LarkmailBackup_PC1_anna_20261208.7z";
    request.fullEvery = 7;
    EXPECT_EQ(RunBackupJob(request).kind, ArchiveKind::Full);
    std::string log;
    ReadWholeFile(L"Backup.log", log);
    EXPECT_EQ(log,
              "The full archive D:\\Backups\\LarkmailBackup_PC1_anna_20261207.7z lacks files 7-Zip could not read: "
              "this backup is a full archive. 12/08/2026 02:00:00\r\n");
}

// Encryption turned on since the full was made: the open full starts no
// encrypted differential; an encrypted full does.
TEST_F(BackupJobTest, ANewPasswordStartsANewFull) {
    const std::wstring full = kFolder + L"LarkmailBackup_PC1_anna_20261201.7z";
    const std::wstring diff = kFolder + L"LarkmailBackup_PC1_anna_20261207_diff_20261201.7z";
    for (const bool fullEncrypted : {false, true}) {
        SetUp();
        DeleteFilePath(kArchive);
        SetFakeFile(full, FinishedArchiveBytes());
        FakeProgramScript script;
        script.outputLines = {L"----------", L"Path = Larkmail\\prefs.js", L"Folder = -",
                              fullEncrypted ? L"Encrypted = +" : L"Encrypted = -", L""};
        ScriptFakeProgram(L"\"C:\\work\\7z.exe\" l ", script);
        script.outputLines.clear();
        ScriptFakeProgram(L"\"C:\\work\\7z.exe\" t", script);
        script.onStart = [] { SetFakeFile(kTemp, FinishedArchiveBytes()); };
        ScriptFakeProgram(L"\"C:\\work\\7z.exe\" a", script);
        script.onStart = [&] { SetFakeFile(diff + L".4242.tmp", FinishedArchiveBytes()); };
        ScriptFakeProgram(L"\"C:\\work\\7z.exe\" u", script);
        BackupRequest request = Request();
        request.fullEvery = 7;
        request.password = L"ab";
        const BackupResult result = RunBackupJob(request);
        EXPECT_EQ(result.status, BackupStatus::Success) << fullEncrypted;
        EXPECT_EQ(result.archivePath, fullEncrypted ? diff : kArchive) << fullEncrypted;
        std::string log;
        ReadWholeFile(L"Backup.log", log);
        EXPECT_EQ(log, fullEncrypted ? "" :
                  "The differential archive against D:\\Backups\\LarkmailBackup_PC1_anna_20261201.7z could not be "
                  "made: this backup is a full archive. 12/07/2026 15:35:01\r\n") << fullEncrypted;
        for (const FakeStart& start : FakeStarts())
            EXPECT_EQ(start.commandLine.find(L"ab"), std::wstring::npos) << start.commandLine;
    }
}

TEST_F(BackupJobTest, KeepDaysNeverRemovesAFullAKeptDifferentialNeeds) {
    struct Entry {
        std::wstring name;
        bool stays;
        bool readOnly = false;
    };
    // Today is 2026-12-07; KeepDays 3 keeps 12-04 and later, and what they were made against.
    const Entry entries[] = {
        {L"20261120.7z", false},
        {L"20261125.7z", false},
        {L"20261126_diff_20261125.7z", false},
        {L"20261203_diff_20261125.7z", false},
        {L"20261128.7z", true},  // 12-05 was made against it
        {L"20261129_diff_20261128.7z", false},
        {L"20261205_diff_20261128.7z", true},
        {L"20261130.7z", true},  // its differential could not be removed
        {L"20261202_diff_20261130.7z", true, true},
        {L"20261201.7z", true},  // today's is made against it
        {L"20261202_diff_20261201.7z", false},
        {L"20261207_diff_20261201.7z", true},
        {L"20261204.7z", true},
    };
    for (const Entry& e : entries) {
        SetFakeFile(kFolder + L"LarkmailBackup_PC1_anna_" + e.name, "OLD");
        if (e.readOnly) SetFakeReadOnly(kFolder + L"LarkmailBackup_PC1_anna_" + e.name, true);
    }
    RetentionRequest retention;
    retention.backupFolder = kFolder;
    retention.computer = L"PC1";
    retention.user = L"anna";
    retention.today = Request().today;
    retention.keepDays = 3;
    retention.keepPath = kFolder + L"LarkmailBackup_PC1_anna_20261207_diff_20261201.7z";
    EXPECT_EQ(RemoveExpiredArchives(retention).removed, 6);
    for (const Entry& e : entries) EXPECT_EQ(FakeFileExists(kFolder + L"LarkmailBackup_PC1_anna_" + e.name), e.stays) << e.name;
}

// What the clock cannot make KeepDays remove: archives dated after today,
// every archive after a jump or a long gap, the two newest fulls that passed
// their test (a finished 7z archive this night did not find damaged) and what
// was made against them.
TEST_F(BackupJobTest, KeepDaysAfterAClockJumpALongGapOrAClockSetBack) {
    struct Entry {
        std::wstring name;  // after "LarkmailBackup_PC1_anna_"
        bool stays;
        bool finished = true;  // a finished 7z archive, else bytes of none
    };
    struct Case {
        const char* what;
        LocalTime today;
        std::vector<Entry> entries;
        int removed;
        std::wstring pausedBy;  // the newest archive before today, when nothing went for the date
        std::wstring damaged;   // a full that failed its test this night
        int keepDays = 30;
    };
    const std::vector<Entry> before = {
        {L"20261120.7z", true}, {L"20261201.7z", true}, {L"20261203_diff_20261201.7z", true},
        {L"20261206_diff_20261201.7z", true}};
    std::vector<Entry> nightAfter = before;
    nightAfter[0].stays = false;  // neither of the two newest fulls nor needed
    nightAfter.push_back({L"20271207.7z", true});
    const Case cases[] = {
        {"a year's jump", {2027, 12, 7}, before, 0, L"20261206_diff_20261201.7z"},
        {"the night after it", {2027, 12, 8}, nightAfter, 1, L""},
        {"unused for 31 days", {2027, 1, 6}, before, 0, L"20261206_diff_20261201.7z"},
        // Not a day past KeepDays: by date all but the last would go; the two newest fulls and theirs stay.
        {"unused for 30 days", {2027, 1, 5}, before, 0, L""},
        {"two newer fulls since", {2027, 1, 5}, {{L"20261120.7z", false}, {L"20261201.7z", true},
                                              {L"20261203_diff_20261201.7z", false}, {L"20261206_diff_20261201.7z", true},
                                              {L"20261228.7z", true}, {L"20261229.7z", true}}, 2, L""},
        {"the two newest fulls that passed their test", {2026, 12, 7},
         {{L"20261101.7z", false},
          {L"20261110.7z", true},
          {L"20261111_diff_20261110.7z", true},
          {L"20261115.7z", false, false},
          {L"20261120.7z", false},
          {L"20261121_diff_20261120.7z", false},
          {L"20261125.7z", true},
          {L"20261205_diff_20261125.7z", true}},
         4, L"", L"20261120.7z", 3},
        {"a clock set back", {2026, 12, 7},
         {{L"20261101.7z", true},  // a differential dated later was made against it
          {L"20261201.7z", false},
          {L"20261204.7z", true},
          {L"20261205.7z", true},
          {L"20261209_diff_20261101.7z", true},
          {L"20261210.7z", true},
          {L"20261211_diff_20261210.7z", true}},
         1, L"", L"", 3},
    };
    const std::wstring prefix = kFolder + L"LarkmailBackup_PC1_anna_";
    for (const Case& c : cases) {
        SetUp();
        DeleteFilePath(kArchive);
        for (const Entry& e : c.entries) SetFakeFile(prefix + e.name, e.finished ? FinishedArchiveBytes() : "BROKEN");
        RetentionRequest retention;
        retention.backupFolder = kFolder;
        retention.computer = L"PC1";
        retention.user = L"anna";
        retention.today = c.today;
        retention.keepDays = c.keepDays;
        retention.keepPath = prefix + L"tonight.7z";
        retention.damagedFull = c.damaged.empty() ? L"" : prefix + c.damaged;
        const RetentionOutcome outcome = RemoveExpiredArchives(retention);
        EXPECT_EQ(outcome.removed, c.removed) << c.what;
        EXPECT_EQ(outcome.pausedBy, c.pausedBy.empty() ? L"" : prefix + c.pausedBy) << c.what;
        for (const Entry& e : c.entries) EXPECT_EQ(FakeFileExists(prefix + e.name), e.stays) << c.what << " " << e.name;
        std::string log;
        ReadWholeFile(L"Backup.log", log);
        const std::string stamp = " 12/07/2026 15:35:01\r\n";
        EXPECT_EQ(log, !c.pausedBy.empty() ? "No old archive was removed: today is more than KeepDays days after " +
                                                 Utf8FromWide(prefix + c.pausedBy) +
                                                 ", the newest archive made before today. Check the computer's clock." + stamp
                       : c.removed > 0 ? "Old archives removed: " + std::to_string(c.removed) + stamp
                                       : "") << c.what;
    }
}

// The clock set back: an archive dated after today is noted once and never
// built on; a night that would replace today's full which one of them needs
// is refused before 7-Zip runs, and everything stays as it was.
TEST_F(BackupJobTest, AnArchiveDatedAfterTodayIsNotedAndTheFullItNeedsIsNeverReplaced) {
    const std::wstring prefix = kFolder + L"LarkmailBackup_PC1_anna_";
    struct Case {
        const char* what;
        std::vector<std::wstring> names;  // after the prefix; today's full ("EARLIER") is there unless told
        int fullEvery;
        bool todaysFull;
        BackupStatus status;
        std::wstring noted;  // the newest archive dated after today
    };
    const Case cases[] = {
        {"a later differential needs today's full", {L"20261209_diff_20261207.7z"}, 7, true,
         BackupStatus::FullNeededLater, L""},
        {"and fulls only", {L"20261209_diff_20261207.7z"}, 0, true, BackupStatus::FullNeededLater, L""},
        {"later archives of other fulls", {L"20261210.7z", L"20261212_diff_20261210.7z", L"20261209_diff_20261201.7z"},
         7, true, BackupStatus::Success, L"20261212_diff_20261210.7z"},
        {"a later full is never built on", {L"20261201.7z", L"20261208.7z"}, 7, false, BackupStatus::Success,
         L"20261208.7z"},
    };
    for (const Case& c : cases) {
        SetUp();
        if (!c.todaysFull) DeleteFilePath(kArchive);
        for (const std::wstring& name : c.names) SetFakeFile(prefix + name, FinishedArchiveBytes());
        const std::vector<std::wstring> paths = FakePaths();
        ScriptSevenZip(true, 0, Written::Finished);
        FakeProgramScript update;
        update.onStart = [] { SetFakeFile(kFolder + L"LarkmailBackup_PC1_anna_20261207_diff_20261201.7z.4242.tmp",
                                          FinishedArchiveBytes()); };
        ScriptFakeProgram(L"\"C:\\work\\7z.exe\" u", update);
        BackupRequest request = Request();
        request.fullEvery = c.fullEvery;
        request.keepDays = 1;
        BackupResult result = RunBackupJob(request);
        RemoveArchivesPastKeeping(request, result);
        EXPECT_EQ(result.status, c.status) << c.what;
        for (const std::wstring& name : c.names) EXPECT_EQ(FakeFileBytes(prefix + name), FinishedArchiveBytes()) << c.what;
        std::string log;
        ReadWholeFile(L"Backup.log", log);
        if (c.status == BackupStatus::FullNeededLater) {
            EXPECT_EQ(result.laterArchive, prefix + c.names[0]) << c.what;
            EXPECT_TRUE(FakeStarts().empty()) << c.what;
            EXPECT_EQ(FakePaths(), paths) << c.what;
            EXPECT_EQ(FakeFileBytes(kArchive), "EARLIER") << c.what;
            EXPECT_EQ(log, "") << c.what;  // the caller logs the outcome
            continue;
        }
        const std::string line = "The computer's date is earlier than that of the archive " +
                                 Utf8FromWide(prefix + c.noted) +
                                 "; archives dated after today are kept as they are. Check the computer's clock.";
        EXPECT_EQ(log.substr(0, line.size()), line) << c.what;
        EXPECT_EQ(log.find("computer's date", line.size()), std::string::npos) << c.what;  // once
        ASSERT_FALSE(result.notes.empty()) << c.what;
        EXPECT_EQ(result.notes[0].code, L"LogClockBehind") << c.what;
        EXPECT_EQ(result.notes[0].detail, prefix + c.noted) << c.what;
        for (const FakeStart& start : FakeStarts())
            for (const std::wstring& name : c.names)
                if (name.compare(0, 8, L"20261201") != 0)
                    EXPECT_EQ(start.commandLine.find(name), std::wstring::npos) << c.what;
    }
}

TEST_F(BackupJobTest, ABackupFolderInsideTheDataFolderIsRefusedAndNothingIsWrittenThere) {
    const std::wstring inside = kData + L"\\Backups\\";
    SetFakeFile(inside + kName, "EARLIER");
    SetFakeFile(inside + kName + L".tmp", "LEFTOVER");  // would go in any other folder
    const std::vector<std::wstring> paths = FakePaths();
    ScriptSevenZip(true, 0, Written::Finished);
    BackupRequest request = Request();
    request.backupFolder = inside;
    request.keepDays = 1;
    BackupResult result = RunBackupJob(request);
    RemoveArchivesPastKeeping(request, result);
    EXPECT_EQ(result.status, BackupStatus::InDataFolder);
    EXPECT_EQ(BackupLogMessage(result),
              L"Backup failed, the backup folder lies inside the Larkmail data folder: "
              L"C:\\Users\\anna\\AppData\\Local\\Larkmail\\Backups\\. Choose a backup folder outside it.");
    EXPECT_TRUE(FakeStarts().empty());
    EXPECT_EQ(FakePaths(), paths);
    EXPECT_EQ(FakeFileBytes(inside + kName + L".tmp"), "LEFTOVER");
}

TEST(PathLiesInside, ComparesFoldersAsWindowsDoes) {
    ResetFakePlatform();
    const std::wstring data = L"C:\\Users\\anna\\AppData\\Local\\Larkmail";
    struct Case {
        std::wstring path, folder;
        bool inside;
    };
    const Case cases[] = {
        {data + L"\\Backups\\", data, true},
        {L"c:\\users\\ANNA\\appdata\\local\\LARKMAIL\\backups", data, true},
        {data, data, true},  // the data folder itself
        {data + L"\\", data, true},
        {data, data + L"\\", true},
        {data + L"\\.", data, true},
        {data + L"\\.\\Backups\\.\\", data, true},
        {L"C:\\Users\\anna\\AppData\\Local\\Temp\\..\\Larkmail\\B", data, true},
        {L"C:/Users/anna/AppData/Local/Larkmail/Backups/", data, true},
        {data + L"\\Mail\\Deep\\x.7z", data, true},
        {L"C:\\Users\\anna\\AppData\\Local\\Larkmail2\\", data, false},  // a common prefix only
        {L"C:\\Users\\anna\\AppData\\Local\\Larkmail.old-1", data, false},
        {L"C:\\Users\\anna\\AppData\\Local\\", data, false},  // its parent
        {data + L"\\..\\Backups\\", data, false},
        {data + L"\\..", data, false},
        {L"D:\\Users\\anna\\AppData\\Local\\Larkmail\\B\\", data, false},
        {L"C:\\Users\\anna", L"C:\\", true},
        // Letter case of every script, as Windows ignores it.
        {L"C:\\USERS\\\u00c5SA\\\u0414\u0410\u041d\u041d\u042b\u0415\\Larkmail\\B",
         L"c:\\users\\\u00e5sa\\\u0434\u0430\u043d\u043d\u044b\u0435\\larkmail", true},
        {L"C:\\Users\\\u00c5sa\\Larkmail", L"C:\\Users\\Asa\\Larkmail", false},
        {L"", data, false},
        {data, L"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(PathLiesInside(c.path, c.folder), c.inside) << c.path << L" in " << c.folder;
}

TEST(ParseArchiveName, ReadsDayAndKindOfThisComputersAndUsersNames) {
    struct Case {
        std::wstring name;
        bool ours;
        ArchiveKind kind;
        int day, diffDay;  // yyyymmdd
    };
    const Case cases[] = {
        {L"LarkmailBackup_PC1_Anna Maria_20261207.7z", true, ArchiveKind::Full, 20261207, 0},
        {L"LARKMAILBACKUP_pc1_anna maria_20240229.7Z", true, ArchiveKind::Full, 20240229, 0},
        {L"LarkmailBackup_PC1_Anna Maria_20261201_diff_20261207.7z", true, ArchiveKind::Differential, 20261201,
         20261207},
        {L"LarkmailBackup_PC1_Anna Maria_20261201_DIFF_20261232.7z", false, ArchiveKind::Full, 0, 0},
        {L"LarkmailBackup_PC1_Anna Maria_20261201_full_20261207.7z", false, ArchiveKind::Full, 0, 0},
        {L"LarkmailBackup_PC1_Anna Maria_20230229.7z", false, ArchiveKind::Full, 0, 0},
        {L"LarkmailBackup_PC1_Anna_20261207.7z", false, ArchiveKind::Full, 0, 0},
        {L"LarkmailBackup_PC1_Anna Maria_20261207.7z.4242.tmp", false, ArchiveKind::Full, 0, 0},
        {L"LarkmailBackup_PC1_Anna Maria_", false, ArchiveKind::Full, 0, 0},
    };
    for (const Case& c : cases) {
        ArchiveNameParts parts;
        ASSERT_EQ(ParseArchiveName(c.name, L"PC1", L"Anna Maria", parts), c.ours) << c.name;
        if (!c.ours) continue;
        EXPECT_EQ(parts.kind, c.kind) << c.name;
        EXPECT_EQ(parts.day.year * 10000 + parts.day.month * 100 + parts.day.day, c.day) << c.name;
        // A full's own day stands where a differential names its full.
        EXPECT_EQ(parts.fullDay.year * 10000 + parts.fullDay.month * 100 + parts.fullDay.day,
                  c.kind == ArchiveKind::Full ? c.day : c.diffDay)
            << c.name;
        LocalTime date;
        EXPECT_EQ(ReadArchiveDate(c.name, L"PC1", L"Anna Maria", date), c.kind == ArchiveKind::Full) << c.name;
    }
}

TEST(DaysSinceEpoch, CountsCalendarDays) {
    EXPECT_EQ(DaysSinceEpoch(1970, 1, 1), 0);
    EXPECT_EQ(DaysSinceEpoch(2000, 3, 1), 11017);
    EXPECT_EQ(DaysSinceEpoch(2024, 2, 29), 19782);
    EXPECT_EQ(DaysSinceEpoch(2026, 12, 9), 20796);
    EXPECT_EQ(DaysSinceEpoch(2027, 1, 1), 20819);
}

TEST(ToolOutcomeText, NamesEachExitCode) {
    LoadLanguageTable(ProcessLanguageTable(), L"");
    struct Case {
        ToolOutcome tool;
        std::wstring expected;
    };
    const Case cases[] = {
        {{false, -1}, L"7-Zip could not be started."},
        {{true, 1}, L"7-Zip could not read some of the files (exit code 1)."},
        {{true, 2}, L"7-Zip reported a fatal error (exit code 2)."},
        {{true, 7}, L"7-Zip was given a wrong command line (exit code 7)."},
        {{true, 8}, L"7-Zip ran out of memory (exit code 8)."},
        {{true, 255}, L"7-Zip was stopped (exit code 255)."},
        {{true, 3}, L"7-Zip ended with exit code 3."},
        {{true, 1, true}, L"7-Zip stopped making progress and was ended."},
    };
    for (const Case& c : cases) EXPECT_EQ(ToolOutcomeText(c.tool), c.expected);
}

// Each step lets `ms` pass, then 7-Zip writes `bytes` (none when empty) and the watch looks.
TEST(WatchTool, EndsTheToolOnlyAfterItsFigureStoodStillForTheLimit) {
    struct Step {
        std::uint64_t ms;
        std::string bytes;
    };
    struct Case {
        const char* what;
        std::wstring testLimit;  // the environment's shortened limit, in seconds
        std::vector<Step> steps;
        int endedAt;  // the step after which the tool was ended; -1: never
    };
    const std::uint64_t minute = 60000;
    const Case cases[] = {
        {"silent from the start", L"", {{29 * minute, ""}, {minute - 1, ""}, {1, ""}}, 2},
        {"each new figure restarts the bound", L"",
         {{29 * minute, "  1% 3 + a.msg"}, {29 * minute, "\b\b\b\b  2% 4 + b.msg"}, {29 * minute, ""}}, -1},
        {"file names under the same figure are no progress", L"",
         {{minute, "  5% 3 + a.msg"}, {15 * minute, "\b\b\b\b  5% 4 + b.msg"}, {15 * minute, ""}}, 2},
        {"the test limit shortens it", L"5", {{4999, ""}, {1, ""}}, 1},
        {"the test limit never lengthens it", L"99999", {{30 * minute, ""}}, 0},
        {"a test limit that is no number is ignored", L"5s", {{5000, ""}, {30 * minute, ""}}, 1},
    };
    for (const Case& c : cases) {
        ResetFakePlatform();
        SetFakeEnvironment(L"LARKMAILBACKUP_TEST_SILENCE_SECONDS", c.testLimit);
        FakeProgramScript script;
        script.pollsWhileRunning = kHangs;
        for (const Step& step : c.steps)
            if (!step.bytes.empty()) script.outputPieces.push_back(step.bytes);
        ScriptFakeProgram(L"\"C:\\work\\7z.exe\"", script);
        const ProgramHandle tool = StartArchiveTool(L"a", false);
        ToolWatch watch = StartToolWatch();
        int endedAt = -1;
        for (std::size_t i = 0; i < c.steps.size(); ++i) {
            PauseMilliseconds(static_cast<std::uint32_t>(c.steps[i].ms));
            if (!c.steps[i].bytes.empty()) {
                EXPECT_EQ(WaitForProgramOrOutput(tool, 0), ProgramWake::Output) << c.what;
            }
            WatchTool(watch, tool);
            if (watch.hung && endedAt < 0) endedAt = static_cast<int>(i);
        }
        EXPECT_EQ(endedAt, c.endedAt) << c.what;
        EXPECT_EQ(ProgramRunning(tool), c.endedAt < 0) << c.what;
        ReleaseProgram(tool);
    }
}

TEST(FillPlaceholder, ReplacesPercentOne) {
    EXPECT_EQ(FillPlaceholder(L"code %1.", L"7"), L"code 7.");
    EXPECT_EQ(FillPlaceholder(L"no placeholder", L"7"), L"no placeholder");
    EXPECT_EQ(FillPlaceholder(L"%1", L"C:\\a %1 b"), L"C:\\a %1 b");
}

}  // namespace
