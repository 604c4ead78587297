// Log line format: message, blank, padded timestamp, CR LF, ANSI bytes.
#include "engine/report/backup_log.h"

#include <gtest/gtest.h>

namespace {

TEST(FormatLogTimestamp, MonthDayYearAndPaddedTime) {
    struct Case {
        LocalTime time;
        std::wstring expected;
    };
    const Case cases[] = {
        {{2026, 12, 7, 15, 35, 1}, L"12/07/2026 15:35:01"},
        {{2027, 1, 2, 9, 5, 3}, L"01/02/2027 09:05:03"},
        {{2026, 10, 31, 0, 0, 0}, L"10/31/2026 00:00:00"},
        {{2026, 3, 9, 23, 59, 59}, L"03/09/2026 23:59:59"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatLogTimestamp(c.time), c.expected) << c.expected;
    }
}

TEST(FormatLogLine, MessageThenTimestampThenCrLf) {
    const LocalTime time{2026, 12, 7, 15, 35, 1};
    EXPECT_EQ(FormatLogLine(L"Database backup successfully saved to \"C:\\Backups\\\"", time),
              "Database backup successfully saved to \"C:\\Backups\\\" 12/07/2026 15:35:01\r\n");
    EXPECT_EQ(FormatLogLine(L"", time), " 12/07/2026 15:35:01\r\n");
}

TEST(FormatLogLine, ConvertsToAnsiCodePage) {
    const LocalTime time{2026, 12, 7, 9, 5, 3};
    // Code page 1252: u-umlaut is one byte, no BOM, no UTF-8.
    EXPECT_EQ(FormatLogLine(L"Sicherung gespeichert in \"D:\\M\u00fcller\\\"", time),
              "Sicherung gespeichert in \"D:\\M\xfcller\\\" 12/07/2026 09:05:03\r\n");
    // The euro sign has a code-page byte; Cyrillic has none and becomes the default "?".
    EXPECT_EQ(FormatLogLine(L"\u20ac \u0416", time), "\x80 ? 12/07/2026 09:05:03\r\n");
}

}  // namespace
