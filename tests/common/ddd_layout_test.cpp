// The ".ddd" layout shared by the server and VimkoInfo, and the card server
// message: byte layouts, sums and every way an upload can be refused.

#include "common/ddd_layout.h"

#include <gtest/gtest.h>

#include "common/card_message.h"

namespace {

// An upload whose directory holds `entries` (id, flag, size) with correct
// sums over contents of the byte value `fill`; the remaining entries empty.
struct Entry {
    uint16_t id;
    uint8_t flag;
    uint16_t size;
};

std::string Upload(const std::vector<Entry>& entries, uint8_t fill = 0x5A) {
    std::string upload(kDriverFileBytes, '\0');
    size_t offset = kDriverContentOffset;
    for (size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        uint16_t sum = e.flag ? static_cast<uint16_t>(~e.id) : e.id;
        for (size_t k = 0; k < e.size && offset + k < upload.size(); ++k) {
            upload[offset + k] = static_cast<char>(fill);
            sum = static_cast<uint16_t>(sum + fill);
        }
        char* d = &upload[i * 7];
        d[0] = static_cast<char>(e.id & 0xFF);
        d[1] = static_cast<char>(e.id >> 8);
        d[2] = static_cast<char>(e.flag);
        d[3] = static_cast<char>(e.size & 0xFF);
        d[4] = static_cast<char>(e.size >> 8);
        d[5] = static_cast<char>(sum & 0xFF);
        d[6] = static_cast<char>(sum >> 8);
        offset += e.size;
    }
    return upload;
}

DriverFileResult Assemble(const std::string& upload) {
    return AssembleDriverFile(reinterpret_cast<const uint8_t*>(upload.data()));
}

TEST(DriverEntrySum, StartsAtTheFileIdOrItsInverseForAFlaggedEntry) {
    EXPECT_EQ(DriverEntrySum(0x0501, 1, nullptr, 0), 0xFAFE);
    EXPECT_EQ(DriverEntrySum(0x0501, 0, nullptr, 0), 0x0501);
    const uint8_t bytes[] = {0xFF, 0xFF, 0x03};
    EXPECT_EQ(DriverEntrySum(0xFFFF, 0, bytes, 3), static_cast<uint16_t>(0xFFFF + 0x1FE + 3));
}

TEST(AssembleDriverFile, WritesBigEndianHeadersBeforeEachContent) {
    DriverFileResult r = Assemble(Upload({{0x0501, 1, 3}, {0xC100, 0, 2}}));
    ASSERT_TRUE(r.ok);
    std::string expected =
        std::string("\x05\x01\x01\x00\x03ZZZ", 8) + std::string("\xC1\x00\x00\x00\x02ZZ", 7);
    // The 25 empty entries: FileID 0, flag 0, size 0, and a sum of 0 that matches.
    for (int i = 0; i < 25; ++i) expected += std::string(5, '\0');
    EXPECT_EQ(r.file, expected);
    ASSERT_EQ(r.log.size(), 27u);
    EXPECT_EQ(r.log[0], "FileID=0501 FileFlag=01 FileSize=3 FileCrcc=fc0c Offset=256\n");
    EXPECT_EQ(r.log[1], "FileID=c100 FileFlag=00 FileSize=2 FileCrcc=c1b4 Offset=259\n");
    EXPECT_EQ(r.log[2], "FileID=0000 FileFlag=00 FileSize=0 FileCrcc=0000 Offset=261\n");
}

TEST(AssembleDriverFile, WrongSumStopsWithBothSums) {
    std::string upload = Upload({{0x0002, 0, 4}, {0x0005, 0, 4}});
    upload[256 + 5] = 0x5B;  // second content, one more
    DriverFileResult r = Assemble(upload);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.file.empty());
    ASSERT_EQ(r.log.size(), 3u);
    EXPECT_EQ(r.log[2], "ESM_FILE=ERR#016e-016d\n");
}

TEST(AssembleDriverFile, SizesBeyondTheUploadOrOutputAreRefused) {
    // Exactly filling the upload: 256 + 28416 content bytes.
    std::vector<Entry> fits = {{0x0504, 0, 28416}};
    EXPECT_TRUE(Assemble(Upload(fits)).ok);
    // One byte more would be read from past the end of the upload.
    DriverFileResult past = Assemble(Upload({{0x0504, 0, 28417}}));
    EXPECT_FALSE(past.ok);
    EXPECT_EQ(past.log.back(), "ESM_FILE=ERR#5\n");
    // Two large entries: the second does not fit the output any more.
    DriverFileResult output = Assemble(Upload({{0x0504, 0, 20000}, {0x0505, 0, 9000}}));
    EXPECT_FALSE(output.ok);
    EXPECT_EQ(output.log.back(), "ESM_FILE=ERR#20010\n");
}

TEST(CardRecordHeader, RoundTripsAndNeedsFiveBytes) {
    std::string bytes;
    PutCardRecordHeader(bytes, CardRecordHeader{0xC108, 1, 0x1234});
    EXPECT_EQ(bytes, std::string("\xC1\x08\x01\x12\x34", 5));
    CardRecordHeader h;
    ASSERT_TRUE(ReadCardRecordHeader(bytes, h));
    EXPECT_EQ(h.fileId, 0xC108);
    EXPECT_EQ(h.appendix, 1);
    EXPECT_EQ(h.length, 0x1234);
    EXPECT_FALSE(ReadCardRecordHeader(bytes.substr(0, 4), h));
}

TEST(CardMessage, LayoutAndAnswerChecks) {
    EXPECT_EQ(BuildCardMessage(kCardModeAuth, "AB"), std::string("\xDE\xAD\xBE\xEF\x31\x02\x00"
                                                                 "AB",
                                                                 9));
    const std::string ok = BuildCardMessage(kCardModeData, "XYZ");
    struct Case {
        std::string received;
        uint8_t mode;
        CardAnswerCheck check;
        std::string data;
    } cases[] = {
        {ok, kCardModeData, CardAnswerCheck::kOk, "XYZ"},
        {ok, kCardModeAuth, CardAnswerCheck::kCorrupt, ""},
        {"\xDE\xAD\xBE\xEE" + ok.substr(4), kCardModeData, CardAnswerCheck::kCorrupt, ""},
        {ok.substr(0, 8), kCardModeData, CardAnswerCheck::kTooShort, ""},
        {ok.substr(0, 9), kCardModeData, CardAnswerCheck::kLengthDiffers, "XY"},
        {ok + "!!", kCardModeData, CardAnswerCheck::kLengthDiffers, "XYZ"},
    };
    for (const Case& c : cases) {
        CardAnswer a = ParseCardAnswer(c.received, c.mode);
        EXPECT_EQ(a.check, c.check) << c.received.size();
        EXPECT_EQ(std::string(a.data), c.data) << c.received.size();
    }
    EXPECT_EQ(CardCounter(std::string("\x34\x12\x99", 3)), 0x1234);
    EXPECT_EQ(CardCounter("\x07"), 7);
    EXPECT_EQ(CardCounter(""), 0);
}

}  // namespace
