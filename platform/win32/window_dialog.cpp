// The dialog window (80) over window 0 and its tree views, whose items are made as their parents open.
#include <windows.h>
#include <commctrl.h>

#include "platform/win32/window_internal.h"

namespace {

constexpr wchar_t kDialogClass[] = L"LarkmailBackupDialog";
constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kDialogExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

bool RegisterDialogClass() {
    static bool registered = false;
    if (registered) return true;
    WNDCLASSEXW dialog{};
    dialog.cbSize = sizeof(dialog);
    dialog.lpfnWndProc = DialogProcedure;
    dialog.hInstance = GetModuleHandleW(nullptr);
    dialog.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    dialog.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    dialog.lpszClassName = kDialogClass;
    registered = RegisterClassExW(&dialog) != 0;
    return registered;
}

HWND TreeHandle(int number) {
    auto it = Layer().controls.find(number);
    return it == Layer().controls.end() || it->second.kind != ControlKind::Tree ? nullptr : it->second.hwnd;
}

int NumberOfTree(HWND hwnd) {
    for (const auto& entry : Layer().controls)
        if (entry.second.hwnd == hwnd && entry.second.kind == ControlKind::Tree) return entry.first;
    return -1;
}

// Makes the tree items of `parent`'s children (the top rows for -1), once.
void MakeChildItems(HWND tree, TreeModel& model, int parent) {
    const std::size_t slot = parent < 0 ? model.rows.size() : static_cast<std::size_t>(parent);
    const HTREEITEM under = parent < 0 ? TVI_ROOT : model.items[parent];
    for (int row : model.children[slot]) {
        if (model.items[row]) return;  // made before
        TVINSERTSTRUCTW insert{};
        insert.hParent = under;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_CHILDREN;
        insert.item.pszText = const_cast<wchar_t*>(model.rows[row].text.c_str());
        insert.item.lParam = row;
        insert.item.cChildren = model.children[row].empty() ? 0 : 1;
        model.items[row] = reinterpret_cast<HTREEITEM>(
            SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    }
}

void OnTreeNotice(const NMHDR* header) {
    const int number = NumberOfTree(header->hwndFrom);
    if (number < 0) return;
    if (header->code == TVN_ITEMEXPANDINGW) {
        const auto* view = reinterpret_cast<const NMTREEVIEWW*>(header);
        auto model = Layer().trees.find(number);
        if (model != Layer().trees.end() && view->action & TVE_EXPAND)
            MakeChildItems(header->hwndFrom, model->second, static_cast<int>(view->itemNew.lParam));
    } else if (header->code == TVN_SELCHANGEDW) {
        QueueWindowEvent(kEventControl, number);
    }
}

}  // namespace

LRESULT CALLBACK DialogProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (lParam != 0) ForwardControlNotice(wParam, lParam);
        return 0;
    case WM_NOTIFY:
        OnTreeNotice(reinterpret_cast<const NMHDR*>(lParam));
        return 0;
    case WM_CLOSE:
        QueueWindowEvent(kEventClose, kDialogWindow);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool HandleDialogKey(const MSG& msg) {
    WindowLayer& w = Layer();
    if (!w.dialog || msg.message != WM_KEYDOWN || (msg.hwnd != w.dialog && !IsChild(w.dialog, msg.hwnd))) return false;
    if (msg.wParam == VK_ESCAPE) {
        QueueWindowEvent(kEventClose, kDialogWindow);
        return true;
    }
    if (msg.wParam != VK_RETURN) return false;
    const ControlRecord* focused = RecordOfHandle(msg.hwnd);
    const bool onButton = focused && (focused->kind == ControlKind::Button || focused->kind == ControlKind::Link);
    if (!onButton && !(msg.lParam & (1 << 30))) QueueWindowEvent(kEventControl, w.dialogDefault);
    return !onButton;  // a focused button presses itself
}

bool OpenDialogWindow(const std::wstring& title, int clientWidth, int clientHeight, int defaultButton) {
    WindowLayer& w = Layer();
    if (!w.main || w.dialog || !RegisterDialogClass()) return false;
    RECT frame{0, 0, ScaleToDpi(clientWidth), ScaleToDpi(clientHeight)};
    AdjustWindowRectEx(&frame, kDialogStyle, FALSE, kDialogExStyle);
    RECT over{};
    GetWindowRect(w.main, &over);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    int x = over.left + ((over.right - over.left) - width) / 2;
    int y = over.top + ((over.bottom - over.top) - height) / 2;
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    if (x < work.left) x = work.left;
    if (y < work.top) y = work.top;
    w.dialog = CreateWindowExW(kDialogExStyle, kDialogClass, title.c_str(), kDialogStyle, x, y, width, height, w.main,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!w.dialog) return false;
    w.dialogDefault = defaultButton;
    w.dialogSize = Box{0, 0, clientWidth, clientHeight};
    EnableWindow(w.main, FALSE);
    ShowWindow(w.dialog, SW_SHOW);
    SetForegroundWindow(w.dialog);
    return true;
}

void CloseDialogWindow() {
    WindowLayer& w = Layer();
    if (!w.dialog) return;
    for (auto it = w.controls.begin(); it != w.controls.end();) {
        if (it->second.tab != kDialogPage) {
            ++it;
            continue;
        }
        if (it->second.tip) DestroyWindow(it->second.tip);
        w.trees.erase(it->first);
        it = w.controls.erase(it);
    }
    // Enabled before the dialog goes, so the activation comes back to window 0 and not to another program.
    EnableWindow(w.main, TRUE);
    DestroyWindow(w.dialog);
    w.dialog = nullptr;
    if (IsWindowVisible(w.main)) SetForegroundWindow(w.main);
}

bool DialogWindowOpen() { return Layer().dialog != nullptr; }

void SetTreeRows(int number, const std::vector<TreeRow>& rows) {
    HWND tree = TreeHandle(number);
    if (!tree) return;
    TreeModel& model = Layer().trees[number];
    SendMessageW(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    model.rows = rows;
    model.children.assign(rows.size() + 1, {});
    model.items.assign(rows.size(), nullptr);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int parent = rows[i].parent;
        const bool known = parent >= 0 && parent < static_cast<int>(i);
        model.children[known ? static_cast<std::size_t>(parent) : rows.size()].push_back(static_cast<int>(i));
    }
    SendMessageW(tree, WM_SETREDRAW, FALSE, 0);
    MakeChildItems(tree, model, -1);
    for (int top : model.children[rows.size()])
        if (!model.children[top].empty()) SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(model.items[top]));
    SendMessageW(tree, WM_SETREDRAW, TRUE, 0);
}

void SelectTreeRow(int number, int row) {
    HWND tree = TreeHandle(number);
    auto found = Layer().trees.find(number);
    if (!tree || found == Layer().trees.end()) return;
    TreeModel& model = found->second;
    if (row < 0 || row >= static_cast<int>(model.rows.size())) {
        SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, 0);
        return;
    }
    std::vector<int> chain;
    for (int at = model.rows[row].parent; at >= 0; at = model.rows[at].parent) chain.push_back(at);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        MakeChildItems(tree, model, *it);
        SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(model.items[*it]));
    }
    // The program's own choice is no event of the user's.
    auto& events = Layer().events;
    const std::size_t queued = events.size();
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(model.items[row]));
    while (events.size() > queued) events.pop_back();
}

int ReadTreeSelection(int number) {
    HWND tree = TreeHandle(number);
    if (!tree) return -1;
    const auto selected = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (!selected) return -1;
    TVITEMW item{};
    item.mask = TVIF_PARAM;
    item.hItem = selected;
    if (!SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return -1;
    return static_cast<int>(item.lParam);
}
