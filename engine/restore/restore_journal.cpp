// The restore's note of its step, so that every kill point maps to one repair at the next start:
// Extracting undoes, Swapping finishes once the data is aside, MovingBack puts the data back.
#include "engine/restore/restore_journal.h"

#include <vector>

#include "config/language_table.h"
#include "engine/console/archive_listing.h"
#include "engine/guard/data_folder_guard.h"
#include "engine/report/backup_log.h"
#include "engine/restore/restore_moves.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/system.h"
#include "platform/text.h"

namespace {

constexpr wchar_t kStagingStem[] = L"Larkmail.restore-";
constexpr wchar_t kAsideStem[] = L"Larkmail.old-";
constexpr wchar_t kKeptStem[] = L"Larkmail.new-";
constexpr wchar_t kFolderName[] = L"Larkmail";
constexpr int kMaxSiblingNumber = 1000;

const wchar_t* const kPhaseNames[] = {L"extracting", L"swapping", L"moving back"};

struct JournalRecord {
    RestoreJournal journal;
    std::uint32_t process = 0;
    std::wstring program;  // the file name of the program that wrote it
};

std::wstring Text(const wchar_t* key) {
    return LookUpText(L"LogMessages", key);
}

std::wstring NamePart(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// Only names of the form the restore gives: a damaged or foreign note never
// makes the repair touch a folder of the user's.
bool IsOurName(const std::wstring& name, const std::wstring& stem) {
    if (name.size() <= stem.size() || name.compare(0, stem.size(), stem) != 0) return false;
    for (std::size_t i = stem.size(); i < name.size(); ++i)
        if (name[i] < L'0' || name[i] > L'9') return false;
    return true;
}

// A folder below the data folder, by the rule for an archive's item names: never above it, never elsewhere.
bool IsSafeFolder(const std::wstring& folder) {
    return folder.empty() || IsSafeItemPath(folder);
}

bool ParseJournal(const std::wstring& text, JournalRecord& record) {
    std::size_t start = 0;
    bool phaseSeen = false;
    while (start < text.size()) {
        std::size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = text.substr(start, end - start);
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        start = end + 1;
        const std::size_t equals = line.find(L'=');
        if (equals == std::wstring::npos) continue;
        const std::wstring key = line.substr(0, equals);
        const std::wstring value = line.substr(equals + 1);
        if (key == L"phase") {
            for (int i = 0; i < 3; ++i) {
                if (value != kPhaseNames[i]) continue;
                record.journal.phase = static_cast<RestorePhase>(i);
                phaseSeen = true;
            }
        } else if (key == L"staging") {
            record.journal.staging = value;
        } else if (key == L"aside") {
            record.journal.aside = value;
        } else if (key == L"folder") {
            record.journal.folder = value;
        } else if (key == L"process") {
            record.process = static_cast<std::uint32_t>(std::wcstoul(value.c_str(), nullptr, 10));
        } else if (key == L"program") {
            record.program = value;
        }
    }
    return phaseSeen && IsOurName(record.journal.staging, kStagingStem) && IsSafeFolder(record.journal.folder) &&
           (record.journal.aside.empty() || IsOurName(record.journal.aside, kAsideStem));
}

// A window that is still restoring (or showing its result before it deletes
// the old data) owns its note; an unattended run started meanwhile leaves it.
bool WriterStillRuns(const JournalRecord& record) {
    if (record.process == 0 || record.process == ReadProcessId()) return false;
    std::vector<ProcessEntry> processes;
    if (!ListProcesses(processes)) return false;
    for (const ProcessEntry& entry : processes)
        if (entry.id == record.process && UpperAsWindows(NamePart(entry.exeFile)) == UpperAsWindows(record.program))
            return true;
    return false;
}

bool Exists(const std::wstring& path) {
    return !path.empty() && LookUpPathKind(path) != PathKind::Missing;
}

// Only what resolves beside the data folder, and never the data folder itself.
void LogUndeleted(const std::wstring& folder, const std::wstring& dataFolder) {
    if (!folder.empty() && !DeleteTreeWithin(folder, RestoreParentFolder(dataFolder), dataFolder).empty())
        AppendToBackupLog(FillPlaceholder(Text(L"LogDeleteIncomplete"), folder));
}

bool IsEmptyFolder(const std::wstring& path) {
    return LookUpPathKind(path) == PathKind::Folder && ListFolder(path, L"*").empty();
}

// A folder the mail client made while the data was aside: removed when it
// holds nothing, otherwise kept beside the data folder under a name of its
// own. For one folder its parents are made, as the restore makes them.
bool ClearDataFolderName(const std::wstring& target, const std::wstring& dataFolder) {
    if (LookUpPathKind(target) == PathKind::Missing)
        return target == dataFolder || CreateFolderPath(RestoreParentFolder(target));
    if (!PathLiesInside(target, dataFolder)) return false;
    if (IsEmptyFolder(target) && RemoveEmptyFolder(target))
        return true;
    const std::wstring parent = RestoreParentFolder(dataFolder);
    const std::wstring kept = FreeSiblingPath(parent, kKeptStem);
    if (kept.empty() || !MoveWithin(target, dataFolder, kept, parent)) return false;
    AppendToBackupLog(FillPlaceholder(Text(L"LogRepairKeptNew"), kept));
    return true;
}

// The note stays, so the next start tries again; the log says where the data is.
void LogStranded(const std::wstring& where) {
    AppendToBackupLog(FillPlaceholder(Text(L"LogRepairStranded"), where));
}

}  // namespace

std::wstring RestoreParentFolder(const std::wstring& dataFolder) {
    const std::size_t slash = dataFolder.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : dataFolder.substr(0, slash + 1);
}

std::wstring FreeSiblingPath(const std::wstring& parent, const std::wstring& stem) {
    for (int n = 1; n <= kMaxSiblingNumber; ++n) {
        const std::wstring path = parent + stem + std::to_wstring(n);
        if (LookUpPathKind(path) == PathKind::Missing) return path;
    }
    return {};
}

std::wstring RestoreJournalPath(const std::wstring& dataFolder) {
    return RestoreParentFolder(dataFolder) + kRestoreJournalName;
}

bool WriteRestoreJournal(const std::wstring& dataFolder, RestorePhase phase, const std::wstring& stagingPath,
                         const std::wstring& asidePath, const std::wstring& folder) {
    const std::wstring text = std::wstring(L"phase=") + kPhaseNames[static_cast<int>(phase)] + L"\r\nstaging=" +
                              NamePart(stagingPath) + L"\r\naside=" + NamePart(asidePath) +
                              (folder.empty() ? L"" : L"\r\nfolder=" + folder) + L"\r\nprocess=" +
                              std::to_wstring(ReadProcessId()) + L"\r\nprogram=" + NamePart(ReadExecutablePath()) +
                              L"\r\n";
    // Written through a flushed temporary and a rename: the note is whole or the earlier one.
    return WriteFileReplacing(RestoreJournalPath(dataFolder), Utf8FromWide(text));
}

bool RestoreJournalExists(const std::wstring& dataFolder) {
    return LookUpPathKind(RestoreJournalPath(dataFolder)) != PathKind::Missing;
}

void RemoveRestoreLeftovers(const std::wstring& dataFolder, const std::wstring& stagingPath,
                            const std::wstring& asidePath) {
    if (Exists(asidePath)) LogUndeleted(asidePath, dataFolder);
    if (Exists(stagingPath)) LogUndeleted(stagingPath, dataFolder);
    DeleteFilePath(RestoreJournalPath(dataFolder));
}

void RepairInterruptedRestore(const std::wstring& dataFolder) {
    const std::wstring journalPath = RestoreJournalPath(dataFolder);
    std::string bytes;
    if (LookUpPathKind(journalPath) != PathKind::File || !ReadWholeFile(journalPath, bytes)) return;
    JournalRecord record;
    const std::wstring parent = RestoreParentFolder(dataFolder);
    if (!ParseJournal(WideFromUtf8(bytes), record)) {
        // Whatever it names may hold the user's data: the note goes only when none of it is there.
        const auto there = [&parent](const std::wstring& name) { return !name.empty() && Exists(parent + name); };
        if (there(record.journal.staging) || there(record.journal.aside))
            AppendToBackupLog(FillPlaceholder(Text(L"LogRepairNoteKept"), journalPath));
        else
            DeleteFilePath(journalPath);
        return;
    }
    if (WriterStillRuns(record)) return;
    const std::wstring staging = parent + record.journal.staging;
    const std::wstring aside = record.journal.aside.empty() ? std::wstring() : parent + record.journal.aside;
    const std::wstring& folder = record.journal.folder;
    const std::wstring below = folder.empty() ? std::wstring() : L"\\" + folder;
    const std::wstring target = dataFolder + below;
    const std::wstring restored = staging + L"\\" + kFolderName + below;
    const bool dataThere = Exists(target);

    bool putRestored = false;
    bool putBack = false;
    const wchar_t* line = L"LogRepairUndone";
    if (record.journal.phase == RestorePhase::Swapping) {
        if (Exists(restored) && (Exists(aside) || !dataThere))
            putRestored = true;  // the data went aside (or is gone): the checked copy belongs in place
        else if (!Exists(restored)) {
            // The checked copy went in. A missing or empty data folder then is
            // none of it (the client made a fresh one): the old data wins.
            putBack = Exists(aside) && (!dataThere || IsEmptyFolder(target));
            line = putBack ? L"LogRepairPutBack" : L"LogRepairCleaned";
        }
    } else if (record.journal.phase == RestorePhase::MovingBack) {
        putBack = Exists(aside);
        if (putBack) line = L"LogRepairPutBack";
    }
    if (putRestored) {
        if (!ClearDataFolderName(target, dataFolder)) {
            LogStranded(Exists(aside) ? aside : restored);
            return;
        }
        if (MoveWithin(restored, staging, target, dataFolder)) {
            line = L"LogRepairFinished";
        } else if (Exists(aside)) {
            putBack = true;
            line = L"LogRepairPutBack";
        } else {
            LogStranded(restored);
            return;
        }
    }
    if (putBack && (!ClearDataFolderName(target, dataFolder) || !MoveWithin(aside, aside, target, dataFolder))) {
        LogStranded(aside);
        return;
    }
    AppendToBackupLog(Text(line));
    RemoveRestoreLeftovers(dataFolder, staging, aside);
}
