// Overwriting secrets before their memory is freed; volatile, so the compiler keeps the stores.
#include "platform/secrets.h"

namespace {

template <typename Char>
void WipeChars(Char* data, std::size_t count) {
    volatile Char* cell = data;
    for (std::size_t i = 0; i < count; ++i) cell[i] = 0;
}

}  // namespace

void WipeText(std::wstring& text) {
    WipeChars(&text[0], text.size());
    text.clear();
}

void WipeBytes(std::string& bytes) {
    WipeChars(&bytes[0], bytes.size());
    bytes.clear();
}
