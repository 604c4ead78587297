// Only names this program writes for this computer and user are ever
// candidates; everything else in the backup folder is the user's.
#include "engine/retention.h"

#include "config/language_table.h"
#include "engine/backup_job.h"
#include "engine/backup_log.h"
#include "platform/files.h"
#include "platform/text.h"

namespace {

constexpr wchar_t kArchivePrefix[] = L"LarkmailBackup_";
constexpr int kLongestKeep = 3650;

bool LeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && LeapYear(year) ? 29 : kDays[month - 1];
}

// Eight digits at `at` that make a real date.
bool ReadDay(const std::wstring& text, std::size_t at, LocalTime& date) {
    int digits[8];
    for (int i = 0; i < 8; ++i) {
        const wchar_t c = text[at + i];
        if (c < L'0' || c > L'9') return false;
        digits[i] = c - L'0';
    }
    date = LocalTime{};
    date.year = digits[0] * 1000 + digits[1] * 100 + digits[2] * 10 + digits[3];
    date.month = digits[4] * 10 + digits[5];
    date.day = digits[6] * 10 + digits[7];
    return date.year >= 1970 && date.month >= 1 && date.month <= 12 && date.day >= 1 &&
           date.day <= DaysInMonth(date.year, date.month);
}

}  // namespace

long DaysSinceEpoch(int year, int month, int day) {
    // Counted from March, so the leap day ends a year.
    const int y = month <= 2 ? year - 1 : year;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yearOfEra = y - era * 400;
    const long dayOfYear = (153L * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

bool ParseArchiveName(const std::wstring& name, const std::wstring& computer, const std::wstring& user,
                      ArchiveNameParts& parts) {
    const std::wstring prefix = UpperAscii(kArchivePrefix + computer + L"_" + user + L"_");
    const std::wstring upper = UpperAscii(name);
    if (upper.compare(0, prefix.size(), prefix) != 0) return false;
    const std::wstring rest = upper.substr(prefix.size());  // "yyyymmdd.7Z" or "yyyymmdd_DIFF_yyyymmdd.7Z"
    parts = ArchiveNameParts{};
    if (rest.size() == 11 && rest.compare(8, 3, L".7Z") == 0) {
        parts.kind = ArchiveKind::Full;
        return ReadDay(rest, 0, parts.day);
    }
    if (rest.size() == 25 && rest.compare(8, 6, L"_DIFF_") == 0 && rest.compare(22, 3, L".7Z") == 0) {
        parts.kind = ArchiveKind::Differential;
        return ReadDay(rest, 0, parts.day) && ReadDay(rest, 14, parts.diffDay);
    }
    return false;
}

bool ReadArchiveDate(const std::wstring& name, const std::wstring& computer, const std::wstring& user,
                     LocalTime& date) {
    ArchiveNameParts parts;
    if (!ParseArchiveName(name, computer, user, parts) || parts.kind != ArchiveKind::Full) return false;
    date = parts.day;
    return true;
}

int RemoveExpiredArchives(const RetentionRequest& request) {
    if (request.keepDays <= 0 || request.keepDays > kLongestKeep) return 0;
    std::wstring folder = request.backupFolder;
    while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    if (folder.empty()) return 0;
    const long cutoff = DaysSinceEpoch(request.today.year, request.today.month, request.today.day) - request.keepDays;
    int removed = 0;
    for (const FolderEntry& entry : ListFolder(folder, std::wstring(kArchivePrefix) + L"*.7z")) {
        LocalTime date;
        if (entry.isFolder || entry.isLink) continue;
        if (!ReadArchiveDate(entry.name, request.computer, request.user, date)) continue;
        if (DaysSinceEpoch(date.year, date.month, date.day) >= cutoff) continue;
        const std::wstring path = request.backupFolder + entry.name;
        if (UpperAscii(path) == UpperAscii(request.keepPath)) continue;
        if (DeleteUnprotectedFile(path)) {
            ++removed;
        } else {
            AppendToBackupLog(FillPlaceholder(LookUpText(L"LogMessages", L"LogRetentionKept"), path));
        }
    }
    if (removed > 0)
        AppendToBackupLog(FillPlaceholder(LookUpText(L"LogMessages", L"LogRetention"), std::to_wstring(removed)));
    return removed;
}
