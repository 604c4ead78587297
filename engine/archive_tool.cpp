// The 7-Zip console program: archive names, command lines, runs and how a run ended.
#include "engine/archive_tool.h"

#include <cwchar>

namespace {

std::wstring PadNumber(int value, int width) {
    wchar_t buffer[16];
    std::swprintf(buffer, 16, L"%0*d", width, value);
    return buffer;
}

bool HasBlank(const std::wstring& text) {
    return text.find(L' ') != std::wstring::npos;
}

// 7-Zip reads a quoted stretch and the text glued to it as one argument, and
// a backslash before the closing quote is no escape, so "C:\a b\" is safe.
std::wstring QuotedWhenBlank(const std::wstring& path) {
    return HasBlank(path) ? L"\"" + path + L"\"" : path;
}

}  // namespace

std::wstring ArchiveName(const std::wstring& computer, const std::wstring& user, const LocalTime& day) {
    return L"LarkmailBackup_" + computer + L"_" + user + L"_" + PadNumber(day.year, 4) +
           PadNumber(day.month, 2) + PadNumber(day.day, 2) + L".7z";
}

std::wstring BuildBackupParameters(int level, const std::wstring& backupFolder,
                                   const std::wstring& archiveName, const std::wstring& dataFolder) {
    return L"a -mmt -mx=" + std::to_wstring(level) + L" -slp -y -bsp1 " + QuotedWhenBlank(backupFolder) +
           archiveName + L" " + QuotedWhenBlank(dataFolder);
}

std::wstring BuildRestoreParameters(const std::wstring& targetFolder, const std::wstring& archivePath) {
    return L"x -o" + QuotedWhenBlank(targetFolder) + L" -bsp1 " + QuotedWhenBlank(archivePath);
}

std::wstring BuildFolderRestoreParameters(const std::wstring& targetFolder, const std::wstring& archivePath,
                                          const std::wstring& archiveFolder) {
    return L"x -o" + QuotedWhenBlank(targetFolder) + L" -bsp1 -y -- " + QuotedWhenBlank(archivePath) + L" " +
           QuotedWhenBlank(archiveFolder);
}

std::wstring BuildTestParameters(const std::wstring& archivePath) {
    return L"t -bsp1 " + QuotedWhenBlank(archivePath);
}

ProgramHandle StartArchiveTool(const std::wstring& parameters, bool wait) {
    StartOptions options;
    options.wait = wait;
    options.hidden = true;
    options.keepHandle = true;
    options.readOutput = true;
    return StartProgram(L"7z.exe", parameters, options);
}

bool ArchiveToolRunning(ProgramHandle handle) {
    return ProgramRunning(handle);
}

ToolOutcome FinishArchiveTool(ProgramHandle handle) {
    ToolOutcome outcome;
    if (handle == 0) return outcome;
    outcome.started = true;
    // Nobody reads the figures here; the pipe is emptied so 7-Zip never waits on it.
    while (WaitForProgramOrOutput(handle, kWaitForever) != ProgramWake::Ended) TakeProgramOutput(handle);
    outcome.exitCode = ProgramExitCode(handle);
    ReleaseProgram(handle);
    return outcome;
}
