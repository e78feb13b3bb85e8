#pragma once
// An edit control for Strip HTML tags backed by a std::string: finds ignore the case of ASCII
// letters, as the control's search does for the ASCII patterns the command uses.

#include <algorithm>
#include <cstring>
#include <string>

#include "tools/StripHtmlCommand.h"

namespace quillory::test {

class FakeStripControl final : public IStripHtmlControl {
public:
    explicit FakeStripControl(std::string initial = {}) : text(std::move(initial)) {}

    std::int64_t textLength() const override { return static_cast<std::int64_t>(text.size()); }

    std::optional<TextMatch> findNoCase(std::string_view pattern, std::int64_t from) const override
    {
        ++finds;
        const auto folded = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
        const auto hit = std::search(text.begin() + from, text.end(), pattern.begin(), pattern.end(),
                                     [&](char a, char b) { return folded(a) == folded(b); });
        if (hit == text.end() && !pattern.empty())
            return std::nullopt;
        const std::int64_t start = hit - text.begin();
        return TextMatch{start, start + static_cast<std::int64_t>(pattern.size())};
    }
    void setSelection(std::int64_t start, std::int64_t end) override { selection = {start, end}; }
    void clearSelection() override
    {
        text.erase(static_cast<std::size_t>(selection.start),
                   static_cast<std::size_t>(selection.end - selection.start));
        selection.end = selection.start;
        modified = true;
        ++deletions;
        ++undoSteps;
    }
    void copyText(std::uint8_t* out) const override { std::memcpy(out, text.data(), text.size()); }
    void setText(std::span<const std::uint8_t> bytes) override
    {
        text.assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        selection = {0, 0};
        modified = false;  // as the control's set-text does when a file is loaded
        ++wholeTextReplacements;
        ++undoSteps;
    }
    void setModified() override { modified = true; }
    void hideSelection(bool hidden) override
    {
        selectionHidden = hidden;
        ++hideSelectionCalls;
    }
    void emptyUndoBuffer() override
    {
        undoSteps = 0;
        ++undoBufferEmptied;
    }
    void beginWaitCursor() override
    {
        ++waitCursorDepth;
        ++waitCursorShown;
    }
    void endWaitCursor() override { --waitCursorDepth; }

    std::string text;
    TextMatch selection;
    int undoSteps = 0;  // edits an Undo could still take back
    bool modified = false;
    bool selectionHidden = false;
    int hideSelectionCalls = 0;
    int deletions = 0;
    int wholeTextReplacements = 0;
    int undoBufferEmptied = 0;
    int waitCursorDepth = 0;
    int waitCursorShown = 0;
    mutable int finds = 0;
};

}  // namespace quillory::test
