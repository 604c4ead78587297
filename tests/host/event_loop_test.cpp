// The event loop over the fake window layer: dispatch tables, the refresh on every pass, blocking waits, the end.
#include "ui/event_loop.h"

#include <gtest/gtest.h>

#include "config/language_table.h"
#include "platform/fake/fake_platform.h"
#include "ui/backup_flow.h"
#include "ui/main_tab.h"
#include "ui/main_window.h"
#include "ui/restore_flow.h"
#include "ui/tray.h"

namespace {

std::vector<std::string> calls;
void HandlerA() { calls.push_back("A"); }
void HandlerB() { calls.push_back("B"); }
void HandlerQuit() {
    calls.push_back("quit");
    RequestQuit();
}

class EventLoopTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetFakePlatform();
        ResetFakeWindow();
        ClearEventHandlers();
        ProcessWindowState() = MainWindowState{};
        LoadLanguageTable(ProcessLanguageTable(), L"");
        calls.clear();
    }
};

TEST_F(EventLoopTest, DispatchesByKindAndNumber) {
    SetControlHandler(8, HandlerA);
    SetMenuHandler(50, HandlerB);
    SetEventKindHandler(kEventTray, HandlerQuit);
    struct Case {
        WindowEvent event;
        bool handled;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {{kEventControl, 8}, true, {"A"}},
        {{kEventMenu, 50}, true, {"B"}},
        {{kEventMenu, 8}, false, {}},      // the kinds have tables of their own
        {{kEventControl, 50}, false, {}},
        {{kEventControl, 12}, false, {}},  // a label has no handler
        {{kEventTray, 0}, true, {"quit"}},
        {{kEventTimer, kMainTimer}, false, {}},
        {{kEventNone, 0}, false, {}},
        {{kEventProgramEnded, 0}, false, {}},
        {{kEventClose, 0}, false, {}},
    };
    for (const Case& c : cases) {
        calls.clear();
        EXPECT_EQ(DispatchWindowEvent(c.event), c.handled) << c.event.kind << "/" << c.event.number;
        EXPECT_EQ(calls, c.calls) << c.event.kind << "/" << c.event.number;
    }
    SetControlHandler(8, HandlerB);  // a later entry replaces
    EXPECT_EQ(FindEventHandler({kEventControl, 8}), &HandlerB);
    SetControlHandler(8, nullptr);  // and null removes
    EXPECT_FALSE(DispatchWindowEvent({kEventControl, 8}));
}

TEST_F(EventLoopTest, TheWindowRoutesItsNumbersToTheirHandlers) {
    ProcessWindowState().startSettings = Settings{};
    ASSERT_TRUE(BuildMainWindow());
    struct Route {
        int kind, number;
        EventHandler handler;
    };
    const Route routes[] = {
        {kEventControl, 6, ClearBackupFolder},     {kEventControl, 8, RunInteractiveBackup},
        {kEventControl, 9, ChooseBackupFolder},    {kEventControl, 10, OpenBackupFolder},
        {kEventControl, 11, RunRestore},           {kEventControl, 13, StoreCompressionLevel},
        {kEventMenu, 50, RunInteractiveBackup},    {kEventMenu, 51, RunRestore},
        {kEventMenu, 52, OpenBackupFolder},        {kEventMenu, 53, QuitFromTray},
        {kEventMenu, 49, RestoreFromTray},         {kEventClose, 0, HandleCloseRequest},
        {kEventTray, 0, ShowTrayMenu},             {kEventTaskbarCreated, 0, AddTrayIconAgain},
    };
    for (const Route& r : routes) EXPECT_EQ(FindEventHandler({r.kind, r.number}), r.handler) << r.number;
    for (int number : {4, 5, 7, 12, 14, 15}) EXPECT_EQ(FindEventHandler({kEventControl, number}), nullptr);
}

TEST_F(EventLoopTest, EveryPassRefreshesThenBlocksAndHandlersRunToTheirEnd) {
    OpenMainWindow(L"t", 500, 200, true);
    SetControlHandler(8, HandlerA);
    SetControlHandler(9, HandlerQuit);
    QueueFakeEvent(kEventControl, 8);
    QueueFakeEvent(kEventTimer, kMainTimer);
    QueueFakeEvent(kEventControl, 4);
    QueueFakeEvent(kEventControl, 9);
    QueueFakeEvent(kEventControl, 8);  // after the quit: never handed out
    RunEventLoop();
    EXPECT_EQ(calls, std::vector<std::string>({"A", "quit"}));
    EXPECT_EQ(FakeWaits(), 4);
    EXPECT_EQ(FakeMenuItemChanges(kItemBackup), 4);  // the refresh runs on every pass, changed or not
    for (std::uint32_t timeout : FakeWaitTimeouts()) EXPECT_EQ(timeout, kWaitForever);
}

TEST_F(EventLoopTest, CloseAndQuitEndTheProgram) {
    for (int kind : {kEventClose, kEventMenu}) {
        SetUp();
        SetFakeFile(L"lmbackup.prefs", "");
        QueueFakeEvent(kEventTimer, kMainTimer);
        QueueFakeEvent(kind, kind == kEventMenu ? kItemQuit : kMainWindow);
        EXPECT_EQ(RunMainWindow(ReadAllSettings(), L""), 0);
        EXPECT_EQ(FakeWaits(), 2) << kind;
        EXPECT_FALSE(FakeWindowState().open) << kind;
    }
}

TEST_F(EventLoopTest, TheFakeWaitFollowsAProgramUntilItEnds) {
    FakeProgramScript script;
    script.pollsWhileRunning = 2;
    ScriptFakeProgram(L"\"7z.exe\"", script);
    StartOptions options;
    options.keepHandle = true;
    ProgramHandle tool = StartProgram(L"7z.exe", L"a", options);
    ASSERT_NE(tool, 0u);
    QueueFakeEvent(kEventControl, 8);
    std::vector<int> kinds;
    for (int i = 0; i < 4; ++i) kinds.push_back(WaitForWindowEvent(1000, tool).kind);
    EXPECT_EQ(kinds, std::vector<int>({kEventControl, kEventTimer, kEventTimer, kEventProgramEnded}));
    ReleaseProgram(tool);
}

}  // namespace
