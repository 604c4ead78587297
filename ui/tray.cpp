// The tray icon, the pop-up menu with its images, and the handlers of the tray, close and task bar events.
#include "ui/tray.h"

#include "config/language_table.h"
#include "platform/window.h"
#include "ui/event_loop.h"
#include "ui/main_tab.h"
#include "ui/main_window.h"
#include "ui/options_tab.h"
#include "ui/window_parts.h"

namespace {

struct MenuRow {
    int item;  // 0: separator
    const wchar_t* key;
    int image;
};

const MenuRow kMenuRows[] = {
    {kItemRestoreWindow, L"RestoreWin", kImageRestoreWindow},
    {0, nullptr, 0},
    {kItemBackup, L"Backup", kImageBackup},
    {kItemRestore, L"Restore", kImageRestore},
    {kItemOpenFolder, L"OpenFolder", kImageOpenFolder},
    {0, nullptr, 0},
    {kItemQuit, L"QuitApp", kImageQuit},
};

}  // namespace

std::wstring TrayToolTipText() { return LastBackupTrayTip(ReadLastBackup()); }

void ShowJobStatus(const std::wstring& text) {
    SetStatusText(text);
    if (!MainWindowVisible()) SetTrayToolTip(kTrayIcon, JobToolTipText(text));
}

void EndJobStatus(const std::wstring& text) {
    SetStatusText(text);
    if (!MainWindowVisible()) SetTrayToolTip(kTrayIcon, TrayToolTipText());
}

void HideToTray() {
    CommitKeepDays();
    StoreFullEvery();
    AddTrayIcon(kTrayIcon, kImageTray);
    SetTrayToolTip(kTrayIcon, TrayToolTipText());
    ShowMainWindow(false);
}

void RestoreFromTray() {
    ShowMainWindow(true);
    RemoveTrayIcon(kTrayIcon);
    RefreshLastBackup();
}

void QuitFromTray() {
    RemoveTrayIcon(kTrayIcon);
    RequestQuit();
}

void ShowTrayMenu() { ShowPopupMenuAtPointer(kTrayMenu); }

void HandleCloseRequest() {
    // The box itself, not its flag: the two can only differ if someone else set the box.
    if (ReadControlCheck(kCheckCloseToTray))
        HideToTray();
    else
        QuitFromTray();
}

void AddTrayIconAgain() {
    RemoveTrayIcon(kTrayIcon);
    AddTrayIcon(kTrayIcon, kImageTray);
}

void BuildTrayMenu() {
    if (CreatePopupMenuObject(kTrayMenu)) {
        for (const MenuRow& row : kMenuRows) {
            if (!row.item) {
                AddMenuSeparator(kTrayMenu);
                continue;
            }
            AddMenuItem(kTrayMenu, row.item, LookUpText(L"PopUpMenu", row.key));
            SetMenuItemImage(kTrayMenu, row.item, row.image);
        }
    }
    SetMenuHandler(kItemRestoreWindow, RestoreFromTray);
    SetMenuHandler(kItemQuit, QuitFromTray);
    SetEventKindHandler(kEventTray, ShowTrayMenu);
    SetEventKindHandler(kEventClose, HandleCloseRequest);
    SetEventKindHandler(kEventTaskbarCreated, AddTrayIconAgain);
}
