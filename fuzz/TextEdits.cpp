// Edits of the text buffer, its line index and the wrap layout against a std::string: replacements
// anywhere (long runs make lines long enough for layout checkpoints), exchanges, new texts, and
// changes of wrap width, font advances and encoding between them. After every step the text, the
// line starts and the lines of positions match the string, the invariants hold, and the rows and
// x positions of the edited line and one more match a plain layout of the line.
#include <optional>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "editcore/TextBuffer.h"
#include "editcore/WrapLayout.h"
#include "support/ReferenceLayout.h"

namespace quillory::fuzz {
namespace {

constexpr std::size_t kMaxText = std::size_t{96} * 1024;

std::vector<std::int64_t> plainLineStarts(const std::string& s)
{
    std::vector<std::int64_t> starts{0};
    for (std::size_t i = 0; i < s.size(); ++i)
        if (s[i] == '\n' || (s[i] == '\r' && (i + 1 == s.size() || s[i + 1] != '\n')))
            starts.push_back(static_cast<std::int64_t>(i + 1));
    return starts;
}

// Where line `line` of s ends before its break.
std::int64_t plainContentEnd(const std::string& s, const std::vector<std::int64_t>& starts, std::size_t line)
{
    std::int64_t end = line + 1 < starts.size() ? starts[line + 1] : static_cast<std::int64_t>(s.size());
    if (end > starts[line] && s[static_cast<std::size_t>(end - 1)] == '\n')
        --end;
    if (end > starts[line] && line + 1 < starts.size() && s[static_cast<std::size_t>(end - 1)] == '\r')
        --end;
    return end;
}

using test::ReferenceCell;

// Row starts of a line: one row without wrapping.
std::vector<std::int64_t> plainRows(const std::vector<ReferenceCell>& cells, const Advances& adv,
                                    std::optional<std::int64_t> width, TextEncoding encoding)
{
    return width ? test::referenceRows(cells, adv, *width, encoding) : std::vector<std::int64_t>{0};
}

Advances advancesFrom(FuzzInput& input)
{
    const std::uint8_t kind = input.byte();
    if (kind % 2 == 0)
        return Advances::uniform(64 * (1 + kind / 2 % 12), 1 + kind / 32);
    Advances a;
    for (int b = 0; b < 256; ++b)
        a.advance[b] = 64 * (3 + (b + kind) % 7);
    a.advance[' '] = 64 * 4;
    a.tabInterval = 64 * (8 + kind % 40);
    a.characters = std::make_shared<test::SyntheticCharacters>();
    a.finish();
    return a;
}

class Checker {
public:
    Checker(const TextBuffer& text, WrapLayout& layout, const std::string& ref)
        : m_text(text), m_layout(layout), m_ref(ref)
    {}

    void check(FuzzInput& input, std::int64_t editedAt)
    {
        FUZZ_CHECK(m_text.size() == static_cast<std::int64_t>(m_ref.size()));
        FUZZ_CHECK(m_text.text(0, m_text.size()) == m_ref);
        const std::vector<std::int64_t> starts = plainLineStarts(m_ref);
        FUZZ_CHECK(m_text.lineCount() == static_cast<std::int64_t>(starts.size()));
        for (std::size_t i = 0; i < starts.size(); ++i)
            FUZZ_CHECK(m_text.lineStart(static_cast<std::int64_t>(i)) == starts[i]);
        FUZZ_CHECK(m_text.checkInvariants().empty());
        FUZZ_CHECK(m_layout.checkInvariants().empty());

        const std::int64_t other = input.upTo(m_text.size());
        for (const std::int64_t pos : {std::min(editedAt, m_text.size()), other}) {
            const auto line =
                static_cast<std::size_t>(std::upper_bound(starts.begin(), starts.end(), pos) - starts.begin() - 1);
            FUZZ_CHECK(m_text.lineOf(pos) == static_cast<std::int64_t>(line));
            checkLine(line, starts, input);
        }
    }

private:
    void checkLine(std::size_t line, const std::vector<std::int64_t>& starts, FuzzInput& input)
    {
        const std::int64_t start = starts[line];
        const std::int64_t end = plainContentEnd(m_ref, starts, line);
        FUZZ_CHECK(m_text.lineContentEnd(static_cast<std::int64_t>(line)) == end);
        const TextEncoding encoding = m_layout.encoding();
        const std::vector<ReferenceCell> cells = test::referenceCells(
            m_ref.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)), encoding);
        const std::vector<std::int64_t> rows = plainRows(cells, m_layout.advances(), m_layout.wrapWidth(), encoding);
        // Each row: its start from a position inside it, its end, and x at a few of its characters.
        const std::size_t firstRow =
            rows.size() > 16 ? static_cast<std::size_t>(input.upTo(static_cast<std::int64_t>(rows.size()) - 16)) : 0;
        std::size_t cell = 0;
        for (std::size_t r = firstRow; r < rows.size() && r < firstRow + 16; ++r) {
            const std::int64_t rowStart = start + rows[r];
            const std::int64_t rowEnd = r + 1 < rows.size() ? start + rows[r + 1] : end;
            FUZZ_CHECK(m_layout.rowStart(rowStart) == rowStart);
            const std::int64_t lastInRow = rowEnd < end ? rowEnd - 1 : rowEnd;  // a wrap belongs to the next row
            FUZZ_CHECK(m_layout.rowStart(rowStart + input.upTo(lastInRow - rowStart)) == rowStart);
            FUZZ_CHECK(m_layout.rowEnd(rowStart) == rowEnd);
            while (cell < cells.size() && start + cells[cell].pos < rowStart)
                ++cell;
            std::int64_t x = 0;
            for (std::size_t c = cell; c < cells.size() && start + cells[c].pos < rowEnd; ++c) {
                if (c - cell < 8 || c % 97 == 0)
                    FUZZ_CHECK(m_layout.xOf(rowStart, start + cells[c].pos) == x);
                x += test::referenceAdvance(m_layout.advances(), cells[c], x, encoding);
            }
        }
    }

    const TextBuffer& m_text;
    WrapLayout& m_layout;
    const std::string& m_ref;
};

// One edit of the text buffer and the plain string alongside it, at a position read from the input.
struct Edit {
    TextBuffer& text;
    WrapLayout& layout;
    std::string& ref;
    std::uint8_t op;
    std::int64_t size;  // of the text before the edit
    std::int64_t pos;
    std::int64_t linesBefore;

    // Tells the layout what a replacement at pos changed.
    void replaced(std::int64_t removed, std::int64_t inserted) const
    {
        layout.textChanged(pos, removed, inserted, text.lineCount() - linesBefore);
    }
};

// A replacement: a short piece, or a run of one repeated to make long lines.
void replace(const Edit& e, FuzzInput& input)
{
    const std::int64_t removed = input.upTo(std::min<std::int64_t>(e.size - e.pos, e.op & 0x80 ? 70000 : 8));
    std::string inserted(input.piece());
    if (e.op % 8 == 1 && !inserted.empty())
        for (std::int64_t n = input.upTo(4000); n > 0 && inserted.size() < 20000; --n)
            inserted += inserted.substr(0, 1 + static_cast<std::size_t>(n) % inserted.size());
    if (e.ref.size() - static_cast<std::size_t>(removed) + inserted.size() > kMaxText)
        return;
    e.text.replace(e.pos, removed, inserted);
    e.ref.replace(static_cast<std::size_t>(e.pos), static_cast<std::size_t>(removed), inserted);
    e.replaced(removed, static_cast<std::int64_t>(inserted.size()));
}

// An exchange, as undo makes it.
void exchange(const Edit& e, FuzzInput& input)
{
    const std::int64_t length = input.upTo(std::min<std::int64_t>(e.size - e.pos, 40));
    std::string bytes(input.piece());
    const std::string old = e.ref.substr(static_cast<std::size_t>(e.pos), static_cast<std::size_t>(length));
    const auto added = static_cast<std::int64_t>(bytes.size());
    e.ref.replace(static_cast<std::size_t>(e.pos), static_cast<std::size_t>(length), bytes);
    e.text.exchange(e.pos, length, bytes);
    FUZZ_CHECK(bytes == old);
    e.replaced(length, added);
}

// A replacement written in place.
void replaceInPlace(const Edit& e, FuzzInput& input)
{
    const std::int64_t removed = input.upTo(std::min<std::int64_t>(e.size - e.pos, 16));
    const std::string inserted(input.piece());
    e.text.replaceFilled(e.pos, removed, inserted.size(),
                         [&](std::uint8_t* out) { std::copy(inserted.begin(), inserted.end(), out); });
    e.ref.replace(static_cast<std::size_t>(e.pos), static_cast<std::size_t>(removed), inserted);
    e.replaced(removed, static_cast<std::int64_t>(inserted.size()));
}

// Reads one operation from the input, carries it out and checks the result.
void step(FuzzInput& input, TextBuffer& text, WrapLayout& layout, std::string& ref, Checker& checker)
{
    const std::uint8_t op = input.byte();
    const auto size = static_cast<std::int64_t>(ref.size());
    const std::int64_t pos = input.upTo(size);
    const Edit edit{text, layout, ref, op, size, pos, text.lineCount()};
    switch (op % 8) {
    case 0:
    case 1: replace(edit, input); break;
    case 2: exchange(edit, input); break;
    case 3:
        ref.assign(input.piece());
        text.setText(ref);
        layout.reset();
        break;
    case 4:
        layout.setWrapWidth(op & 0x80 ? std::nullopt : std::optional<std::int64_t>(input.upTo(std::int64_t{64} * 700)));
        break;
    case 5: layout.setAdvances(advancesFrom(input)); break;
    case 6: layout.setEncoding(op & 0x80 ? TextEncoding::Utf8 : TextEncoding::Windows1252); break;
    default: replaceInPlace(edit, input); break;
    }
    checker.check(input, pos);
}

}  // namespace

QUILLORY_FUZZ_TARGET(input)
{
    TextBuffer text(1 + input.upTo(63));
    WrapLayout layout(text);
    std::string ref(input.piece());
    text.setText(ref);
    layout.setAdvances(advancesFrom(input));
    layout.setWrapWidth(64 * (1 + input.upTo(600)));
    Checker checker(text, layout, ref);
    while (!input.empty())
        step(input, text, layout, ref, checker);
}

}  // namespace quillory::fuzz
