// This computer's and user's archives in the backup folder, and what today's date makes of them.
#include "engine/backup/own_archives.h"

#include "platform/text.h"

std::vector<OwnArchive> ListOwnArchives(const std::wstring& backupFolder, const std::wstring& computer,
                                        const std::wstring& user, LinkCheck check) {
    std::vector<OwnArchive> found;
    const std::wstring folder = WithoutTrailingSeparators(backupFolder);
    if (folder.empty()) return found;
    for (const FolderEntry& entry : ListFolder(folder, L"LarkmailBackup_*.7z", check)) {
        OwnArchive archive;
        if (entry.isFolder || entry.isLink || !ParseArchiveName(entry.name, computer, user, archive.parts)) continue;
        archive.name = entry.name;
        found.push_back(archive);
    }
    return found;
}

std::wstring FindNewestFutureArchive(const std::vector<OwnArchive>& archives, const LocalTime& today) {
    const OwnArchive* newest = nullptr;
    for (const OwnArchive& archive : archives)
        if (DayNumber(archive.parts.day) > DayNumber(today) &&
            (!newest || DayNumber(archive.parts.day) > DayNumber(newest->parts.day)))
            newest = &archive;
    return newest ? newest->name : std::wstring();
}

std::wstring FindFutureDifferentialOfToday(const std::vector<OwnArchive>& archives, const LocalTime& today) {
    bool fullOfToday = false;
    for (const OwnArchive& archive : archives)
        fullOfToday = fullOfToday ||
                      (archive.parts.kind == ArchiveKind::Full && DayNumber(archive.parts.day) == DayNumber(today));
    if (!fullOfToday) return {};
    for (const OwnArchive& archive : archives)
        if (archive.parts.kind == ArchiveKind::Differential && DayNumber(archive.parts.day) > DayNumber(today) &&
            DayNumber(archive.parts.fullDay) == DayNumber(today))
            return archive.name;
    return {};
}

std::vector<std::wstring> FindDifferentialsOf(const std::vector<OwnArchive>& archives, const LocalTime& fullDay,
                                              const LocalTime& today) {
    std::vector<std::wstring> names;
    for (const OwnArchive& archive : archives)
        if (archive.parts.kind == ArchiveKind::Differential && DayNumber(archive.parts.fullDay) == DayNumber(fullDay) &&
            DayNumber(archive.parts.day) != DayNumber(today))
            names.push_back(archive.name);
    return names;
}
