// The tray icon and its pop-up menu: hiding to the tray, restoring, quitting, the shell's re-created task bar.
#pragma once
#include <string>

#include "platform/window.h"

constexpr int kTrayIcon = 0;
// Images the program carries.
constexpr int kImageTray = kProgramIconImage;
constexpr int kImageRestoreWindow = 55;
constexpr int kImageBackup = 56;
constexpr int kImageRestore = 57;
constexpr int kImageOpenFolder = 58;
constexpr int kImageQuit = 59;

// The last backup in short (Messages/SysTrayTooltip while none is recorded;
// its age when too old): its first 63 characters, never half a surrogate pair.
std::wstring TrayToolTipText();

// A running backup's or restore's status: the status bar, and the tray tool
// tip while the window is hidden in the tray.
void ShowJobStatus(const std::wstring& text);
// The job's end: `text` in the status bar, the last backup in the tool tip again.
void EndJobStatus(const std::wstring& text);

// HideToTray: icon 0 with image 54 and its tool tip, then window 0 hidden.
void HideToTray();
// Menu item 49: window 0 shown restored, the icon removed, the last backup read again.
void RestoreFromTray();
// Menu item 53: the icon removed, then the loop ends (the exit sequence follows).
void QuitFromTray();
// Tray icon event: pop-up menu 48 at the pointer.
void ShowTrayMenu();
// Close request: to the tray while check box 41 is checked, otherwise the end.
void HandleCloseRequest();
// Task bar re-created: icon 0 removed and added again, without tool tip.
void AddTrayIconAgain();
