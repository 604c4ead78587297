// The event queue over the Windows message loop: the blocking wait, keyboard navigation, timers, pop-up menu.
#include <windows.h>
#include <commctrl.h>

#include "platform/win32/program_record.h"
#include "platform/win32/window_internal.h"

namespace {

// Ctrl+Tab and Ctrl+Shift+Tab step through the tabs, as in the system's own tabbed dialogs.
bool SwitchTabByKey(const MSG& msg) {
    WindowLayer& w = Layer();
    if (msg.message != WM_KEYDOWN || msg.wParam != VK_TAB || !(GetKeyState(VK_CONTROL) & 0x8000)) return false;
    if (!w.panel || w.pages.empty()) return false;
    if (msg.hwnd != w.main && !IsChild(w.main, msg.hwnd)) return false;
    int count = static_cast<int>(w.pages.size());
    int step = (GetKeyState(VK_SHIFT) & 0x8000) ? count - 1 : 1;
    SelectTabPage((ReadSelectedTabPage() + step) % count);
    return true;
}

// Wine's dialog navigation takes the arrow keys from a track bar; it keeps them.
bool KeyForTrackBar(const MSG& msg) {
    if (msg.message != WM_KEYDOWN || msg.wParam == VK_TAB || msg.wParam == VK_ESCAPE || msg.wParam == VK_RETURN)
        return false;
    for (const auto& entry : Layer().controls)
        if (entry.second.hwnd == msg.hwnd) return entry.second.kind == ControlKind::TrackBar;
    return false;
}

// The window is no dialog, so nothing of the system's makes the focused push
// button the default one: Enter presses the focused button or link itself and
// nothing elsewhere (the tabs share no default action); Space presses a link
// as it presses a button.
bool PressByKey(const MSG& msg) {
    if (msg.message != WM_KEYDOWN || (msg.wParam != VK_RETURN && msg.wParam != VK_SPACE)) return false;
    const ControlRecord* c = RecordOfHandle(msg.hwnd);
    // Its own visible flag: the page may be hidden while a driver presses the control from outside.
    if (!c || !IsWindowEnabled(c->hwnd) || !(GetWindowLongPtrW(c->hwnd, GWL_STYLE) & WS_VISIBLE)) return false;
    const bool press = c->kind == ControlKind::Link || (c->kind == ControlKind::Button && msg.wParam == VK_RETURN);
    const bool repeated = (msg.lParam & (1 << 30)) != 0;  // a held key presses once
    if (press && !repeated) QueueWindowEvent(kEventControl, GetDlgCtrlID(c->hwnd));
    return press;
}

void HandleWaitingMessages() {
    WindowLayer& w = Layer();
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // leave it for whoever ends the program
            return;
        }
        if (SwitchTabByKey(msg) || HandleDialogKey(msg) || PressByKey(msg)) continue;
        if (w.dialog && (msg.hwnd == w.dialog || IsChild(w.dialog, msg.hwnd)) && IsDialogMessageW(w.dialog, &msg)) continue;
        if (w.main && !KeyForTrackBar(msg) && IsDialogMessageW(w.main, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace

WindowEvent WaitForWindowEvent(std::uint32_t timeoutMs, ProgramHandle program) {
    WindowLayer& w = Layer();
    HANDLE process = program ? ProgramProcessHandle(program) : nullptr;
    ULONGLONG start = GetTickCount64();
    for (;;) {
        HandleWaitingMessages();
        if (!w.events.empty()) {
            WindowEvent event = w.events.front();
            w.events.pop_front();
            return event;
        }
        if (program && (!process || WaitForSingleObject(process, 0) != WAIT_TIMEOUT))
            return WindowEvent{kEventProgramEnded, 0};
        if (program && CollectProgramOutput(program)) return WindowEvent{kEventProgramOutput, 0};
        DWORD remaining = INFINITE;
        if (timeoutMs != kWaitForever) {
            ULONGLONG passed = GetTickCount64() - start;
            if (passed >= timeoutMs) return WindowEvent{};
            remaining = static_cast<DWORD>(timeoutMs - passed);
        }
        // One blocking wait on the window, the program's end and its pipe.
        HANDLE handles[2];
        DWORD count = 0;
        if (process) handles[count++] = process;
        if (HANDLE output = program ? ProgramOutputReadyEvent(program) : nullptr) handles[count++] = output;
        MsgWaitForMultipleObjectsEx(count, count ? handles : nullptr, remaining, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

void DropWindowEvents() {
    HandleWaitingMessages();
    Layer().events.clear();
}

void StartWindowTimer(int number, std::uint32_t intervalMs) {
    if (Layer().main) SetTimer(Layer().main, static_cast<UINT_PTR>(number), intervalMs, nullptr);
}

void StopWindowTimer(int number) {
    if (Layer().main) KillTimer(Layer().main, static_cast<UINT_PTR>(number));
}

bool CreatePopupMenuObject(int menu) {
    WindowLayer& w = Layer();
    if (w.menu) return w.menuNumber == menu;
    w.menu = CreatePopupMenu();
    if (!w.menu) return false;
    w.menuNumber = menu;
    return true;
}

void AddMenuItem(int menu, int item, const std::wstring& text) {
    WindowLayer& w = Layer();
    if (!w.menu || menu != w.menuNumber) return;
    AppendMenuW(w.menu, MF_STRING, static_cast<UINT_PTR>(item), text.c_str());
    auto known = w.menuItemsEnabled.find(item);
    if (known != w.menuItemsEnabled.end()) EnableMenuItemObject(item, known->second);
}

void AddMenuSeparator(int menu) {
    WindowLayer& w = Layer();
    if (w.menu && menu == w.menuNumber) AppendMenuW(w.menu, MF_SEPARATOR, 0, nullptr);
}

void EnableMenuItemObject(int item, bool enabled) {
    WindowLayer& w = Layer();
    w.menuItemsEnabled[item] = enabled;
    if (w.menu) EnableMenuItem(w.menu, static_cast<UINT>(item), MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

bool MenuItemEnabled(int item) {
    WindowLayer& w = Layer();
    if (w.menu) {
        UINT state = GetMenuState(w.menu, static_cast<UINT>(item), MF_BYCOMMAND);
        if (state != static_cast<UINT>(-1)) return !(state & (MF_GRAYED | MF_DISABLED));
    }
    auto known = w.menuItemsEnabled.find(item);
    return known == w.menuItemsEnabled.end() || known->second;
}

void ShowPopupMenuAtPointer(int menu) {
    WindowLayer& w = Layer();
    if (!w.menu || menu != w.menuNumber || !w.main) return;
    POINT at{};
    GetCursorPos(&at);
    // Without this the menu does not close when the user clicks elsewhere.
    SetForegroundWindow(w.main);
    TrackPopupMenu(w.menu, TPM_RIGHTBUTTON | TPM_BOTTOMALIGN, at.x, at.y, 0, w.main, nullptr);
    PostMessageW(w.main, WM_NULL, 0, 0);
}
