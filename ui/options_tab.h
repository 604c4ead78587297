// The Options tab: four option boxes saved at once, the desktop shortcut, the log viewer and the language selector.
#pragma once
#include <string>

#include "platform/shell.h"

constexpr int kCheckCloseToTray = 41;
constexpr int kCheckRestartLM = 42;
constexpr int kCheckStartInTray = 43;
constexpr int kCheckStayOnTop = 44;
constexpr int kButtonDesktopShortcut = 45;
constexpr int kButtonOpenLog = 46;
constexpr int kComboLanguage = 47;

// One flag (0 or 1) beside each of the boxes 41 to 44.
struct OptionFlags {
    int closeToTray = 0;
    int reopenLM = 0;
    int openToTray = 0;
    int stayOnTop = 0;
};
OptionFlags& ProcessOptionFlags();

// Handlers of boxes 41 to 44: flag toggled, its key written with the new flag.
void ToggleCloseToTray();
void ToggleRestartLM();
void ToggleStartInTray();
void ToggleStayOnTop();  // also keeps window 0 on top of ordinary windows, or not

// USERPROFILE + "\Desktop\Larkmail Backup.lnk".
std::wstring DesktopShortcutPath();
// The program's own file as the system reports it, started in its own folder.
ShortcutFields DesktopShortcutFields();
// Button 45; then disables it when the shortcut exists.
void CreateDesktopShortcut();
void DisableShortcutButtonIfPresent();
// Button 46: the shell opens "backup.log", or the BackupErrorRead box when there is none.
void ViewBackupLog();

// "Select Language:" and the *.lng files into combo list `selector`, position 0 selected.
void FillLanguageSelector(int selector);
// Control 47: StoreLanguageChoice with the selected position.
void StoreSelectedLanguage();
