// The in-memory window layer for host tests: records every object's state and replays scripted events.
#include <cstdio>
#include <cstdlib>

#include "platform/fake/fake_state.h"
#include "platform/fake/fake_window.h"
#include "platform/fake/fake_window_world.h"
#include "platform/process.h"

FakeWindowWorld& World() {
    static FakeWindowWorld world;
    return world;
}

namespace {

FakeControl* Find(int number) {
    auto it = World().controls.find(number);
    return it == World().controls.end() ? nullptr : &it->second;
}

// A tab stop as the real window has them; of an option group only its first option.
bool IsTabStop(int number) {
    const FakeControl& c = World().controls[number];
    if (!c.enabled || !c.visible || c.kind == ControlKind::Label || c.kind == ControlKind::Frame) return false;
    return c.kind != ControlKind::Option || World().group[number] == number;
}

// The layer's own focus moves neither check nor click an option (Windows would
// for an unchecked one). A number field that loses the focus reports its value.
void FocusQuietly(int number) {
    for (auto& entry : World().controls) {
        if (entry.second.focused && entry.first != number && entry.second.kind == ControlKind::NumberField)
            World().queue.push_front(QueuedItem{WindowEvent{kEventControl, entry.first}, {}});
        entry.second.focused = entry.first == number;
    }
}

// A focused control that is disabled or hidden hands the focus to the next tab stop of its page.
void MoveFocusOn(int number) {
    FakeControl* c = Find(number);
    if (!c || !c->focused) return;
    const auto& order = World().order;
    std::size_t at = 0;
    while (order[at] != number) ++at;
    for (std::size_t step = 1; step < order.size(); ++step) {
        const std::size_t i = (at + step) % order.size();
        if (World().controls[order[i]].tab == c->tab && IsTabStop(order[i])) {
            FocusQuietly(order[i]);
            return;
        }
    }
    c->focused = false;
}

}  // namespace

void ResetFakeWindow() {
    World() = FakeWindowWorld{};
    ResetFakeDialog();
}

std::vector<int> FakeControlNumbers() { return World().order; }

FakeControl* FakeControlRecord(int number) { return Find(number); }

void ForgetFakeControls(int tab) {
    FakeWindowWorld& world = World();
    std::vector<int> kept;
    for (int number : world.order) {
        if (world.controls[number].tab != tab) {
            kept.push_back(number);
            continue;
        }
        world.controls.erase(number);
        world.group.erase(number);
    }
    world.order = kept;
}

FakeControl FakeControlState(int number) {
    FakeControl* c = Find(number);
    return c ? *c : FakeControl{};
}

FakeMainWindow FakeWindowState() { return World().window; }
std::vector<std::wstring> FakeTrayLog() { return World().trayLog; }

bool FakeMenuItemEnabled(int item) {
    auto it = World().menuEnabled.find(item);
    return it == World().menuEnabled.end() || it->second;
}

int FakeMenuItemChanges(int item) { return World().menuChanges[item]; }

void QueueFakeEvent(int kind, int number) { World().queue.push_back(QueuedItem{WindowEvent{kind, number}, {}}); }

void QueueFakeEventNext(int kind, int number) { World().queue.push_front(QueuedItem{WindowEvent{kind, number}, {}}); }

void QueueFakeEventAction(std::function<void()> action) {
    World().queue.push_back(QueuedItem{WindowEvent{}, std::move(action)});
}

int FakeWaits() { return World().waits; }
std::vector<std::uint32_t> FakeWaitTimeouts() { return World().timeouts; }
int FakeDroppedEvents() { return World().dropped; }
std::vector<FakeRequest> FakeRequests() { return World().requests; }
void QueueFakeRequesterAnswer(const std::wstring& answer) { World().answers.push_back(answer); }

// The window layer itself.

bool OpenMainWindow(const std::wstring& title, int clientWidth, int clientHeight, bool visible) {
    FakeMainWindow& w = World().window;
    w.open = true;
    w.title = title;
    w.clientWidth = clientWidth;
    w.clientHeight = clientHeight;
    w.visible = visible;
    return true;
}

bool OpenNoticeWindow() {
    FakeMainWindow& w = World().window;
    if (w.open) return true;
    w.open = true;
    w.notice = true;
    World().trayLog.push_back(L"notice window");
    return true;
}

void CloseMainWindow() {
    FakeWindowWorld& world = World();
    CloseDialogWindow();
    if (world.window.open) RemoveTrayIcon(kMainWindow);
    world.window.open = false;
    world.window.notice = false;
    world.window.visible = false;
    world.window.timer = -1;
    world.queue.clear();
}

bool MainWindowOpen() { return World().window.open; }
void ShowMainWindow(bool visible) {
    if (!World().window.open) return;
    World().window.visible = visible;
    World().trayLog.push_back(visible ? L"show" : L"hide");
}
bool MainWindowVisible() { return World().window.visible; }
void SetMainWindowTopmost(bool topmost) { World().window.topmost = topmost; }

bool CreateTabPanel(Box box) {
    if (!World().window.open) return false;
    World().window.panel = box;
    return true;
}

bool AddTabPage(int tab, const std::wstring& text) {
    FakeMainWindow& w = World().window;
    if (!w.open || tab != static_cast<int>(w.tabs.size())) return false;
    w.tabs.push_back(text);
    if (w.selectedTab < 0) w.selectedTab = 0;
    return true;
}

void SelectTabPage(int tab) {
    if (tab >= 0 && tab < static_cast<int>(World().window.tabs.size())) World().window.selectedTab = tab;
}

int ReadSelectedTabPage() { return World().window.selectedTab; }

bool CreateStatusBar(int fieldWidth) {
    if (!World().window.open) return false;
    World().window.statusBar = true;
    World().window.statusFieldWidth = fieldWidth;
    return true;
}

void SetStatusText(const std::wstring& text) {
    World().window.statusText = text;
    World().window.statusHistory.push_back(text);
}

std::wstring ReadStatusText() { return World().window.statusText; }

bool CreateControl(int number, ControlKind kind, int tab, Box box, const std::wstring& text) {
    FakeWindowWorld& world = World();
    const bool onDialog = tab == kDialogPage && DialogWindowOpen();
    if (!world.window.open || (!onDialog && (tab < 0 || tab >= static_cast<int>(world.window.tabs.size()))) ||
        Find(number))
        return false;
    FakeControl c;
    c.kind = kind;
    c.tab = tab;
    c.box = box;
    c.text = text;
    const bool joins = kind == ControlKind::Option && !world.order.empty() &&
                       world.controls[world.order.back()].kind == ControlKind::Option;
    world.group[number] = joins ? world.group[world.order.back()] : number;
    world.controls[number] = c;
    world.order.push_back(number);
    return true;
}

bool ControlExists(int number) { return Find(number) != nullptr; }

void SetControlText(int number, const std::wstring& text) {
    if (FakeControl* c = Find(number)) c->text = text;
}

std::wstring ReadControlText(int number) {
    FakeControl* c = Find(number);
    return c ? c->text : std::wstring();
}

void EnableControl(int number, bool enabled) {
    if (FakeControl* c = Find(number)) c->enabled = enabled;
    if (!enabled) MoveFocusOn(number);
}

bool ControlEnabled(int number) {
    FakeControl* c = Find(number);
    return c && c->enabled;
}

void ShowControl(int number, bool visible) {
    if (FakeControl* c = Find(number)) c->visible = visible;
    if (!visible) MoveFocusOn(number);
}

bool ControlVisible(int number) {
    FakeControl* c = Find(number);
    return c && c->visible;
}

void FocusControl(int number) {
    if (Find(number)) FocusQuietly(number);
}

void SetControlCheck(int number, bool checked) {
    if (FakeControl* c = Find(number)) c->checked = checked;
}

bool ReadControlCheck(int number) {
    FakeControl* c = Find(number);
    return c && c->checked;
}

void SetToolTip(int number, const std::wstring& text) {
    if (FakeControl* c = Find(number)) c->toolTip = text;
}

void SetControlAlert(int number, bool alert) {
    if (FakeControl* c = Find(number)) c->alert = alert;
}

void SetSpinRange(int number, int low, int high) {
    if (FakeControl* c = Find(number)) c->low = low, c->high = high;
}

void SetTrackBarRange(int number, int low, int high) { SetSpinRange(number, low, high); }

void SetTrackBarTicks(int number, int every) {
    if (FakeControl* c = Find(number)) c->tickEvery = every;
}

void SetTrackBarPosition(int number, int position) {
    FakeControl* c = Find(number);
    if (!c) return;
    // The real track bar keeps its position inside its range.
    if (position < c->low) position = c->low;
    if (position > c->high) position = c->high;
    c->position = position;
}

int ReadTrackBarPosition(int number) {
    FakeControl* c = Find(number);
    return c ? c->position : 0;
}

void AddListItem(int number, const std::wstring& text) {
    if (FakeControl* c = Find(number)) c->items.push_back(text);
}

void SelectListItem(int number, int position) {
    FakeControl* c = Find(number);
    if (c) c->selected = (position >= 0 && position < static_cast<int>(c->items.size())) ? position : -1;
}

int ReadListSelection(int number) {
    FakeControl* c = Find(number);
    return c ? c->selected : -1;
}

void StartWindowTimer(int number, std::uint32_t intervalMs) {
    if (!World().window.open) return;
    World().window.timer = number;
    World().window.timerIntervalMs = intervalMs;
}

void StopWindowTimer(int number) {
    if (World().window.timer == number) World().window.timer = -1;
}

WindowEvent WaitForWindowEvent(std::uint32_t timeoutMs, ProgramHandle program) {
    FakeWindowWorld& world = World();
    world.waits++;
    world.timeouts.push_back(timeoutMs);
    while (!world.queue.empty()) {
        QueuedItem item = world.queue.front();
        world.queue.pop_front();
        if (item.action) {
            item.action();
            continue;
        }
        world.emptyWaits = 0;
        return item.event;
    }
    if (program) {
        bool wrote = false;
        if (FakeNextProgramPiece(program, wrote))
            return wrote ? WindowEvent{kEventProgramOutput, 0} : WindowEvent{kEventTimer, kMainTimer};
        if (!ProgramRunning(program)) return WindowEvent{kEventProgramEnded, 0};
        // The tick of a program still running is a second of its silence, or less when the wait was shorter.
        Fake().tickMs += timeoutMs < 1000 ? timeoutMs : 1000;
        return WindowEvent{kEventTimer, kMainTimer};
    }
    // Nothing woke it: the whole time-out passed.
    if (timeoutMs != kWaitForever) Fake().tickMs += timeoutMs;
    if (++world.emptyWaits > 100000) {
        std::fputs("fake window: the scripted events ran out and the loop still waits\n", stderr);
        std::abort();
    }
    return WindowEvent{};
}

void DropWindowEvents() {
    FakeWindowWorld& world = World();
    for (const QueuedItem& item : world.queue)
        if (!item.action) world.dropped++;
    world.queue.clear();
}
