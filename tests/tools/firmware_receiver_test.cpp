// The simulated unit's check of firmware uploads: frames built by hand, as
// lines, through the server-line parser.

#include "tools/unit_sim/firmware_receiver.h"

#include <gtest/gtest.h>

#include "common/base64_writer.h"

namespace {

using namespace unit_sim;
using Reply = FirmwareReceiver::Reply;

void PutLE(std::string& out, uint32_t value, int size) {
    for (int i = 0; i < size; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

Reply Feed(FirmwareReceiver& receiver, const std::string& frame) {
    std::vector<ServerFrame> frames = ParseServerLine(EncodeLine(frame, ';'));
    EXPECT_EQ(frames.size(), 1u);
    return receiver.Take(frames.at(0));
}

// An image and its blocks, the sum worked out independently of the unit.
struct Upload {
    std::string image;
    int blocks;
    std::vector<std::string> frames;
};

Upload MakeUpload(int blocks, uint8_t id = 36) {
    Upload u{std::string(), blocks, {}};
    uint32_t sum = 0;
    for (int b = 0; b < blocks; ++b) {
        std::string data;
        for (int i = 0; i < 256; ++i) data += static_cast<char>((b * 31 + i * 7) & 0xFF);
        for (char c : data) sum += static_cast<uint8_t>(c);
        if (blocks == 480) sum += static_cast<uint32_t>(b + 1);
        std::string frame{static_cast<char>(id), 0};
        PutLE(frame, static_cast<uint32_t>(b), 2);
        frame += data;
        PutLE(frame, sum, 4);
        u.image += data;
        u.frames.push_back(frame);
    }
    return u;
}

TEST(FirmwareReceiver, SoundImagesOfBothSizesAreAcknowledgedAtTheLastBlockOnly) {
    for (int blocks : {480, 992}) {
        Upload u = MakeUpload(blocks, blocks == 480 ? 36 : 58);
        FirmwareReceiver receiver;
        for (int b = 0; b < blocks; ++b) {
            Reply want = b == blocks - 1 ? Reply::kAck : Reply::kNone;
            ASSERT_EQ(Feed(receiver, u.frames[b]), want) << blocks << " block " << b;
        }
        const BlockUpload& got = receiver.blocks();
        EXPECT_EQ(got.blocks, blocks);
        EXPECT_TRUE(got.complete);
        EXPECT_FALSE(got.corrupt) << got.problem;
        EXPECT_EQ(got.image, u.image);
    }
}

TEST(FirmwareReceiver, CorruptImagesAreRefusedAtTheLastBlock) {
    const struct {
        const char* what;
        int block;   // the block spoiled
        int action;  // 0 wrong sum, 1 left out, 2 sent twice, 3 a byte changed
    } cases[] = {
        {"wrong sum", 5, 0},      {"block left out", 7, 1},    {"block repeated", 9, 2},
        {"byte changed", 100, 3}, {"first block's sum", 0, 0},
    };
    for (const auto& c : cases) {
        Upload u = MakeUpload(480);
        FirmwareReceiver receiver;
        Reply last = Reply::kNone;
        for (int b = 0; b < 480; ++b) {
            std::string frame = u.frames[b];
            if (b == c.block) {
                if (c.action == 0) frame[frame.size() - 4] ^= 1;
                if (c.action == 1) continue;
                if (c.action == 2) Feed(receiver, frame);
                if (c.action == 3) frame[40] ^= 0x10;
            }
            last = Feed(receiver, frame);
        }
        // A spoiled first block can make the unit expect the other image size,
        // so it never sees its last block; later faults show at the last one.
        if (c.block > 0) {
            EXPECT_EQ(last, Reply::kNack) << c.what;
        }
        EXPECT_NE(last, Reply::kAck) << c.what;
        EXPECT_TRUE(receiver.blocks().corrupt) << c.what;
        EXPECT_FALSE(receiver.blocks().problem.empty()) << c.what;
    }
}

TEST(FirmwareReceiver, BlockZeroStartsAnUploadAfresh) {
    Upload u = MakeUpload(480);
    FirmwareReceiver receiver;
    for (int b = 0; b < 3; ++b) Feed(receiver, u.frames[b]);
    Feed(receiver, u.frames[7]);  // an upload that went wrong, then a new one
    ASSERT_TRUE(receiver.blocks().corrupt);
    for (int b = 0; b < 480; ++b) Feed(receiver, u.frames[b]);
    EXPECT_FALSE(receiver.blocks().corrupt) << receiver.blocks().problem;
    EXPECT_TRUE(receiver.blocks().complete);
}

std::string AdapterRecord(int number, const std::string& content) {
    std::string frame{static_cast<char>(0x86), static_cast<char>(content.size() + 2)};
    PutLE(frame, static_cast<uint32_t>(number), 2);
    return frame + content;
}

std::string NameContent(const std::string& name, uint32_t size) {
    std::string out = name;
    PutLE(out, size, 4);
    return out;
}

TEST(FirmwareReceiver, AdapterRecordsAcknowledgedAndActivationCheckedAgainstTheSize) {
    std::string image(241, 'q');
    image[240] = '\x01';
    {
        FirmwareReceiver receiver;
        EXPECT_EQ(Feed(receiver, AdapterRecord(1, "")), Reply::kAck);
        EXPECT_EQ(Feed(receiver, AdapterRecord(2, NameContent("kx.bin", 241))), Reply::kAck);
        EXPECT_EQ(Feed(receiver, AdapterRecord(3, image.substr(0, 240))), Reply::kAck);
        EXPECT_EQ(Feed(receiver, AdapterRecord(4, image.substr(240))), Reply::kAck);
        EXPECT_EQ(Feed(receiver, AdapterRecord(5, "")), Reply::kAck);
        const AdapterUpload& got = receiver.adapter();
        EXPECT_TRUE(got.activated) << got.problem;
        EXPECT_EQ(got.name, "kx.bin");
        EXPECT_EQ(got.size, 241u);
        EXPECT_EQ(got.image, image);
        EXPECT_EQ(got.records, (std::vector<int>{1, 2, 3, 4, 5}));
    }
    {
        // The last data record missing: the activation comes early and is refused.
        FirmwareReceiver receiver;
        Feed(receiver, AdapterRecord(1, ""));
        Feed(receiver, AdapterRecord(2, NameContent("kx.bin", 481)));
        Feed(receiver, AdapterRecord(3, image.substr(0, 240)));
        Feed(receiver, AdapterRecord(4, image.substr(0, 240)));
        EXPECT_EQ(Feed(receiver, AdapterRecord(6, "")), Reply::kNack);
        EXPECT_FALSE(receiver.adapter().activated);
    }
    {
        // Data records out of order.
        FirmwareReceiver receiver;
        Feed(receiver, AdapterRecord(1, ""));
        Feed(receiver, AdapterRecord(2, NameContent("kx.bin", 241)));
        Feed(receiver, AdapterRecord(4, image.substr(240)));
        Feed(receiver, AdapterRecord(3, image.substr(0, 240)));
        EXPECT_EQ(Feed(receiver, AdapterRecord(5, "")), Reply::kNack);
    }
}

TEST(FirmwareReceiver, RawRecordsKeptAsTheyCame) {
    FirmwareReceiver receiver;
    std::string frame{0x3F, 0, 12, 0, 1, 3, 0, 'a', 'b', 'c'};
    EXPECT_EQ(Feed(receiver, frame), Reply::kAck);
    ASSERT_EQ(receiver.raw().size(), 1u);
    EXPECT_EQ(receiver.raw()[0].index, 12);
    EXPECT_EQ(receiver.raw()[0].flag, 1);
    EXPECT_EQ(receiver.raw()[0].items, "abc");
}

}  // namespace
