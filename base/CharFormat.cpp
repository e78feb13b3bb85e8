#include "base/CharFormat.h"

#include <algorithm>
#include <cstring>

namespace quillory {

std::string CharFormatA::faceName() const
{
    const auto end = std::find(szFaceName.begin(), szFaceName.end(), '\0');
    return std::string(szFaceName.begin(), end);
}

void CharFormatA::setFaceName(const std::string& face)
{
    szFaceName.fill('\0');
    std::memcpy(szFaceName.data(), face.data(), std::min(face.size(), szFaceName.size() - 1));
}

}  // namespace quillory
