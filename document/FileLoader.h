#pragma once
// Reading a file for a load, on the thread of long work: the whole file into a block of its own,
// its TEXT/BINARY class, a TEXT file's encoding and a BINARY file's display copy, all before
// anything of the document changes. A load that fails or is cancelled leaves only these blocks,
// which go with the LoadedFile.

#include <cstddef>
#include <cstdint>

#include "base/ByteHeap.h"
#include "base/HeapBlock.h"
#include "base/LongWork.h"
#include "editcore/TextEncoding.h"

namespace quillory {

class ReadOnlyFile;

enum class LoadOutcome { Read, NoMemory, ShortRead, Cancelled };

struct LoadedFile {
    // A TEXT file's bytes, or a BINARY file's true bytes: length bytes at offset, then a 0. The
    // bytes before them are the room the first edits at the caret (which a load leaves at the
    // start) take, without moving the file's bytes.
    HeapBlock bytes;
    // A BINARY file's display copy (0, 9, 10, 13 shown as 1), laid out the same way.
    HeapBlock display;
    std::size_t offset = 0;
    std::size_t length = 0;
    bool binary = false;
    TextEncoding encoding = TextEncoding::Utf8;
};

// Spare bytes in a loaded file's block: the control that takes a block over finds room for its
// first edits there instead of reallocating or moving the whole file.
inline constexpr std::size_t kHandOverSlack = std::size_t{64} * 1024;

// Reads file whole into loaded: exactly the length it has (a file that grew, shrank or failed to
// read meanwhile is a short read), or to its end where its size cannot be believed (/proc). Reports
// progress in pieces and stops at a Cancel.
LoadOutcome readFileForLoad(ReadOnlyFile& file, IByteHeap& heap, WorkProgress& progress, LoadedFile& loaded);

}  // namespace quillory
