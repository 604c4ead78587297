// Deleting a folder tree without ever following a junction or symbolic link out of it.
#pragma once
#include <string>
#include <vector>

// Deletes `folder` with everything in it. A link inside (or `folder` itself,
// when it is one) is removed as a link; what it points to stays untouched.
// Attributes are cleared before each removal. Returns the paths that could
// not be deleted: files, links, and folders that failed on their own (a
// folder that keeps an undeletable child is not listed again). A missing
// folder gives an empty list.
std::vector<std::wstring> DeleteFolderTree(const std::wstring& folder);
