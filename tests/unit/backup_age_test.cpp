// How old the last good backup may grow for each schedule, and how the record keeps it.
#include "engine/report/backup_age.h"

#include <gtest/gtest.h>

namespace {

LastBackup GoodAt(const LocalTime& when) {
    LastBackup attempt;
    attempt.recorded = attempt.hasLastGood = true;
    attempt.lastGood = when;
    return attempt;
}

TEST(BackupAge, StaleOncePastTheTasksPeriodAndADay) {
    const LocalTime good{2026, 12, 1, 2, 0, 0};
    struct Case {
        const char* what;
        std::wstring kind;
        bool taskExists;
        LocalTime now;
        int days;
    };
    const Case cases[] = {
        {"daily, one night missed", L"Daily", true, {2026, 12, 3, 2, 0, 0}, 0},
        {"daily, a second night missed", L"Daily", true, {2026, 12, 3, 2, 0, 1}, 2},
        {"daily, five days", L"Daily", true, {2026, 12, 6, 9, 30, 0}, 5},
        {"weekly", L"Weekly", true, {2026, 12, 9, 2, 0, 0}, 0},
        {"weekly, past eight days", L"Weekly", true, {2026, 12, 9, 2, 0, 1}, 8},
        {"monthly", L"Monthly", true, {2027, 1, 2, 2, 0, 0}, 0},
        {"monthly, past 32 days", L"Monthly", true, {2027, 1, 2, 2, 0, 1}, 32},
        {"no task", L"", false, {2026, 12, 8, 2, 0, 0}, 0},
        {"no task, past a week", L"", false, {2026, 12, 8, 2, 0, 1}, 7},
        // A kind stored for a task since removed: no task counts.
        {"a kind without its task", L"Daily", false, {2026, 12, 6, 2, 0, 0}, 0},
        // A task of an earlier version, whose kind was never stored: as weekly.
        {"a task of an unknown kind", L"", true, {2026, 12, 9, 2, 0, 1}, 8},
        {"a task of an unknown kind, a week", L"Fortnightly", true, {2026, 12, 8, 2, 0, 1}, 0},
        {"clock earlier than the record", L"Daily", true, {2026, 11, 20, 2, 0, 0}, 0},
        {"a year later", L"Daily", true, {2027, 12, 1, 2, 0, 0}, 365},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DaysWithoutGoodBackup(GoodAt(good), c.now, StaleLimitDays(c.kind, c.taskExists)), c.days) << c.what;
    LastBackup never = GoodAt(good);
    never.hasLastGood = false;
    EXPECT_EQ(DaysWithoutGoodBackup(never, {2027, 1, 1, 0, 0, 0}, 2), 0);
    EXPECT_EQ(DaysWithoutGoodBackup(LastBackup{}, {2027, 1, 1, 0, 0, 0}, 2), 0);
}

TEST(BackupAge, TheRecordKeepsTheLastGoodBackupAndReadsOldRecords) {
    const std::string head = "\xEF\xBB\xBF\r\nWhen = 2026-12-09 02:30:00\r\nResult = ";
    const std::string tail = "\r\nReason = r\r\nCode = \r\nDetail = \r\nArchive = a.7z\r\nSize = 5\r\nSeen = 0\r\n";
    struct Case {
        const char* what;
        std::string bytes;
        std::string rewritten;  // "": knows no good backup
    };
    const Case cases[] = {
        {"an earlier version's success is itself the last good one", head + "saved" + tail,
         head + "saved" + tail + "LastGood = 2026-12-09 02:30:00\r\n"},
        {"an earlier version's failure knows none", head + "failed" + tail, ""},
        {"a failure carries it", head + "failed" + tail + "LastGood = 2026-12-01 02:30:00\r\n",
         head + "failed" + tail + "LastGood = 2026-12-01 02:30:00\r\n"},
        {"a damaged one is no time", head + "failed" + tail + "LastGood = yesterday\r\n", ""},
    };
    for (const Case& c : cases) {
        const LastBackup attempt = ParseLastBackup(c.bytes);
        EXPECT_EQ(attempt.hasLastGood, !c.rewritten.empty()) << c.what;
        if (attempt.hasLastGood) {
            EXPECT_EQ(LastBackupBytes(attempt), c.rewritten) << c.what;
        }
    }
}

}  // namespace
