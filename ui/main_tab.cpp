// Handlers of the Main and 7-Zip Settings tabs: clearing and choosing the backup folder and the second copy's, opening it, the compression level.
#include "ui/main_tab.h"

#include "config/language_table.h"
#include "config/settings.h"
#include "engine/backup/archive_proofs.h"
#include "engine/backup/backup_job.h"
#include "engine/backup/second_copy.h"
#include "engine/guard/data_folder_guard.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/system.h"
#include "platform/window.h"
#include "ui/main_window.h"
#include "ui/stale_notice.h"
#include "ui/tray.h"

void ClearBackupFolder() {
    SetControlText(kFieldBackupFolder, L"");
    WriteSettingText(L"BkUpDir", L"");
    ProcessWindowState().backupPath.clear();
}

void ChooseBackupFolder() {
    std::wstring answer =
        AskForFolder(LookUpText(L"Misc", L"MsgBackupLocation"), ReadEnvironmentText(L"homedrive"));
    MainWindowState& state = ProcessWindowState();
    if (PathLiesInside(answer, state.dataFolder)) {
        ShowMessageBox(LookUpText(L"Messages", L"Error"),
                       FillPlaceholder(LookUpText(L"Messages", L"FolderInData"), state.dataFolder), kBoxErrorOk);
        return;
    }
    state.backupPath = answer;
    if (answer.empty()) return;
    SetControlText(kFieldBackupFolder, answer);
    WriteSettingText(L"BkUpDir", ReadControlText(kFieldBackupFolder));
}

void ChooseSecondFolder() {
    MainWindowState& state = ProcessWindowState();
    std::wstring answer = AskForFolder(LookUpText(L"Misc", L"MsgSecondCopyLocation"),
                                       state.copyPath.empty() ? ReadEnvironmentText(L"homedrive") : state.copyPath);
    if (answer.empty()) return;
    const std::wstring refused = RefuseSecondFolder(answer, state.dataFolder, state.backupPath);
    if (!refused.empty()) {
        const bool inData = refused == L"LogSecondCopyInData";
        ShowMessageBox(LookUpText(L"Messages", L"Error"),
                       FillPlaceholder(LookUpText(L"Messages", inData ? L"FolderInData" : L"SecondCopyInBackup"),
                                       inData ? state.dataFolder : state.backupPath),
                       kBoxErrorOk);
        return;
    }
    // A scheduled task runs in a logon of its own, where the user's drive letters may not exist.
    const std::wstring share = ReadNetworkDriveShare(answer);
    if (!share.empty()) {
        const std::wstring network = share + answer.substr(2);
        if (ShowMessageBox(LookUpText(L"MainWindow", L"WinTitle"),
                           FillPlaceholders(LookUpText(L"Messages", L"SecondCopyMapped"), answer, network),
                           kBoxQuestionYesNo))
            answer = network;
    }
    state.copyPath = answer;
    SetControlText(kFieldSecondFolder, answer);
    WriteSettingText(L"CopyDir", answer);
}

void ClearSecondFolder() {
    ProcessWindowState().copyPath.clear();
    SetControlText(kFieldSecondFolder, L"");
    // Absent already: the file keeps its bytes.
    if (!ReadSettingText(L"CopyDir", L"").empty()) WriteSettingText(L"CopyDir", L"");
    ShowLastBackup(ReadLastBackup());
}

std::wstring ExplorerParameter(const std::wstring& folder) {
    return folder.find(L' ') == std::wstring::npos ? folder : L"\"" + folder + L"\"";
}

void OpenBackupFolder() {
    const std::wstring& folder = ProcessWindowState().backupPath;
    if (folder.empty()) return;
    StartProgram(L"explorer", ExplorerParameter(folder), StartOptions{});
}

void StoreCompressionLevel() { WriteSettingInteger(L"Compression", ReadTrackBarPosition(kTrackCompression)); }

void StoreVerifyBackup() {
    WriteSettingInteger(L"VerifyBackup", ReadControlCheck(kCheckVerifyBackup) ? 1 : 0);
}

void CommitKeepDays() {
    if (!ControlExists(kFieldKeepDays)) return;
    const std::wstring text = ReadControlText(kFieldKeepDays);
    const int inForce = ReadKeepDaysSetting();
    int days = text.find_first_not_of(L" \t") == std::wstring::npos ? 0 : ParseKeepDays(text);
    // Past ten years or no number (pasted): the value in force stays, and the field says so.
    if (days < 0) days = inForce;
    if (text != std::to_wstring(days)) SetControlText(kFieldKeepDays, std::to_wstring(days));
    // Unchanged, nothing is written: a file without the key keeps its bytes.
    if (days != inForce) WriteSettingInteger(L"KeepDays", days);
}

void StoreFullEvery() {
    if (!ControlExists(kFieldFullEvery)) return;
    const std::wstring text = ReadControlText(kFieldFullEvery);
    const int stored = ReadFullEverySetting();
    int days = text.empty() || text.size() > 3 ? -1 : 0;
    for (wchar_t c : text) days = days < 0 || c < L'0' || c > L'9' ? -1 : days * 10 + (c - L'0');
    if (days < 0 || days > kMostFullEveryDays) {
        SetControlText(kFieldFullEvery, std::to_wstring(stored));
        return;
    }
    if (days != stored) WriteSettingInteger(L"FullEvery", days);
    if (text != std::to_wstring(days)) SetControlText(kFieldFullEvery, std::to_wstring(days));
}

LastBackup ShownLastBackup(LastBackup attempt) {
    if (ProcessWindowState().copyPath.empty()) attempt.copyPending = false;
    return attempt;
}

std::wstring LastBackupTrayTip(const LastBackup& recorded) {
    const LastBackup attempt = ShownLastBackup(recorded);
    const int days = StaleBackupDays(attempt);
    return days > 0 ? StaleToolTipText(days) : LastBackupToolTipText(attempt);
}

void ShowLastBackup(const LastBackup& recorded) {
    const LastBackup attempt = ShownLastBackup(recorded);
    const int days = StaleBackupDays(attempt);
    const std::wstring text = days > 0 ? StaleLineText(attempt, days) : LastBackupLineText(attempt);
    SetControlText(kLineLastBackup, text);
    // A long reason is cut on the line; the tip holds it whole, and how the kept archives were proven.
    const std::wstring& proofs = ProcessWindowState().proofSummary;
    SetToolTip(kLineLastBackup, proofs.empty() ? text : text + L"\r\n" + proofs);
    // The words say it too; the colour only makes it stand out.
    SetControlAlert(kLineLastBackup, days > 0 || !AttemptAlertText(attempt).empty());
    if (!MainWindowVisible()) SetTrayToolTip(kTrayIcon, LastBackupTrayTip(attempt));
}

void ReadProofSummary() {
    MainWindowState& state = ProcessWindowState();
    const std::wstring computer = ReadEnvironmentText(L"COMPUTERNAME"), user = ReadEnvironmentText(L"USERNAME");
    state.proofSummary = state.backupPath.empty() ? std::wstring()
                                                  : ProofSummaryText(ListOwnArchives(state.backupPath, computer, user),
                                                                     ReadProofRecord(state.backupPath));
}

void RefreshLastBackup() {
    ReadProofSummary();
    const LastBackup attempt = ReadLastBackup();
    ShowLastBackup(attempt);
    const bool news = attempt.recorded && (!attempt.saved || TellsLostArchive(attempt));
    if (!news || attempt.seen || !MainWindowVisible()) return;
    SelectTabPage(kMainTab);
    MarkLastBackupSeen(attempt);
}

LastBackup RecordWindowBackup(LastBackup attempt, const SecondCopyOutcome& copy) {
    attempt.seen = true;
    TakeOverLastGood(attempt);
    attempt = RecordBackupAttempt(attempt, copy);
    ReadProofSummary();
    ShowLastBackup(attempt);
    return attempt;
}
