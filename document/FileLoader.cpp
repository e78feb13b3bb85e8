#include "document/FileLoader.h"

#include <algorithm>
#include <cstring>

#include "base/Prefaulter.h"
#include "document/ByteClassifier.h"
#include "document/ByteStorage.h"
#include "document/ReadOnlyFile.h"
#include "editcore/Utf8.h"

namespace quillory {

namespace {

// Reads a file whose size can be believed: exactly that many bytes, and nothing after them,
// classifying each piece as it arrives.
LoadOutcome readKnownSize(ReadOnlyFile& file, IByteHeap& heap, WorkProgress& progress, LoadedFile& loaded)
{
    if (file.size() > ByteStorage::kMaxLength)
        return LoadOutcome::NoMemory;
    const auto length = static_cast<std::size_t>(file.size());
    // The room before the bytes counts in the storage's 32-bit capacity: a file at the limit has none.
    const auto room = static_cast<std::size_t>(ByteStorage::kMaxLength) - length;
    loaded.offset = std::min(kHandOverSlack, room);
    const std::size_t blockBytes = loaded.offset + length + 1;
    loaded.bytes = HeapBlock::adopt(heap, static_cast<std::uint8_t*>(heap.allocZeroed(blockBytes)), blockBytes);
    if (!loaded.bytes.ok())
        return LoadOutcome::NoMemory;
    std::uint8_t* bytes = loaded.bytes.data() + loaded.offset;
    // Fresh memory is slowest at its first touch, on a machine whose memory is full of cache: a
    // thread of its own makes the block resident ahead of the reads.
    Prefaulter prefaulter;
    prefaulter.start(loaded.bytes.data(), blockBytes);
    while (loaded.length < length) {
        prefaulter.writerAt(loaded.offset + loaded.length);
        const std::size_t wanted = std::min(kWorkPiece, length - loaded.length);
        const std::size_t got = file.read(bytes + loaded.length, wanted);
        if (!loaded.binary)
            loaded.binary = isBinary(bytes + loaded.length, got);
        loaded.length += got;
        if (!progress.advance(static_cast<std::int64_t>(loaded.length)))
            return LoadOutcome::Cancelled;
        if (got < wanted)
            return LoadOutcome::ShortRead;
    }
    return file.atEnd() && !file.failed() ? LoadOutcome::Read : LoadOutcome::ShortRead;
}

// Reads a file to its end whatever its size says (the files of /proc), doubling the block.
LoadOutcome readToEnd(ReadOnlyFile& file, IByteHeap& heap, WorkProgress& progress, LoadedFile& loaded)
{
    constexpr std::size_t kSpare = 1 + kHandOverSlack;
    std::size_t capacity = std::size_t{64} * 1024;
    auto* block = static_cast<std::uint8_t*>(heap.allocPlain(capacity + kSpare));
    loaded.bytes = HeapBlock::adopt(heap, block, capacity + kSpare);
    if (block == nullptr)
        return LoadOutcome::NoMemory;
    for (;;) {
        const std::size_t wanted = capacity - loaded.length;
        const std::size_t got = file.read(block + loaded.length, wanted);
        loaded.length += got;
        if (!progress.advance(static_cast<std::int64_t>(loaded.length)))
            return LoadOutcome::Cancelled;
        if (got < wanted)
            break;
        const auto limit = static_cast<std::size_t>(ByteStorage::kMaxLength);
        if (capacity == limit)
            return file.atEnd() ? LoadOutcome::Read : LoadOutcome::NoMemory;
        const std::size_t larger = std::min(capacity * 2, limit);
        auto* grown = static_cast<std::uint8_t*>(heap.grow(block, larger + kSpare));
        if (grown == nullptr)
            return LoadOutcome::NoMemory;
        (void)loaded.bytes.release();
        block = grown;
        loaded.bytes = HeapBlock::adopt(heap, block, larger + kSpare);
        capacity = larger;
    }
    if (file.failed())
        return LoadOutcome::ShortRead;
    std::memset(block + loaded.length, 0, loaded.bytes.size() - loaded.length);
    loaded.binary = isBinary(block, loaded.length);
    return LoadOutcome::Read;
}

// The display copy of a BINARY file's bytes, made piece by piece into a block of its own.
LoadOutcome makeDisplayBlock(IByteHeap& heap, WorkProgress& progress, LoadedFile& loaded)
{
    const std::size_t length = loaded.length;
    loaded.display = HeapBlock(heap, loaded.offset + length + 1);
    if (!loaded.display.ok())
        return LoadOutcome::NoMemory;
    const std::uint8_t* from = loaded.bytes.data() + loaded.offset;
    std::uint8_t* to = loaded.display.data() + loaded.offset;
    Prefaulter prefaulter;
    prefaulter.start(loaded.display.data(), loaded.display.size());
    for (std::size_t done = 0; done < length;) {
        prefaulter.writerAt(loaded.offset + done);
        const std::size_t piece = std::min(kWorkPiece, length - done);
        makeDisplayCopy(from + done, to + done, piece);
        done += piece;
        if (!progress.advance(static_cast<std::int64_t>(length + done)))
            return LoadOutcome::Cancelled;
    }
    to[length] = 0;
    return LoadOutcome::Read;
}

// Whether a TEXT file's bytes are UTF-8, checked piece by piece. A piece ends before a byte that
// starts a character (no continuation byte), so no valid sequence spans two pieces and every
// invalid one fails inside its piece.
LoadOutcome readEncoding(WorkProgress& progress, LoadedFile& loaded)
{
    const std::uint8_t* bytes = loaded.bytes.data() + loaded.offset;
    const std::size_t length = loaded.length;
    loaded.encoding = TextEncoding::Utf8;
    for (std::size_t done = 0; done < length;) {
        std::size_t end = std::min(done + kWorkPiece, length);
        while (end < length && end > done + 1 && (bytes[end] & 0xC0) == 0x80)
            --end;
        if (!utf8::isValid(bytes + done, end - done)) {
            loaded.encoding = TextEncoding::Windows1252;
            return LoadOutcome::Read;
        }
        done = end;
        if (!progress.advance(static_cast<std::int64_t>(length + done)))
            return LoadOutcome::Cancelled;
    }
    return LoadOutcome::Read;
}

}  // namespace

LoadOutcome readFileForLoad(ReadOnlyFile& file, IByteHeap& heap, WorkProgress& progress, LoadedFile& loaded)
{
    // Reading is half the work, the display copy or the encoding's check the other half.
    progress.setTotal(2 * std::max<std::int64_t>(file.size(), 1));
    const LoadOutcome read =
        file.sizeIsReliable() ? readKnownSize(file, heap, progress, loaded) : readToEnd(file, heap, progress, loaded);
    if (read != LoadOutcome::Read)
        return read;
    progress.setTotal(2 * std::max<std::int64_t>(static_cast<std::int64_t>(loaded.length), 1));
    return loaded.binary ? makeDisplayBlock(heap, progress, loaded) : readEncoding(progress, loaded);
}

}  // namespace quillory
