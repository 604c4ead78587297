// The fake window layer's dialog and its tree rows.
#include "platform/fake/fake_window.h"

namespace {

FakeDialog& Dialog() {
    static FakeDialog dialog;
    return dialog;
}

}  // namespace

FakeDialog FakeDialogState() { return Dialog(); }

void ResetFakeDialog() { Dialog() = FakeDialog{}; }

void QueueFakeDialogKey(bool enter) {
    QueueFakeEventAction([enter] {
        const FakeDialog& d = Dialog();
        if (!d.open) return;
        const int number = enter ? d.okNumber : d.cancelNumber;
        if (enter && !ControlEnabled(number)) return;
        QueueFakeEventNext(kEventControl, number);
    });
}

bool OpenDialogWindow(const std::wstring& title, int clientWidth, int clientHeight, int okNumber, int cancelNumber) {
    FakeDialog& d = Dialog();
    if (!MainWindowOpen() || d.open) return false;
    d.open = true;
    d.title = title;
    d.clientWidth = clientWidth;
    d.clientHeight = clientHeight;
    d.okNumber = okNumber;
    d.cancelNumber = cancelNumber;
    d.opened++;
    return true;
}

void CloseDialogWindow() {
    if (!Dialog().open) return;
    Dialog().open = false;
    ForgetFakeControls(kDialogPage);
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
