// Random names: the reductions of the 15-bit draws, the folder kept, and renaming that never
// replaces another file.
#include <gtest/gtest.h>

#include <cerrno>
#include <deque>
#include <filesystem>

#include "support/TempDir.h"
#include "wiper/RandomName.h"

namespace quillory::test {
namespace {

namespace fs = std::filesystem;

// Draws the given numbers in order.
Draw15 drawing(std::deque<int> numbers)
{
    return [numbers = std::move(numbers)]() mutable {
        const int next = numbers.front();
        numbers.pop_front();
        return next;
    };
}

TEST(RandomName, DrawsReduceToLengthAndCharacter)
{
    EXPECT_EQ(drawRandomName(drawing({0})), "");
    // A first character that would be a full stop (which hides the file) is drawn again.
    std::deque<int> longest(254, 0);
    for (const int first : {65, 0, 0, 255})
        longest.push_front(first);
    EXPECT_EQ(drawRandomName(drawing(longest)), "a" + std::string(254, '.'));
    // 260 -> 5 characters; 65 and 159 -> 'a'; 0 (space) and 2 (double quote) -> '.'; 32767 -> 'W'.
    EXPECT_EQ(drawRandomName(drawing({260, 65, 159, 0, 2, 32767})), "aa..W");
    // 32767 -> 127 characters; 94 -> '~', the last code; 95 -> '!', the first after the space.
    std::deque<int> draws{32767};
    draws.insert(draws.end(), 126, 94);
    draws.push_back(95);
    EXPECT_EQ(drawRandomName(drawing(draws)), std::string(126, '~') + "!");
}

TEST(RandomName, DrawnNamesNeverBeginWithAFullStop)
{
    RandomDraws draws(20261208);
    const Draw15 draw = [&draws] { return draws(); };
    int named = 0;
    int dotsInside = 0;
    for (int i = 0; i < 100000; ++i) {
        const std::string name = drawRandomName(draw);
        if (name.empty())
            continue;
        ++named;
        ASSERT_NE(name.front(), '.') << name;
        dotsInside += name.find('.') != std::string::npos ? 1 : 0;
    }
    EXPECT_GT(named, 99000);
    EXPECT_GT(dotsInside, 90000);  // full stops stay everywhere else
}

TEST(RandomName, NameAlphabetIsLettersDigitsAndFifteenMarks)
{
    std::string alphabet;
    for (int c = 32; c <= 126; ++c)
        if (isNameCharacter(static_cast<char>(c)))
            alphabet.push_back(static_cast<char>(c));
    EXPECT_EQ(alphabet, "!#$%&()."
                        "0123456789=@ABCDEFGHIJKLMNOPQRSTUVWXYZ[]abcdefghijklmnopqrstuvwxyz{}~");
    for (const char c : std::string(" \"'*+,-/:;<>?\\^_`|"))
        EXPECT_FALSE(isNameCharacter(c)) << c;
}

TEST(RandomName, FolderIsEverythingUpToTheLastSlash)
{
    EXPECT_EQ(folderOf("/home/user/file.txt"), "/home/user/");
    EXPECT_EQ(folderOf("/file"), "/");
    EXPECT_EQ(folderOf("file"), "");
    EXPECT_EQ(folderOf(""), "");
}

TEST(RandomName, RenamingNeverReplacesAnExistingFile)
{
    TempDir dir;
    const std::string from = dir.write("old", "content");
    const std::string taken = dir.write("a", "keep me");
    for (auto rename : {&renameWithoutReplacing, &linkThenUnlink}) {
        errno = 0;
        EXPECT_FALSE(rename(from, taken));
        EXPECT_EQ(errno, EEXIST);  // a taken name is told apart from a missing file
        EXPECT_EQ(readAll(from), "content");
        EXPECT_EQ(readAll(taken), "keep me");
        EXPECT_FALSE(rename(from, dir.path() + "/."));
        EXPECT_FALSE(rename(dir.file("missing"), dir.file("new")));
        EXPECT_FALSE(fs::exists(dir.file("new")));
    }
    ASSERT_TRUE(renameWithoutReplacing(from, dir.file("b")));
    ASSERT_TRUE(linkThenUnlink(dir.file("b"), dir.file("c")));
    EXPECT_FALSE(fs::exists(from));
    EXPECT_FALSE(fs::exists(dir.file("b")));
    EXPECT_EQ(readAll(dir.file("c")), "content");
    EXPECT_FALSE(renameWithoutReplacing("", dir.file("d")));
}

}  // namespace
}  // namespace quillory::test
