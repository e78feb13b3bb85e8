// The editing state: set text, selection, typing, deleting, the alternating undo, the limit.
#include <gtest/gtest.h>

#include <random>

#include "PlainFind.h"
#include "editcore/EditModel.h"

namespace quillory {
namespace {

std::string all(const EditModel& m)
{
    return m.text().text(0, m.length());
}

struct Recorder : EditModelListener {
    void onTextChanged(const TextChange& c) override { changes.push_back(c); }
    void onModifiedChanged(bool m) override { modified.push_back(m); }
    void onUndoAvailableChanged(bool a) override { undo.push_back(a); }
    std::vector<TextChange> changes;
    std::vector<bool> modified;
    std::vector<bool> undo;
};

TEST(EditModel, SetTextStopsAtTheFirstZeroByteAndClearsState)
{
    EditModel m;
    m.typeByte('x', false);
    m.setText(std::string_view("ab\0cd", 5));
    EXPECT_EQ(all(m), "ab");
    EXPECT_FALSE(m.canUndo());
    EXPECT_FALSE(m.modified());
    EXPECT_EQ(m.caret(), 0);
}

TEST(EditModel, AdoptedTextAtAnOffsetStopsAtItsFirstZeroByteAndTakesTypingAtTheStart)
{
    // The block: 4 bytes of gap (zeros, never text), then "ab\ncd", a 0 and what follows it.
    const std::string_view content("\0\0\0\0ab\ncd\0ef", 11);
    auto* bytes = static_cast<std::uint8_t*>(cHeap().allocPlain(content.size()));
    std::copy(content.begin(), content.end(), bytes);
    EditModel m;
    m.typeByte('x', false);
    m.adoptText(HeapBlock::adopt(cHeap(), bytes, content.size()), 7, 4);
    EXPECT_EQ(all(m), "ab\ncd");
    EXPECT_EQ(m.text().lineCount(), 2);
    EXPECT_EQ(m.caret(), 0);
    EXPECT_FALSE(m.canUndo());
    EXPECT_FALSE(m.modified());
    m.typeByte('z', false);
    EXPECT_EQ(all(m), "zab\ncd");
    EXPECT_EQ(m.text().lineStart(1), 4);
}

TEST(EditModel, SetSelAllAndDeselect)
{
    EditModel m;
    m.setText("hello");
    m.select(0, -1);
    EXPECT_EQ(m.selectionStart(), 0);
    EXPECT_EQ(m.selectionEnd(), 5);
    m.select(-1, 0);
    EXPECT_FALSE(m.hasSelection());
    m.select(4, 2);
    EXPECT_EQ(m.selectionStart(), 2);
    EXPECT_EQ(m.caret(), 2);
}

TEST(EditModel, TypingMergesIntoOneStepAndUndoAlternates)
{
    EditModel m;
    m.setText("12");
    m.select(1, 1);
    for (char c : std::string("abc"))
        m.typeByte(static_cast<std::uint8_t>(c), false);
    EXPECT_EQ(all(m), "1abc2");
    m.undo();
    EXPECT_EQ(all(m), "12");
    EXPECT_TRUE(m.canUndo());
    m.undo();  // the second undo redoes
    EXPECT_EQ(all(m), "1abc2");
    m.undo();
    EXPECT_EQ(all(m), "12");
    m.emptyUndoBuffer();
    EXPECT_FALSE(m.canUndo());
    m.undo();
    EXPECT_EQ(all(m), "12");
}

TEST(EditModel, MovingTheCaretEndsTheTypingStep)
{
    EditModel m;
    m.setText("");
    m.typeByte('a', false);
    m.typeByte('b', false);
    m.setSelection(0, 0);
    m.setSelection(2, 2);
    m.typeByte('c', false);
    m.undo();
    EXPECT_EQ(all(m), "ab");
}

TEST(EditModel, OverwriteReplacesBytesButNotLineBreaksAndUndoRestoresThem)
{
    EditModel m;
    m.setText("abc\r\nd");
    m.select(1, 1);
    m.typeByte('X', true);
    m.typeByte('Y', true);
    m.typeByte('Z', true);  // at the CR: inserted, not overwriting the break
    EXPECT_EQ(all(m), "aXYZ\r\nd");
    m.undo();
    EXPECT_EQ(all(m), "abc\r\nd");
}

TEST(EditModel, BackspaceAndDeleteRemoveACrLfPairAsOne)
{
    EditModel m;
    m.setText("a\r\nb");
    m.select(3, 3);
    EXPECT_TRUE(m.deleteBackward());
    EXPECT_EQ(all(m), "ab");
    m.undo();
    EXPECT_EQ(all(m), "a\r\nb");
    m.select(1, 1);
    EXPECT_TRUE(m.deleteForward());
    EXPECT_EQ(all(m), "ab");
    m.select(0, 0);
    EXPECT_FALSE(m.deleteBackward());
    m.select(2, 2);
    EXPECT_FALSE(m.deleteForward());
}

TEST(EditModel, ConsecutiveBackspacesUndoTogether)
{
    EditModel m;
    m.setText("abcdef");
    m.select(5, 5);
    m.deleteBackward();
    m.deleteBackward();
    m.deleteBackward();
    EXPECT_EQ(all(m), "abf");
    m.undo();
    EXPECT_EQ(all(m), "abcdef");
}

TEST(EditModel, ReplaceSelectionUndoableIsOneStepOtherwiseEmptiesUndo)
{
    EditModel m;
    m.setText("hello world");
    m.select(0, 5);
    m.replaceSelection("bye", true);
    EXPECT_EQ(all(m), "bye world");
    EXPECT_EQ(m.caret(), 3);
    m.undo();
    EXPECT_EQ(all(m), "hello world");
    m.select(0, 5);
    m.replaceSelection("x", false);
    EXPECT_FALSE(m.canUndo());
}

TEST(EditModel, TheLimitCutsInsertions)
{
    EditModel m;
    m.setLimit(5);
    m.setText("abcdefgh");
    EXPECT_EQ(all(m), "abcde");
    EXPECT_FALSE(m.typeByte('x', false));
    m.select(0, 2);
    EXPECT_EQ(m.replaceSelection("1234", true), 2);
    EXPECT_EQ(all(m), "12cde");
}

TEST(EditModel, ListenerHearsOneChangePerEditAndFlagChanges)
{
    EditModel m;
    Recorder r;
    m.setListener(&r);
    m.setText("a\nb");
    r.changes.clear();
    m.select(1, 2);
    m.replaceSelection("\r\n\r\n", true);
    ASSERT_EQ(r.changes.size(), 1u);
    EXPECT_EQ(r.changes[0].offset, 1);
    EXPECT_EQ(r.changes[0].removed, 1);
    EXPECT_EQ(r.changes[0].inserted, 4);
    EXPECT_EQ(r.changes[0].lineDelta, 1);
    EXPECT_EQ(r.modified, (std::vector<bool>{true}));
    EXPECT_EQ(r.undo, (std::vector<bool>{true}));
    m.setModified(false);
    EXPECT_EQ(r.modified.back(), false);
}

// True when the text's line index is the one a fresh index of the same bytes has.
bool indexedAsNew(const TextBuffer& t)
{
    TextBuffer fresh;
    fresh.setText(t.text(0, t.size()));
    if (t.lineCount() != fresh.lineCount())
        return false;
    for (std::int64_t line = 0; line < t.lineCount(); ++line)
        if (t.lineStart(line) != fresh.lineStart(line))
            return false;
    return true;
}

// Random strings of cases, accents and line breaks.
class RandomText {
public:
    explicit RandomText(std::mt19937& rng) : m_rng(rng) {}
    std::string pick(std::size_t n)
    {
        std::string s;
        for (std::size_t i = 0; i < n; ++i)
            s.push_back(m_alphabet[m_rng() % m_alphabet.size()]);
        return s;
    }

private:
    std::mt19937& m_rng;
    const std::string m_alphabet = "aAbB_ \xE9\xC9\r\n";
};

// A random text set into the model with one edit after it: typed inserted at `at`.
struct EditedText {
    std::string s;  // the text after the edit
    std::size_t at;
    std::string typed;
};

// An edit first, so that the gap is anywhere and there is an earlier step to keep or replace. The
// model is left unmodified, sometimes with a limit a little above the text's length.
EditedText setEditedText(EditModel& m, std::mt19937& rng, RandomText& text)
{
    std::string s = text.pick(rng() % 200);
    m.setText(s);
    const std::size_t at = rng() % (s.size() + 1);
    const std::string typed = text.pick(1 + rng() % 3);
    m.select(static_cast<std::int64_t>(at), static_cast<std::int64_t>(at));
    m.replaceSelection(typed, true);
    s.insert(at, typed);
    m.setModified(false);
    if (rng() % 8 == 0)
        m.setLimit(static_cast<std::int64_t>(s.size() + rng() % 10));
    return {s, at, typed};
}

struct ReplaceQuery {
    std::string needle;
    std::string replacement;
    FindOptions options;
};

// A needle often taken from s, a replacement and random options.
ReplaceQuery randomQuery(std::mt19937& rng, RandomText& text, const std::string& s)
{
    const std::string needle =
        !s.empty() && rng() % 2 ? s.substr(rng() % s.size(), 1 + rng() % 4) : text.pick(1 + rng() % 2);
    const std::string replacement = text.pick(rng() % 5);
    FindOptions o;
    o.matchCase = rng() % 2;
    o.wholeWord = rng() % 3 == 0;
    o.backward = rng() % 2;  // Replace All always searches down
    return {needle, replacement, o};
}

// What a plain replace loop makes of s: the text, the count, the first and last match.
struct PlainReplaceAll {
    std::string expected;
    std::int64_t count = 0;
    std::optional<FoundRange> first;
    FoundRange last;
};

// Replacements stop before the text would grow past limit.
PlainReplaceAll plainReplaceAll(const std::string& s, const ReplaceQuery& q, std::int64_t limit)
{
    FindOptions down = q.options;
    down.backward = false;
    PlainReplaceAll result;
    std::int64_t from = 0;
    const auto growth = static_cast<std::int64_t>(q.replacement.size() - q.needle.size());
    while (const auto found = plainFind(s, q.needle, from, down)) {
        if (static_cast<std::int64_t>(s.size()) + (result.count + 1) * growth > limit)
            break;
        result.expected += s.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(found->start - from));
        result.expected += q.replacement;
        from = found->end;
        result.first = result.first.value_or(*found);
        result.last = *found;
        ++result.count;
    }
    result.expected += s.substr(static_cast<std::size_t>(from));
    return result;
}

// Nothing replaced: nothing reported, the selection kept, and the earlier edit is still the step.
void expectNothingReplaced(EditModel& m, const Recorder& r, std::int64_t anchor, std::int64_t caret, EditedText edited)
{
    EXPECT_TRUE(r.changes.empty());
    EXPECT_FALSE(m.modified());
    EXPECT_EQ(m.anchor(), anchor);
    EXPECT_EQ(m.caret(), caret);
    m.undo();
    edited.s.erase(edited.at, edited.typed.size());
    EXPECT_EQ(all(m), edited.s);
}

// One change from the first match to the end of the last, the caret after it; Undo restores s, a
// second Undo redoes.
void expectOneUndoStep(EditModel& m, const Recorder& r, const std::string& s, const PlainReplaceAll& plain)
{
    const FoundRange& first = *plain.first;
    const std::int64_t inserted =
        static_cast<std::int64_t>(plain.expected.size() - s.size()) + plain.last.end - first.start;
    ASSERT_EQ(r.changes.size(), 1u);
    EXPECT_EQ(r.changes[0].offset, first.start);
    EXPECT_EQ(r.changes[0].removed, plain.last.end - first.start);
    EXPECT_EQ(r.changes[0].inserted, inserted);
    EXPECT_TRUE(m.modified());
    EXPECT_EQ(m.anchor(), first.start + inserted);
    EXPECT_EQ(m.caret(), first.start + inserted);
    m.undo();
    ASSERT_EQ(all(m), s);
    ASSERT_TRUE(indexedAsNew(m.text()));
    m.undo();
    ASSERT_EQ(all(m), plain.expected);
    ASSERT_TRUE(indexedAsNew(m.text()));
}

// Replace All against a plain replace loop: the same text and count, one change reported, the line
// index right, the caret after the last replacement; Undo restores the text, a second Undo redoes.
TEST(EditModel, ReplaceAllAgreesWithAPlainLoopAndIsOneUndoStep)
{
    std::mt19937 rng(77);
    RandomText text(rng);
    for (int round = 0; round < 500; ++round) {
        EditModel m(rng() % 3 + 1);
        const EditedText edited = setEditedText(m, rng, text);
        const ReplaceQuery q = randomQuery(rng, text, edited.s);
        const PlainReplaceAll plain = plainReplaceAll(edited.s, q, m.limit());

        Recorder r;
        m.setListener(&r);
        const std::int64_t anchor = m.anchor();
        const std::int64_t caret = m.caret();
        SCOPED_TRACE("round " + std::to_string(round) + " needle '" + q.needle + "' by '" + q.replacement + "'");
        ASSERT_EQ(m.replaceAll(q.needle, q.replacement, q.options), plain.count);
        ASSERT_EQ(all(m), plain.expected);
        ASSERT_TRUE(indexedAsNew(m.text()));
        if (plain.count == 0) {
            expectNothingReplaced(m, r, anchor, caret, edited);
        } else {
            ASSERT_NO_FATAL_FAILURE(expectOneUndoStep(m, r, edited.s, plain));
        }
    }
}

}  // namespace
}  // namespace quillory
