// The XML task definition: what the plain "/create /sc ..." line schedules, plus the settings that run a missed night.
#include "schedule/task_xml.h"

#include <string>

#include "platform/text.h"

namespace {

const wchar_t* const kDayNames[] = {L"Sun", L"Mon", L"Tue", L"Wed", L"Thu", L"Fri", L"Sat"};
const wchar_t* const kDayElements[] = {L"Sunday",   L"Monday", L"Tuesday", L"Wednesday",
                                       L"Thursday", L"Friday", L"Saturday"};
const wchar_t* const kWeekNames[] = {L"First", L"Second", L"Third", L"Fourth", L"Last"};
const wchar_t* const kWeekValues[] = {L"1", L"2", L"3", L"4", L"Last"};
const wchar_t* const kMonths[] = {L"January", L"February", L"March",     L"April",   L"May",      L"June",
                                  L"July",    L"August",   L"September", L"October", L"November", L"December"};

std::wstring EscapeXml(const std::wstring& text) {
    std::wstring out;
    for (const wchar_t c : text) {
        switch (c) {
            case L'&': out += L"&amp;"; break;
            case L'<': out += L"&lt;"; break;
            case L'>': out += L"&gt;"; break;
            case L'"': out += L"&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

// The element name of a schtasks day name; empty for anything else.
std::wstring DayElement(const std::wstring& dayName) {
    for (int i = 0; i < 7; ++i)
        if (dayName == kDayNames[i]) return kDayElements[i];
    return {};
}

std::wstring WeekValue(const std::wstring& weekOfMonth) {
    for (int i = 0; i < 5; ++i)
        if (weekOfMonth == kWeekNames[i]) return kWeekValues[i];
    return {};
}

std::wstring AllMonths() {
    std::wstring months = L"        <Months>\r\n";
    for (const wchar_t* month : kMonths) months += L"          <" + std::wstring(month) + L" />\r\n";
    return months + L"        </Months>\r\n";
}

std::wstring OneDayOfWeek(const std::wstring& element) {
    return L"        <DaysOfWeek>\r\n          <" + element + L" />\r\n        </DaysOfWeek>\r\n";
}

// The schedule element as the plain line means it: "/sc monthly" without
// "/d" is the first of each month, "/mo lastday /m *" the last day of each.
std::wstring ScheduleElement(const TaskSchedule& schedule) {
    const std::wstring& kind = schedule.scheduleKind;
    const std::wstring& week = schedule.weekOfMonth;
    const std::wstring day = DayElement(schedule.dayName);
    if (kind == L"Daily")
        return L"      <ScheduleByDay>\r\n        <DaysInterval>1</DaysInterval>\r\n      </ScheduleByDay>\r\n";
    if (kind == L"Monthly" && (week.empty() || week == L"LastDay")) {
        return L"      <ScheduleByMonth>\r\n        <DaysOfMonth>\r\n          <Day>" +
               std::wstring(week.empty() ? L"1" : L"Last") + L"</Day>\r\n        </DaysOfMonth>\r\n" + AllMonths() +
               L"      </ScheduleByMonth>\r\n";
    }
    if (kind == L"Monthly") {
        const std::wstring value = WeekValue(week);
        if (value.empty() || day.empty()) return {};
        return L"      <ScheduleByMonthDayOfWeek>\r\n        <Weeks>\r\n          <Week>" + value +
               L"</Week>\r\n        </Weeks>\r\n" + OneDayOfWeek(day) + AllMonths() +
               L"      </ScheduleByMonthDayOfWeek>\r\n";
    }
    if (kind == L"Weekly" && !day.empty()) {
        return L"      <ScheduleByWeek>\r\n        <WeeksInterval>1</WeeksInterval>\r\n" + OneDayOfWeek(day) +
               L"      </ScheduleByWeek>\r\n";
    }
    return {};
}

bool AllDigits(const std::wstring& text) {
    if (text.empty()) return false;
    for (const wchar_t c : text)
        if (c < L'0' || c > L'9') return false;
    return true;
}

int DaysInMonth(int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[(month - 1) % 12];
}

std::wstring TwoDigits(int n) {
    return (n < 10 ? L"0" : L"") + std::to_wstring(n);
}

}  // namespace

std::wstring BuildTaskXml(const TaskSchedule& schedule, const std::wstring& folder, const std::wstring& userId,
                          const std::wstring& startDate) {
    const std::wstring scheduleElement = ScheduleElement(schedule);
    if (scheduleElement.empty()) return {};
    // No time zone: the boundary is local time, as "/st" is.
    const std::wstring start = startDate + L"T" + schedule.hourText + L":" + schedule.minuteText + L":00";
    std::wstring xml = L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
                       L"<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
                       L"  <Triggers>\r\n"
                       L"    <CalendarTrigger>\r\n"
                       L"      <StartBoundary>" + EscapeXml(start) + L"</StartBoundary>\r\n" +
                       scheduleElement +
                       L"    </CalendarTrigger>\r\n"
                       L"  </Triggers>\r\n"
                       L"  <Principals>\r\n"
                       L"    <Principal id=\"Author\">\r\n";
    if (!userId.empty()) xml += L"      <UserId>" + EscapeXml(userId) + L"</UserId>\r\n";
    // Missed starts run as soon as the computer is on, on battery too; the
    // time limit only bounds a run that hangs outside 7-Zip's own bound.
    xml += L"      <LogonType>InteractiveToken</LogonType>\r\n"
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
           L"      <Command>" + EscapeXml(JoinPath(folder, L"LarkmailBackup.exe")) + L"</Command>\r\n"
           L"      <Arguments>/b</Arguments>\r\n"
           L"      <WorkingDirectory>" + EscapeXml(folder) + L"</WorkingDirectory>\r\n"
           L"    </Exec>\r\n"
           L"  </Actions>\r\n"
           L"</Task>\r\n";
    return xml;
}

std::wstring ChooseStartDate(const TaskSchedule& schedule, const LocalTime& now) {
    int year = now.year, month = now.month, day = now.day;
    if (AllDigits(schedule.hourText) && AllDigits(schedule.minuteText) && schedule.hourText.size() <= 2 &&
        schedule.minuteText.size() <= 2) {
        const int chosen = std::stoi(schedule.hourText) * 60 + std::stoi(schedule.minuteText);
        if (chosen <= now.hour * 60 + now.minute && ++day > DaysInMonth(year, month)) {
            day = 1;
            if (++month > 12) month = 1, ++year;
        }
    }
    return std::to_wstring(year) + L"-" + TwoDigits(month) + L"-" + TwoDigits(day);
}

std::wstring BuildUserId(const std::wstring& domain, const std::wstring& user) {
    if (user.empty()) return {};
    return domain.empty() ? user : domain + L"\\" + user;
}

std::string TaskXmlBytes(const std::wstring& xml) {
    return "\xFF\xFE" + Utf16LeFromWide(xml);
}
