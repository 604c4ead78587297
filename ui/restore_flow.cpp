// The restore from the window (control 11, menu item 51): the questions, the file requester, the result box.
#include "ui/restore_flow.h"

#include "config/language_table.h"
#include "engine/archive_listing.h"
#include "engine/archive_names.h"
#include "engine/backup_job.h"
#include "engine/backup_log.h"
#include "engine/restore_job.h"
#include "engine/tool_progress.h"
#include "platform/dialogs.h"
#include "platform/window.h"
#include "ui/main_window.h"
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

}  // namespace

void RunRestore() {
    if (MailClientRunning()) {
        RefuseWhileClientRuns();
        return;
    }
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
    // A differential of a night when nothing changed holds no item at all.
    const bool differential = NamesDifferentialArchive(archivePath.substr(archivePath.find_last_of(L"\\/") + 1));
    if (listing.tool.exitCode != 0 ||
        (!HoldsTopFolder(listing.items, kDataFolderName) && !(differential && listing.items.empty()))) {
        const std::wstring refusal = Text(L"RestoreMsgs", L"BadArchive");
        ReportFailure(FillPlaceholder(Text(L"LogMessages", L"LogRestoreBadArchive"), archivePath),
                      listing.tool.exitCode != 0 ? refusal + L" " + ToolOutcomeText(listing.tool) : refusal);
        return;
    }
    std::vector<ArchiveItem> items = listing.items;
    DifferentialRestore layers;
    const RestoreFailure refused = PrepareDifferentialRestore(archivePath, items, layers);
    if (!refused.logLine.empty()) {
        ReportFailure(refused.logLine, refused.boxText);
        return;
    }
    if (!ShowMessageBox(Text(L"RestoreMsgs", L"Warning"), Text(L"RestoreMsgs", L"Warning1"), kBoxWarningYesNo)) {
        ShowCancelled();
        return;
    }

    JobWindow window;
    window.showStatus = ShowJobStatus;
    window.waitForTool = WaitShowingProgress;
    const RestoreFailure failure =
        RestoreFromArchive(archivePath, WithoutTrailingSeparators(state.dataFolder), items, window, layers);
    DropWindowEvents();  // clicks made while the data was swapped
    EndJobStatus(Text(L"MainWindow", L"StatusBarText"));
    if (!failure.logLine.empty()) {
        ReportFailure(failure.logLine, failure.boxText);
        return;
    }
    AppendToBackupLog(Text(L"LogMessages", L"LogSuccess2"));
    ShowMessageBox(Text(L"Messages", L"SuccessMsg"), Text(L"RestoreMsgs", L"Completed"), kBoxInformationOk);
}
