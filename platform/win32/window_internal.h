// State of the Windows window layer, shared by its implementation files only.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/window.h"

// The tray icon reports its mouse actions to window 0 with this message.
constexpr UINT kTrayCallbackMessage = WM_APP + 1;
constexpr wchar_t kPageClass[] = L"LarkmailBackupPage";
// Dark red: stands out on white and on button face, and still reads well (contrast above 6:1).
constexpr COLORREF kAlertColour = RGB(192, 0, 0);

struct ControlRecord {
    HWND hwnd = nullptr;
    HWND arrows = nullptr;  // up/down arrows of a spin field
    HWND tip = nullptr;     // tool tip window
    ControlKind kind = ControlKind::Label;
    int tab = 0;
    Box box;  // 96 DPI, page coordinates
    bool alert = false;  // text in kAlertColour
};

// A tree's rows as the program gave them; a row's tree item is made when its parent first opens.
struct TreeModel {
    std::vector<TreeRow> rows;
    std::vector<std::vector<int>> children;  // per row; the top rows under index rows.size()
    std::vector<HTREEITEM> items;            // per row, null until made
};

struct WindowLayer {
    HWND main = nullptr;
    HWND dialog = nullptr;  // dialog 70 while it is open
    int dialogOk = 0, dialogCancel = 0;
    std::map<int, TreeModel> trees;
    HWND panel = nullptr;
    HWND status = nullptr;
    std::vector<HWND> pages;
    std::map<int, ControlRecord> controls;
    Box clientSize;  // width and height at 96 DPI
    Box panelBox;
    int statusFieldWidth = 0;
    std::wstring statusText;
    UINT dpi = 96;
    HFONT font = nullptr;
    HFONT linkFont = nullptr;
    HBRUSH pageBrush = nullptr;
    COLORREF pageColour = 0;
    HICON bigIcon = nullptr;
    HICON smallIcon = nullptr;
    HMENU menu = nullptr;
    int menuNumber = -1;
    std::map<int, bool> menuItemsEnabled;
    std::map<int, int> menuItemImages;      // item -> image number
    std::map<int, HBITMAP> menuItemBitmaps;  // item -> its image at the current DPI
    bool trayShown = false;
    HICON trayIcon = nullptr;
    UINT taskbarMessage = 0;
    std::deque<WindowEvent> events;
    HWND quietFocus = nullptr;  // its click while the layer moves the focus onto it is none of the user's
    ControlKind lastKind = ControlKind::Label;  // options after options share a group
    bool anyControl = false;
};

WindowLayer& Layer();
int ScaleToDpi(int value);  // 96-DPI pixels at the window's DPI
RECT PageRect();            // a page's place in window 0's client area, in pixels
void PlaceControl(const ControlRecord& record);
void ApplyFonts();
// Tab panel, pages and status bar (window_panel.cpp).
void PlacePanelAndPages();
void PlaceStatusBar();
void ShowSelectedPage();  // only the selected tab's page visible
void QueueWindowEvent(int kind, int number);
const ControlRecord* RecordOfHandle(HWND hwnd);  // null: none of the program's controls
// Focus moves of the layer's own: they neither check an option nor report a click.
void FocusQuietly(HWND target);
void MoveFocusOn(HWND from);  // to the next tab stop, when `from` has the focus
LRESULT CALLBACK PageProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void ForwardControlNotice(WPARAM wParam, LPARAM lParam);
void ForwardScroll(LPARAM lParam, WPARAM wParam);
// A tree view's opening and selection notices (window_tree.cpp).
void ForwardTreeNotice(const NMHDR* header);
// Tray icon and menu images (window_tray.cpp).
void RedrawMenuImages();  // after a DPI change
void ReleaseTrayAndMenuImages();  // removes the tray icon, frees the images
