// Restoring a differential: its full first, the differential over it, and the
// day's items to check the result against.
#pragma once
#include <string>
#include <vector>

#include "engine/archive_listing.h"
#include "engine/job_window.h"

struct RestoreFailure;

struct DifferentialRestore {
    std::wstring fullPath;              // empty: the archive is a full one
    std::vector<std::wstring> removed;  // what the differential deleted, as listed; absent after the restore
    // A night with nothing new leaves 7-Zip no item to encrypt: the full tells whether the day is locked.
    bool fullEncrypted = false;
};

// The day's items: the full's, each replaced by the differential's of the
// same path, without what its anti-items deleted (and all below them).
std::vector<ArchiveItem> CombineDifferentialItems(const std::vector<ArchiveItem>& fullItems,
                                                  const std::vector<ArchiveItem>& diffItems,
                                                  std::vector<std::wstring>& removed);
// For a differential archive (by its name): finds and lists its full beside
// it and turns `items` into the day's. A failure (the full missing or
// unreadable) is refused before anything changes.
RestoreFailure PrepareDifferentialRestore(const std::wstring& archivePath, std::vector<ArchiveItem>& items,
                                          DifferentialRestore& differential, const std::wstring& password = {});
// "x <full> -y", then "x <differential> -aoa", into `stagingFolder`; both of
// only `archiveFolder` ("Larkmail\Mail") when it is given.
ToolOutcome ExtractFullThenDifferential(const std::wstring& stagingFolder, const std::wstring& fullPath,
                                        const std::wstring& diffPath, const std::wstring& password,
                                        const JobWindow& window, const std::wstring& archiveFolder = {});
// The deleted items still there below `folder`.
std::vector<std::wstring> FindRemovedItemsPresent(const std::vector<std::wstring>& removed, const std::wstring& folder);
