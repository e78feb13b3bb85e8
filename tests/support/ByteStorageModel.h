#pragma once
// The reference of the byte storage's random tests and fuzz target: the bytes, the clipboard, and
// the bytes before the last edit (what undo gives back).

#include <cstdint>
#include <optional>
#include <vector>

namespace quillory::test {

struct ByteStorageModel {
    using Bytes = std::vector<std::uint8_t>;

    Bytes bytes;
    std::optional<Bytes> clip;
    std::optional<Bytes> beforeLastEdit;

    std::int32_t length() const { return static_cast<std::int32_t>(bytes.size()); }
    void replace(std::int32_t start, std::int32_t end, const Bytes& with)
    {
        beforeLastEdit = bytes;
        bytes.erase(bytes.begin() + start, bytes.begin() + end);
        bytes.insert(bytes.begin() + start, with.begin(), with.end());
    }
};

}  // namespace quillory::test
