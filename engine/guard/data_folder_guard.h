// Archives kept out of the data folder: a backup there would pack the earlier
// archives again each time, and a restore replaces everything in it.
#pragma once
#include <string>

// True when `path` is `folder` or lies anywhere below it, both taken as the
// system resolves them (any letter case, "/" for "\", "." and "..", a trailing
// "\", short names and links as far as they exist). False when either is empty.
bool PathLiesInside(const std::wstring& path, const std::wstring& folder);
// What a restore into `dataFolder` would delete: `restoredArchive` when it lies
// inside, else the first file of this program's naming ("LarkmailBackup_*.7z"
// and its temporaries) found below it, links not followed; empty when none.
std::wstring FindArchiveInDataFolder(const std::wstring& dataFolder, const std::wstring& restoredArchive);
