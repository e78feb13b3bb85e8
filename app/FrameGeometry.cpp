#include "app/FrameGeometry.h"

namespace quillory {

FrameRect initialFrameRect(int screenWidth, int screenHeight)
{
    FrameRect rect;
    rect.height = (screenHeight * 7) / 8;
    rect.width = (screenWidth * 7) / 8;
    rect.top = ((rect.height * 8) / 7 - rect.height) / 2;
    rect.left = ((rect.width * 8) / 7 - rect.width) / 2;
    return rect;
}

}  // namespace quillory
