// Dialog 70 over the Windows API: a modal window of its own class, owned by
// window 0, whose keys the system's dialog navigation handles.
#include <windows.h>

#include "platform/win32/window_internal.h"

namespace {

constexpr wchar_t kDialogClass[] = L"LarkmailBackupDialog";

LRESULT CALLBACK DialogProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowLayer& w = Layer();
    switch (message) {
    case WM_COMMAND:
        // Esc comes as IDCANCEL; no control of ours has that number.
        if (LOWORD(wParam) == IDCANCEL && !RecordOfHandle(reinterpret_cast<HWND>(lParam)))
            QueueWindowEvent(kEventControl, w.dialogCancel);
        else
            ForwardControlNotice(wParam, lParam);
        return 0;
    case WM_NOTIFY:
        ForwardTreeNotice(reinterpret_cast<const NMHDR*>(lParam));
        return 0;
    case DM_GETDEFID:
        // Enter on a field: the dialog navigation presses this one, and only while it is enabled.
        return MAKELRESULT(w.dialogOk, DC_HASDEFID);
    case WM_CLOSE:
        QueueWindowEvent(kEventControl, w.dialogCancel);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool RegisterDialogClass() {
    static bool registered = false;
    if (registered) return true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DialogProcedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kDialogClass;
    registered = RegisterClassExW(&wc) != 0;
    return registered;
}

}  // namespace

bool OpenDialogWindow(const std::wstring& title, int clientWidth, int clientHeight, int okNumber, int cancelNumber) {
    WindowLayer& w = Layer();
    if (!w.main || w.dialog || !RegisterDialogClass()) return false;
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    RECT frame{0, 0, ScaleToDpi(clientWidth), ScaleToDpi(clientHeight)};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    // Over window 0 when it shows, otherwise (opened from the tray) in the middle of the screen.
    RECT over{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (IsWindowVisible(w.main) && !IsIconic(w.main)) GetWindowRect(w.main, &over);
    const int x = over.left + (over.right - over.left - width) / 2;
    const int y = over.top + (over.bottom - over.top - height) / 2;
    w.dialog = CreateWindowExW(exStyle, kDialogClass, title.c_str(), style, x, y, width, height, w.main, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    if (!w.dialog) return false;
    w.dialogOk = okNumber;
    w.dialogCancel = cancelNumber;
    EnableWindow(w.main, FALSE);
    ShowWindow(w.dialog, SW_SHOW);
    SetForegroundWindow(w.dialog);
    return true;
}

void CloseDialogWindow() {
    WindowLayer& w = Layer();
    if (!w.dialog) return;
    // Before it goes, so that the activation returns to window 0.
    EnableWindow(w.main, TRUE);
    for (auto it = w.controls.begin(); it != w.controls.end();) {
        if (it->second.tab != kDialogPage) {
            ++it;
            continue;
        }
        if (it->second.tip) DestroyWindow(it->second.tip);
        w.trees.erase(it->first);
        it = w.controls.erase(it);
    }
    DestroyWindow(w.dialog);
    w.dialog = nullptr;
    if (IsWindowVisible(w.main)) SetForegroundWindow(w.main);
}

bool DialogWindowOpen() { return Layer().dialog != nullptr; }
