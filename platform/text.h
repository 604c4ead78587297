// UTF-8 <-> UTF-16 conversion, the same on every platform. Invalid input
// becomes U+FFFD, never a crash.
#pragma once
#include <string>

std::string Utf8FromWide(const std::wstring& text);
// Appends without reserving: a caller that reserved kMostUtf8PerUnit bytes for
// each unit knows that `out` never moves (a secret leaves no copy behind).
constexpr std::size_t kMostUtf8PerUnit = 4;
void AppendUtf8FromWide(std::string& out, const std::wstring& text);
std::wstring WideFromUtf8(const std::string& bytes);
// The text's UTF-16 units as bytes, low byte first, no BOM.
std::string Utf16LeFromWide(const std::wstring& text);
// ASCII-only upper-casing, for names the program compares.
std::wstring UpperAscii(std::wstring text);
// Upper-cased as Windows compares file names with letter case ignored
// (CompareStringOrdinal's table): every script, one code unit for one, so
// two names are the same to Windows exactly when their keys are equal.
std::wstring UpperAsWindows(std::wstring text);
// `path` with "/" as "\".
std::wstring WindowsSeparators(std::wstring path);
// `path` without the "\" or "/" at its end, keeping at least its first `keep`
// characters (1 keeps a lone "\", 3 a drive's root "C:\").
std::wstring WithoutTrailingSeparators(std::wstring path, std::size_t keep = 0);
// `folder` + "\" + `name`, with one "\" between them however `folder` ends.
std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);
// What follows the last "\" or "/" of `path`; all of it when there is none.
std::wstring FileNameOf(const std::wstring& path);
