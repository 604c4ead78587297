// The record beside the archives of when 7-Zip's test last proved each one and which lack files, the choice
// of the archive a night proves again, and what the record says of all kept archives.
#include "engine/backup/archive_proofs.h"

#include <cstdint>
#include <cwchar>
#include <limits>

#include "config/key_value_file.h"
#include "config/language_table.h"
#include "engine/console/archive_names.h"
#include "engine/report/record_time.h"
#include "platform/files.h"
#include "platform/text.h"

namespace {

const wchar_t* const kResultWords[] = {L"passed", L"failed", L"password"};

KeyValueLine Line(KeyValueLineKind kind, const std::wstring& key, const std::wstring& value = {}) {
    KeyValueLine line;
    line.kind = kind;
    line.key = Utf8FromWide(key);
    line.value = Utf8FromWide(value);
    return line;
}

bool SameName(const std::wstring& a, const std::wstring& b) {
    return UpperAscii(a) == UpperAscii(b);
}


// Digits only, at most 9 of them; 0 otherwise.
int ParseLacking(const std::wstring& text) {
    if (text.empty() || text.size() > 9) return 0;
    int value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return 0;
        value = value * 10 + (c - L'0');
    }
    return value;
}

// An archive's entries as the record holds them; the first of a key counts.
struct ProofEntries {
    std::wstring name, tested, result, lacking;
};

ArchiveProof ProofOfEntries(const ProofEntries& entries) {
    ArchiveProof proof{entries.name};
    proof.lacking = ParseLacking(entries.lacking);
    int result = -1;
    for (int i = 0; i < 3; ++i)
        if (entries.result == kResultWords[i]) result = i;
    // A test whose time or result does not read proved nothing.
    proof.tested = result >= 0 && ParseRecordTime(entries.tested, proof.when);
    if (proof.tested) proof.result = static_cast<ProofResult>(result);
    return proof;
}

void KeepFirst(std::wstring& slot, const std::wstring& value, bool& seen) {
    if (!seen) slot = value;
    seen = true;
}

std::wstring FormatShownDay(const LocalTime& t) {
    wchar_t buffer[16];
    std::swprintf(buffer, 16, L"%02d/%02d/%04d", t.month, t.day, t.year);
    return buffer;
}

}  // namespace

std::string ProofRecordBytes(const std::vector<ArchiveProof>& proofs) {
    std::vector<KeyValueLine> lines;
    for (const ArchiveProof& proof : proofs) {
        lines.push_back(Line(KeyValueLineKind::Group, proof.name));
        if (proof.tested) {
            lines.push_back(Line(KeyValueLineKind::Entry, L"Tested", FormatRecordTime(proof.when)));
            lines.push_back(Line(KeyValueLineKind::Entry, L"Result", kResultWords[static_cast<int>(proof.result)]));
        }
        if (proof.lacking > 0)
            lines.push_back(Line(KeyValueLineKind::Entry, L"Lacking", std::to_wstring(proof.lacking)));
    }
    return SerializeKeyValueLines(lines);
}

std::vector<ArchiveProof> ParseProofRecord(const std::string& bytes) {
    std::vector<ArchiveProof> proofs;
    ProofEntries entries;
    bool inGroup = false, seen[3] = {};
    const auto finish = [&] {
        // A name twice: the first counts, as a key/value reader finds the first group.
        if (inGroup && !entries.name.empty() && !FindArchiveProof(proofs, entries.name))
            proofs.push_back(ProofOfEntries(entries));
    };
    for (const KeyValueLine& line : ParseKeyValueBytes(bytes)) {
        const std::wstring key = WideFromUtf8(line.key), value = WideFromUtf8(line.value);
        if (line.kind == KeyValueLineKind::Group) {
            finish();
            entries = ProofEntries{};
            entries.name = key;
            inGroup = true;
            seen[0] = seen[1] = seen[2] = false;
        } else if (line.kind == KeyValueLineKind::Entry && inGroup) {
            if (SameName(key, L"Tested")) KeepFirst(entries.tested, value, seen[0]);
            if (SameName(key, L"Result")) KeepFirst(entries.result, value, seen[1]);
            if (SameName(key, L"Lacking")) KeepFirst(entries.lacking, value, seen[2]);
        }
    }
    finish();
    return proofs;
}

std::vector<ArchiveProof> ReadProofRecord(const std::wstring& backupFolder) {
    std::string bytes;
    const std::wstring folder = WithoutTrailingSeparators(backupFolder);
    if (folder.empty() || !ReadWholeFile(JoinPath(folder, kProofRecordName), bytes)) return {};
    return ParseProofRecord(bytes);
}

bool WriteProofRecord(const std::wstring& backupFolder, const std::vector<ArchiveProof>& proofs) {
    const std::wstring folder = WithoutTrailingSeparators(backupFolder);
    return !folder.empty() && WriteFileReplacing(JoinPath(folder, kProofRecordName), ProofRecordBytes(proofs));
}

const ArchiveProof* FindArchiveProof(const std::vector<ArchiveProof>& proofs, const std::wstring& name) {
    for (const ArchiveProof& proof : proofs)
        if (SameName(proof.name, name)) return &proof;
    return nullptr;
}

ArchiveProof& ArchiveProofOf(std::vector<ArchiveProof>& proofs, const std::wstring& name) {
    for (ArchiveProof& proof : proofs)
        if (SameName(proof.name, name)) return proof;
    proofs.push_back(ArchiveProof{name});
    return proofs.back();
}

void ForgetGoneArchives(std::vector<ArchiveProof>& proofs, const std::vector<OwnArchive>& own,
                        const std::wstring& computer, const std::wstring& user) {
    std::vector<ArchiveProof> kept;
    for (const ArchiveProof& proof : proofs) {
        ArchiveNameParts parts;
        bool present = !ParseArchiveName(proof.name, computer, user, parts);
        for (const OwnArchive& archive : own) present = present || SameName(archive.name, proof.name);
        if (present) kept.push_back(proof);
    }
    proofs = kept;
}

std::wstring ChooseArchiveToProve(const std::vector<OwnArchive>& own, const std::vector<ArchiveProof>& proofs,
                                  const std::wstring& tonight, const LocalTime& nightStart) {
    const std::int64_t start = RecordSeconds(nightStart);
    const OwnArchive* chosen = nullptr;
    std::int64_t chosenTested = 0;
    bool chosenNeeded = false;
    for (const OwnArchive& archive : own) {
        if (SameName(archive.name, tonight)) continue;
        const ArchiveProof* proof = FindArchiveProof(proofs, archive.name);
        const std::int64_t tested =
            proof && proof->tested ? RecordSeconds(proof->when) : std::numeric_limits<std::int64_t>::min();
        if (proof && proof->tested && tested >= start) continue;
        bool needed = false;
        for (const OwnArchive& other : own)
            needed =
                needed || (archive.parts.kind == ArchiveKind::Full && other.parts.kind == ArchiveKind::Differential &&
                           DayNumber(other.parts.fullDay) == DayNumber(archive.parts.day));
        const bool better = !chosen || tested < chosenTested ||
                            (tested == chosenTested && needed != chosenNeeded && needed) ||
                            (tested == chosenTested && needed == chosenNeeded &&
                             DayNumber(archive.parts.day) < DayNumber(chosen->parts.day));
        if (!better) continue;
        chosen = &archive;
        chosenTested = tested;
        chosenNeeded = needed;
    }
    return chosen ? chosen->name : std::wstring();
}

std::wstring ProofSummaryText(const std::vector<OwnArchive>& own, const std::vector<ArchiveProof>& proofs) {
    if (own.empty()) return {};
    int proven = 0;
    LocalTime oldest;
    for (const OwnArchive& archive : own) {
        const ArchiveProof* proof = FindArchiveProof(proofs, archive.name);
        if (!proof || !proof->tested || proof->result != ProofResult::Passed) continue;
        if (proven == 0 || RecordSeconds(proof->when) < RecordSeconds(oldest)) oldest = proof->when;
        ++proven;
    }
    if (proven == 0)
        return FillPlaceholder(LookUpText(L"MainWindow", L"ArchivesUnproven"), std::to_wstring(own.size()));
    return FillPlaceholders(LookUpText(L"MainWindow", L"ArchivesProven"),
                            {std::to_wstring(proven), std::to_wstring(own.size()), FormatShownDay(oldest)});
}
