#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "support/TempDir.h"
#include "tools/FileStatistics.h"

namespace quillory {
namespace {

std::span<const std::uint8_t> bytesOf(const std::string& text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TextCounts counted(const std::string& text)
{
    return countText(bytesOf(text));
}

// The walk as the command describes it: a flag for "inside a word", one word at each end of a run.
TextCounts walkedOneByteAtATime(const std::string& text)
{
    TextCounts counts;
    bool inWord = false;
    for (unsigned char b : text) {
        if (b >= 0x21)
            ++counts.characters;
        const bool white = b == ' ' || b == '\t' || b == '\n' || b == '\v' || b == '\f' || b == '\r';
        if (!white)
            inWord = true;
        else if (inWord) {
            inWord = false;
            ++counts.words;
        }
    }
    if (inWord)
        ++counts.words;
    return counts;
}

// `wc -w` in the C locale on the text, through a file.
std::int64_t wordsByWc(const test::TempDir& dir, const std::string& text)
{
    const std::string path = dir.write("words.txt", text);
    FILE* pipe = ::popen(("LC_ALL=C wc -w < '" + path + "'").c_str(), "r");
    if (pipe == nullptr)
        return -1;
    long long words = -1;
    if (std::fscanf(pipe, "%lld", &words) != 1)
        words = -1;
    ::pclose(pipe);
    return words;
}

std::string randomText(std::mt19937& random, std::size_t length, const std::string& alphabet)
{
    std::string text(length, ' ');
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    for (char& c : text)
        c = alphabet[pick(random)];
    return text;
}

TEST(FileStatistics, EdgeCasesOfTheCommand)
{
    EXPECT_EQ(counted(""), (TextCounts{0, 0}));
    EXPECT_EQ(counted("a  b\r\nc"), (TextCounts{3, 3}));
    EXPECT_EQ(counted("one two"), (TextCounts{6, 2}));  // last word without white space after it
    EXPECT_EQ(counted(" \t\n\v\f\r  \r\n"), (TextCounts{0, 0}));
    EXPECT_EQ(counted("caf\xE9 na\xEFve \x80\xFF"), (TextCounts{11, 3}));
    // Control bytes other than the six are parts of words but not characters.
    EXPECT_EQ(counted("\x01 a\x02"
                      "b \x1F"),
              (TextCounts{2, 3}));
    EXPECT_EQ(counted("\x7F"), (TextCounts{1, 1}));
}

TEST(FileStatistics, WordsAgreeWithWcAndCharactersWithBytesAbove0x20)
{
    // wc counts a run as a word only when it holds a printable byte, so the other bytes here are
    // printable ASCII; bytes 0x80-0xFF and control bytes are covered by the walk comparison below.
    std::string alphabet = " \t\n\v\f\r";
    for (int c = 0x21; c <= 0x7E; c += 7)
        alphabet += static_cast<char>(c);
    const test::TempDir dir;
    std::mt19937 random(5);
    for (int round = 0; round < 25; ++round) {
        const std::string text = randomText(random, 1 + random() % 3000, alphabet);
        std::int64_t visible = 0;
        for (unsigned char b : text)
            visible += b >= 0x21;
        const TextCounts counts = counted(text);
        EXPECT_EQ(counts.words, wordsByWc(dir, text)) << "round " << round;
        EXPECT_EQ(counts.characters, visible) << "round " << round;
    }
}

TEST(FileStatistics, AnyBytesInAnyPiecesCountAsOneByteAtATime)
{
    std::string alphabet;
    for (int c = 0; c < 256; ++c)
        alphabet += static_cast<char>(c);
    alphabet += std::string(40, ' ') + std::string(20, '\n');  // runs of white space
    std::mt19937 random(9);
    for (int round = 0; round < 200; ++round) {
        const std::string text = randomText(random, random() % 9000, alphabet);
        const TextCounts expected = walkedOneByteAtATime(text);
        EXPECT_EQ(counted(text), expected);

        TextCounter pieces;
        for (std::size_t at = 0; at < text.size();) {
            const std::size_t length = std::min<std::size_t>(text.size() - at, random() % 40);
            pieces.feed(bytesOf(text).subspan(at, length));
            at += length;
        }
        EXPECT_EQ(pieces.counts(), expected) << "round " << round;
    }
}

TEST(FileStatistics, LongRunsWithoutWhiteSpaceCountEveryByte)
{
    // Long enough that every lane of the vector count sees more than 255 bytes of one kind.
    const std::string run(100'000, 'x');
    EXPECT_EQ(counted(run), (TextCounts{100'000, 1}));
    EXPECT_EQ(countText(bytesOf(run), TextEncoding::Utf8), (TextCounts{100'000, 1}));
    std::string utf8Run;
    for (int i = 0; i < 50'000; ++i)
        utf8Run += "\xC3\xA9";  // e acute in UTF-8: one character of two bytes
    EXPECT_EQ(countText(bytesOf(utf8Run), TextEncoding::Utf8), (TextCounts{50'000, 1}));
    std::string words;
    for (int i = 0; i < 50'000; ++i)
        words += "a ";
    EXPECT_EQ(counted(words), (TextCounts{50'000, 50'000}));
}

TEST(FileStatistics, TextReportHasTheFourLines)
{
    const MessageBoxRequest box = textStatisticsReport({3, 3}, 7, 2147483647);
    EXPECT_EQ(box.caption, "Results:");
    EXPECT_EQ(box.text, "Characters (not including spaces) = 3\n\nWords (separate by white-spaces) = 3\n\n"
                        "File size (includes everything) = 7 bytes\n\nMaximum storage limit = 2147483647 bytes\n\n");
    EXPECT_EQ(box.icon, MessageIcon::None);
    EXPECT_EQ(box.buttons, MessageButtons::Ok);
}

TEST(FileStatistics, BinaryReportHasTwoLinesAndReadsNoText)
{
    bool textRead = false;
    const MessageBoxRequest box =
        fileStatisticsReport(false, 5000000000LL, 6000000000LL, [&](const ByteChunkVisitor&) { textRead = true; });
    EXPECT_FALSE(textRead);
    EXPECT_EQ(box.caption, "Results:");
    EXPECT_EQ(box.text, "File size (includes everything) = 5000000000 bytes\n\n"
                        "Maximum storage limit = 6000000000 bytes\n\n");
}

TEST(FileStatistics, TextCommandCountsEveryPiece)
{
    const std::string first = "Hello, wor";
    const std::string second = "ld!\r\nBye";
    const MessageBoxRequest box = fileStatisticsReport(true, 18, 100, [&](const ByteChunkVisitor& visit) {
        visit(bytesOf(first));
        visit(bytesOf(second));
    });
    EXPECT_TRUE(
        box.text.starts_with("Characters (not including spaces) = 15\n\nWords (separate by white-spaces) = 3\n\n"))
        << box.text;
    EXPECT_NE(box.text.find("File size (includes everything) = 18 bytes"), std::string::npos);
    EXPECT_NE(box.text.find("Maximum storage limit = 100 bytes"), std::string::npos);
}

TEST(FileStatistics, EmptyDocumentReportsZeros)
{
    const MessageBoxRequest box = fileStatisticsReport(true, 0, 100, [](const ByteChunkVisitor&) {});
    EXPECT_TRUE(box.text.starts_with("Characters (not including spaces) = 0\n\n"
                                     "Words (separate by white-spaces) = 0\n\n"
                                     "File size (includes everything) = 0 bytes"))
        << box.text;
}

}  // namespace
}  // namespace quillory
