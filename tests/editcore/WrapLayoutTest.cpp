// Wrap layout against a plain re-implementation of the wrap rule: rows, hit-testing, x round
// trips, tabs, fixed and proportional advances, checkpoints in long lines before and after edits.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "editcore/WrapLayout.h"
#include "support/Invariants.h"
#include "support/ReferenceLayout.h"

namespace quillory {
namespace {

using test::referenceRows;

Advances proportional()
{
    Advances a;
    for (int b = 0; b < 256; ++b)
        a.advance[b] = 64 * (3 + b % 7);
    a.advance[' '] = 64 * 4;
    a.tabInterval = 64 * 32;
    a.finish();
    return a;
}

std::string randomLine(std::mt19937& rng, std::size_t length, const char* alphabet)
{
    std::string s(length, ' ');
    const std::size_t k = std::strlen(alphabet);
    for (char& c : s)
        c = alphabet[rng() % k];
    return s;
}

// Checks every caret position of a one-line text against the reference rows.
void expectRowsMatch(WrapLayout& layout, const std::string& line, const Advances& adv, std::int64_t width,
                     std::int64_t stride = 1)
{
    const auto rows = referenceRows(line, adv, width);
    std::size_t r = 0;
    for (std::int64_t pos = 0; pos <= static_cast<std::int64_t>(line.size()); pos += stride) {
        while (r + 1 < rows.size() && rows[r + 1] <= pos)
            ++r;
        ASSERT_EQ(layout.rowStart(pos), rows[r]) << "pos " << pos;
    }
}

TEST(WrapLayout, RowsMatchTheRuleForFixedAndProportionalFontsWithTabs)
{
    std::mt19937 rng(42);
    for (const Advances& adv : {Advances::uniform(7 * 64), proportional()}) {
        for (const char* alphabet : {"abcdefgh ", "xy\t ab", "abcdefghijklmnop"}) {
            const std::string line = randomLine(rng, 3000, alphabet);
            TextBuffer text(16);
            text.setText(line);
            WrapLayout layout(text);
            layout.setAdvances(adv);
            for (std::int64_t width : {64 * 50, 64 * 333, 64 * 2}) {
                layout.setWrapWidth(width);
                ASSERT_NO_FATAL_FAILURE(expectRowsMatch(layout, line, adv, width));
            }
        }
    }
}

TEST(WrapLayout, LongLineCheckpointsAgreeAndSurviveEdits)
{
    struct Case {
        Advances adv;
        const char* alphabet;
    };
    for (const Case& k : {Case{proportional(), "abcd efgh\tijk"}, Case{Advances::uniform(7 * 64), "abcd efgh ijk"},
                          Case{Advances::uniform(7 * 64), "abcdefghijklmnopqrstu"},
                          Case{Advances::uniform(7 * 64), "ab\tcd efgh ijk"}}) {
        std::mt19937 rng(7);
        std::string line = randomLine(rng, 60000, k.alphabet);
        TextBuffer text(64);
        text.setText(line);
        WrapLayout layout(text);
        layout.setAdvances(k.adv);
        layout.setWrapWidth(64 * 400);
        ASSERT_NO_FATAL_FAILURE(expectRowsMatch(layout, line, k.adv, std::int64_t{64} * 400, 29)) << k.alphabet;
        for (int step = 0; step < 12; ++step) {
            const auto pos = static_cast<std::int64_t>(rng() % line.size());
            const std::int64_t removed = rng() % 3;
            const std::string inserted = randomLine(rng, rng() % 4, "ab \t");
            text.replace(pos, removed, inserted);
            line.replace(static_cast<std::size_t>(pos), static_cast<std::size_t>(removed), inserted);
            layout.textChanged(pos, removed, static_cast<std::int64_t>(inserted.size()), 0);
            EXPECT_INVARIANTS(layout);
            ASSERT_NO_FATAL_FAILURE(expectRowsMatch(layout, line, k.adv, std::int64_t{64} * 400, 29))
                << k.alphabet << " step " << step;
            EXPECT_INVARIANTS(layout);
        }
    }
}

TEST(WrapLayout, RowsStepAcrossLinesAndCrLf)
{
    TextBuffer text;
    text.setText("abcdef\r\n\r\nxy");
    WrapLayout layout(text);
    layout.setAdvances(Advances::uniform(64));
    layout.setWrapWidth(64 * 4);
    EXPECT_EQ(layout.rowStart(5), 4);
    EXPECT_EQ(layout.rowStart(6), 4);  // the line's end belongs to its last row
    EXPECT_EQ(layout.nextRow(0), 4);
    EXPECT_EQ(layout.nextRow(4), 8);
    EXPECT_EQ(layout.nextRow(8), 10);
    EXPECT_EQ(layout.nextRow(10), std::nullopt);
    EXPECT_EQ(layout.prevRow(10), 8);
    EXPECT_EQ(layout.prevRow(8), 4);
    EXPECT_EQ(layout.prevRow(0), std::nullopt);
    EXPECT_EQ(layout.rowEnd(4), 6);
}

TEST(WrapLayout, PositionToPointRoundTripsAndHitTestingPicksTheNearerSide)
{
    std::mt19937 rng(3);
    const std::string line = randomLine(rng, 2000, "ab c\tdefg");
    TextBuffer text;
    text.setText(line);
    WrapLayout layout(text);
    layout.setAdvances(proportional());
    for (std::optional<std::int64_t> width : {std::optional<std::int64_t>(64 * 300), std::optional<std::int64_t>()}) {
        layout.setWrapWidth(width);
        for (std::int64_t pos = 0; pos <= static_cast<std::int64_t>(line.size()); ++pos) {
            const std::int64_t row = layout.rowStart(pos);
            const std::int64_t x = layout.xOf(row, pos);
            ASSERT_EQ(layout.posAtX(row, x), pos);
            if (pos < layout.rowEnd(row)) {
                const std::int64_t next = layout.xOf(row, pos + 1);
                ASSERT_EQ(layout.posAtX(row, x + (next - x) / 2 - 1), pos);
            }
        }
        EXPECT_EQ(layout.posAtX(0, -500), 0);
    }
}

TEST(WrapLayout, NoWrapLongLineUsesCheckpointsForX)
{
    const std::string line(100000, 'w');
    TextBuffer text;
    text.setText(line);
    WrapLayout layout(text);
    layout.setAdvances(Advances::uniform(10 * 64));
    layout.setWrapWidth(std::nullopt);
    EXPECT_EQ(layout.rowStart(99999), 0);
    EXPECT_EQ(layout.xOf(0, 77777), 77777 * 640);
    EXPECT_EQ(layout.posAtX(0, 77777 * 640 + 100), 77777);
    EXPECT_EQ(layout.posAtX(0, INT64_C(1) << 40), 100000);
}

TEST(WrapLayout, TenMegabyteSingleLineFindsItsLastRow)
{
    std::mt19937 rng(11);
    std::string line = randomLine(rng, std::size_t{10} * 1000 * 1000, "abcdefghijklmnopqrstuvwxyz0123456789 ");
    TextBuffer text;
    text.setText(line);
    WrapLayout layout(text);
    const Advances adv = Advances::uniform(8 * 64);
    layout.setAdvances(adv);
    layout.setWrapWidth(64 * 800);
    const auto rows = referenceRows(line, adv, std::int64_t{64} * 800);
    const auto end = static_cast<std::int64_t>(line.size());
    EXPECT_EQ(layout.rowStart(end), rows.back());
    EXPECT_EQ(layout.rowStart(5'000'000), *(std::upper_bound(rows.begin(), rows.end(), 5'000'000) - 1));
    EXPECT_EQ(layout.prevRow(rows.back()), rows[rows.size() - 2]);
    // An edit near the start: later rows are found again from the old checkpoints.
    text.replace(10, 0, "  ");
    line.insert(10, "  ");
    layout.textChanged(10, 0, 2, 0);
    const auto after = referenceRows(line, adv, std::int64_t{64} * 800);
    EXPECT_EQ(layout.rowStart(end + 2), after.back());
}

}  // namespace
}  // namespace quillory

namespace quillory {
namespace {

TEST(WrapLayout, AnEditReplacingBreaksByAsManyOthersRelaysTheLinesAfterIt)
{
    std::mt19937 rng(5);
    const Advances adv = Advances::uniform(64 * 7);
    std::string first = randomLine(rng, 20000, "ab cd");
    std::string second = randomLine(rng, 20000, "efg h");
    std::string all = first + "\n" + second;
    TextBuffer text;
    text.setText(all);
    WrapLayout layout(text);
    layout.setAdvances(adv);
    layout.setWrapWidth(64 * 350);
    const auto end = static_cast<std::int64_t>(all.size());
    (void)layout.rowStart(end);  // checkpoints for the second line
    // "x\ny" replaces the 1000 bytes around the break: still two lines, the second one longer.
    const std::int64_t pos = 19500;
    text.replace(pos, 1000, "x\ny");
    all.replace(static_cast<std::size_t>(pos), 1000, "x\ny");
    layout.textChanged(pos, 1000, 3, 0);
    const std::string secondAfter = all.substr(all.find('\n') + 1);
    const auto rows = referenceRows(secondAfter, adv, std::int64_t{64} * 350);
    const std::int64_t secondStart = text.lineStart(1);
    EXPECT_EQ(layout.rowStart(static_cast<std::int64_t>(all.size())), secondStart + rows.back());
}

}  // namespace
}  // namespace quillory

namespace quillory {
namespace {

// Checks sampled caret positions of every line of a multi-line text against the reference rows.
void expectAllRowsMatch(WrapLayout& layout, const TextBuffer& text, const Advances& adv, std::int64_t width)
{
    for (std::int64_t line = 0; line < text.lineCount(); ++line) {
        const std::int64_t start = text.lineStart(line);
        const std::int64_t end = text.lineContentEnd(line);
        const auto rows = referenceRows(text.text(start, end - start), adv, width);
        std::size_t r = 0;
        for (std::int64_t pos = start; pos <= end; pos += (pos + 37 < end ? 37 : 1)) {
            while (r + 1 < rows.size() && start + rows[r + 1] <= pos)
                ++r;
            ASSERT_EQ(layout.rowStart(pos), start + rows[r]) << "line " << line << " pos " << pos;
        }
    }
}

TEST(WrapLayout, EditsThatAddOrRemoveBreaksKeepTheCheckpointsOfLaterLinesCorrect)
{
    std::mt19937 rng(21);
    const Advances adv = Advances::uniform(64 * 7);
    const std::int64_t width = std::int64_t{64} * 330;
    const std::string a = randomLine(rng, 30000, "abc de");
    const std::string b = randomLine(rng, 30000, "fgh ij");
    const std::string c = randomLine(rng, 30000, "klmn o");
    TextBuffer text(32);
    text.setText(a + "\r\n" + b + "\n" + c);
    WrapLayout layout(text);
    layout.setAdvances(adv);
    layout.setWrapWidth(width);
    ASSERT_NO_FATAL_FAILURE(expectAllRowsMatch(layout, text, adv, width));

    auto edit = [&](std::int64_t pos, std::int64_t removed, std::string_view inserted) {
        const std::int64_t lines = text.lineCount();
        text.replace(pos, removed, inserted);
        layout.textChanged(pos, removed, static_cast<std::int64_t>(inserted.size()), text.lineCount() - lines);
        EXPECT_INVARIANTS(text);
        EXPECT_INVARIANTS(layout);
    };
    edit(15000, 0, "\n");  // a break in the first line: later lines move down by one
    ASSERT_NO_FATAL_FAILURE(expectAllRowsMatch(layout, text, adv, width));
    edit(15000, 1, "");  // and away again
    ASSERT_NO_FATAL_FAILURE(expectAllRowsMatch(layout, text, adv, width));
    edit(30001, 1, "");  // the LF of the CR LF: still a break, but the next line starts earlier
    ASSERT_NO_FATAL_FAILURE(expectAllRowsMatch(layout, text, adv, width));
    edit(30001, 0, "\n");  // the pair joined again
    ASSERT_NO_FATAL_FAILURE(expectAllRowsMatch(layout, text, adv, width));
    edit(29990, 40, "x\ny\rz");  // breaks replaced by others across two lines
    ASSERT_NO_FATAL_FAILURE(expectAllRowsMatch(layout, text, adv, width));
}

}  // namespace
}  // namespace quillory
