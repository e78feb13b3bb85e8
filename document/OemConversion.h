#pragma once
// ANSI --> ASCII on save: the text converted to the OEM character set (code page 437) with the
// system's best-fit table. Windows-1252 text converts byte by byte; UTF-8 text converts each
// character by its Unicode value through the same table, one OEM byte per character, so no part
// of a UTF-8 sequence is ever written.

#include <cstddef>
#include <cstdint>

namespace quillory {

// The OEM byte for Unicode character cp: ASCII as itself, a character Windows-1252 holds as the
// table gives its byte, '?' for any other.
std::uint8_t unicodeToOem(char32_t cp);

// Converts count bytes of UTF-8 in place and returns the converted length (never longer). A byte
// outside any valid sequence has no character and becomes '?'.
std::size_t utf8ToOemBuffer(std::uint8_t* bytes, std::size_t count);

}  // namespace quillory
