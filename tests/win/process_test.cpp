// Child programs on the real platform: exact command lines, exit codes, waits,
// the output pipe, and the real 7z.exe with the quoted forms the backup uses.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>

#include "engine/console/archive_tool.h"
#include "engine/console/tool_progress.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/system.h"
#include "platform/text.h"
#include "tests/win/win_test_folder.h"

namespace {

void WriteOut(const std::string& bytes) {
    _setmode(_fileno(stdout), _O_BINARY);
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
}

// This test program doubles as the child: started with "--child-..." it
// does one small job before GoogleTest ever runs.
int RunChildJob(const std::wstring& text) {
    std::wstring job = text.substr(0, text.find(L' '));
    std::wstring rest = text.size() > job.size() ? text.substr(job.size() + 1) : L"";
    if (job == L"--child-echo") {
        WriteOut(Utf8FromWide(text) + "\n");
        return 0;
    }
    if (job == L"--child-lines") {
        WriteOut("first\r\nzwei \xC3\xBC\r\n\nbad \xFF byte\nlast without end");
        return 0;
    }
    if (job == L"--child-many") {
        std::string lines;
        for (int i = 0; i < 20000; ++i) lines += "line " + std::to_string(i) + "\r\n";
        WriteOut(lines);
        return 0;
    }
    if (job == L"--child-progress") {
        WriteOut("\nScanning\n  5%");
        PauseMilliseconds(300);
        WriteOut("\b\b\b\b 60% 2 + a");
        PauseMilliseconds(300);
        return 4;
    }
    if (job == L"--child-cwd") {
        WriteOut(Utf8FromWide(ReadCurrentFolder()) + "\n");
        return 0;
    }
    if (job == L"--child-sleep") {
        PauseMilliseconds((std::uint32_t)std::wcstoul(rest.c_str(), nullptr, 10));
        return 3;
    }
    if (job == L"--child-exit") return (int)std::wcstol(rest.c_str(), nullptr, 10);
    if (job == L"--child-hold-lock") {
        FileLock lock;
        if (TakeFileLock(rest, lock) != FileLockState::Taken) return 5;
        WriteOut("held\n");
        PauseMilliseconds(60000);
        return 0;
    }
    return 99;
}

const bool kRunningAsChild = [] {
    std::wstring text = ReadCommandLineText();
    if (text.rfind(L"--child-", 0) != 0) return false;
    std::exit(RunChildJob(text));
}();

StartOptions Options(bool wait, bool keep, bool output) {
    StartOptions options;
    options.wait = wait;
    options.hidden = true;
    options.keepHandle = keep;
    options.readOutput = output;
    return options;
}

std::vector<std::wstring> ReadAllLines(ProgramHandle handle) {
    std::vector<std::wstring> lines;
    while (ProgramHasOutput(handle)) lines.push_back(ReadProgramLine(handle));
    return lines;
}

TEST(ProcessTest, ChildGetsExactlyTheParameterText) {
    const std::wstring self = ReadExecutablePath();
    const std::wstring cases[] = {
        L"--child-echo",
        L"--child-echo a b",
        L"--child-echo   inner  blanks  kept ",
        L"--child-echo x -o\"C:\\out dir\\\" \"C:\\My Backups\\LarkmailBackup_PC1_anna_20261208.7z\"",
        L"--child-echo a -mmt -mx=5 -slp -y \"C:\\My Backups\\\"LarkmailBackup_PC1_anna_20261207.7z C:\\U",
        L"--child-echo J\u00FCrgen \u0416 \u20AC",
    };
    for (const std::wstring& parameters : cases) {
        for (bool quotedAlready : {false, true}) {
            std::wstring program = quotedAlready ? L"\"" + self + L"\"" : self;
            bool started = false;
            ProgramHandle child = StartProgram(program, parameters, Options(false, true, true), &started);
            ASSERT_TRUE(started);
            ASSERT_NE(child, 0u);
            EXPECT_EQ(ReadProgramLine(child), parameters);
            EXPECT_TRUE(WaitForProgram(child, kWaitForever));
            EXPECT_EQ(ProgramExitCode(child), 0);
            ReleaseProgram(child);
        }
    }
}

// The same lines through the pipe and through the temporary file.
TEST(ProcessTest, OutputLinesDropCarriageReturnsAndDecodeUtf8) {
    for (bool throughFile : {false, true}) {
        StartOptions options = Options(false, true, true);
        options.outputThroughFile = throughFile;
        ProgramHandle child = StartProgram(ReadExecutablePath(), L"--child-lines", options);
        ASSERT_NE(child, 0u);
        if (throughFile) {
            EXPECT_TRUE(WaitForProgramLine(child, 30000));
        }
        ASSERT_TRUE(WaitForProgram(child, kWaitForever));
        std::vector<std::wstring> expected = {L"first", L"zwei \u00FC", L"", L"bad \uFFFD byte", L"last without end"};
        EXPECT_EQ(ReadAllLines(child), expected) << throughFile;
        EXPECT_FALSE(ProgramHasOutput(child));
        ReleaseProgram(child);
    }
}

TEST(ProcessTest, WaitingWithAPipeDrainsItSoTheChildCanEnd) {
    for (bool throughFile : {false, true}) {
        StartOptions options = Options(true, true, true);
        options.outputThroughFile = throughFile;
        ProgramHandle child = StartProgram(ReadExecutablePath(), L"--child-many", options);
        ASSERT_NE(child, 0u);
        EXPECT_FALSE(ProgramRunning(child));
        std::vector<std::wstring> lines = ReadAllLines(child);
        ASSERT_EQ(lines.size(), 20000u) << throughFile;
        EXPECT_EQ(lines.front(), L"line 0");
        EXPECT_EQ(lines.back(), L"line 19999");
        ReleaseProgram(child);
    }
    // A child that writes nothing for longer than the bound is given up on.
    StartOptions quiet = Options(false, true, true);
    quiet.outputThroughFile = true;
    ProgramHandle sleeper = StartProgram(ReadExecutablePath(), L"--child-sleep 5000", quiet);
    ASSERT_NE(sleeper, 0u);
    EXPECT_FALSE(WaitForProgramLine(sleeper, 1500));
    EndProgram(sleeper);
    ReleaseProgram(sleeper);
}

// Everything a run wrote, gathered the way the window and the unattended run wait.
std::string GatherOutput(ProgramHandle handle, int& outputWakes) {
    std::string all;
    outputWakes = 0;
    for (;;) {
        const ProgramWake wake = WaitForProgramOrOutput(handle, kWaitForever);
        all += TakeProgramOutput(handle);
        if (wake == ProgramWake::Ended) break;
        if (wake == ProgramWake::Output) ++outputWakes;
    }
    while (ProgramHasOutput(handle)) all += Utf8FromWide(ReadProgramLine(handle)) + "\n";
    return all;
}

TEST(ProcessTest, TheWaitWakesForEachWriteAndForTheEnd) {
    ProgramHandle child = StartProgram(ReadExecutablePath(), L"--child-progress", Options(false, true, true));
    ASSERT_NE(child, 0u);
    int wakes = 0;
    const std::string all = GatherOutput(child, wakes);
    EXPECT_GE(wakes, 2);  // each piece as it came, not all at the end
    ToolProgress progress;
    ReadToolProgress(progress, all);
    EXPECT_EQ(progress.percent, 60);
    EXPECT_EQ(ProgramExitCode(child), 4);
    EXPECT_EQ(WaitForProgramOrOutput(child, 0), ProgramWake::Ended);
    ReleaseProgram(child);
    EXPECT_EQ(WaitForProgramOrOutput(0, kWaitForever), ProgramWake::Ended);
    EXPECT_EQ(TakeProgramOutput(0), "");
}

// A lock file refuses every second holder, this process's own too, and goes
// with its holder: released, or its process ended by force.
TEST(ProcessTest, AFileLockHoldsUntilReleasedOrItsProcessEnds) {
    const std::wstring folder = MakeTestFolder(L"lock");
    ASSERT_FALSE(folder.empty());
    const std::wstring path = folder + L"\\LarkmailBackup.lock";
    FileLock first, second;
    EXPECT_EQ(TakeFileLock(path, first), FileLockState::Taken);
    EXPECT_EQ(TakeFileLock(path, second), FileLockState::Busy);
    EXPECT_EQ(second.token, 0u);
    ReleaseFileLock(first);
    EXPECT_TRUE(NamesIn(folder).empty());
    EXPECT_EQ(TakeFileLock(folder + L"\\missing\\LarkmailBackup.lock", second), FileLockState::Unavailable);

    ProgramHandle holder = StartProgram(ReadExecutablePath(), L"--child-hold-lock " + path, Options(false, true, true));
    ASSERT_NE(holder, 0u);
    ASSERT_TRUE(WaitForProgramLine(holder, 30000));
    EXPECT_EQ(ReadProgramLine(holder), L"held");
    EXPECT_EQ(TakeFileLock(path, first), FileLockState::Busy);
    EndProgram(holder);
    EXPECT_TRUE(WaitForProgram(holder, kWaitForever));
    ReleaseProgram(holder);
    EXPECT_EQ(TakeFileLock(path, first), FileLockState::Taken);
    ReleaseFileLock(first);
    EXPECT_TRUE(NamesIn(folder).empty());
    RemoveTree(folder);
}

TEST(ProcessTest, ExitCodesWaitsAndForcedEnd) {
    const std::wstring self = ReadExecutablePath();
    for (long code : {0L, 1L, 2L, 7L, 255L}) {
        ProgramHandle child = StartProgram(self, L"--child-exit " + std::to_wstring(code), Options(true, true, false));
        ASSERT_NE(child, 0u);
        EXPECT_FALSE(ProgramRunning(child));
        EXPECT_EQ(ProgramExitCode(child), code);
        ReleaseProgram(child);
    }

    ProgramHandle sleeper = StartProgram(self, L"--child-sleep 60000", Options(false, true, false));
    ASSERT_NE(sleeper, 0u);
    EXPECT_TRUE(ProgramRunning(sleeper));
    EXPECT_FALSE(WaitForProgram(sleeper, 50));
    EXPECT_EQ(ProgramExitCode(sleeper), -1);
    EndProgram(sleeper);
    EXPECT_TRUE(WaitForProgram(sleeper, kWaitForever));
    EXPECT_FALSE(ProgramRunning(sleeper));
    EXPECT_EQ(ProgramExitCode(sleeper), 1);
    ReleaseProgram(sleeper);

    ProgramHandle shortNap = StartProgram(self, L"--child-sleep 200", Options(false, true, false));
    ASSERT_NE(shortNap, 0u);
    EXPECT_TRUE(WaitForProgram(shortNap, kWaitForever));
    EXPECT_EQ(ProgramExitCode(shortNap), 3);
    ReleaseProgram(shortNap);

    // Without a handle asked for, nothing comes back, but the start is told.
    bool started = false;
    EXPECT_EQ(StartProgram(self, L"--child-exit 0", Options(true, false, false), &started), 0u);
    EXPECT_TRUE(started);
}

TEST(ProcessTest, HandleZeroIsAnEndedProgram) {
    EXPECT_FALSE(ProgramRunning(0));
    EXPECT_TRUE(WaitForProgram(0, kWaitForever));
    EXPECT_EQ(ProgramExitCode(0), -1);
    EXPECT_FALSE(ProgramHasOutput(0));
    EXPECT_EQ(ReadProgramLine(0), L"");
    EndProgram(0);
    ReleaseProgram(0);
}

TEST(ProcessTest, MissingProgramStartsNothing) {
    std::wstring folder = MakeTestFolder(L"missing program");
    ASSERT_FALSE(folder.empty());
    for (bool output : {false, true}) {
        bool started = true;
        ProgramHandle child = StartProgram(folder + L"\\7z.exe", L"a x.7z y", Options(false, true, output), &started);
        EXPECT_EQ(child, 0u);
        EXPECT_FALSE(started);
    }
    RemoveTree(folder);
}

TEST(ProcessTest, WorkingFolderIsTheChildsCurrentFolder) {
    std::wstring folder = MakeTestFolder(L"work dir");
    ASSERT_FALSE(folder.empty());
    StartOptions options = Options(false, true, true);
    options.workingFolder = folder;
    ProgramHandle child = StartProgram(ReadExecutablePath(), L"--child-cwd", options);
    ASSERT_NE(child, 0u);
    EXPECT_EQ(ReadProgramLine(child), folder);
    WaitForProgram(child, kWaitForever);
    ReleaseProgram(child);
    RemoveTree(folder);
}

// The real 7-Zip, copied into a folder whose every path holds a blank.
class SevenZipTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::wstring payload = ReadEnvironmentText(L"LARKMAIL_PAYLOAD");
        if (payload.empty()) GTEST_SKIP() << "LARKMAIL_PAYLOAD not set";
        folder = MakeTestFolder(L"7z run");
        ASSERT_FALSE(folder.empty());
        for (const wchar_t* name : {L"7z.exe", L"7z.dll"})
            ASSERT_TRUE(WriteFileReplacing(folder + L"\\" + name, BytesOf(WinePathFromUnix(payload) + L"\\" + name)));
        data = folder + L"\\Anna Maria\\AppData\\Local\\Larkmail";
        ASSERT_TRUE(CreateFolderPath(data + L"\\Mail\\Inbox"));
        ASSERT_TRUE(WriteFileReplacing(data + L"\\prefs.js", "user_pref(\"a\", 1);\r\n"));
        ASSERT_TRUE(WriteFileReplacing(data + L"\\Mail\\Inbox\\1.eml", std::string("Subject: x\r\n\r\n\0\xFF", 16)));
    }
    void TearDown() override {
        if (!folder.empty()) RemoveTree(folder);
    }
    long Run(const std::wstring& parameters) {
        ProgramHandle tool = StartProgram(folder + L"\\7z.exe", parameters, Options(true, true, false));
        if (tool == 0) return -100;
        long code = ProgramExitCode(tool);
        ReleaseProgram(tool);
        return code;
    }
    std::wstring folder, data;
};

TEST_F(SevenZipTest, QuotedBackupAndRestoreFormsWork) {
    const std::wstring archive = folder + L"\\My Backups\\LarkmailBackup_X.7z";
    EXPECT_EQ(Run(L"a -mmt -mx=0 -slp -y \"" + folder + L"\\My Backups\\\"LarkmailBackup_X.7z \"" + data + L"\""), 0);
    EXPECT_GT(ReadFileSize(archive), 0);
    EXPECT_EQ(NamesIn(folder + L"\\My Backups"), std::vector<std::wstring>{L"LarkmailBackup_X.7z"});

    EXPECT_EQ(Run(L"x -o\"" + folder + L"\\out dir\\\" \"" + archive + L"\""), 0);
    EXPECT_EQ(NamesIn(folder + L"\\out dir"), std::vector<std::wstring>{L"Larkmail"});
    EXPECT_EQ(BytesOf(folder + L"\\out dir\\Larkmail\\prefs.js"), BytesOf(data + L"\\prefs.js"));
    EXPECT_EQ(BytesOf(folder + L"\\out dir\\Larkmail\\Mail\\Inbox\\1.eml"), std::string("Subject: x\r\n\r\n\0\xFF", 16));

    ProgramHandle list = StartProgram(folder + L"\\7z.exe", L"l \"" + archive + L"\"", Options(false, true, true));
    ASSERT_NE(list, 0u);
    bool listed = false, banner = false;
    for (const std::wstring& line : ReadAllLines(list)) {
        banner = banner || line.rfind(L"7-Zip ", 0) == 0;
        listed = listed || line.find(L"Larkmail\\Mail\\Inbox\\1.eml") != std::wstring::npos;
    }
    EXPECT_TRUE(banner);
    EXPECT_TRUE(listed);
    EXPECT_TRUE(WaitForProgram(list, kWaitForever));
    EXPECT_EQ(ProgramExitCode(list), 0);
    ReleaseProgram(list);
}

// The program's own command lines, 7-Zip without a console and its figure through the pipe.
TEST_F(SevenZipTest, BackupTestAndRestoreReportTheirPercentage) {
    const std::wstring backups = folder + L"\\My Backups\\";
    ASSERT_TRUE(CreateFolderPath(backups));
    const std::wstring runs[] = {
        BuildBackupParameters(5, backups, L"LarkmailBackup_Z.7z", data),
        BuildTestParameters(backups + L"LarkmailBackup_Z.7z"),
        BuildRestoreParameters(folder + L"\\out two\\", backups + L"LarkmailBackup_Z.7z"),
    };
    for (const std::wstring& parameters : runs) {
        ProgramHandle tool = StartProgram(folder + L"\\7z.exe", parameters, Options(false, true, true));
        ASSERT_NE(tool, 0u) << Utf8FromWide(parameters);
        int wakes = 0;
        const std::string all = GatherOutput(tool, wakes);
        ToolProgress progress;
        ReadToolProgress(progress, all);
        EXPECT_GE(progress.percent, 0) << all;
        EXPECT_EQ(ProgramExitCode(tool), 0) << all;
        ReleaseProgram(tool);
    }
    EXPECT_EQ(BytesOf(folder + L"\\out two\\Larkmail\\prefs.js"), BytesOf(data + L"\\prefs.js"));
}

TEST_F(SevenZipTest, MissingSourceIsExitCodeOne) {
    EXPECT_EQ(Run(L"a -mmt -mx=0 -slp -y \"" + folder + L"\\My Backups\\\"LarkmailBackup_Y.7z \"" + folder +
                  L"\\Nobody Here\\AppData\\Local\\Larkmail\""),
              1);
}

}  // namespace
