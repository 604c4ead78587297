// Whether one folder lies inside another, as Windows names them.
#pragma once
#include <string>

// "/" as "\", "." and ".." resolved, no trailing "\", ASCII letters upper-cased.
std::wstring ComparablePath(const std::wstring& path);
// True when `path` is `folder` or lies below it.
bool PathIsInside(const std::wstring& path, const std::wstring& folder);
