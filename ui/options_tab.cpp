// The Options tab: its controls, the option flags and their settings, the shortcut, the log and the language choice.
#include "ui/options_tab.h"

#include "config/language_selection.h"
#include "config/language_table.h"
#include "config/settings.h"
#include "engine/report/backup_log.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/system.h"
#include "platform/window.h"
#include "ui/event_loop.h"
#include "ui/main_window.h"
#include "ui/tray.h"
#include "ui/window_parts.h"

namespace {

struct OptionRow {
    int number;
    ControlKind kind;
    Box box;
    const wchar_t* key;  // OptionsWindow text; null: fixed text
};

const OptionRow kOptionRows[] = {
    {kCheckCloseToTray, ControlKind::CheckBox, {20, 5, 200, 20}, L"CheckClose"},
    {kCheckRestartLM, ControlKind::CheckBox, {20, 25, 290, 20}, L"CheckRestartLM"},  // up to the language list: the translations are long
    {kCheckStartInTray, ControlKind::CheckBox, {20, 45, 200, 20}, L"CheckStartInTray"},
    {kCheckStayOnTop, ControlKind::CheckBox, {20, 65, 200, 20}, L"CheckStayOnTop"},
    {kButtonDesktopShortcut, ControlKind::Button, {0, 105, 155, 30}, L"ButtonDesktopShortcut"},
    {kButtonOpenLog, ControlKind::Button, {328, 105, 155, 30}, L"ButtonOpenLog"},
    {kComboLanguage, ControlKind::ComboList, {320, 10, 150, 23}, nullptr},
};

// Flips the flag and writes its new value: the file always gets 1 or 0.
void ToggleOption(int& flag, const wchar_t* key) {
    flag = 1 - flag;
    WriteSettingInteger(key, flag);
}

std::wstring FolderOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

}  // namespace

OptionFlags& ProcessOptionFlags() {
    static OptionFlags flags;
    return flags;
}

void ToggleCloseToTray() { ToggleOption(ProcessOptionFlags().closeToTray, L"CloseToTray"); }
void ToggleRestartLM() { ToggleOption(ProcessOptionFlags().reopenLM, L"ReopenLM"); }
void ToggleStartInTray() { ToggleOption(ProcessOptionFlags().openToTray, L"OpenToTray"); }

void ToggleStayOnTop() {
    int& flag = ProcessOptionFlags().stayOnTop;
    ToggleOption(flag, L"StayOnTop");
    SetMainWindowTopmost(flag == 1);
}

std::wstring DesktopShortcutPath() {
    return ReadEnvironmentText(L"USERPROFILE") + L"\\Desktop\\Larkmail Backup.lnk";
}

ShortcutFields DesktopShortcutFields() {
    // Whatever the file is called and wherever it lies, not the current folder's "larkmailbackup.exe".
    const std::wstring program = ReadExecutablePath();
    ShortcutFields fields;
    fields.target = program;
    fields.workingFolder = FolderOf(program);
    fields.description = LookUpText(L"Misc", L"DesktopIconText");
    fields.iconPath = program;
    fields.iconIndex = 0;
    fields.showCommand = 1;
    fields.hotKey = 0;
    return fields;
}

void DisableShortcutButtonIfPresent() {
    if (LookUpPathKind(DesktopShortcutPath()) == PathKind::File) EnableControl(kButtonDesktopShortcut, false);
}

void CreateDesktopShortcut() {
    // No message either way: the button's state tells.
    CreateShortcut(DesktopShortcutPath(), DesktopShortcutFields());
    DisableShortcutButtonIfPresent();
}

void ViewBackupLog() {
    if (BackupLogExists()) {
        // No executable: the program runner hands it to the shell's default verb.
        StartProgram(L"backup.log", L"", StartOptions{});
        return;
    }
    ShowMessageBox(LookUpText(L"Messages", L"Error"), LookUpText(L"Messages", L"BackupErrorRead"),
                   kBoxExclamationOk);
}

void FillLanguageSelector(int selector) {
    for (const std::wstring& item : ListLanguageSelectorItems()) AddListItem(selector, item);
    SelectListItem(selector, 0);
}

void StoreSelectedLanguage() { StoreLanguageChoice(ReadListSelection(kComboLanguage)); }

void BuildOptionsTab() {
    ProcessOptionFlags() = OptionFlags{};
    for (const OptionRow& row : kOptionRows)
        CreateControl(row.number, row.kind, kOptionsTab, row.box,
                      row.key ? LookUpText(L"OptionsWindow", row.key) : std::wstring());
    FillLanguageSelector(kComboLanguage);
    SetControlHandler(kCheckCloseToTray, ToggleCloseToTray);
    SetControlHandler(kCheckRestartLM, ToggleRestartLM);
    SetControlHandler(kCheckStartInTray, ToggleStartInTray);
    SetControlHandler(kCheckStayOnTop, ToggleStayOnTop);
    SetControlHandler(kButtonDesktopShortcut, CreateDesktopShortcut);
    SetControlHandler(kButtonOpenLog, ViewBackupLog);
    SetControlHandler(kComboLanguage, StoreSelectedLanguage);
}

void ApplySavedOptions(const Settings& settings) {
    OptionFlags& flags = ProcessOptionFlags();
    if (settings.closeToTray == 1) {
        SetControlCheck(kCheckCloseToTray, true);
        flags.closeToTray = 1;
    }
    if (settings.reopenLM == 1) {
        SetControlCheck(kCheckRestartLM, true);
        flags.reopenLM = 1;
    }
    if (settings.openToTray == 1) {
        SetControlCheck(kCheckStartInTray, true);
        HideToTray();
        flags.openToTray = 1;
    }
    if (settings.stayOnTop == 1) {
        SetControlCheck(kCheckStayOnTop, true);
        SetMainWindowTopmost(true);
        flags.stayOnTop = 1;
    }
    DisableShortcutButtonIfPresent();
}
