#pragma once
// The panes of the main window's status bar, left to right.

namespace quillory {

enum class StatusPane {
    Prompt = 0,      // menu prompts and "Ready"; the retrieval's progress
    Font = 1,        // "Font: " and the face name
    Mode = 2,        // " TEXT " or "BINARY"
    InsertMode = 3,  // "INS" or "OVR"
    CapsLock = 4,    // "CAP" while Caps Lock is on (the keyboard's)
    NumLock = 5,     // "NUM" while Num Lock is on (the keyboard's)
    Encoding = 6,    // a TEXT document's encoding; empty in BINARY mode
    Recovery = 7,    // "Recovery off" while the document's changes cannot be kept for recovery
};

inline constexpr int kStatusPaneCount = 8;

}  // namespace quillory
