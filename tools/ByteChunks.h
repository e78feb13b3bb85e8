#pragma once
// A text handed over in pieces, so that a tool can walk a large document without copying it.

#include <cstdint>
#include <functional>
#include <span>

namespace quillory {

// Receives one piece of the text; pieces arrive in order and together make the whole text.
using ByteChunkVisitor = std::function<void(std::span<const std::uint8_t>)>;

// Calls the visitor once for each piece of the text, in order (once with the whole text when it
// is contiguous; not at all, or with an empty span, for an empty text).
using ByteChunkSource = std::function<void(const ByteChunkVisitor&)>;

}  // namespace quillory
