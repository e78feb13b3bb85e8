#pragma once
// Every match of a needle, forward through a text, found a window of a few megabytes at a time, so
// that long work (Replace All, Find over a large document) reports its progress and can stop
// between two windows. The matches are exactly those one search over the whole text finds.

#include <cstdint>
#include <optional>

#include "base/LongWork.h"
#include "editcore/TextFinder.h"

namespace quillory {

class MatchScan {
public:
    // Scans text for searcher's matches (its needle needleBytes long) starting at or after from.
    MatchScan(const TextSearcher& searcher, const SearchText& text, std::int64_t from, std::int64_t needleBytes);

    // The next match, each starting where the last one ended; nothing when there is none left or
    // when progress, told the scan's position plus progressBase after each window, says stop.
    std::optional<FoundRange> next(WorkProgress* progress = nullptr, std::int64_t progressBase = 0);
    // Whether the scan stopped because the work was cancelled.
    bool stopped() const { return m_stopped; }

private:
    const TextSearcher& m_searcher;
    SearchText m_text;
    std::int64_t m_from;     // where the next match may start
    std::int64_t m_limit;    // the window: the text up to here
    std::int64_t m_overlap;  // at least the longest match plus the bytes its word rule looks at
    bool m_stopped = false;
};

// What findText finds, with progress: a forward search scans a window at a time and stops at a
// Cancel (nothing then, and progress says so); a backward one is one search.
std::optional<FoundRange> findTextWithProgress(const TextBuffer& text, std::string_view needle, std::int64_t from,
                                               const FindOptions& options, WorkProgress& progress);

}  // namespace quillory
