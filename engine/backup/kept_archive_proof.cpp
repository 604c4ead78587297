// After the night's archive: the record beside the archives notes it, and a success proves one older archive again.
#include "engine/backup/kept_archive_proof.h"

#include "config/language_table.h"
#include "engine/backup/archive_proofs.h"
#include "engine/backup/own_archives.h"
#include "engine/report/backup_log.h"
#include "platform/system.h"
#include "platform/text.h"

namespace {

// A run that hung or never started proves nothing either way. True when it failed.
bool NoteTest(std::vector<ArchiveProof>& proofs, const std::wstring& name, const ToolOutcome& test) {
    if (!test.started || test.hung) return false;
    ArchiveProof& proof = ArchiveProofOf(proofs, name);
    proof.tested = true;
    proof.when = ReadLocalTime();
    // Made with another password: not proven, yet nothing says it is damaged.
    proof.result = test.exitCode == 0   ? ProofResult::Passed
                   : test.wrongPassword ? ProofResult::WrongPassword
                                        : ProofResult::Failed;
    return proof.result == ProofResult::Failed;
}

void AddNote(BackupResult& result, const wchar_t* code, const std::wstring& detail) {
    AppendToBackupLog(FillPlaceholder(LookUpText(L"LogMessages", code), detail));
    result.notes.push_back({code, detail});
}

// Reported like a failure: the log, the record's notes (the last-result line, the balloon), and what it takes with it.
void NoteFailedArchive(const BackupRequest& request, const std::vector<OwnArchive>& own, const OwnArchive& failed,
                       BackupResult& result) {
    AddNote(result, L"LogProofFailed", request.backupFolder + failed.name);
    if (failed.parts.kind != ArchiveKind::Full) return;
    std::wstring lost;
    for (const std::wstring& name : FindDifferentialsOf(own, failed.parts.day, request.today))
        lost += (lost.empty() ? L"" : L", ") + request.backupFolder + name;
    if (!lost.empty()) AddNote(result, L"LogDiffsLost", lost);
}

}  // namespace

void ProveKeptArchives(const BackupRequest& request, BackupResult& result, const JobWindow& window) {
    if (result.status != BackupStatus::Success && result.status != BackupStatus::MissingFiles) return;
    const std::vector<OwnArchive> own = ListOwnArchives(request.backupFolder, request.computer, request.user);
    std::vector<ArchiveProof> proofs = ReadProofRecord(request.backupFolder);
    const std::wstring tonight = FileNameOf(result.archivePath);
    // A new archive under the name: what the record knew of the one it replaced is gone.
    ArchiveProof& mine = ArchiveProofOf(proofs, tonight);
    mine = ArchiveProof{tonight};
    if (result.status == BackupStatus::MissingFiles) mine.lacking = result.tool.unreadCount;
    NoteTest(proofs, tonight, result.test);
    // A differential's full, tested before it was built on; a damaged one the night has reported already.
    if (!result.testedFull.empty()) NoteTest(proofs, result.testedFull, result.fullTest);

    const std::wstring chosen = result.status == BackupStatus::Success
                                    ? ChooseArchiveToProve(own, proofs, tonight, request.today)
                                    : std::wstring();
    for (const OwnArchive& archive : own) {
        if (archive.name != chosen) continue;
        if (window.showStatus) window.showStatus(LookUpText(L"Messages", L"StatusProve"));
        const bool withPassword = !request.password.empty();
        const ToolOutcome test = RunArchiveTool(
            BuildTestParameters(request.backupFolder + archive.name, withPassword), request.password, window);
        if (NoteTest(proofs, archive.name, test)) NoteFailedArchive(request, own, archive, result);
    }
    ForgetGoneArchives(proofs, own, request.computer, request.user);
    WriteProofRecord(request.backupFolder, proofs);
}
