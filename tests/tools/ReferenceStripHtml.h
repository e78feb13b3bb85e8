#pragma once
// Both ways of Strip HTML tags written as plainly as they are described, with string searches on
// a lower-case copy: the references of the tests and of the fuzz target.

#include <string>

namespace quillory::test {

inline std::string lowerCaseAscii(std::string text)
{
    for (char& c : text)
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    return text;
}

// The buffer path: one pass from left to right, from each "<".
inline std::string referenceBufferPath(const std::string& text)
{
    const std::string low = lowerCaseAscii(text);
    const auto npos = std::string::npos;
    std::string out;
    std::size_t read = 0;
    for (;;) {
        const std::size_t tag = text.find('<', read);
        if (tag == npos)
            break;
        out += text.substr(read, tag - read);
        if (low.compare(tag, 7, "<script") == 0) {
            std::size_t close = npos;
            for (std::size_t q = text.find('<', tag + 1); q != npos; q = text.find('<', q + 1)) {
                if (low.compare(q, 8, "</script") == 0) {
                    close = q;
                    break;
                }
            }
            const std::size_t blockEnd = close != npos ? text.find('>', close) : npos;
            if (blockEnd != npos) {
                read = blockEnd + 1;
            } else {
                const std::size_t tagEnd = text.find('>', tag + 1);
                read = tagEnd != npos ? tagEnd + 1 : tag + 1;
            }
            continue;
        }
        const std::size_t tagEnd = text.find('>', tag);
        if (tagEnd == npos) {
            read = tag;
            break;
        }
        read = tagEnd + 1;
    }
    return out + text.substr(read);
}

// The control path: every script block first (stopping at one with no ">" to end it), then every
// other tag (stopping at a "<" with no ">" after it).
inline std::string referenceControlPath(std::string text)
{
    const auto npos = std::string::npos;
    for (std::size_t a = lowerCaseAscii(text).find("<script"); a != npos; a = lowerCaseAscii(text).find("<script", a)) {
        const std::size_t close = lowerCaseAscii(text).find("</script", a);
        const std::size_t end = close != npos ? text.find('>', close + 8) : text.find('>', a);
        if (end == npos)
            break;
        text.erase(a, end + 1 - a);
    }
    for (std::size_t b = text.find('<'); b != npos; b = text.find('<', b)) {
        const std::size_t end = text.find('>', b);
        if (end == npos)
            break;
        text.erase(b, end + 1 - b);
    }
    return text;
}

}  // namespace quillory::test
