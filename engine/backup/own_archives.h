// This computer's and user's archives in the backup folder, and what today's
// date makes of them: one dated after today means the clock went back (or
// was once ahead), and such an archive is never built on, replaced or removed.
#pragma once
#include <string>
#include <vector>

#include "engine/console/archive_names.h"
#include "platform/files.h"

struct OwnArchive {
    std::wstring name;
    ArchiveNameParts parts;
};

// Files only, never a link; `backupFolder` with or without its trailing "\".
// `check` as for ListFolder: a caller that only reads names need not open every file.
std::vector<OwnArchive> ListOwnArchives(const std::wstring& backupFolder, const std::wstring& computer,
                                        const std::wstring& user, LinkCheck check = LinkCheck::FoldersOnly);
// The newest archive dated after today; empty when none is.
std::wstring FindNewestFutureArchive(const std::vector<OwnArchive>& archives, const LocalTime& today);
// A differential dated after today that was made against today's full, when
// that full is there: a backup today would replace the full it needs.
std::wstring FindFutureDifferentialOfToday(const std::vector<OwnArchive>& archives, const LocalTime& today);
// The differentials made against the full of `fullDay`, but today's (a backup today replaces those).
std::vector<std::wstring> FindDifferentialsOf(const std::vector<OwnArchive>& archives, const LocalTime& fullDay,
                                              const LocalTime& today);
