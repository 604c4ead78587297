// What a 7z archive holds, as "7z.exe l -slt" lists it, and whether an extraction delivered all of it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "engine/console/archive_tool.h"
#include "engine/console/job_window.h"

struct ArchiveItem {
    std::wstring path;        // as listed, "\" or "/" between parts
    bool isFolder = false;
    std::int64_t size = -1;   // -1: not listed
    bool hasCrc = false;
    std::uint32_t crc = 0;    // CRC-32 of the file's bytes, as 7-Zip lists it
    bool isAnti = false;      // a differential's mark that the item was deleted
    bool encrypted = false;   // "Encrypted = +": its data needs the password
};

struct ArchiveListing {
    ToolOutcome tool;
    std::vector<ArchiveItem> items;
    bool encrypted = false;      // some item needs the password
    bool wrongPassword = false;  // 7-Zip refused the password given (or none given)
};

// "l -slt -sccUTF-8 " + the archive path (quoted when it holds a blank).
std::wstring BuildListParameters(const std::wstring& archivePath);
// The items of "-slt" output; the archive's own block before the "----------"
// line is skipped.
std::vector<ArchiveItem> ParseArchiveListing(const std::vector<std::wstring>& lines);
// Runs 7-Zip hidden and reads its listing (bounded per line): through a
// temporary file, or with a password only through the pipe. 7-Zip asks only
// for an archive with encrypted names; it then gets `password` on standard
// input, or an empty one, which it refuses as a wrong password. With the
// window's waitForEnd the window is kept alive while 7-Zip reads.
ArchiveListing ListArchive(const std::wstring& archivePath, const std::wstring& password = {},
                           const JobWindow& window = {});

// CRC-32 of a whole file, and (optional) how many bytes it read; false when
// it cannot be read.
bool FileCrc32(const std::wstring& path, std::uint32_t& crc, std::int64_t* size = nullptr);

// An item's path as Windows compares it: "\" between parts, upper-cased as
// Windows ignores letter case, no trailing "\".
std::wstring ItemPathKey(const std::wstring& path);
// Whether `key` is `top` or lies below it, both as ItemPathKey makes them.
bool KeyIsAtOrBelow(const std::wstring& key, const std::wstring& top);
// Whether an item's path can only name something below the folder it is
// unpacked into, and only the one it says: no empty, "." or ".." part, no
// drive letter or other ":", no leading "\" or "/", no character below U+0020
// nor one of <>"|?*, no part ending in a dot or blank, no part that is a
// device name ("NUL", "COM1"). Windows' own names never fail it. A listing is
// never trusted.
bool IsSafeItemPath(const std::wstring& path);
// The index of the first item whose path is not safe; items.size() when none.
std::size_t FindUnsafeItem(const std::vector<ArchiveItem>& items);
// Whether an item is the folder `name` at the archive's top level or lies in
// it (letter case ignored, as Windows does).
bool HoldsTopFolder(const std::vector<ArchiveItem>& items, const std::wstring& name);
// Items missing below `folder` after an extraction, or there with another
// kind, size or CRC. A killed 7-Zip can end with exit code 0 and leaves the
// file it was writing at its full, preallocated size, so only the CRC tells
// that the extraction finished.
std::vector<std::wstring> FindMissingItems(const std::vector<ArchiveItem>& items, const std::wstring& folder,
                                           std::size_t from = 0);
// One item of that check.
bool ItemExtracted(const ArchiveItem& item, const std::wstring& folder);
// Where an extraction into `folder` puts the item.
std::wstring ExtractedItemPath(const ArchiveItem& item, const std::wstring& folder);
