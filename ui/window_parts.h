// The steps that the Backup Task tab, the Options tab and the tray add to the main window's construction.
#pragma once
#include "config/settings.h"

// Tab 2: creates controls 16 to 40 and 90 on its page and sets their handlers.
void BuildBackupTaskTab();
// After every tab and the settings: disables the week-day and week-of-month
// options, asks whether the scheduled task exists and enters the matching
// state, then disables Create Task.
void ApplyBackupTaskStartState();
// Tab 3: creates controls 41 to 47 and fills the language selector.
void BuildOptionsTab();
// Pop-up menu 48 with items 49 to 53 and its images; sets the handlers of
// the tray icon, the close request, the taskbar re-creation and items 49 and 53.
void BuildTrayMenu();
// CloseToTray, ReopenLM, OpenToTray (start in the tray) and StayOnTop as
// read at start-up; disables the shortcut button when the shortcut exists.
void ApplySavedOptions(const Settings& settings);
