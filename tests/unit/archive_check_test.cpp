// Telling a finished 7z archive from one that a killed run left behind.
#include "engine/console/archive_check.h"

#include <gtest/gtest.h>

#include "tests/unit/seven_zip_bytes.h"

namespace {

TEST(IsFinishedSevenZipHeader, AcceptsOnlyACompleteHeaderForTheWholeFile) {
    std::string wrongSignature = FinishedHeaderBytes();
    wrongSignature[1] = 'Z';
    std::string wrongChecksum = FinishedHeaderBytes();
    wrongChecksum[8] ^= 1;
    std::string changedOffset = FinishedHeaderBytes();
    changedOffset[12] ^= 1;  // checksum no longer matches
    struct Case {
        const char* what;
        std::string start;
        std::int64_t size;
        bool expected;
    };
    const Case cases[] = {
        {"finished", FinishedHeaderBytes(), 245, true},
        {"truncated", FinishedHeaderBytes(), 244, false},
        {"longer", FinishedHeaderBytes(), 246, false},
        {"killed run", UnfinishedArchiveBytes().substr(0, 32), 4032, false},
        {"killed run of header size", UnfinishedArchiveBytes().substr(0, 32), 32, false},
        {"wrong signature", wrongSignature, 245, false},
        {"wrong checksum", wrongChecksum, 245, false},
        {"changed offset", changedOffset, 245, false},
        {"short", FinishedHeaderBytes().substr(0, 31), 245, false},
        {"empty", "", 0, false},
        {"no size", FinishedHeaderBytes(), -1, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsFinishedSevenZipHeader(c.start, c.size), c.expected) << c.what;
    }
}

}  // namespace
