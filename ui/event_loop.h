// The event loop: the refresh step, the wait and the dispatch by event kind and object number.
#pragma once
#include "platform/window.h"

using EventHandler = void (*)();

// The dispatch tables. Each tab and the tray put their handlers in while the
// window is built; a later entry for the same number replaces the earlier.
void SetControlHandler(int control, EventHandler handler);
void SetMenuHandler(int item, EventHandler handler);
// Tray icon (kEventTray), timer (kEventTimer), close request (kEventClose),
// taskbar re-created (kEventTaskbarCreated); the control and menu kinds go
// through the tables above.
void SetEventKindHandler(int kind, EventHandler handler);
void ClearEventHandlers();
// The handler for an event, or null when nothing handles it.
EventHandler FindEventHandler(const WindowEvent& event);
// Runs the handler; false when the event has none.
bool DispatchWindowEvent(const WindowEvent& event);

// Step 1 of every pass: buttons 8 to 11 and menu items 50 to 52 follow
// whether a backup folder is set.
void RefreshBackupFolderControls();

void RequestQuit();
// Refresh, wait, dispatch, until a handler asks to quit.
void RunEventLoop();
