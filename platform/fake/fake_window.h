// Controls of the fake window layer: recorded objects, a scripted event queue and requester answers.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/window.h"

void ResetFakeWindow();  // no window, no controls, empty queues

struct FakeControl {
    ControlKind kind = ControlKind::Label;
    int tab = 0;
    Box box;
    std::wstring text;
    bool enabled = true;
    bool visible = true;
    bool checked = false;
    bool focused = false;  // the layer's own focus moves never check or click an option
    std::wstring toolTip;
    bool alert = false;
    int low = 0, high = 0;  // spin field or track bar range
    int tickEvery = 0;
    int position = 0;       // track bar
    std::vector<std::wstring> items;  // combo list
    int selected = -1;                // combo list or tree
    std::vector<TreeRow> rows;        // tree
};
// Every created control, in creation order.
std::vector<int> FakeControlNumbers();
// The control's recorded state; a default FakeControl when it does not exist.
FakeControl FakeControlState(int number);
// The layer's own record, null when it does not exist.
FakeControl* FakeControlRecord(int number);
// Forgets the controls of a tab (kDialogPage: the dialog's, as it closes).
void ForgetFakeControls(int tab);

struct FakeMainWindow {
    bool open = false;
    bool notice = false;  // opened by OpenNoticeWindow
    bool visible = false;
    bool topmost = false;
    std::wstring title;
    int clientWidth = 0, clientHeight = 0;
    Box panel;
    std::vector<std::wstring> tabs;
    int selectedTab = -1;
    bool statusBar = false;
    int statusFieldWidth = 0;
    std::wstring statusText;
    std::vector<std::wstring> statusHistory;  // every text put into field 0
    int timer = -1;                           // running timer's number
    std::uint32_t timerIntervalMs = 0;
    bool menu = false;
    std::vector<int> menuItems;  // 0 for a separator
    std::vector<std::pair<int, int>> menuImages;  // (item, image) in the order set
    int popupsShown = 0;
    bool trayIcon = false;     // tray icon 0 shown
    int trayImage = 0;
    std::wstring trayToolTip;  // as the layer keeps it; cleared when the icon is added
};
FakeMainWindow FakeWindowState();
// Window and tray changes in order: "show", "hide", "add icon 0 image 54",
// "tip icon 0: TEXT", "error balloon icon 0, 15000 ms: TITLE | TEXT",
// "remove icon 0" (also for an icon that was not there), "notice window".
std::vector<std::wstring> FakeTrayLog();
bool FakeMenuItemEnabled(int item);  // as the last EnableMenuItemObject left it (default enabled)
int FakeMenuItemChanges(int item);   // how often it was enabled or disabled

struct FakeDialog {
    bool open = false;
    std::wstring title;
    int clientWidth = 0, clientHeight = 0;
    int okNumber = 0, cancelNumber = 0;
    int opened = 0;  // how often it was opened
};
FakeDialog FakeDialogState();
void ResetFakeDialog();  // closed, never opened
// A key on the open dialog, handed out in queue order as the real layer does
// it: Enter presses the OK number while that is enabled (otherwise nothing),
// Esc the cancel number.
void QueueFakeDialogKey(bool enter);

// Events handed out by WaitForWindowEvent, in order. While the queue is empty
// a wait that was given a program answers kEventProgramEnded once the fake
// program has ended and a timer event while it runs, after its scripted
// output pieces (kEventProgramOutput, or a timer event for an empty piece)
// have been handed out one per wait; without a program it
// answers kEventNone (and gives up with an abort after 100000 empty waits,
// so a test whose script forgot its last event fails instead of hanging).
void QueueFakeEvent(int kind, int number);
// Handed out before everything queued: what the system sends while a handler runs.
void QueueFakeEventNext(int kind, int number);
// The user types into a field as Windows delivers it, caret at the end:
// the field takes the focus, then each key: '\b' deletes the last character,
// '\r' is Enter, '\t' moves the focus to the next tab stop of the page,
// '+' and '-' are a number field's arrows (within its spin range), anything
// else is typed. Events come as the real layer gives them, handed out next;
// one call should end on its only event's key.
void TypeIntoFakeField(int number, const std::wstring& keys);
// Runs when the event is handed out (e.g. a click that changes a field first).
void QueueFakeEventAction(std::function<void()> action);
int FakeWaits();  // WaitForWindowEvent calls so far
std::vector<std::uint32_t> FakeWaitTimeouts();
int FakeDroppedEvents();

struct FakeRequest {
    bool folder = true;  // folder requester, else file requester
    std::wstring title, initialFolder, filter;
};
std::vector<FakeRequest> FakeRequests();
// Answers of the requesters, in order; an empty queue answers "" (cancel).
// The answer is returned exactly as queued.
void QueueFakeRequesterAnswer(const std::wstring& answer);
