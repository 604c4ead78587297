// The task definition that "schtasks /create /xml" reads: the plain line's schedule and action, run later when missed.
#pragma once
#include <string>

#include "platform/system.h"
#include "schedule/task_commands.h"

// The whole definition (schema 1.2), or empty when the schedule lacks what a
// trigger needs (no kind, or no day where one is asked for): the plain line
// goes out then, and schtasks refuses it as before. `userId` may be empty
// (no UserId element); `startDate` is "yyyy-mm-dd".
std::wstring BuildTaskXml(const TaskSchedule& schedule, const std::wstring& folder, const std::wstring& userId,
                          const std::wstring& startDate);
// Today while the chosen time is still to come, else tomorrow: a start
// boundary already past would count as a missed start and run at once.
std::wstring ChooseStartDate(const TaskSchedule& schedule, const LocalTime& now);
// "DOMAIN\user" as the environment gives them; the user alone without a
// domain, empty without a user.
std::wstring BuildUserId(const std::wstring& domain, const std::wstring& user);
// The file as schtasks wants it: UTF-16 with its byte order mark.
std::string TaskXmlBytes(const std::wstring& xml);
