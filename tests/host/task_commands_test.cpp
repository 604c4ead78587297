// Creating, finding and removing the backup task over the recording process runner.
#include "schedule/task_commands.h"

#include <gtest/gtest.h>

#include "config/language_table.h"
#include "engine/report/backup_log.h"
#include "platform/fake/fake_platform.h"
#include "schedule/task_xml.h"

namespace {

const std::wstring kQuery = L"\"schtasks\" /query";
const std::wstring kLog = L"C:\\work\\Backup.log";
const std::vector<std::wstring> kListed = {
    L"",
    L"Folder: \\",
    L"TaskName                                 Next Run Time          Status",
    L"======================================== ====================== ===============",
    L"OneDrive Reporting Task                  12/8/2026 9:14:00 PM   Ready",
    L"BackupLarkmail                           12/9/2026 2:30:00 AM   Ready",
};
const std::vector<std::wstring> kNotListed = {kListed.begin(), kListed.end() - 1};
constexpr int kHangs = 1000000;  // still running after every bounded wait

FakeProgramScript Output(const std::vector<std::wstring>& lines, int polls = 0) {
    FakeProgramScript script;
    script.outputLines = lines;
    script.pollsWhileRunning = polls;
    return script;
}

FakeProgramScript Hanging() {
    FakeProgramScript script;
    script.pollsWhileRunning = kHangs;
    return script;
}

class TaskCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetFakePlatform();
        LoadLanguageTable(ProcessLanguageTable(), L"");
    }
    static std::vector<std::wstring> CommandLines() {
        std::vector<std::wstring> lines;
        for (const FakeStart& start : FakeStarts()) lines.push_back(start.commandLine);
        return lines;
    }
    static void ExpectShownAndBounded(const FakeStart& start) {
        EXPECT_FALSE(start.options.hidden) << start.commandLine;
        EXPECT_FALSE(start.options.readOutput) << start.commandLine;
        EXPECT_TRUE(start.options.keepHandle) << start.commandLine;
        EXPECT_TRUE(start.options.workingFolder.empty()) << start.commandLine;
    }
    static void ExpectQuery(const FakeStart& start) {
        EXPECT_EQ(start.commandLine, kQuery);
        EXPECT_TRUE(start.options.hidden);
        EXPECT_TRUE(start.options.readOutput);
        EXPECT_TRUE(start.options.keepHandle);
        EXPECT_FALSE(start.options.wait);
        EXPECT_TRUE(start.options.workingFolder.empty());
    }
    static void ExpectOneBox(const std::wstring& text, unsigned type) {
        const std::vector<FakeBox> boxes = FakeBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].title, L"Error");
        EXPECT_EQ(boxes[0].text, text);
        EXPECT_EQ(boxes[0].type, type);
    }
};

TEST_F(TaskCommandsTest, CreateSendsEachFormAndLogsSuccess) {
    struct Case {
        const char* what;
        TaskSchedule schedule;
        std::wstring parameters;
    };
    const std::wstring tail = L" /tn BackupLarkmail /tr \"C:\\work\\LarkmailBackup /b\" /it /v1";
    const Case cases[] = {
        {"daily", {L"Daily", L"", L"", L"02", L"30"}, L"/create /sc daily /st 02:30" + tail},
        {"weekly", {L"Weekly", L"Fri", L"", L"07", L"00"}, L"/create /sc Weekly /d Fri /st 07:00" + tail},
        {"monthly", {L"Monthly", L"Mon", L"", L"23", L"59"}, L"/create /sc monthly /st 23:59" + tail},
        {"last day", {L"Monthly", L"Mon", L"LastDay", L"00", L"00"},
         L"/create /sc monthly /mo lastday /m * /st 00:00" + tail},
        {"second Monday", {L"Monthly", L"Mon", L"Second", L"23", L"05"},
         L"/create /sc monthly /d Mon /mo Second /st 23:05" + tail},
    };
    for (const Case& c : cases) {
        ResetFakePlatform();
        ScriptFakeProgram(kQuery, Output(kListed));
        EXPECT_TRUE(CreateBackupTask(c.schedule, L"D:\\Backups\\", AppendToBackupLog)) << c.what;
        const std::vector<FakeStart> starts = FakeStarts();
        ASSERT_EQ(starts.size(), 2u) << c.what;
        EXPECT_EQ(starts[0].commandLine, L"\"schtasks\" " + c.parameters) << c.what;
        ExpectShownAndBounded(starts[0]);
        ExpectQuery(starts[1]);
        EXPECT_EQ(FakeFileBytes(kLog), "Scheduled task successfully created. 12/07/2026 15:35:01\r\n") << c.what;
        EXPECT_TRUE(FakeBoxes().empty()) << c.what;
        EXPECT_EQ(FakeOpenPrograms(), 0) << c.what;
    }
}

TEST_F(TaskCommandsTest, CreateUsesTheCurrentFolderInFull) {
    struct Case {
        const char* what;
        std::wstring folder;
        std::wstring run;
    };
    const std::wstring deep = L"C:\\" + std::wstring(120, L'a') + L"\\" + std::wstring(150, L'b');
    const Case cases[] = {
        {"blank", L"C:\\Program Files\\Larkmail Backup",
         L"\"\\\"C:\\Program Files\\Larkmail Backup\\LarkmailBackup\\\" /b\""},
        {"longer than 260", deep, L"\"" + deep + L"\\LarkmailBackup /b\""},
    };
    for (const Case& c : cases) {
        ResetFakePlatform();
        SetFakeCurrentFolder(c.folder);
        ScriptFakeProgram(kQuery, Output(kListed));
        EXPECT_TRUE(CreateBackupTask({L"Daily", L"", L"", L"02", L"30"}, L"D:\\Backups\\", AppendToBackupLog)) << c.what;
        ASSERT_FALSE(FakeStarts().empty());
        EXPECT_EQ(FakeStarts()[0].commandLine,
                  L"\"schtasks\" /create /sc daily /st 02:30 /tn BackupLarkmail /tr " + c.run + L" /it /v1")
            << c.what;
    }
}

TEST_F(TaskCommandsTest, MissedRunsGoThroughADefinitionFileRemovedAfterwards) {
    struct Case {
        const char* what;
        std::wstring temp, domain;  // TEMP ("" unset; made as a folder unless it begins with "-")
        FakeProgramScript schtasks;
        std::wstring xmlPath;  // empty: schtasks is not run
        std::wstring userId;
        bool created;
        std::wstring box;
    };
    FakeProgramScript rejects;
    rejects.exitCode = 1;
    const std::wstring inTemp = L"C:\\Users\\Anna Maria\\AppData\\Local\\Temp\\LarkmailBackup-task-4242.xml";
    const std::wstring inProgram = L"C:\\work\\LarkmailBackup-task-4242.xml";
    const Case cases[] = {
        {"temp folder with a blank", L"C:\\Users\\Anna Maria\\AppData\\Local\\Temp", L"PC1", {}, inTemp,
         L"PC1\\anna", true, L""},
        {"no temp folder, no domain", L"", L"", {}, inProgram, L"anna", true, L""},
        {"rejected", L"", L"PC1", rejects, inProgram, L"PC1\\anna", false, L"Scheduled task not created."},
        {"hangs", L"", L"PC1", Hanging(), inProgram, L"PC1\\anna", false,
         L"The Task Scheduler did not answer in time."},
        // Never the plain line instead: its task would skip the nights.
        {"file cannot be written", L"-C:\\gone", L"PC1", {}, L"", L"", false, L"Scheduled task not created."},
    };
    const TaskSchedule daily{L"Daily", L"", L"", L"02", L"30", true};
    for (const Case& c : cases) {
        ResetFakePlatform();
        if (!c.temp.empty() && c.temp[0] == L'-') {
            SetFakeEnvironment(L"TEMP", c.temp.substr(1));
        } else if (!c.temp.empty()) {
            SetFakeFolder(c.temp);
            SetFakeEnvironment(L"TEMP", c.temp);
        }
        SetFakeEnvironment(L"USERDOMAIN", c.domain);
        SetFakeEnvironment(L"USERNAME", L"anna");
        std::string handed;
        FakeProgramScript schtasks = c.schtasks;
        schtasks.onStart = [&handed, &c] { handed = FakeFileBytes(c.xmlPath); };
        ScriptFakeProgram(L"\"schtasks\" /create", schtasks);
        ScriptFakeProgram(kQuery, Output(c.created ? kListed : kNotListed));
        EXPECT_EQ(CreateBackupTask(daily, L"D:\\Backups\\", AppendToBackupLog), c.created) << c.what;
        const std::vector<std::wstring> lines = CommandLines();
        if (c.xmlPath.empty()) {
            EXPECT_TRUE(lines.empty()) << c.what;
        } else {
            ASSERT_FALSE(lines.empty()) << c.what;
            EXPECT_EQ(lines[0], L"\"schtasks\" " + BuildXmlTaskParameters(L"BackupLarkmail", c.xmlPath)) << c.what;
            ExpectShownAndBounded(FakeStarts()[0]);
            // 02:30 has passed at 15:35: tomorrow, or the night would count as missed at once.
            EXPECT_EQ(handed, TaskXmlBytes(BuildTaskXml(daily, L"C:\\work", c.userId, L"2026-12-08"))) << c.what;
            EXPECT_FALSE(FakeFileExists(c.xmlPath)) << c.what;
        }
        for (const std::wstring& path : FakePaths()) EXPECT_EQ(path.find(L".xml"), std::wstring::npos) << path;
        EXPECT_EQ(FakeFileBytes(kLog), c.created ? "Scheduled task successfully created. 12/07/2026 15:35:01\r\n"
                                                 : "Scheduled task not created. 12/07/2026 15:35:01\r\n")
            << c.what;
        if (c.box.empty()) {
            EXPECT_TRUE(FakeBoxes().empty()) << c.what;
        } else {
            ASSERT_EQ(FakeBoxes().size(), 1u) << c.what;
            EXPECT_EQ(FakeBoxes()[0].text, c.box) << c.what;
        }
        EXPECT_EQ(FakeOpenPrograms(), 0) << c.what;
    }
}

TEST_F(TaskCommandsTest, CreateWithoutBackupPathRunsNothing) {
    EXPECT_FALSE(CreateBackupTask({L"Daily", L"", L"", L"02", L"30"}, L"", AppendToBackupLog));
    EXPECT_TRUE(FakeStarts().empty());
    ExpectOneBox(L"No backup path defined.", 0x10);
    EXPECT_FALSE(FakeFileExists(kLog));
}

TEST_F(TaskCommandsTest, CreateFailuresLogAndShowTaskFail) {
    struct Case {
        const char* what;
        FakeProgramScript schtasks;  // every schtasks command
        FakeProgramScript query;
    };
    FakeProgramScript missing;
    missing.starts = false;
    FakeProgramScript rejects;
    rejects.exitCode = 1;
    const Case cases[] = {
        {"rejected, not listed", rejects, Output(kNotListed)},
        {"empty listing", rejects, Output({})},
        {"schtasks missing", missing, missing},
    };
    for (const Case& c : cases) {
        ResetFakePlatform();
        ScriptFakeProgram(L"\"schtasks\"", c.schtasks);
        ScriptFakeProgram(kQuery, c.query);
        EXPECT_FALSE(CreateBackupTask({L"Weekly", L"", L"", L"07", L"00"}, L"D:\\Backups\\", AppendToBackupLog)) << c.what;
        const std::vector<std::wstring> lines = CommandLines();
        ASSERT_EQ(lines.size(), 2u) << c.what;
        EXPECT_EQ(lines[0],
                  L"\"schtasks\" /create /sc Weekly /d  /st 07:00 /tn BackupLarkmail /tr "
                  L"\"C:\\work\\LarkmailBackup /b\" /it /v1")
            << c.what;
        EXPECT_EQ(lines[1], kQuery) << c.what;
        EXPECT_EQ(FakeFileBytes(kLog), "Scheduled task not created. 12/07/2026 15:35:01\r\n") << c.what;
        ExpectOneBox(L"Scheduled task not created.", 0);
        EXPECT_EQ(FakeOpenPrograms(), 0) << c.what;
    }
}

TEST_F(TaskCommandsTest, CreateThatHangsIsEndedAndFails) {
    ScriptFakeProgram(L"\"schtasks\" /create", Hanging());
    ScriptFakeProgram(kQuery, Output(kListed));
    EXPECT_FALSE(CreateBackupTask({L"Daily", L"", L"", L"02", L"30"}, L"D:\\Backups\\", AppendToBackupLog));
    EXPECT_EQ(CommandLines().size(), 1u);  // no query after a time-out
    EXPECT_EQ(FakeFileBytes(kLog), "Scheduled task not created. 12/07/2026 15:35:01\r\n");
    ExpectOneBox(L"The Task Scheduler did not answer in time.", 0x10);
    EXPECT_EQ(FakeOpenPrograms(), 0);
}

TEST_F(TaskCommandsTest, CreateWhoseQueryHangsFailsWithOneBox) {
    std::vector<std::wstring> headerOnly(kListed.begin(), kListed.begin() + 4);
    ScriptFakeProgram(kQuery, Output(headerOnly, kHangs));
    EXPECT_FALSE(CreateBackupTask({L"Daily", L"", L"", L"02", L"30"}, L"D:\\Backups\\", AppendToBackupLog));
    EXPECT_EQ(FakeFileBytes(kLog), "Scheduled task not created. 12/07/2026 15:35:01\r\n");
    ExpectOneBox(L"The Task Scheduler did not answer in time.", 0x10);
    EXPECT_EQ(FakeOpenPrograms(), 0);
}

TEST_F(TaskCommandsTest, QueryAnswers) {
    struct Case {
        const char* what;
        FakeProgramScript query;
        bool exists;
    };
    FakeProgramScript missing;
    missing.starts = false;
    const Case cases[] = {
        {"listed", Output(kListed), true},
        {"listed while still running", Output(kListed, 50), true},
        {"first line", Output({L"BackupLarkmail"}, 50), true},
        {"longer name, other case", Output({L"Folder: \\", L"OLDbackuplarkmailX   N/A   Ready"}), true},
        {"only blanks", Output({L"", L"", L""}), false},
        {"not listed", Output(kNotListed), false},
        {"no output", Output({}), false},
        {"cannot start", missing, false},
    };
    for (const Case& c : cases) {
        ResetFakePlatform();
        ScriptFakeProgram(kQuery, c.query);
        EXPECT_EQ(BackupTaskExists(), c.exists) << c.what;
        ASSERT_EQ(FakeStarts().size(), 1u) << c.what;
        ExpectQuery(FakeStarts()[0]);
        EXPECT_TRUE(FakeBoxes().empty()) << c.what;
        EXPECT_FALSE(FakeFileExists(kLog)) << c.what;
        EXPECT_EQ(FakeOpenPrograms(), 0) << c.what;
    }
}

TEST_F(TaskCommandsTest, SilentQueryTimesOut) {
    std::vector<std::wstring> headerOnly(kListed.begin(), kListed.begin() + 4);
    ScriptFakeProgram(kQuery, Output(headerOnly, kHangs));
    EXPECT_FALSE(BackupTaskExists());
    EXPECT_EQ(QueryBackupTask(), TaskQueryResult::TimedOut);
    ExpectOneBox(L"The Task Scheduler did not answer in time.", 0x10);
    EXPECT_EQ(FakeOpenPrograms(), 0);
}

TEST_F(TaskCommandsTest, DeleteOutcomes) {
    struct Case {
        const char* what;
        FakeProgramScript remove;
        FakeProgramScript query;
        bool gone;
        std::size_t starts;
        bool timeOutBox;
    };
    const Case cases[] = {
        {"removed", FakeProgramScript{}, Output(kNotListed), true, 2, false},
        {"still listed", FakeProgramScript{}, Output(kListed), false, 2, false},
        {"delete hangs", Hanging(), Output(kNotListed), false, 1, true},
        {"query hangs", FakeProgramScript{}, Output({}, kHangs), false, 2, true},
    };
    for (const Case& c : cases) {
        ResetFakePlatform();
        ScriptFakeProgram(L"\"schtasks\" /delete", c.remove);
        ScriptFakeProgram(kQuery, c.query);
        EXPECT_EQ(DeleteBackupTask(), c.gone) << c.what;
        const std::vector<FakeStart> starts = FakeStarts();
        ASSERT_EQ(starts.size(), c.starts) << c.what;
        EXPECT_EQ(starts[0].commandLine, L"\"schtasks\" /delete /tn BackupLarkmail /f") << c.what;
        ExpectShownAndBounded(starts[0]);
        if (c.starts == 2) ExpectQuery(starts[1]);
        if (c.timeOutBox) {
            ExpectOneBox(L"The Task Scheduler did not answer in time.", 0x10);
        } else {
            EXPECT_TRUE(FakeBoxes().empty()) << c.what;
        }
        EXPECT_FALSE(FakeFileExists(kLog)) << c.what;
        EXPECT_EQ(FakeOpenPrograms(), 0) << c.what;
    }
}

TEST_F(TaskCommandsTest, OpenTaskSchedulerGoesThroughTheShell) {
    OpenTaskScheduler();
    const std::vector<FakeStart> starts = FakeStarts();
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].commandLine, L"\"taskschd.msc\" ");
    EXPECT_FALSE(starts[0].options.wait);
    EXPECT_FALSE(starts[0].options.hidden);
    EXPECT_FALSE(starts[0].options.keepHandle);
    EXPECT_FALSE(starts[0].options.readOutput);
    EXPECT_TRUE(FakeBoxes().empty());
}

}  // namespace
