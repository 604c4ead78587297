// Reading 7-Zip's "-slt" listing, unsafe item names, the Larkmail folder test, a differential's day, the list
// command line and the dot rule.
#include "engine/console/archive_listing.h"
#include "engine/restore/archive_tree.h"
#include "engine/restore/differential_restore.h"

#include <gtest/gtest.h>

#include "ui/backup_flow.h"

namespace {

// As 7z.exe 25.01 prints it for a backup archive, trimmed.
const std::vector<std::wstring> kWindowsListing = {
    L"",
    L"7-Zip 25.01 (x64) : Copyright (c) 1999-2025 Igor Pavlov : 2025-08-03",
    L"",
    L"Scanning the drive for archives:",
    L"1 file, 1233 bytes (2 KiB)",
    L"",
    L"Listing archive: Z:\\b\\LarkmailBackup_PC1_anna_20261207.7z",
    L"",
    L"--",
    L"Path = Z:\\b\\LarkmailBackup_PC1_anna_20261207.7z",
    L"Type = 7z",
    L"Physical Size = 1233",
    L"",
    L"----------",
    L"Path = Larkmail",
    L"Size = 0",
    L"Packed Size = 0",
    L"Attributes = D",
    L"CRC = ",
    L"Encrypted = -",
    L"",
    L"Path = Larkmail\\Mail\\\u00c4rger & M\u00fche\\n\u00f6te.eml",
    L"Size = 1000",
    L"Packed Size = 1007",
    L"Attributes = RA",
    L"CRC = C14AC1CE",
    L"Encrypted = +",
    L"Method = LZMA2:12 7zAES:19",
    L"",
    L"Path = Larkmail\\Dir",
    L"Size = 0",
    L"Attributes = HD",
    L"",
    L"Path = Larkmail\\unix.txt",
    L"Size = ",
    L"Attributes = A -rw-r--r-- Dummy",
    L"",
    L"Path = Larkmail/from zip",
    L"Folder = +",
    L"Size = 0",
    L"",
};

TEST(ArchiveListing, ReadsTheItemsAfterTheArchivesOwnBlock) {
    const std::vector<ArchiveItem> items = ParseArchiveListing(kWindowsListing);
    struct Expected {
        std::wstring path;
        bool isFolder;
        std::int64_t size;
        bool encrypted;
    };
    const std::vector<Expected> expected = {
        {L"Larkmail", true, 0, false},
        {L"Larkmail\\Mail\\\u00c4rger & M\u00fche\\n\u00f6te.eml", false, 1000, true},
        {L"Larkmail\\Dir", true, 0, false},
        {L"Larkmail\\unix.txt", false, -1, false},
        {L"Larkmail/from zip", true, 0, false},
    };
    ASSERT_EQ(items.size(), expected.size());
    EXPECT_TRUE(items[1].hasCrc);
    EXPECT_EQ(items[1].crc, 0xC14AC1CEu);
    EXPECT_FALSE(items[0].hasCrc);  // "CRC = " with nothing after it
    for (std::size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i].path, expected[i].path) << i;
        EXPECT_EQ(items[i].isFolder, expected[i].isFolder) << i;
        EXPECT_EQ(items[i].size, expected[i].size) << i;
        EXPECT_EQ(items[i].encrypted, expected[i].encrypted) << i;
    }
    // Error output without the separator lists nothing.
    EXPECT_TRUE(ParseArchiveListing({L"Path = x.7z", L"ERROR: x.7z : Can not open the file as archive"}).empty());
}

TEST(ArchiveListing, OnlyALarkmailFolderAtTheTopCounts) {
    struct Case {
        std::vector<ArchiveItem> items;
        bool holds;
    };
    const Case cases[] = {
        {{{L"Larkmail", true, 0}}, true},
        {{{L"LARKMAIL\\prefs.js", false, 3}}, true},  // folder implied by its file
        {{{L"larkmail/prefs.js", false, 3}}, true},
        {{{L"Larkmail", false, 3}}, false},  // a file of that name
        {{{L"Larkmail2\\prefs.js", false, 3}, {L"Larkmail2", true, 0}}, false},
        {{{L"Local\\Larkmail\\prefs.js", false, 3}}, false},
        {{{L"Larkmai", true, 0}}, false},
        {{}, false},
    };
    int row = 0;
    for (const Case& c : cases) EXPECT_EQ(HoldsTopFolder(c.items, L"Larkmail"), c.holds) << "row " << row++;
}

TEST(ArchiveListing, ADifferentialOverItsFullGivesTheDaysItems) {
    // As 7-Zip lists a differential: deletions as anti-items.
    const std::vector<ArchiveItem> diff = ParseArchiveListing({
        L"----------", L"Path = Larkmail\\Gone", L"Anti = +", L"Attributes = D", L"",
        L"Path = Larkmail\\old.eml", L"Size = 0", L"Anti = +", L"Attributes = ", L"",
        L"Path = larkmail/PREFS.JS", L"Size = 4", L"Anti = -", L"Attributes = A", L"CRC = 0000000B", L"",
        L"Path = Larkmail\\new.eml", L"Size = 2", L"Anti = -", L"Attributes = A", L"CRC = 0000000C", L"",
    });
    ASSERT_EQ(diff.size(), 4u);
    const std::vector<ArchiveItem> full = {
        {L"Larkmail", true, 0},
        {L"Larkmail\\prefs.js", false, 3, true, 0xA},
        {L"Larkmail\\old.eml", false, 5, true, 0xD},
        {L"Larkmail\\Gone", true, 0},
        {L"Larkmail\\Gone\\b.eml", false, 5, true, 0xE},
        {L"Larkmail\\Gonener.eml", false, 5, true, 0xF},  // only a name alike
    };
    std::vector<std::wstring> removed;
    std::size_t fromFull = 0;
    const std::vector<ArchiveItem> day = CombineDifferentialItems(full, diff, removed, &fromFull);
    std::vector<std::wstring> paths;
    for (const ArchiveItem& item : day) paths.push_back(item.path + L" " + std::to_wstring(item.crc));
    // The full's that stay, in its order, then the differential's in its own: the order 7-Zip writes them in.
    EXPECT_EQ(paths, std::vector<std::wstring>({L"Larkmail 0", L"Larkmail\\Gonener.eml 15", L"larkmail/PREFS.JS 11",
                                                L"Larkmail\\new.eml 12"}));
    EXPECT_EQ(fromFull, 2u);
    // Of one folder's items (as the day's, in order): those the full alone writes come first.
    DifferentialRestore layers;
    layers.fromFull = fromFull;
    EXPECT_EQ(CountFullOnlyItems(layers, day, day), 2u);
    EXPECT_EQ(CountFullOnlyItems(layers, day, {day[1], day[3]}), 1u);
    EXPECT_EQ(CountFullOnlyItems(layers, day, {day[2], day[3]}), 0u);
    EXPECT_EQ(removed, std::vector<std::wstring>({L"Larkmail\\Gone", L"Larkmail\\old.eml"}));
}

// The deletions of a large night: 20,000 anti-items among 50,000 items, each
// matched by its path, never by a pass over all items for each deletion.
TEST(ArchiveListing, TwentyThousandDeletionsAmongFiftyThousandItems) {
    std::vector<ArchiveItem> full, diff;
    for (int folder = 0; folder < 500; ++folder) {
        const std::wstring name = L"Larkmail\\Mail\\F" + std::to_wstring(folder) + L"\\m";
        for (int file = 0; file < 100; ++file) full.push_back({name + std::to_wstring(file) + L".eml", false, 2});
        for (int file = 0; file < 40; ++file)
            diff.push_back({name + std::to_wstring(file) + L".eml", false, 0, false, 0, true});
    }
    diff.push_back({L"larkmail\\mail\\f0\\M0.EML", false, 3});  // deleted, then written again
    diff.push_back({L"Larkmail\\Mail\\F0\\new.eml", false, 4});
    std::vector<std::wstring> removed;
    std::size_t fromFull = 0;
    const std::vector<ArchiveItem> day = CombineDifferentialItems(full, diff, removed, &fromFull);
    ASSERT_EQ(day.size(), 30002u);
    EXPECT_EQ(fromFull, 30000u);
    EXPECT_EQ(day.front().path, L"Larkmail\\Mail\\F0\\m40.eml");
    EXPECT_EQ(day[fromFull - 1].path, L"Larkmail\\Mail\\F499\\m99.eml");
    EXPECT_EQ(day[fromFull].path, L"larkmail\\mail\\f0\\M0.EML");
    EXPECT_EQ(day.back().path, L"Larkmail\\Mail\\F0\\new.eml");
    ASSERT_EQ(removed.size(), 19999u);
    EXPECT_EQ(removed.front(), L"Larkmail\\Mail\\F0\\m1.eml");
}

// Names of items that could reach out of the folder they are unpacked into, as another tool or a damaged archive
// gives them.
TEST(ArchiveListing, ItemNamesThatCouldReachOutAreNotSafe) {
    struct Case {
        std::wstring path;
        bool safe;
    };
    const Case cases[] = {
        {L"Larkmail", true},
        {L"Larkmail\\Mail\\\u00c4rger & M\u00fche\\n\u00f6te.eml", true},
        {L"Larkmail/from zip/a b.eml", true},
        {L"Larkmail\\..x\\.hidden", true},  // dots within a name
        {L"", false},
        {L"Larkmail\\\\Mail", false},  // an empty part
        {L"Larkmail\\Mail\\", false},
        {L"Larkmail\\.\\Mail", false},
        {L"Larkmail\\..\\..\\Windows\\x.dll", false},
        {L"Larkmail/../x", false},
        {L"..", false},
        {L"C:\\Windows\\x.dll", false},  // a drive letter
        {L"C:x.dll", false},
        {L"Larkmail\\a.eml:stream", false},  // any ":"
        {L"\\Larkmail\\x", false},  // a leading separator
        {L"/Larkmail/x", false},
        {L"\\\\server\\share\\x", false},
        {L"Larkmail\\a\tb.eml", false},  // characters below U+0020
        {L"Larkmail\\a\x01", false},
        {L"Larkmail\\a\x1f", false},
        // Names Windows reads as another file or a device.
        {L"Larkmail\\Inbox.", false},  // is "Inbox"
        {L"Larkmail\\Inbox \\x.eml", false},
        {L"Larkmail\\...\\x.eml", false},
        {L"Larkmail\\NUL", false},
        {L"Larkmail\\Mail\\com1", false},
        {L"Larkmail\\lpt9\\x.eml", false},
        {L"Larkmail\\con.eml", true},  // a file on Windows 11
        {L"Larkmail\\NULL.eml", true},
        {L"Larkmail\\Console\\COM10.eml", true},
        {L"Larkmail\\a?b.eml", false},
        {L"Larkmail\\a|b.eml", false},
        {L"Larkmail\\\"a\".eml", false},
        {L"Larkmail\\<a>.eml", false},
    };
    std::vector<ArchiveItem> items;
    for (const Case& c : cases) {
        EXPECT_EQ(IsSafeItemPath(c.path), c.safe) << c.path;
        if (c.safe) items.push_back({c.path, false, 1});
    }
    EXPECT_EQ(FindUnsafeItem(items), items.size());
    items.insert(items.begin() + 2, {L"Larkmail\\..\\x", true, 0, false, 0, true});  // an anti-item too
    EXPECT_EQ(FindUnsafeItem(items), 2u);
}

TEST(ArchiveListing, ListCommandQuotesAPathWithABlank) {
    EXPECT_EQ(BuildListParameters(L"D:\\B\\a.7z"), L"l -slt -sccUTF-8 D:\\B\\a.7z");
    EXPECT_EQ(BuildListParameters(L"D:\\My Backups\\a.7z"), L"l -slt -sccUTF-8 \"D:\\My Backups\\a.7z\"");
    EXPECT_EQ(BuildListParameters(L"D:\\B\\LarkmailBackup_PC1_Anna Maria_20261207.7z"),
              L"l -slt -sccUTF-8 \"D:\\B\\LarkmailBackup_PC1_Anna Maria_20261207.7z\"");
}

// "name files bytes [children...]" for each folder, depth first.
std::wstring TreeText(const std::vector<ArchiveFolder>& tree, int at = 0) {
    if (tree.empty()) return L"";
    const ArchiveFolder& f = tree[at];
    std::wstring text = f.name + L" " + std::to_wstring(f.files) + L" " + std::to_wstring(f.bytes);
    if (!f.children.empty()) {
        text += L" [";
        for (std::size_t i = 0; i < f.children.size(); ++i) {
            if (tree[f.children[i]].parent != at) return L"bad parent";
            text += (i ? L", " : L"") + TreeText(tree, f.children[i]);
        }
        text += L"]";
    }
    return text;
}

TEST(ArchiveTree, FoldersWithTheirFilesAndBytesAtAnyDepth) {
    const ArchiveItem anti{L"Larkmail\\Mail\\gone.eml", false, 0, false, 0, true};
    const ArchiveItem antiFolder{L"Larkmail\\Old", true, 0, false, 0, true};
    struct Case {
        const char* what;
        std::vector<std::vector<ArchiveItem>> listings;
        std::wstring tree;
    };
    const Case cases[] = {
        {"nothing", {{}}, L""},
        {"other top folders only", {{{L"Documents\\a.txt", false, 5}}}, L""},
        {"nested, blanks, non-ASCII, an empty folder; children by name, any case",
         {{{L"Larkmail", true, 0},
           {L"Larkmail\\prefs.js", false, 10},
           {L"Larkmail\\Mail", true, 0},
           {L"Larkmail\\Mail\\Old Mail", true, 0},
           {L"Larkmail\\Mail\\Old Mail\\a b.eml", false, 100},
           {L"Larkmail\\Mail\\\u00c4rger & M\u00fche\\n\u00f6te.eml", false, 1000},
           {L"Larkmail\\Mail\\inbox", true, 0},
           {L"Larkmail/Mail/inbox/x.eml", false, 7},
           {L"Larkmail\\Empty", true, 0},
           {L"Documents\\a.txt", false, 5}}},
         L"Larkmail 4 1117 [Empty 0 0, Mail 3 1107 [inbox 1 7, Old Mail 1 100, \u00c4rger & M\u00fche 1 1000]]"},
        {"folders known only from their files", {{{L"LARKMAIL\\A\\B\\c.eml", false, 3}, {L"larkmail\\a\\d.eml", false, 4}}},
         L"Larkmail 2 7 [A 2 7 [B 1 3]]"},
        {"one folder in any letter case of any script",
         {{{L"Larkmail\\\u00c4rger\\\u041f\u043e\u0447\u0442\u0430\\a.eml", false, 3},
           {L"Larkmail\\\u00e4RGER\\\u043f\u041e\u0427\u0422\u0410\\b.eml", false, 4}}},
         L"Larkmail 2 7 [\u00c4rger 2 7 [\u041f\u043e\u0447\u0442\u0430 2 7]]"},
        {"names that could reach out of their folder make no row",
         {{{L"Larkmail\\Mail\\a.eml", false, 3},
           {L"Larkmail\\..\\..\\Windows\\x.dll", false, 100},
           {L"Larkmail\\C:\\x.dll", false, 100},
           {L"Larkmail\\\\Mail\\b.eml", false, 100},
           {L"Larkmail\\Mail\\.\\c.eml", false, 100},
           {L"Larkmail\\Mail\\Bad\x07\\d.eml", false, 100}}},
         L"Larkmail 1 3 [Mail 1 3]"},
        {"a differential: anti-items take out, later items replace",
         {{{L"Larkmail", true, 0},
           {L"Larkmail\\Mail", true, 0},
           {L"Larkmail\\Mail\\gone.eml", false, 50},
           {L"Larkmail\\Mail\\kept.eml", false, 60},
           {L"Larkmail\\Old", true, 0}},
          {anti, antiFolder, {L"Larkmail\\Mail\\kept.eml", false, 65}, {L"Larkmail\\New", true, 0}}},
         L"Larkmail 1 65 [Mail 1 65, New 0 0]"},
    };
    for (const Case& c : cases) {
        // A differential's day, as the restore hands it to the tree.
        std::vector<std::wstring> removed;
        const std::vector<ArchiveItem> day =
            c.listings.size() == 2 ? CombineDifferentialItems(c.listings[0], c.listings[1], removed) : c.listings[0];
        const std::vector<ArchiveFolder> tree = BuildArchiveTree(day);
        EXPECT_EQ(TreeText(tree), c.tree) << c.what;
        for (const ArchiveFolder& folder : tree) {
            if (folder.parent < 0) continue;
            const std::wstring& above = tree[folder.parent].path;
            EXPECT_EQ(folder.path, above.empty() ? folder.name : above + L"\\" + folder.name) << c.what;
        }
    }
    // The anti mark as 7-Zip lists it.
    const std::vector<ArchiveItem> parsed =
        ParseArchiveListing({L"----------", L"Path = Larkmail\\x.eml", L"Anti = +", L"", L"Path = Larkmail\\y.eml", L"Anti = -"});
    ASSERT_EQ(parsed.size(), 2u);
    EXPECT_TRUE(parsed[0].isAnti);
    EXPECT_FALSE(parsed[1].isAnti);
}

TEST(ArchiveTree, FiftyThousandItemsInOnePass) {
    std::vector<ArchiveItem> items;
    for (int folder = 0; folder < 500; ++folder)
        for (int file = 0; file < 100; ++file)
            items.push_back({L"Larkmail\\Mail\\F" + std::to_wstring(folder) + L"\\m" + std::to_wstring(file) + L".eml", false, 2});
    const std::vector<ArchiveFolder> tree = BuildArchiveTree(items);
    ASSERT_EQ(tree.size(), 502u);
    EXPECT_EQ(tree[0].files, 50000);
    EXPECT_EQ(tree[1].bytes, 100000);
    EXPECT_EQ(tree[1].children.size(), 500u);
}

TEST(ArchiveTree, ItemsBelowAFolderAreItsOwnOnly) {
    const std::vector<ArchiveItem> items = {
        {L"Larkmail", true, 0},           {L"Larkmail\\Mail", true, 0},        {L"Larkmail\\Mail\\a.eml", false, 1},
        {L"Larkmail\\Mail2\\b.eml", false, 1}, {L"larkmail/mail/sub/c.eml", false, 1}, {L"Other\\Mail\\d.eml", false, 1},
        {L"Larkmail\\Mail\\gone.eml", false, 0, false, 0, true},
        {L"Larkmail\\\u00c4rger\\x.eml", false, 1},
    };
    struct Case {
        std::wstring folder;
        std::vector<std::wstring> paths;
    };
    const Case cases[] = {
        {L"Mail", {L"Larkmail\\Mail", L"Larkmail\\Mail\\a.eml", L"larkmail/mail/sub/c.eml"}},
        {L"MAIL\\Sub", {L"larkmail/mail/sub/c.eml"}},
        {L"Mai", {}},
        {L"\u00e4RGER", {L"Larkmail\\\u00c4rger\\x.eml"}},
        {L"",
         {L"Larkmail", L"Larkmail\\Mail", L"Larkmail\\Mail\\a.eml", L"Larkmail\\Mail2\\b.eml",
          L"larkmail/mail/sub/c.eml", L"Larkmail\\\u00c4rger\\x.eml"}},
    };
    for (const Case& c : cases) {
        std::vector<std::wstring> paths;
        for (const ArchiveItem& item : ItemsBelow(items, c.folder)) paths.push_back(item.path);
        EXPECT_EQ(paths, c.paths) << c.folder;
    }
}


TEST(ProgressDotsRule, OneMoreEachTickAndNoneAfterTheTenth) {
    std::wstring dots;
    std::vector<std::size_t> lengths;
    for (int tick = 0; tick < 13; ++tick) {
        dots = NextProgressDots(dots);
        lengths.push_back(dots.size());
    }
    EXPECT_EQ(lengths, std::vector<std::size_t>({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0, 1, 2}));
    EXPECT_EQ(NextProgressDots(L".........."), L"");
}

}  // namespace
