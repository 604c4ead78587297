// Handlers of the Main and 7-Zip Settings tabs: clearing and choosing the backup folder, opening it, the compression level.
#include "ui/main_tab.h"

#include "config/language_table.h"
#include "config/settings.h"
#include "platform/process.h"
#include "platform/system.h"
#include "platform/window.h"
#include "ui/main_window.h"
#include "ui/tray.h"

void ClearBackupFolder() {
    SetControlText(kFieldBackupFolder, L"");
    WriteSettingText(L"BkUpDir", L"");
    ProcessWindowState().backupPath.clear();
}

void ChooseBackupFolder() {
    std::wstring answer =
        AskForFolder(LookUpText(L"Misc", L"MsgBackupLocation"), ReadEnvironmentText(L"homedrive"));
    ProcessWindowState().backupPath = answer;
    if (answer.empty()) return;
    SetControlText(kFieldBackupFolder, answer);
    WriteSettingText(L"BkUpDir", ReadControlText(kFieldBackupFolder));
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

int ReadKeepDaysSetting() {
    const int days = ReadSettingInteger(L"KeepDays", 0);
    return days < 0 || days > kMostKeepDays ? 0 : days;
}

void StoreKeepDays() {
    const std::wstring text = ReadControlText(kFieldKeepDays);
    // Half-typed or out of range: nothing is written until it is a number again.
    if (text.empty() || text.size() > 4) return;
    int days = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return;
        days = days * 10 + (c - L'0');
    }
    // The field's own change at creation must not add the key to the file.
    if (days > kMostKeepDays || days == ReadKeepDaysSetting()) return;
    WriteSettingInteger(L"KeepDays", days);
}

void StoreFullEvery() {
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

void ShowLastBackup(const LastBackup& attempt) {
    const std::wstring text = LastBackupLineText(attempt);
    SetControlText(kLineLastBackup, text);
    SetToolTip(kLineLastBackup, text);  // a long reason is cut on the line
    // The words say it too; the colour only makes it stand out.
    SetControlAlert(kLineLastBackup, attempt.recorded && !attempt.saved);
    if (!MainWindowVisible()) SetTrayToolTip(kTrayIcon, LastBackupToolTipText(attempt));
}

void RefreshLastBackup() {
    const LastBackup attempt = ReadLastBackup();
    ShowLastBackup(attempt);
    if (!attempt.recorded || attempt.saved || attempt.seen || !MainWindowVisible()) return;
    SelectTabPage(kMainTab);
    MarkLastBackupSeen(attempt);
}

void RecordWindowBackup(LastBackup attempt) {
    attempt.seen = true;
    RecordLastBackup(attempt);
    ShowLastBackup(attempt);
}
