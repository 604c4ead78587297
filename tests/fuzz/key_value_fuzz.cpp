// Fuzz target: any bytes as a key/value file never crash the reader or lose English texts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "config/key_value_file.h"
#include "config/language_table.h"
#include "platform/fake/fake_platform.h"
#include "platform/text.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    // Writing back what was read and reading that again changes nothing more.
    const std::vector<KeyValueLine> lines = ParseKeyValueBytes(bytes);
    const std::string written = SerializeKeyValueLines(lines);
    const std::vector<KeyValueLine> again = ParseKeyValueBytes(written);
    Require(again.size() == lines.size());
    Require(SerializeKeyValueLines(again) == written);

    // Every value decodes to text that encodes back to valid UTF-8.
    KeyValueFile file;
    file.lines = lines;
    int checked = 0;
    for (const KeyValueLine& line : lines) {
        if (++checked > 64) break;  // each look-up scans the file; keep inputs fast
        if (line.kind == KeyValueLineKind::Group) SelectKeyValueGroup(file, WideFromUtf8(line.key));
        if (line.kind != KeyValueLineKind::Entry) continue;
        const std::wstring value = ReadKeyValueText(file, WideFromUtf8(line.key), L"");
        Require(WideFromUtf8(Utf8FromWide(value)) == value);
        ReadKeyValueInteger(file, WideFromUtf8(line.key), 0);
    }

    // As a language file: every compiled key still finds a text.
    ResetFakePlatform();
    SetFakeFile(L"C:\\work\\Lang\\fuzz.lng", bytes);
    LoadLanguageTable(ProcessLanguageTable(), L"C:\\work\\Lang\\fuzz.lng");
    const std::vector<const wchar_t*>& pairs = DefaultLanguageTexts();
    std::wstring group;
    for (std::size_t i = 0; i + 1 < pairs.size(); i += 2) {
        const std::wstring first = UpperAscii(pairs[i]);
        if (first == L"_END_") break;
        if (first == L"_GROUP_") {
            group = pairs[i + 1];
            continue;
        }
        Require(LookUpText(group, pairs[i]) != kTextNotFound);
    }
    return 0;
}
