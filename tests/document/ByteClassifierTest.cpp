#include <gtest/gtest.h>

#include <random>

#include "document/ByteClassifier.h"
#include "document/QuilloryDoc.h"
#include "support/ControlStandIn.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/TempDir.h"

namespace quillory::test {
namespace {

bool isBinaryByte(int b)
{
    return b <= 8 || (b >= 14 && b <= 31);
}

TEST(ByteClassifier, EveryByteValueAloneInAFileLoadsInItsMode)
{
    TempDir dir;
    for (int b = 0; b < 256; ++b) {
        ScriptedMessageBoxes boxes;
        QuilloryDoc doc(boxes);
        ControlStandIn control(doc);
        doc.loadFile(dir.write("one", std::string(1, static_cast<char>(b))));
        ASSERT_TRUE(boxes.shown().empty());
        EXPECT_EQ(doc.mode(), isBinaryByte(b) ? DocumentMode::Binary : DocumentMode::Text) << "byte " << b;
        if (isBinaryByte(b)) {
            // The control shows one character per byte; 0 cannot be shown and becomes 1.
            EXPECT_EQ(control.text, std::string(1, static_cast<char>(b == 0 ? 1 : b)));
            ASSERT_EQ(doc.storage().length(), 1);
            EXPECT_EQ(doc.storage().bytes()[0], b);
        } else {
            EXPECT_EQ(control.text, std::string(1, static_cast<char>(b)));
            EXPECT_EQ(doc.storage().bytes(), nullptr);
        }
    }
}

TEST(ByteClassifier, BinaryByteFoundFarIntoALargeBuffer)
{
    std::string text(1'000'003, 'x');
    EXPECT_FALSE(isBinary(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    text[999'999] = '\x1B';
    EXPECT_TRUE(isBinary(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    EXPECT_FALSE(isBinary(reinterpret_cast<const std::uint8_t*>(text.data()), 999'999));
}

TEST(ByteClassifier, DisplayCopyReplacesOnlyNulTabLineFeedAndCarriageReturn)
{
    std::string bytes = bytesOf({0x41, 0x00, 0x0D, 0x0A, 0x09, 0x42, 0x0B, 0x0C, 0x1B, 0xFF});
    makeDisplayCopy(reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size());
    EXPECT_EQ(bytes, bytesOf({0x41, 0x01, 0x01, 0x01, 0x01, 0x42, 0x0B, 0x0C, 0x1B, 0xFF}));
}

TEST(ByteClassifier, LongInputsAgreeWithTheByteByByteRule)
{
    // Inputs long enough for the vector paths, against the rule applied one byte at a time: every
    // byte value at a random place among printable bytes, and any bytes at all for the display copy.
    std::mt19937 random(13);
    for (const std::size_t length : {64u, 65u, 100u, 4096u, 16 * 1024u + 17}) {
        for (int b = 0; b < 256; ++b) {
            std::string bytes(length, 'x');
            for (char& c : bytes)
                c = static_cast<char>(' ' + random() % 95);
            const std::size_t at = random() % length;
            bytes[at] = static_cast<char>(b);
            ASSERT_EQ(isBinary(reinterpret_cast<const std::uint8_t*>(bytes.data()), length), isBinaryByte(b))
                << "byte " << b << " at " << at << " of " << length;

            for (char& c : bytes)
                c = static_cast<char>(random());
            std::string expected = bytes;
            for (char& c : expected)
                if (c == 0 || c == 9 || c == 10 || c == 13)
                    c = 1;
            makeDisplayCopy(reinterpret_cast<std::uint8_t*>(bytes.data()), length);
            ASSERT_EQ(bytes, expected) << "length " << length;
        }
    }
}

}  // namespace
}  // namespace quillory::test
