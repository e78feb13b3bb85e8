#include "internet/UrlRules.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "internet/RetrievalMessages.h"

namespace quillory {

namespace {

bool beginsWith(const std::string& lowerText, std::string_view prefix)
{
    return lowerText.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

UrlDecision normaliseUrl(const std::string& typed)
{
    // Schemes are ASCII: only A-Z fold, whatever the locale, so that no other byte can read as one.
    std::string lower = typed;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    constexpr std::array<std::string_view, 4> kSchemes{"http://", "https://", "ftp://", "gopher://"};
    for (const std::string_view scheme : kSchemes) {
        if (beginsWith(lower, scheme))
            return {typed, std::nullopt};
    }
    if (beginsWith(lower, "file://"))
        return {{}, MessageBoxRequest{kInfoCaption, kLocalFileText, MessageIcon::Information, MessageButtons::Ok}};
    return {"http://" + typed, std::nullopt};
}

}  // namespace quillory
