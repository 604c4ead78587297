// Telling a folder entry itself from what a link makes of it: Windows opens a
// link itself when asked to, Wine 8 follows a Unix symbolic link whatever it
// is asked, and then deletes, renames or changes the target.
#pragma once
#include <windows.h>

#include <string>

enum class EntryIdentity {
    Itself,     // the entry at that path and nothing else
    Link,       // a reparse point, opened as the link itself
    Elsewhere,  // the handle is something else: a link the system followed
    Unknown,    // could not be opened or resolved
};

// The path the folder resolves to (links above an entry are followed like
// any path); empty when it cannot be opened or the system cannot tell.
std::wstring ResolveFolderPath(const std::wstring& folder);
// What `path` is, its folder having resolved to `folderResolved`.
EntryIdentity IdentifyEntryAt(const std::wstring& path, const std::wstring& folderResolved);
// Deletes the entry at `path`, a folder (empty, or a folder link) when
// `folder`, when it is itself or a link opened as itself: never what a link
// points to. Attributes are cleared first, through the same handle.
bool DeleteEntryAt(const std::wstring& path, bool folder);
