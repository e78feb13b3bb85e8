#pragma once
// The bytes a byte storage holds, as a string; empty when it holds no block.

#include <string>

#include "document/ByteStorage.h"

namespace quillory::test {

inline std::string storedBytes(const ByteStorage& storage)
{
    const auto* bytes = reinterpret_cast<const char*>(storage.bytes());
    return bytes != nullptr ? std::string(bytes, static_cast<std::size_t>(storage.length())) : std::string();
}

}  // namespace quillory::test
