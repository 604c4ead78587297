// Only names this program writes for this computer and user are ever
// candidates; everything else in the backup folder is the user's.
#include "engine/backup/retention.h"

#include <algorithm>

#include "config/language_table.h"
#include "engine/backup/backup_job.h"
#include "engine/backup/own_archives.h"
#include "engine/console/archive_check.h"
#include "engine/report/backup_log.h"
#include "platform/files.h"
#include "platform/text.h"

namespace {

constexpr int kLongestKeep = 3650;
// The newest fulls before today that stay whatever their age, and their differentials.
constexpr std::size_t kFullsAlwaysKept = 2;

struct FoundArchive {
    std::wstring path;
    ArchiveNameParts parts;
};

std::vector<FoundArchive> FindOwnArchives(const RetentionRequest& request) {
    std::vector<FoundArchive> found;
    const std::vector<OwnArchive> own =
        ListOwnArchives(request.backupFolder, request.computer, request.user, LinkCheck::Every);
    for (const OwnArchive& archive : own) {
        const std::wstring path = request.backupFolder + archive.name;
        if (UpperAscii(path) != UpperAscii(request.keepPath)) found.push_back({path, archive.parts});
    }
    return found;
}

// Each archive this program put in place passed 7-Zip's test then (unless
// VerifyBackup is 0); what the night knows since: one that is no finished 7z
// archive, or whose test before a differential failed tonight, counts as not passed.
bool PassedItsTest(const FoundArchive& archive, const RetentionRequest& request) {
    return UpperAscii(archive.path) != UpperAscii(request.damagedFull) && SevenZipArchiveFinished(archive.path);
}

// The days of the newest fulls before today that passed their test.
std::vector<long> FindFullsAlwaysKept(const std::vector<FoundArchive>& found, const RetentionRequest& request) {
    std::vector<const FoundArchive*> fulls;
    for (const FoundArchive& archive : found)
        if (archive.parts.kind == ArchiveKind::Full && DayNumber(archive.parts.day) < DayNumber(request.today))
            fulls.push_back(&archive);
    std::sort(fulls.begin(), fulls.end(), [](const FoundArchive* a, const FoundArchive* b) {
        return DayNumber(a->parts.day) > DayNumber(b->parts.day);
    });
    std::vector<long> days;
    for (const FoundArchive* full : fulls)
        if (days.size() < kFullsAlwaysKept && PassedItsTest(*full, request)) days.push_back(DayNumber(full->parts.day));
    return days;
}

bool HoldsDay(const std::vector<long>& days, long day) {
    return std::find(days.begin(), days.end(), day) != days.end();
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

RetentionOutcome RemoveExpiredArchives(const RetentionRequest& request) {
    RetentionOutcome outcome;
    if (request.keepDays <= 0 || request.keepDays > kLongestKeep) return outcome;
    const long today = DayNumber(request.today);
    const long cutoff = today - request.keepDays;
    const std::vector<FoundArchive> found = FindOwnArchives(request);
    // A clock that jumped ahead, or a computer unused for long: every archive
    // would look old at once. One night keeps them all and says why.
    const FoundArchive* newest = nullptr;
    for (const FoundArchive& archive : found) {
        const long day = DayNumber(archive.parts.day);
        if (day < today && (!newest || day > DayNumber(newest->parts.day))) newest = &archive;
    }
    if (newest && DayNumber(newest->parts.day) < cutoff) {
        outcome.pausedBy = newest->path;
        AppendToBackupLog(FillPlaceholder(LookUpText(L"LogMessages", L"LogRetentionPaused"), newest->path));
        return outcome;
    }
    const std::vector<long> alwaysKept = FindFullsAlwaysKept(found, request);
    ArchiveNameParts kept;
    std::vector<long> neededFulls = alwaysKept;
    if (ParseArchiveName(request.keepPath.substr(request.backupFolder.size()), request.computer, request.user, kept))
        neededFulls.push_back(DayNumber(kept.fullDay));
    // Differentials first: whatever stays of them holds its full.
    for (const FoundArchive& archive : found) {
        if (archive.parts.kind != ArchiveKind::Differential) continue;
        if (DayNumber(archive.parts.day) < cutoff && !HoldsDay(alwaysKept, DayNumber(archive.parts.fullDay)) &&
            RemoveArchive(archive.path)) {
            ++outcome.removed;
            continue;
        }
        neededFulls.push_back(DayNumber(archive.parts.fullDay));
    }
    for (const FoundArchive& archive : found) {
        const long day = DayNumber(archive.parts.day);
        if (archive.parts.kind != ArchiveKind::Full || day >= cutoff || HoldsDay(neededFulls, day)) continue;
        if (RemoveArchive(archive.path)) ++outcome.removed;
    }
    if (outcome.removed > 0)
        AppendToBackupLog(
            FillPlaceholder(LookUpText(L"LogMessages", L"LogRetention"), std::to_wstring(outcome.removed)));
    return outcome;
}

void RemoveOtherArchivesOfDay(const RetentionRequest& request) {
    const long today = DayNumber(request.today);
    for (const FoundArchive& archive : FindOwnArchives(request))
        if (DayNumber(archive.parts.day) == today) RemoveArchive(archive.path);
}
