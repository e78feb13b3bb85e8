#pragma once
// 8-bit character sets: Windows-1252 for showing bytes as characters, and the ANSI-to-OEM
// (code page 437) conversion applied when saving with ANSI --> ASCII and when typing in BINARY mode.

#include <cstddef>
#include <cstdint>
#include <optional>

namespace quillory {

// The Unicode character that byte b shows as (Windows-1252; the five undefined bytes map to C1 controls).
char16_t cp1252ToUnicode(std::uint8_t b);

// The byte that shows as code point cp, or nothing when Windows-1252 has no such character.
std::optional<std::uint8_t> unicodeToCp1252(char32_t cp);

// The OEM (code page 437) byte for ANSI byte b, with the system's best-fit and '?' defaults.
std::uint8_t ansiToOem(std::uint8_t b);

// Converts count bytes from ANSI to OEM in place.
void charToOemBuffer(std::uint8_t* bytes, std::size_t count);

}  // namespace quillory
