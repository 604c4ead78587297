// Recorded message boxes answered from a queue: dialogs.h for host tests.
#include "platform/dialogs.h"

#include "platform/fake/fake_state.h"

bool ShowMessageBox(const std::wstring& title, const std::wstring& text, unsigned type) {
    Fake().boxes.push_back(FakeBox{title, text, type});
    if (Fake().answers.empty()) return false;
    const bool yes = Fake().answers.front();
    Fake().answers.erase(Fake().answers.begin());
    return yes;
}

std::vector<FakeBox> FakeBoxes() {
    return Fake().boxes;
}

void QueueFakeAnswer(bool yes) {
    Fake().answers.push_back(yes);
}
