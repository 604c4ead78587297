// The event loop: refresh, wait, and dispatch through tables of number -> handler.
#include "ui/event_loop.h"

#include <map>

#include "ui/main_window.h"

namespace {

struct DispatchTables {
    std::map<int, EventHandler> controls;
    std::map<int, EventHandler> menuItems;
    std::map<int, EventHandler> kinds;
};

DispatchTables& Tables() {
    static DispatchTables tables;
    return tables;
}

void Put(std::map<int, EventHandler>& table, int number, EventHandler handler) {
    if (handler)
        table[number] = handler;
    else
        table.erase(number);
}

EventHandler Look(const std::map<int, EventHandler>& table, int number) {
    auto it = table.find(number);
    return it == table.end() ? nullptr : it->second;
}

}  // namespace

void SetControlHandler(int control, EventHandler handler) { Put(Tables().controls, control, handler); }
void SetMenuHandler(int item, EventHandler handler) { Put(Tables().menuItems, item, handler); }
void SetEventKindHandler(int kind, EventHandler handler) { Put(Tables().kinds, kind, handler); }
void ClearEventHandlers() { Tables() = DispatchTables{}; }

EventHandler FindEventHandler(const WindowEvent& event) {
    switch (event.kind) {
    case kEventControl: return Look(Tables().controls, event.number);
    case kEventMenu: return Look(Tables().menuItems, event.number);
    case kEventTray:
    case kEventTimer:
    case kEventClose:
    case kEventTaskbarCreated: return Look(Tables().kinds, event.kind);
    default: return nullptr;  // nothing, the end of a program
    }
}

bool DispatchWindowEvent(const WindowEvent& event) {
    EventHandler handler = FindEventHandler(event);
    if (!handler) return false;
    handler();
    return true;
}

void RefreshBackupFolderControls() {
    const bool set = !ProcessWindowState().backupPath.empty();
    // A new computer may have only the second copy to restore from.
    const bool restorable = set || !ProcessWindowState().copyPath.empty();
    ShowControl(kButtonSetFolder, !set);
    ShowControl(kButtonOpenFolder, set);
    EnableControl(kButtonBackup, set);
    EnableControl(kButtonOpenFolder, set);
    EnableControl(kButtonRestore, restorable);
    EnableMenuItemObject(kItemBackup, set);
    EnableMenuItemObject(kItemRestore, restorable);
    EnableMenuItemObject(kItemOpenFolder, set);
}

void RequestQuit() { ProcessWindowState().quit = true; }

void RunEventLoop() {
    MainWindowState& state = ProcessWindowState();
    while (!state.quit) {
        RefreshBackupFolderControls();
        // The one-second timer wakes the wait, so blocking costs nothing and misses nothing.
        DispatchWindowEvent(WaitForWindowEvent(kWaitForever));
    }
}
