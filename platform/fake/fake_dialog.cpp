// The fake window layer's dialog window and tree rows.
#include "platform/fake/fake_window.h"

namespace {

FakeDialogWindow& Dialog() {
    static FakeDialogWindow dialog;
    return dialog;
}

}  // namespace

FakeDialogWindow FakeDialogState() { return Dialog(); }

void ResetFakeDialog() { Dialog() = FakeDialogWindow{}; }

bool OpenDialogWindow(const std::wstring& title, int clientWidth, int clientHeight, int defaultButton) {
    if (!MainWindowOpen() || Dialog().open) return false;
    const int opened = Dialog().opened;
    Dialog() = FakeDialogWindow{true, title, clientWidth, clientHeight, defaultButton, opened + 1};
    return true;
}

void CloseDialogWindow() {
    if (!Dialog().open) return;
    ForgetFakeControls(kDialogPage);
    Dialog().open = false;
}

bool DialogWindowOpen() { return Dialog().open; }

void SetTreeRows(int number, const std::vector<TreeRow>& rows) {
    FakeControl* c = FakeControlRecord(number);
    if (!c || c->kind != ControlKind::Tree) return;
    c->rows = rows;
    c->selected = -1;
}

void SelectTreeRow(int number, int row) {
    FakeControl* c = FakeControlRecord(number);
    if (c && c->kind == ControlKind::Tree && row >= -1 && row < static_cast<int>(c->rows.size())) c->selected = row;
}

int ReadTreeSelection(int number) {
    FakeControl* c = FakeControlRecord(number);
    return c && c->kind == ControlKind::Tree ? c->selected : -1;
}
