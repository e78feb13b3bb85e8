// The URL rules against a plain reading: blanks around the text go, the network schemes in any
// letter case are retrieved as typed, "file://" is refused with the Info box, anything else gets
// "http://" in front, and after the host every blank, control or non-ASCII byte is sent as %XX;
// and the progress text of a retrieval against plainly grouped digits and a wide percentage.
#include <cstdio>
#include <string>

#include "FuzzSupport.h"
#include "internet/RetrievalMessages.h"
#include "internet/RetrievalProgressText.h"
#include "internet/UrlRules.h"

namespace quillory::fuzz {
namespace {

bool beginsNoCase(const std::string& text, std::string_view lowerPrefix)
{
    if (text.size() < lowerPrefix.size())
        return false;
    for (std::size_t i = 0; i < lowerPrefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != lowerPrefix[i])
            return false;
    }
    return true;
}

std::string plainGrouped(std::uint64_t value)
{
    std::string out;
    int digits = 0;
    do {
        if (digits > 0 && digits % 3 == 0)
            out.insert(out.begin(), ',');
        out.insert(out.begin(), static_cast<char>('0' + value % 10));
        value /= 10;
        ++digits;
    } while (value != 0);
    return out;
}

__extension__ typedef __int128 Wide;  // holds received * 100 for any 64-bit count

std::string plainProgress(std::int64_t received, std::int64_t total)
{
    const std::string got = "Received " + plainGrouped(static_cast<std::uint64_t>(received));
    if (total <= 0)
        return got + " bytes";
    const auto percent = received >= total ? 100 : static_cast<int>(static_cast<Wide>(received) * 100 / total);
    return got + " of " + plainGrouped(static_cast<std::uint64_t>(total)) + " bytes (" + std::to_string(percent) + "%)";
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string plainTrimmed(const std::string& text)
{
    std::size_t first = 0;
    std::size_t end = text.size();
    while (first < end && isBlank(text[first]))
        ++first;
    while (end > first && isBlank(text[end - 1]))
        --end;
    return text.substr(first, end - first);
}

// The host ends at the first '/', '?' or '#' after "://" (or after the start when there is none).
std::string plainEncoded(const std::string& url)
{
    const std::size_t scheme = url.find("://");
    std::size_t at = scheme == std::string::npos ? 0 : scheme + 3;
    while (at < url.size() && url[at] != '/' && url[at] != '?' && url[at] != '#')
        ++at;
    std::string out = url.substr(0, at);
    char hex[4];
    for (; at < url.size(); ++at) {
        const auto byte = static_cast<unsigned char>(url[at]);
        if (byte > 32 && byte < 127) {
            out += url[at];
        } else {
            std::snprintf(hex, sizeof hex, "%%%02X", byte);
            out += hex;
        }
    }
    return out;
}

std::int64_t signedOf(std::uint64_t bits)
{
    return static_cast<std::int64_t>(bits);
}

}  // namespace

QUILLORY_FUZZ_TARGET(input)
{

    // Progress: a count received (never negative) and a total (0 or less: unknown).
    const std::int64_t received = signedOf(input.u32() | static_cast<std::uint64_t>(input.u32()) << 32) & INT64_MAX;
    const std::int64_t total = signedOf(input.u32() | static_cast<std::uint64_t>(input.u32()) << 32);
    FUZZ_CHECK(retrievalProgressText(received, total) == plainProgress(received, total));

    const std::string given(input.rest());
    const UrlDecision decision = normaliseUrl(given);
    const std::string typed = plainTrimmed(given);
    bool network = false;
    for (const std::string_view scheme : {"http://", "https://", "ftp://", "gopher://"})
        network = network || beginsNoCase(typed, scheme);
    if (network) {
        FUZZ_CHECK(decision.url == plainEncoded(typed) && !decision.refusal);
    } else if (beginsNoCase(typed, "file://")) {
        FUZZ_CHECK(decision.url.empty() && decision.refusal);
        FUZZ_CHECK(decision.refusal->caption == kInfoCaption && decision.refusal->text == kLocalFileText);
        FUZZ_CHECK(decision.refusal->icon == MessageIcon::Information &&
                   decision.refusal->buttons == MessageButtons::Ok);
    } else {
        FUZZ_CHECK(decision.url == plainEncoded("http://" + typed) && !decision.refusal);
    }
}

}  // namespace quillory::fuzz
