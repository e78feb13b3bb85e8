// Finding text: case, whole words, direction, matches across the buffer's gap.
#include <gtest/gtest.h>

#include <random>

#include "PlainFind.h"
#include "editcore/TextFinder.h"

namespace quillory {
namespace {

TEST(TextFinder, ForwardIgnoresCaseIncludingAccentedLetters)
{
    TextBuffer t(1);
    t.setText("xx Hello \xC9t\xC9 hello");
    EXPECT_EQ(findText(t, "hello", 0, {}), (FoundRange{3, 8}));
    EXPECT_EQ(findText(t, "hello", 4, {}), (FoundRange{13, 18}));
    EXPECT_EQ(findText(t, "\xE9t\xE9", 0, {}), (FoundRange{9, 12}));
    EXPECT_EQ(findText(t, "hello", 15, {}), std::nullopt);
    FindOptions exact;
    exact.matchCase = true;
    EXPECT_EQ(findText(t, "hello", 0, exact), (FoundRange{13, 18}));
}

TEST(TextFinder, WholeWordAndBackward)
{
    TextBuffer t;
    t.setText("cat concat cat_ cat.");
    FindOptions word;
    word.wholeWord = true;
    EXPECT_EQ(findText(t, "cat", 1, word), (FoundRange{16, 19}));
    FindOptions back;
    back.backward = true;
    EXPECT_EQ(findText(t, "cat", 16, back), (FoundRange{11, 14}));
    EXPECT_EQ(findText(t, "cat", 2, back), std::nullopt);
}

TEST(TextFinder, FindsAMatchThatStraddlesTheGap)
{
    TextBuffer t(4);
    t.setText("abcdef");
    t.replace(3, 0, "XY");  // gap now after "abcXY"
    EXPECT_EQ(findText(t, "yd", 0, {}), (FoundRange{4, 6}));
    EXPECT_EQ(t.text(0, t.size()), "abcXYdef");
}

// Random texts over bytes that stress case, words and lines, edited at random so that the gap sits
// anywhere (tiny gaps put it at the seam of most matches); every search must agree with a plain
// scan and leave the gap where it was.
TEST(TextFinder, RandomSearchesAgreeWithAPlainScanWhereverTheGapIs)
{
    std::mt19937 rng(20240611);
    const std::string alphabet = "aAaAbB_ -\xE9\xC9\x8A\x9A\r\n";
    auto pick = [&](std::size_t n) {
        std::string s;
        for (std::size_t i = 0; i < n; ++i)
            s.push_back(alphabet[rng() % alphabet.size()]);
        return s;
    };
    for (int round = 0; round < 300; ++round) {
        TextBuffer t(rng() % 3 + 1);
        std::string s = pick(rng() % 300);
        t.setText(s);
        for (int step = 0; step < 25; ++step) {
            const std::size_t at = rng() % (s.size() + 1);
            const std::size_t removed = std::min<std::size_t>(rng() % 3, s.size() - at);
            const std::string inserted = pick(rng() % 3);
            t.replace(static_cast<std::int64_t>(at), static_cast<std::int64_t>(removed), inserted);
            s.replace(at, removed, inserted);

            std::string needle;
            if (!s.empty() && rng() % 3 != 0) {
                const std::size_t from = rng() % s.size();
                needle = s.substr(from, 1 + rng() % 12);
            } else {
                needle = pick(1 + rng() % 4);
            }
            FindOptions o;
            o.matchCase = rng() % 2;
            o.wholeWord = rng() % 3 == 0;
            o.backward = rng() % 2;
            const auto from = static_cast<std::int64_t>(rng() % (s.size() + 5)) - 2;
            const std::size_t gap = t.beforeGap().size();
            ASSERT_EQ(findText(t, needle, from, o), plainFind(s, needle, from, o))
                << "round " << round << " step " << step << " needle '" << needle << "' from " << from << " gap " << gap
                << " case " << o.matchCase << " word " << o.wholeWord << " back " << o.backward;
            ASSERT_EQ(t.beforeGap().size(), gap);
        }
        ASSERT_EQ(t.text(0, t.size()), s);
    }
}

}  // namespace
}  // namespace quillory
