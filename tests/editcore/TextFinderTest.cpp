// Finding text: case, whole words, direction, matches across the buffer's gap.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace quillory
