// Creating, finding and removing the backup task through "schtasks", and opening the scheduler console.
#pragma once
#include <cstdint>
#include <string>

// What the Backup Task tab hands over; fixed English texts for schtasks,
// each empty when the user never chose one.
struct TaskSchedule {
    std::wstring scheduleKind;  // "Daily", "Weekly", "Monthly"
    std::wstring dayName;       // "Sun" .. "Sat"
    std::wstring weekOfMonth;   // "First" .. "Fourth", "Last", "LastDay"
    std::wstring hourText;      // passed on as it is
    std::wstring minuteText;
    // Through an XML definition whose task runs a missed start as soon as it
    // can, on battery too; otherwise the plain "/create /sc ..." line.
    bool runMissed = false;
};

// A hung schtasks must not freeze the window for good.
constexpr std::uint32_t kSchtasksTimeoutMs = 60000;

// A task name holding a blank goes in double quotes; any other as it is.
std::wstring QuoteTaskName(const std::wstring& taskName);
// The /tr value: `folder` (a "\" added when missing) + "LarkmailBackup /b"
// in double quotes; a folder with a blank also gets the program path quoted
// with schtasks' escaped inner quotes.
std::wstring BuildTaskRunText(const std::wstring& folder);
// The whole "/create ..." parameter text for the schedule.
std::wstring BuildTaskParameters(const TaskSchedule& schedule, const std::wstring& taskName,
                                 const std::wstring& folder);
// "/create /tn <name> /xml <file>", each quoted when it holds a blank.
std::wstring BuildXmlTaskParameters(const std::wstring& taskName, const std::wstring& xmlPath);
std::wstring BuildDeleteParameters(const std::wstring& taskName);
// Whether a "/query" output line names the task (substring, any ASCII case).
bool QueryLineNamesTask(const std::wstring& line, const std::wstring& taskName);

enum class TaskQueryResult { Absent, Present, TimedOut };
// Runs "schtasks /query" and reads its output; reports nothing.
TaskQueryResult QueryBackupTask();

// Where the outcome line goes: the caller owns the log.
using TaskLogWriter = void (*)(const std::wstring& line);
// `backupPathText` is the Main tab's backup path field. True when the task
// exists afterwards; logs the outcome and shows any failure itself. The XML
// definition goes to a temporary file, removed once schtasks has ended.
bool CreateBackupTask(const TaskSchedule& schedule, const std::wstring& backupPathText, TaskLogWriter writeLog);
// A time-out shows a message and counts as absent.
bool BackupTaskExists();
// True when the task no longer exists afterwards.
bool DeleteBackupTask();
void OpenTaskScheduler();
