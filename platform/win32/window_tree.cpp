// Tree views, whose items are made as their parents open, so a tree of any size shows at once.
#include <windows.h>
#include <commctrl.h>

#include "platform/win32/window_internal.h"

namespace {

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

}  // namespace

void ForwardTreeNotice(const NMHDR* header) {
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
