// Whether 7-Zip finished writing an archive: a killed run can still end with
// exit code 0 (taskkill under Wine), leaving a truncated file behind.
#pragma once
#include <cstdint>
#include <string>

constexpr std::size_t kSevenZipStartHeaderSize = 32;

// True when `start` (the file's first 32 bytes) is a 7z start header that
// 7-Zip completed (checksum right) and that accounts for exactly `fileSize` bytes.
bool IsFinishedSevenZipHeader(const std::string& start, std::int64_t fileSize);
bool SevenZipArchiveFinished(const std::wstring& path);
