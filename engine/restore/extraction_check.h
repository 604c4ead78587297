// The restore's check of the staged files while 7-Zip is still writing them,
// so that reading every file back costs next to nothing after 7-Zip's end.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/console/archive_listing.h"

// How long one piece of checking may keep the window from its messages.
constexpr std::uint64_t kExtractionCheckSliceMs = 25;

// Items are taken in archive order, the order 7-Zip writes them in, one at a
// time. A file counts only once a later file exists (7-Zip may give a file
// its full size before its bytes), and only with its size and CRC, so what
// passes here is final. `next` and everything after it are checked once
// 7-Zip has ended (FindMissingItems from `next`).
struct ExtractionCheck {
    const std::vector<ArchiveItem>* items = nullptr;
    std::wstring folder;
    std::size_t next = 0;
    std::vector<std::size_t> laterFile;  // per item: the next file item's index, or the item count
    // Items from here on are written by a later run of 7-Zip: none of them is
    // taken while the run before it works, nor counts as a later file.
    std::size_t end = 0;
    // A restored file the system would not flush (a read-only one aside): the check fails.
    std::wstring unflushed;
};
ExtractionCheck StartExtractionCheck(const std::vector<ArchiveItem>& items, const std::wstring& folder);
// Each file that passes is flushed to the disk: the old data goes only after
// the check. A read-only file cannot be opened for writing and is left; any
// other refusal stops the check for good (`unflushed`).
// Checks on from `next` until the tick count reaches `untilMs` (one item at
// least), an item is not yet complete, or the end; true when it moved on.
bool CheckExtractedSoFar(ExtractionCheck& check, std::uint64_t untilMs);
// After 7-Zip's end: checks (and flushes) everything from `next` up to
// `end`, then lets the check go on to the next run's items; true when every
// item is there.
bool FinishExtractionCheck(ExtractionCheck& check);
