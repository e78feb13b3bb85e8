// The command line tail and the main window's first rectangle.
#include <gtest/gtest.h>

#include "app/CommandLine.h"
#include "app/FrameGeometry.h"

namespace quillory {
namespace {

TEST(CommandLineTail, NoWordsMeansNoFile)
{
    const char* argv[] = {"quillory"};
    EXPECT_EQ(commandLineTail(1, argv), "");
    EXPECT_EQ(commandLineTail(std::vector<std::string>{}), "");
}

TEST(CommandLineTail, WordsAreJoinedBySingleBlanksUnchanged)
{
    const char* one[] = {"quillory", "notes.txt"};
    EXPECT_EQ(commandLineTail(2, one), "notes.txt");
    const char* two[] = {"quillory", "a", "b.txt"};
    EXPECT_EQ(commandLineTail(3, two), "a b.txt");
    // Nothing is a switch, and quotes that reached us stay.
    const char* odd[] = {"quillory", "-style", "\"x\"", "/tmp/my  file"};
    EXPECT_EQ(commandLineTail(4, odd), "-style \"x\" /tmp/my  file");
}

TEST(CommandLineTail, EmptyWordsStillCountAsBlanks)
{
    EXPECT_EQ(commandLineTail(std::vector<std::string>{"q", "", "x"}), " x");
}

TEST(InitialFrameRect, SevenEighthsCentredByIntegerArithmetic)
{
    EXPECT_EQ(initialFrameRect(1024, 768), (FrameRect{64, 48, 896, 672}));
    EXPECT_EQ(initialFrameRect(800, 600), (FrameRect{50, 37, 700, 525}));
    EXPECT_EQ(initialFrameRect(640, 480), (FrameRect{40, 30, 560, 420}));
    // Truncation: 1366 * 7 / 8 = 1195; 1195 * 8 / 7 = 1365, so left = 85.
    EXPECT_EQ(initialFrameRect(1366, 768), (FrameRect{85, 48, 1195, 672}));
}

}  // namespace
}  // namespace quillory
