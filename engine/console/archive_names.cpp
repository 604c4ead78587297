// Names of this program's archives and reading them back.
#include "engine/console/archive_names.h"

#include "engine/console/archive_tool.h"
#include "platform/text.h"

namespace {

constexpr wchar_t kArchivePrefix[] = L"LarkmailBackup_";
constexpr wchar_t kDiffMark[] = L"_DIFF_";

bool LeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && LeapYear(year) ? 29 : kDays[month - 1];
}

// Eight digits at `at` as a real calendar date.
bool ReadDay(const std::wstring& text, std::size_t at, LocalTime& day) {
    if (text.size() < at + 8) return false;
    int digits[8];
    for (int i = 0; i < 8; ++i) {
        const wchar_t c = text[at + i];
        if (c < L'0' || c > L'9') return false;
        digits[i] = c - L'0';
    }
    day = LocalTime{};
    day.year = digits[0] * 1000 + digits[1] * 100 + digits[2] * 10 + digits[3];
    day.month = digits[4] * 10 + digits[5];
    day.day = digits[6] * 10 + digits[7];
    return day.year >= 1970 && day.month >= 1 && day.month <= 12 && day.day >= 1 &&
           day.day <= DaysInMonth(day.year, day.month);
}

// From the day at `at` on: "<day>.7z" or "<day>_diff_<day>.7z".
bool ReadNameFrom(const std::wstring& name, std::size_t at, ArchiveNameParts& parts) {
    const std::wstring upper = UpperAscii(name);
    if (!ReadDay(upper, at, parts.day)) return false;
    const std::wstring rest = upper.substr(at + 8);
    if (rest == L".7Z") {
        parts.kind = ArchiveKind::Full;
        parts.fullDay = parts.day;
        parts.fullName = name;
        return true;
    }
    const std::size_t mark = std::char_traits<wchar_t>::length(kDiffMark);
    if (rest.size() != mark + 11 || rest.compare(0, mark, kDiffMark) != 0 || rest.compare(mark + 8, 3, L".7Z") != 0)
        return false;
    parts.kind = ArchiveKind::Differential;
    parts.fullName = name.substr(0, at) + name.substr(at + 8 + mark);
    return ReadDay(rest, mark, parts.fullDay);
}

}  // namespace

std::wstring DifferentialArchiveName(const std::wstring& computer, const std::wstring& user, const LocalTime& day,
                                     const LocalTime& fullDay) {
    std::wstring name = ArchiveName(computer, user, day);
    const std::wstring full = ArchiveName(computer, user, fullDay);
    name.erase(name.size() - 3);
    return name + L"_diff_" + full.substr(full.size() - 11);
}

bool ParseArchiveName(const std::wstring& name, const std::wstring& computer, const std::wstring& user,
                      ArchiveNameParts& parts) {
    const std::wstring prefix = UpperAscii(kArchivePrefix + computer + L"_" + user + L"_");
    const std::wstring upper = UpperAscii(name);
    if (upper.compare(0, prefix.size(), prefix) != 0) return false;
    return ReadNameFrom(name, prefix.size(), parts);
}

bool ReadArchiveName(const std::wstring& name, const std::wstring& computer, const std::wstring& user,
                     ArchiveNameParts& parts) {
    if (ParseArchiveName(name, computer, user, parts)) return true;
    const std::wstring upper = UpperAscii(name);
    const std::size_t prefix = std::char_traits<wchar_t>::length(kArchivePrefix);
    if (upper.compare(0, prefix, UpperAscii(kArchivePrefix)) != 0) return false;
    // "<computer>_<user>_" from `prefix` to the day at `at`, neither name empty.
    const auto ownersBefore = [&](std::size_t at) {
        if (at < prefix + 4 || upper[at - 1] != L'_') return false;
        const std::size_t split = upper.find(L'_', prefix + 1);
        return split < at - 2;
    };
    const std::size_t diffTail = std::char_traits<wchar_t>::length(kDiffMark) + 19;  // "<day>_DIFF_<day>.7Z"
    if (upper.size() > diffTail && ownersBefore(upper.size() - diffTail) &&
        ReadNameFrom(name, upper.size() - diffTail, parts) && parts.kind == ArchiveKind::Differential &&
        DayNumber(parts.fullDay) < DayNumber(parts.day))
        return true;
    return upper.size() > 11 && ownersBefore(upper.size() - 11) && ReadNameFrom(name, upper.size() - 11, parts) &&
           parts.kind == ArchiveKind::Full;
}

long DaysSinceEpoch(int year, int month, int day) {
    // Counted from March, so the leap day ends a year.
    const int y = month <= 2 ? year - 1 : year;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yearOfEra = y - era * 400;
    const long dayOfYear = (153L * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

long DayNumber(const LocalTime& day) {
    return DaysSinceEpoch(day.year, day.month, day.day);
}
