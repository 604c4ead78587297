// The Backup Task tab over the fake window layer: its controls, handlers and states.
#include "ui/task_tab.h"

#include <gtest/gtest.h>

#include "config/language_table.h"
#include "config/settings.h"
#include "platform/fake/fake_platform.h"
#include "platform/fake/fake_window.h"
#include "ui/event_loop.h"
#include "ui/window_parts.h"

namespace {

const std::wstring kQuery = L"\"schtasks\" /query";
const std::wstring kTail = L" /tn BackupLarkmail /tr \"C:\\work\\LarkmailBackup /b\" /it /v1";

FakeProgramScript Listing(bool withTask) {
    FakeProgramScript script;
    script.outputLines = {L"", L"Folder: \\", L"TaskName    Next Run Time    Status"};
    if (withTask) script.outputLines.push_back(L"BackupLarkmail    N/A    Ready");
    return script;
}

class TaskTabTest : public ::testing::Test {
public:
    void SetUp() override {
        ResetFakePlatform();
        ResetFakeWindow();
        ClearEventHandlers();
        LoadLanguageTable(ProcessLanguageTable(), L"");
        ProcessTaskTabState() = TaskTabState{};
    }
    // The window as start-up leaves it, with or without a task.
    void Start(bool taskExists, const std::wstring& backupPath = L"D:\\Backups\\") {
        ScriptFakeProgram(kQuery, Listing(taskExists));
        OpenMainWindow(L"Larkmail Backup", 500, 200, true);
        CreateTabPanel(Box{5, 5, 492, 170});
        for (int tab = 0; tab < 3; ++tab) AddTabPage(tab, L"tab");
        CreateControl(7, ControlKind::Field, 0, Box{40, 67, 400, 20}, backupPath);
        BuildBackupTaskTab();
        ApplyBackupTaskStartState();
    }
    // The handler, then whatever the layer reported meanwhile, as the loop would.
    static void Click(int number) {
        DispatchWindowEvent(WindowEvent{kEventControl, number});
        for (WindowEvent e = WaitForWindowEvent(0); e.kind != kEventNone; e = WaitForWindowEvent(0))
            DispatchWindowEvent(e);
    }
    static std::wstring Enabled(int first, int last) {
        std::wstring flags;
        for (int n = first; n <= last; ++n) flags += FakeControlState(n).enabled ? L'1' : L'0';
        return flags;
    }
    static std::vector<std::wstring> CommandLines() {
        std::vector<std::wstring> lines;
        for (const FakeStart& start : FakeStarts()) lines.push_back(start.commandLine);
        return lines;
    }
    // 17..19, 20..26, 27..32, 33..36, 38, 39 (enabled and shown), 40, 37 shown.
    struct Look {
        std::wstring kinds, days, weeks, time;
        bool create, remove, monthText;
    };
    static void ExpectLook(const Look& look, const char* what) {
        EXPECT_EQ(Enabled(17, 19), look.kinds) << what;
        EXPECT_EQ(Enabled(20, 26), look.days) << what;
        EXPECT_EQ(Enabled(27, 32), look.weeks) << what;
        EXPECT_EQ(Enabled(33, 36), look.time) << what;
        EXPECT_EQ(FakeControlState(38).enabled, look.create) << what;
        EXPECT_EQ(FakeControlState(39).visible, look.remove) << what;
        if (look.remove) {
            EXPECT_TRUE(FakeControlState(39).enabled) << what;
        }
        EXPECT_TRUE(FakeControlState(40).enabled) << what;
        EXPECT_TRUE(FakeControlState(40).visible) << what;
        EXPECT_TRUE(FakeControlState(16).enabled) << what;
        EXPECT_EQ(FakeControlState(37).visible, look.monthText) << what;
        EXPECT_EQ(FakeControlState(90).enabled, !look.remove) << what;  // with the schedule it belongs to
    }
};

const TaskTabTest::Look kNoTask{L"111", L"0000000", L"000000", L"1111", false, false, false};
const TaskTabTest::Look kTaskExists{L"000", L"0000000", L"000000", L"0000", false, true, false};

TEST_F(TaskTabTest, ControlsInCreationOrderWithTheirPlaces) {
    Start(false);
    struct Row {
        int number;
        ControlKind kind;
        Box box;
        std::wstring text;
        bool checked = false;
    };
    const Row rows[] = {
        {16, ControlKind::Frame, {5, 5, 475, 120}, L"Task Settings"},
        {17, ControlKind::Option, {20, 25, 100, 20}, L"Daily"},
        {18, ControlKind::Option, {20, 50, 100, 20}, L"Weekly"},
        {19, ControlKind::Option, {20, 75, 100, 20}, L"Monthly"},
        {33, ControlKind::SpinField, {130, 70, 50, 23}, L"0"},
        {34, ControlKind::Label, {190, 70, 5, 20}, L":"},
        {35, ControlKind::SpinField, {200, 70, 50, 23}, L"0"},
        {36, ControlKind::Label, {255, 75, 200, 20}, L"(Valid time is from 00:00 to 23:59)"},
        {37, ControlKind::Label, {10, 167, 470, 20}, L"Select time, but leave all else blank for 1st of each month"},
        {20, ControlKind::Option, {130, 25, 50, 20}, L"Sun"},
        {21, ControlKind::Option, {180, 25, 50, 20}, L"Mon"},
        {22, ControlKind::Option, {230, 25, 50, 20}, L"Tue"},
        {23, ControlKind::Option, {280, 25, 50, 20}, L"Wed"},
        {24, ControlKind::Option, {330, 25, 50, 20}, L"Thu"},
        {25, ControlKind::Option, {380, 25, 50, 20}, L"Fri"},
        {26, ControlKind::Option, {430, 25, 45, 20}, L"Sat"},
        {90, ControlKind::CheckBox, {20, 100, 455, 20},
         L"Run a missed backup as soon as the computer is on, also on battery", true},
        {38, ControlKind::Button, {328, 130, 155, 30}, L"Create Task"},
        {40, ControlKind::Button, {164, 130, 150, 30}, L"Open Task Scheduler"},
        {39, ControlKind::Button, {0, 130, 150, 30}, L"Remove Task"},
        {27, ControlKind::Option, {130, 50, 50, 20}, L"1st"},
        {28, ControlKind::Option, {180, 50, 50, 20}, L"2nd"},
        {29, ControlKind::Option, {230, 50, 50, 20}, L"3rd"},
        {30, ControlKind::Option, {280, 50, 50, 20}, L"4th"},
        {31, ControlKind::Option, {330, 50, 50, 20}, L"Last"},
        {32, ControlKind::Option, {380, 50, 80, 20}, L"Last Day"},
    };
    const std::vector<int> order = FakeControlNumbers();
    ASSERT_EQ(order.size(), 1 + std::size(rows));  // field 7 first
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const Row& row = rows[i];
        EXPECT_EQ(order[i + 1], row.number);
        const FakeControl c = FakeControlState(row.number);
        EXPECT_EQ(c.kind, row.kind) << row.number;
        EXPECT_EQ(c.tab, 2) << row.number;
        EXPECT_EQ(c.box.x, row.box.x) << row.number;
        EXPECT_EQ(c.box.y, row.box.y) << row.number;
        EXPECT_EQ(c.box.width, row.box.width) << row.number;
        EXPECT_EQ(c.box.height, row.box.height) << row.number;
        EXPECT_EQ(c.text, row.text) << row.number;
        EXPECT_EQ(c.checked, row.checked) << row.number;
    }
    EXPECT_EQ(FakeControlState(33).low, 0);
    EXPECT_EQ(FakeControlState(33).high, 23);
    EXPECT_EQ(FakeControlState(35).low, 0);
    EXPECT_EQ(FakeControlState(35).high, 59);
    for (int n = 16; n <= 40; ++n) {
        const bool handled = (n >= 17 && n <= 32) || n >= 38;
        EXPECT_EQ(FindEventHandler(WindowEvent{kEventControl, n}) != nullptr, handled) << n;
    }
    EXPECT_EQ(FindEventHandler(WindowEvent{kEventControl, 90}), nullptr);  // read when Create Task is pressed
}

TEST_F(TaskTabTest, StartStatesFollowTheQuery) {
    Start(false);
    ExpectLook(kNoTask, "no task");
    EXPECT_EQ(CommandLines(), std::vector<std::wstring>{kQuery});

    SetUp();
    Start(true);
    ExpectLook(kTaskExists, "task exists");
    EXPECT_TRUE(FakeBoxes().empty());
}

TEST_F(TaskTabTest, ScheduleKindOptions) {
    struct Case {
        int option;
        std::wstring kind;
        Look look;
    };
    const Case cases[] = {
        {17, L"Daily", {L"111", L"0000000", L"000000", L"1111", true, false, false}},
        {18, L"Weekly", {L"111", L"1111111", L"000000", L"1111", true, false, false}},
        {19, L"Monthly", {L"111", L"1111111", L"111111", L"1111", true, false, true}},
    };
    Start(false);
    for (int round = 0; round < 2; ++round) {  // clicking again re-applies
        for (const Case& c : cases) {
            Click(c.option);
            EXPECT_EQ(ProcessTaskTabState().scheduleKind, c.kind);
            ExpectLook(c.look, "kind option");
        }
    }
    for (int n = 17; n <= 32; ++n) EXPECT_FALSE(FakeControlState(n).checked) << n;
}

TEST_F(TaskTabTest, ChoicesSurviveSwitchingKinds) {
    Start(false);
    Click(19);
    Click(28);
    Click(22);
    Click(18);
    Click(19);
    EXPECT_EQ(ProcessTaskTabState().weekOfMonth, L"Second");
    Click(17);
    EXPECT_EQ(ProcessTaskTabState().dayName, L"Tue");
    EXPECT_EQ(ProcessTaskTabState().weekOfMonth, L"Second");
    EXPECT_EQ(Enabled(20, 32), L"0000000000000");
    const wchar_t* days[] = {L"Sun", L"Mon", L"Tue", L"Wed", L"Thu", L"Fri", L"Sat"};
    for (int n = 20; n <= 26; ++n) {
        Click(n);
        EXPECT_EQ(ProcessTaskTabState().dayName, days[n - 20]);
    }
    const wchar_t* weeks[] = {L"First", L"Second", L"Third", L"Fourth", L"Last", L"LastDay"};
    for (int n = 27; n <= 32; ++n) {
        Click(n);
        EXPECT_EQ(ProcessTaskTabState().weekOfMonth, weeks[n - 27]);
    }
}

TEST_F(TaskTabTest, CreateTaskSendsTheChosenForm) {
    struct Case {
        const char* what;
        std::vector<int> clicks;
        std::wstring hour, minute;
        bool runMissed;
        std::wstring parameters;
    };
    const std::wstring xml = L"/create /tn BackupLarkmail /xml C:\\work\\LarkmailBackup-task-4242.xml";
    const Case cases[] = {
        {"daily, padded", {17}, L"7", L"", false, L"/create /sc daily /st 07:0" + kTail},
        {"weekly Friday", {18, 25}, L"23", L"59", false, L"/create /sc Weekly /d Fri /st 23:59" + kTail},
        {"monthly without week ignores the day", {19, 21}, L"0", L"0", false,
         L"/create /sc monthly /st 00:00" + kTail},
        {"last day ignores the day", {19, 26, 32}, L"12", L"30", false,
         L"/create /sc monthly /mo lastday /m * /st 12:30" + kTail},
        {"second Monday", {19, 21, 28}, L"23", L"05", false,
         L"/create /sc monthly /d Mon /mo Second /st 23:05" + kTail},
        {"typed hour unchanged", {17}, L"123", L"5", false, L"/create /sc daily /st 123:05" + kTail},
        {"missed runs: daily", {17}, L"2", L"30", true, xml},
        {"missed runs: second Monday", {19, 21, 28}, L"23", L"05", true, xml},
    };
    for (const Case& c : cases) {
        SetUp();
        Start(false);
        for (int n : c.clicks) Click(n);
        SetControlText(33, c.hour);
        SetControlText(35, c.minute);
        SetControlCheck(90, c.runMissed);  // as the box takes the user's click
        ScriptFakeProgram(kQuery, Listing(true));
        FocusControl(38);  // pressed from the keyboard
        Click(38);
        const std::vector<std::wstring> lines = CommandLines();
        ASSERT_EQ(lines.size(), 3u) << c.what;
        EXPECT_EQ(lines[1], L"\"schtasks\" " + c.parameters) << c.what;
        EXPECT_EQ(lines[2], kQuery) << c.what;
        ExpectLook(kTaskExists, c.what);
        EXPECT_TRUE(FakeBoxes().empty()) << c.what;
        EXPECT_TRUE(FakeControlState(40).focused) << c.what;  // the next tab stop, not the disabled button
        EXPECT_FALSE(FakeFileExists(L"C:\\work\\LarkmailBackup-task-4242.xml")) << c.what;
        // Its period, for how old the last good backup may grow.
        EXPECT_EQ(ReadSettingText(L"TaskSchedule", L"absent"), ProcessTaskTabState().scheduleKind) << c.what;
    }
}

TEST_F(TaskTabTest, FailedCreateChangesNothing) {
    Start(false);
    Click(18);
    Click(20);
    Click(38);  // the query still finds no task
    ExpectLook({L"111", L"1111111", L"000000", L"1111", true, false, false}, "rejected");
    ASSERT_EQ(FakeBoxes().size(), 1u);
    EXPECT_EQ(FakeBoxes()[0].text, L"Scheduled task not created.");
    EXPECT_EQ(ReadSettingText(L"TaskSchedule", L"absent"), L"absent");
}

TEST_F(TaskTabTest, CreateWithoutBackupPathRunsNothing) {
    Start(false, L"");
    Click(17);
    Click(38);
    EXPECT_EQ(CommandLines().size(), 1u);  // the start-up query only
    ASSERT_EQ(FakeBoxes().size(), 1u);
    EXPECT_EQ(FakeBoxes()[0].text, L"No backup path defined.");
    EXPECT_EQ(FakeBoxes()[0].type, 0x10u);
    ExpectLook({L"111", L"0000000", L"000000", L"1111", true, false, false}, "no path");
}

// The focus on Daily must not choose it, as it would on Windows: nothing
// else changes, whether Remove Task had the focus or not.
TEST_F(TaskTabTest, RemoveTaskFocusesDailyAndChangesNothingElse) {
    struct Case {
        const char* what;
        int chosenKind;  // clicked and created in this run; 0: the task was there at start
        bool removeFocused;
        std::wstring kind, checks;  // 17..19
    };
    const Case cases[] = {
        {"task from an earlier run", 0, false, L"", L"000"},
        {"task from an earlier run, Remove Task focused", 0, true, L"", L"000"},
        {"weekly made in this run", 18, true, L"Weekly", L"010"},
        {"monthly made in this run", 19, false, L"Monthly", L"001"},
    };
    for (const Case& c : cases) {
        SetUp();
        Start(c.chosenKind == 0);
        if (c.chosenKind) {
            SetControlCheck(c.chosenKind, true);  // as the real option takes the click
            Click(c.chosenKind);
            ScriptFakeProgram(kQuery, Listing(true));
            Click(38);
        }
        ScriptFakeProgram(kQuery, Listing(false));
        if (c.removeFocused) FocusControl(39);
        Click(39);
        EXPECT_EQ(CommandLines()[CommandLines().size() - 2], L"\"schtasks\" /delete /tn BackupLarkmail /f") << c.what;
        ExpectLook({L"111", L"0000000", L"000000", L"1111", true, false, false}, c.what);
        EXPECT_TRUE(FakeControlState(17).focused) << c.what;
        EXPECT_EQ(ProcessTaskTabState().scheduleKind, c.kind) << c.what;
        std::wstring checks;
        for (int n = 17; n <= 19; ++n) checks += FakeControlState(n).checked ? L'1' : L'0';
        EXPECT_EQ(checks, c.checks) << c.what;
        EXPECT_TRUE(FakeBoxes().empty()) << c.what;
        EXPECT_EQ(ReadSettingText(L"TaskSchedule", L"absent"), c.chosenKind ? L"" : L"absent") << c.what;
    }

    // No kind was chosen since the start: the empty-kind form goes out.
    SetUp();
    Start(true);
    ScriptFakeProgram(kQuery, Listing(false));
    Click(39);
    ScriptFakeProgram(kQuery, Listing(true));
    Click(38);
    EXPECT_EQ(CommandLines().back(), kQuery);
    EXPECT_EQ(CommandLines()[CommandLines().size() - 2], L"\"schtasks\" /create /sc  /d  /st 00:00" + kTail);
    ExpectLook(kTaskExists, "created again");
}

TEST_F(TaskTabTest, FailedRemoveKeepsTheTaskState) {
    Start(true);
    Click(39);  // still listed
    ExpectLook(kTaskExists, "still listed");
    EXPECT_TRUE(FakeBoxes().empty());
}

TEST_F(TaskTabTest, HungSchtasksLeavesTheStateAndSaysSo) {
    FakeProgramScript hangs;
    hangs.pollsWhileRunning = 1000000;
    Start(true);
    ScriptFakeProgram(L"\"schtasks\" /delete", hangs);
    Click(39);
    ExpectLook(kTaskExists, "delete hangs");
    ASSERT_EQ(FakeBoxes().size(), 1u);
    EXPECT_EQ(FakeBoxes()[0].text, L"The Task Scheduler did not answer in time.");
    EXPECT_EQ(FakeOpenPrograms(), 0);
}

TEST_F(TaskTabTest, OpenTaskSchedulerInEitherState) {
    for (bool exists : {false, true}) {
        SetUp();
        Start(exists);
        Click(40);
        EXPECT_EQ(CommandLines().back(), L"\"taskschd.msc\" ");
    }
}

TEST_F(TaskTabTest, PadTimeText) {
    EXPECT_EQ(PadTimeText(L""), L"0");
    EXPECT_EQ(PadTimeText(L"7"), L"07");
    EXPECT_EQ(PadTimeText(L"07"), L"07");
    EXPECT_EQ(PadTimeText(L"123"), L"123");
}

}  // namespace
