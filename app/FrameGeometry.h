#pragma once
// The main window's first rectangle: 7/8 of the screen, centred, in integer arithmetic.

namespace quillory {

struct FrameRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    bool operator==(const FrameRect&) const = default;
};

// The rectangle for a screen of the given size, relative to the screen's top-left corner. The
// offsets are computed back from the 7/8 size, so on 800 x 600 the window is 700 x 525 at (50, 37).
FrameRect initialFrameRect(int screenWidth, int screenHeight);

}  // namespace quillory
