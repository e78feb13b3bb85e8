#pragma once
// The start offsets of the lines of a text, line 0 starting at 0. An edit that shifts every later
// line by the same amount is recorded as a pending step (lines after m_stepLine are m_stepLength
// further than stored) and applied lazily, so typing does not renumber millions of entries.

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "base/ByteHeap.h"

namespace quillory {

class LineStarts {
public:
    using Starts = std::vector<std::int64_t, LargeAllocator<std::int64_t>>;

    LineStarts() : m_starts{0} {}

    // Replaces all starts; starts[0] must be 0 and the list ascending.
    void assign(Starts starts)
    {
        m_starts = std::move(starts);
        m_stepLine = 0;
        m_stepLength = 0;
    }

    std::int64_t count() const { return static_cast<std::int64_t>(m_starts.size()); }

    std::int64_t start(std::int64_t line) const
    {
        std::int64_t pos = m_starts[static_cast<std::size_t>(line)];
        return line > m_stepLine ? pos + m_stepLength : pos;
    }

    // The line holding pos: the last line whose start is <= pos.
    std::int64_t lineOf(std::int64_t pos) const
    {
        std::int64_t lo = 0;
        std::int64_t hi = count() - 1;
        while (lo < hi) {
            const std::int64_t mid = (lo + hi + 1) / 2;
            if (start(mid) <= pos)
                lo = mid;
            else
                hi = mid - 1;
        }
        return lo;
    }

    // Moves the starts of all lines after `line` by delta.
    void shiftAfter(std::int64_t line, std::int64_t delta)
    {
        if (delta == 0)
            return;
        if (m_stepLength == 0) {
            m_stepLine = line;
        } else if (line >= m_stepLine) {
            applyStepTo(line);
        } else if (m_stepLine - line < count() / 16 + 64) {
            backStepTo(line);
        } else {
            applyStepTo(count() - 1);
            m_stepLine = line;
            m_stepLength = 0;
        }
        m_stepLength += delta;
    }

    // Makes room for `extra` more starts, growing as insertion would, so that inserting that many
    // cannot fail for lack of memory.
    void reserveMore(std::size_t extra)
    {
        const std::size_t needed = m_starts.size() + extra;
        if (needed > m_starts.capacity())
            m_starts.reserve(std::max(needed, m_starts.capacity() * 2));
    }

    // Inserts lines with the given true starts as lines index, index+1, ...
    void insert(std::int64_t index, const std::vector<std::int64_t>& starts)
    {
        if (starts.empty())
            return;
        if (index > m_stepLine)
            applyStepTo(index - 1);
        m_starts.insert(m_starts.begin() + index, starts.begin(), starts.end());
        m_stepLine += static_cast<std::int64_t>(starts.size());
    }

    // Removes lines [index, index + n); line 0 is never removed.
    void erase(std::int64_t index, std::int64_t n)
    {
        if (n <= 0)
            return;
        if (m_stepLine >= index) {
            if (m_stepLine < index + n - 1)
                applyStepTo(index + n - 1);
            m_stepLine -= n;
        }
        m_starts.erase(m_starts.begin() + index, m_starts.begin() + index + n);
    }

    std::size_t memoryBytes() const { return m_starts.capacity() * sizeof(std::int64_t); }

    // The first broken invariant, or an empty string when all hold (for tests): line 0 starts at
    // 0, the pending step lies inside the list, and the true starts ascend strictly.
    std::string checkInvariants() const
    {
        if (m_starts.empty() || m_starts[0] != 0)
            return "line 0 does not start at 0";
        if (m_stepLine < 0 || m_stepLine >= count())
            return "step line " + std::to_string(m_stepLine) + " outside " + std::to_string(count()) + " lines";
        for (std::int64_t line = 1; line < count(); ++line)
            if (start(line) <= start(line - 1))
                return "line " + std::to_string(line) + " starts at " + std::to_string(start(line)) +
                       ", not after line " + std::to_string(line - 1) + " at " + std::to_string(start(line - 1));
        return {};
    }

private:
    void applyStepTo(std::int64_t line)
    {
        line = std::min(line, count() - 1);
        if (m_stepLength != 0)
            for (std::int64_t i = m_stepLine + 1; i <= line; ++i)
                m_starts[static_cast<std::size_t>(i)] += m_stepLength;
        m_stepLine = line;
        if (m_stepLine >= count() - 1)
            m_stepLength = 0;
    }
    void backStepTo(std::int64_t line)
    {
        for (std::int64_t i = line + 1; i <= m_stepLine; ++i)
            m_starts[static_cast<std::size_t>(i)] -= m_stepLength;
        m_stepLine = line;
    }

    Starts m_starts;                // stored starts; entries after m_stepLine lack m_stepLength
    std::int64_t m_stepLine = 0;    // last line whose stored start is true
    std::int64_t m_stepLength = 0;  // pending shift of the lines after m_stepLine
};

}  // namespace quillory
