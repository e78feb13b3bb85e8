// Both ways of Strip HTML tags against their plain references: the control path (driven through an
// edit control that is a plain string), the one-pass buffer path in place and into a second
// buffer, and the whole command on either side of the 7000-character threshold. Without a
// "<script" the two paths give the same text.
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "tools/FakeStripControl.h"
#include "tools/HtmlStripper.h"
#include "tools/ReferenceStripHtml.h"
#include "tools/StripHtmlCommand.h"

namespace quillory::fuzz {
namespace {

class NoBoxes final : public IMessageBoxes {
public:
    MessageResult show(const MessageBoxRequest&) override { return MessageResult::Ok; }
};

std::string throughBuffer(const std::string& text)
{
    std::vector<std::uint8_t> result(text.size() + 1);  // as the command allocates: never empty
    const std::size_t length = stripHtmlTags(bytesOf(text), text.size(), result.data());
    FUZZ_CHECK(length <= text.size());
    return std::string(result.begin(), result.begin() + static_cast<std::ptrdiff_t>(length));
}

}  // namespace

QUILLORY_FUZZ_TARGET(input)
{
    // First byte: how often the rest is repeated, to reach the buffer path of the command.
    const int repeats = input.byte() % 8;
    const std::string unit(input.rest());
    std::string text = unit;
    for (int i = 0; i < repeats && text.size() <= kStripHtmlControlPathLimit; ++i)
        text += unit;

    const std::string byBuffer = test::referenceBufferPath(text);
    FUZZ_CHECK(throughBuffer(text) == byBuffer);

    test::FakeStripControl buffered(text);
    FUZZ_CHECK(stripHtmlThroughBuffer(buffered, cHeap()) == StripOutcome::Stripped);
    FUZZ_CHECK(buffered.text == byBuffer);
    FUZZ_CHECK(buffered.modified == (byBuffer != text));

    const std::string byControl = test::referenceControlPath(text);
    if (text.size() <= 8000) {  // the control path costs a search per tag
        test::FakeStripControl controlled(text);
        stripHtmlThroughControl(controlled);
        FUZZ_CHECK(controlled.text == byControl);
    }
    if (test::lowerCaseAscii(text).find("<script") == std::string::npos)
        FUZZ_CHECK(byControl == byBuffer);

    // The whole command: the path by length, then nothing to undo and the caret at the start.
    NoBoxes boxes;
    test::FakeStripControl command(text);
    onStripHtmlTags(command, boxes, true);
    const bool controlPath = static_cast<std::int64_t>(text.size()) <= kStripHtmlControlPathLimit;
    FUZZ_CHECK(command.text == (controlPath ? byControl : byBuffer));
    FUZZ_CHECK(command.undoSteps == 0 && command.waitCursorDepth == 0 && !command.selectionHidden);
    FUZZ_CHECK(command.selection == TextMatch{});
}

}  // namespace quillory::fuzz
