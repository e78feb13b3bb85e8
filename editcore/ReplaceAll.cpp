// Replace All: the plan finds every match and builds the span's new bytes without touching the
// text, so long work can run it beside the window and drop it on Cancel; applying it is one
// replacement, one undo step and one change.
#include <algorithm>
#include <cstring>

#include "editcore/EditModel.h"
#include "editcore/MatchScan.h"

namespace quillory {

namespace {

// The first pass: how many matches, and the span from the first one's start to the last one's end.
// Matches may differ in length (case folding in UTF-8); the ones that would pass the limit go.
struct MatchSpan {
    std::int64_t count = 0;
    std::int64_t start = 0;
    std::int64_t end = 0;
    std::int64_t growth = 0;  // bytes the replacements add, all told
};

std::optional<MatchSpan> findMatchSpan(MatchScan& scan, std::int64_t replacementLength, std::int64_t room,
                                       WorkProgress* progress)
{
    MatchSpan span;
    while (const std::optional<FoundRange> found = scan.next(progress)) {
        const std::int64_t grows = replacementLength - (found->end - found->start);
        if (span.growth + grows > room)
            break;
        span.growth += grows;
        if (span.count++ == 0)
            span.start = found->start;
        span.end = found->end;
    }
    if (scan.stopped())
        return std::nullopt;
    return span;
}

}  // namespace

std::optional<ReplacePlan> EditModel::planReplaceAll(std::string_view needle, std::string_view replacement,
                                                     const FindOptions& options, WorkProgress* progress) const
{
    FindOptions forward = options;
    forward.backward = false;
    const TextSearcher searcher(needle, forward);
    const SearchText whole = SearchText::of(m_text);
    const auto needleBytes = static_cast<std::int64_t>(needle.size());
    const auto replacementLength = static_cast<std::int64_t>(replacement.size());
    if (progress != nullptr)
        progress->setTotal(2 * std::max<std::int64_t>(whole.size(), 1));

    MatchScan counting(searcher, whole, 0, needleBytes);
    const std::optional<MatchSpan> span =
        findMatchSpan(counting, replacementLength, std::max<std::int64_t>(m_limit - m_text.size(), 0), progress);
    if (!span)
        return std::nullopt;
    ReplacePlan plan;
    if (span->count == 0)
        return plan;
    plan.count = span->count;
    plan.spanStart = span->start;
    plan.removed = span->end - span->start;
    plan.insertedLength = plan.removed + span->growth;
    plan.inserted = HeapBlock::allocateOrThrow(cHeap(), static_cast<std::size_t>(plan.insertedLength));

    // The second pass writes the new span: the bytes between the matches, and the replacement.
    std::uint8_t* out = plan.inserted.data();
    MatchScan writing(searcher, whole, plan.spanStart, needleBytes);
    std::int64_t copied = plan.spanStart;  // text done
    for (std::int64_t i = 0; i < plan.count; ++i) {
        const std::optional<FoundRange> match = writing.next(progress, whole.size());
        if (!match)
            return std::nullopt;  // cancelled
        const std::int64_t kept = match->start - copied;
        m_text.copy(copied, kept, reinterpret_cast<char*>(out));
        if (!replacement.empty())
            std::memcpy(out + kept, replacement.data(), replacement.size());
        out += kept + replacementLength;
        copied = match->end;
    }
    // Room for the way back: Undo puts the span back without a copy.
    plan.old.reserve(static_cast<std::size_t>(std::max(plan.removed, plan.insertedLength)));
    plan.old.resize(static_cast<std::size_t>(plan.removed));
    m_text.copy(plan.spanStart, plan.removed, plan.old.data());
    if (progress != nullptr && !progress->advance(2 * whole.size()))
        return std::nullopt;
    return plan;
}

std::int64_t EditModel::applyReplaceAll(ReplacePlan&& plan)
{
    if (plan.count == 0)
        return 0;
    m_text.reserve(plan.insertedLength - plan.removed);
    const std::int64_t linesBefore = m_text.lineCount();
    m_text.replaceFilled(plan.spanStart, plan.removed, static_cast<std::size_t>(plan.insertedLength),
                         [&plan](std::uint8_t* out) {
                             if (plan.insertedLength > 0)
                                 std::memcpy(out, plan.inserted.data(), static_cast<std::size_t>(plan.insertedLength));
                         });
    plan.inserted.reset();
    setUndo(UndoStep{plan.spanStart, std::move(plan.old), plan.insertedLength, EditKind::Other, false});
    textReplaced(plan.spanStart, plan.removed, plan.insertedLength, linesBefore);
    moveCaret(plan.spanStart + plan.insertedLength);
    return plan.count;
}

std::int64_t EditModel::replaceAll(std::string_view needle, std::string_view replacement, const FindOptions& options)
{
    std::optional<ReplacePlan> plan = planReplaceAll(needle, replacement, options, nullptr);
    return plan ? applyReplaceAll(std::move(*plan)) : 0;
}

}  // namespace quillory
