// The Backup Task tab: controls 16 to 40 and 90, their handlers and the tab's two states.
#pragma once
#include <string>

// Control numbers of the tab.
constexpr int kTaskFrame = 16;
constexpr int kOptionDaily = 17;
constexpr int kOptionWeekly = 18;
constexpr int kOptionMonthly = 19;
constexpr int kOptionSunday = 20;   // .. 26 Saturday
constexpr int kOptionSaturday = 26;
constexpr int kOptionFirst = 27;    // .. 32 Last Day
constexpr int kOptionLastDay = 32;
constexpr int kSpinHour = 33;
constexpr int kTextColon = 34;
constexpr int kSpinMinute = 35;
constexpr int kTextValidTime = 36;
constexpr int kTextMonth = 37;
constexpr int kButtonCreateTask = 38;
constexpr int kButtonDeleteTask = 39;
constexpr int kButtonTaskScheduler = 40;
// On at every start; read when Create Task is pressed (TaskSchedule::runMissed).
constexpr int kCheckRunMissed = 90;

// The choices the tab remembers while the program runs; never cleared.
struct TaskTabState {
    std::wstring scheduleKind;
    std::wstring dayName;
    std::wstring weekOfMonth;
};
TaskTabState& ProcessTaskTabState();

// A one-character (or empty) time text gets a leading "0".
std::wstring PadTimeText(const std::wstring& text);

// BuildBackupTaskTab and ApplyBackupTaskStartState are declared with the
// other construction steps in ui/window_parts.h.
void EnterTaskExistsState();
// After a successful removal: as at a fresh start, but Create Task enabled.
void LeaveTaskExistsState();

// Control handlers.
void ChooseScheduleKind(int option);  // 17, 18, 19
void ChooseDay(int option);           // 20 .. 26
void ChooseWeekOfMonth(int option);   // 27 .. 32
void PressCreateTask();
void PressRemoveTask();
void PressOpenTaskScheduler();
