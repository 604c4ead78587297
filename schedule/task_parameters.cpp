// The parameter texts that schtasks receives.
#include "schedule/task_commands.h"

#include "platform/text.h"

namespace {

bool HoldsBlank(const std::wstring& text) {
    return text.find_first_of(L" \t") != std::wstring::npos;
}

std::wstring StartTime(const TaskSchedule& schedule) {
    return L" /st " + schedule.hourText + L":" + schedule.minuteText;
}

}  // namespace

std::wstring QuoteTaskName(const std::wstring& taskName) {
    return HoldsBlank(taskName) ? L"\"" + taskName + L"\"" : taskName;
}

std::wstring BuildTaskRunText(const std::wstring& folder) {
    std::wstring withSlash = folder;
    if (withSlash.empty() || withSlash.back() != L'\\') withSlash += L'\\';
    // The task runs the text as a command line, so a program path with a
    // blank needs quotes of its own; schtasks takes \" as a quote inside the
    // quoted value. A "\" never comes right before one here.
    if (HoldsBlank(withSlash)) return L"\"\\\"" + withSlash + L"LarkmailBackup\\\" /b\"";
    return L"\"" + withSlash + L"LarkmailBackup /b\"";
}

std::wstring BuildTaskParameters(const TaskSchedule& schedule, const std::wstring& taskName,
                                 const std::wstring& folder) {
    const std::wstring tail = L" /tn " + QuoteTaskName(taskName) + L" /tr " + BuildTaskRunText(folder) + L" /it /v1";
    const std::wstring& kind = schedule.scheduleKind;
    const std::wstring& week = schedule.weekOfMonth;
    if (kind == L"Daily") return L"/create /sc daily" + StartTime(schedule) + tail;
    if (kind == L"Monthly" && week.empty()) return L"/create /sc monthly" + StartTime(schedule) + tail;
    if (kind == L"Monthly" && week == L"LastDay")
        return L"/create /sc monthly /mo lastday /m *" + StartTime(schedule) + tail;
    if (kind == L"Monthly")
        return L"/create /sc monthly /d " + schedule.dayName + L" /mo " + week + StartTime(schedule) + tail;
    return L"/create /sc " + kind + L" /d " + schedule.dayName + StartTime(schedule) + tail;
}

std::wstring BuildXmlTaskParameters(const std::wstring& taskName, const std::wstring& xmlPath) {
    return L"/create /tn " + QuoteTaskName(taskName) + L" /xml " + QuoteTaskName(xmlPath);
}

std::wstring BuildDeleteParameters(const std::wstring& taskName) {
    return L"/delete /tn " + QuoteTaskName(taskName) + L" /f";
}

bool QueryLineNamesTask(const std::wstring& line, const std::wstring& taskName) {
    return UpperAscii(line).find(UpperAscii(taskName)) != std::wstring::npos;
}
