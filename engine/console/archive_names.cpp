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
    const std::size_t at = prefix.size();
    if (!ReadDay(upper, at, parts.day)) return false;
    const std::wstring rest = upper.substr(at + 8);
    if (rest == L".7Z") {
        parts.kind = ArchiveKind::Full;
        parts.fullDay = parts.day;
        return true;
    }
    const std::size_t mark = std::char_traits<wchar_t>::length(kDiffMark);
    if (rest.size() != mark + 11 || rest.compare(0, mark, kDiffMark) != 0 || rest.compare(mark + 8, 3, L".7Z") != 0)
        return false;
    parts.kind = ArchiveKind::Differential;
    return ReadDay(rest, mark, parts.fullDay);
}

std::wstring FullArchiveNameOf(const std::wstring& differentialName) {
    const std::size_t size = differentialName.size();
    return differentialName.substr(0, size - 25) + differentialName.substr(size - 11);
}

bool NamesDifferentialArchive(const std::wstring& name) {
    const std::wstring upper = UpperAscii(name);
    const std::size_t mark = std::char_traits<wchar_t>::length(kDiffMark);
    LocalTime day;
    return upper.size() >= mark + 11 && upper.compare(upper.size() - 3, 3, L".7Z") == 0 &&
           upper.compare(upper.size() - 11 - mark, mark, kDiffMark) == 0 && ReadDay(upper, upper.size() - 11, day);
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
