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

constexpr std::string_view kBlanks = " \t\n\r\v\f";

// Bytes a browser would not send as they are in a path or query.
bool needsEncoding(unsigned char byte)
{
    return byte <= 0x20 || byte >= 0x7F;
}

}  // namespace

std::string asciiLower(std::string text)
{
    for (char& c : text)
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    return text;
}

std::string trimBlanks(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string::npos)
        return {};
    const std::size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

std::string percentEncodeAfterHost(const std::string& url)
{
    const std::size_t scheme = url.find("://");
    const std::size_t hostStart = scheme == std::string::npos ? 0 : scheme + 3;
    const std::size_t hostEnd = std::min(url.find_first_of("/?#", hostStart), url.size());
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded = url.substr(0, hostEnd);
    for (std::size_t i = hostEnd; i < url.size(); ++i) {
        const auto byte = static_cast<unsigned char>(url[i]);
        if (!needsEncoding(byte)) {
            encoded += url[i];
            continue;
        }
        encoded += '%';
        encoded += kHex[byte >> 4];
        encoded += kHex[byte & 0x0F];
    }
    return encoded;
}

UrlDecision normaliseUrl(const std::string& typed)
{
    const std::string text = trimBlanks(typed);
    const std::string lower = asciiLower(text);
    constexpr std::array<std::string_view, 4> kSchemes{"http://", "https://", "ftp://", "gopher://"};
    for (const std::string_view scheme : kSchemes) {
        if (beginsWith(lower, scheme))
            return {percentEncodeAfterHost(text), std::nullopt};
    }
    if (beginsWith(lower, "file://"))
        return {{}, MessageBoxRequest{kInfoCaption, kLocalFileText, MessageIcon::Information, MessageButtons::Ok}};
    return {percentEncodeAfterHost("http://" + text), std::nullopt};
}

}  // namespace quillory
