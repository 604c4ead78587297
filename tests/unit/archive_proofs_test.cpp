// The proof record beside the archives: its bytes, a damaged one, the archive a night proves again and the summary.
#include "engine/backup/archive_proofs.h"

#include <gtest/gtest.h>

#include "config/language_table.h"

namespace {

const std::wstring kFull1 = L"LarkmailBackup_PC1_anna_20261201.7z";
const std::wstring kDiff3 = L"LarkmailBackup_PC1_anna_20261203_diff_20261201.7z";
const std::wstring kFull5 = L"LarkmailBackup_PC1_anna_20261205.7z";
const std::wstring kDiff6 = L"LarkmailBackup_PC1_anna_20261206_diff_20261205.7z";
const std::wstring kTonight = L"LarkmailBackup_PC1_anna_20261207_diff_20261205.7z";
const LocalTime kNight{2026, 12, 7, 2, 0, 0};

ArchiveProof Proof(const std::wstring& name, int day, ProofResult result = ProofResult::Passed, int lacking = 0) {
    ArchiveProof proof{name};
    proof.tested = day > 0;
    proof.when = LocalTime{2026, 12, day > 0 ? day : 1, 2, 0, 5};
    proof.result = result;
    proof.lacking = lacking;
    return proof;
}

std::string Bytes(const std::string& text) { return "\xEF\xBB\xBF\r\n" + text; }

// The names of the folder that are this computer's and user's archives, as the listing gives them.
std::vector<OwnArchive> Own(const std::vector<std::wstring>& names) {
    std::vector<OwnArchive> own;
    for (const std::wstring& name : names) {
        OwnArchive archive{name, {}};
        if (ParseArchiveName(name, L"PC1", L"anna", archive.parts)) own.push_back(archive);
    }
    return own;
}

TEST(ProofRecord, WrittenAndReadBackAndADamagedOneReadAsFarAsItMakesSense) {
    const std::vector<ArchiveProof> proofs = {Proof(kFull1, 3), Proof(kDiff3, 0, ProofResult::Passed, 2),
                                              Proof(kFull5, 6, ProofResult::Failed),
                                              Proof(L"LarkmailBackup_PC2_bob_20261201.7z", 4, ProofResult::WrongPassword)};
    const std::string written = Bytes(
        "[LarkmailBackup_PC1_anna_20261201.7z]\r\nTested = 2026-12-03 02:00:05\r\nResult = passed\r\n"
        "[LarkmailBackup_PC1_anna_20261203_diff_20261201.7z]\r\nLacking = 2\r\n"
        "[LarkmailBackup_PC1_anna_20261205.7z]\r\nTested = 2026-12-06 02:00:05\r\nResult = failed\r\n"
        "[LarkmailBackup_PC2_bob_20261201.7z]\r\nTested = 2026-12-04 02:00:05\r\nResult = password\r\n");
    EXPECT_EQ(ProofRecordBytes(proofs), written);
    EXPECT_EQ(ProofRecordBytes(ParseProofRecord(written)), written);
    EXPECT_EQ(ProofRecordBytes({}), Bytes(""));

    struct Case {
        const char* what;
        std::string bytes;
        std::string readAs;  // the record's bytes once read and written again
    };
    const std::string full1 = "[LarkmailBackup_PC1_anna_20261201.7z]\r\n";
    const Case cases[] = {
        {"empty", "", Bytes("")},
        {"no byte-order mark", "[a.7z]\nTested = 2026-12-03 02:00:05\nResult = failed\n",
         Bytes("[a.7z]\r\nTested = 2026-12-03 02:00:05\r\nResult = failed\r\n")},
        {"garbage", "\x01\x02\xff\xfe garbage = = [", Bytes("")},
        {"entries before any group", Bytes("Tested = 2026-12-03 02:00:05\r\n" + full1), Bytes(full1)},
        {"a bad time: never tested", Bytes(full1 + "Tested = 2026-13-03 02:00:05\r\nResult = passed\r\n"), Bytes(full1)},
        {"cut in the middle", Bytes(full1 + "Tested = 2026-12-03 02:0"), Bytes(full1)},
        {"an unknown result: never tested", Bytes(full1 + "Tested = 2026-12-03 02:00:05\r\nResult = great\r\n"),
         Bytes(full1)},
        {"a key twice: the first counts",
         Bytes(full1 + "Result = failed\r\nTested = 2026-12-03 02:00:05\r\nResult = passed\r\n"),
         Bytes(full1 + "Tested = 2026-12-03 02:00:05\r\nResult = failed\r\n")},
        {"lacking that is no count", Bytes(full1 + "Lacking = -3\r\n[b.7z]\r\nLacking = 1e3\r\n"),
         Bytes(full1 + "[b.7z]\r\n")},
        {"the same name twice: the first counts",
         Bytes(full1 + "Lacking = 1\r\n[larkmailbackup_pc1_anna_20261201.7z]\r\nLacking = 5\r\n"),
         Bytes(full1 + "Lacking = 1\r\n")},
        {"an empty name", Bytes("[]\r\nLacking = 4\r\n" + full1), Bytes(full1)},
    };
    for (const Case& c : cases) EXPECT_EQ(ProofRecordBytes(ParseProofRecord(c.bytes)), c.readAs) << c.what;
}

TEST(ChooseArchiveToProve, NeverTestedFirstThenTheOldestTestFullsTheirDifferentialsNeedBeforeEquals) {
    const std::vector<std::wstring> all = {kFull1, kDiff3, kFull5, kDiff6, kTonight, L"notes.7z",
                                           L"LarkmailBackup_PC1_bob_20261101.7z"};
    struct Case {
        const char* what;
        std::vector<std::wstring> names;
        std::vector<ArchiveProof> proofs;
        std::wstring chosen;
    };
    const Case cases[] = {
        // None tested: the fulls come first, the older one first.
        {"never tested", all, {}, kFull1},
        {"never tested beats any test", all, {Proof(kFull1, 6), Proof(kFull5, 6), Proof(kDiff6, 5)}, kDiff3},
        {"the oldest test", all, {Proof(kFull1, 6), Proof(kDiff3, 4), Proof(kFull5, 5), Proof(kDiff6, 3)}, kDiff6},
        // Tested the same night: a full its differentials need goes before them and before an unneeded full.
        {"full before its differentials", all, {Proof(kFull1, 5), Proof(kDiff3, 4), Proof(kFull5, 4), Proof(kDiff6, 4)},
         kFull5},
        {"an unneeded full is an equal", {kFull1, kFull5, kDiff6, kTonight},
         {Proof(kFull1, 4), Proof(kFull5, 4), Proof(kDiff6, 4)}, kFull5},
        {"a failed archive takes its turn again", all,
         {Proof(kFull1, 6), Proof(kDiff3, 6), Proof(kFull5, 2, ProofResult::Failed), Proof(kDiff6, 6)}, kFull5},
        // The record's entries of archives gone since choose nothing.
        {"archive gone since", {kFull5, kTonight},
         {Proof(kFull1, 0), Proof(kDiff3, 0), Proof(kFull5, 6)}, kFull5},
        // Tested tonight already (a differential's full before it was built on): not again.
        {"tested tonight", {kFull5, kDiff6, kTonight}, {Proof(kFull5, 7), Proof(kDiff6, 6)}, kDiff6},
        {"nothing but tonight's", {kTonight, L"LarkmailBackup_PC2_anna_20261201.7z"}, {}, L""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChooseArchiveToProve(Own(c.names), c.proofs, kTonight, kNight), c.chosen) << c.what;
}

TEST(ProofSummary, HowTheKeptArchivesWereProven) {
    LoadLanguageTable(ProcessLanguageTable(), L"");
    const std::vector<std::wstring> names = {kFull1, kDiff3, kFull5, kDiff6, L"LarkmailBackup_PC2_anna_20261201.7z"};
    struct Case {
        std::vector<ArchiveProof> proofs;
        std::wstring text;
    };
    const Case cases[] = {
        {{}, L"Archives proven by a test: 0 of 4 kept."},
        {{Proof(kFull1, 6), Proof(kDiff3, 4), Proof(kFull5, 5), Proof(kDiff6, 3)},
         L"Archives proven by a test: 4 of 4 kept, the oldest proof on 12/03/2026."},
        // Failed, made with another password, never tested, or another user's: not proven.
        {{Proof(kFull1, 6), Proof(kDiff3, 4, ProofResult::Failed), Proof(kFull5, 5, ProofResult::WrongPassword),
          Proof(L"LarkmailBackup_PC2_anna_20261201.7z", 1)},
         L"Archives proven by a test: 1 of 4 kept, the oldest proof on 12/06/2026."},
    };
    for (const Case& c : cases) EXPECT_EQ(ProofSummaryText(Own(names), c.proofs), c.text);
    EXPECT_EQ(ProofSummaryText(Own({L"notes.txt"}), {}), L"");
}

}  // namespace
