// Keys typed into a fake field, with the events the real layer gives for them.
#include <string>

#include "platform/fake/fake_window.h"

namespace {

bool IsTabStopOf(int number, int tab) {
    const FakeControl c = FakeControlState(number);
    return c.tab == tab && c.enabled && c.visible && c.kind != ControlKind::Label && c.kind != ControlKind::Frame;
}

void LeaveField(int number) {
    const std::vector<int> order = FakeControlNumbers();
    std::size_t at = 0;
    while (at < order.size() && order[at] != number) ++at;
    for (std::size_t step = 1; step < order.size(); ++step) {
        const int next = order[(at + step) % order.size()];
        if (IsTabStopOf(next, FakeControlState(number).tab)) {
            FocusControl(next);
            return;
        }
    }
}

void StepArrows(int number, int by) {
    const FakeControl c = FakeControlState(number);
    int value = 0;
    for (wchar_t d : c.text)
        if (d >= L'0' && d <= L'9') value = value * 10 + (d - L'0');
    value += by;
    if (value < c.low) value = c.low;
    if (value > c.high) value = c.high;
    SetControlText(number, std::to_wstring(value));
    if (c.kind == ControlKind::NumberField) QueueFakeEventNext(kEventControl, number);
}

}  // namespace

void TypeIntoFakeField(int number, const std::wstring& keys) {
    if (!ControlExists(number)) return;
    if (!FakeControlState(number).focused) FocusControl(number);
    const bool numberField = FakeControlState(number).kind == ControlKind::NumberField;
    for (wchar_t key : keys) {
        std::wstring text = ReadControlText(number);
        if (key == L'\b') {
            if (!text.empty()) SetControlText(number, text.substr(0, text.size() - 1));
        } else if (key == L'\r') {
            if (numberField) QueueFakeEventNext(kEventControl, number);
        } else if (key == L'\t') {
            LeaveField(number);
        } else if (key == L'+' || key == L'-') {
            StepArrows(number, key == L'+' ? 1 : -1);
        } else if (!numberField || (key >= L'0' && key <= L'9')) {
            SetControlText(number, text + key);
        }
    }
}
