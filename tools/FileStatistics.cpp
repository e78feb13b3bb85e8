#include "tools/FileStatistics.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace quillory {

namespace {

// Sixteen bytes a step with GCC vector compares; the compares give 0 or -1 per lane, so
// subtracting them counts. Byte-wide lane counters are flushed before they can overflow.
using Lanes = std::uint8_t __attribute__((vector_size(16)));
constexpr std::size_t kLaneCount = sizeof(Lanes);
constexpr std::size_t kStepsPerFlush = 255;

Lanes loadLanes(const std::uint8_t* at)
{
    Lanes v;
    std::memcpy(&v, at, sizeof v);
    return v;
}

Lanes whiteSpaceLanes(Lanes v)
{
    return reinterpret_cast<Lanes>((v == 0x20) | (static_cast<Lanes>(v - 9) < 5));
}

std::uint64_t sumLanes(Lanes v)
{
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < kLaneCount; ++i)
        sum += v[i];
    return sum;
}

// Whether byte b counts as a character: 0x21 and above, and in UTF-8 not a continuation byte.
template <bool Utf8>
bool countsAsCharacter(std::uint8_t b)
{
    return b > 0x20 && (!Utf8 || (b & 0xC0) != 0x80);
}

// Counts characters and word starts of bytes[from, to); every byte there has a predecessor at
// bytes[i - 1]. A word starts at a byte that is not white space after one that is.
template <bool Utf8>
void countVectorised(const std::uint8_t* bytes, std::size_t from, std::size_t to, TextCounts& counts)
{
    std::size_t i = from;
    while (i + kLaneCount <= to) {
        Lanes characters{};
        Lanes wordStarts{};
        for (std::size_t step = 0; step < kStepsPerFlush && i + kLaneCount <= to; ++step) {
            const Lanes v = loadLanes(bytes + i);
            const Lanes before = loadLanes(bytes + i - 1);
            if constexpr (Utf8)
                characters -= reinterpret_cast<Lanes>((v > 0x20) & ((v & 0xC0) != 0x80));
            else
                characters -= reinterpret_cast<Lanes>(v > 0x20);
            wordStarts -= ~whiteSpaceLanes(v) & whiteSpaceLanes(before);
            i += kLaneCount;
        }
        counts.characters += static_cast<std::int64_t>(sumLanes(characters));
        counts.words += static_cast<std::int64_t>(sumLanes(wordStarts));
    }
    for (; i < to; ++i) {
        counts.characters += countsAsCharacter<Utf8>(bytes[i]);
        counts.words += !isStatisticsWhiteSpace(bytes[i]) && isStatisticsWhiteSpace(bytes[i - 1]);
    }
}

std::string formatted(const char* format, auto... values)
{
    char text[512];
    std::snprintf(text, sizeof text, format, static_cast<long long>(values)...);
    return text;
}

}  // namespace

void TextCounter::feed(std::span<const std::uint8_t> bytes)
{
    if (bytes.empty())
        return;
    const std::uint8_t first = bytes[0];
    m_counts.characters += m_utf8 ? countsAsCharacter<true>(first) : countsAsCharacter<false>(first);
    m_counts.words += m_afterWhiteSpace && !isStatisticsWhiteSpace(first);
    if (m_utf8)
        countVectorised<true>(bytes.data(), 1, bytes.size(), m_counts);
    else
        countVectorised<false>(bytes.data(), 1, bytes.size(), m_counts);
    m_afterWhiteSpace = isStatisticsWhiteSpace(bytes.back());
}

TextCounts countText(std::span<const std::uint8_t> bytes, TextEncoding encoding)
{
    TextCounter counter(encoding);
    counter.feed(bytes);
    return counter.counts();
}

MessageBoxRequest textStatisticsReport(const TextCounts& counts, std::int64_t sizeBytes, std::int64_t storageLimit)
{
    return {"Results:",
            formatted("Characters (not including spaces) = %lld\n\n"
                      "Words (separate by white-spaces) = %lld\n\n"
                      "File size (includes everything) = %lld bytes\n\n"
                      "Maximum storage limit = %lld bytes\n\n",
                      counts.characters, counts.words, sizeBytes, storageLimit),
            MessageIcon::None, MessageButtons::Ok};
}

MessageBoxRequest binaryStatisticsReport(std::int64_t sizeBytes, std::int64_t storageLimit)
{
    return {"Results:",
            formatted("File size (includes everything) = %lld bytes\n\n"
                      "Maximum storage limit = %lld bytes\n\n",
                      sizeBytes, storageLimit),
            MessageIcon::None, MessageButtons::Ok};
}

MessageBoxRequest fileStatisticsReport(bool textMode, std::int64_t sizeBytes, std::int64_t storageLimit,
                                       const ByteChunkSource& text, TextEncoding encoding)
{
    if (!textMode)
        return binaryStatisticsReport(sizeBytes, storageLimit);
    TextCounter counter(encoding);
    text([&counter](std::span<const std::uint8_t> piece) { counter.feed(piece); });
    return textStatisticsReport(counter.counts(), sizeBytes, storageLimit);
}

}  // namespace quillory
