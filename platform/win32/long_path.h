// The "\\?\" form of a path that may pass MAX_PATH, so the file calls take it whole.
#pragma once
#include <string>

// An absolute path ("C:\...", "\\server\share\...") from MAX_PATH - 12 characters
// on, normalised as the system would ("/", ".", ".."), with "\\?\" or
// "\\?\UNC\" before it. Shorter, relative or already prefixed paths as they are.
std::wstring LongPath(const std::wstring& path);
