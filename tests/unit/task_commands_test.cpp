// The parameter texts schtasks receives, and how schtasks will split them.
#include "schedule/task_commands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::wstring kTail = L" /tn BackupLarkmail /tr \"C:\\Tools\\LarkmailBackup /b\" /it /v1";

TEST(TaskParametersTest, EveryScheduleForm) {
    struct Case {
        const char* what;
        TaskSchedule schedule;
        std::wstring expected;
    };
    const Case cases[] = {
        {"daily at 02:30", {L"Daily", L"", L"", L"02", L"30"},
         L"/create /sc daily /st 02:30" + kTail},
        {"daily ignores day and week", {L"Daily", L"Sat", L"Last", L"18", L"00"},
         L"/create /sc daily /st 18:00" + kTail},
        {"second Monday at 23:05", {L"Monthly", L"Mon", L"Second", L"23", L"05"},
         L"/create /sc monthly /d Mon /mo Second /st 23:05" + kTail},
        {"first Sunday", {L"Monthly", L"Sun", L"First", L"00", L"00"},
         L"/create /sc monthly /d Sun /mo First /st 00:00" + kTail},
        {"third Wednesday", {L"Monthly", L"Wed", L"Third", L"12", L"15"},
         L"/create /sc monthly /d Wed /mo Third /st 12:15" + kTail},
        {"fourth Thursday", {L"Monthly", L"Thu", L"Fourth", L"06", L"45"},
         L"/create /sc monthly /d Thu /mo Fourth /st 06:45" + kTail},
        {"last Friday", {L"Monthly", L"Fri", L"Last", L"21", L"10"},
         L"/create /sc monthly /d Fri /mo Last /st 21:10" + kTail},
        {"week without a day", {L"Monthly", L"", L"Second", L"01", L"01"},
         L"/create /sc monthly /d  /mo Second /st 01:01" + kTail},
        {"plain monthly ignores the day", {L"Monthly", L"Wed", L"", L"12", L"00"},
         L"/create /sc monthly /st 12:00" + kTail},
        {"last day ignores the day", {L"Monthly", L"Sat", L"LastDay", L"01", L"02"},
         L"/create /sc monthly /mo lastday /m * /st 01:02" + kTail},
        {"weekly keeps its capital", {L"Weekly", L"Fri", L"", L"07", L"00"},
         L"/create /sc Weekly /d Fri /st 07:00" + kTail},
        {"weekly ignores the week", {L"Weekly", L"Tue", L"Fourth", L"09", L"30"},
         L"/create /sc Weekly /d Tue /st 09:30" + kTail},
        {"weekly without a day: two blanks", {L"Weekly", L"", L"", L"07", L"00"},
         L"/create /sc Weekly /d  /st 07:00" + kTail},
        {"no kind", {L"", L"Tue", L"Second", L"10", L"20"},
         L"/create /sc  /d Tue /st 10:20" + kTail},
        {"nothing chosen", {L"", L"", L"", L"00", L"0"},
         L"/create /sc  /d  /st 00:0" + kTail},
        {"kinds compare case-sensitively (daily)", {L"daily", L"", L"", L"02", L"30"},
         L"/create /sc daily /d  /st 02:30" + kTail},
        {"kinds compare case-sensitively (monthly)", {L"monthly", L"Mon", L"LastDay", L"02", L"30"},
         L"/create /sc monthly /d Mon /st 02:30" + kTail},
        {"week compares case-sensitively", {L"Monthly", L"Mon", L"lastday", L"02", L"30"},
         L"/create /sc monthly /d Mon /mo lastday /st 02:30" + kTail},
        {"typed hour passed unchanged", {L"Daily", L"", L"", L"123", L"05"},
         L"/create /sc daily /st 123:05" + kTail},
        {"no padding here", {L"Daily", L"", L"", L"7", L""},
         L"/create /sc daily /st 7:" + kTail},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BuildTaskParameters(c.schedule, L"BackupLarkmail", L"C:\\Tools"), c.expected) << c.what;
    }
}

TEST(TaskParametersTest, TaskRunTextByFolder) {
    const std::wstring longFolder = L"C:\\" + std::wstring(300, L'x') + L"\\";
    struct Case {
        const char* what;
        std::wstring folder;
        std::wstring expected;
    };
    const Case cases[] = {
        {"backslash added", L"C:\\Tools", L"\"C:\\Tools\\LarkmailBackup /b\""},
        {"backslash kept", L"C:\\Tools\\", L"\"C:\\Tools\\LarkmailBackup /b\""},
        {"drive root", L"C:\\", L"\"C:\\LarkmailBackup /b\""},
        {"share", L"\\\\server\\apps", L"\"\\\\server\\apps\\LarkmailBackup /b\""},
        {"blank: program path quoted inside", L"C:\\Program Files\\App",
         L"\"\\\"C:\\Program Files\\App\\LarkmailBackup\\\" /b\""},
        {"two blanks", L"D:\\Mail Tools\\Backup Set\\",
         L"\"\\\"D:\\Mail Tools\\Backup Set\\LarkmailBackup\\\" /b\""},
        {"tab counts as a blank", L"C:\\a\tb", L"\"\\\"C:\\a\tb\\LarkmailBackup\\\" /b\""},
        {"longer than 260, in full", longFolder, L"\"" + longFolder + L"LarkmailBackup /b\""},
        {"non-ASCII", L"C:\\Пользователи\\Anna", L"\"C:\\Пользователи\\Anna\\LarkmailBackup /b\""},
    };
    for (const Case& c : cases) EXPECT_EQ(BuildTaskRunText(c.folder), c.expected) << c.what;
}

TEST(TaskParametersTest, TaskNamesWithBlanksAreQuoted) {
    const TaskSchedule daily{L"Daily", L"", L"", L"02", L"30"};
    EXPECT_EQ(BuildTaskParameters(daily, L"Backup Larkmail", L"C:\\Program Files\\App\\"),
              L"/create /sc daily /st 02:30 /tn \"Backup Larkmail\" /tr "
              L"\"\\\"C:\\Program Files\\App\\LarkmailBackup\\\" /b\" /it /v1");
    EXPECT_EQ(QuoteTaskName(L"BackupLarkmail"), L"BackupLarkmail");
    EXPECT_EQ(QuoteTaskName(L"Sauvegarde Larkmail"), L"\"Sauvegarde Larkmail\"");
    EXPECT_EQ(BuildDeleteParameters(L"BackupLarkmail"), L"/delete /tn BackupLarkmail /f");
    EXPECT_EQ(BuildDeleteParameters(L"Backup Larkmail"), L"/delete /tn \"Backup Larkmail\" /f");
}

// Splits a command line the way the C runtime and CommandLineToArgvW do for
// arguments after the program name: 2n backslashes before a quote give n and
// toggle quoting, 2n+1 give n and a literal quote, others stay as they are.
std::vector<std::wstring> SplitArguments(const std::wstring& text) {
    std::vector<std::wstring> args;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == L' ' || text[i] == L'\t')) ++i;
        if (i >= text.size()) break;
        std::wstring arg;
        bool quoted = false;
        while (i < text.size() && (quoted || (text[i] != L' ' && text[i] != L'\t'))) {
            std::size_t slashes = 0;
            while (i < text.size() && text[i] == L'\\') ++slashes, ++i;
            if (i < text.size() && text[i] == L'"') {
                arg.append(slashes / 2, L'\\');
                if (slashes % 2 == 1) {
                    arg += L'"';
                } else if (quoted && i + 1 < text.size() && text[i + 1] == L'"') {
                    arg += L'"';
                    ++i;
                } else {
                    quoted = !quoted;
                }
                ++i;
            } else {
                arg.append(slashes, L'\\');
                if (slashes == 0 && i < text.size()) arg += text[i++];
            }
        }
        args.push_back(arg);
    }
    return args;
}

TEST(TaskParametersTest, SchtasksSeesOneRunTextAndOneName) {
    struct Case {
        const char* what;
        std::wstring taskName, folder;
        std::wstring name, run;
    };
    const Case cases[] = {
        {"plain", L"BackupLarkmail", L"C:\\Tools\\", L"BackupLarkmail", L"C:\\Tools\\LarkmailBackup /b"},
        {"blank folder", L"BackupLarkmail", L"C:\\Program Files\\App\\", L"BackupLarkmail",
         L"\"C:\\Program Files\\App\\LarkmailBackup\" /b"},
        {"blank name and folder", L"Backup Larkmail", L"D:\\My Tools", L"Backup Larkmail",
         L"\"D:\\My Tools\\LarkmailBackup\" /b"},
        {"share with blank", L"BackupLarkmail", L"\\\\nas\\Mail Tools\\", L"BackupLarkmail",
         L"\"\\\\nas\\Mail Tools\\LarkmailBackup\" /b"},
    };
    for (const Case& c : cases) {
        const std::vector<std::wstring> args =
            SplitArguments(BuildTaskParameters({L"Daily", L"", L"", L"02", L"30"}, c.taskName, c.folder));
        const std::vector<std::wstring> expected = {L"/create", L"/sc", L"daily", L"/st", L"02:30", L"/tn",
                                                    c.name, L"/tr", c.run, L"/it", L"/v1"};
        EXPECT_EQ(args, expected) << c.what;
    }
}

TEST(TaskParametersTest, QueryLineMatch) {
    struct Case {
        const char* what;
        std::wstring line;
        bool expected;
    };
    const Case cases[] = {
        {"task line", L"BackupLarkmail                           12/9/2026 2:30:00 AM   Ready", true},
        {"with folder", L"\\BackupLarkmail", true},
        {"any case", L"backuplarkmail   N/A   Ready", true},
        {"inside a longer name", L"OldBackupLarkmail2", true},
        {"blank line", L"", false},
        {"folder line", L"Folder: \\", false},
        {"header", L"TaskName                                 Next Run Time          Status", false},
        {"rule", L"======================================== ====================== ===============", false},
        {"part of the name", L"BackupLark", false},
        {"split name", L"Backup Larkmail", false},
    };
    for (const Case& c : cases) EXPECT_EQ(QueryLineNamesTask(c.line, L"BackupLarkmail"), c.expected) << c.what;
    EXPECT_TRUE(QueryLineNamesTask(L"Backup Larkmail  N/A  Ready", L"backup larkmail"));
}

}  // namespace
