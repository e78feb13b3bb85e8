// The text buffer and its line index against a plain string under random edits.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "editcore/GapBuffer.h"
#include "editcore/TextBuffer.h"
#include "support/Invariants.h"

namespace quillory {
namespace {

std::vector<std::int64_t> referenceLineStarts(const std::string& s)
{
    std::vector<std::int64_t> starts{0};
    for (std::size_t i = 0; i < s.size(); ++i)
        if (s[i] == '\n' || (s[i] == '\r' && (i + 1 == s.size() || s[i + 1] != '\n')))
            starts.push_back(static_cast<std::int64_t>(i + 1));
    return starts;
}

void expectSame(const TextBuffer& buffer, const std::string& ref)
{
    ASSERT_EQ(buffer.size(), static_cast<std::int64_t>(ref.size()));
    ASSERT_EQ(buffer.text(0, buffer.size()), ref);
    const auto starts = referenceLineStarts(ref);
    ASSERT_EQ(buffer.lineCount(), static_cast<std::int64_t>(starts.size()));
    for (std::size_t i = 0; i < starts.size(); ++i)
        ASSERT_EQ(buffer.lineStart(static_cast<std::int64_t>(i)), starts[i]) << "line " << i;
    for (std::int64_t pos = 0; pos <= buffer.size(); pos += 7) {
        const auto line =
            static_cast<std::int64_t>(std::upper_bound(starts.begin(), starts.end(), pos) - starts.begin()) - 1;
        ASSERT_EQ(buffer.lineOf(pos), line) << "pos " << pos;
    }
}

std::string randomBytes(std::mt19937& rng, int maxLength)
{
    static const char alphabet[] = "ab \r\n\r\n\t\x01";
    std::string s(static_cast<std::size_t>(rng() % (maxLength + 1)), ' ');
    for (char& c : s)
        c = alphabet[rng() % (sizeof(alphabet) - 1)];
    return s;
}

TEST(TextBuffer, RandomEditsMatchReferenceIncludingCrLfAtGapAndChunkEdges)
{
    for (std::size_t gap : {std::size_t{1}, std::size_t{3}, std::size_t{64}}) {
        std::mt19937 rng(static_cast<std::mt19937::result_type>(gap) * 7919u);
        TextBuffer buffer(gap);
        std::string ref = randomBytes(rng, 200);
        buffer.setText(ref);
        expectSame(buffer, ref);
        for (int step = 0; step < 1500; ++step) {
            const auto size = static_cast<std::int64_t>(ref.size());
            const std::int64_t pos = size == 0 ? 0 : static_cast<std::int64_t>(rng() % (size + 1));
            const std::int64_t removed = std::min<std::int64_t>(size - pos, rng() % 4 == 0 ? rng() % 20 : rng() % 3);
            const std::string inserted = randomBytes(rng, rng() % 5 == 0 ? 30 : 3);
            buffer.replace(pos, removed, inserted);
            ref.replace(static_cast<std::size_t>(pos), static_cast<std::size_t>(removed), inserted);
            EXPECT_INVARIANTS(buffer);
            ASSERT_NO_FATAL_FAILURE(expectSame(buffer, ref)) << "gap " << gap << " step " << step;
        }
    }
}

TEST(TextBuffer, AdoptedBlockIsTheTextAndTakesEditsLikeACopiedOne)
{
    std::mt19937 rng(11);
    for (int round = 0; round < 50; ++round) {
        std::string ref = randomBytes(rng, 300);
        // The block may be larger than the text; only `length` bytes count.
        auto* bytes = static_cast<std::uint8_t*>(cHeap().allocPlain(ref.size() + 5));
        std::copy(ref.begin(), ref.end(), bytes);
        TextBuffer buffer(round % 2 == 0 ? 1 : 64);
        buffer.adoptText(HeapBlock::adopt(cHeap(), bytes, ref.size() + (round % 3 == 0 ? 0 : 5)), ref.size());
        expectSame(buffer, ref);
        for (int edit = 0; edit < 20; ++edit) {
            const auto pos = static_cast<std::int64_t>(rng() % (ref.size() + 1));
            const auto removed = std::min<std::int64_t>(static_cast<std::int64_t>(rng() % 4),
                                                        static_cast<std::int64_t>(ref.size()) - pos);
            const std::string inserted = randomBytes(rng, 6);
            buffer.replace(pos, removed, inserted);
            ref.replace(static_cast<std::size_t>(pos), static_cast<std::size_t>(removed), inserted);
        }
        expectSame(buffer, ref);
    }
}

TEST(TextBuffer, FarApartEditsInThousandsOfLinesKeepEveryLineStart)
{
    // Many lines, edits jumping back and forth: the pending shift is applied, stepped back and
    // moved again, and line breaks come and go around it.
    std::mt19937 rng(99);
    std::string ref;
    for (int i = 0; i < 4000; ++i)
        ref +=
            std::string(static_cast<std::size_t>(rng() % 40), 'q') + (i % 5 == 0 ? "\r\n" : (i % 7 == 0 ? "\r" : "\n"));
    TextBuffer buffer(8);
    buffer.setText(ref);
    for (int step = 0; step < 400; ++step) {
        const auto size = static_cast<std::int64_t>(ref.size());
        const std::int64_t pos = static_cast<std::int64_t>(rng() % (size + 1));
        const std::int64_t removed = std::min<std::int64_t>(size - pos, rng() % 6);
        const std::string inserted = randomBytes(rng, 6);
        buffer.replace(pos, removed, inserted);
        ref.replace(static_cast<std::size_t>(pos), static_cast<std::size_t>(removed), inserted);
        EXPECT_INVARIANTS(buffer);
        if (step % 40 == 39) {
            ASSERT_NO_FATAL_FAILURE(expectSame(buffer, ref)) << "step " << step;
        }
    }
    ASSERT_NO_FATAL_FAILURE(expectSame(buffer, ref));
}

TEST(TextBuffer, JoiningAndSplittingCrLfChangesLineCount)
{
    TextBuffer buffer(1);
    buffer.setText("a\rb");
    EXPECT_EQ(buffer.lineCount(), 2);
    buffer.replace(2, 1, "\n");  // "a\r\n": the CR and the new LF make one break
    EXPECT_EQ(buffer.lineCount(), 2);
    EXPECT_EQ(buffer.lineStart(1), 3);
    EXPECT_EQ(buffer.lineContentEnd(0), 1);
    buffer.replace(2, 0, "x");  // "a\rx\n": two breaks now
    EXPECT_EQ(buffer.lineCount(), 3);
    EXPECT_EQ(buffer.lineStart(1), 2);
    EXPECT_EQ(buffer.lineStart(2), 4);
    EXPECT_TRUE(buffer.insideCrLf(2) == false);
}

TEST(TextBuffer, FirstLineBreakIsTheTextsOwn)
{
    TextBuffer buffer;
    buffer.setText("no breaks");
    EXPECT_EQ(buffer.firstLineBreak(), "\n");
    buffer.setText("a\r\nb\nc");
    EXPECT_EQ(buffer.firstLineBreak(), "\r\n");
    buffer.setText("a\rb\r\n");
    EXPECT_EQ(buffer.firstLineBreak(), "\r");
    buffer.setText("a\nb\r\n");
    EXPECT_EQ(buffer.firstLineBreak(), "\n");
}

TEST(TextBuffer, LargeTextIndexesEveryLineAndPiecesCoverIt)
{
    std::string text;
    for (int i = 0; i < 20000; ++i)
        text += std::string(static_cast<std::size_t>(i % 90), 'x') + (i % 3 == 0 ? "\r\n" : "\n");
    TextBuffer buffer;
    buffer.setText(text);
    EXPECT_EQ(buffer.lineCount(), 20001);
    buffer.replace(123456, 0, "\r");
    text = text.substr(0, 123456) + "\r" + text.substr(123456);
    std::string joined;
    buffer.forEachPiece(0, buffer.size(), [&](std::string_view piece) { joined += piece; });
    EXPECT_EQ(joined, text);
    EXPECT_EQ(buffer.lineCount(), static_cast<std::int64_t>(referenceLineStarts(text).size()));
}

TEST(TextBuffer, BlockAdoptedWithTheGapInFrontIsTheTextAndTakesEditsAtBothEnds)
{
    // As a load at an offset leaves it: the text at [offset, offset + length) of the block, the
    // gap [0, offset) in front of it, perhaps unused bytes after it.
    std::mt19937 rng(23);
    for (int round = 0; round < 60; ++round) {
        std::string ref = randomBytes(rng, 300);
        const std::size_t offset = 1 + rng() % 40;
        const std::size_t spare = round % 3 == 0 ? 0 : 5;
        const std::size_t blockBytes = offset + ref.size() + spare;
        auto* bytes = static_cast<std::uint8_t*>(cHeap().allocPlain(blockBytes));
        std::memset(bytes, '\n', blockBytes);  // line breaks in the gap and after: never text
        std::copy(ref.begin(), ref.end(), bytes + offset);
        TextBuffer buffer(round % 2 == 0 ? 1 : 64);
        buffer.adoptText(HeapBlock::adopt(cHeap(), bytes, blockBytes), ref.size(), offset);
        EXPECT_INVARIANTS(buffer);
        ASSERT_NO_FATAL_FAILURE(expectSame(buffer, ref)) << "round " << round;
        EXPECT_EQ(buffer.beforeGap().size(), 0u);  // nothing in front of the gap yet
        for (int edit = 0; edit < 30; ++edit) {
            const auto size = static_cast<std::int64_t>(ref.size());
            // At 0 (into the gap), at the end, or anywhere.
            const int where = static_cast<int>(rng() % 3);
            const std::int64_t pos = where == 0 ? 0 : where == 1 ? size : static_cast<std::int64_t>(rng() % (size + 1));
            const std::int64_t removed = std::min<std::int64_t>(size - pos, rng() % 3);
            const std::string inserted = randomBytes(rng, rng() % 4 == 0 ? 50 : 3);
            buffer.replace(pos, removed, inserted);
            ref.replace(static_cast<std::size_t>(pos), static_cast<std::size_t>(removed), inserted);
            EXPECT_INVARIANTS(buffer);
            ASSERT_NO_FATAL_FAILURE(expectSame(buffer, ref)) << "round " << round << " edit " << edit;
        }
    }
}

TEST(TextBuffer, TypingAtTheStartOfATextAdoptedWithTheGapInFrontMovesNothing)
{
    const std::string file = "one\r\ntwo\nthree";
    constexpr std::size_t kOffset = 8;
    auto* bytes = static_cast<std::uint8_t*>(cHeap().allocPlain(kOffset + file.size()));
    std::copy(file.begin(), file.end(), bytes + kOffset);
    TextBuffer buffer(4);
    buffer.adoptText(HeapBlock::adopt(cHeap(), bytes, kOffset + file.size()), file.size(), kOffset);
    EXPECT_EQ(buffer.lineCount(), 3);
    EXPECT_EQ(buffer.lineStart(1), 5);
    EXPECT_EQ(buffer.lineStart(2), 9);
    EXPECT_EQ(buffer.afterGap().data() - buffer.beforeGap().data(), static_cast<std::ptrdiff_t>(kOffset));
    const char* textAt = buffer.afterGap().data();
    buffer.replace(0, 0, "ab\n");
    buffer.replace(3, 0, "c");
    // The text after the gap stayed where it was: the edits filled the gap in front of it.
    EXPECT_EQ(buffer.afterGap().data(), textAt);
    EXPECT_EQ(buffer.beforeGap(), "ab\nc");
    EXPECT_EQ(buffer.text(0, buffer.size()), "ab\nc" + file);
    EXPECT_EQ(buffer.lineCount(), 4);
    EXPECT_EQ(buffer.lineStart(1), 3);
    EXPECT_EQ(buffer.lineStart(2), 9);
    EXPECT_EQ(buffer.lineStart(3), 13);
    buffer.replace(buffer.size(), 0, "\r");  // at the end: the gap moves across the text
    EXPECT_EQ(buffer.lineCount(), 5);
    EXPECT_EQ(buffer.text(0, buffer.size()), "ab\nc" + file + "\r");
    EXPECT_INVARIANTS(buffer);
}

TEST(GapBuffer, BlockAdoptedWithAnOffsetComesBackAsItWas)
{
    const std::string file = "abcdef";
    auto* bytes = static_cast<std::uint8_t*>(cHeap().allocPlain(16));
    std::copy(file.begin(), file.end(), bytes + 10);
    GapBuffer buffer(2);
    buffer.adopt(HeapBlock::adopt(cHeap(), bytes, 16), file.size(), 10);
    EXPECT_EQ(buffer.checkInvariants(), std::string());
    EXPECT_EQ(buffer.size(), 6);
    EXPECT_EQ(buffer.before(), "");
    EXPECT_EQ(buffer.after(), file);
    EXPECT_EQ(buffer.at(0), 'a');
    EXPECT_EQ(buffer.at(5), 'f');
    HeapBlock back = buffer.releaseBlock();
    ASSERT_EQ(back.data(), bytes);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(back.data()) + 10, 6), file);
    EXPECT_EQ(buffer.size(), 0);

    // Edits at 0 fill the gap; growth beyond it keeps the text.
    buffer.adopt(std::move(back), file.size(), 10);
    for (int i = 0; i < 12; ++i)
        buffer.insert(0, "x");
    buffer.insert(buffer.size(), "yz");
    buffer.erase(12, 1);
    EXPECT_EQ(buffer.text(0, buffer.size()), std::string(12, 'x') + "bcdefyz");
    EXPECT_EQ(buffer.checkInvariants(), std::string());
}

}  // namespace
}  // namespace quillory
