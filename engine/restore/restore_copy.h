// Putting a restored copy into a folder of the user's choice without replacing anything there.
#pragma once
#include <string>

// `restored` moves to `into` + "\" + `name`, or "name (2)", "name (3)" ...
// when that is taken, so nothing there is ever replaced; only while it
// resolves inside `staging` and the new name inside `into`. The path, empty
// on failure.
std::wstring PlaceCopy(const std::wstring& restored, const std::wstring& staging, const std::wstring& into,
                       const std::wstring& name);
