// Start-up: settings file, 7-Zip files, mode choice and the interactive checks; the exit sequence.
#include "app/startup.h"

#include "app/command_line.h"
#include "config/language_selection.h"
#include "config/language_table.h"
#include "engine/backup/unattended_backup.h"
#include "engine/restore/restore_journal.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/payload.h"
#include "platform/system.h"
#include "ui/main_window.h"

namespace {

constexpr wchar_t kInstanceLockName[] = L"Larkmail Backup";
constexpr wchar_t kLanguageFolder[] = L"Lang";
constexpr wchar_t kDataFolderTail[] = L"\\AppData\\Local\\Larkmail";

void WriteToolFileWhenMissing(const std::wstring& name, PayloadItem item) {
    // A file or folder of that name is the user's: never compared or replaced.
    if (LookUpPathKind(name) != PathKind::Missing) return;
    const std::string bytes = LoadPayloadBytes(item);
    // An empty tool would be kept forever; better write nothing.
    if (bytes.empty()) return;
    WriteFileReplacing(name, bytes);
}

// Steps 6 to 10; false when start-up refused to go on.
bool RunInteractiveChecks() {
    ProcessSettings() = ReadAllSettings();
    if (LookUpPathKind(kLanguageFolder) == PathKind::Missing) {
        // Fixed English: no language table is loaded yet.
        ShowMessageBox(L"Error", L"Language folder missing, defaulting to English.", kBoxExclamationOk);
    }
    ApplyLanguageSetting(ProcessSettings().language);
    if (!TakeSingleInstanceLock(kInstanceLockName)) {
        ShowMessageBox(LookUpText(L"Messages", L"Error"), LookUpText(L"Misc", L"AppRunning"), kBoxExclamationOk);
        return false;
    }
    const std::wstring dataFolder = ReadEnvironmentText(L"userprofile") + kDataFolderTail;
    // Under the instance lock: no other window can be restoring this folder.
    RepairInterruptedRestore(dataFolder);
    if (LookUpPathKind(dataFolder) == PathKind::Missing) {
        ShowMessageBox(LookUpText(L"Messages", L"Error"), LookUpText(L"Messages", L"LMPathMsg"), kBoxErrorOk);
        return false;
    }
    ProcessDataFolder() = dataFolder;
    return true;
}

}  // namespace

Settings& ProcessSettings() {
    static Settings settings;
    return settings;
}

std::wstring& ProcessDataFolder() {
    static std::wstring folder;
    return folder;
}

void WriteArchiveToolFiles() {
    WriteToolFileWhenMissing(L"7z.exe", PayloadItem::SevenZipExe);
    WriteToolFileWhenMissing(L"7z.dll", PayloadItem::SevenZipDll);
}

void MoveToSettingsFolder() {
    if (LookUpPathKind(kSettingsFileName) != PathKind::Missing) return;
    const std::wstring exe = ReadExecutablePath();
    const std::size_t slash = exe.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return;
    const std::wstring folder = exe.substr(0, slash + 1);
    if (LookUpPathKind(folder + kSettingsFileName) == PathKind::File) ChangeCurrentFolder(folder);
}

void RunExitSequence() {
    // Settings and language files are closed after every use, so none is open here.
    ReleaseProcessServices();
}

int RunProgram(const std::vector<std::wstring>& arguments) {
    // Arguments after the first are ignored: they used to leave an invisible
    // process that nothing could end.
    const bool unattended = IsUnattendedRequest(arguments);
    InitializeProcessServices(!unattended);
    // The main window registers TaskbarCreated itself when it is built.
    if (unattended) MoveToSettingsFolder();
    EnsureSettingsFile();
    WriteArchiveToolFiles();
    if (unattended) {
        const int exitCode = RunUnattendedBackup();
        RunExitSequence();
        return exitCode;
    }
    const int exitCode = RunInteractiveChecks() ? RunMainWindow(ProcessSettings(), ProcessDataFolder()) : 0;
    RunExitSequence();
    return exitCode;
}
