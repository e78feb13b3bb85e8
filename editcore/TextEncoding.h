#pragma once
// How the control's bytes are read as characters. Windows-1252 is one character per byte (and the
// only reading of a BINARY display copy); UTF-8 reads sequences of one to four bytes, and a byte
// that does not belong to a valid sequence stands alone as one character.

namespace quillory {

enum class TextEncoding { Windows1252, Utf8 };

}  // namespace quillory
