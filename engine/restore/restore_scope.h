// What a restore puts back: the whole data folder, one folder of it in place, or a copy elsewhere.
#pragma once
#include <string>

enum class RestoreReach { Everything, OneFolder, Copy };

struct RestoreScope {
    RestoreReach reach = RestoreReach::Everything;
    // Below the archive's "Larkmail", "\" between parts ("Mail\Inbox");
    // empty: all of it (Everything, or a Copy of everything).
    std::wstring folder;
    // A copy: the folder chosen for it, without a trailing "\".
    std::wstring copyFolder;
};

// "Larkmail" or "Larkmail\Mail\Inbox": the scope's folder as the archive names it.
std::wstring ArchiveFolderPath(const RestoreScope& scope);
