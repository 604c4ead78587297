// The tab panel with its pages and the status bar of window 0.
#include <windows.h>
#include <commctrl.h>

#include "platform/win32/common_controls.h"
#include "platform/win32/window_internal.h"

namespace {

// The status bar answers WM_GETTEXT with the plain text, without the tab that centres it.
LRESULT CALLBACK StatusProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    const std::wstring& text = Layer().statusText;
    if (message == WM_GETTEXTLENGTH) return static_cast<LRESULT>(text.size());
    if (message == WM_GETTEXT) {
        if (wParam == 0) return 0;
        size_t n = text.size() < wParam - 1 ? text.size() : wParam - 1;
        wchar_t* out = reinterpret_cast<wchar_t*>(lParam);
        text.copy(out, n);
        out[n] = L'\0';
        return static_cast<LRESULT>(n);
    }
    return CallNextSubclassProcedure(hwnd, message, wParam, lParam);
}

}  // namespace

void PlacePanelAndPages() {
    WindowLayer& w = Layer();
    if (!w.panel) return;
    SetWindowPos(w.panel, nullptr, ScaleToDpi(w.panelBox.x), ScaleToDpi(w.panelBox.y),
                 ScaleToDpi(w.panelBox.width), ScaleToDpi(w.panelBox.height), SWP_NOZORDER | SWP_NOACTIVATE);
    RECT page = PageRect();
    for (HWND p : w.pages)
        SetWindowPos(p, nullptr, page.left, page.top, page.right - page.left, page.bottom - page.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
}

void PlaceStatusBar() {
    WindowLayer& w = Layer();
    if (!w.status) return;
    SendMessageW(w.status, WM_SIZE, 0, 0);
    int parts[1] = {ScaleToDpi(w.statusFieldWidth)};
    SendMessageW(w.status, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(parts));
}

void ShowSelectedPage() {
    WindowLayer& w = Layer();
    int selected = ReadSelectedTabPage();
    HWND focus = GetFocus();
    bool focusHidden = false;
    for (size_t i = 0; i < w.pages.size(); ++i) {
        const bool shown = static_cast<int>(i) == selected;
        focusHidden = focusHidden || (!shown && focus && IsChild(w.pages[i], focus));
        ShowWindow(w.pages[i], shown ? SW_SHOWNA : SW_HIDE);
    }
    // A focus left on a hidden page takes the keyboard nowhere, and Wine's
    // dialog navigation loops for ever looking for an access key from there.
    if (!focusHidden) return;
    HWND first = selected >= 0 ? GetNextDlgTabItem(w.pages[selected], nullptr, FALSE) : nullptr;
    FocusQuietly(first ? first : w.panel);
}

bool CreateTabPanel(Box box) {
    WindowLayer& w = Layer();
    if (!w.main || w.panel) return w.panel != nullptr;
    w.panelBox = box;
    w.panel = CreateWindowExW(0, WC_TABCONTROLW, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS, 0, 0,
                              0, 0, w.main, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTabPanel)),
                              GetModuleHandleW(nullptr), nullptr);
    if (!w.panel) return false;
    SendMessageW(w.panel, WM_SETFONT, reinterpret_cast<WPARAM>(w.font), FALSE);
    PlacePanelAndPages();
    return true;
}

bool AddTabPage(int tab, const std::wstring& text) {
    WindowLayer& w = Layer();
    if (!w.panel || tab != static_cast<int>(w.pages.size())) return false;
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    if (SendMessageW(w.panel, TCM_INSERTITEMW, tab, reinterpret_cast<LPARAM>(&item)) < 0) return false;
    RECT r = PageRect();
    HWND page = CreateWindowExW(WS_EX_CONTROLPARENT, kPageClass, L"", WS_CHILD | WS_CLIPSIBLINGS, r.left, r.top,
                                r.right - r.left, r.bottom - r.top, w.main, nullptr, GetModuleHandleW(nullptr),
                                nullptr);
    if (!page) return false;
    // Pages lie above the panel; child windows are created at the bottom.
    SetWindowPos(page, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    w.pages.push_back(page);
    PlacePanelAndPages();  // the first tab gives the panel its row of tabs
    ShowSelectedPage();
    return true;
}

void SelectTabPage(int tab) {
    WindowLayer& w = Layer();
    if (!w.panel) return;
    SendMessageW(w.panel, TCM_SETCURSEL, tab, 0);
    ShowSelectedPage();
}

int ReadSelectedTabPage() {
    return Layer().panel ? static_cast<int>(SendMessageW(Layer().panel, TCM_GETCURSEL, 0, 0)) : -1;
}

bool CreateStatusBar(int fieldWidth) {
    WindowLayer& w = Layer();
    if (!w.main || w.status) return w.status != nullptr;
    w.status = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, w.main,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStatusBar)),
                               GetModuleHandleW(nullptr), nullptr);
    if (!w.status) return false;
    SubclassWindow(w.status, StatusProcedure, 1);
    w.statusFieldWidth = fieldWidth;
    SendMessageW(w.status, WM_SETFONT, reinterpret_cast<WPARAM>(w.font), FALSE);
    PlaceStatusBar();
    return true;
}

void SetStatusText(const std::wstring& text) {
    WindowLayer& w = Layer();
    w.statusText = text;
    if (!w.status) return;
    std::wstring centred = L"\t" + text;  // a leading tab centres the text in its field
    SendMessageW(w.status, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(centred.c_str()));
    UpdateWindow(w.status);
}

std::wstring ReadStatusText() { return Layer().statusText; }
