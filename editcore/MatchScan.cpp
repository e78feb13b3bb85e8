#include "editcore/MatchScan.h"

#include <algorithm>

namespace quillory {

namespace {

constexpr auto kWindow = static_cast<std::int64_t>(kWorkPiece);

}  // namespace

MatchScan::MatchScan(const TextSearcher& searcher, const SearchText& text, std::int64_t from, std::int64_t needleBytes)
    : m_searcher(searcher),
      m_text(text),
      m_from(from),
      // A match folded in UTF-8 takes at most four bytes for each of the needle's characters; the
      // whole-word rule looks at a character on either side.
      m_overlap(4 * needleBytes + 16)
{
    m_limit = std::min(m_from + std::max(kWindow, 4 * m_overlap), m_text.size());
}

std::optional<FoundRange> MatchScan::next(WorkProgress* progress, std::int64_t progressBase)
{
    for (;;) {
        const bool whole = m_limit >= m_text.size();
        const std::optional<FoundRange> found = m_searcher.next(whole ? m_text : m_text.prefix(m_limit), m_from);
        // A match that starts this far before the window's end lies inside it with everything the
        // word rule reads, and so does every match that starts before it: it is the match a search
        // of the whole text finds.
        if (found && (whole || found->start <= m_limit - m_overlap)) {
            m_from = found->end;
            return found;
        }
        if (whole)
            return std::nullopt;
        m_from = std::max(m_from, m_limit - m_overlap);
        m_limit = std::min(m_limit + kWindow, m_text.size());
        if (progress != nullptr && !progress->advance(progressBase + m_from)) {
            m_stopped = true;
            return std::nullopt;
        }
    }
}

std::optional<FoundRange> findTextWithProgress(const TextBuffer& text, std::string_view needle, std::int64_t from,
                                               const FindOptions& options, WorkProgress& progress)
{
    if (options.backward || needle.empty())
        return findText(text, needle, from, options);
    const TextSearcher searcher(needle, options);
    const SearchText whole = SearchText::of(text);
    progress.setTotal(std::max<std::int64_t>(whole.size(), 1));
    MatchScan scan(searcher, whole, std::clamp<std::int64_t>(from, 0, whole.size()),
                   static_cast<std::int64_t>(needle.size()));
    return scan.next(&progress);
}

}  // namespace quillory
