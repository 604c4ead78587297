// The shipped lang/*.lng files: encoding, every key of the English table, nothing unknown.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "config/key_value_file.h"
#include "config/language_table.h"
#include "platform/fake/fake_platform.h"
#include "platform/window.h"
#include "platform/text.h"

namespace {

const std::string kBom = "\xEF\xBB\xBF";

struct ShippedFile {
    const char* name;
    // Texts that rightly read the same as in English.
    std::set<std::wstring> sameAsEnglish;
};

void PrintTo(const ShippedFile& file, std::ostream* out) {
    *out << file.name;
}

const std::set<std::wstring> kNamesEverywhere = {L"MainWindow/WinTitle", L"Misc/DesktopIconText",
                                                 L"TaskWindow/TaskName", L"Misc/TaskName"};

std::vector<ShippedFile> ShippedFiles() {
    std::set<std::wstring> latin = kNamesEverywhere;
    latin.insert({L"7-Zip/TextUltra", L"MainWindow/SizeKB", L"MainWindow/SizeMB", L"MainWindow/SizeGB",
                  L"7-Zip/PasswordOk"});
    std::set<std::wstring> dutch = latin;
    dutch.insert(L"MainWindow/SizeBytes");
    return {{"dutch.lng", dutch}, {"english.lng", {}}, {"german.lng", latin}, {"russian.lng", kNamesEverywhere}};
}

std::string ReadShipped(const std::string& name) {
    std::ifstream in(std::string(LARKMAIL_SOURCE_DIR) + "/lang/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// "Group/Key" -> English text, as compiled.
std::map<std::wstring, std::wstring> EnglishTexts() {
    std::map<std::wstring, std::wstring> texts;
    std::wstring group;
    const std::vector<const wchar_t*>& pairs = DefaultLanguageTexts();
    for (std::size_t i = 0; i + 1 < pairs.size(); i += 2) {
        const std::wstring first = pairs[i];
        if (first == L"_GROUP_") {
            group = pairs[i + 1];
        } else if (first != L"_END_") {
            texts[group + L"/" + first] = pairs[i + 1];
        }
    }
    return texts;
}

int CountOf(const std::wstring& text, const std::wstring& part) {
    int count = 0;
    for (std::size_t at = text.find(part); at != std::wstring::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

class LanguageFilesTest : public ::testing::TestWithParam<ShippedFile> {};

TEST_P(LanguageFilesTest, IsUtf8WithByteOrderMarkAndCrLf) {
    const std::string bytes = ReadShipped(GetParam().name);
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(bytes.compare(0, 3, kBom), 0);
    const std::string body = bytes.substr(3);
    EXPECT_EQ(Utf8FromWide(WideFromUtf8(body)), body) << "invalid UTF-8";
    EXPECT_EQ(body.find('\0'), std::string::npos);
    EXPECT_EQ(body.find(kBom), std::string::npos);
    for (std::size_t i = 0; i < body.size(); ++i) {
        if (body[i] == '\n') {
            EXPECT_TRUE(i > 0 && body[i - 1] == '\r') << "bare LF at byte " << i;
        }
        if (body[i] == '\r') {
            EXPECT_TRUE(i + 1 < body.size() && body[i + 1] == '\n') << "bare CR at byte " << i;
        }
    }
    EXPECT_EQ(body.substr(body.size() - 2), "\r\n");
}

TEST_P(LanguageFilesTest, HoldsEveryKeyOnceAndNothingUnknown) {
    const std::map<std::wstring, std::wstring> english = EnglishTexts();
    std::map<std::wstring, int> seen;
    std::set<std::wstring> groupsSeen;
    std::wstring group;
    for (const KeyValueLine& line : ParseKeyValueBytes(ReadShipped(GetParam().name))) {
        if (line.kind == KeyValueLineKind::Comment) continue;
        if (line.kind == KeyValueLineKind::Group) {
            group = WideFromUtf8(line.key);
            EXPECT_TRUE(groupsSeen.insert(group).second) << "group twice: " << group;
            continue;
        }
        const std::wstring name = group + L"/" + WideFromUtf8(line.key);
        EXPECT_FALSE(group.empty()) << "entry before the first group: " << name;
        // Exact spelling, so a reader that ever compared case-sensitively would still work.
        EXPECT_EQ(english.count(name), 1u) << "unknown key: " << name;
        ++seen[name];
    }
    for (const auto& entry : english) EXPECT_EQ(seen[entry.first], 1) << "key missing or twice: " << entry.first;
}

TEST_P(LanguageFilesTest, TextsKeepTheShapeOfTheEnglishOnes) {
    const std::map<std::wstring, std::wstring> english = EnglishTexts();
    std::wstring group;
    for (const KeyValueLine& line : ParseKeyValueBytes(ReadShipped(GetParam().name))) {
        if (line.kind == KeyValueLineKind::Group) group = WideFromUtf8(line.key);
        if (line.kind != KeyValueLineKind::Entry) continue;
        const std::wstring name = group + L"/" + WideFromUtf8(line.key);
        const auto found = english.find(name);
        if (found == english.end()) continue;
        const std::wstring text = WideFromUtf8(line.value);
        const std::wstring& source = found->second;
        EXPECT_FALSE(text.empty()) << name;
        EXPECT_EQ(CountOf(text, L"%1"), CountOf(source, L"%1")) << name;
        EXPECT_EQ(CountOf(text, L"%"), CountOf(source, L"%")) << name;
        const bool endsBlank = !text.empty() && (text.back() == L' ' || text.back() == L'\t');
        const bool sourceEndsBlank = !source.empty() && source.back() == L' ';
        EXPECT_EQ(endsBlank, sourceEndsBlank) << "trailing blank: " << name;
        if (sourceEndsBlank) {
            EXPECT_NE(text[text.size() - 2], L' ') << "one blank only: " << name;
        }
        if (!text.empty()) {
            EXPECT_EQ(source[0] == L'(', text[0] == L'(') << name;
        }
        if (GetParam().sameAsEnglish.count(name) || std::string(GetParam().name) == "english.lng") {
            EXPECT_EQ(text, source) << name;
        } else {
            EXPECT_NE(text, source) << "left in English: " << name;
        }
    }
}

TEST_P(LanguageFilesTest, LoadsThroughTheTableWithEveryText) {
    ResetFakePlatform();
    const std::wstring path = L"C:\\work\\Lang\\shipped.lng";
    SetFakeFile(path, ReadShipped(GetParam().name));
    ASSERT_TRUE(LoadLanguageTable(ProcessLanguageTable(), path));
    std::wstring group;
    int entries = 0;
    for (const KeyValueLine& line : ParseKeyValueBytes(ReadShipped(GetParam().name))) {
        if (line.kind == KeyValueLineKind::Group) group = WideFromUtf8(line.key);
        if (line.kind != KeyValueLineKind::Entry) continue;
        EXPECT_EQ(LookUpText(group, WideFromUtf8(line.key)), WideFromUtf8(line.value)) << group << L"/" << WideFromUtf8(line.key);
        ++entries;
    }
    EXPECT_EQ(entries, static_cast<int>(EnglishTexts().size()));
    EXPECT_EQ(LookUpText(L"TaskWindow", L"TaskName"), L"BackupLarkmail");
    // The tray keeps 63 characters: the verdict at the end must survive the widest time.
    for (const wchar_t* key : {L"TrayLastSaved", L"TrayLastFailed", L"TraySecondCopyPending"}) {
        std::wstring tip = LookUpText(L"Messages", key);
        tip.replace(tip.find(L"%1"), 2, L"12/31 23:59");
        EXPECT_LE(tip.size(), kTrayToolTipLimit) << key;
    }
    LoadLanguageTable(ProcessLanguageTable(), L"");
}

INSTANTIATE_TEST_SUITE_P(Shipped, LanguageFilesTest, ::testing::ValuesIn(ShippedFiles()),
                         [](const ::testing::TestParamInfo<ShippedFile>& info) {
                             std::string name = info.param.name;
                             return name.substr(0, name.find('.'));
                         });

}  // namespace
