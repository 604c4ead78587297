// Controls on the tab pages over the Windows API: creation by kind, placement, state, and their notices.
#include <windows.h>
#include <commctrl.h>

#include <utility>

#include "platform/win32/common_controls.h"
#include "platform/win32/window_internal.h"

namespace {

constexpr int kListDropHeight = 160;  // room for the open list of a combo list, 96 DPI

ControlRecord* Find(int number) {
    auto it = Layer().controls.find(number);
    return it == Layer().controls.end() ? nullptr : &it->second;
}

HWND Handle(int number) {
    ControlRecord* c = Find(number);
    return c ? c->hwnd : nullptr;
}

struct KindStyle {
    const wchar_t* windowClass;
    DWORD style;
    DWORD exStyle;
};

KindStyle StyleOf(ControlKind kind) {
    switch (kind) {
    case ControlKind::Label: return {WC_STATICW, SS_LEFT, 0};
    case ControlKind::Field: return {WC_EDITW, ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case ControlKind::ReadOnlyField: return {WC_EDITW, ES_AUTOHSCROLL | ES_READONLY | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case ControlKind::Link: return {WC_STATICW, SS_LEFT | SS_NOTIFY | WS_TABSTOP, 0};
    case ControlKind::Button: return {WC_BUTTONW, BS_PUSHBUTTON | WS_TABSTOP, 0};
    case ControlKind::CheckBox: return {WC_BUTTONW, BS_AUTOCHECKBOX | WS_TABSTOP, 0};
    case ControlKind::Option: return {WC_BUTTONW, BS_AUTORADIOBUTTON, 0};
    case ControlKind::Frame: return {WC_BUTTONW, BS_GROUPBOX, 0};
    case ControlKind::SpinField: return {WC_EDITW, ES_RIGHT | ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case ControlKind::NumberField: return {WC_EDITW, ES_RIGHT | ES_AUTOHSCROLL | ES_NUMBER | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case ControlKind::ComboList: return {WC_COMBOBOXW, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0};
    case ControlKind::TrackBar: return {TRACKBAR_CLASSW, TBS_HORZ | TBS_AUTOTICKS | TBS_BOTTOM | WS_TABSTOP, 0};
    // SS_NOTIFY lets its tool tip see the pointer; a path's "&" is no access key.
    case ControlKind::SingleLine: return {WC_STATICW, SS_LEFT | SS_NOTIFY | SS_ENDELLIPSIS | SS_NOPREFIX, 0};
    case ControlKind::SecretField: return {WC_EDITW, ES_AUTOHSCROLL | ES_PASSWORD | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case ControlKind::Tree:
        return {WC_TREEVIEWW, TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS | WS_TABSTOP,
                WS_EX_CLIENTEDGE};
    }
    return {WC_STATICW, SS_LEFT, 0};
}

bool HasArrows(ControlKind kind) {
    return kind == ControlKind::SpinField || kind == ControlKind::NumberField;
}

bool IsStaticLooking(ControlKind kind) {
    return kind == ControlKind::Label || kind == ControlKind::Link || kind == ControlKind::CheckBox ||
           kind == ControlKind::Option || kind == ControlKind::Frame || kind == ControlKind::TrackBar ||
           kind == ControlKind::SingleLine;
}

// A static draws no focus cue of its own: a dotted frame round the text.
void DrawLinkFocus(HWND hwnd) {
    wchar_t text[256] = {};
    GetWindowTextW(hwnd, text, 256);
    HDC dc = GetDC(hwnd);
    if (!dc) return;
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)));
    RECT r{};
    GetClientRect(hwnd, &r);
    RECT textBox = r;
    DrawTextW(dc, text, -1, &textBox, DT_CALCRECT | DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
    textBox.right = textBox.right + 2 < r.right ? textBox.right + 2 : r.right;
    textBox.bottom = textBox.bottom + 1 < r.bottom ? textBox.bottom + 1 : r.bottom;
    DrawFocusRect(dc, &textBox);
    SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
}

// A link answers BM_CLICK like a button, so it can be clicked from outside by its number.
LRESULT CALLBACK LinkProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    switch (message) {
    case BM_CLICK:
        SendMessageW(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), STN_CLICKED),
                     reinterpret_cast<LPARAM>(hwnd));
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateRect(hwnd, nullptr, TRUE);
        break;
    case WM_PAINT: {
        LRESULT result = CallNextSubclassProcedure(hwnd, message, wParam, lParam);
        if (GetFocus() == hwnd) DrawLinkFocus(hwnd);
        return result;
    }
    }
    return CallNextSubclassProcedure(hwnd, message, wParam, lParam);
}

}  // namespace

const ControlRecord* RecordOfHandle(HWND hwnd) {
    for (auto& entry : Layer().controls)
        if (entry.second.hwnd == hwnd) return &entry.second;
    return nullptr;
}

// Windows and newer Wine (not Wine 8) check an unchecked auto option that
// gets the focus, clear its group and send a click, all inside SetFocus.
void FocusQuietly(HWND target) {
    WindowLayer& w = Layer();
    const ControlRecord* record = RecordOfHandle(target);
    if (!record || record->kind != ControlKind::Option) {
        SetFocus(target);
        return;
    }
    std::vector<std::pair<HWND, LRESULT>> marks;
    for (const auto& entry : w.controls)
        if (entry.second.kind == ControlKind::Option)
            marks.emplace_back(entry.second.hwnd, SendMessageW(entry.second.hwnd, BM_GETCHECK, 0, 0));
    w.quietFocus = target;
    SetFocus(target);
    w.quietFocus = nullptr;
    for (const auto& mark : marks)
        if (SendMessageW(mark.first, BM_GETCHECK, 0, 0) != mark.second)
            SendMessageW(mark.first, BM_SETCHECK, static_cast<WPARAM>(mark.second), 0);
}

void MoveFocusOn(HWND from) {
    // Window 0 for a page's control, dialog 70 for one of its own.
    HWND root = GetAncestor(from, GA_ROOT);
    if (!root || GetFocus() != from) return;
    // Asked while `from` still counts, so the search starts behind it.
    HWND next = GetNextDlgTabItem(root, from, FALSE);
    if (next && next != from) FocusQuietly(next);
}

void PlaceControl(const ControlRecord& c) {
    int height = c.box.height + (c.kind == ControlKind::ComboList ? kListDropHeight : 0);
    SetWindowPos(c.hwnd, nullptr, ScaleToDpi(c.box.x), ScaleToDpi(c.box.y), ScaleToDpi(c.box.width),
                 ScaleToDpi(height), SWP_NOZORDER | SWP_NOACTIVATE);
    // The arrows take their share of the field again at the new size.
    if (c.arrows) SendMessageW(c.arrows, UDM_SETBUDDY, reinterpret_cast<WPARAM>(c.hwnd), 0);
}

LRESULT CALLBACK PageProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowLayer& w = Layer();
    switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_HSCROLL:
    case WM_VSCROLL:
        return w.main ? SendMessageW(w.main, message, wParam, lParam) : 0;
    case WM_ERASEBKGND: {
        RECT r;
        GetClientRect(hwnd, &r);
        FillRect(reinterpret_cast<HDC>(wParam), &r, w.pageBrush);
        return 1;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
        const ControlRecord* c = RecordOfHandle(reinterpret_cast<HWND>(lParam));
        if (!c || !IsStaticLooking(c->kind)) break;
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetBkColor(dc, w.pageColour);
        if (c->kind == ControlKind::Link) SetTextColor(dc, RGB(0, 0, 255));
        if (c->alert) SetTextColor(dc, kAlertColour);
        return reinterpret_cast<LRESULT>(w.pageBrush);
    }
    case WM_SETCURSOR: {
        const ControlRecord* c = RecordOfHandle(reinterpret_cast<HWND>(wParam));
        if (c && c->kind == ControlKind::Link && LOWORD(lParam) == HTCLIENT) {
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        }
        break;
    }
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void ForwardControlNotice(WPARAM wParam, LPARAM lParam) {
    const ControlRecord* c = RecordOfHandle(reinterpret_cast<HWND>(lParam));
    if (!c) return;
    int number = LOWORD(wParam);
    WORD code = HIWORD(wParam);
    if (c->hwnd == Layer().quietFocus) return;
    bool event = false;
    switch (c->kind) {
    case ControlKind::Button:
    case ControlKind::CheckBox:
    case ControlKind::Option: event = code == BN_CLICKED; break;
    case ControlKind::Link: event = code == STN_CLICKED; break;
    case ControlKind::ComboList: event = code == CBN_SELCHANGE; break;
    // Each key's change would store what the user only passes through ("30", "3", "").
    case ControlKind::NumberField: event = code == EN_KILLFOCUS; break;
    case ControlKind::SecretField: event = code == EN_CHANGE; break;
    default: break;  // typing and focus changes are no events of the program
    }
    if (event) QueueWindowEvent(kEventControl, number);
}

void ForwardScroll(LPARAM lParam, WPARAM wParam) {
    // A step of a number field's arrows (or its arrow keys) is a value the user chose.
    for (const auto& entry : Layer().controls)
        if (entry.second.kind == ControlKind::NumberField && entry.second.arrows == reinterpret_cast<HWND>(lParam) &&
            LOWORD(wParam) == SB_THUMBPOSITION)
            QueueWindowEvent(kEventControl, entry.first);
    const ControlRecord* c = RecordOfHandle(reinterpret_cast<HWND>(lParam));
    // The end of a drag or key press repeats the last position.
    if (c && c->kind == ControlKind::TrackBar && LOWORD(wParam) != TB_ENDTRACK)
        QueueWindowEvent(kEventControl, GetDlgCtrlID(c->hwnd));
}

bool CreateControl(int number, ControlKind kind, int tab, Box box, const std::wstring& text) {
    WindowLayer& w = Layer();
    const bool onDialog = tab == kDialogPage && w.dialog;
    if ((!onDialog && (tab < 0 || tab >= static_cast<int>(w.pages.size()))) || Find(number)) return false;
    KindStyle s = StyleOf(kind);
    DWORD style = WS_CHILD | WS_VISIBLE | s.style;
    if (!(kind == ControlKind::Option && w.anyControl && w.lastKind == ControlKind::Option)) style |= WS_GROUP;
    if (kind == ControlKind::Option && (style & WS_GROUP)) style |= WS_TABSTOP;
    HWND page = onDialog ? w.dialog : w.pages[tab];
    HWND hwnd = CreateWindowExW(s.exStyle, s.windowClass, HasArrows(kind) ? L"" : text.c_str(), style,
                                0, 0, 0, 0, page, reinterpret_cast<HMENU>(static_cast<INT_PTR>(number)),
                                GetModuleHandleW(nullptr), nullptr);
    if (!hwnd) return false;
    ControlRecord record;
    record.hwnd = hwnd;
    record.kind = kind;
    record.tab = tab;
    record.box = box;
    if (HasArrows(kind)) {
        record.arrows = CreateWindowExW(0, UPDOWN_CLASSW, L"",
                                        WS_CHILD | WS_VISIBLE | UDS_ALIGNRIGHT | UDS_SETBUDDYINT | UDS_ARROWKEYS |
                                            UDS_NOTHOUSANDS,
                                        0, 0, 0, 0, page, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    if (kind == ControlKind::Link) SubclassWindow(hwnd, LinkProcedure, 1);
    w.controls[number] = record;
    w.lastKind = kind;
    w.anyControl = true;
    PlaceControl(record);
    HFONT font = kind == ControlKind::Link ? w.linkFont : w.font;
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (HasArrows(kind)) SetWindowTextW(hwnd, text.c_str());
    return true;
}

bool ControlExists(int number) { return Find(number) != nullptr; }

void SetControlText(int number, const std::wstring& text) {
    if (HWND h = Handle(number)) SetWindowTextW(h, text.c_str());
}

std::wstring ReadControlText(int number) {
    HWND h = Handle(number);
    if (!h) return {};
    int length = GetWindowTextLengthW(h);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    int got = GetWindowTextW(h, text.data(), length + 1);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

void EnableControl(int number, bool enabled) {
    ControlRecord* c = Find(number);
    if (!c) return;
    // Wine drops the focus of a disabled control, Windows leaves it there; either way the keyboard would be dead.
    if (!enabled) MoveFocusOn(c->hwnd);
    EnableWindow(c->hwnd, enabled);
    if (c->arrows) EnableWindow(c->arrows, enabled);
}

bool ControlEnabled(int number) {
    HWND h = Handle(number);
    return h && IsWindowEnabled(h);
}

void ShowControl(int number, bool visible) {
    ControlRecord* c = Find(number);
    if (!c) return;
    // Hiding the focused control would leave the keyboard nowhere.
    if (!visible) MoveFocusOn(c->hwnd);
    ShowWindow(c->hwnd, visible ? SW_SHOWNA : SW_HIDE);
    if (c->arrows) ShowWindow(c->arrows, visible ? SW_SHOWNA : SW_HIDE);
}

bool ControlVisible(int number) {
    HWND h = Handle(number);
    return h && (GetWindowLongPtrW(h, GWL_STYLE) & WS_VISIBLE);
}

void FocusControl(int number) {
    if (HWND h = Handle(number)) FocusQuietly(h);
}

void SetControlCheck(int number, bool checked) {
    if (HWND h = Handle(number)) SendMessageW(h, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool ReadControlCheck(int number) {
    HWND h = Handle(number);
    return h && SendMessageW(h, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

constexpr int kToolTipWidth = 480;

void SetToolTip(int number, const std::wstring& text) {
    WindowLayer& w = Layer();
    ControlRecord* c = Find(number);
    if (!c || !w.main) return;
    if (!c->tip) {
        c->tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, w.main, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
        if (!c->tip) return;
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = GetParent(c->hwnd);
        tool.uId = reinterpret_cast<UINT_PTR>(c->hwnd);
        tool.lpszText = const_cast<wchar_t*>(text.c_str());
        SendMessageW(c->tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        // A width makes the tip wrap long texts and take line breaks.
        SendMessageW(c->tip, TTM_SETMAXTIPWIDTH, 0, ScaleToDpi(kToolTipWidth));
        return;
    }
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = GetParent(c->hwnd);
    tool.uId = reinterpret_cast<UINT_PTR>(c->hwnd);
    tool.lpszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(c->tip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void SetControlAlert(int number, bool alert) {
    ControlRecord* c = Find(number);
    if (!c || c->alert == alert) return;
    c->alert = alert;
    InvalidateRect(c->hwnd, nullptr, TRUE);
}

void SetSpinRange(int number, int low, int high) {
    ControlRecord* c = Find(number);
    if (c && c->arrows) SendMessageW(c->arrows, UDM_SETRANGE32, low, high);
}

void SetTrackBarRange(int number, int low, int high) {
    if (HWND h = Handle(number)) {
        SendMessageW(h, TBM_SETRANGEMIN, FALSE, low);
        SendMessageW(h, TBM_SETRANGEMAX, TRUE, high);
    }
}

void SetTrackBarTicks(int number, int every) {
    if (HWND h = Handle(number)) SendMessageW(h, TBM_SETTICFREQ, every, 0);
}

void SetTrackBarPosition(int number, int position) {
    if (HWND h = Handle(number)) SendMessageW(h, TBM_SETPOS, TRUE, position);
}

int ReadTrackBarPosition(int number) {
    HWND h = Handle(number);
    return h ? static_cast<int>(SendMessageW(h, TBM_GETPOS, 0, 0)) : 0;
}

void AddListItem(int number, const std::wstring& text) {
    if (HWND h = Handle(number)) SendMessageW(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void SelectListItem(int number, int position) {
    if (HWND h = Handle(number)) SendMessageW(h, CB_SETCURSEL, position, 0);
}

int ReadListSelection(int number) {
    HWND h = Handle(number);
    return h ? static_cast<int>(SendMessageW(h, CB_GETCURSEL, 0, 0)) : -1;
}
