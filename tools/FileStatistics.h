#pragma once
// File statistics (F9): non-blank characters and words of a TEXT document, its size and the edit
// control's storage limit, reported in one message box.
//
// The view's whole command:
//   boxes.show(fileStatisticsReport(doc.mode() == DocumentMode::Text, length, limit, chunksOfTheControlText));
//   control.takeFocus();
// The selection and the modified flag are never touched: the text is only read.

#include <cstdint>
#include <span>

#include "base/MessageBox.h"
#include "editcore/TextEncoding.h"
#include "tools/ByteChunks.h"

namespace quillory {

struct TextCounts {
    std::int64_t characters = 0;  // characters 0x21 and above: bytes, or UTF-8 characters
    std::int64_t words = 0;       // maximal runs of bytes that are not white space

    bool operator==(const TextCounts&) const = default;
};

// White space for word counting: space, tab, line feed, vertical tab, form feed, carriage return.
constexpr bool isStatisticsWhiteSpace(std::uint8_t b)
{
    return b == 0x20 || (b >= 0x09 && b <= 0x0D);
}

// Counts characters and words over a text that arrives in pieces; a word may span pieces. In
// UTF-8 a character of several bytes counts once (its continuation bytes do not count).
class TextCounter {
public:
    explicit TextCounter(TextEncoding encoding = TextEncoding::Windows1252) : m_utf8(encoding == TextEncoding::Utf8) {}
    // Counts the next piece of the text.
    void feed(std::span<const std::uint8_t> bytes);
    // The counts of everything fed so far.
    TextCounts counts() const { return m_counts; }

private:
    TextCounts m_counts;
    bool m_afterWhiteSpace = true;  // the last byte fed was white space, or nothing was fed yet
    bool m_utf8;                    // characters are UTF-8 sequences
};

// Counts a whole contiguous text.
TextCounts countText(std::span<const std::uint8_t> bytes, TextEncoding encoding = TextEncoding::Windows1252);

// The "Results:" box of a TEXT document: counts, size and limit.
MessageBoxRequest textStatisticsReport(const TextCounts& counts, std::int64_t sizeBytes, std::int64_t storageLimit);

// The "Results:" box of a BINARY document: size and limit only.
MessageBoxRequest binaryStatisticsReport(std::int64_t sizeBytes, std::int64_t storageLimit);

// The whole command: counts the text (TEXT mode only; the source is not called in BINARY mode)
// and returns the box to show. sizeBytes is the control's text length.
MessageBoxRequest fileStatisticsReport(bool textMode, std::int64_t sizeBytes, std::int64_t storageLimit,
                                       const ByteChunkSource& text, TextEncoding encoding = TextEncoding::Windows1252);

}  // namespace quillory
