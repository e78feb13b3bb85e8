#pragma once
// The bytes a byte storage holds, as a string, read around its gap (which stays where it is);
// empty when it holds no block.

#include <string>

#include "document/ByteStorage.h"

namespace quillory::test {

inline std::string storedBytes(const ByteStorage& storage)
{
    std::string bytes(static_cast<std::size_t>(storage.length()), '\0');
    storage.read(0, {reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size()});
    return bytes;
}

}  // namespace quillory::test
