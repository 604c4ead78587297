// Times as the records beside the settings and the archives keep them, and the seconds between two of them.
#include "engine/report/record_time.h"

#include <cwchar>

#include "engine/console/archive_names.h"

namespace {

// Digits only, at most 4 of them; -1 otherwise.
int ParseField(const std::wstring& text) {
    if (text.empty() || text.size() > 4) return -1;
    int value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return -1;
        value = value * 10 + (c - L'0');
    }
    return value;
}

}  // namespace

std::wstring FormatRecordTime(const LocalTime& t) {
    wchar_t buffer[40];
    std::swprintf(buffer, 40, L"%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
    return buffer;
}

bool ParseRecordTime(const std::wstring& text, LocalTime& t) {
    if (text.size() != 19 || text[4] != L'-' || text[7] != L'-' || text[10] != L' ' || text[13] != L':' ||
        text[16] != L':')
        return false;
    const int parts[6] = {ParseField(text.substr(0, 4)),  ParseField(text.substr(5, 2)),
                          ParseField(text.substr(8, 2)),  ParseField(text.substr(11, 2)),
                          ParseField(text.substr(14, 2)), ParseField(text.substr(17, 2))};
    if (parts[1] < 1 || parts[1] > 12 || parts[2] < 1 || parts[2] > 31 || parts[3] < 0 || parts[3] > 23 ||
        parts[4] < 0 || parts[4] > 59 || parts[5] < 0 || parts[5] > 59 || parts[0] < 0)
        return false;
    t = LocalTime{parts[0], parts[1], parts[2], parts[3], parts[4], parts[5]};
    return true;
}

std::int64_t RecordSeconds(const LocalTime& t) {
    return static_cast<std::int64_t>(DaysSinceEpoch(t.year, t.month, t.day)) * 86400 + t.hour * 3600 + t.minute * 60 +
           t.second;
}
