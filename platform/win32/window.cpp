// The main window over the Windows API: frame, window procedure, DPI scaling, fonts, icons.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <uxtheme.h>

#include "payload/resource_ids.h"
#include "platform/win32/window_internal.h"

namespace {

constexpr wchar_t kMainClass[] = L"LarkmailBackupWindow";
constexpr wchar_t kNoticeClass[] = L"LarkmailBackupNotice";
constexpr DWORD kMainStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kMainExStyle = WS_EX_CONTROLPARENT;

// Functions newer than the oldest system we run on, looked up once.
struct DpiCalls {
    UINT(WINAPI* getDpiForWindow)(HWND) = nullptr;
    BOOL(WINAPI* adjustForDpi)(LPRECT, DWORD, BOOL, DWORD, UINT) = nullptr;
    BOOL(WINAPI* parametersForDpi)(UINT, UINT, PVOID, UINT, UINT) = nullptr;
};

const DpiCalls& Calls() {
    static DpiCalls calls = [] {
        DpiCalls c;
        HMODULE user = GetModuleHandleW(L"user32.dll");
        if (user) {
            c.getDpiForWindow = reinterpret_cast<UINT(WINAPI*)(HWND)>(
                reinterpret_cast<void*>(GetProcAddress(user, "GetDpiForWindow")));
            c.adjustForDpi = reinterpret_cast<BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT)>(
                reinterpret_cast<void*>(GetProcAddress(user, "AdjustWindowRectExForDpi")));
            c.parametersForDpi = reinterpret_cast<BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT)>(
                reinterpret_cast<void*>(GetProcAddress(user, "SystemParametersInfoForDpi")));
        }
        return c;
    }();
    return calls;
}

UINT SystemDpi() {
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

UINT WindowDpi(HWND hwnd) {
    if (hwnd && Calls().getDpiForWindow) {
        UINT dpi = Calls().getDpiForWindow(hwnd);
        if (dpi) return dpi;
    }
    return SystemDpi();
}

// The outer size for a client area at the current DPI.
SIZE FrameSize(int clientWidth, int clientHeight) {
    RECT r{0, 0, clientWidth, clientHeight};
    if (Calls().adjustForDpi)
        Calls().adjustForDpi(&r, kMainStyle, FALSE, kMainExStyle, Layer().dpi);
    else
        AdjustWindowRectEx(&r, kMainStyle, FALSE, kMainExStyle);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

void ReplaceFonts() {
    WindowLayer& w = Layer();
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    LOGFONTW font{};
    if (Calls().parametersForDpi &&
        Calls().parametersForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, w.dpi)) {
        font = metrics.lfMessageFont;
    } else if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
        font = metrics.lfMessageFont;
        font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(w.dpi), static_cast<int>(SystemDpi()));
    } else {
        font.lfHeight = -MulDiv(9, static_cast<int>(w.dpi), 72);
        lstrcpynW(font.lfFaceName, L"Tahoma", LF_FACESIZE);
    }
    HFONT plain = CreateFontIndirectW(&font);
    font.lfUnderline = TRUE;
    HFONT underlined = CreateFontIndirectW(&font);
    if (w.font) DeleteObject(w.font);
    if (w.linkFont) DeleteObject(w.linkFont);
    w.font = plain;
    w.linkFont = underlined;
}

void LoadWindowIcons() {
    WindowLayer& w = Layer();
    HINSTANCE instance = GetModuleHandleW(nullptr);
    int big = MulDiv(32, static_cast<int>(w.dpi), 96), small = MulDiv(16, static_cast<int>(w.dpi), 96);
    HICON bigIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(LARKMAIL_RES_APP_ICON),
                                                  IMAGE_ICON, big, big, LR_DEFAULTCOLOR));
    HICON smallIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(LARKMAIL_RES_APP_ICON),
                                                    IMAGE_ICON, small, small, LR_DEFAULTCOLOR));
    if (bigIcon) SendMessageW(w.main, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon));
    if (smallIcon) SendMessageW(w.main, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
    if (w.bigIcon) DestroyIcon(w.bigIcon);
    if (w.smallIcon) DestroyIcon(w.smallIcon);
    w.bigIcon = bigIcon;
    w.smallIcon = smallIcon;
}

void ChoosePageColour() {
    WindowLayer& w = Layer();
    // A themed tab body is drawn in the window colour, the classic one in button face.
    int index = IsAppThemed() ? COLOR_WINDOW : COLOR_BTNFACE;
    w.pageColour = GetSysColor(index);
    if (w.pageBrush) DeleteObject(w.pageBrush);
    w.pageBrush = CreateSolidBrush(w.pageColour);
}

void LayOutEverything() {
    ApplyFonts();  // first: the panel's row of tabs grows with its font
    PlacePanelAndPages();
    for (auto& entry : Layer().controls) PlaceControl(entry.second);
    PlaceStatusBar();
}

void OnDpiChanged(UINT dpi, const RECT* suggested) {
    WindowLayer& w = Layer();
    w.dpi = dpi ? dpi : 96;
    ReplaceFonts();
    SetWindowPos(w.main, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    LayOutEverything();
    LoadWindowIcons();
    RedrawMenuImages();
    InvalidateRect(w.main, nullptr, TRUE);
}

LRESULT CALLBACK MainProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowLayer& w = Layer();
    if (w.taskbarMessage && message == w.taskbarMessage) {
        QueueWindowEvent(kEventTaskbarCreated, 0);
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    switch (message) {
    case WM_COMMAND:
        if (lParam == 0 && HIWORD(wParam) == 0) {
            // The dialog navigation sends IDOK for an Enter that no button took; only the menu's items are events.
            if (w.menu && GetMenuState(w.menu, LOWORD(wParam), MF_BYCOMMAND) != static_cast<UINT>(-1))
                QueueWindowEvent(kEventMenu, LOWORD(wParam));
            return 0;
        }
        ForwardControlNotice(wParam, lParam);
        return 0;
    case WM_HSCROLL:
        ForwardScroll(lParam, wParam);
        return 0;
    case WM_NOTIFY: {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header && header->hwndFrom == w.panel && header->code == TCN_SELCHANGE) ShowSelectedPage();
        return 0;
    }
    case WM_TIMER:
        QueueWindowEvent(kEventTimer, static_cast<int>(wParam));
        return 0;
    case WM_CLOSE:
        QueueWindowEvent(kEventClose, kMainWindow);
        return 0;
    case kTrayCallbackMessage:
        switch (LOWORD(lParam)) {
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONUP:
        case WM_RBUTTONDBLCLK:
        case NIN_KEYSELECT:         // Enter or space on the icon
        case NIN_BALLOONUSERCLICK:
            QueueWindowEvent(kEventTray, kMainWindow);
        }
        return 0;
    case WM_DPICHANGED:
        OnDpiChanged(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_THEMECHANGED:
    case WM_SYSCOLORCHANGE:
        ChoosePageColour();
        InvalidateRect(hwnd, nullptr, TRUE);
        break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool RegisterClasses() {
    static bool registered = false;
    if (registered) return true;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW main{};
    main.cbSize = sizeof(main);
    main.lpfnWndProc = MainProcedure;
    main.hInstance = instance;
    main.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    main.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    main.lpszClassName = kMainClass;
    main.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(LARKMAIL_RES_APP_ICON));
    WNDCLASSEXW page{};
    page.cbSize = sizeof(page);
    page.lpfnWndProc = PageProcedure;
    page.hInstance = instance;
    page.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    page.lpszClassName = kPageClass;
    WNDCLASSEXW notice = main;
    notice.lpszClassName = kNoticeClass;
    registered = RegisterClassExW(&main) && RegisterClassExW(&page) && RegisterClassExW(&notice);
    return registered;
}

}  // namespace

WindowLayer& Layer() {
    static WindowLayer layer;
    return layer;
}

int ScaleToDpi(int value) { return MulDiv(value, static_cast<int>(Layer().dpi), 96); }

RECT PageRect() {
    WindowLayer& w = Layer();
    RECT r{0, 0, ScaleToDpi(w.panelBox.width), ScaleToDpi(w.panelBox.height)};
    if (w.panel) TabCtrl_AdjustRect(w.panel, FALSE, &r);
    OffsetRect(&r, ScaleToDpi(w.panelBox.x), ScaleToDpi(w.panelBox.y));
    return r;
}

void QueueWindowEvent(int kind, int number) { Layer().events.push_back(WindowEvent{kind, number}); }

bool OpenMainWindow(const std::wstring& title, int clientWidth, int clientHeight, bool visible) {
    WindowLayer& w = Layer();
    if (w.main) return true;
    if (!RegisterClasses()) return false;
    w.taskbarMessage = RegisterWindowMessageW(L"TaskbarCreated");
    w.clientSize = Box{0, 0, clientWidth, clientHeight};
    w.dpi = SystemDpi();
    SIZE size = FrameSize(ScaleToDpi(clientWidth), ScaleToDpi(clientHeight));
    w.main = CreateWindowExW(kMainExStyle, kMainClass, title.c_str(), kMainStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                             size.cx, size.cy, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!w.main) return false;
    // The monitor the window landed on may have another DPI than the system.
    w.dpi = WindowDpi(w.main);
    size = FrameSize(ScaleToDpi(clientWidth), ScaleToDpi(clientHeight));
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    int x = work.left + ((work.right - work.left) - size.cx) / 2;
    int y = work.top + ((work.bottom - work.top) - size.cy) / 2;
    SetWindowPos(w.main, nullptr, x, y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    ReplaceFonts();
    ChoosePageColour();
    LoadWindowIcons();
    if (visible) ShowMainWindow(true);
    return true;
}

bool OpenNoticeWindow() {
    WindowLayer& w = Layer();
    if (w.main) return true;
    if (!RegisterClasses()) return false;
    w.taskbarMessage = RegisterWindowMessageW(L"TaskbarCreated");
    w.dpi = SystemDpi();
    // No title: a window whose title names the mail client counts as the client and is ended.
    w.main = CreateWindowExW(WS_EX_TOOLWINDOW, kNoticeClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    return w.main != nullptr;
}

void CloseMainWindow() {
    WindowLayer& w = Layer();
    // Before the window goes: an icon whose window is gone stays in the tray until the pointer passes over it.
    ReleaseTrayAndMenuImages();
    CloseDialogWindow();
    if (w.main) DestroyWindow(w.main);
    if (w.menu) DestroyMenu(w.menu);
    if (w.font) DeleteObject(w.font);
    if (w.linkFont) DeleteObject(w.linkFont);
    if (w.pageBrush) DeleteObject(w.pageBrush);
    if (w.bigIcon) DestroyIcon(w.bigIcon);
    if (w.smallIcon) DestroyIcon(w.smallIcon);
    w = WindowLayer{};
}

bool MainWindowOpen() { return Layer().main != nullptr; }

void ShowMainWindow(bool visible) {
    HWND main = Layer().main;
    if (!main) return;
    if (!visible) {
        ShowWindow(main, SW_HIDE);
        return;
    }
    ShowWindow(main, IsIconic(main) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(main);
    UpdateWindow(main);
}

bool MainWindowVisible() { return Layer().main && IsWindowVisible(Layer().main); }

void SetMainWindowTopmost(bool topmost) {
    if (Layer().main)
        SetWindowPos(Layer().main, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void ApplyFonts() {
    WindowLayer& w = Layer();
    if (w.panel) SendMessageW(w.panel, WM_SETFONT, reinterpret_cast<WPARAM>(w.font), TRUE);
    if (w.status) SendMessageW(w.status, WM_SETFONT, reinterpret_cast<WPARAM>(w.font), TRUE);
    for (auto& entry : w.controls) {
        const ControlRecord& c = entry.second;
        HFONT font = c.kind == ControlKind::Link ? w.linkFont : w.font;
        SendMessageW(c.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
}
