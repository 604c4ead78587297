// Full or differential: what the backup folder holds decides what tonight's archive is.
#include "engine/backup/archive_choice.h"

#include "config/language_table.h"
#include "engine/backup/backup_job.h"
#include "engine/console/archive_tool.h"

ArchivePlan FullPlan(const std::wstring& computer, const std::wstring& user, const LocalTime& today,
                     FullReason reason) {
    ArchivePlan plan;
    plan.archiveName = ArchiveName(computer, user, today);
    plan.reason = reason;
    return plan;
}

ArchivePlan ChooseArchive(const std::vector<std::wstring>& names, const std::wstring& computer,
                          const std::wstring& user, const LocalTime& today, int fullEvery,
                          const std::vector<ArchiveProof>& proofs) {
    if (fullEvery <= 0) return FullPlan(computer, user, today, FullReason::FullEveryOff);
    const long todayNumber = DayNumber(today);
    const std::wstring* newest = nullptr;
    long newestDay = 0;
    for (const std::wstring& name : names) {
        ArchiveNameParts parts;
        if (!ParseArchiveName(name, computer, user, parts) || parts.kind != ArchiveKind::Full) continue;
        const long day = DayNumber(parts.day);
        // One dated after today (a clock set back) is nothing to build on.
        if (day > todayNumber || (newest && day <= newestDay)) continue;
        newest = &name;
        newestDay = day;
    }
    ArchivePlan plan = FullPlan(computer, user, today, FullReason::NoFull);
    if (!newest) return plan;
    plan.fullName = *newest;
    const ArchiveProof* proof = FindArchiveProof(proofs, *newest);
    // Today's archive is that full; a differential beside it would give the day two.
    if (newestDay == todayNumber) {
        plan.reason = FullReason::SameDayFull;
    } else if (todayNumber - newestDay >= fullEvery) {
        plan.reason = FullReason::FullTooOld;
    } else if (proof && proof->lacking > 0) {
        // Its differentials would lack the same files for as long as they build on it.
        plan.reason = FullReason::FullLacksFiles;
    } else if (proof && proof->tested && proof->result == ProofResult::Failed) {
        plan.reason = FullReason::FullFailedTest;
    } else {
        ArchiveNameParts full;
        ParseArchiveName(*newest, computer, user, full);
        plan.kind = ArchiveKind::Differential;
        plan.archiveName = DifferentialArchiveName(computer, user, today, full.day);
        plan.reason = FullReason::None;
    }
    return plan;
}

std::wstring FullReasonLogLine(const ArchivePlan& plan, const std::wstring& fullPath) {
    const wchar_t* key = nullptr;
    switch (plan.reason) {
        case FullReason::None:
        case FullReason::FullEveryOff: return {};
        case FullReason::NoFull: key = L"LogFullNoFull"; break;
        case FullReason::FullTooOld: key = L"LogFullTooOld"; break;
        case FullReason::SameDayFull: key = L"LogFullSameDay"; break;
        case FullReason::FullFailedTest: key = L"LogFullFailedTest"; break;
        case FullReason::DifferentialFailed: key = L"LogFullNoDifferential"; break;
        case FullReason::FullLacksFiles: key = L"LogFullLacksFiles"; break;
    }
    return FillPlaceholder(LookUpText(L"LogMessages", key), fullPath);
}
