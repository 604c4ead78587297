// How old the last good backup may grow before the user is told: the scheduled task's period and a day.
#include "engine/report/backup_age.h"

#include "engine/report/record_time.h"

int StaleLimitDays(const std::wstring& scheduleKind, bool taskExists) {
    if (!taskExists) return 7;
    if (scheduleKind == L"Daily") return 2;
    if (scheduleKind == L"Monthly") return 32;
    return 8;  // weekly, or a task whose kind is not known
}

int DaysWithoutGoodBackup(const LastBackup& attempt, const LocalTime& now, int limitDays) {
    if (!attempt.recorded || !attempt.hasLastGood) return 0;
    const std::int64_t seconds = RecordSeconds(now) - RecordSeconds(attempt.lastGood);
    if (seconds <= static_cast<std::int64_t>(limitDays) * 86400) return 0;
    return static_cast<int>(seconds / 86400);
}
