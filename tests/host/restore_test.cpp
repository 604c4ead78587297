// The restore over the fake platform: questions, requester, the archive check, staging, the swap, and failures that leave the data as it was.
#include "ui/restore_flow.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <map>

#include "config/language_table.h"
#include "engine/console/archive_listing.h"
#include "engine/console/tool_watch.h"
#include "engine/guard/folder_tree.h"
#include "engine/restore/extraction_check.h"
#include "engine/restore/restore_job.h"
#include "platform/dialogs.h"
#include "platform/fake/fake_platform.h"
#include "platform/files.h"
#include "platform/text.h"
#include "ui/main_window.h"
#include "ui/password_flow.h"
#include "ui/restore_dialog.h"
#include "tests/unit/seven_zip_bytes.h"

namespace {

const std::wstring kParent = L"C:\\Users\\anna\\AppData\\Local\\";
const std::wstring kData = kParent + L"Larkmail";
const std::wstring kStaging = kParent + L"Larkmail.restore-1";
const std::wstring kArchive = L"D:\\My Backups\\LarkmailBackup_PC1_anna_20261207.7z";
const std::wstring kList = L"\"C:\\work\\7z.exe\" l -slt -sccUTF-8 \"" + kArchive + L"\"";
const std::wstring kExtract = L"\"C:\\work\\7z.exe\" x -o" + kStaging + L"\\ -bsp1 \"" + kArchive + L"\"";
const std::wstring kStamp = L" 12/07/2026 15:35:01\r\n";

struct Item {
    std::wstring path;
    std::string bytes;  // folders: empty and `folder`
    bool folder = false;
};

const std::vector<Item> kBackup = {
    {L"Larkmail", "", true},
    {L"Larkmail\\Mail", "", true},
    {L"Larkmail\\Mail\\inbox.db", "new mail", false},
    {L"Larkmail\\prefs.js", "new prefs", false},
    {L"Larkmail\\Empty", "", true},
};

// Bit by bit, unlike the program's table: the two must agree.
std::wstring CrcText(const std::string& bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ ((crc & 1u) ? 0xEDB88320u : 0u);
    }
    wchar_t text[9];
    std::swprintf(text, 9, L"%08X", ~crc);
    return text;
}

std::vector<std::wstring> ListingLines(const std::vector<Item>& items, bool encrypted = false) {
    std::vector<std::wstring> lines = {L"", L"7-Zip 25.01 (x64)", L"", L"Listing archive: " + kArchive, L"", L"--",
                                       L"Path = " + kArchive, L"Type = 7z", L"", L"----------"};
    for (const Item& item : items) {
        lines.push_back(L"Path = " + item.path);
        lines.push_back(L"Folder = " + std::wstring(item.folder ? L"+" : L"-"));
        lines.push_back(L"Size = " + std::to_wstring(item.bytes.size()));
        lines.push_back(std::wstring(L"Attributes = ") + (item.folder ? L"D" : L"A"));
        lines.push_back(L"CRC = " + (item.folder || item.bytes.empty() ? L"" : CrcText(item.bytes)));
        lines.push_back(std::wstring(L"Encrypted = ") + (encrypted && !item.folder ? L"+" : L"-"));
        lines.push_back(L"");
    }
    return lines;
}

void Unpack(const std::vector<Item>& items) {
    for (const Item& item : items) {
        if (item.folder)
            SetFakeFolder(kStaging + L"\\" + item.path);
        else
            SetFakeFile(kStaging + L"\\" + item.path, item.bytes);
    }
}

// Polls enough for days of fake time: a 7-Zip that never ends by itself.
constexpr int kHangs = 10000000;

void ScriptListing(const std::vector<Item>& items, long exitCode = 0, bool starts = true, int polls = 0) {
    FakeProgramScript list;
    list.starts = starts;
    list.exitCode = exitCode;
    list.pollsWhileRunning = polls;
    list.outputLines = ListingLines(items);
    ScriptFakeProgram(L"\"C:\\work\\7z.exe\" l ", list);
}

void ScriptExtraction(const std::vector<Item>& written, long exitCode = 0, std::function<void()> also = {},
                      std::vector<std::string> output = {}, int polls = 3) {
    FakeProgramScript extract;
    extract.exitCode = exitCode;
    extract.pollsWhileRunning = polls;
    extract.outputPieces = std::move(output);
    extract.onStart = [written, also] {
        Unpack(written);
        if (also) also();
    };
    ScriptFakeProgram(L"\"C:\\work\\7z.exe\" x ", extract);
}

// Everything below the data folder's parent: path -> bytes ("<folder>" for folders).
std::map<std::wstring, std::string> ParentTree() {
    std::map<std::wstring, std::string> tree;
    for (const std::wstring& path : FakePaths()) {
        if (path.compare(0, kParent.size(), kParent) != 0) continue;
        tree[path] = LookUpPathKind(path) == PathKind::Folder ? "<folder>" : FakeFileBytes(path);
    }
    return tree;
}

std::wstring LogText() {
    return WideFromUtf8(FakeFileBytes(L"Backup.log"));
}

std::vector<std::wstring> StartLines() {
    std::vector<std::wstring> lines;
    for (const FakeStart& start : FakeStarts()) lines.push_back(start.commandLine);
    return lines;
}

std::vector<unsigned> BoxTypes() {
    std::vector<unsigned> types;
    for (const FakeBox& box : FakeBoxes()) types.push_back(box.type);
    return types;
}

class RestoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetFakePlatform();
        ResetFakeWindow();
        LoadLanguageTable(ProcessLanguageTable(), L"");
        ProcessWindowState() = MainWindowState{};
        ProcessWindowState().backupPath = L"D:\\My Backups\\";
        ProcessWindowState().dataFolder = kData;
        SetFakeFile(kData + L"\\prefs.js", "old prefs");
        SetFakeFile(kData + L"\\Mail\\inbox.db", "old mail");
        SetFakeFile(kData + L"\\Mail\\read only.msf", "index");
        SetFakeReadOnly(kData + L"\\Mail\\read only.msf", true);
        SetFakeFile(kArchive, "7z archive");
        OpenMainWindow(L"Larkmail Backup", 500, 200, true);
        CreateStatusBar(500);
        before = ParentTree();
    }
    // Yes to both questions, the archive from the requester, Everything in the dialog.
    void AnswerEverything() {
        QueueFakeAnswer(true);
        QueueFakeRequesterAnswer(kArchive);
        QueueFakeEvent(kEventControl, kButtonRestoreChosen);
        QueueFakeAnswer(true);
    }
    std::map<std::wstring, std::string> before;
};

TEST_F(RestoreTest, FileCrcMatchesTheStandardCheckValueAcrossPieces) {
    std::uint32_t crc = 0;
    SetFakeFile(L"C:\\check.txt", "123456789");
    ASSERT_TRUE(FileCrc32(L"C:\\check.txt", crc));
    EXPECT_EQ(crc, 0xCBF43926u);
    const std::string big(3 * 1024 * 1024 + 5, 'x');  // more than one piece
    SetFakeFile(L"C:\\big.bin", big);
    ASSERT_TRUE(FileCrc32(L"C:\\big.bin", crc));
    wchar_t text[9];
    std::swprintf(text, 9, L"%08X", crc);
    EXPECT_EQ(text, CrcText(big));
    EXPECT_FALSE(FileCrc32(L"C:\\missing.bin", crc));
}

TEST_F(RestoreTest, ReplacesTheDataFolderWithTheArchivesLarkmailFolder) {
    // No backup may replace or remove the archive while it is read.
    const std::wstring lock = L"D:\\My Backups\\LarkmailBackup.lock";
    bool lockedWhileExtracting = false;
    ScriptListing(kBackup);
    ScriptExtraction(kBackup, 0, [&] { lockedWhileExtracting = FakeFileExists(lock); }, {"\nExtracting archive: x.7z\n", "", " 12% 1 - Larkmail\\prefs.js", "",
                                      "\b\b\b\b\b\b\b\b\b 12% 2", "\b\b\b\b\b\b 97% 3"});
    AnswerEverything();
    QueueFakeEvent(kEventControl, 11);  // clicks while 7-Zip works are dropped
    QueueFakeEvent(kEventClose, kMainWindow);
    RunRestore();

    std::map<std::wstring, std::string> expected = {
        {kData, "<folder>"},
        {kData + L"\\Mail", "<folder>"},
        {kData + L"\\Mail\\inbox.db", "new mail"},
        {kData + L"\\prefs.js", "new prefs"},
        {kData + L"\\Empty", "<folder>"},
    };
    EXPECT_EQ(ParentTree(), expected);  // no staging, no old data, no note left
    // Each restored file once, after its check, before the swap.
    EXPECT_EQ(FakeFlushedFiles(), std::vector<std::wstring>({kStaging + L"\\Larkmail\\Mail\\inbox.db",
                                                             kStaging + L"\\Larkmail\\prefs.js"}));
    EXPECT_EQ(StartLines(), std::vector<std::wstring>({kList, kExtract}));
    EXPECT_TRUE(lockedWhileExtracting);
    EXPECT_FALSE(FakeFileExists(lock));
    EXPECT_TRUE(FakeStarts()[0].options.readOutput);
    EXPECT_TRUE(FakeStarts()[1].options.hidden);
    EXPECT_FALSE(FakeStarts()[1].options.wait);  // waited for through the window instead
    EXPECT_EQ(FakeOpenPrograms(), 0);

    const std::vector<FakeBox> boxes = FakeBoxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].title, L"Restore");
    EXPECT_EQ(boxes[0].text, L"Are you sure you wish to restore from a backup?");
    EXPECT_EQ(boxes[1].title, L"Warning");
    EXPECT_EQ(boxes[1].text, L"This will overwrite your current Larkmail Data. Are you sure you wish to continue?");
    EXPECT_EQ(boxes[2].title, L"Success");
    EXPECT_EQ(boxes[2].text, L"Restore Completed");
    EXPECT_EQ(BoxTypes(), std::vector<unsigned>({kBoxQuestionYesNo, kBoxWarningYesNo, kBoxInformationOk}));

    ASSERT_EQ(FakeRequests().size(), 1u);
    const FakeRequest request = FakeRequests()[0];
    EXPECT_FALSE(request.folder);
    EXPECT_EQ(request.title, L"Select backup to restore:");
    EXPECT_EQ(request.initialFolder, L"D:\\My Backups\\");
    EXPECT_EQ(request.filter, L"7-Zip (*.7z)|*.7z");

    // The figure as it changes; no dots.
    EXPECT_EQ(FakeWindowState().statusHistory,
              std::vector<std::wstring>({L"Please Wait.....restoring data", L"Please Wait.....restoring data 12 %",
                                         L"Please Wait.....restoring data 97 %", L"Ready"}));
    EXPECT_EQ(LogText(), L"Restore Successful." + kStamp);
    // The files were checked while 7-Zip ran; a wait that did not block came
    // only after a piece of checking that moved on, never as a spin.
    std::size_t zero = 0;
    std::vector<std::uint32_t> waits = FakeWaitTimeouts();
    ASSERT_FALSE(waits.empty());
    EXPECT_EQ(waits[0], kWaitForever);  // the dialog's, for the user's choice
    waits.erase(waits.begin());
    for (std::uint32_t timeout : waits) {
        // Otherwise it blocks, bounded only by what is left of 7-Zip's silence limit.
        EXPECT_TRUE(timeout == 0 || (timeout > kToolSilenceLimitMs - 60000 && timeout <= kToolSilenceLimitMs)) << timeout;
        zero += timeout == 0;
    }
    EXPECT_GE(zero, 1u);
    EXPECT_LE(zero, kBackup.size());
}

// A new computer or a dead disk: the requester opens in the second copy's folder.
TEST_F(RestoreTest, TheRequesterOpensInTheBackupFolderOrElseInTheSecondCopys) {
    const struct {
        const char* what;
        std::wstring copy;
        std::function<void()> arrange;
        std::wstring opened;
    } cases[] = {
        {"both there", L"\\\\nas\\copy\\", [] { SetFakeFolder(L"\\\\nas\\copy"); }, L"D:\\My Backups\\"},
        {"the backup folder gone", L"\\\\nas\\copy\\", [] {
             ResetFakePlatform();
             SetFakeFolder(L"\\\\nas\\copy");
         },
         L"\\\\nas\\copy\\"},
        {"the backup folder's share silent", L"E:\\Copy\\", [] { SetFakeFolderUnanswered(L"D:\\My Backups"); }, L"E:\\Copy\\"},
        {"no second copy", L"", [] { ResetFakePlatform(); }, L"D:\\My Backups\\"},
    };
    for (const auto& c : cases) {
        SetUp();
        c.arrange();
        ProcessWindowState().copyPath = c.copy;
        QueueFakeAnswer(true);  // then the requester is cancelled
        RunRestore();
        ASSERT_EQ(FakeRequests().size(), 1u) << c.what;
        EXPECT_EQ(FakeRequests()[0].initialFolder, c.opened) << c.what;
        EXPECT_TRUE(FakeStarts().empty()) << c.what;
    }
}

// In archive order; a file counts once a later file is there, and only with its size and CRC.
TEST_F(RestoreTest, TheCheckDuringExtractionTakesOnlyFinishedFiles) {
    const std::wstring folder = L"C:\\Stage";
    const std::vector<ArchiveItem> items = {
        {L"Larkmail", true, -1, false, 0},
        {L"Larkmail/a.eml", false, 3, true, 0x352441C2u},  // "abc"
        {L"Larkmail\\Sub", true, -1, false, 0},
        {L"Larkmail\\Sub\\b.eml", false, 3, true, 0x352441C2u},
        {L"Larkmail\\c.eml", false, 3, true, 0x352441C2u},
    };
    struct Case {
        std::vector<std::pair<std::wstring, std::string>> files;  // "<folder>" makes a folder
        std::size_t next;
        std::size_t end = 5;  // the items of this run of 7-Zip; a later run writes the rest
    };
    const Case cases[] = {
        {{}, 0},
        {{{L"Larkmail", "<folder>"}}, 1},
        // Complete but nothing after it yet: 7-Zip may still be writing it.
        {{{L"Larkmail", "<folder>"}, {L"Larkmail\\a.eml", "abc"}}, 1},
        {{{L"Larkmail", "<folder>"}, {L"Larkmail\\a.eml", "abc"}, {L"Larkmail\\Sub\\b.eml", ""}}, 3},
        // Full size, other bytes (preallocated, or damaged): it stops there.
        {{{L"Larkmail", "<folder>"}, {L"Larkmail\\a.eml", "abd"}, {L"Larkmail\\Sub\\b.eml", "abc"}}, 1},
        {{{L"Larkmail", "<folder>"}, {L"Larkmail\\a.eml", "abc"}, {L"Larkmail\\Sub\\b.eml", "abc"},
          {L"Larkmail\\c.eml", "ab"}},
         4},
        // A later run's file is no sign that this run moved on, and is never taken during this one.
        {{{L"Larkmail", "<folder>"}, {L"Larkmail\\a.eml", "abc"}, {L"Larkmail\\Sub\\b.eml", "abc"}}, 1, 2},
        {{{L"Larkmail", "<folder>"}, {L"Larkmail\\a.eml", "abc"}, {L"Larkmail\\Sub\\b.eml", "abc"},
          {L"Larkmail\\c.eml", "ab"}},
         3, 4},
    };
    for (const Case& c : cases) {
        ResetFakePlatform();
        SetFakeFolder(folder);
        for (const auto& file : c.files) {
            if (file.second == "<folder>")
                SetFakeFolder(folder + L"\\" + file.first);
            else
                SetFakeFile(folder + L"\\" + file.first, file.second);
        }
        ExtractionCheck check = StartExtractionCheck(items, folder);
        check.end = c.end;
        const bool moved = CheckExtractedSoFar(check, 0);
        while (CheckExtractedSoFar(check, 0)) {
        }
        EXPECT_EQ(check.next, c.next) << c.files.size();
        EXPECT_EQ(moved, c.next > 0);
        // The rest is left to the check after 7-Zip's end.
        EXPECT_EQ(FindMissingItems(items, folder, check.next).empty(), false);
        // After that run's end, its own items and then the next run's.
        const bool complete = FindMissingItems(items, folder, check.next).size() == FindMissingItems(items, folder, c.end).size();
        EXPECT_EQ(FinishExtractionCheck(check), complete) << c.files.size();
        EXPECT_EQ(check.end, complete ? items.size() : c.end) << c.files.size();
    }
}

// The full's files that the differential leaves alone are checked and flushed
// while the full is extracted; the differential's own only after its run, as
// the full wrote an older version of some of them first.
TEST_F(RestoreTest, ADifferentialsFilesAreCheckedAgainstTheArchiveThatWroteThemLast) {
    const std::wstring diff = L"D:\\My Backups\\LarkmailBackup_PC1_anna_20261208_diff_20261207.7z";
    const std::vector<Item> diffWrites = {{L"Larkmail\\prefs.js", "prefs of the day"}, {L"Larkmail\\Mail\\c.eml", "c"}};
    std::vector<std::wstring> diffLines = ListingLines(diffWrites);
    for (const wchar_t* line : {L"Path = Larkmail\\Empty", L"Folder = +", L"Anti = +", L"Attributes = D", L""})
        diffLines.push_back(line);
    std::vector<Item> damagedFull = kBackup;
    damagedFull[2].bytes = "new mall";  // inbox.db, which only the full writes
    const std::vector<Item> damagedDiff = {diffWrites[0], {L"Larkmail\\Mail\\c.eml", "C"}};
    struct Case {
        const char* what;
        std::vector<Item> fullWrites, diffWrites;
        bool deletes;   // the differential's run removes what it deleted
        bool restored;
    };
    const Case cases[] = {
        {"the day", kBackup, diffWrites, true, true},
        {"a file only the full writes is damaged", damagedFull, diffWrites, true, false},
        {"a file of the differential is damaged", kBackup, damagedDiff, true, false},
        {"an item it deleted is still there", kBackup, diffWrites, false, false},
    };
    const std::wstring staged = kStaging + L"\\Larkmail\\";
    for (const Case& c : cases) {
        SetUp();
        SetFakeFile(diff, "7z archive");
        ScriptListing(kBackup);
        FakeProgramScript listDiff;
        listDiff.outputLines = diffLines;
        ScriptFakeProgram(L"\"C:\\work\\7z.exe\" l -slt -sccUTF-8 \"" + diff, listDiff);
        FakeProgramScript full, differential;
        full.pollsWhileRunning = differential.pollsWhileRunning = 3;
        full.onStart = [&c] { Unpack(c.fullWrites); };
        std::vector<std::wstring> flushedBefore = {L"never started"};
        differential.onStart = [&c, &flushedBefore] {
            flushedBefore = FakeFlushedFiles();
            Unpack(c.diffWrites);
            if (c.deletes) DeleteFolderTree(kStaging + L"\\Larkmail\\Empty");
        };
        ScriptFakeProgram(L"\"C:\\work\\7z.exe\" x -o" + kStaging + L"\\ -y -bsp1 \"" + kArchive + L"\"", full);
        ScriptFakeProgram(L"\"C:\\work\\7z.exe\" x -o" + kStaging + L"\\ -aoa -bsp1 \"" + diff + L"\"", differential);
        QueueFakeAnswer(true);
        QueueFakeRequesterAnswer(diff);
        QueueFakeEvent(kEventControl, kButtonRestoreChosen);
        QueueFakeAnswer(true);
        RunRestore();
        if (!c.restored) {
            EXPECT_EQ(BoxTypes().back(), kBoxErrorOk) << c.what;
            EXPECT_EQ(ParentTree(), before) << c.what;
            if (c.fullWrites[2].bytes != "new mail")
                EXPECT_EQ(flushedBefore, std::vector<std::wstring>({L"never started"})) << c.what;
            continue;
        }
        EXPECT_EQ(FakeBoxes().back().text, L"Restore Completed");
        EXPECT_EQ(flushedBefore, std::vector<std::wstring>({staged + L"Mail\\inbox.db"}));
        EXPECT_EQ(FakeFlushedFiles(), std::vector<std::wstring>({staged + L"Mail\\inbox.db", staged + L"prefs.js",
                                                                 staged + L"Mail\\c.eml"}));
        EXPECT_EQ(FakeFileBytes(kData + L"\\prefs.js"), "prefs of the day");
        EXPECT_EQ(FakeFileBytes(kData + L"\\Mail\\c.eml"), "c");
        EXPECT_EQ(LookUpPathKind(kData + L"\\Empty"), PathKind::Missing);
    }
}

// A differential carries the mark of its full: found by it in the
// differential's own folder whatever either is called now, or refused;
// never restored alone, as if it were a full.
TEST_F(RestoreTest, ADifferentialFindsItsFullByItsMarkOrIsRefused) {
    const std::wstring folder = L"D:\\My Backups\\";
    const std::wstring markRead = L"\"C:\\work\\7z.exe\" e -so -bso0 -bsp0 -bse0 -- ";
    const std::vector<std::wstring> markLines = {L"Full = LarkmailBackup_PC1_anna_20261207.7z", L"Size = 245",
                                                 L"Header = B3000000000000002200000000000000216EE824"};
    const std::vector<Item> diffWrites = {{L"Larkmail\\prefs.js", "prefs of the day"}};
    const std::wstring missing = L"This differential archive needs its full archive, which is missing or cannot be "
                                 L"read: ";
    const std::wstring noBase = L"This archive holds only one day's changes against a full archive, and which full "
                                L"archive that is cannot be read from it. Nothing was changed.";
    struct Case {
        const char* what;
        std::wstring diff;     // where the differential lies now
        std::wstring full;     // where its full lies now (empty: nowhere)
        bool marked = true;
        long markExit = 0;
        std::wstring box;      // empty: the day restored
        std::wstring log;
        bool nothingNew = false;  // a night when nothing changed: the mark is all it holds
    };
    const std::wstring renamedFull = folder + L"LarkmailBackup_PC1_anna_20261207 - Copy.7z";
    const Case cases[] = {
        {"renamed", folder + L"x.7z", kArchive, true, 0, L"", L"Restore Successful."},
        {"both renamed", folder + L"x (1).7z", renamedFull, true, 0, L"", L"Restore Successful."},
        {"nothing new that night", folder + L"x.7z", kArchive, true, 0, L"", L"Restore Successful.", true},
        {"its full's name on another archive", folder + L"x.7z", L"", true, 0,
         missing + kArchive + L". Nothing was changed.",
         L"Restore refused, the full archive this differential archive needs is missing or unreadable: " + kArchive},
        {"copied to another folder", L"E:\\Copies\\x.7z", L"", true, 0,
         missing + L"E:\\Copies\\LarkmailBackup_PC1_anna_20261207.7z. Nothing was changed.",
         L"Restore refused, the full archive this differential archive needs is missing or unreadable: "
         L"E:\\Copies\\LarkmailBackup_PC1_anna_20261207.7z"},
        {"its mark unreadable", folder + L"x.7z", kArchive, true, 2, noBase,
         L"Restore refused, a differential archive that does not tell its full archive: D:\\My Backups\\x.7z"},
        {"no mark, deletions, a full's name", folder + L"LarkmailBackup_PC1_anna_20261208.7z", kArchive, false, 0,
         noBase, L"Restore refused, a differential archive that does not tell its full archive: D:\\My "
                 L"Backups\\LarkmailBackup_PC1_anna_20261208.7z"},
    };
    for (const Case& c : cases) {
        SetUp();
        if (!c.full.empty()) SetFakeFile(c.full, FinishedArchiveBytes());
        SetFakeFile(c.diff, "7z archive");
        before = ParentTree();
        ScriptListing(kBackup);
        std::vector<std::wstring> diffLines = ListingLines(c.nothingNew ? std::vector<Item>() : diffWrites);
        if (!c.nothingNew)
            for (const wchar_t* line : {L"Path = Larkmail\\Empty", L"Folder = +", L"Anti = +", L"Attributes = D", L""})
                diffLines.push_back(line);
        if (c.marked)
            for (const wchar_t* line : {L"Path = LarkmailBackup.base", L"Folder = -", L"Size = 118", L"Attributes = A",
                                        L"CRC = 0A1B2C3D", L""})
                diffLines.push_back(line);
        FakeProgramScript listDiff;
        listDiff.outputLines = diffLines;
        const std::wstring quotedDiff = c.diff.find(L' ') == std::wstring::npos ? c.diff : L"\"" + c.diff + L"\"";
        ScriptFakeProgram(L"\"C:\\work\\7z.exe\" l -slt -sccUTF-8 " + quotedDiff, listDiff);
        FakeProgramScript readMark;
        readMark.exitCode = c.markExit;
        readMark.outputLines = markLines;
        ScriptFakeProgram(markRead, readMark);
        FakeProgramScript full, differential;
        full.onStart = [] { Unpack(kBackup); };
        differential.onStart = [&diffWrites, &c] {
            SetFakeFile(kStaging + L"\\LarkmailBackup.base", "Full = ...");
            if (c.nothingNew) return;
            Unpack(diffWrites);
            DeleteFolderTree(kStaging + L"\\Larkmail\\Empty");
        };
        ScriptFakeProgram(L"\"C:\\work\\7z.exe\" x -o" + kStaging + L"\\ -y -bsp1 ", full);
        ScriptFakeProgram(L"\"C:\\work\\7z.exe\" x -o" + kStaging + L"\\ -aoa -bsp1 ", differential);
        QueueFakeAnswer(true);
        QueueFakeRequesterAnswer(c.diff);
        QueueFakeEvent(kEventControl, kButtonRestoreChosen);
        QueueFakeAnswer(true);
        RunRestore();
        EXPECT_EQ(LogText(), c.log + kStamp) << c.what;
        std::vector<std::wstring> expected = {L"\"C:\\work\\7z.exe\" l -slt -sccUTF-8 " + quotedDiff};
        if (c.marked) expected.push_back(markRead + quotedDiff + L" LarkmailBackup.base");
        if (c.box.empty()) {
            EXPECT_EQ(FakeBoxes().back().text, L"Restore Completed") << c.what;
            for (const std::wstring& line :
                 {L"\"C:\\work\\7z.exe\" l -slt -sccUTF-8 \"" + c.full + L"\"", L"\"C:\\work\\7z.exe\" x -o" + kStaging + L"\\ -y -bsp1 \"" + c.full + L"\"",
                  L"\"C:\\work\\7z.exe\" x -o" + kStaging + L"\\ -aoa -bsp1 " + quotedDiff})
                expected.push_back(line);
            EXPECT_EQ(StartLines(), expected) << c.what;
            // The mark is no file of the data, checked or flushed; it went with the staging folder.
            EXPECT_EQ(FakeFlushedFiles(), std::vector<std::wstring>({kStaging + L"\\Larkmail\\Mail\\inbox.db",
                                                                     kStaging + L"\\Larkmail\\prefs.js"})) << c.what;
            EXPECT_EQ(FakeFileBytes(kData + L"\\prefs.js"), c.nothingNew ? "new prefs" : "prefs of the day") << c.what;
            EXPECT_EQ(FakeFileBytes(kData + L"\\Mail\\inbox.db"), "new mail") << c.what;
            EXPECT_EQ(LookUpPathKind(kData + L"\\Empty"), c.nothingNew ? PathKind::Folder : PathKind::Missing) << c.what;
            EXPECT_EQ(LookUpPathKind(kData + L"\\LarkmailBackup.base"), PathKind::Missing) << c.what;
            EXPECT_EQ(LookUpPathKind(kStaging), PathKind::Missing) << c.what;
            continue;
        }
        EXPECT_EQ(StartLines(), expected) << c.what;
        EXPECT_EQ(BoxTypes(), std::vector<unsigned>({kBoxQuestionYesNo, kBoxErrorOk})) << c.what;
        EXPECT_EQ(FakeBoxes().back().text, c.box) << c.what;
        EXPECT_EQ(ParentTree(), before) << c.what;
    }
}

// A restore in place is refused once it is chosen; a copy goes on (it touches nothing of the client's).
TEST_F(RestoreTest, WithTheClientRunningNothingIsAskedOrTouched) {
    SetFakeProcesses({{77, L"larkmail.exe"}});
    ScriptListing(kBackup);
    ScriptExtraction(kBackup);
    QueueFakeAnswer(true);
    QueueFakeRequesterAnswer(kArchive);
    QueueFakeEvent(kEventControl, kButtonRestoreChosen);
    RunRestore();
    EXPECT_EQ(BoxTypes(), std::vector<unsigned>({kBoxQuestionYesNo, kBoxErrorOk}));
    EXPECT_EQ(FakeBoxes()[1].title, L"Error");
    EXPECT_EQ(FakeBoxes()[1].text, L"Larkmail must be closed before restoring data.");
    EXPECT_EQ(LogText(), L"Restore failed, Larkmail was not closed." + kStamp);
    EXPECT_EQ(StartLines(), std::vector<std::wstring>({kList}));  // nothing unpacked
    EXPECT_EQ(ParentTree(), before);
}

TEST_F(RestoreTest, NoAndCancelLeaveEverythingAsItWas) {
    struct Case {
        const char* what;
        std::vector<bool> answers;
        bool chooses;
        std::vector<unsigned> boxes;
        bool listed;
    };
    const Case cases[] = {
        {"no to the question", {false}, false, {kBoxQuestionYesNo, kBoxInformationOk}, false},
        {"cancelled requester", {true}, false, {kBoxQuestionYesNo}, false},
        {"no to the warning", {true, false}, true, {kBoxQuestionYesNo, kBoxWarningYesNo, kBoxInformationOk}, true},
        {"cancel in the dialog", {true}, true, {kBoxQuestionYesNo, kBoxInformationOk}, true},
    };
    for (const Case& c : cases) {
        SetUp();
        ScriptListing(kBackup);
        ScriptExtraction(kBackup);
        QueueFakeAnswer(c.answers[0]);
        if (c.chooses) QueueFakeRequesterAnswer(kArchive);
        if (c.chooses) QueueFakeEvent(kEventControl, c.answers.size() > 1 ? kButtonRestoreChosen : kButtonRestoreCancel);
        if (c.answers.size() > 1) QueueFakeAnswer(c.answers[1]);
        RunRestore();
        EXPECT_EQ(BoxTypes(), c.boxes) << c.what;
        if (c.boxes.back() == kBoxInformationOk) {
            EXPECT_EQ(FakeBoxes().back().title, L"Cancelled") << c.what;
            EXPECT_EQ(FakeBoxes().back().text, L"Your restore request has been cancelled.") << c.what;
        }
        EXPECT_EQ(StartLines(), c.listed ? std::vector<std::wstring>({kList}) : std::vector<std::wstring>()) << c.what;
        EXPECT_EQ(LogText(), L"") << c.what;
        EXPECT_EQ(ParentTree(), before) << c.what;
        EXPECT_TRUE(FakeWindowState().statusHistory.empty()) << c.what;
    }
}

TEST_F(RestoreTest, RefusalsAndFailuresKeepTheDataExactlyAndRemoveTheStaging) {
    std::vector<Item> partial = kBackup;
    partial.pop_back();  // the last item never arrived
    std::vector<Item> shortFile = kBackup;
    shortFile[2].bytes = "new";  // cut off while written
    std::vector<Item> unfilled = kBackup;
    unfilled[2].bytes = std::string(8, '\0');  // preallocated at full size, never written
    const std::wstring failed = L"The restore failed. Your Larkmail data was not changed.";
    const std::wstring refused = L"This archive does not hold a Larkmail backup. Nothing was changed.";
    struct Case {
        const char* what;
        std::vector<Item> listed;
        long listExit;
        bool listStarts;
        std::vector<Item> written;
        long extractExit;
        bool extractStarts;
        std::function<void()> during;
        std::wstring box;
        std::wstring log;
        bool warned;  // the archive passed its check
        int listPolls = 0;
        int extractPolls = 3;
        bool folderHeld = false;  // by another backup or restore, past the window's bound
    };
    const std::wstring hung = L"7-Zip stopped making progress and was ended.";
    // One item that could reach out of the folder it is unpacked into, after a good backup's.
    const auto hostile = [](const std::wstring& path) {
        std::vector<Item> items = kBackup;
        items.push_back({path, "x", false});
        return items;
    };
    const std::wstring unsafe = L"This archive was not made by Larkmail Backup, or it is damaged: an item in it has a "
                                L"name that would put it outside the restored folder. Nothing was changed.";
    const auto unsafeLog = [](const std::wstring& shown) {
        return L"Restore refused, the archive is not a Larkmail backup or is damaged: an item's name reaches outside "
               L"its folder: \"" + shown + L"\". Your Larkmail data was not changed.";
    };
    const std::vector<Item> foreign = {{L"Documents", "", true}, {L"Documents\\a.txt", "x", false}};
    const std::vector<Item> nearName = {{L"Larkmail2", "", true}, {L"Larkmail2\\a.txt", "x", false}};
    const Case cases[] = {
        {"no Larkmail folder", foreign, 0, true, {}, 0, true, {}, refused,
         L"Restore refused, the archive holds no Larkmail folder: " + kArchive, false},
        {"a name that only begins with Larkmail", nearName, 0, true, {}, 0, true, {}, refused,
         L"Restore refused, the archive holds no Larkmail folder: " + kArchive, false},
        {"damaged archive", {}, 2, true, {}, 0, true, {}, refused + L" 7-Zip reported a fatal error (exit code 2).",
         L"Restore refused, the archive holds no Larkmail folder: " + kArchive, false},
        {"7-Zip missing", kBackup, 0, false, {}, 0, true, {}, failed + L" 7-Zip could not be started.",
         L"Restore failed, 7-Zip could not be started. Your Larkmail data was not changed.", false},
        {"extraction error", kBackup, 0, true, partial, 2, true, {}, failed + L" 7-Zip reported a fatal error (exit code 2).",
         L"Restore failed, 7-Zip ended with exit code 2. Your Larkmail data was not changed.", true},
        {"extraction stopped", kBackup, 0, true, partial, 255, true, {}, failed + L" 7-Zip was stopped (exit code 255).",
         L"Restore failed, 7-Zip ended with exit code 255. Your Larkmail data was not changed.", true},
        {"killed, exit 0, an item missing", kBackup, 0, true, partial, 0, true, {}, failed,
         L"Restore failed, 7-Zip did not extract every file (exit code 0). Your Larkmail data was not changed.", true},
        {"killed, exit 0, a file short", kBackup, 0, true, shortFile, 0, true, {}, failed,
         L"Restore failed, 7-Zip did not extract every file (exit code 0). Your Larkmail data was not changed.", true},
        {"killed, exit 0, a file of full size unwritten", kBackup, 0, true, unfilled, 0, true, {}, failed,
         L"Restore failed, 7-Zip did not extract every file (exit code 0). Your Larkmail data was not changed.", true},
        {"extraction never started", kBackup, 0, true, {}, 0, false, {}, failed + L" 7-Zip could not be started.",
         L"Restore failed, 7-Zip could not be started. Your Larkmail data was not changed.", true},
        {"client started meanwhile", kBackup, 0, true, kBackup, 0, true, [] { SetFakeProcesses({{9, L"Larkmail.exe"}}); },
         L"Larkmail must be closed before restoring data.", L"Restore failed, Larkmail was not closed.", true},
        {"listing hangs", kBackup, 0, true, {}, 0, true, {}, failed + L" " + hung,
         L"Restore failed, " + hung + L" Your Larkmail data was not changed.", false, kHangs},
        {"extraction hangs", kBackup, 0, true, partial, 0, true, {}, failed + L" " + hung,
         L"Restore failed, " + hung + L" Your Larkmail data was not changed.", true, 0, kHangs},
        {"an item above the data folder", hostile(L"Larkmail\\..\\..\\evil.txt"), 0, true, {}, 0, true, {}, unsafe,
         unsafeLog(L"Larkmail\\..\\..\\evil.txt"), false},
        {"a \".\" part", hostile(L"Larkmail\\.\\prefs.js"), 0, true, {}, 0, true, {}, unsafe,
         unsafeLog(L"Larkmail\\.\\prefs.js"), false},
        {"an empty part", hostile(L"Larkmail\\\\Mail\\x.eml"), 0, true, {}, 0, true, {}, unsafe,
         unsafeLog(L"Larkmail\\\\Mail\\x.eml"), false},
        {"a drive letter", hostile(L"C:\\Windows\\evil.dll"), 0, true, {}, 0, true, {}, unsafe,
         unsafeLog(L"C:\\Windows\\evil.dll"), false},
        {"a \":\" in a name", hostile(L"Larkmail\\prefs.js:hidden"), 0, true, {}, 0, true, {}, unsafe,
         unsafeLog(L"Larkmail\\prefs.js:hidden"), false},
        {"a leading separator", hostile(L"\\Larkmail\\x.eml"), 0, true, {}, 0, true, {}, unsafe,
         unsafeLog(L"\\Larkmail\\x.eml"), false},
        {"a control character", hostile(L"Larkmail\\a\tb.eml"), 0, true, {}, 0, true, {}, unsafe,
         unsafeLog(L"Larkmail\\a<U+0009>b.eml"), false},
        {"a restored file the disk would not take", kBackup, 0, true, kBackup, 0, true, [] { SetFakeFlushFails(true); },
         failed, L"Restore failed, a restored file could not be written to the disk: " + kStaging +
                     L"\\Larkmail\\Mail\\inbox.db. Your Larkmail data was not changed.",
         true},
        {"the backup folder held", kBackup, 0, true, kBackup, 0, true, {},
         L"Another backup or restore is still using the backup folder. Nothing was changed; please try again later.",
         L"Restore refused, another backup or restore kept using the backup folder: D:\\My Backups\\. Your Larkmail "
         L"data was not changed.",
         false, 0, 3, true},
    };
    for (const Case& c : cases) {
        SetUp();
        ScriptListing(c.listed, c.listExit, c.listStarts, c.listPolls);
        ScriptExtraction(c.written, c.extractExit, c.during, {}, c.extractPolls);
        if (!c.extractStarts) {
            FakeProgramScript missing;
            missing.starts = false;
            ScriptFakeProgram(L"\"C:\\work\\7z.exe\" x ", missing);
        }
        if (c.folderHeld) HoldFakeFileLock(L"D:\\My Backups\\LarkmailBackup.lock", kWaitForever);
        QueueFakeAnswer(true);
        QueueFakeRequesterAnswer(kArchive);
        if (c.warned) QueueFakeEvent(kEventControl, kButtonRestoreChosen);
        if (c.warned) QueueFakeAnswer(true);
        RunRestore();
        if (c.folderHeld) {
            EXPECT_TRUE(StartLines().empty());  // not even listed
        }

        EXPECT_EQ(ParentTree(), before) << c.what;
        const std::vector<unsigned> types =
            c.warned ? std::vector<unsigned>({kBoxQuestionYesNo, kBoxWarningYesNo, kBoxErrorOk})
                     : std::vector<unsigned>({kBoxQuestionYesNo, kBoxErrorOk});
        EXPECT_EQ(BoxTypes(), types) << c.what;
        EXPECT_EQ(FakeBoxes().back().title, L"Error") << c.what;
        EXPECT_EQ(FakeBoxes().back().text, c.box) << c.what;
        EXPECT_EQ(LogText(), c.log + kStamp) << c.what;
        if (!c.folderHeld) {
            EXPECT_EQ(StartLines().size(), c.warned ? 2u : 1u) << c.what;  // nothing unpacked before the question
        }
        if (c.listPolls > 0) {
            // The window kept painting while 7-Zip listed, looking each second whether it still writes.
            const std::vector<std::uint32_t> waits = FakeWaitTimeouts();
            EXPECT_GE(waits.size(), 60u) << c.what;
            for (std::uint32_t timeout : waits) EXPECT_LE(timeout, 1000u) << c.what;
        }
        if (c.warned) {
            EXPECT_EQ(FakeWindowState().statusHistory,
                      std::vector<std::wstring>({L"Please Wait.....restoring data", L"Ready"}))
                << c.what;
        }
        EXPECT_EQ(FakeOpenPrograms(), 0) << c.what;
    }
}

TEST_F(RestoreTest, NoArchiveInsideTheDataFolderIsEverDeleted) {
    const std::wstring inData = kData + L"\\Backups\\LarkmailBackup_PC1_anna_20261207.7z";
    const std::wstring other = kData + L"\\Mail\\Old\\LarkmailBackup_PC2_bob_20261101.7z";
    const std::wstring temporary = kData + L"\\LARKMAILBACKUP_PC1_anna_20261130.7z.999.TMP";
    const std::wstring userFile = kData + L"\\Mail\\attachment.7z";
    const std::wstring arrival = kData + L"\\Mail\\LarkmailBackup_PC1_anna_20261206.7z";
    const std::wstring refusedBox = L"A backup archive lies inside the Larkmail data folder: %1. A restore replaces "
                                    L"everything in that folder and would delete it. Nothing was changed: move the "
                                    L"archive out of the Larkmail folder, then restore again.";
    struct Case {
        const char* what;
        std::wstring chosen;
        std::wstring placed;      // lies in the data folder from the start
        std::wstring arrives;     // put there while 7-Zip unpacks
        std::wstring refusedFor;  // empty: the restore goes ahead
    };
    const Case cases[] = {
        {"the chosen archive", L"c:/users/anna/appdata/local/larkmail/backups/LarkmailBackup_PC1_anna_20261207.7z",
         inData, L"", L"c:/users/anna/appdata/local/larkmail/backups/LarkmailBackup_PC1_anna_20261207.7z"},
        {"another computer's archive", kArchive, other, L"", other},
        {"a temporary of a killed run", kArchive, temporary, L"", temporary},
        {"one put there meanwhile", kArchive, L"", arrival, arrival},
        {"a file of the user's own", kArchive, userFile, L"", L""},
    };
    for (const Case& c : cases) {
        SetUp();
        if (!c.placed.empty()) SetFakeFile(c.placed, "7z archive");
        before = ParentTree();
        ScriptListing(kBackup);
        const std::wstring arrives = c.arrives;
        ScriptExtraction(kBackup, 0, [arrives] {
            if (!arrives.empty()) SetFakeFile(arrives, "7z archive");
        });
        QueueFakeAnswer(true);
        QueueFakeRequesterAnswer(c.chosen);
        if (c.refusedFor.empty() || !c.arrives.empty()) QueueFakeEvent(kEventControl, kButtonRestoreChosen);
        QueueFakeAnswer(true);
        RunRestore();
        if (c.refusedFor.empty()) {
            EXPECT_EQ(LogText(), L"Restore Successful." + kStamp) << c.what;
            EXPECT_FALSE(FakeFileExists(c.placed)) << c.what;  // data, restored like any other
            continue;
        }
        std::map<std::wstring, std::string> expected = before;
        if (!c.arrives.empty()) expected[c.arrives] = "7z archive";
        EXPECT_EQ(ParentTree(), expected) << c.what;
        EXPECT_EQ(BoxTypes(), c.arrives.empty() ? std::vector<unsigned>({kBoxQuestionYesNo, kBoxErrorOk})
                                                : std::vector<unsigned>({kBoxQuestionYesNo, kBoxWarningYesNo, kBoxErrorOk}))
            << c.what;
        EXPECT_EQ(FakeBoxes().back().text, refusedBox.substr(0, 55) + c.refusedFor + refusedBox.substr(57)) << c.what;
        EXPECT_EQ(LogText(), L"Restore refused, an archive lies inside the Larkmail data folder: " + c.refusedFor + kStamp)
            << c.what;
        // Refused before the listing, unless the archive came later.
        EXPECT_EQ(StartLines().size(), c.arrives.empty() ? 0u : 2u) << c.what;
    }
}

TEST_F(RestoreTest, AFailedMoveIntoPlaceBringsTheOldDataBack) {
    ScriptListing(kBackup);
    HeldFile held;
    // Something holds a restored file open, so the restored folder cannot move.
    ScriptExtraction(kBackup, 0, [&held] {
        std::string bytes;
        held = OpenFileForUpdate(kStaging + L"\\Larkmail\\prefs.js", bytes);
    });
    AnswerEverything();
    RunRestore();
    ReleaseHeldFile(held);
    std::map<std::wstring, std::string> expected = before;
    // The held file and its folders stay in the staging folder; the log says where.
    expected[kStaging] = "<folder>";
    expected[kStaging + L"\\Larkmail"] = "<folder>";
    expected[kStaging + L"\\Larkmail\\prefs.js"] = "new prefs";
    EXPECT_EQ(ParentTree(), expected);
    EXPECT_EQ(FakeBoxes().back().text, L"The restore failed. Your Larkmail data was not changed.");
    EXPECT_EQ(LogText(), L"Some files of the old Larkmail data could not be deleted: " + kStaging + kStamp +
                             L"Restore failed, the restored data could not be moved into place. Your Larkmail data "
                             L"was not changed." + kStamp);
}

TEST_F(RestoreTest, WhenTheOldDataCannotComeBackTheUserIsToldWhereItIs) {
    ScriptListing(kBackup);
    ScriptExtraction(kBackup);
    SetFakeMoveRefused(kStaging + L"\\Larkmail");
    SetFakeMoveRefused(kParent + L"Larkmail.old-1");
    AnswerEverything();
    RunRestore();
    std::map<std::wstring, std::string> expected;
    for (const auto& entry : before) expected[kParent + L"Larkmail.old-1" + entry.first.substr(kData.size())] = entry.second;
    // The note stays, so the next start moves the data back.
    expected[kParent + L"Larkmail.restoring"] =
        "phase=moving back\r\nstaging=Larkmail.restore-1\r\naside=Larkmail.old-1\r\nprocess=4242\r\n"
        "program=LarkmailBackup.exe\r\n";
    EXPECT_EQ(ParentTree(), expected);  // nothing of it deleted; the staging is gone
    const std::wstring aside = kParent + L"Larkmail.old-1";
    EXPECT_EQ(FakeBoxes().back().type, kBoxErrorOk);
    EXPECT_EQ(FakeBoxes().back().text,
              L"The restore failed, and your Larkmail data could not be moved back into place. Nothing was deleted: "
              L"your data is now in the folder " + aside + L". Rename that folder to \"Larkmail\" before you start "
              L"Larkmail again.");
    EXPECT_EQ(LogText(), L"Restore failed, and your Larkmail data could not be moved back. It is now in: " + aside + kStamp);
}

TEST_F(RestoreTest, AHeldDataFileStopsTheSwapBeforeAnythingMoves) {
    ScriptListing(kBackup);
    ScriptExtraction(kBackup);
    std::string bytes;
    HeldFile held = OpenFileForUpdate(kData + L"\\Mail\\inbox.db", bytes);
    AnswerEverything();
    RunRestore();
    ReleaseHeldFile(held);
    EXPECT_EQ(ParentTree(), before);
    EXPECT_EQ(LogText(), L"Restore failed, the restored data could not be moved into place. Your Larkmail data was "
                         L"not changed." + kStamp);
}

TEST_F(RestoreTest, LeftoversOfEarlierRunsAreNeitherUsedNorTouched) {
    SetFakeFile(kParent + L"Larkmail.restore-1\\mine.txt", "someone's");
    SetFakeFile(kParent + L"Larkmail.old-1\\mine.txt", "someone's too");
    ScriptListing(kBackup);
    FakeProgramScript extract;
    extract.onStart = [] {
        for (const Item& item : kBackup) {
            const std::wstring path = kParent + L"Larkmail.restore-2\\" + item.path;
            item.folder ? SetFakeFolder(path) : SetFakeFile(path, item.bytes);
        }
    };
    ScriptFakeProgram(L"\"C:\\work\\7z.exe\" x -o" + kParent + L"Larkmail.restore-2\\ -bsp1 ", extract);
    AnswerEverything();
    RunRestore();
    EXPECT_EQ(FakeFileBytes(kParent + L"Larkmail.restore-1\\mine.txt"), "someone's");
    EXPECT_EQ(FakeFileBytes(kParent + L"Larkmail.old-1\\mine.txt"), "someone's too");
    EXPECT_EQ(FakeFileBytes(kData + L"\\prefs.js"), "new prefs");
    EXPECT_EQ(LookUpPathKind(kParent + L"Larkmail.restore-2"), PathKind::Missing);
    EXPECT_EQ(LookUpPathKind(kParent + L"Larkmail.old-2"), PathKind::Missing);
}

TEST_F(RestoreTest, OtherTopLevelItemsOfTheArchiveGoWithTheStaging) {
    std::vector<Item> items = kBackup;
    items.push_back({L"readme.txt", "extra", false});
    ScriptListing(items);
    ScriptExtraction(items);
    AnswerEverything();
    RunRestore();
    EXPECT_EQ(FakeFileBytes(kData + L"\\prefs.js"), "new prefs");
    EXPECT_EQ(LookUpPathKind(kParent + L"readme.txt"), PathKind::Missing);
    EXPECT_EQ(LookUpPathKind(kStaging), PathKind::Missing);
    EXPECT_EQ(LogText(), L"Restore Successful." + kStamp);
}

// One folder in place, or a copy elsewhere: only that part unpacked (no -r), checked, moved.
TEST_F(RestoreTest, OneFolderOrACopyTouchesNothingElse) {
    const std::vector<Item> archive = {
        {L"Larkmail", "", true},
        {L"Larkmail\\Mail", "", true},
        {L"Larkmail\\Mail\\inbox.db", "new mail", false},
        {L"Larkmail\\Mail\\Old Mail", "", true},
        {L"Larkmail\\Mail\\Old Mail\\a.eml", "old a", false},
        {L"Larkmail\\Deep\\er\\x.eml", "deep", false},
        {L"Larkmail\\prefs.js", "new prefs", false},
    };
    const std::wstring copies = L"E:\\Copies";
    struct Case {
        const char* what;
        RestoreScope scope;
        std::function<void()> before;       // the data as it is now, beyond the fixture's
        std::vector<Item> written;          // what 7-Zip writes into the staging folder
        std::wstring command;               // 7-Zip's parameters after -o<staging>\ -y -bsp1 --
        std::map<std::wstring, std::string> changes;  // the tree after, against the tree before ("" gone)
        std::wstring log;
        bool clientRuns;
    };
    const std::wstring data = kData + L"\\";
    const Case cases[] = {
        {"one folder, there now: replaced whole, newer mail elsewhere stays",
         {RestoreReach::OneFolder, L"Mail", {}}, [] { SetFakeFile(kData + L"\\new.eml", "came later"); },
         {archive[0], archive[1], archive[2], archive[3], archive[4]},
         L"\"" + kArchive + L"\" Larkmail\\Mail",
         {{data + L"Mail\\inbox.db", "new mail"}, {data + L"Mail\\read only.msf", ""},
          {data + L"Mail\\Old Mail", "<folder>"}, {data + L"Mail\\Old Mail\\a.eml", "old a"}},
         L"", false},
        {"one folder the user deleted: moved in", {RestoreReach::OneFolder, L"Mail\\Old Mail", {}}, {},
         {archive[0], archive[1], archive[3], archive[4]},
         L"\"" + kArchive + L"\" \"Larkmail\\Mail\\Old Mail\"",
         {{data + L"Mail\\Old Mail", "<folder>"}, {data + L"Mail\\Old Mail\\a.eml", "old a"}}, L"", false},
        {"parents missing now are made", {RestoreReach::OneFolder, L"deep\\ER", {}}, {},
         {archive[0], {L"Larkmail\\Deep\\er", "", true}, archive[5]},
         L"\"" + kArchive + L"\" Larkmail\\deep\\ER",
         {{data + L"deep", "<folder>"}, {data + L"deep\\ER", "<folder>"}, {data + L"deep\\ER\\x.eml", "deep"}}, L"", false},
        {"7-Zip matched nothing (exit 0, Files: 0): refused", {RestoreReach::OneFolder, L"Mail", {}}, {}, {},
         L"\"" + kArchive + L"\" Larkmail\\Mail", {},
         L"Restore failed, 7-Zip did not extract every file (exit code 0). Your Larkmail data was not changed.", false},
        {"a copy of one folder, with the client running", {RestoreReach::Copy, L"Mail\\Old Mail", copies}, {},
         {archive[0], archive[1], archive[3], archive[4]},
         L"\"" + kArchive + L"\" \"Larkmail\\Mail\\Old Mail\"",
         {{copies + L"\\Old Mail", "<folder>"}, {copies + L"\\Old Mail\\a.eml", "old a"}}, L"", true},
        {"a copy of everything beside an earlier one", {RestoreReach::Copy, L"", copies},
         [copies] { SetFakeFile(copies + L"\\Larkmail\\mine.txt", "mine"); }, archive,
         L"\"" + kArchive + L"\" Larkmail",
         {{copies + L"\\Larkmail (2)", "<folder>"}, {copies + L"\\Larkmail (2)\\Mail", "<folder>"},
          {copies + L"\\Larkmail (2)\\Mail\\inbox.db", "new mail"}, {copies + L"\\Larkmail (2)\\Mail\\Old Mail", "<folder>"},
          {copies + L"\\Larkmail (2)\\Mail\\Old Mail\\a.eml", "old a"}, {copies + L"\\Larkmail (2)\\Deep", "<folder>"},
          {copies + L"\\Larkmail (2)\\Deep\\er", "<folder>"}, {copies + L"\\Larkmail (2)\\Deep\\er\\x.eml", "deep"},
          {copies + L"\\Larkmail (2)\\prefs.js", "new prefs"}},
         L"", false},
    };
    for (const Case& c : cases) {
        SetUp();
        if (c.before) c.before();
        if (c.clientRuns) SetFakeProcesses({{9, L"Larkmail.exe"}});
        const bool copy = c.scope.reach == RestoreReach::Copy;
        const std::wstring staging = copy ? copies + L"\\Larkmail.restore-1" : kStaging;
        std::map<std::wstring, std::string> expected = ParentTree();
        for (const std::wstring& path : FakePaths())
            if (path.compare(0, copies.size(), copies) == 0)
                expected[path] = LookUpPathKind(path) == PathKind::Folder ? "<folder>" : FakeFileBytes(path);
        FakeProgramScript extract;
        extract.onStart = [&c, staging] {
            for (const Item& item : c.written)
                item.folder ? SetFakeFolder(staging + L"\\" + item.path) : SetFakeFile(staging + L"\\" + item.path, item.bytes);
        };
        ScriptFakeProgram(L"\"C:\\work\\7z.exe\" x ", extract);
        std::vector<Item> listed = archive;
        const RestoreFailure failure =
            RestoreFromArchive(kArchive, kData, ParseArchiveListing(ListingLines(listed)), JobWindow{}, {}, {}, c.scope);
        // As the window does once the result is shown.
        if (!failure.oldData.empty()) RemoveOldData(kData, failure.oldData);

        EXPECT_EQ(StartLines(),
                  std::vector<std::wstring>({L"\"C:\\work\\7z.exe\" x -o" + staging + L"\\ -y -bsp1 -- " + c.command}))
            << c.what;
        EXPECT_EQ(failure.logLine, c.log) << c.what;
        for (const auto& change : c.changes) {
            if (change.second.empty())
                expected.erase(change.first);
            else
                expected[change.first] = change.second;
        }
        std::map<std::wstring, std::string> after = ParentTree();
        for (const std::wstring& path : FakePaths())
            if (path.compare(0, copies.size(), copies) == 0)
                after[path] = LookUpPathKind(path) == PathKind::Folder ? "<folder>" : FakeFileBytes(path);
        if (copy) expected[copies] = "<folder>";
        EXPECT_EQ(after, expected) << c.what;  // no staging, nothing set aside left
        EXPECT_EQ(failure.placed, copy ? c.changes.begin()->first : L"") << c.what;
    }
    // A folder the archive does not hold is refused before 7-Zip runs.
    SetUp();
    const RestoreFailure none = RestoreFromArchive(kArchive, kData, ParseArchiveListing(ListingLines(archive)), JobWindow{},
                                                   {}, {}, {RestoreReach::OneFolder, L"Mail\\Gone", {}});
    EXPECT_EQ(none.logLine, L"Restore refused, the backup holds nothing of Larkmail\\Mail\\Gone. Your Larkmail data was not changed.");
    EXPECT_TRUE(StartLines().empty());
    EXPECT_EQ(ParentTree(), before);
    // So is an item name that could reach out, whichever part is chosen, and one a differential deleted.
    std::vector<Item> hostile = archive;
    hostile.insert(hostile.begin() + 2, {L"Larkmail\\Mail\\..\\..\\..\\evil.txt", "x", false});
    DifferentialRestore deleting;
    deleting.fullPath = L"D:\\My Backups\\LarkmailBackup_PC1_anna_20261206.7z";
    deleting.removed = {L"Larkmail\\Deep\\..\\..\\Documents"};
    struct Listing {
        std::vector<Item> items;
        DifferentialRestore differential;
        std::wstring unsafe;
    };
    const Listing listings[] = {{hostile, {}, hostile[2].path}, {archive, deleting, deleting.removed[0]}};
    for (const RestoreScope& scope : {RestoreScope{}, RestoreScope{RestoreReach::OneFolder, L"Deep", {}},
                                      RestoreScope{RestoreReach::Copy, L"Mail\\Old Mail", copies}}) {
        for (const Listing& listing : listings) {
            SetUp();
            const RestoreFailure refused =
                RestoreFromArchive(kArchive, kData, ParseArchiveListing(ListingLines(listing.items)), JobWindow{}, {},
                                   listing.differential, scope);
            EXPECT_EQ(refused.boxText, L"This archive was not made by Larkmail Backup, or it is damaged: an item in "
                                       L"it has a name that would put it outside the restored folder. Nothing was "
                                       L"changed.");
            EXPECT_EQ(refused.logLine, L"Restore refused, the archive is not a Larkmail backup or is damaged: an "
                                       L"item's name reaches outside its folder: \"" + listing.unsafe +
                                           L"\". Your Larkmail data was not changed.");
            EXPECT_TRUE(StartLines().empty()) << scope.folder;
            EXPECT_EQ(ParentTree(), before) << scope.folder;
            EXPECT_EQ(LookUpPathKind(copies), PathKind::Missing) << scope.folder;
        }
    }
}

// A link, among the archive's folders or the user's, that leads out of where
// a move belongs ends the restore before anything moved; where it leads stays untouched.
TEST_F(RestoreTest, AMoveWhosePathResolvesElsewhereChangesNothing) {
    const std::wstring elsewhere = L"D:\\Elsewhere";
    const std::wstring copies = L"E:\\Copies";
    const std::wstring tail = L" leads outside the folder it belongs in (a link). Your Larkmail data was not changed.";
    struct Case {
        const char* what;
        RestoreScope scope;
        std::wstring link;  // a folder link to `elsewhere`; in the staging folder, made as 7-Zip unpacks
        std::wstring log;
    };
    const std::wstring copyStaging = copies + L"\\Larkmail.restore-1";
    const Case cases[] = {
        {"everything: the archive's Larkmail a link", {}, kStaging + L"\\Larkmail",
         L"Restore failed, " + kStaging + L"\\Larkmail" + tail},
        {"one folder: the archive's folder a link", {RestoreReach::OneFolder, L"Mail", {}},
         kStaging + L"\\Larkmail\\Mail", L"Restore failed, " + kStaging + L"\\Larkmail\\Mail" + tail},
        {"one folder: the data's folder a link", {RestoreReach::OneFolder, L"Mail", {}}, kData + L"\\Mail",
         L"Restore failed, " + kData + L"\\Mail" + tail},
        {"a copy: the archive's folder a link", {RestoreReach::Copy, L"Mail", copies},
         copyStaging + L"\\Larkmail\\Mail",
         L"Restore failed, the copy could not be put into " + copies + L". Your Larkmail data was not changed."},
    };
    for (const Case& c : cases) {
        SetUp();
        SetFakeFile(elsewhere + L"\\theirs.txt", "theirs");
        const std::wstring staging = c.scope.reach == RestoreReach::Copy ? copyStaging : kStaging;
        const bool staged = c.link.compare(0, staging.size(), staging) == 0;
        if (!staged) SetFakeLinkTarget(c.link, elsewhere);
        before = ParentTree();
        FakeProgramScript extract;
        extract.onStart = [&c, staging, staged, elsewhere] {
            for (const Item& item : kBackup) {
                const std::wstring path = staging + L"\\" + item.path;
                item.folder ? SetFakeFolder(path) : SetFakeFile(path, item.bytes);
            }
            if (staged) SetFakeLinkTarget(c.link, elsewhere);
        };
        ScriptFakeProgram(L"\"C:\\work\\7z.exe\" x ", extract);
        const RestoreFailure failure = RestoreFromArchive(kArchive, kData, ParseArchiveListing(ListingLines(kBackup)),
                                                          JobWindow{}, {}, {}, c.scope);
        EXPECT_EQ(failure.logLine, c.log) << c.what;
        EXPECT_EQ(failure.boxText, L"The restore failed. Your Larkmail data was not changed.") << c.what;
        EXPECT_EQ(ParentTree(), before) << c.what;  // no staging, no note, nothing set aside
        EXPECT_EQ(FakeFileBytes(elsewhere + L"\\theirs.txt"), "theirs") << c.what;
        EXPECT_EQ(LookUpPathKind(copyStaging), PathKind::Missing) << c.what;
    }
}

// Read-only restored files cannot be opened for writing: they alone go unflushed, and the restore succeeds.
TEST_F(RestoreTest, AReadOnlyRestoredFileIsLeftUnflushed) {
    ScriptListing(kBackup);
    ScriptExtraction(kBackup, 0, [] { SetFakeReadOnly(kStaging + L"\\Larkmail\\prefs.js", true); });
    AnswerEverything();
    RunRestore();
    EXPECT_EQ(LogText(), L"Restore Successful." + kStamp);
    EXPECT_EQ(FakeFileBytes(kData + L"\\prefs.js"), "new prefs");
    EXPECT_EQ(FakeFlushedFiles(), std::vector<std::wstring>({kStaging + L"\\Larkmail\\Mail\\inbox.db"}));
}

// The dialog: the archive's tree with sizes, three choices, and what each leads to.
TEST_F(RestoreTest, TheDialogShowsTheTreeAndLeadsEachChoiceOn) {
    const std::vector<Item> archive = {
        {L"Larkmail", "", true},
        {L"Larkmail\\Mail", "", true},
        {L"Larkmail\\Mail\\inbox.db", std::string(1536, 'm'), false},
        {L"Larkmail\\Mail\\Old Mail", "", true},
        {L"Larkmail\\Mail\\Old Mail\\a.eml", "old a", false},
        {L"Larkmail\\prefs.js", "new prefs", false},
    };
    const std::vector<Item> oldMail = {archive[0], archive[1], archive[3], archive[4]};
    struct Case {
        const char* what;
        int row;     // selected in the tree
        int option;  // checked
        std::vector<std::wstring> folders;  // answers of the folder requester
        std::vector<Item> written;
        std::vector<std::wstring> boxes;    // texts, in order
        std::wstring log;
    };
    const Case cases[] = {
        {"one folder", 2, kOptionOneFolder, {}, oldMail,
         {L"Are you sure you wish to restore from a backup?",
          L"The folder Mail\\Old Mail will be put back as it was in the backup; what changed in it since then will be "
          L"lost. Everything else in your Larkmail data stays as it is. Are you sure you wish to continue?",
          L"The folder Mail\\Old Mail was restored. Everything else is as it was."},
         L"Folder restored: " + kData + L"\\Mail\\Old Mail"},
        {"one folder with the top selected is everything", 0, kOptionOneFolder, {}, archive,
         {L"Are you sure you wish to restore from a backup?",
          L"This will overwrite your current Larkmail Data. Are you sure you wish to continue?", L"Restore Completed"},
         L"Restore Successful."},
        {"a copy: inside the data or backup folder refused, then asked again", 2, kOptionCopy,
         {kData + L"\\Mail\\", L"d:\\my backups\\x\\", L"E:\\Copies\\"}, oldMail,
         {L"Are you sure you wish to restore from a backup?",
          L"The copy must go outside the Larkmail data folder and the backup folder. Please choose another folder.",
          L"The copy must go outside the Larkmail data folder and the backup folder. Please choose another folder.",
          L"The copy is in the folder E:\\Copies\\Old Mail. Your Larkmail data was not changed."},
         L"Copy of the backup unpacked to: E:\\Copies\\Old Mail"},
        {"a copy cancelled at the folder", 2, kOptionCopy, {L""}, {},
         {L"Are you sure you wish to restore from a backup?"}, L""},
    };
    for (const Case& c : cases) {
        SetUp();
        ScriptListing(archive);
        const bool copy = c.option == kOptionCopy;
        FakeProgramScript extract;
        extract.onStart = [&c, copy] {
            const std::wstring staging = copy ? L"E:\\Copies\\Larkmail.restore-1" : kStaging;
            for (const Item& item : c.written)
                item.folder ? SetFakeFolder(staging + L"\\" + item.path) : SetFakeFile(staging + L"\\" + item.path, item.bytes);
        };
        ScriptFakeProgram(L"\"C:\\work\\7z.exe\" x ", extract);
        QueueFakeAnswer(true);
        QueueFakeRequesterAnswer(kArchive);
        std::vector<std::wstring> rows;
        QueueFakeEventAction([&c, &rows] {
            for (const TreeRow& row : FakeControlState(kTreeRestore).rows)
                rows.push_back(std::to_wstring(row.parent) + L" " + row.text);
            EXPECT_EQ(ReadTreeSelection(kTreeRestore), 0);
            EXPECT_TRUE(ReadControlCheck(kOptionEverything));
            EXPECT_TRUE(FakeControlState(kTreeRestore).focused);
            SelectTreeRow(kTreeRestore, c.row);
            SetControlCheck(kOptionEverything, false);
            SetControlCheck(c.option, true);
        });
        QueueFakeEvent(kEventControl, kButtonRestoreChosen);
        for (const std::wstring& folder : c.folders) QueueFakeRequesterAnswer(folder);
        if (!copy) QueueFakeAnswer(true);
        RunRestore();

        EXPECT_EQ(rows, std::vector<std::wstring>({L"-1 Larkmail (3 files, 1.5 KB)", L"0 Mail (2 files, 1.5 KB)",
                                                   L"1 Old Mail (1 file, 5 bytes)"}))
            << c.what;
        std::vector<std::wstring> texts;
        for (const FakeBox& box : FakeBoxes()) texts.push_back(box.text);
        EXPECT_EQ(texts, c.boxes) << c.what;
        EXPECT_EQ(LogText(), c.log.empty() ? L"" : c.log + kStamp) << c.what;
        EXPECT_FALSE(FakeDialogState().open) << c.what;
        EXPECT_EQ(FakeDialogState().title, L"What to restore") << c.what;
        EXPECT_EQ(FakeDialogState().okNumber, kButtonRestoreChosen) << c.what;
        EXPECT_EQ(FakeDialogState().cancelNumber, kButtonRestoreCancel) << c.what;
        if (copy) EXPECT_EQ(ParentTree(), before) << c.what;
    }
}

}  // namespace

namespace {

// An encrypted archive opens with the stored password, or with the one typed
// into the dialog when the stored one (an older one, or none) does not; a
// wrong one ends before anything was touched. 7-Zip answers each listing by
// the password it was given on standard input.
TEST_F(RestoreTest, EncryptedArchivesOpenWithTheStoredOrTypedPasswordAndAWrongOneChangesNothing) {
    const std::string right = "right\r\nright\r\nright\r\n";
    const std::wstring kListEnc = kList;  // listings carry -sccUTF-8 already
    const std::wstring kExtractEnc = L"\"C:\\work\\7z.exe\" x -o" + kStaging + L"\\ -bsp1 -sccUTF-8 \"" + kArchive + L"\"";
    const std::wstring warning = L"This will overwrite your current Larkmail Data. Are you sure you wish to continue?";
    struct Case {
        const char* what;
        std::string stored;        // ArchivePassword; the fake seals "right" and "old" below
        bool encrypted;
        std::wstring typed;        // empty: Esc on the dialog (when it comes)
        bool asked;
        std::vector<std::wstring> lines;
        std::string extractInput;  // empty: no extraction
        std::wstring lastBox;
        std::wstring log;
    };
    const std::string sealedRight = "ZmFrZS1zZWFsZWQ6KFozWj1aMlouWg==";
    const std::string sealedOld = "ZmFrZS1zZWFsZWQ6NVo2Wj5a";
    const std::wstring wrongLog = L"Restore refused, wrong password for the archive: " + kArchive + kStamp;
    const Case cases[] = {
        {"stored opens it", sealedRight, true, L"", false, {kListEnc, kExtractEnc}, right, L"Restore Completed",
         L"Restore Successful." + kStamp},
        {"older stored, right typed", sealedOld, true, L"right", true, {kListEnc, kListEnc, kExtractEnc}, right,
         L"Restore Completed", L"Restore Successful." + kStamp},
        {"none stored, right typed", "", true, L"right", true, {kListEnc, kListEnc, kExtractEnc}, right,
         L"Restore Completed", L"Restore Successful." + kStamp},
        {"stored cannot be unsealed, right typed", "bm90IHNlYWxlZA==", true, L"right", true,
         {kListEnc, kListEnc, kExtractEnc}, right, L"Restore Completed", L"Restore Successful." + kStamp},
        {"wrong typed", sealedOld, true, L"wrong", true, {kListEnc, kListEnc}, "",
         L"Wrong password: nothing was changed.", wrongLog},
        {"dialog escaped", sealedOld, true, L"", true, {kListEnc}, "", L"Your restore request has been cancelled.", L""},
        {"unencrypted, password stored", sealedRight, false, L"", false, {kList, kExtract}, "", L"Restore Completed",
         L"Restore Successful." + kStamp},
    };
    for (const Case& c : cases) {
        SetUp();
        if (!c.stored.empty()) SetFakeFile(L"lmbackup.prefs", "\xEF\xBB\xBF\r\nArchivePassword = " + c.stored + "\r\n");
        FakeProgramScript refused;
        refused.exitCode = 2;
        refused.outputLines = {L"ERROR: " + kArchive + L" : Cannot open encrypted archive. Wrong password?"};
        if (!c.encrypted) ScriptListing(kBackup);
        if (c.encrypted) {
            ScriptFakeProgram(L"\"C:\\work\\7z.exe\" l ", refused);
            FakeProgramScript opens;
            opens.outputLines = ListingLines(kBackup, true);
            opens.forInput = right;
            ScriptFakeProgram(L"\"C:\\work\\7z.exe\" l ", opens);
        }
        ScriptExtraction(kBackup);
        QueueFakeAnswer(true);
        QueueFakeRequesterAnswer(kArchive);
        std::vector<int> dialogControls;
        QueueFakeEventAction([&] { dialogControls = FakeControlNumbers(); });
        if (!c.typed.empty()) {
            QueueFakeEventAction([&c] { SetControlText(kFieldPassword, c.typed); });
            QueueFakeEvent(kEventControl, kFieldPassword);
        }
        if (c.asked) QueueFakeDialogKey(!c.typed.empty());
        // Then the dialog of what to restore, once the archive opened.
        QueueFakeEvent(kEventControl, kButtonRestoreChosen);
        QueueFakeAnswer(true);
        RunRestore();
        EXPECT_EQ(StartLines(), c.lines) << c.what;
        for (const FakeStart& start : FakeStarts()) {
            if (start.commandLine.rfind(L"\"C:\\work\\7z.exe\" x ", 0) == 0) {
                EXPECT_EQ(start.options.standardInput, c.extractInput) << c.what;
            }
            // With a password the names are secret: they come through the pipe only.
            if (start.commandLine == kListEnc) {
                EXPECT_EQ(start.options.outputThroughFile, start.options.standardInput == "\r\n\r\n\r\n") << c.what;
            }
        }
        const bool opened = c.lines.back() != kListEnc;
        EXPECT_EQ(FakeDialogState().opened, (c.asked ? 1 : 0) + (opened ? 1 : 0)) << c.what;
        if (c.asked) {
            EXPECT_EQ(dialogControls, std::vector<int>({kLabelPassword, kFieldPassword, kLabelPasswordNote,
                                                        kButtonPasswordOk, kButtonPasswordCancel}))
                << c.what;
        }
        ASSERT_FALSE(FakeBoxes().empty()) << c.what;
        EXPECT_EQ(FakeBoxes().back().text, c.lastBox) << c.what;
        if (!c.extractInput.empty())
            EXPECT_EQ(FakeBoxes()[1].text, L"This backup is encrypted. " + warning) << c.what;
        if (c.lines.back() == kExtract) EXPECT_EQ(FakeBoxes()[1].text, warning) << c.what;
        EXPECT_EQ(LogText(), c.log) << c.what;
        if (c.extractInput.empty() && c.lines.back() != kExtract) EXPECT_EQ(ParentTree(), before) << c.what;
    }
}

}  // namespace
