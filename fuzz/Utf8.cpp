// The UTF-8 reading against a plain decoder written from the definition: the decoder at every
// byte, the vectorised validator on every slice near the ends, the ASCII test, conversion to and
// from UTF-16 and encoding of any 32-bit value; character starts and steps in a text buffer with
// its gap anywhere; and the caret rule: after selecting anywhere, typing, replacing, Backspace,
// Delete and Undo, the selection's ends stand on character starts of the text.
#include <set>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "editcore/CharSteps.h"
#include "editcore/EditModel.h"
#include "editcore/Utf8.h"

namespace quillory::fuzz {
namespace {

// Decodes by the definition: the lead byte gives the length, every later byte is 10xxxxxx, and the
// value is the shortest form's, outside the surrogates and at most U+10FFFF.
utf8::Char plainDecode(const std::uint8_t* p, std::size_t available)
{
    const std::uint8_t b0 = p[0];
    const utf8::Char invalid{b0, 1, false};
    if (b0 < 0x80)
        return {b0, 1, true};
    const int length = b0 >= 0xF8 ? 0 : b0 >= 0xF0 ? 4 : b0 >= 0xE0 ? 3 : b0 >= 0xC0 ? 2 : 0;
    if (length == 0 || available < static_cast<std::size_t>(length))
        return invalid;
    char32_t cp = b0 & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return invalid;
        cp = cp << 6 | (p[i] & 0x3F);
    }
    const char32_t shortest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < shortest[length] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
        return invalid;
    return {cp, length, true};
}

std::vector<std::int64_t> plainStarts(const std::string& s)
{
    std::vector<std::int64_t> starts;
    for (std::size_t i = 0; i < s.size();) {
        starts.push_back(static_cast<std::int64_t>(i));
        i += static_cast<std::size_t>(plainDecode(bytesOf(s) + i, s.size() - i).length);
    }
    starts.push_back(static_cast<std::int64_t>(s.size()));
    return starts;
}

// The character start at or before pos.
std::int64_t plainCharStart(const std::vector<std::int64_t>& starts, std::int64_t pos)
{
    return *(std::upper_bound(starts.begin(), starts.end(), pos) - 1);
}

std::string plainEncode(char32_t cp)
{
    if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
        cp = 0xFFFD;
    std::string out;
    if (cp < 0x80)
        return std::string(1, static_cast<char>(cp));
    const int length = cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
    for (int i = length - 1; i > 0; --i)
        out.insert(out.begin(), static_cast<char>(0x80 | ((cp >> (6 * (length - 1 - i))) & 0x3F)));
    const std::uint8_t leads[] = {0, 0, 0xC0, 0xE0, 0xF0};
    out.insert(out.begin(), static_cast<char>(leads[length] | cp >> (6 * (length - 1))));
    return out;
}

std::u16string plainToUtf16(const std::string& s)
{
    std::u16string out;
    for (std::size_t i = 0; i < s.size();) {
        const utf8::Char c = plainDecode(bytesOf(s) + i, s.size() - i);
        const char32_t cp = c.valid ? c.cp : 0xFFFD;
        if (cp > 0xFFFF) {
            out += static_cast<char16_t>(0xD800 | (cp - 0x10000) >> 10);
            out += static_cast<char16_t>(0xDC00 | (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i += static_cast<std::size_t>(c.length);
    }
    return out;
}

std::string plainFromUtf16(const std::u16string& units)
{
    std::string out;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char32_t u = units[i];
        const bool high = u >= 0xD800 && u <= 0xDBFF;
        if (high && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            out += plainEncode(0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else {
            out += plainEncode(u);
        }
    }
    return out;
}

void checkDecoding(const std::string& s)
{
    const std::uint8_t* p = bytesOf(s);
    bool valid = true;
    bool ascii = true;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const utf8::Char got = utf8::decode(p + i, s.size() - i);
        const utf8::Char expected = plainDecode(p + i, s.size() - i);
        FUZZ_CHECK(got.valid == expected.valid && got.cp == expected.cp && got.length == expected.length);
        ascii = ascii && p[i] < 0x80;
    }
    for (std::size_t i = 0; i < s.size();) {
        const utf8::Char c = plainDecode(p + i, s.size() - i);
        valid = valid && c.valid;
        i += static_cast<std::size_t>(c.length);
    }
    FUZZ_CHECK(utf8::isValid(p, s.size()) == valid);
    FUZZ_CHECK(utf8::isAscii(p, s.size()) == ascii);
    const std::u16string units = utf8::toUtf16(s);
    FUZZ_CHECK(units == plainToUtf16(s));
    if (valid)
        FUZZ_CHECK(utf8::fromUtf16(units) == s);
}

// Character steps in a buffer whose gap stands at `gapAt`, against the plain starts.
void checkSteps(const std::string& s, std::size_t gapBytes, std::int64_t gapAt)
{
    TextBuffer text(gapBytes);
    text.setText(s);
    text.replace(gapAt, 0, "x");  // an edit there moves the gap there
    text.replace(gapAt, 1, "");
    const std::vector<std::int64_t> starts = plainStarts(s);
    for (std::int64_t pos = 0; pos <= text.size(); ++pos) {
        const std::int64_t start = plainCharStart(starts, pos);
        FUZZ_CHECK(charStart(text, pos, TextEncoding::Utf8) == start);
        FUZZ_CHECK(charStart(text, pos, TextEncoding::Windows1252) == pos);
        if (start == pos) {
            const auto at = std::lower_bound(starts.begin(), starts.end(), pos);
            FUZZ_CHECK(nextCharPos(text, pos, TextEncoding::Utf8) == (pos == text.size() ? pos : *(at + 1)));
            FUZZ_CHECK(prevCharPos(text, pos, TextEncoding::Utf8) == (pos == 0 ? 0 : *(at - 1)));
        }
    }
}

// The edit model in UTF-8 against a string: the selection's ends always on character starts.
class CaretChecker {
public:
    explicit CaretChecker(const std::string& initial)
    {
        m_model.setEncoding(TextEncoding::Utf8);
        m_model.setText(initial);
        m_text = initial.substr(0, initial.find('\0'));
    }

    void step(FuzzInput& input)
    {
        const std::uint8_t op = input.byte();
        const Before before{static_cast<std::int64_t>(m_text.size()), plainStarts(m_text), m_model.selectionStart(),
                            m_model.selectionEnd(), m_model.caret()};
        switch (op % 6) {
        case 0: selectAnywhere(input, before); break;
        case 1: replaceSelection(input, op, before); break;
        case 2: backspace(before); break;
        case 3: deleteForward(before); break;
        case 4: typeCharacter(input, op, before); break;
        default: undoTwice(); break;
        }
        FUZZ_CHECK(m_model.text().text(0, m_model.length()) == m_text);
        FUZZ_CHECK(m_model.text().checkInvariants().empty());
        expectOnStarts();
    }

private:
    // The text and the selection before an operation.
    struct Before {
        std::int64_t length;
        std::vector<std::int64_t> starts;
        std::int64_t start;
        std::int64_t end;
        std::int64_t caret;
    };

    // A selection anywhere, even past the text.
    void selectAnywhere(FuzzInput& input, const Before& b)
    {
        const std::int64_t anchor = input.upTo(b.length + 2) - 1;
        const std::int64_t to = input.upTo(b.length + 2) - 1;
        m_model.setSelection(anchor, to);
        FUZZ_CHECK(m_model.anchor() == plainCharStart(b.starts, std::clamp<std::int64_t>(anchor, 0, b.length)));
        FUZZ_CHECK(m_model.caret() == plainCharStart(b.starts, std::clamp<std::int64_t>(to, 0, b.length)));
    }

    // Replacing the selection by any bytes but 0.
    void replaceSelection(FuzzInput& input, std::uint8_t op, const Before& b)
    {
        std::string bytes(input.piece());
        std::replace(bytes.begin(), bytes.end(), '\0', '0');
        m_model.replaceSelection(bytes, op & 0x80);
        m_text.replace(static_cast<std::size_t>(b.start), static_cast<std::size_t>(b.end - b.start), bytes);
        expectCaretAtStartOf(b.start + static_cast<std::int64_t>(bytes.size()));
    }

    // Backspace: the selection, a CR LF pair, or the character before the caret.
    void backspace(const Before& b)
    {
        if (b.start != b.end) {
            FUZZ_CHECK(m_model.deleteBackward());
            m_text.erase(static_cast<std::size_t>(b.start), static_cast<std::size_t>(b.end - b.start));
            expectCaretAtStartOf(b.start);
        } else if (b.caret > 0) {
            FUZZ_CHECK(m_model.deleteBackward());
            const bool pair = b.caret >= 2 && m_text.compare(static_cast<std::size_t>(b.caret - 2), 2, "\r\n") == 0;
            const std::int64_t from = pair ? b.caret - 2 : plainCharStart(b.starts, b.caret - 1);
            m_text.erase(static_cast<std::size_t>(from), static_cast<std::size_t>(b.caret - from));
            expectCaretAtStartOf(from);
        } else {
            FUZZ_CHECK(!m_model.deleteBackward());
        }
    }

    // Delete: the selection, a CR LF pair, or the character at the caret.
    void deleteForward(const Before& b)
    {
        if (b.start != b.end) {
            FUZZ_CHECK(m_model.deleteForward());
            m_text.erase(static_cast<std::size_t>(b.start), static_cast<std::size_t>(b.end - b.start));
            expectCaretAtStartOf(b.start);
        } else if (b.caret < b.length) {
            FUZZ_CHECK(m_model.deleteForward());
            const bool pair = m_text.compare(static_cast<std::size_t>(b.caret), 2, "\r\n") == 0;
            const std::int64_t to = pair ? b.caret + 2 : *std::upper_bound(b.starts.begin(), b.starts.end(), b.caret);
            m_text.erase(static_cast<std::size_t>(b.caret), static_cast<std::size_t>(to - b.caret));
            expectCaretAtStartOf(b.caret);
        } else {
            FUZZ_CHECK(!m_model.deleteForward());
        }
    }

    // Typing one character, inserted or over the one at the caret.
    void typeCharacter(FuzzInput& input, std::uint8_t op, const Before& b)
    {
        const std::string typed = utf8::encode(1 + input.u32() % 0x10FFFF);
        const bool overwrite = op & 0x80;
        FUZZ_CHECK(m_model.typeCharacter(typed, overwrite));
        const bool over = overwrite && b.start == b.end && b.caret < b.length &&
                          m_text[static_cast<std::size_t>(b.caret)] != '\r' &&
                          m_text[static_cast<std::size_t>(b.caret)] != '\n';
        const std::int64_t replacedEnd = over ? *std::upper_bound(b.starts.begin(), b.starts.end(), b.caret) : b.end;
        m_text.replace(static_cast<std::size_t>(b.start), static_cast<std::size_t>(replacedEnd - b.start), typed);
        expectCaretAtStartOf(b.start + static_cast<std::int64_t>(typed.size()));
    }

    // Undo, then Undo again: back where it was.
    void undoTwice()
    {
        m_model.undo();
        m_text = m_model.text().text(0, m_model.length());
        expectOnStarts();
        m_model.undo();
        m_model.undo();
        FUZZ_CHECK(m_model.text().text(0, m_model.length()) == m_text);
    }

    void expectCaretAtStartOf(std::int64_t pos)
    {
        FUZZ_CHECK(m_model.anchor() == m_model.caret());
        FUZZ_CHECK(m_model.caret() == plainCharStart(plainStarts(m_text), pos));
    }
    void expectOnStarts()
    {
        const std::vector<std::int64_t> starts = plainStarts(m_text);
        FUZZ_CHECK(std::binary_search(starts.begin(), starts.end(), m_model.anchor()));
        FUZZ_CHECK(std::binary_search(starts.begin(), starts.end(), m_model.caret()));
    }

    EditModel m_model{8};
    std::string m_text;
};

}  // namespace

QUILLORY_FUZZ_TARGET(input)
{
    const std::uint8_t mode = input.byte();
    if (mode < 0x40) {
        // The decoder and its users on the bytes, and on slices that put the ends at other places
        // of the validator's 16- and 64-byte blocks.
        const std::string s(input.rest());
        checkDecoding(s);
        for (std::size_t cut = 1; cut <= std::min<std::size_t>(s.size(), 3); ++cut) {
            checkDecoding(s.substr(cut));
            checkDecoding(s.substr(0, s.size() - cut));
        }
        std::u16string units;
        for (std::size_t i = 0; i + 1 < s.size(); i += 2)
            units += static_cast<char16_t>(static_cast<std::uint8_t>(s[i]) | static_cast<std::uint8_t>(s[i + 1]) << 8);
        FUZZ_CHECK(utf8::fromUtf16(units) == plainFromUtf16(units));
        for (std::size_t i = 0; i + 3 < s.size(); i += 4) {
            const char32_t cp =
                static_cast<char32_t>(static_cast<std::uint8_t>(s[i]) | static_cast<std::uint8_t>(s[i + 1]) << 8 |
                                      static_cast<std::uint8_t>(s[i + 2]) << 16 |
                                      static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[i + 3])) << 24);
            FUZZ_CHECK(utf8::encode(cp) == plainEncode(cp));
        }
    } else if (mode < 0x80) {
        const std::size_t gapBytes = 1 + input.byte() % 16;
        const std::string s(input.piece());
        checkSteps(s, gapBytes, input.upTo(static_cast<std::int64_t>(s.size())));
    } else {
        CaretChecker checker(std::string(input.piece()));
        while (!input.empty())
            checker.step(input);
    }
}

}  // namespace quillory::fuzz
