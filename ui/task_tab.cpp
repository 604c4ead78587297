// Building the Backup Task tab, its handlers and its no-task and task-exists states.
#include "ui/task_tab.h"

#include "config/language_table.h"
#include "config/settings.h"
#include "engine/report/backup_age.h"
#include "engine/report/backup_log.h"
#include "platform/window.h"
#include "schedule/task_commands.h"
#include "ui/event_loop.h"
#include "ui/main_tab.h"
#include "ui/main_window.h"
#include "ui/window_parts.h"

namespace {

struct TabRow {
    int number;
    ControlKind kind;
    Box box;
    const wchar_t* key;        // in group TaskWindow; null: `fixedText`
    const wchar_t* fixedText;
    EventHandler handler;      // null: the control has none
};

// In creation order, which also makes the three option groups.
const TabRow kTabRows[] = {
    // 25 taller than the first design for the missed-run box; the buttons and the note moved down with it.
    {kTaskFrame, ControlKind::Frame, {5, 5, 475, 120}, L"TaskFrame", nullptr, nullptr},
    {17, ControlKind::Option, {20, 25, 100, 20}, L"OptionDaily", nullptr, [] { ChooseScheduleKind(17); }},
    {18, ControlKind::Option, {20, 50, 100, 20}, L"OptionWeekly", nullptr, [] { ChooseScheduleKind(18); }},
    {19, ControlKind::Option, {20, 75, 100, 20}, L"OptionMonthly", nullptr, [] { ChooseScheduleKind(19); }},
    {kSpinHour, ControlKind::SpinField, {130, 70, 50, 23}, nullptr, L"0", nullptr},
    {kTextColon, ControlKind::Label, {190, 70, 5, 20}, nullptr, L":", nullptr},
    {kSpinMinute, ControlKind::SpinField, {200, 70, 50, 23}, nullptr, L"0", nullptr},
    {kTextValidTime, ControlKind::Label, {255, 75, 200, 20}, L"ValidTime", nullptr, nullptr},
    // Under the buttons, one line the tab's width: beside them it covered "Open Task Scheduler".
    {kTextMonth, ControlKind::Label, {10, 167, 470, 20}, L"TextMonth", nullptr, nullptr},
    {20, ControlKind::Option, {130, 25, 50, 20}, L"OptionSunday", nullptr, [] { ChooseDay(20); }},
    {21, ControlKind::Option, {180, 25, 50, 20}, L"OptionMonday", nullptr, [] { ChooseDay(21); }},
    {22, ControlKind::Option, {230, 25, 50, 20}, L"OptionTuesday", nullptr, [] { ChooseDay(22); }},
    {23, ControlKind::Option, {280, 25, 50, 20}, L"OptionWednesday", nullptr, [] { ChooseDay(23); }},
    {24, ControlKind::Option, {330, 25, 50, 20}, L"OptionThursday", nullptr, [] { ChooseDay(24); }},
    {25, ControlKind::Option, {380, 25, 50, 20}, L"OptionFriday", nullptr, [] { ChooseDay(25); }},
    {26, ControlKind::Option, {430, 25, 45, 20}, L"OptionSaturday", nullptr, [] { ChooseDay(26); }},
    // Before Create Task in the tab order: a setting of the task it makes.
    {kCheckRunMissed, ControlKind::CheckBox, {20, 100, 455, 20}, L"CheckRunMissed", nullptr, nullptr},
    {kButtonCreateTask, ControlKind::Button, {328, 130, 155, 30}, L"ButtonCreateTask", nullptr, PressCreateTask},
    {kButtonTaskScheduler, ControlKind::Button, {164, 130, 150, 30}, L"ButtonTaskScheduler", nullptr,
     PressOpenTaskScheduler},
    {kButtonDeleteTask, ControlKind::Button, {0, 130, 150, 30}, L"ButtonDeleteTask", nullptr, PressRemoveTask},
    {27, ControlKind::Option, {130, 50, 50, 20}, L"OptionFirst", nullptr, [] { ChooseWeekOfMonth(27); }},
    {28, ControlKind::Option, {180, 50, 50, 20}, L"OptionSecond", nullptr, [] { ChooseWeekOfMonth(28); }},
    {29, ControlKind::Option, {230, 50, 50, 20}, L"OptionThird", nullptr, [] { ChooseWeekOfMonth(29); }},
    {30, ControlKind::Option, {280, 50, 50, 20}, L"OptionFourth", nullptr, [] { ChooseWeekOfMonth(30); }},
    {31, ControlKind::Option, {330, 50, 50, 20}, L"OptionLast", nullptr, [] { ChooseWeekOfMonth(31); }},
    {32, ControlKind::Option, {380, 50, 80, 20}, L"OptionLastDay", nullptr, [] { ChooseWeekOfMonth(32); }},
};

// Fixed English texts for schtasks, whatever the labels say.
const wchar_t* const kDayNames[] = {L"Sun", L"Mon", L"Tue", L"Wed", L"Thu", L"Fri", L"Sat"};
const wchar_t* const kWeekNames[] = {L"First", L"Second", L"Third", L"Fourth", L"Last", L"LastDay"};

void EnableRange(int first, int last, bool enabled) {
    for (int number = first; number <= last; ++number) EnableControl(number, enabled);
}

}  // namespace

TaskTabState& ProcessTaskTabState() {
    static TaskTabState state;
    return state;
}

std::wstring PadTimeText(const std::wstring& text) {
    return text.size() < 2 ? L"0" + text : text;
}

void BuildBackupTaskTab() {
    for (const TabRow& row : kTabRows) {
        CreateControl(row.number, row.kind, kTaskTab, row.box,
                      row.key ? LookUpText(L"TaskWindow", row.key) : std::wstring(row.fixedText));
        if (row.handler) SetControlHandler(row.number, row.handler);
    }
    SetSpinRange(kSpinHour, 0, 23);
    SetSpinRange(kSpinMinute, 0, 59);
    SetControlCheck(kCheckRunMissed, true);
    ShowControl(kTextMonth, false);
    ShowControl(kButtonDeleteTask, false);
}

void ApplyBackupTaskStartState() {
    EnableRange(kOptionSunday, kOptionLastDay, false);
    ProcessWindowState().taskExists = BackupTaskExists();
    if (ProcessWindowState().taskExists) EnterTaskExistsState();
    EnableControl(kButtonCreateTask, false);
}

void EnterTaskExistsState() {
    EnableRange(kOptionDaily, kTextValidTime, false);
    EnableControl(kCheckRunMissed, false);
    EnableControl(kButtonCreateTask, false);
    ShowControl(kTextMonth, false);
    ShowControl(kButtonDeleteTask, true);
    EnableControl(kButtonDeleteTask, true);
}

void LeaveTaskExistsState() {
    EnableRange(kOptionDaily, kOptionMonthly, true);
    // Entering the task-exists state disabled the time fields too; without
    // this a fresh task could only be made with the old time.
    EnableRange(kSpinHour, kTextValidTime, true);
    EnableControl(kCheckRunMissed, true);
    EnableControl(kButtonCreateTask, true);
    ShowControl(kButtonDeleteTask, false);
    FocusControl(kOptionDaily);
}

void ChooseScheduleKind(int option) {
    static const wchar_t* const kinds[] = {L"Daily", L"Weekly", L"Monthly"};
    ProcessTaskTabState().scheduleKind = kinds[option - kOptionDaily];
    EnableRange(kOptionSunday, kOptionSaturday, option != kOptionDaily);
    EnableRange(kOptionFirst, kOptionLastDay, option == kOptionMonthly);
    EnableControl(kButtonCreateTask, true);
    ShowControl(kTextMonth, option == kOptionMonthly);
}

void ChooseDay(int option) {
    ProcessTaskTabState().dayName = kDayNames[option - kOptionSunday];
}

void ChooseWeekOfMonth(int option) {
    ProcessTaskTabState().weekOfMonth = kWeekNames[option - kOptionFirst];
}

void PressCreateTask() {
    const TaskTabState& state = ProcessTaskTabState();
    const TaskSchedule schedule{state.scheduleKind,
                                state.dayName,
                                state.weekOfMonth,
                                PadTimeText(ReadControlText(kSpinHour)),
                                PadTimeText(ReadControlText(kSpinMinute)),
                                ReadControlCheck(kCheckRunMissed)};
    if (!CreateBackupTask(schedule, ReadControlText(kFieldBackupFolder), AppendToBackupLog)) return;
    EnterTaskExistsState();
    // Its period says how old the last good backup may grow; schtasks is never asked for it again.
    WriteSettingText(kTaskScheduleKey, state.scheduleKind);
    ProcessWindowState().taskExists = true;
    ShowLastBackup(ReadLastBackup());
}

void PressRemoveTask() {
    if (!DeleteBackupTask()) return;
    LeaveTaskExistsState();
    if (!ReadSettingText(kTaskScheduleKey, L"").empty()) WriteSettingText(kTaskScheduleKey, L"");
    ProcessWindowState().taskExists = false;
    ShowLastBackup(ReadLastBackup());
}

void PressOpenTaskScheduler() {
    OpenTaskScheduler();
}
