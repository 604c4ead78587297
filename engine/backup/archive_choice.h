// Full or differential: what the backup folder holds decides what tonight's archive is.
#pragma once
#include <string>
#include <vector>

#include "engine/backup/archive_proofs.h"
#include "engine/console/archive_names.h"

// Why a full archive is made (None: a differential is).
enum class FullReason {
    None,
    FullEveryOff,
    NoFull,
    FullTooOld,
    SameDayFull,
    FullFailedTest,
    DifferentialFailed,
    FullLacksFiles,
};

struct ArchivePlan {
    ArchiveKind kind = ArchiveKind::Full;
    std::wstring archiveName;  // the day's archive this run writes
    std::wstring fullName;     // a differential's full, as it lies in the folder
    FullReason reason = FullReason::FullEveryOff;
};

// `names`: the backup folder's file names. With fullEvery > 0 a differential
// against the newest full of this computer and user, when that full is dated
// before today and fewer than fullEvery days ago, and `proofs` say neither
// that it lacks files nor that it failed its last test; otherwise a full.
ArchivePlan ChooseArchive(const std::vector<std::wstring>& names, const std::wstring& computer,
                          const std::wstring& user, const LocalTime& today, int fullEvery,
                          const std::vector<ArchiveProof>& proofs = {});
// The plan turned into a full for `reason`.
ArchivePlan FullPlan(const std::wstring& computer, const std::wstring& user, const LocalTime& today,
                     FullReason reason);
// The log line that says why a full is made; empty for FullEveryOff and None.
std::wstring FullReasonLogLine(const ArchivePlan& plan, const std::wstring& fullPath);
