// The restore from the window (control 11, menu item 51): the questions, the file requester, the result box.
#include "ui/restore_flow.h"

#include "config/archive_password.h"
#include "config/language_table.h"
#include "engine/backup/backup_job.h"
#include "engine/console/archive_listing.h"
#include "engine/console/base_mark.h"
#include "engine/console/tool_progress.h"
#include "engine/guard/data_folder_guard.h"
#include "engine/report/backup_log.h"
#include "engine/restore/archive_tree.h"
#include "engine/restore/differential_restore.h"
#include "engine/restore/restore_job.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/secrets.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/window.h"
#include "ui/folder_wait.h"
#include "ui/main_window.h"
#include "ui/password_flow.h"
#include "ui/restore_dialog.h"
#include "ui/tray.h"

namespace {

constexpr wchar_t kArchiveFilter[] = L"7-Zip (*.7z)|*.7z";
// The user waits in front of the window: a dead share gets less time than at night.
constexpr std::uint32_t kBackupFolderLookMs = 5000;

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

// Waits on 7-Zip, its pipe and the window together: the window repaints,
// 7-Zip's figure follows the status text, input is dropped. The job's side
// work runs between wake-ups; only while it has work does the wait not block.
void WaitShowingProgress(ProgramHandle tool, ToolWatch& watch, const std::function<bool()>& sideWork) {
    const std::wstring step = Text(L"RestoreMsgs", L"StatusText1");
    bool working = static_cast<bool>(sideWork);
    for (;;) {
        const WindowEvent event = WaitForWindowEvent(working ? 0 : ToolWatchWaitMs(watch), tool);
        if (event.kind == kEventProgramEnded) return;
        if (WatchTool(watch, tool)) ShowJobStatus(TextWithPercent(step, watch.progress.percent));
        if (sideWork) working = sideWork();
    }
}

// The backup folder, or the second copy's when the backup folder is gone (a
// new computer, a dead disk); a look bounded as a dead share may not answer.
std::wstring RestoreStartFolder(const MainWindowState& state) {
    if (state.copyPath.empty()) return state.backupPath;
    bool answered = false;
    if (!state.backupPath.empty() &&
        LookUpPathKindWithin(state.backupPath, kBackupFolderLookMs, answered) == PathKind::Folder)
        return state.backupPath;
    return state.copyPath;
}

// A listing's wait: its output comes only at 7-Zip's end, and a big archive
// takes seconds to read. The window repaints meanwhile; input is dropped.
bool WaitRepainting(ProgramHandle tool, std::uint32_t timeoutMs) {
    const std::uint64_t until = ReadTickMilliseconds() + timeoutMs;
    for (;;) {
        const std::uint64_t now = ReadTickMilliseconds();
        if (now >= until) return false;
        if (WaitForWindowEvent(static_cast<std::uint32_t>(until - now), tool).kind == kEventProgramEnded) return true;
    }
}

JobWindow ListingWindow() {
    JobWindow window;
    window.waitForEnd = WaitRepainting;
    return window;
}

// A copy's folder: asked until it lies outside the data and the backup folder, or cancelled.
bool AskCopyFolder(const MainWindowState& state, RestoreScope& scope) {
    for (;;) {
        const std::wstring chosen = AskForFolder(Text(L"RestoreMsgs", L"CopyFolder"), {});
        if (chosen.empty()) return false;
        if (!PathLiesInside(chosen, state.dataFolder) && !PathLiesInside(chosen, state.backupPath)) {
            scope.copyFolder = WithoutTrailingSeparators(chosen, 1);
            return true;
        }
        ShowMessageBox(Text(L"Messages", L"Error"), Text(L"RestoreMsgs", L"CopyRefused"), kBoxExclamationOk);
    }
}

// The last question before anything is unpacked; a copy needs its folder instead.
bool ConfirmScope(const MainWindowState& state, RestoreScope& scope, bool encrypted) {
    if (scope.reach == RestoreReach::Copy) return AskCopyFolder(state, scope);
    if (MailClientRunning()) {
        RefuseWhileClientRuns();
        return false;
    }
    const std::wstring warning = scope.reach == RestoreReach::Everything
                                     ? Text(L"RestoreMsgs", L"Warning1")
                                     : FillPlaceholder(Text(L"RestoreMsgs", L"Warning2"), scope.folder);
    const std::wstring prefix = encrypted ? Text(L"RestoreMsgs", L"ArchiveEncrypted") + L" " : L"";
    if (ShowMessageBox(Text(L"RestoreMsgs", L"Warning"), prefix + warning, kBoxWarningYesNo)) return true;
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

// Asks for the archive's own password when the stored one (or none) does not
// open it; a wrong one ends the restore before anything was touched.
// The archive's own password in place of `password`; false (told) when cancelled.
bool AskOwnPassword(std::wstring& password) {
    WipeText(password);
    if (AskArchivePassword(Text(L"RestoreMsgs", L"PasswordAsk"), password)) return true;
    ShowCancelled();
    return false;
}

void ReportWrongPassword(const std::wstring& archivePath) {
    ReportFailure(FillPlaceholder(Text(L"LogMessages", L"LogRestoreWrongPassword"), archivePath),
                  Text(L"RestoreMsgs", L"WrongPassword"));
}

bool ListWithPassword(const std::wstring& archivePath, std::wstring& password, ArchiveListing& listing) {
    listing = ListArchive(archivePath, password, ListingWindow());
    if (!listing.wrongPassword) return true;
    if (!AskOwnPassword(password)) return false;
    listing = ListArchive(archivePath, password, ListingWindow());
    if (!listing.wrongPassword) return true;
    ReportWrongPassword(archivePath);
    return false;
}

// A differential's full, with the password asked for when the one given does not open it.
bool PrepareLayers(const std::wstring& archivePath, std::wstring& password, const ArchiveListing& listing,
                   std::vector<ArchiveItem>& items, DifferentialRestore& layers) {
    items = listing.items;
    RestoreFailure refused = PrepareDifferentialRestore(archivePath, items, layers, password, ListingWindow());
    if (layers.fullWrongPassword) {
        if (!AskOwnPassword(password)) return false;
        items = listing.items;
        layers = {};
        refused = PrepareDifferentialRestore(archivePath, items, layers, password, ListingWindow());
        if (layers.fullWrongPassword) {
            ReportWrongPassword(layers.fullPath);
            return false;
        }
    }
    if (refused.logLine.empty()) return true;
    ReportFailure(refused.logLine, refused.boxText);
    return false;
}

// From the listing to the result box; false when it ended early or failed.
bool RestoreWithPassword(const std::wstring& archivePath, std::wstring& password) {
    const MainWindowState& state = ProcessWindowState();
    // Anything but our own backup would be unpacked beside the data folder as it stands.
    ArchiveListing listing;
    if (!ListWithPassword(archivePath, password, listing)) return false;
    if (!listing.tool.started || listing.tool.hung) {
        ReportFailure(Text(L"LogMessages", listing.tool.hung ? L"LogRestoreToolHung" : L"LogRestoreToolMissing"),
                      RestoreFailureText(ToolOutcomeText(listing.tool)));
        return false;
    }
    // A differential of a night when nothing changed holds no item at all, but for the mark of its full.
    const bool differential = HoldsDifferential(archivePath, listing.items);
    if (listing.tool.exitCode != 0 || (!HoldsTopFolder(listing.items, kDataFolderName) &&
                                       !(differential && WithoutBaseMark(listing.items).empty()))) {
        const std::wstring refusal = Text(L"RestoreMsgs", L"BadArchive");
        ReportFailure(FillPlaceholder(Text(L"LogMessages", L"LogRestoreBadArchive"), archivePath),
                      listing.tool.exitCode != 0 ? refusal + L" " + ToolOutcomeText(listing.tool) : refusal);
        return false;
    }
    // Before the tree is shown: no row of it may come from such a name.
    if (const RestoreFailure unsafe = RefuseUnsafeItems(listing.items); !unsafe.logLine.empty()) {
        ReportFailure(unsafe.logLine, unsafe.boxText);
        return false;
    }
    std::vector<ArchiveItem> items;
    DifferentialRestore layers;
    if (!PrepareLayers(archivePath, password, listing, items, layers)) return false;
    // An unencrypted archive restores as it always did, whatever password is stored.
    const bool locked = listing.encrypted || layers.fullEncrypted;
    const std::wstring none;
    const std::wstring& used = locked ? password : none;
    RestoreScope scope;
    if (!AskRestoreScope(BuildArchiveTree(items), scope)) {
        ShowCancelled();
        return false;
    }
    if (!ConfirmScope(state, scope, locked)) return false;

    JobWindow window;
    window.showStatus = ShowJobStatus;
    window.waitForTool = WaitShowingProgress;
    const std::wstring dataFolder = WithoutTrailingSeparators(state.dataFolder, 1);
    const RestoreFailure failure = RestoreFromArchive(archivePath, dataFolder, items, window, used, layers, scope);
    DropWindowEvents();  // clicks made while the data was swapped
    EndJobStatus(Text(L"MainWindow", L"StatusBarText"));
    if (!failure.logLine.empty()) {
        ReportFailure(failure.logLine, failure.boxText);
        return false;
    }
    ReportSuccess(scope, dataFolder, failure.placed);
    // The result does not wait for the old data's deletion; a kill meanwhile
    // leaves it to the repair at the next start.
    if (!failure.oldData.empty()) RemoveOldData(dataFolder, failure.oldData);
    return true;
}

}  // namespace

// A restore in place is refused with the client running once it is chosen;
// a copy touches nothing of the client's and goes on.
void RunRestore() {
    if (!ShowMessageBox(Text(L"RestoreMsgs", L"Restore"), Text(L"RestoreMsgs", L"RestoreQuest"), kBoxQuestionYesNo)) {
        ShowCancelled();
        return;
    }
    const MainWindowState& state = ProcessWindowState();
    const std::wstring archivePath = AskForFile(Text(L"RestoreMsgs", L"RestoreBkup"), RestoreStartFolder(state), kArchiveFilter);
    if (archivePath.empty()) return;
    const std::wstring dataFolder = WithoutTrailingSeparators(state.dataFolder, 1);
    // The old data goes after a restore, and an archive in it would go too.
    const std::wstring endangered = FindArchiveInDataFolder(dataFolder, archivePath);
    if (!endangered.empty()) {
        ReportFailure(FillPlaceholder(Text(L"LogMessages", L"LogRestoreArchiveInData"), endangered),
                      FillPlaceholder(Text(L"RestoreMsgs", L"ArchiveInData"), endangered));
        return;
    }

    // From before the listing to the end: no backup may replace or remove
    // the archive, or a differential's full, while the restore reads it.
    const std::wstring archiveFolder = archivePath.substr(0, archivePath.find_last_of(L"\\/") + 1);
    FolderLock lock = LockFolderFromWindow(archiveFolder);
    if (lock.waited) EndJobStatus(Text(L"MainWindow", L"StatusBarText"));
    if (lock.busy) {
        ReportFailure(FillPlaceholder(Text(L"LogMessages", L"LogRestoreFolderBusy"), archiveFolder),
                      Text(L"RestoreMsgs", L"FolderBusy"));
        return;
    }
    std::wstring password;
    ReadArchivePassword(password);
    RestoreWithPassword(archivePath, password);
    WipeText(password);
    UnlockBackupFolder(lock);
}
