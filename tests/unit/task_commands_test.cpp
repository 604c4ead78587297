// The parameter texts and XML definitions schtasks receives, and how schtasks will split them.
#include "schedule/task_commands.h"

#include <gtest/gtest.h>

#include "schedule/task_xml.h"

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

// Everything but the trigger's schedule is the same for every kind.
std::wstring ReferenceXml(const std::wstring& start, const std::wstring& schedule) {
    return L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
           L"<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
           L"  <Triggers>\r\n"
           L"    <CalendarTrigger>\r\n"
           L"      <StartBoundary>" + start + L"</StartBoundary>\r\n" + schedule +
           L"    </CalendarTrigger>\r\n"
           L"  </Triggers>\r\n"
           L"  <Principals>\r\n"
           L"    <Principal id=\"Author\">\r\n"
           L"      <UserId>PC1\\\x0410\x043D\x043D\x0430 &lt;&amp;&gt;</UserId>\r\n"
           L"      <LogonType>InteractiveToken</LogonType>\r\n"
           L"      <RunLevel>LeastPrivilege</RunLevel>\r\n"
           L"    </Principal>\r\n"
           L"  </Principals>\r\n"
           L"  <Settings>\r\n"
           L"    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>\r\n"
           L"    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>\r\n"
           L"    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>\r\n"
           L"    <StartWhenAvailable>true</StartWhenAvailable>\r\n"
           L"    <AllowStartOnDemand>true</AllowStartOnDemand>\r\n"
           L"    <Enabled>true</Enabled>\r\n"
           L"    <ExecutionTimeLimit>PT12H</ExecutionTimeLimit>\r\n"
           L"  </Settings>\r\n"
           L"  <Actions Context=\"Author\">\r\n"
           L"    <Exec>\r\n"
           L"      <Command>C:\\Program Files\\\x041F\x043E\x0447\x0442\x0430 &amp; &quot;Co&quot;"
           L"\\LarkmailBackup.exe</Command>\r\n"
           L"      <Arguments>/b</Arguments>\r\n"
           L"      <WorkingDirectory>C:\\Program Files\\\x041F\x043E\x0447\x0442\x0430 &amp; &quot;Co&quot;"
           L"</WorkingDirectory>\r\n"
           L"    </Exec>\r\n"
           L"  </Actions>\r\n"
           L"</Task>\r\n";
}

const std::wstring kAllMonths =
    L"        <Months>\r\n          <January />\r\n          <February />\r\n          <March />\r\n"
    L"          <April />\r\n          <May />\r\n          <June />\r\n          <July />\r\n"
    L"          <August />\r\n          <September />\r\n          <October />\r\n          <November />\r\n"
    L"          <December />\r\n        </Months>\r\n";

TEST(TaskXmlTest, EachKindAsThePlainLineSchedulesIt) {
    struct Case {
        const char* what;
        TaskSchedule schedule;
        std::wstring trigger;  // empty: no definition, the plain line goes out
    };
    const Case cases[] = {
        {"daily", {L"Daily", L"Sat", L"Last", L"02", L"30"},
         L"      <ScheduleByDay>\r\n        <DaysInterval>1</DaysInterval>\r\n      </ScheduleByDay>\r\n"},
        {"weekly Friday", {L"Weekly", L"Fri", L"Second", L"02", L"30"},
         L"      <ScheduleByWeek>\r\n        <WeeksInterval>1</WeeksInterval>\r\n        <DaysOfWeek>\r\n"
         L"          <Friday />\r\n        </DaysOfWeek>\r\n      </ScheduleByWeek>\r\n"},
        {"monthly: the first, the day ignored", {L"Monthly", L"Wed", L"", L"02", L"30"},
         L"      <ScheduleByMonth>\r\n        <DaysOfMonth>\r\n          <Day>1</Day>\r\n        </DaysOfMonth>\r\n" +
             kAllMonths + L"      </ScheduleByMonth>\r\n"},
        {"last day, the day ignored", {L"Monthly", L"Sat", L"LastDay", L"02", L"30"},
         L"      <ScheduleByMonth>\r\n        <DaysOfMonth>\r\n          <Day>Last</Day>\r\n        </DaysOfMonth>\r\n" +
             kAllMonths + L"      </ScheduleByMonth>\r\n"},
        {"second Monday", {L"Monthly", L"Mon", L"Second", L"02", L"30"},
         L"      <ScheduleByMonthDayOfWeek>\r\n        <Weeks>\r\n          <Week>2</Week>\r\n        </Weeks>\r\n"
         L"        <DaysOfWeek>\r\n          <Monday />\r\n        </DaysOfWeek>\r\n" +
             kAllMonths + L"      </ScheduleByMonthDayOfWeek>\r\n"},
        {"last Sunday", {L"Monthly", L"Sun", L"Last", L"02", L"30"},
         L"      <ScheduleByMonthDayOfWeek>\r\n        <Weeks>\r\n          <Week>Last</Week>\r\n        </Weeks>\r\n"
         L"        <DaysOfWeek>\r\n          <Sunday />\r\n        </DaysOfWeek>\r\n" +
             kAllMonths + L"      </ScheduleByMonthDayOfWeek>\r\n"},
        {"weekly without a day", {L"Weekly", L"", L"", L"02", L"30"}, L""},
        {"week of the month without a day", {L"Monthly", L"", L"Third", L"02", L"30"}, L""},
        {"no kind", {L"", L"Tue", L"", L"02", L"30"}, L""},
        {"kinds compare case-sensitively", {L"daily", L"", L"", L"02", L"30"}, L""},
        {"weeks compare case-sensitively", {L"Monthly", L"Mon", L"lastday", L"02", L"30"}, L""},
    };
    const std::wstring folder = L"C:\\Program Files\\\x041F\x043E\x0447\x0442\x0430 & \"Co\"";
    const std::wstring user = L"PC1\\\x0410\x043D\x043D\x0430 <&>";
    for (const Case& c : cases) {
        const std::wstring expected = c.trigger.empty() ? L"" : ReferenceXml(L"2026-12-08T02:30:00", c.trigger);
        EXPECT_EQ(BuildTaskXml(c.schedule, folder, user, L"2026-12-08"), expected) << c.what;
    }
}

TEST(TaskXmlTest, DriveRootAndNoUser) {
    const TaskSchedule daily{L"Daily", L"", L"", L"23", L"05"};
    const std::wstring root = BuildTaskXml(daily, L"D:\\", L"", L"2027-01-01");
    EXPECT_NE(root.find(L"<StartBoundary>2027-01-01T23:05:00</StartBoundary>"), std::wstring::npos);
    EXPECT_NE(root.find(L"<Command>D:\\LarkmailBackup.exe</Command>"), std::wstring::npos);
    EXPECT_NE(root.find(L"<WorkingDirectory>D:\\</WorkingDirectory>"), std::wstring::npos);
    EXPECT_EQ(root.find(L"UserId"), std::wstring::npos);  // the registering user
}

TEST(TaskXmlTest, StartDateIsTheNextTimeTheChosenTimeComes) {
    struct Case {
        const char* what;
        LocalTime now;
        std::wstring hour, minute, date;
    };
    const Case cases[] = {
        {"later today", {2026, 12, 7, 15, 35, 1}, L"15", L"36", L"2026-12-07"},
        {"this minute has begun", {2026, 12, 7, 15, 35, 1}, L"15", L"35", L"2026-12-08"},
        {"earlier today", {2026, 12, 7, 15, 35, 1}, L"02", L"30", L"2026-12-08"},
        {"month end", {2026, 4, 30, 23, 0, 0}, L"02", L"30", L"2026-05-01"},
        {"year end", {2026, 12, 31, 23, 59, 59}, L"00", L"00", L"2027-01-01"},
        {"February of a common year", {2026, 2, 28, 12, 0, 0}, L"01", L"00", L"2026-03-01"},
        {"February of a leap year", {2028, 2, 28, 12, 0, 0}, L"01", L"00", L"2028-02-29"},
        {"not a time: today", {2026, 12, 7, 15, 35, 1}, L"123", L"05", L"2026-12-07"},
        {"empty: today", {2026, 12, 7, 15, 35, 1}, L"0", L"", L"2026-12-07"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChooseStartDate({L"Daily", L"", L"", c.hour, c.minute}, c.now), c.date) << c.what;
}

TEST(TaskXmlTest, UserIdAndFileBytes) {
    EXPECT_EQ(BuildUserId(L"OFFICE", L"anna"), L"OFFICE\\anna");
    EXPECT_EQ(BuildUserId(L"", L"anna"), L"anna");
    EXPECT_EQ(BuildUserId(L"OFFICE", L""), L"");
    EXPECT_EQ(TaskXmlBytes(L"<\x0416"), std::string("\xFF\xFE<\0\x16\x04", 6));
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
    EXPECT_EQ(BuildXmlTaskParameters(L"BackupLarkmail", L"C:\\Temp\\t.xml"),
              L"/create /tn BackupLarkmail /xml C:\\Temp\\t.xml");
    EXPECT_EQ(BuildXmlTaskParameters(L"Backup Larkmail", L"C:\\Users\\Anna Maria\\Temp\\t.xml"),
              L"/create /tn \"Backup Larkmail\" /xml \"C:\\Users\\Anna Maria\\Temp\\t.xml\"");
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
