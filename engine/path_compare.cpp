// Whether one folder lies inside another, as Windows names them.
#include "engine/path_compare.h"

#include <vector>

#include "platform/text.h"

std::wstring ComparablePath(const std::wstring& path) {
    std::wstring text = UpperAscii(path);
    for (wchar_t& c : text)
        if (c == L'/') c = L'\\';
    // The root ("C:" or "\\server\share") stays as it is; only the parts after it are resolved.
    std::size_t rootEnd = 0;
    if (text.compare(0, 2, L"\\\\") == 0) {
        const std::size_t server = text.find(L'\\', 2);
        const std::size_t share = server == std::wstring::npos ? server : text.find(L'\\', server + 1);
        rootEnd = share == std::wstring::npos ? text.size() : share;
    } else if (text.size() >= 2 && text[1] == L':') {
        rootEnd = 2;
    }
    std::vector<std::wstring> parts;
    std::size_t at = rootEnd;
    while (at < text.size()) {
        std::size_t next = text.find(L'\\', at);
        if (next == std::wstring::npos) next = text.size();
        const std::wstring part = text.substr(at, next - at);
        if (part == L"..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != L".") {
            parts.push_back(part);
        }
        at = next + 1;
    }
    std::wstring result = text.substr(0, rootEnd);
    for (const std::wstring& part : parts) result += L"\\" + part;
    return result;
}

bool PathIsInside(const std::wstring& path, const std::wstring& folder) {
    const std::wstring inner = ComparablePath(path);
    const std::wstring outer = ComparablePath(folder);
    if (outer.empty()) return false;
    if (inner == outer) return true;
    return inner.size() > outer.size() && inner.compare(0, outer.size(), outer) == 0 && inner[outer.size()] == L'\\';
}
