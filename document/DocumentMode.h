#pragma once

namespace quillory {

// How the document is edited. A TEXT document's bytes live in the control alone; a BINARY one
// keeps its true bytes in the byte storage while the control shows a display copy of them.
enum class DocumentMode { Text, Binary };

}  // namespace quillory
