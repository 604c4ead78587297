// Base64 both ways: the standard's own examples, and what decoding refuses.
#include "config/base64.h"

#include <gtest/gtest.h>

namespace {

TEST(Base64, StandardExamplesBothWaysAndRefusals) {
    const std::pair<std::string, std::wstring> pairs[] = {
        {"", L""},         {"f", L"Zg=="},         {"fo", L"Zm8="},
        {"foo", L"Zm9v"},  {"foob", L"Zm9vYg=="},  {"fooba", L"Zm9vYmE="},
        {"foobar", L"Zm9vYmFy"}, {std::string("\x00\xFB\xFF\x3E", 4), L"APv/Pg=="},
    };
    for (const auto& p : pairs) {
        EXPECT_EQ(EncodeBase64(p.first), p.second);
        std::string decoded = "stale";
        EXPECT_TRUE(DecodeBase64(p.second, decoded)) << p.second;
        EXPECT_EQ(decoded, p.first) << p.second;
    }
    for (const std::wstring bad : {L"Zg", L"Zg=", L"Z===", L"Zm9v\r\n", L"Zm 9v", L"Zm9-", L"Zg==Zm9v", L"=Zm9"}) {
        std::string decoded;
        EXPECT_FALSE(DecodeBase64(bad, decoded)) << bad;
    }
}

}  // namespace
