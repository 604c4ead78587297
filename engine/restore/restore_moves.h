// The restore's moves and deletes, each allowed only where the paths resolve to the folders they belong to.
#pragma once
#include <string>
#include <vector>

// Moves `from` to `to` when `from` resolves inside `fromRoot` and `to` inside
// `toRoot` (each may be the root itself), as the system resolves them: a
// link on the way that leads elsewhere is refused. Otherwise nothing moves
// and `outside` (when given) names the path that resolves elsewhere.
bool MoveWithin(const std::wstring& from, const std::wstring& fromRoot, const std::wstring& to,
                const std::wstring& toRoot, std::wstring* outside = nullptr);
// The first of `paths` that does not resolve inside its root (pairs of path
// and root); empty when all do.
std::wstring FindPathOutside(const std::vector<std::pair<std::wstring, std::wstring>>& paths);
// Deletes `folder` and all below it, links not followed, when it resolves
// inside `root` and holds nothing of `spared` (the data folder). What could
// not be deleted: all of `folder` when it was refused.
std::vector<std::wstring> DeleteTreeWithin(const std::wstring& folder, const std::wstring& root,
                                           const std::wstring& spared);
