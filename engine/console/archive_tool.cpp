// The 7-Zip console program: archive names, command lines, runs and how a run ended.
#include "engine/console/archive_tool.h"

#include <cwchar>

#include "config/language_table.h"
#include "platform/secrets.h"
#include "platform/text.h"

namespace {

std::wstring PadNumber(int value, int width) {
    wchar_t buffer[16];
    std::swprintf(buffer, 16, L"%0*d", width, value);
    return buffer;
}

constexpr wchar_t kPasswordSwitches[] = L"-p -mhe=on -sccUTF-8 ";
constexpr wchar_t kAnswerCharset[] = L"-sccUTF-8 ";
constexpr int kPasswordAnswers = 3;

bool HasBlank(const std::wstring& text) {
    return text.find(L' ') != std::wstring::npos;
}

// 7-Zip reads a quoted stretch and the text glued to it as one argument, and
// a backslash before the closing quote is no escape, so "C:\a b\" is safe.
std::wstring QuotedWhenBlank(const std::wstring& path) {
    return HasBlank(path) ? L"\"" + path + L"\"" : path;
}

// The folder alone is quoted where only it holds a blank (stored command
// lines and the tests know that form); a blank in the name (a user "Anna
// Maria") quotes the whole path, or 7-Zip would take two archives.
std::wstring ArchiveArgument(const std::wstring& folder, const std::wstring& name) {
    return HasBlank(name) ? L"\"" + folder + name + L"\"" : QuotedWhenBlank(folder) + name;
}

}  // namespace

std::wstring ArchiveName(const std::wstring& computer, const std::wstring& user, const LocalTime& day) {
    return L"LarkmailBackup_" + computer + L"_" + user + L"_" + PadNumber(day.year, 4) +
           PadNumber(day.month, 2) + PadNumber(day.day, 2) + L".7z";
}

std::wstring BuildBackupParameters(int level, const std::wstring& backupFolder, const std::wstring& archiveName,
                                   const std::wstring& dataFolder, bool encrypt) {
    return L"a -mmt -mx=" + std::to_wstring(level) + L" -slp -y -bsp1 " + (encrypt ? kPasswordSwitches : L"") +
           ArchiveArgument(backupFolder, archiveName) + L" " + QuotedWhenBlank(dataFolder);
}

std::wstring BuildDifferentialParameters(int level, const std::wstring& fullPath, const std::wstring& folderName,
                                         const std::wstring& diffPath, bool encrypt) {
    return L"u " + QuotedWhenBlank(fullPath) + L" " + QuotedWhenBlank(folderName) + L" -t7z -mx=" +
           std::to_wstring(level) + L" -u- -up0q3r2x2y2z0w2!" + QuotedWhenBlank(diffPath) + L" -bsp1" +
           (encrypt ? L" -p -mhe=on -sccUTF-8" : L"");
}

std::wstring BuildRestoreParameters(const std::wstring& targetFolder, const std::wstring& archivePath,
                                    bool withPassword, const std::wstring& overwrite) {
    return L"x -o" + QuotedWhenBlank(targetFolder) + (overwrite.empty() ? L"" : L" " + overwrite) + L" -bsp1 " +
           (withPassword ? kAnswerCharset : L"") + QuotedWhenBlank(archivePath);
}

std::wstring BuildFolderRestoreParameters(const std::wstring& targetFolder, const std::wstring& archivePath,
                                          const std::wstring& archiveFolder, bool withPassword,
                                          const std::wstring& overwrite) {
    return L"x -o" + QuotedWhenBlank(targetFolder) + L" " + overwrite + L" -bsp1 " +
           (withPassword ? kAnswerCharset : L"") + L"-- " + QuotedWhenBlank(archivePath) + L" " +
           QuotedWhenBlank(archiveFolder);
}

std::wstring BuildTestParameters(const std::wstring& archivePath, bool withPassword) {
    return L"t -bsp1 " + std::wstring(withPassword ? kAnswerCharset : L"") + QuotedWhenBlank(archivePath);
}

std::string PasswordAnswerBytes(const std::wstring& password) {
    // Sized once for the longest text it can become: a string that grows
    // leaves the password behind in the memory it gave up.
    std::string bytes;
    bytes.reserve(kPasswordAnswers * (password.size() * kMostUtf8PerUnit + 2));
    for (int i = 0; i < kPasswordAnswers; ++i) {
        AppendUtf8FromWide(bytes, password);
        bytes += "\r\n";
    }
    return bytes;
}

std::wstring ArchiveToolPath() {
    return JoinPath(ReadCurrentFolder(), L"7z.exe");
}

ProgramHandle StartArchiveTool(const std::wstring& parameters, bool wait, const std::wstring& password,
                               const std::wstring& workingFolder) {
    StartOptions options;
    options.workingFolder = workingFolder;
    options.wait = wait;
    options.hidden = true;
    options.keepHandle = true;
    options.readOutput = true;
    if (!password.empty()) options.standardInput = PasswordAnswerBytes(password);
    const ProgramHandle handle = StartProgram(ArchiveToolPath(), parameters, options);
    WipeBytes(options.standardInput);
    return handle;
}

bool OutputTellsWrongPassword(long exitCode, const std::wstring& output) {
    return exitCode == 2 && output.find(L"Wrong password") != std::wstring::npos;
}

bool ArchiveToolRunning(ProgramHandle handle) {
    return ProgramRunning(handle);
}

ToolOutcome FinishArchiveTool(ProgramHandle handle, ToolWatch& watch) {
    ToolOutcome outcome;
    if (handle == 0) return outcome;
    outcome.started = true;
    // The pipe is emptied as it fills, so 7-Zip never waits on it.
    while (WaitForProgramOrOutput(handle, ToolWatchWaitMs(watch)) != ProgramWake::Ended) WatchTool(watch, handle);
    // The list of files 7-Zip could not read comes last of all.
    ReadToolMessages(watch.messages, TakeRemainingOutput(handle));
    outcome.unreadFiles = watch.messages.unreadFiles;
    outcome.unreadCount = watch.messages.unreadCount;
    outcome.wrongPassword = watch.messages.wrongPassword;
    outcome.hung = watch.hung;
    outcome.exitCode = ProgramExitCode(handle);
    ReleaseProgram(handle);
    return outcome;
}

std::wstring ToolOutcomeText(const ToolOutcome& tool) {
    if (!tool.started) return LookUpText(L"Messages", L"ToolNotStarted");
    if (tool.hung) return LookUpText(L"Messages", L"ToolHung");
    switch (tool.exitCode) {
        case 1: return LookUpText(L"Messages", L"ToolExit1");
        case 2: return LookUpText(L"Messages", L"ToolExit2");
        case 7: return LookUpText(L"Messages", L"ToolExit7");
        case 8: return LookUpText(L"Messages", L"ToolExit8");
        case 255: return LookUpText(L"Messages", L"ToolExit255");
        default: return FillPlaceholder(LookUpText(L"Messages", L"ToolExitOther"), std::to_wstring(tool.exitCode));
    }
}
