// UTF-8 <-> UTF-16 by hand, so every platform decodes damaged text the same way.
#include "platform/text.h"

#include <cstdint>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void AppendUtf16(std::wstring& out, char32_t c) {
    if (c < 0x10000) {
        out += static_cast<wchar_t>(c);
    } else {
        c -= 0x10000;
        out += static_cast<wchar_t>(0xD800 + (c >> 10));
        out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
    }
}

// Decodes one sequence at `i`, advancing past it. A damaged sequence yields
// U+FFFD and leaves `i` on the first byte that does not continue it, so the
// following text decodes as it would alone.
char32_t DecodeUtf8(const std::string& bytes, std::size_t& i) {
    const unsigned char lead = static_cast<unsigned char>(bytes[i++]);
    if (lead < 0x80) return lead;
    int more = 0;
    char32_t c = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        more = 1, c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        more = 2, c = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        more = 3, c = lead & 0x07;
    } else {
        return kReplacement;
    }
    // The second byte's range rules out overlong forms, surrogates and
    // values above U+10FFFF.
    unsigned char low = 0x80, high = 0xBF;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
    for (int k = 0; k < more; ++k) {
        if (i >= bytes.size()) return kReplacement;
        const unsigned char next = static_cast<unsigned char>(bytes[i]);
        if (next < low || next > high) return kReplacement;
        c = (c << 6) | (next & 0x3F);
        low = 0x80, high = 0xBF;
        ++i;
    }
    return c;
}

}  // namespace

std::string Utf8FromWide(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    AppendUtf8FromWide(out, text);
    return out;
}

void AppendUtf8FromWide(std::string& out, const std::wstring& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = static_cast<char32_t>(text[i]) & 0xFFFFFFFFu;
        if (sizeof(wchar_t) == 2 || c < 0x10000) {
            c &= 0xFFFF;
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
                const char32_t low = static_cast<char32_t>(text[i + 1]) & 0xFFFF;
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                    ++i;
                }
            }
            if (c >= 0xD800 && c <= 0xDFFF) c = kReplacement;  // lone surrogate
        } else if (c > 0x10FFFF) {
            c = kReplacement;
        }
        AppendUtf8(out, c);
    }
}

std::wstring WideFromUtf8(const std::string& bytes) {
    std::wstring out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) AppendUtf16(out, DecodeUtf8(bytes, i));
    return out;
}

std::string Utf16LeFromWide(const std::wstring& text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (const wchar_t unit : text) {
        const std::uint32_t u = static_cast<std::uint32_t>(unit) & 0xFFFFu;
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>(u >> 8);
    }
    return out;
}

std::wstring UpperAscii(std::wstring text) {
    for (wchar_t& c : text)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    return text;
}

std::wstring WindowsSeparators(std::wstring path) {
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    return path;
}

std::wstring WithoutTrailingSeparators(std::wstring path, std::size_t keep) {
    while (path.size() > keep && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
    return path;
}

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
    if (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) return folder + name;
    return folder + L"\\" + name;
}

std::wstring FileNameOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}
