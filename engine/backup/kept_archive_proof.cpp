// After the night's archive: the record beside the archives notes it, and a success proves one older archive again.
#include "engine/backup/kept_archive_proof.h"

#include "config/language_table.h"
#include "engine/backup/archive_proofs.h"
#include "engine/report/backup_log.h"
#include "platform/system.h"
#include "platform/text.h"

namespace {

// A run that hung or never started proves nothing either way.
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

void NameFailedArchive(BackupResult& result, const std::vector<std::wstring>& names, const BackupRequest& request,
                       const std::wstring& name) {
    if (!result.failedArchive.empty()) return;  // the night's first failure is the one the record keeps
    result.failedArchive = name;
    result.failedDependents = DependentDifferentials(names, request.computer, request.user, name);
}

}  // namespace

void ProveKeptArchives(const BackupRequest& request, BackupResult& result, const JobWindow& window) {
    if (result.status != BackupStatus::Success && result.status != BackupStatus::MissingFiles) return;
    const std::vector<std::wstring> names = ListArchiveNames(request.backupFolder);
    std::vector<ArchiveProof> proofs = ReadProofRecord(request.backupFolder);
    const std::wstring tonight = FileNameOf(result.archivePath);
    // A new archive under the name: what the record knew of the one it replaced is gone.
    ArchiveProof& own = ArchiveProofOf(proofs, tonight);
    own = ArchiveProof{tonight};
    if (result.status == BackupStatus::MissingFiles) own.lacking = result.tool.unreadCount;
    NoteTest(proofs, tonight, result.test);
    // Its failure was logged when the night chose a full instead.
    if (!result.testedFull.empty() && NoteTest(proofs, result.testedFull, result.fullTest))
        NameFailedArchive(result, names, request, result.testedFull);

    const std::wstring chosen =
        result.status == BackupStatus::Success
            ? ChooseArchiveToProve(names, request.computer, request.user, proofs, tonight, request.today)
            : std::wstring();
    if (!chosen.empty()) {
        if (window.showStatus) window.showStatus(LookUpText(L"Messages", L"StatusProve"));
        const bool withPassword = !request.password.empty();
        const ToolOutcome test = RunArchiveToolToEnd(BuildTestParameters(request.backupFolder + chosen, withPassword),
                                                     request.password, window);
        if (NoteTest(proofs, chosen, test)) {
            const std::vector<std::wstring> dependents =
                DependentDifferentials(names, request.computer, request.user, chosen);
            std::wstring list;
            for (const std::wstring& name : dependents) list += (list.empty() ? L"" : L", ") + name;
            AppendToBackupLog(FillPlaceholders(
                LookUpText(L"LogMessages", dependents.empty() ? L"LogProofFailed" : L"LogProofFailedNeeded"),
                {chosen, list}));
            NameFailedArchive(result, names, request, chosen);
        }
    }
    ForgetGoneArchives(proofs, names, request.computer, request.user);
    WriteProofRecord(request.backupFolder, proofs);
}
