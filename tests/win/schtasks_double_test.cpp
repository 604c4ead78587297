// The task parameter texts as a Windows program splits them, and the bounded pipe wait, with the schtasks double.
#include <gtest/gtest.h>

#include "platform/process.h"
#include "schedule/task_commands.h"
#include "schedule/task_xml.h"
#include "tests/win/win_test_folder.h"

namespace {

class SchtasksDoubleTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::wstring doubles = ReadEnvironmentText(L"LARKMAIL_DOUBLES");
        if (doubles.empty()) GTEST_SKIP() << "LARKMAIL_DOUBLES not set";
        folder = MakeTestFolder(L"schtasks double");
        ASSERT_FALSE(folder.empty());
        ASSERT_TRUE(WriteFileReplacing(At(L"schtasks.exe"), BytesOf(WinePathFromUnix(doubles) + L"\\schtasks.exe")));
    }
    void TearDown() override {
        if (!folder.empty()) RemoveTree(folder);
    }
    std::wstring At(const std::wstring& name) const { return folder + L"\\" + name; }
    // Runs the double to its end; its whole output.
    std::vector<std::wstring> Run(const std::wstring& parameters) {
        StartOptions options;
        options.hidden = true;
        options.keepHandle = true;
        options.readOutput = true;
        const ProgramHandle handle = StartProgram(At(L"schtasks.exe"), parameters, options);
        std::vector<std::wstring> lines;
        while (ProgramHasOutput(handle)) {
            EXPECT_TRUE(WaitForProgramLine(handle, kSchtasksTimeoutMs));
            lines.push_back(ReadProgramLine(handle));
        }
        WaitForProgram(handle, kSchtasksTimeoutMs);
        ReleaseProgram(handle);
        // The end of the pipe may come as one last empty read.
        while (lines.size() > 1 && lines.back().empty()) lines.pop_back();
        return lines;
    }
    std::wstring folder;
};

TEST_F(SchtasksDoubleTest, RunTextAndNameArriveWhole) {
    struct Case {
        const char* what;
        std::wstring taskName, currentFolder;
        std::string listed;  // the double's task list line: name, tab, run text
    };
    const Case cases[] = {
        {"plain", L"BackupLarkmail", L"C:\\Tools", "BackupLarkmail\tC:\\Tools\\LarkmailBackup /b\r\n"},
        {"blank folder", L"BackupLarkmail", L"C:\\Program Files\\App\\",
         "BackupLarkmail\t\"C:\\Program Files\\App\\LarkmailBackup\" /b\r\n"},
        {"blank name", L"Backup Larkmail", L"D:\\Mail Tools\\Set 2",
         "Backup Larkmail\t\"D:\\Mail Tools\\Set 2\\LarkmailBackup\" /b\r\n"},
    };
    for (const Case& c : cases) {
        DeleteFilePath(At(L"schtasks-tasks.txt"));
        DeleteFilePath(At(L"schtasks-calls.txt"));
        const std::wstring parameters =
            BuildTaskParameters({L"Monthly", L"Mon", L"Second", L"23", L"05"}, c.taskName, c.currentFolder);
        Run(parameters);
        EXPECT_EQ(BytesOf(At(L"schtasks-tasks.txt")), c.listed) << c.what;
        EXPECT_EQ(BytesOf(At(L"schtasks-calls.txt")), std::string(parameters.begin(), parameters.end()) + "\r\n")
            << c.what;
    }
}

// The /xml path arrives whole, and the double takes the action out of the definition as the scheduler would.
TEST_F(SchtasksDoubleTest, DefinitionFileArrivesWhole) {
    const std::wstring xmlPath = At(L"Anna Maria Temp.xml");
    const std::string bytes = TaskXmlBytes(BuildTaskXml({L"Weekly", L"Fri", L"", L"02", L"30"},
                                                        L"C:\\Program Files\\Mail & Co", L"PC1\\anna", L"2026-12-08"));
    ASSERT_TRUE(WriteFileReplacing(xmlPath, bytes));
    Run(BuildXmlTaskParameters(L"Backup Larkmail", xmlPath));
    EXPECT_EQ(BytesOf(At(L"schtasks-tasks.txt")),
              "Backup Larkmail\t\"C:\\Program Files\\Mail & Co\\LarkmailBackup.exe\" /b\tC:\\Program Files\\Mail & Co\r\n");
    EXPECT_EQ(BytesOf(At(L"schtasks-task.xml")), bytes);
}

TEST_F(SchtasksDoubleTest, QueryListsTheTaskLineByLine) {
    Run(BuildTaskParameters({L"Daily", L"", L"", L"02", L"30"}, L"BackupLarkmail", L"C:\\Tools"));
    const std::vector<std::wstring> lines = Run(L"/query");
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], L"");
    EXPECT_EQ(lines[1], L"Folder: \\");
    EXPECT_TRUE(QueryLineNamesTask(lines[4], L"BackupLarkmail"));
    for (std::size_t i = 0; i < 4; ++i) EXPECT_FALSE(QueryLineNamesTask(lines[i], L"BackupLarkmail")) << i;
}

TEST_F(SchtasksDoubleTest, SilentProgramTimesOutAndCanBeEnded) {
    ASSERT_TRUE(WriteFileReplacing(At(L"schtasks-hang.txt"), ""));
    StartOptions options;
    options.hidden = true;
    options.keepHandle = true;
    options.readOutput = true;
    const ProgramHandle handle = StartProgram(At(L"schtasks.exe"), L"/query", options);
    ASSERT_NE(handle, 0u);
    EXPECT_TRUE(ProgramHasOutput(handle));
    EXPECT_FALSE(WaitForProgramLine(handle, 300));
    EndProgram(handle);
    EXPECT_TRUE(WaitForProgram(handle, 10000));
    EXPECT_TRUE(WaitForProgramLine(handle, 10000));  // the pipe's end is there at once now
    ReleaseProgram(handle);
}

}  // namespace
