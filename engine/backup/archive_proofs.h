// The record beside the archives of when 7-Zip's test last proved each one and which lack files, the choice
// of the archive a night proves again, and what the record says of all kept archives.
#pragma once
#include <string>
#include <vector>

#include "engine/backup/own_archives.h"
#include "platform/system.h"

// In the backup folder; its name is no "LarkmailBackup_*" archive's or temporary's.
constexpr wchar_t kProofRecordName[] = L"LarkmailBackup.proofs";

enum class ProofResult { Passed, Failed, WrongPassword };

struct ArchiveProof {
    std::wstring name;  // the archive's file name; its group in the record
    bool tested = false;
    LocalTime when{};   // the last test
    ProofResult result = ProofResult::Passed;
    int lacking = 0;    // files 7-Zip could not read when it made the archive
};

// BOM, CR LF, then per archive "[name]" and Tested, Result (passed, failed,
// password) when tested, Lacking when above 0.
std::string ProofRecordBytes(const std::vector<ArchiveProof>& proofs);
// A damaged record is read as far as it makes sense: a group whose entries
// do not read counts as never tested and complete.
std::vector<ArchiveProof> ParseProofRecord(const std::string& bytes);
std::vector<ArchiveProof> ReadProofRecord(const std::wstring& backupFolder);
// Through a flushed temporary and a rename, as the settings file.
bool WriteProofRecord(const std::wstring& backupFolder, const std::vector<ArchiveProof>& proofs);
// The archive's entry (name compared as Windows does), or null.
const ArchiveProof* FindArchiveProof(const std::vector<ArchiveProof>& proofs, const std::wstring& name);
// The archive's entry, added when missing.
ArchiveProof& ArchiveProofOf(std::vector<ArchiveProof>& proofs, const std::wstring& name);
// Entries of this computer's and user's archives that `own` no longer holds go; others' stay.
void ForgetGoneArchives(std::vector<ArchiveProof>& proofs, const std::vector<OwnArchive>& own,
                        const std::wstring& computer, const std::wstring& user);

// The kept archive of ours that a night proves again: never tested first,
// then the one tested longest ago; between equals a full that kept
// differentials need, then the older day. Never `tonight` (the night's own,
// tested as it was made), nor one tested since `nightStart`. Empty: none.
std::wstring ChooseArchiveToProve(const std::vector<OwnArchive>& own, const std::vector<ArchiveProof>& proofs,
                                  const std::wstring& tonight, const LocalTime& nightStart);
// The tool tip's line of how many of our kept archives passed their last
// test and when the oldest of those tests was; empty when none is kept.
std::wstring ProofSummaryText(const std::vector<OwnArchive>& own, const std::vector<ArchiveProof>& proofs);
