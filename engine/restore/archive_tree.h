// The folder tree of a backup's "Larkmail" folder, built from the archive's listing for the restore dialog.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "engine/console/archive_listing.h"

struct ArchiveFolder {
    std::wstring name;          // its own name; "Larkmail" for the top
    std::wstring path;          // below "Larkmail", "\" between parts; empty for the top
    int parent = -1;            // -1 for the top
    std::vector<int> children;  // sorted by name, letter case ignored
    std::int64_t bytes = 0;     // every file below it, at any depth
    std::int64_t files = 0;
};

// Folder 0 is "Larkmail" itself; empty when the items hold nothing of it.
// `items` are one day's, as a full lists them or as CombineDifferentialItems
// makes them of a full and its differential (an anti-item left over, or an
// item whose name IsSafeItemPath refuses, counts for nothing). A folder that
// only appears in its files' paths is there all the same. One pass over the
// items, then one over the folders, so 50,000 items cost next to nothing.
std::vector<ArchiveFolder> BuildArchiveTree(const std::vector<ArchiveItem>& items);

// The items at or below "Larkmail\" + `folder` (all of "Larkmail" when empty),
// letter case ignored, in archive order.
std::vector<ArchiveItem> ItemsBelow(const std::vector<ArchiveItem>& items, const std::wstring& folder);
