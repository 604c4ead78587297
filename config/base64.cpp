// Standard base64 (RFC 4648 alphabet, with padding), for binary values in text files.
#include "config/base64.h"

#include <cstdint>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int SextetOf(wchar_t c) {
    if (c >= L'A' && c <= L'Z') return c - L'A';
    if (c >= L'a' && c <= L'z') return c - L'a' + 26;
    if (c >= L'0' && c <= L'9') return c - L'0' + 52;
    if (c == L'+') return 62;
    if (c == L'/') return 63;
    return -1;
}

}  // namespace

std::wstring EncodeBase64(const std::string& bytes) {
    std::wstring text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t left = bytes.size() - i;
        std::uint32_t group = static_cast<unsigned char>(bytes[i]) << 16;
        if (left > 1) group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (left > 2) group |= static_cast<unsigned char>(bytes[i + 2]);
        text += kAlphabet[(group >> 18) & 63];
        text += kAlphabet[(group >> 12) & 63];
        text += left > 1 ? kAlphabet[(group >> 6) & 63] : '=';
        text += left > 2 ? kAlphabet[group & 63] : '=';
    }
    return text;
}

bool DecodeBase64(const std::wstring& text, std::string& bytes) {
    bytes.clear();
    if (text.size() % 4 != 0) return false;
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        const int padding = last ? (text[i + 3] == L'=') + (text[i + 2] == L'=' && text[i + 3] == L'=') : 0;
        std::uint32_t group = 0;
        for (int k = 0; k < 4; ++k) {
            const int sextet = k >= 4 - padding ? 0 : SextetOf(text[i + k]);
            if (sextet < 0) return false;
            group = (group << 6) | static_cast<std::uint32_t>(sextet);
        }
        bytes += static_cast<char>(group >> 16);
        if (padding < 2) bytes += static_cast<char>((group >> 8) & 0xFF);
        if (padding < 1) bytes += static_cast<char>(group & 0xFF);
    }
    return true;
}
