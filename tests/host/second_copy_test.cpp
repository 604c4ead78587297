// The second folder kept up to date: what is pending and in which order, the copy through a
// tested temporary, what a fault leaves there, retention there, and nothing else touched.
#include "engine/backup/second_copy.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "config/language_table.h"
#include "platform/fake/fake_platform.h"
#include "platform/system.h"

namespace {

const std::wstring kFolder = L"D:\\Backups\\";
const std::wstring kShare = L"\\\\nas\\backup\\anna\\";
const std::wstring kPrefix = L"LarkmailBackup_PC1_anna_";
const std::wstring kToday = kPrefix + L"20261207_diff_20261201.7z";
const std::wstring kFull = kPrefix + L"20261201.7z";
const std::wstring kOlder = kPrefix + L"20261120.7z";
const std::wstring kLog = L"C:\\work\\Backup.log";
const std::wstring kKilled = kPrefix + L"20261206.7z.999.tmp";  // its process is gone

std::wstring TestLine(const std::wstring& name, const std::wstring& options = L"") {
    return L"\"C:\\work\\7z.exe\" t -bsp1 " + options + kShare + name + L".4242.tmp";
}

TEST(ListPendingArchives, MissingOrOfAnotherSizeNewestFirstEachFullBeforeItsDifferentials) {
    const std::vector<ArchiveFile> backup = {
        {kOlder, 10}, {kFull, 20}, {kPrefix + L"20261205_diff_20261201.7z", 3}, {kToday, 4},
        {kPrefix + L"20261125_diff_20261120.7z", 5}, {L"LarkmailBackup_PC2_anna_20261207.7z", 6},
        {L"LarkmailBackup_PC1_bob_20261207.7z", 7}, {L"notes.txt", 8}, {kPrefix + L"2026120.7z", 9}};
    const struct {
        const char* what;
        std::vector<ArchiveFile> copy;
        std::vector<std::wstring> pending;
    } cases[] = {
        {"an empty folder: today's chain first, then older days, only ours",
         {},
         {kFull, kToday, kPrefix + L"20261205_diff_20261201.7z", kOlder, kPrefix + L"20261125_diff_20261120.7z"}},
        {"all there, names in another case", {{kOlder, 10}, {kFull, 20}, {L"larkmailbackup_pc1_anna_20261205_diff_20261201.7z", 3},
          {kToday, 4}, {kPrefix + L"20261125_diff_20261120.7z", 5}}, {}},
        {"a differential whose full is missing there, the full of another size",
         {{kOlder, 11}, {kToday, 4}, {kPrefix + L"20261205_diff_20261201.7z", 3}, {kPrefix + L"20261125_diff_20261120.7z", 5}},
         {kFull, kOlder}},
        {"only today's differential of another size", {{kOlder, 10}, {kFull, 20}, {kToday, 40},
          {kPrefix + L"20261205_diff_20261201.7z", 3}, {kPrefix + L"20261125_diff_20261120.7z", 5}}, {kToday}},
    };
    for (const auto& c : cases) EXPECT_EQ(ListPendingArchives(backup, c.copy, L"PC1", L"anna"), c.pending) << c.what;
}

class SecondCopyTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetFakePlatform();
        LoadLanguageTable(ProcessLanguageTable(), L"");
        SetFakeFolder(L"C:\\Users\\anna\\AppData\\Local\\Larkmail");
        SetFakeFile(kFolder + kToday, "TODAY");
        SetFakeFile(kFolder + kFull, "FULL OF 12-01");
        SetFakeFile(kFolder + kOlder, "FULL OF 11-20");
        SetFakeFolder(kShare);
        SetFakeFile(kShare + kOlder, "FULL OF 11-20");  // there already
        SetFakeFile(kShare + kFull, "FULL, CUT");      // another size: copied again
        SetFakeFile(kShare + L"notes.txt", "the user's");
        SetFakeFile(kShare + L"LarkmailBackup_PC2_anna_20261101.7z", "another computer's");
        SetFakeFile(kShare + kPrefix + L"20261101.7z", "ours, long gone from the backup folder");
        SetFakeFile(kShare + kKilled, "a killed copy's");
        SetFakeFile(kShare + kPrefix + L"20261206.7z.777.tmp", "a copy still running");
        SetFakeProcesses({{777, L"C:\\Tools\\LarkmailBackup.exe"}});
    }
    static BackupRequest Request() {
        BackupRequest request;
        request.backupFolder = kFolder;
        request.dataFolder = L"C:\\Users\\anna\\AppData\\Local\\Larkmail";
        request.computer = L"PC1";
        request.user = L"anna";
        request.today = LocalTime{2026, 12, 7, 15, 35, 1};
        request.keepDays = 20;
        request.copyFolder = kShare;
        return request;
    }
    static BackupResult Saved() {
        BackupResult result;
        result.status = BackupStatus::Success;
        result.backupFolder = kFolder;
        result.archivePath = kFolder + kToday;
        return result;
    }
};

TEST_F(SecondCopyTest, CopiesThroughATestedTemporaryAndLeavesEverythingElse) {
    std::map<std::wstring, std::string> keptThere = {
        {kOlder, "FULL OF 11-20"}, {L"notes.txt", "the user's"},
        {L"LarkmailBackup_PC2_anna_20261101.7z", "another computer's"},
        {kPrefix + L"20261101.7z", "ours, long gone from the backup folder"},
        {kPrefix + L"20261206.7z.777.tmp", "a copy still running"}, {kKilled, "a killed copy's"}};
    const auto failTest = [](const std::wstring& name) {
        FakeProgramScript failing;
        failing.exitCode = 2;
        ScriptFakeProgram(TestLine(name), failing);
    };
    const struct {
        const char* what;
        std::function<void(BackupRequest&, BackupResult&)> arrange;
        SecondCopyState state;
        std::string code;
        std::wstring detail;
        std::vector<std::wstring> tests;                  // the 7-Zip runs, in order
        std::map<std::wstring, std::string> placed;       // names there afterwards, beyond keptThere
        std::vector<std::wstring> gone;                   // names no longer there
        std::string log;
    } cases[] = {
        {"both copied, the full first; retention there once nothing is pending", [](BackupRequest&, BackupResult&) {},
         SecondCopyState::UpToDate, "", L"", {TestLine(kFull), TestLine(kToday)},
         {{kFull, "FULL OF 12-01"}, {kToday, "TODAY"}}, {kPrefix + L"20261101.7z", kKilled},
         "Archives copied to the second folder: 2 12/07/2026 15:35:01\r\nOld archives removed: 1 12/07/2026 15:35:01\r\n"},
        {"the password reaches the test on standard input",
         [](BackupRequest& r, BackupResult&) {
             r.password = L"geheim";
             FakeProgramScript failing;
             failing.exitCode = 2;
             ScriptFakeProgram(L"\"C:\\work\\7z.exe\" t", failing);
             FakeProgramScript opened;
             opened.forInput = PasswordAnswerBytes(L"geheim");
             ScriptFakeProgram(L"\"C:\\work\\7z.exe\" t", opened);
         },
         SecondCopyState::UpToDate, "", L"", {TestLine(kFull, L"-sccUTF-8 "), TestLine(kToday, L"-sccUTF-8 ")},
         {{kFull, "FULL OF 12-01"}, {kToday, "TODAY"}}, {kPrefix + L"20261101.7z", kKilled},
         "Archives copied to the second folder: 2 12/07/2026 15:35:01\r\nOld archives removed: 1 12/07/2026 15:35:01\r\n"},
        // The earlier file of that name stays until a copy has passed its test; nothing is removed meanwhile.
        {"the full's copy fails its test, today's goes on",
         [&](BackupRequest&, BackupResult&) { failTest(kFull); }, SecondCopyState::Pending, "LogSecondCopyTestFailed",
         kShare + kFull, {TestLine(kFull), TestLine(kToday)}, {{kFull, "FULL, CUT"}, {kToday, "TODAY"}},
         {kKilled}, "Archives copied to the second folder: 1 12/07/2026 15:35:01\r\n"},
        {"a full disk stops at the first copy", [](BackupRequest&, BackupResult&) { SetFakeFolderFull(kShare); },
         SecondCopyState::Pending, "LogSecondCopyNotWritten", kShare + kFull, {}, {{kFull, "FULL, CUT"}},
         {kKilled}, ""},
        {"the share is gone", [](BackupRequest& r, BackupResult&) { r.copyFolder = L"\\\\nas\\gone\\anna\\"; },
         SecondCopyState::Pending, "LogSecondCopyUnreachable", L"\\\\nas\\gone\\anna\\", {}, {{kFull, "FULL, CUT"}},
         {}, ""},
        {"the share does not answer", [](BackupRequest&, BackupResult&) { SetFakeFolderUnanswered(L"\\\\nas\\backup"); },
         SecondCopyState::Pending, "LogSecondCopyUnreachable", kShare, {}, {{kFull, "FULL, CUT"}}, {}, ""},
        {"the backup folder itself", [](BackupRequest& r, BackupResult&) { r.copyFolder = L"d:\\backups\\"; },
         SecondCopyState::Pending, "LogSecondCopyInBackup", L"d:\\backups\\", {}, {{kFull, "FULL, CUT"}}, {}, ""},
        {"a failed backup tries nothing", [](BackupRequest&, BackupResult& b) { b.status = BackupStatus::TestFailed; },
         SecondCopyState::NotTried, "", L"", {}, {{kFull, "FULL, CUT"}}, {}, ""},
        {"no CopyDir", [](BackupRequest& r, BackupResult&) { r.copyFolder.clear(); }, SecondCopyState::Off, "", L"", {},
         {{kFull, "FULL, CUT"}}, {}, ""},
    };
    for (const auto& c : cases) {
        SetUp();
        BackupRequest request = Request();
        BackupResult result = Saved();
        c.arrange(request, result);
        const std::uint64_t start = ReadTickMilliseconds();
        const SecondCopyOutcome outcome = UpdateSecondCopy(request, result);
        EXPECT_LE(ReadTickMilliseconds() - start, 30000u) << c.what;
        EXPECT_EQ(outcome.state, c.state) << c.what;
        EXPECT_EQ(std::string(outcome.cause.code.begin(), outcome.cause.code.end()), c.code) << c.what;
        EXPECT_EQ(outcome.cause.detail, c.detail) << c.what;
        std::vector<std::wstring> tests;
        for (const FakeStart& s : FakeStarts()) tests.push_back(s.commandLine);
        EXPECT_EQ(tests, c.tests) << c.what;
        std::map<std::wstring, std::string> expected = keptThere;
        for (const auto& p : c.placed) expected[p.first] = p.second;
        for (const std::wstring& name : c.gone) expected.erase(name);
        std::map<std::wstring, std::string> there;
        for (const std::wstring& path : FakePaths())
            if (path.size() > kShare.size() && path.compare(0, kShare.size(), kShare) == 0)
                there[path.substr(kShare.size())] = FakeFileBytes(path);
        EXPECT_EQ(there, expected) << c.what;
        // Every copy was written through before its test and its name.
        for (const std::wstring& name : {kFull, kToday}) {
            const std::wstring temp = kShare + name + L".4242.tmp";
            std::vector<std::wstring> events;
            for (const std::wstring& e : FakeDiskEvents())
                if (e.find(temp) != std::wstring::npos) events.push_back(e);
            if (events.empty()) continue;
            std::vector<std::wstring> written = {L"copy " + kFolder + name + L" > " + temp, L"flush " + temp};
            if (there[name] == FakeFileBytes(kFolder + name)) written.push_back(L"replace " + temp + L" > " + kShare + name);
            EXPECT_EQ(events, written) << c.what;
        }
        EXPECT_EQ(FakeFileBytes(kLog), c.log) << c.what;
    }
}

// Pending keeps the day it began; up to date or off clears it; a run that did not try keeps it.
TEST_F(SecondCopyTest, TheRecordKeepsTheDayTheCopyFellBehind) {
    const SecondCopyOutcome pending{SecondCopyState::Pending, {L"LogSecondCopyUnreachable", L"E:\\B\\"}, 0};
    const struct {
        SecondCopyOutcome copy;
        const char* before;  // the record's copy lines, or none
        std::string after;
        std::string log;
    } cases[] = {
        {pending, nullptr,
         "CopyPendingSince = 2026-12-07 15:35:01\r\nCopyCode = LogSecondCopyUnreachable\r\nCopyDetail = E:\\B\\\r\n",
         "Second copy pending since 12/07/2026. The second folder cannot be reached: E:\\B\\ 12/07/2026 15:35:01\r\n"},
        {pending, "CopyPendingSince = 2026-12-03 02:30:00\r\nCopyCode = LogSecondCopyNotWritten\r\nCopyDetail = x\r\n",
         "CopyPendingSince = 2026-12-03 02:30:00\r\nCopyCode = LogSecondCopyUnreachable\r\nCopyDetail = E:\\B\\\r\n",
         "Second copy pending since 12/03/2026. The second folder cannot be reached: E:\\B\\ 12/07/2026 15:35:01\r\n"},
        {{}, "CopyPendingSince = 2026-12-03 02:30:00\r\nCopyCode = LogSecondCopyNotWritten\r\nCopyDetail = x\r\n",
         "CopyPendingSince = 2026-12-03 02:30:00\r\nCopyCode = LogSecondCopyNotWritten\r\nCopyDetail = x\r\n", ""},
        {{SecondCopyState::UpToDate, {}, 2}, "CopyPendingSince = 2026-12-03 02:30:00\r\nCopyCode = X\r\nCopyDetail = x\r\n",
         "", ""},
        {{SecondCopyState::Off, {}, 0}, "CopyPendingSince = 2026-12-03 02:30:00\r\nCopyCode = X\r\nCopyDetail = x\r\n", "", ""},
        {{}, "CopyPendingSince = 2026-12-33 02:30:00\r\nCopyCode = X\r\nCopyDetail = x\r\n", "", ""},  // damaged: none
    };
    const std::string head = "\xEF\xBB\xBF\r\nWhen = 2026-12-07 15:35:01\r\nResult = saved\r\nReason = r\r\nCode = \r\n"
                             "Detail = \r\nArchive = a.7z\r\nSize = 5\r\nSeen = 0\r\n";
    for (const auto& c : cases) {
        SetUp();
        if (c.before) SetFakeFile(L"lmbackup.last", head + c.before);
        LastBackup attempt = ParseLastBackup(head);
        attempt.when = ReadLocalTime();
        RecordBackupAttempt(attempt, c.copy);
        // A saved record without LastGood is itself the last good backup.
        EXPECT_EQ(FakeFileBytes(L"lmbackup.last"), head + "LastGood = 2026-12-07 15:35:01\r\n" + c.after) << c.after;
        EXPECT_EQ(FakeFileBytes(kLog), c.log);
    }
}

}  // namespace
