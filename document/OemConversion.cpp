#include "document/OemConversion.h"

#include "base/CodePages.h"
#include "editcore/Utf8.h"

namespace quillory {

std::uint8_t unicodeToOem(char32_t cp)
{
    if (cp < 0x80)
        return static_cast<std::uint8_t>(cp);
    const std::optional<std::uint8_t> ansi = unicodeToCp1252(cp);
    return ansi ? ansiToOem(*ansi) : static_cast<std::uint8_t>('?');
}

std::size_t utf8ToOemBuffer(std::uint8_t* bytes, std::size_t count)
{
    std::size_t out = 0;
    for (std::size_t in = 0; in < count;) {
        const utf8::Char c = utf8::decode(bytes + in, count - in);
        bytes[out++] = c.valid ? unicodeToOem(c.cp) : static_cast<std::uint8_t>('?');
        in += static_cast<std::size_t>(c.length);
    }
    return out;
}

}  // namespace quillory
