// CRC-32 (IEEE, as 7-Zip and zip use it), fast enough to check a restore's every byte.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr std::uint32_t kCrc32Start = 0;
// The CRC of the bytes so far (`crc`, kCrc32Start at first) followed by `data`.
std::uint32_t UpdateCrc32(std::uint32_t crc, const void* data, std::size_t size);
