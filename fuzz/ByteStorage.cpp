// Byte-storage operations decoded from the input against a std::vector<uint8_t> model: typing in
// insert and overwrite mode, Backspace and Delete, Copy, Paste, undo (twice is nothing), giving
// the slack back and dropping the undo record or the clipboard, at selections inside, reversed
// and outside the storage. After every step the storage holds the model's bytes and its 0, grows
// only by the growth rule and keeps its invariants.
#include <optional>
#include <vector>

#include "FuzzSupport.h"
#include "document/ByteStorage.h"
#include "support/ByteStorageModel.h"

namespace quillory::fuzz {
namespace {

using Bytes = std::vector<std::uint8_t>;

using Model = test::ByteStorageModel;

// Pastes that would make the storage larger are left out.
constexpr std::int32_t kMaxBytes = 64 * 1024;

// A selection as the control may report it: mostly inside the bytes, sometimes reversed or past
// either end.
CharRange selectionFrom(FuzzInput& input, std::int32_t length)
{
    const std::uint8_t shape = input.byte();
    auto position = [&] { return static_cast<std::int32_t>(input.upTo(length)); };
    std::int32_t a = position();
    std::int32_t b = shape % 3 == 0 ? a : position();
    if (shape & 0x40)
        return {a - static_cast<std::int32_t>(shape % 5), b + static_cast<std::int32_t>(shape % 7)};
    if (b < a && !(shape & 0x80))
        std::swap(a, b);
    return {a, b};
}

// The selection the storage works on: its ends clamped into the bytes, the start at most the end.
CharRange clamped(CharRange sel, std::int32_t length)
{
    const Position end = std::clamp<Position>(sel.end, 0, length);
    return {std::clamp<Position>(sel.start, 0, end), end};
}

void checkAgainstModel(const ByteStorage& storage, const Model& model, std::int32_t expectedCapacity)
{
    FUZZ_CHECK(storage.length() == model.length());
    FUZZ_CHECK(storage.capacity() == expectedCapacity);
    FUZZ_CHECK(storage.length() == 0 || std::equal(model.bytes.begin(), model.bytes.end(), storage.bytes()));
    FUZZ_CHECK(storage.bytes() == nullptr || storage.bytes()[storage.length()] == 0);
    FUZZ_CHECK(storage.hasUndo() == model.beforeLastEdit.has_value());
    FUZZ_CHECK(storage.hasClip() == model.clip.has_value());
    if (model.clip)
        FUZZ_CHECK(Bytes(storage.clip().begin(), storage.clip().end()) == *model.clip);
    FUZZ_CHECK(storage.checkInvariants().empty());
}

}  // namespace

QUILLORY_FUZZ_TARGET(input)
{
    ByteStorage storage;
    Model model;
    if (input.flag()) {  // a loaded file; otherwise a storage that never held a block
        const std::string_view initial = input.piece();
        auto* block = static_cast<std::uint8_t*>(cHeap().allocZeroed(initial.size() + 1));
        std::copy(initial.begin(), initial.end(), block);
        const auto length = static_cast<std::int32_t>(initial.size());
        storage.adoptBlock(block, length, initial.size() + 1, length);
        model.bytes.assign(initial.begin(), initial.end());
    }

    while (!input.empty()) {
        const std::uint8_t op = input.byte();
        const std::int32_t lengthBefore = model.length();
        const std::int32_t capacityBefore = storage.capacity();
        std::int32_t expectedCapacity = capacityBefore;
        const CharRange given = selectionFrom(input, lengthBefore);
        const CharRange sel = clamped(given, lengthBefore);
        switch (op % 10) {
        case 0:
        case 1: {  // type a byte
            const std::uint8_t b = input.byte();
            const bool insert = op % 10 == 0;
            const bool appends = sel.empty() && (insert || sel.start == lengthBefore);
            if (appends && lengthBefore + 1 >= capacityBefore)
                expectedCapacity += ByteStorage::kGrowthStep;
            FUZZ_CHECK(insert ? storage.insertAt(given, b) : storage.overwriteAt(given, b));
            const std::int32_t end = (!insert && sel.empty() && sel.start < lengthBefore) ? sel.start + 1 : sel.end;
            model.replace(sel.start, end, Bytes{b});
            break;
        }
        case 2:
        case 3: {  // Backspace or Delete
            const bool backward = op % 10 == 2;
            const bool deletes = !sel.empty() || (backward ? sel.start > 0 : sel.start < lengthBefore);
            FUZZ_CHECK(storage.wouldDelete(given, backward) == deletes);
            storage.deleteAt(given, backward);
            if (!sel.empty())
                model.replace(sel.start, sel.end, {});
            else if (deletes)
                model.replace(backward ? sel.start - 1 : sel.start, backward ? sel.start : sel.start + 1, {});
            break;
        }
        case 4:
            storage.copyAt(given);
            model.clip = Bytes(model.bytes.begin() + sel.start, model.bytes.begin() + sel.end);
            break;
        case 5:
            if (model.clip && lengthBefore + static_cast<std::int32_t>(model.clip->size()) > kMaxBytes)
                break;  // pasting everything again and again would double the storage each time
            if (model.clip) {
                const auto clipLength = static_cast<std::int32_t>(model.clip->size());
                if (lengthBefore - (sel.end - sel.start) + clipLength >= capacityBefore)
                    expectedCapacity += std::max(clipLength, ByteStorage::kGrowthStep);
                model.replace(sel.start, sel.end, *model.clip);
            }
            FUZZ_CHECK(storage.pasteAt(given) == model.clip.has_value());
            break;
        case 6:
            FUZZ_CHECK(storage.undo());
            if (model.beforeLastEdit) {
                std::swap(model.bytes, *model.beforeLastEdit);
                expectedCapacity = std::max(capacityBefore, model.length());
            }
            break;
        case 7: {  // undo twice changes nothing
            const Bytes before = model.bytes;
            FUZZ_CHECK(storage.undo() && storage.undo());
            if (model.beforeLastEdit)
                expectedCapacity = std::max(capacityBefore, static_cast<std::int32_t>(model.beforeLastEdit->size()));
            FUZZ_CHECK(Bytes(storage.bytes(), storage.bytes() + storage.length()) == before);
            break;
        }
        case 8:
            FUZZ_CHECK(storage.freeSlack());
            if (storage.bytes() != nullptr)
                expectedCapacity = model.length();
            break;
        default:
            if (op & 0x80) {
                storage.releaseClip();
                model.clip.reset();
            } else {
                storage.releaseUndo();
                model.beforeLastEdit.reset();
            }
            break;
        }
        checkAgainstModel(storage, model, expectedCapacity);
    }
}

}  // namespace quillory::fuzz
