// Whether 7-Zip finished writing an archive: a killed run can still end with
// exit code 0 (taskkill under Wine), leaving a truncated file behind.
#include "engine/console/archive_check.h"

#include "engine/console/crc32.h"
#include "platform/files.h"

namespace {

std::uint64_t ReadLittleEndian(const unsigned char* data, int bytes) {
    std::uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | data[i];
    return value;
}

}  // namespace

bool IsFinishedSevenZipHeader(const std::string& start, std::int64_t fileSize) {
    static const unsigned char kSignature[6] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};
    if (start.size() < kSevenZipStartHeaderSize || fileSize < 0) return false;
    const auto* bytes = reinterpret_cast<const unsigned char*>(start.data());
    for (int i = 0; i < 6; ++i) {
        if (bytes[i] != kSignature[i]) return false;
    }
    // 7-Zip writes this header as zeros first and fills it in only at the end.
    if (ReadLittleEndian(bytes + 8, 4) != UpdateCrc32(kCrc32Start, bytes + 12, 20)) return false;
    const std::uint64_t nextOffset = ReadLittleEndian(bytes + 12, 8);
    const std::uint64_t nextSize = ReadLittleEndian(bytes + 20, 8);
    const std::uint64_t size = static_cast<std::uint64_t>(fileSize);
    if (nextOffset > size || nextSize > size) return false;
    return kSevenZipStartHeaderSize + nextOffset + nextSize == size;
}

bool SevenZipArchiveFinished(const std::wstring& path) {
    std::string start;
    if (!ReadFileStart(path, kSevenZipStartHeaderSize, start)) return false;
    return IsFinishedSevenZipHeader(start, ReadFileSize(path));
}
