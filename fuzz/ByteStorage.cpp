// Byte-storage operations decoded from the input against a std::vector<uint8_t> model: typing in
// insert and overwrite mode, Backspace and Delete, Copy, Paste, undo (twice is nothing), giving
// the slack back, taking the block and adopting it again, and dropping the undo record or the
// clipboard, at selections inside, reversed and outside the storage, with a growth step the input
// chooses (tiny ones make the gap run out often) and a load that leaves the gap in front of the
// bytes. After every step the storage holds the model's bytes (read around the gap, and through
// bytes(), which moves it to an end, when the input says so) and its 0, grows only by the growth rule and
// keeps its invariants.
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

void checkAgainstModel(const ByteStorage& storage, const Model& model, std::int32_t expectedCapacity, bool wholeBytes)
{
    FUZZ_CHECK(storage.checkInvariants().empty());
    FUZZ_CHECK(storage.length() == model.length());
    FUZZ_CHECK(storage.capacity() == expectedCapacity);
    const std::int32_t gapStart = storage.gapStart();
    Bytes read(model.bytes.size());
    storage.read(0, read);
    FUZZ_CHECK(read == model.bytes);
    FUZZ_CHECK(storage.gapStart() == gapStart);  // reading leaves the gap where it is
    if (wholeBytes) {
        const bool toStart = storage.gapLength() > 0 && gapStart < storage.length() - gapStart;
        FUZZ_CHECK(storage.length() == 0 || std::equal(model.bytes.begin(), model.bytes.end(), storage.bytes()));
        FUZZ_CHECK(storage.bytes() == nullptr || storage.bytes()[storage.length()] == 0);
        FUZZ_CHECK(storage.gapStart() == (toStart ? 0 : storage.length()));
    }
    FUZZ_CHECK(storage.hasUndo() == model.beforeLastEdit.has_value());
    FUZZ_CHECK(storage.hasClip() == model.clip.has_value());
    if (model.clip)
        FUZZ_CHECK(Bytes(storage.clip().begin(), storage.clip().end()) == *model.clip);
    FUZZ_CHECK(storage.checkInvariants().empty());
}

// A loaded file of the given bytes, offset bytes into its block: the gap in front of them.
void load(std::string_view initial, std::int32_t offset, ByteStorage& storage, Model& model)
{
    const std::size_t blockBytes = static_cast<std::size_t>(offset) + initial.size() + 1;
    auto* block = static_cast<std::uint8_t*>(cHeap().allocZeroed(blockBytes));
    std::copy(initial.begin(), initial.end(), block + offset);
    const auto length = static_cast<std::int32_t>(initial.size());
    storage.adoptBlock(block, length, blockBytes, length + offset, offset);
    model.bytes.assign(initial.begin(), initial.end());
}

// One operation on the storage and its model: the selection as given and as the storage works on
// it, and the capacity the storage is to have afterwards.
struct Step {
    ByteStorage& storage;
    Model& model;
    std::uint8_t op;
    CharRange given;
    CharRange sel;
    std::int32_t lengthBefore;
    std::int32_t capacityBefore;
    std::int32_t expectedCapacity;

    // The capacity after making room for `added` more bytes: a growth gives the gap the edit and a
    // step more.
    std::int32_t grownFor(std::int32_t added) const
    {
        return added <= capacityBefore - lengthBefore ? capacityBefore : lengthBefore + added + storage.growthStep();
    }
};

// Typing b in insert or overwrite mode.
void typeByte(Step& s, std::uint8_t b)
{
    const bool insert = s.op % 10 == 0;
    const bool appends = s.sel.empty() && (insert || s.sel.start == s.lengthBefore);
    if (appends)
        s.expectedCapacity = s.grownFor(1);
    FUZZ_CHECK(insert ? s.storage.insertAt(s.given, b) : s.storage.overwriteAt(s.given, b));
    const std::int32_t end = (!insert && s.sel.empty() && s.sel.start < s.lengthBefore) ? s.sel.start + 1 : s.sel.end;
    s.model.replace(s.sel.start, end, Bytes{b});
}

// Backspace or Delete.
void deleteByte(Step& s)
{
    const bool backward = s.op % 10 == 2;
    const bool deletes = !s.sel.empty() || (backward ? s.sel.start > 0 : s.sel.start < s.lengthBefore);
    FUZZ_CHECK(s.storage.wouldDelete(s.given, backward) == deletes);
    s.storage.deleteAt(s.given, backward);
    if (!s.sel.empty())
        s.model.replace(s.sel.start, s.sel.end, {});
    else if (deletes)
        s.model.replace(backward ? s.sel.start - 1 : s.sel.start, backward ? s.sel.start : s.sel.start + 1, {});
}

void copySelection(Step& s)
{
    s.storage.copyAt(s.given);
    s.model.clip = Bytes(s.model.bytes.begin() + s.sel.start, s.model.bytes.begin() + s.sel.end);
}

void pasteClip(Step& s)
{
    Model& model = s.model;
    if (model.clip && s.lengthBefore + static_cast<std::int32_t>(model.clip->size()) > kMaxBytes)
        return;  // pasting everything again and again would double the storage each time
    if (model.clip) {
        const auto clipLength = static_cast<std::int32_t>(model.clip->size());
        s.expectedCapacity = s.grownFor(clipLength - static_cast<std::int32_t>(s.sel.end - s.sel.start));
        model.replace(s.sel.start, s.sel.end, *model.clip);
    }
    FUZZ_CHECK(s.storage.pasteAt(s.given) == model.clip.has_value());
}

void undo(Step& s)
{
    FUZZ_CHECK(s.storage.undo());
    if (s.model.beforeLastEdit) {
        std::swap(s.model.bytes, *s.model.beforeLastEdit);
        s.expectedCapacity = std::max(s.capacityBefore, s.model.length());
    }
}

// Undo twice changes nothing.
void undoTwice(Step& s)
{
    const Bytes before = s.model.bytes;
    FUZZ_CHECK(s.storage.undo() && s.storage.undo());
    if (s.model.beforeLastEdit)
        s.expectedCapacity = std::max(s.capacityBefore, static_cast<std::int32_t>(s.model.beforeLastEdit->size()));
    Bytes after(static_cast<std::size_t>(s.storage.length()));
    s.storage.read(0, after);
    FUZZ_CHECK(after == before);
}

void freeSlack(Step& s)
{
    FUZZ_CHECK(s.storage.freeSlack());
    if (s.storage.bytes() != nullptr)
        s.expectedCapacity = s.model.length();
}

// The block handed over (closed, or with the gap at the nearer end) and adopted again with its
// capacity, as the document does around a load that may fail.
void takeAndAdoptAgain(Step& s)
{
    const std::int32_t length = s.storage.length();
    std::int32_t offset = 0;
    HeapBlock block = s.op & 0x80 ? s.storage.takeBlock(offset) : s.storage.takeBlock();
    FUZZ_CHECK(s.storage.length() == 0 && s.storage.bytes() == nullptr);
    if (!block.ok())
        return;  // it never held one
    FUZZ_CHECK(std::equal(s.model.bytes.begin(), s.model.bytes.end(), block.data() + offset));
    FUZZ_CHECK(block.data()[offset + length] == 0);
    const std::size_t blockBytes = block.size();
    s.storage.adoptBlock(block.release(), length, blockBytes, s.capacityBefore, offset);
}

// Dropping the clipboard or the undo record.
void release(Step& s)
{
    if (s.op & 0x80) {
        s.storage.releaseClip();
        s.model.clip.reset();
    } else {
        s.storage.releaseUndo();
        s.model.beforeLastEdit.reset();
    }
}

// Reads one operation and its selection from the input, carries it out on both and compares them.
void step(FuzzInput& input, ByteStorage& storage, Model& model)
{
    const std::uint8_t op = input.byte();
    const bool wholeBytes = (op & 0x20) != 0;
    const std::int32_t lengthBefore = model.length();
    const std::int32_t capacityBefore = storage.capacity();
    const CharRange given = selectionFrom(input, lengthBefore);
    Step s{storage, model, op, given, clamped(given, lengthBefore), lengthBefore, capacityBefore, capacityBefore};
    switch (op % 10) {
    case 0:
    case 1: typeByte(s, input.byte()); break;
    case 2:
    case 3: deleteByte(s); break;
    case 4: copySelection(s); break;
    case 5: pasteClip(s); break;
    case 6: undo(s); break;
    case 7: undoTwice(s); break;
    case 8: freeSlack(s); break;
    default:
        if (op & 0x40)
            takeAndAdoptAgain(s);
        else
            release(s);
        break;
    }
    checkAgainstModel(storage, model, s.expectedCapacity, wholeBytes);
}

}  // namespace

QUILLORY_FUZZ_TARGET(input)
{
    const std::uint8_t shape = input.byte();
    // The growth step: the default, or a tiny one.
    ByteStorage storage(cHeap(), shape & 0x02 ? 1 + (shape >> 4) : ByteStorage::kMinGrowth);
    Model model;
    if (shape & 0x01)  // a loaded file; otherwise a storage that never held a block
        load(input.piece(), shape & 0x04 ? 1 + (shape >> 3) % 8 : 0, storage, model);
    while (!input.empty())
        step(input, storage, model);
}

}  // namespace quillory::fuzz
