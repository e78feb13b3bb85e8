#pragma once
// Character boundaries in the text for an encoding: where the character holding a byte starts,
// and the steps to the next and the previous character. In Windows-1252 every byte is a
// character; in UTF-8 a character is a valid sequence or a single byte outside one. Positions
// stay byte offsets either way. (A CR LF pair is two characters here; callers that treat it as
// one line break step over it themselves.)

#include <algorithm>
#include <cstdint>

#include "editcore/TextBuffer.h"
#include "editcore/TextEncoding.h"
#include "editcore/Utf8.h"

namespace quillory {

// The UTF-8 character that starts at pos (pos < text.size()).
inline utf8::Char utf8CharAt(const TextBuffer& text, std::int64_t pos)
{
    std::uint8_t bytes[4] = {};
    const auto available = static_cast<std::size_t>(std::min<std::int64_t>(4, text.size() - pos));
    bytes[0] = text.at(pos);
    if (bytes[0] < 0x80)
        return {bytes[0], 1, true};
    for (std::size_t i = 1; i < available; ++i)
        bytes[i] = text.at(pos + static_cast<std::int64_t>(i));
    return utf8::decode(bytes, available);
}

// The start of the character that holds the byte at pos (pos itself when it starts one); 0 and
// the text's end are boundaries.
inline std::int64_t charStart(const TextBuffer& text, std::int64_t pos, TextEncoding encoding)
{
    if (encoding != TextEncoding::Utf8 || pos <= 0 || pos >= text.size() || !utf8::isContinuation(text.at(pos)))
        return std::clamp<std::int64_t>(pos, 0, text.size());
    // The nearest byte before that is not a continuation leads the only sequence that can hold pos.
    for (std::int64_t lead = pos - 1; lead >= 0 && lead >= pos - 3; --lead) {
        if (utf8::isContinuation(text.at(lead)))
            continue;
        const utf8::Char c = utf8CharAt(text, lead);
        return c.valid && lead + c.length > pos ? lead : pos;
    }
    return pos;
}

// The boundary after the character at pos (a boundary), or the text's end.
inline std::int64_t nextCharPos(const TextBuffer& text, std::int64_t pos, TextEncoding encoding)
{
    if (pos >= text.size())
        return text.size();
    if (encoding != TextEncoding::Utf8)
        return pos + 1;
    return pos + utf8CharAt(text, pos).length;
}

// The start of the character before pos, or 0.
inline std::int64_t prevCharPos(const TextBuffer& text, std::int64_t pos, TextEncoding encoding)
{
    if (pos <= 0)
        return 0;
    return charStart(text, pos - 1, encoding);
}

}  // namespace quillory
