#pragma once
// The state of the Caps Lock and Num Lock keys, where the windowing system can tell it.

#include <optional>

namespace quillory {

struct LockKeyState {
    std::optional<bool> capsLock;  // unset: the platform cannot tell
    std::optional<bool> numLock;
};

// Asks the windowing system. Under X11 this reads the keyboard's named indicators; Wayland and the
// offscreen platform give no such answer, so both stay unset there.
LockKeyState queryLockKeys();

}  // namespace quillory
