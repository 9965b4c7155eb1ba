#include "link/FrameDecoder.h"
#include "link/Frame.h"

#include <gtest/gtest.h>

#include <random>

using ddelink::Frame;
using ddelink::FrameDecoder;

namespace {

Frame frame(char kind, std::uint32_t id, std::string payload)
{
    Frame f;
    f.kind = kind;
    f.id = id;
    f.payload = std::move(payload);
    return f;
}

std::string header(char kind, std::uint32_t id, std::uint32_t length)
{
    Frame f = frame(kind, id, {});
    std::string bytes = f.encode();
    bytes[5] = static_cast<char>(length >> 24);
    bytes[6] = static_cast<char>(length >> 16);
    bytes[7] = static_cast<char>(length >> 8);
    bytes[8] = static_cast<char>(length);
    return bytes;
}

} // namespace

TEST(FrameDecoderTest, LayoutIsKindThenBigEndianIdAndLength)
{
    const std::string bytes = frame('R', 0x01020304, "\xD0\xC4").encode();
    EXPECT_EQ(bytes, std::string("R\x01\x02\x03\x04\x00\x00\x00\x02\xD0\xC4", 11));
}

TEST(FrameDecoderTest, FramesComeOutWholeHoweverTheBytesArrive)
{
    const Frame a = frame('D', 7, std::string("a\0b", 3));
    const Frame b = frame('X', 0xFFFFFFFF, "");
    const Frame c = frame('N', 9, std::string(70000, 'z'));
    const std::string stream = a.encode() + b.encode() + c.encode();

    // One byte at a time: nothing is given out before a frame is complete.
    FrameDecoder slow;
    std::vector<Frame> got;
    for (char byte : stream) {
        slow.feed(&byte, 1);
        while (auto f = slow.next())
            got.push_back(*f);
    }
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0], a);
    EXPECT_EQ(got[1], b);
    EXPECT_EQ(got[2], c);
    EXPECT_EQ(slow.pending(), 0u);

    // All at once, and a header cut short keeps waiting.
    FrameDecoder fast;
    fast.feed(stream + std::string("D\0\0", 3));
    EXPECT_EQ(fast.next(), a);
    EXPECT_EQ(fast.next(), b);
    EXPECT_EQ(fast.next(), c);
    EXPECT_FALSE(fast.next());
    EXPECT_FALSE(fast.failed());
    EXPECT_EQ(fast.pending(), 3u);
}

TEST(FrameDecoderTest, PayloadBoundIsOneMebibyteJudgedOnTheHeader)
{
    FrameDecoder atBound;
    atBound.feed(frame('D', 1, std::string(Frame::MaxPayload, 'x')).encode());
    const auto f = atBound.next();
    ASSERT_TRUE(f);
    EXPECT_EQ(f->payload.size(), Frame::MaxPayload);

    // Over the bound: refused as soon as the header is in, without waiting for the payload.
    FrameDecoder over;
    over.feed(header('D', 1, Frame::MaxPayload + 1));
    EXPECT_FALSE(over.next());
    EXPECT_TRUE(over.failed());

    FrameDecoder huge;
    huge.feed(header('D', 1, 0xFFFFFFFF));
    EXPECT_FALSE(huge.next());
    EXPECT_TRUE(huge.failed());
}

TEST(FrameDecoderTest, UnknownKindFailsForGood)
{
    FrameDecoder decoder;
    decoder.feed(frame('Z', 1, "item").encode());
    EXPECT_FALSE(decoder.next());
    EXPECT_TRUE(decoder.failed());
    EXPECT_FALSE(decoder.error().empty());
    // A good frame after the break is not trusted: the stream is out of step.
    decoder.feed(frame('A', 2, "").encode());
    EXPECT_FALSE(decoder.next());

    for (char kind : std::string("CSTRXQAND"))
        EXPECT_TRUE(Frame::isKnownKind(kind)) << kind;
    EXPECT_FALSE(Frame::isKnownKind('c'));
    EXPECT_FALSE(Frame::isKnownKind('\0'));
}

TEST(FrameDecoderTest, SurvivesRandomBytes)
{
    std::mt19937 random(4);
    for (int round = 0; round < 2000; ++round) {
        FrameDecoder decoder;
        std::string bytes(random() % 64, '\0');
        for (char& c : bytes)
            c = static_cast<char>(random());
        // Now and then a plausible kind, so that length handling is reached too.
        if (!bytes.empty() && round % 2)
            bytes[0] = "CSTRXAND"[random() % 8];
        std::size_t offset = 0;
        while (offset < bytes.size()) {
            const std::size_t piece =
                std::min<std::size_t>(1 + random() % 7, bytes.size() - offset);
            decoder.feed(bytes.data() + offset, piece);
            offset += piece;
            while (auto f = decoder.next())
                EXPECT_LE(f->payload.size(), Frame::MaxPayload);
        }
    }
}
