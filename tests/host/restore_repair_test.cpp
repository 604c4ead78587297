// The repair at start of a restore that a kill interrupted: each folder state, what ends as Larkmail, what goes, the log line.
#include "engine/restore/restore_journal.h"

#include <gtest/gtest.h>

#include <map>

#include "config/language_table.h"
#include "platform/fake/fake_platform.h"
#include "platform/files.h"
#include "platform/text.h"

namespace {

const std::wstring kParent = L"C:\\Users\\anna\\AppData\\Local\\";
const std::wstring kData = kParent + L"Larkmail";
const std::wstring kStamp = L" 12/07/2026 15:35:01\r\n";
using Tree = std::map<std::wstring, std::string>;  // below the parent; "<folder>" for folders

const Tree kOld = {{L"", "<folder>"}, {L"\\prefs.js", "old prefs"}, {L"\\Mail", "<folder>"}, {L"\\Mail\\inbox.db", "old mail"}};
const Tree kNew = {{L"", "<folder>"}, {L"\\prefs.js", "new prefs"}, {L"\\Mail", "<folder>"}, {L"\\Mail\\inbox.db", "new mail"}};
const Tree kHalf = {{L"", "<folder>"}, {L"\\prefs.js", "new p"}};
const Tree kEmpty = {{L"", "<folder>"}};
const Tree kPrefsOnly = {{L"", "<folder>"}, {L"\\prefs.js", "old prefs"}};
const Tree kOldMail = {{L"", "<folder>"}, {L"\\inbox.db", "old mail"}};
const Tree kNewMail = {{L"", "<folder>"}, {L"\\inbox.db", "new mail"}};
const Tree kClientMade = {{L"", "<folder>"}, {L"\\prefs.js", "fresh"}};

void Put(Tree& tree, const std::wstring& at, const Tree& content) {
    for (const auto& entry : content) tree[at + entry.first] = entry.second;
}

void Build(const Tree& tree) {
    for (const auto& entry : tree) {
        if (entry.second == "<folder>")
            SetFakeFolder(kParent + entry.first);
        else
            SetFakeFile(kParent + entry.first, entry.second);
    }
}

Tree ParentTree() {
    Tree tree;
    for (const std::wstring& path : FakePaths()) {
        if (path.size() <= kParent.size() || path.compare(0, kParent.size(), kParent) != 0) continue;
        tree[path.substr(kParent.size())] = LookUpPathKind(path) == PathKind::Folder ? "<folder>" : FakeFileBytes(path);
    }
    return tree;
}

// The note's bytes as the restore writes them.
std::string Note(const char* phase, const char* staging = "Larkmail.restore-1", const char* aside = "Larkmail.old-1",
                 const char* process = "4321", const char* program = "LarkmailBackup.exe", const char* folder = "") {
    return std::string("phase=") + phase + "\r\nstaging=" + staging + "\r\naside=" + aside +
           (*folder ? std::string("\r\nfolder=") + folder : std::string()) + "\r\nprocess=" + process +
           "\r\nprogram=" + program + "\r\n";
}

// A note of one folder's restore ("Mail").
std::string FolderNote(const char* phase, const char* folder = "Mail") {
    return Note(phase, "Larkmail.restore-1", "Larkmail.old-1", "4321", "LarkmailBackup.exe", folder);
}

TEST(RestoreRepairTest, EachInterruptedStateEndsWithOneWholeDataFolder) {
    const std::wstring undone =
        L"An interrupted restore was undone: its unfinished copy was removed. Your Larkmail data was not changed.";
    const std::wstring putBack = L"An interrupted restore was undone: your Larkmail data was moved back into place.";
    const std::wstring finished =
        L"An interrupted restore was finished: the restored data was put in place and the old data removed.";
    const std::wstring cleaned = L"An interrupted restore was finished: the old data it had set aside was removed.";
    const std::wstring staged = L"Larkmail.restore-1\\Larkmail";
    struct Case {
        const char* what;
        std::string note;  // empty: none
        std::vector<std::pair<std::wstring, Tree>> folders;
        std::vector<std::pair<std::wstring, Tree>> after;  // besides the note, when it stays
        std::wstring log;
        bool noteStays = false;
        std::vector<ProcessEntry> processes = {};
        std::wstring refusedMove = {};
        std::wstring link = {};  // a folder link that resolves to D:\Elsewhere
    };
    const std::wstring noteKept = L"The note of an interrupted restore cannot be used and was kept, as folders it "
                                  L"names still lie beside the Larkmail data folder: " +
                                  kParent + L"Larkmail.restoring" + kStamp;
    const std::wstring kept = L"A Larkmail folder made while a restore was interrupted was kept as: " + kParent +
                              L"Larkmail.new-1" + kStamp;
    const Case cases[] = {
        {"killed while 7-Zip extracted", Note("extracting"), {{L"Larkmail", kOld}, {staged, kHalf}},
         {{L"Larkmail", kOld}}, undone + kStamp},
        {"killed before the staging folder was made", Note("extracting"), {{L"Larkmail", kOld}},
         {{L"Larkmail", kOld}}, undone + kStamp},
        // A copy that passed its check but whose note was not yet written is never put in place.
        {"killed after the check, before its note", Note("extracting"), {{L"Larkmail", kOld}, {staged, kNew}},
         {{L"Larkmail", kOld}}, undone + kStamp},
        {"checked, the data not yet aside", Note("swapping"), {{L"Larkmail", kOld}, {staged, kNew}},
         {{L"Larkmail", kOld}}, undone + kStamp},
        {"between the two moves", Note("swapping"), {{L"Larkmail.old-1", kOld}, {staged, kNew}},
         {{L"Larkmail", kNew}}, finished + kStamp},
        {"between the moves, the client made an empty folder", Note("swapping"),
         {{L"Larkmail.old-1", kOld}, {staged, kNew}, {L"Larkmail", kEmpty}}, {{L"Larkmail", kNew}}, finished + kStamp},
        {"between the moves, the client made a folder with a file", Note("swapping"),
         {{L"Larkmail.old-1", kOld}, {staged, kNew}, {L"Larkmail", kClientMade}},
         {{L"Larkmail", kNew}, {L"Larkmail.new-1", kClientMade}}, kept + finished + kStamp},
        {"restored in place, the old data not yet deleted", Note("swapping"),
         {{L"Larkmail", kNew}, {L"Larkmail.old-1", kOld}}, {{L"Larkmail", kNew}}, cleaned + kStamp},
        {"restored in place, the old data half deleted", Note("swapping"),
         {{L"Larkmail", kNew}, {L"Larkmail.old-1", kHalf}}, {{L"Larkmail", kNew}}, cleaned + kStamp},
        {"the data aside and nothing else", Note("swapping"), {{L"Larkmail.old-1", kOld}},
         {{L"Larkmail", kOld}}, putBack + kStamp},
        {"the data aside, the client made an empty folder", Note("swapping"),
         {{L"Larkmail.old-1", kOld}, {L"Larkmail", kEmpty}}, {{L"Larkmail", kOld}}, putBack + kStamp},
        {"moving back after the copy would not go in", Note("moving back"),
         {{L"Larkmail.old-1", kOld}, {staged, kNew}}, {{L"Larkmail", kOld}}, putBack + kStamp},
        {"moving back, the client made a folder with a file", Note("moving back"),
         {{L"Larkmail.old-1", kOld}, {L"Larkmail", kClientMade}},
         {{L"Larkmail", kOld}, {L"Larkmail.new-1", kClientMade}}, kept + putBack + kStamp},
        {"the checked copy will not move: the data comes back", Note("swapping"),
         {{L"Larkmail.old-1", kOld}, {staged, kNew}}, {{L"Larkmail", kOld}}, putBack + kStamp, false, {}, staged},
        {"nothing will move: the note stays for the next start", Note("moving back"),
         {{L"Larkmail.old-1", kOld}}, {{L"Larkmail.old-1", kOld}},
         L"An interrupted restore could not be repaired. Your Larkmail data is in: " + kParent + L"Larkmail.old-1" +
             kStamp,
         true, {}, L"Larkmail.old-1"},
        {"the restore still runs in another window", Note("swapping"), {{L"Larkmail", kNew}, {L"Larkmail.old-1", kOld}},
         {{L"Larkmail", kNew}, {L"Larkmail.old-1", kOld}}, L"", true, {{4321, L"C:\\Tools\\LarkmailBackup.exe"}}},
        {"its process id now belongs to another program", Note("extracting"), {{L"Larkmail", kOld}, {staged, kHalf}},
         {{L"Larkmail", kOld}}, undone + kStamp, false, {{4321, L"notepad.exe"}}},
        // One folder: the same steps for Larkmail\Mail alone, the rest of the data never touched.
        {"one folder: killed while 7-Zip extracted", FolderNote("extracting"),
         {{L"Larkmail", kOld}, {L"Larkmail.restore-1\\Larkmail\\Mail", kHalf}}, {{L"Larkmail", kOld}}, undone + kStamp},
        {"one folder: between the two moves", FolderNote("swapping"),
         {{L"Larkmail", kPrefsOnly}, {L"Larkmail.old-1", kOldMail}, {L"Larkmail.restore-1\\Larkmail\\Mail", kNewMail}},
         {{L"Larkmail", kPrefsOnly}, {L"Larkmail\\Mail", kNewMail}}, finished + kStamp},
        {"one folder the user had deleted, its parent gone too", FolderNote("swapping", "Mail\\Sub"),
         {{L"Larkmail", kPrefsOnly}, {L"Larkmail.restore-1\\Larkmail\\Mail\\Sub", kNewMail}},
         {{L"Larkmail", kPrefsOnly}, {L"Larkmail\\Mail", kEmpty}, {L"Larkmail\\Mail\\Sub", kNewMail}}, finished + kStamp},
        {"one folder in place, its old copy not yet deleted", FolderNote("swapping"),
         {{L"Larkmail", kNew}, {L"Larkmail.old-1", kOldMail}}, {{L"Larkmail", kNew}}, cleaned + kStamp},
        {"one folder moving back", FolderNote("moving back"),
         {{L"Larkmail", kPrefsOnly}, {L"Larkmail.old-1", kOldMail}}, {{L"Larkmail", kPrefsOnly}, {L"Larkmail\\Mail", kOldMail}},
         putBack + kStamp},
        // A note it cannot use stays while anything it names is there: the data may be in it.
        {"a note's folder reaching out of the data folder", FolderNote("moving back", "..\\Documents"),
         {{L"Larkmail", kOld}, {L"Larkmail.old-1", kOldMail}}, {{L"Larkmail", kOld}, {L"Larkmail.old-1", kOldMail}},
         noteKept, true},
        {"a note's folder on a drive of its own", FolderNote("moving back", "D:\\Mail"),
         {{L"Larkmail", kOld}, {L"Larkmail.old-1", kOldMail}}, {{L"Larkmail", kOld}, {L"Larkmail.old-1", kOldMail}},
         noteKept, true},
        {"a note's folder with an empty part", FolderNote("moving back", "Mail\\\\Sub"),
         {{L"Larkmail", kOld}, {L"Larkmail.old-1", kOldMail}}, {{L"Larkmail", kOld}, {L"Larkmail.old-1", kOldMail}},
         noteKept, true},
        {"a note's folder with a control character", FolderNote("moving back", "Ma\til"),
         {{L"Larkmail", kOld}, {L"Larkmail.old-1", kOldMail}}, {{L"Larkmail", kOld}, {L"Larkmail.old-1", kOldMail}},
         noteKept, true},
        // Only names the restore gives are ever touched.
        {"a note naming a folder of the user's", Note("extracting", "Documents"),
         {{L"Larkmail", kOld}, {L"Documents", kHalf}}, {{L"Larkmail", kOld}, {L"Documents", kHalf}}, noteKept, true},
        {"a note naming the data folder as aside", Note("swapping", "Larkmail.restore-1", "Larkmail"),
         {{L"Larkmail", kOld}}, {{L"Larkmail", kOld}}, noteKept, true},
        {"an unusable note naming nothing that is there goes", Note("extracting", "Documents"), {{L"Larkmail", kOld}},
         {{L"Larkmail", kOld}}, L""},
        // Moves and deletes only where the paths resolve to the folders they belong to.
        {"one folder between the moves, its checked copy now a link elsewhere", FolderNote("swapping"),
         {{L"Larkmail", kPrefsOnly}, {L"Larkmail.old-1", kOldMail}, {L"Larkmail.restore-1\\Larkmail\\Mail", kNewMail}},
         {{L"Larkmail", kPrefsOnly}, {L"Larkmail\\Mail", kOldMail}}, putBack + kStamp, false, {}, {},
         L"Larkmail.restore-1\\Larkmail\\Mail"},
        {"the data set aside now a link elsewhere: never deleted through", Note("swapping"),
         {{L"Larkmail", kNew}, {L"Larkmail.old-1", kOld}}, {{L"Larkmail", kNew}, {L"Larkmail.old-1", kOld}},
         cleaned + kStamp + L"Some files of the old Larkmail data could not be deleted: " + kParent +
             L"Larkmail.old-1" + kStamp,
         false, {}, {}, L"Larkmail.old-1"},
        {"no note: folders named like ours are the user's", "", {{L"Larkmail", kOld}, {staged, kHalf}, {L"Larkmail.old-1", kOld}},
         {{L"Larkmail", kOld}, {L"Larkmail.restore-1", kEmpty}, {staged, kHalf}, {L"Larkmail.old-1", kOld}}, L""},
    };
    for (const Case& c : cases) {
        ResetFakePlatform();
        LoadLanguageTable(ProcessLanguageTable(), L"");
        SetFakeProcesses(c.processes);
        Tree start;
        for (const auto& folder : c.folders) Put(start, folder.first, folder.second);
        Build(start);
        if (!c.note.empty()) SetFakeFile(kParent + L"Larkmail.restoring", c.note);
        if (!c.refusedMove.empty()) SetFakeMoveRefused(kParent + c.refusedMove);
        if (!c.link.empty()) SetFakeLinkTarget(kParent + c.link, L"D:\\Elsewhere");

        RepairInterruptedRestore(kData);

        Tree expected;
        for (const auto& folder : c.after) Put(expected, folder.first, folder.second);
        if (c.noteStays) expected[L"Larkmail.restoring"] = c.note;
        EXPECT_EQ(ParentTree(), expected) << c.what;
        EXPECT_EQ(WideFromUtf8(FakeFileBytes(L"Backup.log")), c.log) << c.what;
    }
}

// The note is whole before each step and names only what it must.
TEST(RestoreRepairTest, TheNoteHoldsThePhaseTheNamesAndItsWriter) {
    ResetFakePlatform();
    SetFakeExecutablePath(L"D:\\Larkmail Backup\\LarkmailBackup.exe");
    SetFakeFolder(kParent);
    ASSERT_TRUE(WriteRestoreJournal(kData, RestorePhase::MovingBack, kParent + L"Larkmail.restore-3",
                                    kParent + L"Larkmail.old-2"));
    EXPECT_EQ(FakeFileBytes(kParent + L"Larkmail.restoring"),
              Note("moving back", "Larkmail.restore-3", "Larkmail.old-2", "4242", "LarkmailBackup.exe"));
    EXPECT_EQ(ParentTree(), (Tree{{L"Larkmail.restoring", FakeFileBytes(kParent + L"Larkmail.restoring")}}));
}

}  // namespace
