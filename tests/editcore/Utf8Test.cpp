// UTF-8 reading of the text: the decoder's exact rules, the vectorised validator against the
// decoder, character boundaries, and Find with Unicode case folding against a plain reference.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "editcore/CharSteps.h"
#include "editcore/EditModel.h"
#include "editcore/TextFinder.h"
#include "editcore/UnicodeTables.h"
#include "editcore/Utf8.h"
#include "editcore/WrapLayout.h"
#include "support/Invariants.h"
#include "support/ReferenceLayout.h"

namespace quillory {
namespace {

const std::uint8_t* bytesOf(const std::string& s)
{
    return reinterpret_cast<const std::uint8_t*>(s.data());
}

// Valid exactly when every character decodes valid: the plain definition the validator must meet.
bool validByDecoding(const std::string& s)
{
    for (std::size_t i = 0; i < s.size();) {
        const utf8::Char c = utf8::decode(bytesOf(s) + i, s.size() - i);
        if (!c.valid)
            return false;
        i += static_cast<std::size_t>(c.length);
    }
    return true;
}

// Character starts by decoding forward from the text's start.
std::set<std::int64_t> boundariesOf(const std::string& s)
{
    std::set<std::int64_t> starts;
    for (std::size_t i = 0; i < s.size();) {
        starts.insert(static_cast<std::int64_t>(i));
        i += static_cast<std::size_t>(utf8::decode(bytesOf(s) + i, s.size() - i).length);
    }
    starts.insert(static_cast<std::int64_t>(s.size()));
    return starts;
}

// Random text of valid characters of every length, invalid bytes and broken sequences.
std::string randomMixture(std::mt19937& random, std::size_t characters, bool invalid)
{
    static const char32_t kValid[] = {'a',   ' ',    '\n',   0xE9,   0xDF,    0x3A9,
                                      0x416, 0x20AC, 0x4E2D, 0xFEFF, 0x1F600, 0x10FFFF};
    static const char* const kInvalid[] = {"\x80",         "\xC3",         "\xE2\x82",         "\xF0\x9F\x98",
                                           "\xC0\xAF",     "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF",
                                           "\xE0\x80\x80", "\xF5"};
    std::string s;
    for (std::size_t i = 0; i < characters; ++i) {
        if (invalid && random() % 5 == 0)
            s += kInvalid[random() % std::size(kInvalid)];
        else
            utf8::append(s, kValid[random() % std::size(kValid)]);
    }
    return s;
}

TEST(Utf8, EveryCodePointRoundTripsAndOnlyTheExactFormsAreValid)
{
    for (char32_t cp = 0; cp <= 0x10FFFF; ++cp) {
        if (cp >= 0xD800 && cp < 0xE000)
            continue;
        const std::string s = utf8::encode(cp);
        const utf8::Char c = utf8::decode(bytesOf(s), s.size());
        ASSERT_TRUE(c.valid && c.cp == cp && c.length == static_cast<int>(s.size())) << static_cast<std::uint32_t>(cp);
    }
    // Overlong forms, surrogates, values past U+10FFFF, stray and cut sequences: one byte each.
    for (const std::string bad :
         {"\xC0\x80", "\xC1\xBF", "\xE0\x9F\xBF", "\xED\xA0\x80", "\xED\xBF\xBF", "\xF0\x8F\xBF\xBF",
          "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xFF", "\x80", "\xE2\x82", "\xF0\x9F\x98"}) {
        const utf8::Char c = utf8::decode(bytesOf(bad), bad.size());
        EXPECT_FALSE(c.valid) << bad;
        EXPECT_EQ(c.length, 1);
        EXPECT_FALSE(utf8::isValid(bytesOf(bad), bad.size()));
    }
    EXPECT_EQ(utf8::toUtf16("a\xFF\xE2\x82\xAC\xF0\x9F\x98\x80"), u"a\uFFFD\u20AC\U0001F600");
    EXPECT_EQ(utf8::fromUtf16(u"\u00E9\U0001F600\xD800x"), "\xC3\xA9\xF0\x9F\x98\x80\xEF\xBF\xBDx");
}

TEST(Utf8, VectorisedValidatorAgreesWithTheDecoderAtEveryBlockPosition)
{
    std::mt19937 random(12);
    for (int round = 0; round < 3000; ++round) {
        // ASCII runs of random length put every sequence at every place of the 16- and 64-byte blocks.
        std::string s(random() % 130, 'x');
        s += randomMixture(random, random() % 40, random() % 3 == 0);
        s += std::string(random() % 20, 'y');
        if (random() % 4 == 0 && !s.empty())
            s.pop_back();  // may cut a sequence at the very end
        ASSERT_EQ(utf8::isValid(bytesOf(s), s.size()), validByDecoding(s)) << round;
    }
    // Every single byte and every pair after a block of ASCII.
    for (int a = 0; a < 256; ++a)
        for (int b = 0; b < 256; ++b) {
            std::string s(63, 'x');
            s += static_cast<char>(a);
            s += static_cast<char>(b);
            ASSERT_EQ(utf8::isValid(bytesOf(s), s.size()), validByDecoding(s)) << a << " " << b;
        }
}

TEST(Utf8, CharacterStartsAndStepsMatchAForwardDecoding)
{
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        const std::string s = randomMixture(random, 60, true);
        TextBuffer text;
        text.setText(s);
        const std::set<std::int64_t> starts = boundariesOf(s);
        std::int64_t start = 0;
        for (std::int64_t pos = 0; pos <= text.size(); ++pos) {
            if (starts.count(pos))
                start = pos;
            ASSERT_EQ(charStart(text, pos, TextEncoding::Utf8), start) << round << " at " << pos;
            if (starts.count(pos)) {
                ASSERT_EQ(prevCharPos(text, pos, TextEncoding::Utf8), pos == 0 ? 0 : *std::prev(starts.find(pos)));
                ASSERT_EQ(nextCharPos(text, pos, TextEncoding::Utf8),
                          pos == text.size() ? pos : *std::next(starts.find(pos)));
            }
        }
    }
}

// Matches of the folded needle at character starts, by decoding the whole text: the reference.
std::vector<FoundRange> referenceMatches(const std::string& text, const std::string& needle, bool matchCase)
{
    std::vector<std::pair<std::int64_t, utf8::Char>> chars;
    for (std::size_t i = 0; i < text.size();) {
        chars.push_back({static_cast<std::int64_t>(i), utf8::decode(bytesOf(text) + i, text.size() - i)});
        i += static_cast<std::size_t>(chars.back().second.length);
    }
    std::vector<char32_t> wanted;
    for (std::size_t i = 0; i < needle.size();) {
        const utf8::Char c = utf8::decode(bytesOf(needle) + i, needle.size() - i);
        wanted.push_back(matchCase ? c.cp : simpleFold(c.cp));
        i += static_cast<std::size_t>(c.length);
    }
    std::vector<FoundRange> found;
    for (std::size_t k = 0; k + wanted.size() <= chars.size(); ++k) {
        bool match = true;
        for (std::size_t j = 0; j < wanted.size() && match; ++j) {
            const utf8::Char& c = chars[k + j].second;
            match = c.valid && (matchCase ? c.cp : simpleFold(c.cp)) == wanted[j];
        }
        if (match) {
            const std::size_t after = k + wanted.size();
            found.push_back(
                {chars[k].first, after < chars.size() ? chars[after].first : static_cast<std::int64_t>(text.size())});
        }
    }
    return found;
}

TEST(Utf8Find, FindsWithAndWithoutCaseLikeThePlainReferenceOnBothSidesOfTheGap)
{
    // Letters whose folded forms differ in length (Kelvin sign, long s, sharp s stays itself).
    static const char32_t kLetters[] = {'k', 'K', 0x212A, 's', 'S', 0x17F, 0xF6, 0xD6, 0xDF, 0x3A3, 0x3C3, 0x3C2, ' '};
    std::mt19937 random(99);
    for (int round = 0; round < 400; ++round) {
        std::string text;
        for (int i = 0; i < 60; ++i) {
            if (random() % 10 == 0)
                text += "\xC3";  // a lone lead byte
            else
                utf8::append(text, kLetters[random() % std::size(kLetters)]);
        }
        std::string needle;
        for (int i = 0, n = 1 + static_cast<int>(random() % 3); i < n; ++i)
            utf8::append(needle, kLetters[random() % (std::size(kLetters) - 1)]);
        const bool matchCase = random() % 2 == 0;
        TextBuffer buffer(16);
        buffer.setText(text);
        buffer.replace(static_cast<std::int64_t>(random() % text.size()), 0, "");  // the gap somewhere inside
        const std::string inserted = "k";
        const auto gapAt = static_cast<std::int64_t>(random() % text.size());
        buffer.replace(gapAt, 0, inserted);
        text.insert(static_cast<std::size_t>(gapAt), inserted);
        const std::vector<FoundRange> expected = referenceMatches(text, needle, matchCase);
        FindOptions options;
        options.matchCase = matchCase;
        options.encoding = TextEncoding::Utf8;
        // Forward from every start finds the first reference match starting there or later.
        for (std::int64_t from = 0; from <= buffer.size(); from += 3) {
            std::optional<FoundRange> want;
            for (const FoundRange& r : expected)
                if (r.start >= from) {
                    want = r;
                    break;
                }
            ASSERT_EQ(findText(buffer, needle, from, options), want) << round << " from " << from;
        }
        options.backward = true;
        std::optional<FoundRange> last;
        for (const FoundRange& r : expected)
            last = r;
        ASSERT_EQ(findText(buffer, needle, buffer.size(), options), last) << round;
    }
}

TEST(Utf8Find, KolnAndReplaceAllWithMatchesOfDifferentLengths)
{
    EditModel model;
    model.setEncoding(TextEncoding::Utf8);
    model.setText("K\xC3\xB6ln, k\xC3\xB6ln and KÖLN; \xE2\x84\xAA\xC3\xB6ln");  // the last with a Kelvin sign
    FindOptions options;
    options.encoding = TextEncoding::Utf8;
    EXPECT_EQ(findText(model.text(), "K\xC3\x96LN", 0, options), (FoundRange{0, 5}));
    options.matchCase = true;
    EXPECT_EQ(findText(model.text(), "K\xC3\x96LN", 0, options), (FoundRange{17, 22}));
    EXPECT_EQ(findText(model.text(), "k\xC3\xB6ln", 0, options), (FoundRange{7, 12}));
    options.matchCase = false;
    options.wholeWord = true;
    EXPECT_EQ(findText(model.text(), "\xC3\xB6ln", 0, options), std::nullopt);  // inside words only
    options.wholeWord = false;
    EXPECT_EQ(model.replaceAll("k\xC3\xB6ln", "Cologne", options), 4);
    EXPECT_EQ(model.text().text(0, model.length()), "Cologne, Cologne and Cologne; Cologne");
    model.undo();
    EXPECT_EQ(model.text().text(0, model.length()), "K\xC3\xB6ln, k\xC3\xB6ln and KÖLN; \xE2\x84\xAA\xC3\xB6ln");
}

TEST(Utf8Model, EditsStepOverWholeCharactersAndTheSelectionNeverSplitsOne)
{
    EditModel model;
    model.setText("a\xE2\x82\xAC\xF0\x9F\x98\x80\xC3"
                  "b");               // a, euro, emoji, a lone lead byte, b
    EXPECT_EQ(model.nextChar(1), 2);  // Windows-1252: bytes
    model.setEncoding(TextEncoding::Utf8);
    model.setSelection(2, 6);
    EXPECT_EQ(model.anchor(), 1);
    EXPECT_EQ(model.caret(), 4);
    model.setSelection(8, 8);
    EXPECT_TRUE(model.deleteBackward());
    EXPECT_EQ(model.text().text(0, model.length()), "a\xE2\x82\xAC\xC3"
                                                    "b");
    EXPECT_EQ(model.caret(), 4);
    EXPECT_TRUE(model.deleteForward());  // the lone byte is one character
    EXPECT_EQ(model.text().text(0, model.length()), "a\xE2\x82\xAC"
                                                    "b");
    model.setSelection(1, 1);
    EXPECT_TRUE(model.typeCharacter("\xC3\xA9", true));  // overwrite replaces the euro sign whole
    EXPECT_EQ(model.text().text(0, model.length()), "a\xC3\xA9"
                                                    "b");
    // Deleting what stood between two bytes that then form a character leaves the caret at its start.
    model.setText("\xC3x\xA9");
    model.setSelection(2, 2);
    model.deleteBackward();
    EXPECT_EQ(model.caret(), 0);
}

using test::ReferenceCell;
using test::SyntheticCharacters;

TEST(Utf8Layout, LongLinesWrapLikeThePlainRuleAndSurviveEdits)
{
    Advances proportional = Advances::uniform(7 * 64);
    for (int b = 0; b < 128; ++b)
        proportional.advance[b] = 64 * (3 + b % 7);
    proportional.finish();
    proportional.characters = std::make_shared<SyntheticCharacters>();
    static const char* const kPieces[] = {
        "ab",           " ",    "\xC3\xA9", "\xCE\xA9", "\xE4\xB8\xAD\xE6\x96\x87", "\xF0\x9F\x98\x80",
        "\xEF\xBB\xBF", "\xFF", "\xE2\x82", "\t"};
    std::mt19937 rng(3);
    for (const Advances& adv : {Advances::uniform(7 * 64), proportional}) {
        for (const bool tabs : {false, true}) {
            std::string line;
            while (line.size() < 12000)
                line += kPieces[rng() % (std::size(kPieces) - (tabs ? 0 : 1))];
            TextBuffer text(64);
            text.setText(line);
            WrapLayout layout(text);
            layout.setAdvances(adv);
            layout.setEncoding(TextEncoding::Utf8);
            for (int step = 0; step < 4; ++step) {
                for (const std::int64_t width : {64 * 400, 64 * 13}) {
                    layout.setWrapWidth(width);
                    const std::vector<std::int64_t> rows = test::referenceRows(line, adv, width, TextEncoding::Utf8);
                    std::size_t r = 0;
                    std::size_t k = 0;
                    for (std::int64_t pos : boundariesOf(line)) {
                        while (r + 1 < rows.size() && rows[r + 1] <= pos)
                            ++r;
                        if (k++ % 5 == 0) {
                            ASSERT_EQ(layout.rowStart(pos), rows[r]) << "pos " << pos << " step " << step;
                        }
                    }
                    EXPECT_INVARIANTS(layout);
                }
                const auto pos = charStart(text, static_cast<std::int64_t>(rng() % line.size()), TextEncoding::Utf8);
                const std::string inserted = kPieces[rng() % std::size(kPieces)];
                text.replace(pos, 0, inserted);
                line.insert(static_cast<std::size_t>(pos), inserted);
                layout.textChanged(pos, 0, static_cast<std::int64_t>(inserted.size()), 0);
            }
            // Without wrapping, x positions come from checkpoints on character starts.
            layout.setWrapWidth(std::nullopt);
            std::int64_t x = 0;
            std::size_t k = 0;
            for (const ReferenceCell& cell : test::referenceCells(line, TextEncoding::Utf8)) {
                if (k++ % 7 == 0) {
                    ASSERT_EQ(layout.xOf(0, cell.pos), x) << cell.pos;
                }
                x += test::referenceAdvance(adv, cell, x, TextEncoding::Utf8);
            }
            ASSERT_EQ(layout.xOf(0, static_cast<std::int64_t>(line.size())), x);
            EXPECT_INVARIANTS(layout);
        }
    }
}

}  // namespace
}  // namespace quillory
