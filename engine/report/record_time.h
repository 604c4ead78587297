// Times as the records beside the settings and the archives keep them, and the seconds between two of them.
#pragma once
#include <cstdint>
#include <string>

#include "platform/system.h"

// "yyyy-mm-dd hh:ii:ss"
std::wstring FormatRecordTime(const LocalTime& time);
// False for anything but that form with a real month, hour, minute and second.
bool ParseRecordTime(const std::wstring& text, LocalTime& time);
// Seconds since 1970-01-01 00:00:00 of the same clock: only differences mean anything.
std::int64_t RecordSeconds(const LocalTime& time);
