// The restore's note beside the data folder of the step it is in, and the repair at start that reads it.
#pragma once
#include <string>

// The note lies at the data folder's parent + kRestoreJournalName while a
// restore may have anything of its own beside the data folder.
constexpr wchar_t kRestoreJournalName[] = L"Larkmail.restoring";

enum class RestorePhase {
    Extracting,  // the staging folder may hold a copy that has not passed its check
    Swapping,    // staging\Larkmail passed its check (and is flushed); it goes in, the data goes aside
    MovingBack,  // the restored copy could not go in: the data set aside must come back
};

// `staging` and `aside` are the names beside the data folder, without a folder.
struct RestoreJournal {
    RestorePhase phase = RestorePhase::Extracting;
    std::wstring staging;
    std::wstring aside;
    std::wstring folder;  // one folder below the data folder ("Mail\Inbox"); empty: all of it
};

// "C:\Users\anna\AppData\Local\Larkmail" -> "C:\Users\anna\AppData\Local\"
std::wstring RestoreParentFolder(const std::wstring& dataFolder);
// A name that nothing uses yet in `parent`: stem + 1, 2, ...; empty when none is free.
std::wstring FreeSiblingPath(const std::wstring& parent, const std::wstring& stem);
std::wstring RestoreJournalPath(const std::wstring& dataFolder);
// Written and flushed before the step it names. False when it could not be.
// With `folder`, the staging folder holds "Larkmail\<folder>" and `asidePath`
// is that folder of the data set aside.
bool WriteRestoreJournal(const std::wstring& dataFolder, RestorePhase phase, const std::wstring& stagingPath,
                         const std::wstring& asidePath, const std::wstring& folder = {});
bool RestoreJournalExists(const std::wstring& dataFolder);
// Deletes the set-aside old data and what is left of the staging folder
// (each only where it resolves beside the data folder, never holding it),
// logs what could not be deleted, and removes the note.
void RemoveRestoreLeftovers(const std::wstring& dataFolder, const std::wstring& stagingPath,
                            const std::wstring& asidePath);

// Finishes or undoes a restore that a crash or kill interrupted, so that the
// data folder holds the old data or the fully checked restored data, and
// removes the rest of what it left; for one folder, that folder. Does nothing
// without a note, or while the program that wrote it still runs. Logs one
// line for what it repaired. A note it cannot use (a name the restore never
// gives, a folder by the item-name rule) is kept and logged while a folder
// it names lies beside the data folder. Moves go only where the paths
// resolve to the folders they belong to.
void RepairInterruptedRestore(const std::wstring& dataFolder);
