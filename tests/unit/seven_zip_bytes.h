// Archive bytes for tests: the start header of a real 245-byte archive that
// 7-Zip finished, and the zeroed header a killed run leaves behind.
#pragma once
#include <string>

inline std::string FinishedHeaderBytes() {
    static const unsigned char kHeader[32] = {
        0x37, 0x7a, 0xbc, 0xaf, 0x27, 0x1c, 0x00, 0x04, 0x66, 0x9b, 0xde, 0x35, 0xb3, 0x00, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x22, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x21, 0x6e, 0xe8, 0x24};
    return std::string(reinterpret_cast<const char*>(kHeader), 32);
}

// A file that passes the finished-archive check.
inline std::string FinishedArchiveBytes() {
    return FinishedHeaderBytes() + std::string(245 - 32, 'x');
}

// What 7-Zip has written when it is stopped halfway.
inline std::string UnfinishedArchiveBytes() {
    return std::string("7z\xbc\xaf\x27\x1c\x00\x04", 8) + std::string(24, '\0') + std::string(4000, 'x');
}
