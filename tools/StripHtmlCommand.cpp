#include "tools/StripHtmlCommand.h"

#include "base/HeapBlock.h"
#include "tools/HtmlStripper.h"

namespace quillory {

namespace {

// Deletes [start, end) of the control's text.
void deleteRange(IStripHtmlControl& control, std::int64_t start, std::int64_t end)
{
    control.setSelection(start, end);
    control.clearSelection();
}

// Script blocks: each "<script" through the ">" after the next "</script", or only its opening
// tag when no "</script" follows. Stops at the first one that has no ">" to end it.
void deleteScriptBlocks(IStripHtmlControl& control)
{
    for (auto script = control.findNoCase("<script", 0); script;
         script = control.findNoCase("<script", script->start)) {
        const std::int64_t blockStart = script->start;
        std::optional<TextMatch> blockEnd;
        if (const auto close = control.findNoCase("</script", blockStart))
            blockEnd = control.findNoCase(">", close->end);
        else
            blockEnd = control.findNoCase(">", blockStart);
        if (!blockEnd)
            return;
        deleteRange(control, blockStart, blockEnd->end);
    }
}

// Every "<" through the first ">" after it; stops at a "<" that no ">" follows.
void deleteTags(IStripHtmlControl& control)
{
    for (auto tag = control.findNoCase("<", 0); tag; tag = control.findNoCase("<", tag->start)) {
        const auto tagEnd = control.findNoCase(">", tag->start);
        if (!tagEnd)
            return;
        deleteRange(control, tag->start, tagEnd->end);
    }
}

}  // namespace

MessageBoxRequest stripHtmlNoMemoryMessage()
{
    return {"Error:", "Not enough memory to complete task.", MessageIcon::None, MessageButtons::Ok};
}

void stripHtmlThroughControl(IStripHtmlControl& control)
{
    deleteScriptBlocks(control);
    deleteTags(control);
}

StripOutcome stripHtmlThroughBuffer(IStripHtmlControl& control, IByteHeap& heap, ILongWork& longWork)
{
    const auto length = static_cast<std::size_t>(control.textLength());
    // One block: the pass strips in place, so the result needs no second copy of the text.
    HeapBlock text(heap, length + 1);
    if (!text.ok())
        return StripOutcome::NoMemory;
    std::optional<std::size_t> stripped;
    const bool completed =
        runLongWork(longWork, static_cast<std::int64_t>(length), "Stripping HTML tags", [&](WorkProgress& progress) {
            control.copyText(text.data());
            stripped = stripHtmlTags(text.data(), length, text.data(), progress);
        });
    if (!completed || !stripped)
        return StripOutcome::Cancelled;
    if (*stripped == length)
        return StripOutcome::Stripped;  // nothing removed: the text is the same, and so is the modified flag
    text.data()[*stripped] = 0;
    control.setText(text.first(*stripped));
    control.setModified();
    return StripOutcome::Stripped;
}

void onStripHtmlTags(IStripHtmlControl& control, IMessageBoxes& boxes, bool textMode, IByteHeap& heap,
                     ILongWork& longWork)
{
    if (!textMode)
        return;
    control.hideSelection(true);
    control.beginWaitCursor();
    StripOutcome outcome = StripOutcome::Stripped;
    if (control.textLength() <= kStripHtmlControlPathLimit)
        stripHtmlThroughControl(control);
    else
        outcome = stripHtmlThroughBuffer(control, heap, longWork);
    control.endWaitCursor();
    control.hideSelection(false);
    if (outcome == StripOutcome::NoMemory)
        boxes.show(stripHtmlNoMemoryMessage());
    if (outcome != StripOutcome::Stripped)
        return;
    control.emptyUndoBuffer();
    control.setSelection(0, 0);
}

}  // namespace quillory
