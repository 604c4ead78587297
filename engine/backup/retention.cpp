// Only names this program writes for this computer and user are ever
// candidates; everything else in the backup folder is the user's.
#include "engine/backup/retention.h"

#include "config/language_table.h"
#include "engine/backup/backup_job.h"
#include "engine/report/backup_log.h"
#include "platform/files.h"
#include "platform/text.h"

namespace {

constexpr wchar_t kArchivePrefix[] = L"LarkmailBackup_";
constexpr int kLongestKeep = 3650;

struct FoundArchive {
    std::wstring path;
    ArchiveNameParts parts;
};

std::vector<FoundArchive> FindOwnArchives(const RetentionRequest& request) {
    std::vector<FoundArchive> found;
    const std::wstring folder = WithoutTrailingSeparators(request.backupFolder);
    if (folder.empty()) return found;
    for (const FolderEntry& entry : ListFolder(folder, std::wstring(kArchivePrefix) + L"*.7z")) {
        FoundArchive archive;
        if (entry.isFolder || entry.isLink) continue;
        if (!ParseArchiveName(entry.name, request.computer, request.user, archive.parts)) continue;
        archive.path = request.backupFolder + entry.name;
        if (UpperAscii(archive.path) != UpperAscii(request.keepPath)) found.push_back(archive);
    }
    return found;
}

bool RemoveArchive(const std::wstring& path) {
    if (DeleteUnprotectedFile(path)) return true;
    AppendToBackupLog(FillPlaceholder(LookUpText(L"LogMessages", L"LogRetentionKept"), path));
    return false;
}

}  // namespace

bool ReadArchiveDate(const std::wstring& name, const std::wstring& computer, const std::wstring& user,
                     LocalTime& date) {
    ArchiveNameParts parts;
    if (!ParseArchiveName(name, computer, user, parts) || parts.kind != ArchiveKind::Full) return false;
    date = parts.day;
    return true;
}

int RemoveExpiredArchives(const RetentionRequest& request) {
    if (request.keepDays <= 0 || request.keepDays > kLongestKeep) return 0;
    const long cutoff = DayNumber(request.today) - request.keepDays;
    const std::vector<FoundArchive> found = FindOwnArchives(request);
    ArchiveNameParts kept;
    std::vector<long> neededFulls;
    if (ParseArchiveName(request.keepPath.substr(request.backupFolder.size()), request.computer, request.user, kept))
        neededFulls.push_back(DayNumber(kept.fullDay));
    int removed = 0;
    // Differentials first: whatever stays of them holds its full.
    for (const FoundArchive& archive : found) {
        if (archive.parts.kind != ArchiveKind::Differential) continue;
        if (DayNumber(archive.parts.day) < cutoff && RemoveArchive(archive.path)) {
            ++removed;
            continue;
        }
        neededFulls.push_back(DayNumber(archive.parts.fullDay));
    }
    for (const FoundArchive& archive : found) {
        const long day = DayNumber(archive.parts.day);
        if (archive.parts.kind != ArchiveKind::Full || day >= cutoff) continue;
        bool needed = false;
        for (long full : neededFulls) needed = needed || full == day;
        if (!needed && RemoveArchive(archive.path)) ++removed;
    }
    if (removed > 0)
        AppendToBackupLog(FillPlaceholder(LookUpText(L"LogMessages", L"LogRetention"), std::to_wstring(removed)));
    return removed;
}

void RemoveOtherArchivesOfDay(const RetentionRequest& request) {
    const long today = DayNumber(request.today);
    for (const FoundArchive& archive : FindOwnArchives(request))
        if (DayNumber(archive.parts.day) == today) RemoveArchive(archive.path);
}
