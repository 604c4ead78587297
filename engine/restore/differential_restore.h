// Restoring a differential: its full first, the differential over it, and the
// day's items to check the result against.
#pragma once
#include <string>
#include <vector>

#include "engine/console/archive_listing.h"
#include "engine/console/job_window.h"
#include "engine/restore/extraction_check.h"

struct RestoreFailure;

struct DifferentialRestore {
    std::wstring fullPath;              // empty: the archive is a full one
    std::vector<std::wstring> removed;  // what the differential deleted, as listed; absent after the restore
    // A night with nothing new leaves 7-Zip no item to encrypt: the full tells whether the day is locked.
    bool fullEncrypted = false;
    std::size_t fromFull = 0;           // the day's first items: the full's that the differential leaves alone
    // The full refused the password given: a differential of a night without
    // change opened without one, so the full's own password was never asked.
    bool fullWrongPassword = false;
};

// The day's items, in the order the two runs of 7-Zip write them: first the
// full's that the differential neither replaces nor deletes (nor anything
// above them), in the full's order, and how many (`fromFull`); then the
// differential's own, in its order.
std::vector<ArchiveItem> CombineDifferentialItems(const std::vector<ArchiveItem>& fullItems,
                                                  const std::vector<ArchiveItem>& diffItems,
                                                  std::vector<std::wstring>& removed, std::size_t* fromFull = nullptr);
// Whether an archive of these items is a differential: it carries the mark
// of its full, or deletions, or its name says so (ReadArchiveName).
bool HoldsDifferential(const std::wstring& archivePath, const std::vector<ArchiveItem>& items);
// For a differential archive: finds its full in the archive's own folder by
// the mark inside it (kBaseMarkName), or by its name when it carries none,
// lists it (through `window`, as ListArchive) and turns `items` (the mark
// left out) into the day's. A failure (the full missing, unreadable or no
// full; the mark unreadable; deletions without a mark or a differential's
// name; an unsafe item name in the full) is refused before anything changes.
RestoreFailure PrepareDifferentialRestore(const std::wstring& archivePath, std::vector<ArchiveItem>& items,
                                          DifferentialRestore& differential, const std::wstring& password = {},
                                          const JobWindow& window = {});
// "x <full> -y", then "x <differential> -aoa", into `stagingFolder`; both of
// only `archiveFolder` ("Larkmail\Mail") when it is given. The first
// `fromFull` items of `check` only the full writes: final once written, they
// are checked while the full is extracted; the differential's are left to
// FinishExtractionCheck after its run.
ToolOutcome ExtractFullThenDifferential(const std::wstring& stagingFolder, const std::wstring& fullPath,
                                        const std::wstring& diffPath, const std::wstring& password,
                                        const JobWindow& window, ExtractionCheck& check, std::size_t fromFull,
                                        const std::wstring& archiveFolder = {});
// How many of the first items of `checked` only the full writes; `checked`
// is `dayItems`, or those below one folder, in the same order.
std::size_t CountFullOnlyItems(const DifferentialRestore& differential, const std::vector<ArchiveItem>& dayItems,
                               const std::vector<ArchiveItem>& checked);
// The deleted items still there below `folder`.
std::vector<std::wstring> FindRemovedItemsPresent(const std::vector<std::wstring>& removed, const std::wstring& folder);
