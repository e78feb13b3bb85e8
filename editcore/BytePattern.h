#pragma once
// Finding bytes as bytes: a search text of hex digit pairs ("4D 5A 90 00", "7f454c46") turned into
// the bytes it names, and those bytes found in a block forward from a position or backward before
// it. A BINARY document's true bytes are searched this way, where the control's display copy
// shows 0, 9, 10 and 13 alike.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quillory {

// The bytes a text of hex digit pairs names. Digits may be of either case; blanks (space, tab) may
// stand before, between and after pairs, never inside one: "4D5A 90 00" is two bytes and two more,
// "4 D" is malformed. Nothing when the text is empty, holds anything but hex digits and blanks, or
// leaves a pair incomplete; problem (when given) then says which and where, by column (1 is the
// first character), as a sentence without a full stop for a box's "Reason: " line.
std::optional<std::string> parseHexBytes(std::string_view text, std::string* problem = nullptr);

// The bytes as upper-case hex pairs separated by single spaces ("4D 5A 00"); parseHexBytes reads it
// back.
std::string formatHexBytes(std::span<const std::uint8_t> bytes);

// Where needle lies in haystack, as text Find Next searches: forward, the first match that starts at
// or after from; backward, the last match that ends at or before from. Nothing for an empty needle
// or when there is no such match; from outside the haystack is clamped into it.
std::optional<std::int64_t> findBytes(std::span<const std::uint8_t> haystack, std::span<const std::uint8_t> needle,
                                      std::int64_t from, bool forward);

}  // namespace quillory
