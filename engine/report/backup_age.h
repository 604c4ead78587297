// How old the last good backup may grow before the user is told: the scheduled task's period and a day.
#pragma once
#include <string>

#include "engine/report/last_backup.h"

// The settings key that keeps the kind of the task the program created:
// "Daily", "Weekly" or "Monthly"; absent or empty while none is known.
constexpr wchar_t kTaskScheduleKey[] = L"TaskSchedule";

// Days the last good backup may be old: the task's period plus one day, so
// one missed night passes silently and the second does not. 2 for a daily
// task, 8 for a weekly and 32 for a monthly one; 7 without a task. A task of
// an unknown kind (made by an earlier version) gets 8: it never warns a daily
// or weekly task's user falsely, and still tells within about a week.
int StaleLimitDays(const std::wstring& scheduleKind, bool taskExists);
// Whole days since the last good backup when that is longer ago than
// `limitDays`; 0 otherwise: fresh, none known, or a clock now set earlier than it.
int DaysWithoutGoodBackup(const LastBackup& attempt, const LocalTime& now, int limitDays);
