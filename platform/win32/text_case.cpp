// Letter case as the file system ignores it.
#include <windows.h>

#include "platform/text.h"

std::wstring UpperAsWindows(std::wstring text) {
    if (text.empty()) return text;
    // Without LCMAP_LINGUISTIC_CASING the mapping is the file system's, the one CompareStringOrdinal ignores.
    const int length = static_cast<int>(text.size());
    std::wstring upper(text.size(), L'\0');
    if (LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, text.c_str(), length, &upper[0], length, nullptr, nullptr,
                      0) != length)
        return UpperAscii(text);
    return upper;
}
