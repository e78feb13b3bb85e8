#include "editcore/TextFinder.h"

#include <algorithm>
#include <functional>

#include "editcore/ByteCodec.h"

namespace quillory {

namespace {

struct FoldHash {
    std::size_t operator()(char c) const { return byteCodec().fold(static_cast<std::uint8_t>(c)); }
};
struct FoldEqual {
    bool operator()(char a, char b) const
    {
        const ByteCodec& codec = byteCodec();
        return codec.fold(static_cast<std::uint8_t>(a)) == codec.fold(static_cast<std::uint8_t>(b));
    }
};

bool isWholeWord(const char* base, std::int64_t size, std::int64_t start, std::int64_t end)
{
    const ByteCodec& codec = byteCodec();
    auto word = [&](std::int64_t i) { return codec.isWordByte(static_cast<std::uint8_t>(base[i])); };
    return (start == 0 || !word(start - 1) || !word(start)) && (end == size || !word(end) || !word(end - 1));
}

// Every match in [first, last) in order until visit returns true.
template <typename Searcher>
void forEachMatch(const char* first, const char* last, const Searcher& searcher, std::size_t n,
                  const std::function<bool(const char*)>& visit)
{
    while (first < last) {
        const char* hit = std::search(first, last, searcher);
        if (hit == last || visit(hit))
            return;
        first = hit + 1;
    }
    (void)n;
}

}  // namespace

std::optional<FoundRange> findText(TextBuffer& text, std::string_view needle, std::int64_t from,
                                   const FindOptions& options)
{
    const std::int64_t size = text.size();
    const auto n = static_cast<std::int64_t>(needle.size());
    from = std::clamp<std::int64_t>(from, 0, size);
    if (n == 0 || n > size)
        return std::nullopt;
    const char* base = reinterpret_cast<const char*>(text.contiguous(0, size));
    const char* first = options.backward ? base : base + from;
    const char* last = options.backward ? base + from : base + size;
    if (last - first < n)
        return std::nullopt;

    std::optional<FoundRange> found;
    auto visit = [&](const char* hit) {
        const std::int64_t start = hit - base;
        if (options.wholeWord && !isWholeWord(base, size, start, start + n))
            return false;
        found = FoundRange{start, start + n};
        return !options.backward;  // backward keeps the last one
    };
    if (options.matchCase) {
        std::boyer_moore_horspool_searcher searcher(needle.begin(), needle.end());
        forEachMatch(first, last, searcher, needle.size(), visit);
    } else {
        std::boyer_moore_horspool_searcher searcher(needle.begin(), needle.end(), FoldHash{}, FoldEqual{});
        forEachMatch(first, last, searcher, needle.size(), visit);
    }
    return found;
}

}  // namespace quillory
