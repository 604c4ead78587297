// Running schtasks to create, find and remove the backup task.
#include "schedule/task_commands.h"

#include "config/language_table.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/system.h"
#include "platform/text.h"
#include "schedule/task_xml.h"

namespace {

std::wstring TaskName() {
    // Read afresh each time: the name follows the language.
    return LookUpText(L"TaskWindow", L"TaskName");
}

void ShowTimeOut() {
    ShowMessageBox(LookUpText(L"Messages", L"Error"), LookUpText(L"TaskWindow", L"TaskTimeout"), kBoxErrorOk);
}

// Window shown, as the user may have to answer schtasks. False only when it
// did not end in time (it is ended then); a failed start counts as ended.
bool RunSchtasksShown(const std::wstring& parameters) {
    StartOptions options;
    options.keepHandle = true;
    const ProgramHandle handle = StartProgram(L"schtasks", parameters, options);
    const bool ended = WaitForProgram(handle, kSchtasksTimeoutMs);
    if (!ended) EndProgram(handle);
    ReleaseProgram(handle);
    return ended;
}

// In the temp folder: the program's own folder may be one the user cannot write to.
std::wstring TaskXmlPath() {
    std::wstring folder = ReadEnvironmentText(L"TEMP");
    if (folder.empty()) folder = ReadEnvironmentText(L"TMP");
    if (folder.empty()) folder = ReadCurrentFolder();
    return JoinPath(folder, L"LarkmailBackup-task-" + std::to_wstring(ReadProcessId()) + L".xml");
}

enum class CreateRun { Ended, TimedOut, NoFile };

// The XML definition when asked for and the schedule has one, else the plain
// line: never the plain line for want of a file, as its task would skip the
// nights the other one is for.
CreateRun RunCreateCommand(const TaskSchedule& schedule) {
    const std::wstring folder = ReadCurrentFolder();
    const std::wstring userId = BuildUserId(ReadEnvironmentText(L"USERDOMAIN"), ReadEnvironmentText(L"USERNAME"));
    const std::wstring xml =
        schedule.runMissed ? BuildTaskXml(schedule, folder, userId, ChooseStartDate(schedule, ReadLocalTime())) : L"";
    if (xml.empty())
        return RunSchtasksShown(BuildTaskParameters(schedule, TaskName(), folder)) ? CreateRun::Ended
                                                                                  : CreateRun::TimedOut;
    const std::wstring path = TaskXmlPath();
    if (!WriteFileReplacing(path, TaskXmlBytes(xml))) return CreateRun::NoFile;
    const bool ended = RunSchtasksShown(BuildXmlTaskParameters(TaskName(), path));
    DeleteFilePath(path);
    return ended ? CreateRun::Ended : CreateRun::TimedOut;
}

}  // namespace

TaskQueryResult QueryBackupTask() {
    const std::wstring name = TaskName();
    StartOptions options;
    options.hidden = true;
    options.keepHandle = true;
    options.readOutput = true;
    bool started = false;
    const ProgramHandle handle = StartProgram(L"schtasks", L"/query", options, &started);
    if (!started || handle == 0) return TaskQueryResult::Absent;
    TaskQueryResult result = TaskQueryResult::Absent;
    while (ProgramHasOutput(handle)) {
        // A schtasks that stays silent this long is taken as hung.
        if (!WaitForProgramLine(handle, kSchtasksTimeoutMs)) {
            EndProgram(handle);
            result = TaskQueryResult::TimedOut;
            break;
        }
        if (QueryLineNamesTask(ReadProgramLine(handle), name)) {
            result = TaskQueryResult::Present;
            break;
        }
    }
    ReleaseProgram(handle);
    return result;
}

bool CreateBackupTask(const TaskSchedule& schedule, const std::wstring& backupPathText, TaskLogWriter writeLog) {
    const std::wstring errorTitle = LookUpText(L"Messages", L"Error");
    if (backupPathText.empty()) {
        ShowMessageBox(errorTitle, LookUpText(L"LogMessages", L"LogNoPath"), kBoxErrorOk);
        return false;
    }
    const CreateRun run = RunCreateCommand(schedule);
    // A definition that could not be written counts as a refused create.
    const TaskQueryResult found = run == CreateRun::Ended      ? QueryBackupTask()
                                  : run == CreateRun::TimedOut ? TaskQueryResult::TimedOut
                                                               : TaskQueryResult::Absent;
    if (found == TaskQueryResult::Present) {
        writeLog(LookUpText(L"LogMessages", L"TaskSucceed"));
        return true;
    }
    const std::wstring failure = LookUpText(L"LogMessages", L"TaskFail");
    writeLog(failure);
    if (found == TaskQueryResult::TimedOut) {
        ShowTimeOut();
    } else {
        ShowMessageBox(errorTitle, failure, kBoxPlain);
    }
    return false;
}

bool BackupTaskExists() {
    const TaskQueryResult found = QueryBackupTask();
    if (found == TaskQueryResult::TimedOut) ShowTimeOut();
    return found == TaskQueryResult::Present;
}

bool DeleteBackupTask() {
    if (!RunSchtasksShown(BuildDeleteParameters(TaskName()))) {
        ShowTimeOut();
        return false;
    }
    const TaskQueryResult found = QueryBackupTask();
    if (found == TaskQueryResult::TimedOut) ShowTimeOut();
    return found == TaskQueryResult::Absent;
}

void OpenTaskScheduler() {
    // Not an executable: the runner hands it to the shell.
    StartProgram(L"taskschd.msc", L"", StartOptions{});
}
