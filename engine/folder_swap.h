// Putting one restored folder in place of the data folder's own, or a copy beside it, so a crash leaves old or new.
#pragma once
#include <string>

// Inside the staging folder while a folder is swapped: the folder's path
// below the data folder (UTF-8), written before the first move; the current
// folder set aside beside it as "old".
constexpr wchar_t kFolderSwapNote[] = L"folder.txt";
constexpr wchar_t kFolderSwapAside[] = L"old";

struct FolderSwapOutcome {
    bool swapped = false;
    std::wstring stranded;  // where the user's folder is when it could not be moved back
};
// `restored` lies in `staging`; `folder` is below `dataFolder` ("Mail\Inbox").
// A folder that is missing now (deleted by the user) is simply moved in,
// with its missing parents made first. The set-aside folder goes with the
// staging, after the swap.
FolderSwapOutcome SwapInRestoredSubfolder(const std::wstring& staging, const std::wstring& restored,
                                          const std::wstring& dataFolder, const std::wstring& folder);
// At start, before anything else touches the data folder: a staging folder
// beside it that still holds its note is a swap a crash interrupted. A folder
// that is in place stays (old or new, both whole); one that is missing while
// its set-aside copy is there gets that copy back. The staging folder then goes.
void RepairFolderSwaps(const std::wstring& dataFolder);

// A copy: `restored` moves to `into` + "\" + `name`, or "name (2)", "name (3)" ...
// when that is taken, so nothing there is ever replaced. The path, empty on failure.
std::wstring PlaceCopy(const std::wstring& restored, const std::wstring& into, const std::wstring& name);
