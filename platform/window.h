// The window layer: one main window whose objects are addressed by the program's fixed numbers.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/process.h"

// Object numbers.
constexpr int kMainWindow = 0;  // also the tray icon's number
constexpr int kMainTimer = 1;
constexpr int kTabPanel = 2;
constexpr int kStatusBar = 3;
constexpr int kTrayMenu = 48;

// Event kinds, as the dispatch compares them.
constexpr int kEventNone = 0;
constexpr int kEventControl = 13100;
constexpr int kEventMenu = 13101;
constexpr int kEventTray = 13102;
constexpr int kEventTimer = 13110;
constexpr int kEventClose = 13116;
constexpr int kEventTaskbarCreated = 65536;
// The layer's own: the program handed to WaitForWindowEvent has ended.
constexpr int kEventProgramEnded = 13200;
// The layer's own: that program wrote to its output pipe (TakeProgramOutput).
constexpr int kEventProgramOutput = 13201;

struct WindowEvent {
    int kind = kEventNone;
    int number = 0;
};

// Position and size in pixels at 96 DPI; the layer scales them with the
// window's DPI when the object is created and again when the DPI changes.
struct Box {
    int x = 0, y = 0, width = 0, height = 0;
};

enum class ControlKind {
    Label,          // static text
    Field,          // one-line text field, editable
    ReadOnlyField,  // one-line text field, read-only
    Link,           // clickable text: pure blue, hand pointer, may carry a tool tip; a tab stop
    Button,
    CheckBox,
    Option,         // options created one after another form one group
    Frame,          // group box
    SpinField,      // right-aligned text field with up/down arrows (SetSpinRange)
    NumberField,    // a digits-only spin field whose value is a control event when the user leaves it,
                    // presses Enter in it or moves it with its arrows; typing alone is none
    ComboList,      // drop-down list
    TrackBar,       // horizontal (SetTrackBarRange, SetTrackBarTicks)
    SingleLine,     // static text kept to one line, cut with "..." when too long; may carry a tool tip
    SecretField,    // one-line text field showing dots for its text; every change is a control event
    Tree,           // tree view with lines and buttons (SetTreeRows); a changed selection is a control event
};

// Window 0: client size at 96 DPI, centred on the screen, title bar with
// system menu and minimise box only. Shown at once when `visible`.
bool OpenMainWindow(const std::wstring& title, int clientWidth, int clientHeight, bool visible);
void CloseMainWindow();  // destroys the window with everything on it; the event queue is emptied
bool MainWindowOpen();
// Window 0 as a hidden owner of a tray icon, for a run that has no window of
// its own; no title, no frame, never shown. CloseMainWindow ends it.
bool OpenNoticeWindow();
void ShowMainWindow(bool visible);  // shown: restored and activated
bool MainWindowVisible();
void SetMainWindowTopmost(bool topmost);  // neither moves, resizes nor activates

// Panel 2 with its tabs; `box` is in window client coordinates. Each tab has
// a page of its own; controls are placed on a page at page coordinates.
bool CreateTabPanel(Box box);
bool AddTabPage(int tab, const std::wstring& text);  // tabs are added in order 0, 1, 2, ...
void SelectTabPage(int tab);
int ReadSelectedTabPage();

// Status bar 3 with one field; texts are shown centred in field 0.
bool CreateStatusBar(int fieldWidth);
void SetStatusText(const std::wstring& text);
std::wstring ReadStatusText();

// Dialog 70: a modal window over window 0, which takes no input while it is
// open; client size at 96 DPI, centred on window 0, a title bar with a close
// box. Its controls 71 to 79 are created with CreateControl on kDialogPage.
// Enter presses `okNumber` while that is enabled (Enter on a focused button
// presses that button), Esc and the close box press `cancelNumber`; both
// arrive as control events of those numbers.
constexpr int kDialogWindow = 70;
constexpr int kDialogPage = -1;
bool OpenDialogWindow(const std::wstring& title, int clientWidth, int clientHeight, int okNumber, int cancelNumber);
// Destroys it with its controls; window 0 takes input again.
void CloseDialogWindow();
bool DialogWindowOpen();

// Controls 4 to 47, 60 to 69 and 90 to 99 on the tab pages, 71 to 79 or 81 to 89 on the
// dialog; the number is also the control id. Creation order is tab order.
bool CreateControl(int number, ControlKind kind, int tab, Box box, const std::wstring& text);
bool ControlExists(int number);
void SetControlText(int number, const std::wstring& text);
std::wstring ReadControlText(int number);
// Disabling or hiding the focused control moves the focus on to the next tab stop.
void EnableControl(int number, bool enabled);
bool ControlEnabled(int number);
void ShowControl(int number, bool visible);
bool ControlVisible(int number);  // its own state, whatever tab is selected
// Moves the keyboard focus and nothing else: an unchecked option is neither
// checked nor clicked by it (Windows would do both, Wine 8 does neither).
void FocusControl(int number);
void SetControlCheck(int number, bool checked);  // check boxes and options
bool ReadControlCheck(int number);
// Long texts wrap; "\r\n" breaks the line.
void SetToolTip(int number, const std::wstring& text);
// A label's text in a red that stands out (true) or in the usual colour.
void SetControlAlert(int number, bool alert);
void SetSpinRange(int number, int low, int high);
void SetTrackBarRange(int number, int low, int high);
void SetTrackBarTicks(int number, int every);  // a tick mark every `every` positions
void SetTrackBarPosition(int number, int position);
int ReadTrackBarPosition(int number);
void AddListItem(int number, const std::wstring& text);  // combo list
void SelectListItem(int number, int position);           // -1: none
int ReadListSelection(int number);                       // -1: none
// A tree's rows: a parent comes before its children (-1: top level). The
// layer makes a row's children only when the row is first opened, so a tree
// of any size shows at once; the top rows start open.
struct TreeRow {
    int parent = -1;
    std::wstring text;
};
void SetTreeRows(int number, const std::vector<TreeRow>& rows);
void SelectTreeRow(int number, int row);  // opens its parents; no control event
int ReadTreeSelection(int number);        // -1: none

// Timer 1 and friends: a timer event every `intervalMs` on window 0.
void StartWindowTimer(int number, std::uint32_t intervalMs);
void StopWindowTimer(int number);

// Pop-up menu 48 and its items 49 to 53. Enabling an item of a menu that does
// not exist does nothing.
bool CreatePopupMenuObject(int menu);
void AddMenuItem(int menu, int item, const std::wstring& text);
void AddMenuSeparator(int menu);
void EnableMenuItemObject(int item, bool enabled);
bool MenuItemEnabled(int item);
void ShowPopupMenuAtPointer(int menu);  // the chosen item arrives later as a menu event
// Images 54 to 59 are icons the program carries; an item shows the image's
// small size for the window's DPI left of its text.
void SetMenuItemImage(int menu, int item, int image);

// Tray icon 0 on window 0, showing `image`; its mouse actions arrive as
// kEventTray. Adding an icon that exists first removes it. The tool tip
// keeps at most kTrayToolTipLimit characters. Removing an icon that does not
// exist does nothing; closing window 0 removes its icon.
constexpr std::size_t kTrayToolTipLimit = 63;
constexpr int kProgramIconImage = 54;
bool AddTrayIcon(int icon, int image);
void SetTrayToolTip(int icon, const std::wstring& text);
// A balloon with the error icon beside the tray icon, asked to stay `shownMs`.
void ShowTrayErrorBalloon(int icon, const std::wstring& title, const std::wstring& text, std::uint32_t shownMs);
void RemoveTrayIcon(int icon);

// Waits until an event is there or `timeoutMs` passed (kEventNone). Blocks
// in the system's message wait, so an idle window costs no CPU. With a
// `program` handle it also wakes when that program ends (kEventProgramEnded,
// once the queue holds no other event), and when it writes to its output
// pipe (kEventProgramOutput). Tab, arrow and access keys work on
// the window while it waits; Ctrl+Tab and Ctrl+Shift+Tab switch tabs. Enter
// presses the focused push button or link, Space a button or link; there is
// no default button, so Enter elsewhere does nothing.
WindowEvent WaitForWindowEvent(std::uint32_t timeoutMs, ProgramHandle program = 0);
// Handles every waiting message and forgets the queued events (input that
// arrived while the program was busy).
void DropWindowEvents();

// The system's folder requester; the chosen path ends in "\", empty on cancel.
std::wstring AskForFolder(const std::wstring& title, const std::wstring& initialFolder);
// The open-file requester; `filter` is "description|pattern" pairs joined by
// "|", e.g. "7-Zip (*.7z)|*.7z". The path must exist; the current folder is
// left unchanged. Empty on cancel.
std::wstring AskForFile(const std::wstring& title, const std::wstring& startFolder,
                        const std::wstring& filter);
