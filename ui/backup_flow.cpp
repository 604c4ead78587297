// The backup started from the window (control 8, menu item 50): the close-the-client question, the dots, the result box.
#include "ui/backup_flow.h"

#include "config/archive_password.h"
#include "config/language_table.h"
#include "config/settings.h"
#include "engine/backup/backup_job.h"
#include "engine/backup/kept_archive_proof.h"
#include "engine/backup/second_copy.h"
#include "engine/console/archive_tool.h"
#include "engine/console/tool_progress.h"
#include "engine/guard/mail_client.h"
#include "engine/report/backup_log.h"
#include "engine/report/last_backup.h"
#include "platform/dialogs.h"
#include "platform/secrets.h"
#include "platform/system.h"
#include "platform/window.h"
#include "ui/folder_wait.h"
#include "ui/main_tab.h"
#include "ui/main_window.h"
#include "ui/password_flow.h"
#include "ui/tray.h"

namespace {

constexpr std::size_t kMostDots = 10;
constexpr std::uint32_t kClientCheckMs = 100;

std::wstring Text(const wchar_t* group, const wchar_t* key) {
    return LookUpText(group, key);
}

// Bounded by the clock: timer ticks and clicks wake the wait early, so
// counting wake-ups would give the client far less than its time.
// The window keeps painting and input is dropped meanwhile.
bool WaitUntilClientGone() {
    const std::uint64_t start = ReadTickMilliseconds();
    for (;;) {
        if (FindProcessIds(kMailClientExe).empty()) return true;
        const std::uint64_t waited = ReadTickMilliseconds() - start;
        if (waited >= kClientGoneTimeoutMs) return false;
        const std::uint64_t left = kClientGoneTimeoutMs - waited;
        WaitForWindowEvent(static_cast<std::uint32_t>(left < kClientCheckMs ? left : kClientCheckMs));
    }
}

// No code when the backup may go on: the client is not running, or it was
// ended on the user's word and is gone. Otherwise the logged failure.
FailureReason CloseMailClient() {
    if (FindProcessIds(kMailClientExe).empty()) return {};
    if (!ShowMessageBox(Text(L"Messages", L"Error"), Text(L"Messages", L"CloseError"), kBoxErrorYesNo)) {
        const FailureReason declined{L"LogFailure", L""};
        AppendLogLine(kLogBaseName, FailureReasonText(declined));
        return declined;
    }
    EndMailClient(false);
    if (WaitUntilClientGone()) return {};
    BackupResult alive;
    alive.status = BackupStatus::ClientAlive;
    AppendLogLine(kLogBaseName, BackupLogMessage(alive));
    ShowMessageBox(Text(L"Messages", L"Error"), Text(L"Messages", L"ClientAlive"), kBoxErrorOk);
    return FailureReasonOf(alive);
}

// What 7-Zip is doing, as the status bar shows it before the dots.
std::wstring& StepText() {
    static std::wstring text;
    return text;
}

void ShowStep(const std::wstring& text) {
    StepText() = text;
    ShowJobStatus(text);
}

// Until 7-Zip ends only two things act: its own figure, shown as it comes,
// and before the first figure the one-second timer, which moves the dots.
void AnimateUntilToolEnds(ProgramHandle tool, ToolWatch& watch, const std::function<bool()>&) {
    for (;;) {
        const WindowEvent event = WaitForWindowEvent(ToolWatchWaitMs(watch), tool);
        if (event.kind == kEventProgramEnded) return;
        if (WatchTool(watch, tool)) ShowJobStatus(TextWithPercent(StepText(), watch.progress.percent));
        if (event.kind != kEventTimer || event.number != kMainTimer || watch.progress.percent >= 0) continue;
        if (ArchiveToolRunning(tool)) {
            ShowJobStatus(StepText() + ProgressDots());
            ProgressDots() = NextProgressDots(ProgressDots());
        } else {
            SetStatusText(Text(L"MainWindow", L"StatusBarText"));
        }
    }
}

// Said once: a log line already begins with "Backup failed", and 7-Zip's
// own outcome text gets the general sentence before it.
std::wstring FailureBoxText(const BackupResult& result) {
    switch (result.status) {
        case BackupStatus::ToolMissing:
        case BackupStatus::ToolWarning:
        case BackupStatus::ToolFailed: return Text(L"Messages", L"BackupFailed") + L" " + ToolOutcomeText(result.tool);
        default: return BackupLogMessage(result);
    }
}

// A run that stopped before the client was asked: logged, recorded, told.
void ReportRefusal(const BackupResult& refused) {
    AppendLogLine(kLogBaseName, BackupLogMessage(refused));
    RecordWindowBackup(AttemptOfResult(refused));
    if (refused.status == BackupStatus::NoPassword)
        OfferPasswordAgain(FailureBoxText(refused));
    else
        ShowMessageBox(Text(L"Messages", L"Error"), FailureBoxText(refused), kBoxErrorOk);
}

// Under the backup folder's lock: the client closed, packed, retention, an older archive proven, the result box.
void BackUpUnderLock(BackupRequest& request) {
    const FailureReason notClosed = CloseMailClient();

    request.today = ReadLocalTime();
    if (!notClosed.code.empty()) {
        RecordWindowBackup(FailedAttempt(notClosed, ArchiveName(request.computer, request.user, request.today)));
        return;
    }
    request.verify = ReadVerifySetting();
    request.keepDays = ReadKeepDaysSetting();
    request.fullEvery = ReadFullEverySetting();
    request.archiveName = ArchiveName(request.computer, request.user, request.today);
    request.copyFolder = ReadCopyFolderSetting();

    ShowStep(Text(L"Messages", L"StatusBackup"));
    JobWindow window;
    window.showStatus = ShowStep;
    window.waitForTool = AnimateUntilToolEnds;
    window.keepAlive = DropWindowEvents;
    BackupResult result = RunBackupJob(request, window);
    AppendLogLine(kLogBaseName, BackupLogMessage(result));
    RemoveArchivesPastKeeping(request, result);
    ProveKeptArchives(request, result, window);
    const SecondCopyOutcome copy = UpdateSecondCopy(request, result, window);
    // Fixed, not looked up: the window ends every backup on this word.
    EndJobStatus(L"Ready");
    const LastBackup attempt = RecordWindowBackup(AttemptOfResult(result), copy);

    const bool succeeded = result.status == BackupStatus::Success;
    if (!succeeded) ShowMessageBox(Text(L"Messages", L"Error"), FailureBoxText(result), kBoxErrorOk);
    // Saved, yet a kept archive can no longer be restored: told like a failure.
    if (succeeded && TellsLostArchive(attempt))
        ShowMessageBox(Text(L"Messages", L"Error"), ShownNotes(attempt), kBoxErrorOk);
    // Not a failure: the backup is saved and tested, the copy follows with a later backup.
    if (succeeded && copy.state == SecondCopyState::Pending)
        ShowMessageBox(Text(L"MainWindow", L"WinTitle"), SecondCopyPendingText(attempt), kBoxExclamationOk);
    if (ReadSettingInteger(L"ReopenLM", 0) != 1) return;
    // After a failure the client still comes back: it was closed for this backup.
    if (succeeded) ShowMessageBox(Text(L"Messages", L"SuccessMsg"), Text(L"Messages", L"MsgSuccess"), kBoxInformationOk);
    RestartMailClient();
}

// Every refusal here comes before the client is asked to close.
void BackUpWithPassword(BackupRequest& request) {
    BackupResult refused = CheckBackupFolder(request);
    if (refused.status == BackupStatus::Success) refused.status = CheckPasswordState(request);
    if (refused.status != BackupStatus::Success) {
        ReportRefusal(refused);
        return;
    }
    FolderLock lock = LockFolderFromWindow(request.backupFolder);
    if (lock.waited) EndJobStatus(Text(L"MainWindow", L"StatusBarText"));
    if (lock.busy) {
        refused.status = BackupStatus::FolderBusy;
        ReportRefusal(refused);
        return;
    }
    BackUpUnderLock(request);
    UnlockBackupFolder(lock);
}

}  // namespace

std::wstring& ProgressDots() {
    static std::wstring dots;
    return dots;
}

std::wstring NextProgressDots(const std::wstring& dots) {
    const std::wstring next = dots + L".";
    return next.size() > kMostDots ? std::wstring() : next;
}

void RunInteractiveBackup() {
    // Started from the tray menu or by a click that took no focus: the field has not been left.
    CommitKeepDays();
    StoreFullEvery();
    const MainWindowState& state = ProcessWindowState();
    BackupRequest request;
    request.level = ReadSettingInteger(L"Compression", 0);
    request.computer = ReadEnvironmentText(L"COMPUTERNAME");
    request.user = ReadEnvironmentText(L"USERNAME");
    request.today = ReadLocalTime();
    request.backupFolder = state.backupPath;
    request.dataFolder = state.dataFolder;
    request.archiveName = ArchiveName(request.computer, request.user, request.today);
    // Read before the client is asked to close: a key that cannot be had leaves it running.
    request.passwordState = ReadArchivePassword(request.password);
    BackUpWithPassword(request);
    WipeText(request.password);
}
