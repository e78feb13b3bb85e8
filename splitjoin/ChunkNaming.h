#pragma once
// Chunk sizes and chunk names of a split: a base name B becomes B.1, B.2, ... or, when more
// chunks are due, B.01 ..., B.001 ..., with as many digits as the chunk count has.

#include <cstdint>
#include <string>

namespace quillory {

// The chunk-size radio buttons, in order.
enum ChunkChoice : int { Chunk720K = 0, Chunk1200K = 1, Chunk144MB = 2, ChunkCustom = 3 };

// The most digits the custom size edit takes.
inline constexpr int kCustomSizeMaxChars = 9;

// The chunk size in bytes of a choice (thousands of 1000): 720000, 1200000, 1450000, the custom
// text read as a decimal number (an empty text gives 0), and 0 for any other choice.
std::uint64_t chunkSizeFor(int choice, const std::string& customText);

// How many chunks a source of length bytes gives: length / chunk rounded up, at least 1.
std::uint64_t chunkCount(std::uint64_t length, std::uint64_t chunk);

// The digits of the chunk numbers: the digit count of count, 1 to 9; 10 for a count of ten or
// more digits, which numbers its chunks without leading zeros.
int chunkDigitWidth(std::uint64_t count);

// "." and number, written with leading zeros to width digits; without them for width 10.
std::string chunkExtension(std::uint64_t number, int width);

}  // namespace quillory
