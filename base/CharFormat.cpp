#include "base/CharFormat.h"

#include <algorithm>
#include <cstring>

namespace quillory {

std::string CharFormat::faceName() const
{
    const auto end = std::find(faceBytes.begin(), faceBytes.end(), '\0');
    return std::string(faceBytes.begin(), end);
}

void CharFormat::setFaceName(const std::string& face)
{
    faceBytes.fill('\0');
    std::memcpy(faceBytes.data(), face.data(), std::min(face.size(), faceBytes.size() - 1));
}

}  // namespace quillory
