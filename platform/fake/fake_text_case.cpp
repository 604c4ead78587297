// Letter case as the file system ignores it, from the C library's Unicode table.
#include <locale.h>
#include <wctype.h>

#include "platform/text.h"

std::wstring UpperAsWindows(std::wstring text) {
    // One code unit for one, as Windows' table: only the Basic Multilingual Plane maps.
    static const locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    if (!unicode) return UpperAscii(text);
    for (wchar_t& c : text) {
        if (c < 0x80 || c > 0xFFFF) {
            if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
            continue;
        }
        const wint_t upper = towupper_l(static_cast<wint_t>(c), unicode);
        if (upper <= 0xFFFF) c = static_cast<wchar_t>(upper);
    }
    return text;
}
