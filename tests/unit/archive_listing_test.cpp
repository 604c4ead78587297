// Reading 7-Zip's "-slt" listing, the Larkmail folder test, the list command line and the dot rule.
#include "engine/archive_listing.h"
#include "engine/differential_restore.h"

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
    EXPECT_EQ(removed, std::vector<std::wstring>({L"Larkmail\\Gone", L"Larkmail\\old.eml"}));
}

TEST(ArchiveListing, ListCommandQuotesAPathWithABlank) {
    EXPECT_EQ(BuildListParameters(L"D:\\B\\a.7z"), L"l -slt -sccUTF-8 D:\\B\\a.7z");
    EXPECT_EQ(BuildListParameters(L"D:\\My Backups\\a.7z"), L"l -slt -sccUTF-8 \"D:\\My Backups\\a.7z\"");
    EXPECT_EQ(BuildListParameters(L"D:\\B\\LarkmailBackup_PC1_Anna Maria_20261207.7z"),
              L"l -slt -sccUTF-8 \"D:\\B\\LarkmailBackup_PC1_Anna Maria_20261207.7z\"");
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
