#pragma once
// The single left-to-right pass that removes markup tags and script blocks from a text (the buffer
// path of Strip HTML tags, used above 7000 characters).
//
// From each "<": a "<script" (any letter case) drops everything through the first ">" at or after
// the first later "</script"; without such a pair only the opening tag is dropped, and without any
// later ">" only the "<" itself. Any other "<" drops through the first ">" after it; a "<" with no
// ">" after it keeps the rest of the text unchanged. Text between tags, stray ">" and line breaks
// stay. Linear in the length of the text.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "base/LongWork.h"

namespace quillory {

// Strips source[0, length) into result and returns the length of the result (at most length).
// result may be source itself: the pass never writes ahead of where it reads.
std::size_t stripHtmlTags(const std::uint8_t* source, std::size_t length, std::uint8_t* result);
// The same as long work: tells progress how far the pass has read, a piece at a time, and stops at
// a Cancel (nothing then; result holds a part of the work, to be thrown away).
std::optional<std::size_t> stripHtmlTags(const std::uint8_t* source, std::size_t length, std::uint8_t* result,
                                         WorkProgress& progress);

// Strips the text in place and returns its new length.
inline std::size_t stripHtmlTagsInPlace(std::span<std::uint8_t> text)
{
    return stripHtmlTags(text.data(), text.size(), text.data());
}

}  // namespace quillory
