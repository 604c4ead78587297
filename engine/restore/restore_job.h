// The restore's work after the last question: extract beside the data folder, verify, swap.
#pragma once
#include <string>
#include <vector>

#include "engine/console/archive_listing.h"
#include "engine/console/job_window.h"
#include "engine/restore/differential_restore.h"
#include "engine/restore/restore_scope.h"

// The folder every backup holds at its top.
constexpr wchar_t kDataFolderName[] = L"Larkmail";

// Both texts empty: the restored data is in place.
struct RestoreFailure {
    std::wstring logLine;
    std::wstring boxText;
    std::wstring oldData{};  // set aside and still to delete (RemoveOldData), once the result is shown
    std::wstring placed{};  // a copy that succeeded: where it is
};

bool MailClientRunning();
// Refuses, before anything is unpacked, an archive with an item whose name
// IsSafeItemPath refuses (among `items`, or what a differential deleted):
// the box says the archive is not one of ours or is damaged, the log line
// names the item. Empty texts when every name is safe.
RestoreFailure RefuseUnsafeItems(const std::vector<ArchiveItem>& items, const std::vector<std::wstring>& removed = {});
// RestoreMsgs/RestoreFailed, followed by `detail` when there is one.
std::wstring RestoreFailureText(const std::wstring& detail);
// `dataFolder` without a trailing "\"; `items` as the archive listed them
// (for a differential, the day's items of PrepareDifferentialRestore), an
// unsafe name among them refused first (RefuseUnsafeItems);
// `password` (empty for an unencrypted archive) goes to 7-Zip's standard input,
// for a differential's full too. One folder or a copy unpacks only the
// scope's part of the archive and checks only that; a copy leaves the data
// folder and the mail client alone.
RestoreFailure RestoreFromArchive(const std::wstring& archivePath, const std::wstring& dataFolder,
                                  const std::vector<ArchiveItem>& items, const JobWindow& window,
                                  const std::wstring& password = {}, const DifferentialRestore& differential = {},
                                  const RestoreScope& scope = {});
// Deletes the data that a restore set aside, logs what stayed, ends the restore's note.
void RemoveOldData(const std::wstring& dataFolder, const std::wstring& oldData);
