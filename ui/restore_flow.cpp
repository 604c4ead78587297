// The restore from the window (control 11, menu item 51): the questions, the file requester, the result box.
#include "ui/restore_flow.h"

#include "config/language_table.h"
#include "engine/archive_listing.h"
#include "engine/archive_tree.h"
#include "engine/backup_job.h"
#include "engine/backup_log.h"
#include "engine/restore_job.h"
#include "engine/path_compare.h"
#include "engine/tool_progress.h"
#include "platform/dialogs.h"
#include "platform/window.h"
#include "ui/main_window.h"
#include "ui/restore_dialog.h"
#include "ui/tray.h"

namespace {

constexpr wchar_t kArchiveFilter[] = L"7-Zip (*.7z)|*.7z";

std::wstring Text(const wchar_t* group, const wchar_t* key) {
    return LookUpText(group, key);
}

void ShowCancelled() {
    ShowMessageBox(Text(L"RestoreMsgs", L"Cancelled"), Text(L"RestoreMsgs", L"Cancelled2"), kBoxInformationOk);
}

// The box first, then the line: the log records what the user was told.
void ReportFailure(const std::wstring& logLine, const std::wstring& boxText) {
    ShowMessageBox(Text(L"Messages", L"Error"), boxText, kBoxErrorOk);
    AppendToBackupLog(logLine);
}

void RefuseWhileClientRuns() {
    ReportFailure(Text(L"LogMessages", L"LogFailure2"), Text(L"Messages", L"ErrNotClosed"));
}

std::wstring WithoutTrailingSeparators(std::wstring path) {
    while (path.size() > 1 && path.back() == L'\\') path.pop_back();
    return path;
}

// Waits on 7-Zip, its pipe and the window together: the window repaints,
// 7-Zip's figure follows the status text, input is dropped. The job's side
// work runs between wake-ups; only while it has work does the wait not block.
void WaitShowingProgress(ProgramHandle tool, const std::function<bool()>& sideWork) {
    const std::wstring step = Text(L"RestoreMsgs", L"StatusText1");
    ToolProgress progress;
    bool working = static_cast<bool>(sideWork);
    for (;;) {
        const WindowEvent event = WaitForWindowEvent(working ? 0 : kWaitForever, tool);
        if (event.kind == kEventProgramEnded) return;
        if (event.kind == kEventProgramOutput) {
            if (ReadToolProgress(progress, TakeProgramOutput(tool)))
                ShowJobStatus(TextWithPercent(step, progress.percent));
        }
        if (sideWork) working = sideWork();
    }
}

// A copy's folder: asked until it lies outside the data and the backup folder, or cancelled.
bool AskCopyFolder(const MainWindowState& state, RestoreScope& scope) {
    for (;;) {
        const std::wstring chosen = AskForFolder(Text(L"RestoreMsgs", L"CopyFolder"), {});
        if (chosen.empty()) return false;
        if (!PathIsInside(chosen, state.dataFolder) && (state.backupPath.empty() || !PathIsInside(chosen, state.backupPath))) {
            scope.copyFolder = WithoutTrailingSeparators(chosen);
            return true;
        }
        ShowMessageBox(Text(L"Messages", L"Error"), Text(L"RestoreMsgs", L"CopyRefused"), kBoxExclamationOk);
    }
}

// The last question before anything is unpacked; a copy needs the folder instead.
bool ConfirmScope(const MainWindowState& state, RestoreScope& scope) {
    if (scope.reach == RestoreReach::Copy) return AskCopyFolder(state, scope);
    if (MailClientRunning()) {
        RefuseWhileClientRuns();
        return false;
    }
    const std::wstring warning = scope.reach == RestoreReach::Everything
                                     ? Text(L"RestoreMsgs", L"Warning1")
                                     : FillPlaceholder(Text(L"RestoreMsgs", L"Warning2"), scope.folder);
    if (ShowMessageBox(Text(L"RestoreMsgs", L"Warning"), warning, kBoxWarningYesNo)) return true;
    ShowCancelled();
    return false;
}

void ReportSuccess(const RestoreScope& scope, const std::wstring& dataFolder, const std::wstring& placed) {
    std::wstring log = Text(L"LogMessages", L"LogSuccess2");
    std::wstring box = Text(L"RestoreMsgs", L"Completed");
    if (scope.reach == RestoreReach::OneFolder) {
        log = FillPlaceholder(Text(L"LogMessages", L"LogFolderRestored"), dataFolder + L"\\" + scope.folder);
        box = FillPlaceholder(Text(L"RestoreMsgs", L"FolderCompleted"), scope.folder);
    } else if (scope.reach == RestoreReach::Copy) {
        log = FillPlaceholder(Text(L"LogMessages", L"LogCopyRestored"), placed);
        box = FillPlaceholder(Text(L"RestoreMsgs", L"CopyCompleted"), placed);
    }
    AppendToBackupLog(log);
    ShowMessageBox(Text(L"Messages", L"SuccessMsg"), box, kBoxInformationOk);
}

}  // namespace

void RunRestore() {
    if (!ShowMessageBox(Text(L"RestoreMsgs", L"Restore"), Text(L"RestoreMsgs", L"RestoreQuest"), kBoxQuestionYesNo)) {
        ShowCancelled();
        return;
    }
    const MainWindowState& state = ProcessWindowState();
    const std::wstring archivePath = AskForFile(Text(L"RestoreMsgs", L"RestoreBkup"), state.backupPath, kArchiveFilter);
    if (archivePath.empty()) return;

    // Anything but our own backup would be unpacked beside the data folder as it stands.
    const ArchiveListing listing = ListArchive(archivePath);
    if (!listing.tool.started) {
        ReportFailure(Text(L"LogMessages", L"LogRestoreToolMissing"), RestoreFailureText(ToolOutcomeText(listing.tool)));
        return;
    }
    if (listing.tool.exitCode != 0 || !HoldsTopFolder(listing.items, kDataFolderName)) {
        const std::wstring refusal = Text(L"RestoreMsgs", L"BadArchive");
        ReportFailure(FillPlaceholder(Text(L"LogMessages", L"LogRestoreBadArchive"), archivePath),
                      listing.tool.exitCode != 0 ? refusal + L" " + ToolOutcomeText(listing.tool) : refusal);
        return;
    }
    RestoreScope scope;
    if (!AskRestoreScope(BuildArchiveTree(listing.items), scope)) {
        ShowCancelled();
        return;
    }
    if (!ConfirmScope(state, scope)) return;

    JobWindow window;
    window.showStatus = ShowJobStatus;
    window.waitForTool = WaitShowingProgress;
    const std::wstring dataFolder = WithoutTrailingSeparators(state.dataFolder);
    const RestoreFailure failure = RestoreFromArchive(archivePath, dataFolder, listing.items, window, scope);
    DropWindowEvents();  // clicks made while the data was swapped
    EndJobStatus(Text(L"MainWindow", L"StatusBarText"));
    if (!failure.logLine.empty()) {
        ReportFailure(failure.logLine, failure.boxText);
        return;
    }
    ReportSuccess(scope, dataFolder, failure.placed);
}
