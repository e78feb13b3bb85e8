#include <gtest/gtest.h>

#include <random>
#include <string>

#include "support/FailingHeap.h"
#include "support/ScriptedMessageBoxes.h"
#include "tools/FakeStripControl.h"
#include "tools/HtmlStripper.h"
#include "tools/ReferenceStripHtml.h"
#include "tools/StripHtmlCommand.h"

namespace quillory {
namespace {

std::string throughControl(const std::string& text)
{
    test::FakeStripControl control(text);
    stripHtmlThroughControl(control);
    return control.text;
}

std::string throughBuffer(const std::string& text)
{
    std::string copy = text;
    auto* bytes = reinterpret_cast<std::uint8_t*>(copy.data());
    copy.resize(stripHtmlTagsInPlace({bytes, copy.size()}));
    return copy;
}

std::string randomText(std::mt19937& random, std::size_t length, const std::vector<std::string>& pieces)
{
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    std::string text;
    while (text.size() < length)
        text += pieces[pick(random)];
    return text;
}

// Well-formed markup: text without "<" or ">", closed tags with attributes, comments, and script
// blocks whose code may hold tags and ">" but never "<script" inside another tag.
std::string generatedMarkup(std::mt19937& random, std::size_t length)
{
    static const std::vector<std::string> pieces = {
        "Hello ",
        "world",
        "\r\n",
        " & ",
        "caf\xE9 ",
        "> ",
        "<p>",
        "</p>",
        "<b>",
        "</B>",
        "<br/>",
        "<a href=\"x.htm\" title='t'>",
        "</a>",
        "<!-- note -->",
        "<IMG SRC=x.gif>",
        "<script>var a = b > c;</script>",
        "<SCRIPT language=js>if (x) { y(\"<b>\"); }</Script >",
        "<script src=a.js></script>",
        "<Script>no close in this one>",
        "<div\nclass=x>",
        "</div>",
    };
    return randomText(random, length, pieces);
}

// Drives the whole command with a text long enough for the buffer path.
std::string paddedForBufferPath(const std::string& text)
{
    return text + std::string(static_cast<std::size_t>(kStripHtmlControlPathLimit) + 1, 'x');
}

struct EdgeCase {
    const char* input;
    const char* output;
};

TEST(StripHtml, EdgeCasesGiveTheSameTextOnBothPaths)
{
    const EdgeCase cases[] = {
        {"<b>bold</b> text", "bold text"},
        {"before<SCRIPT language=x>code</Script >after", "beforeafter"},
        {"<script>no end in sight", "no end in sight"},
        {"a > b", "a > b"},
        {"a < b", "a < b"},
        {"x <a <b> c> y", "x  c> y"},
        {"", ""},
        {"no markup\r\nat all", "no markup\r\nat all"},
        {"<p>one</p>\r\n<p>two</p>", "one\r\ntwo"},
        {"a<script>b</script", "ab</script"},  // no ">" after "</script": only the opening tag goes
        {"<scrip>t</scrip>", "t"},
        {"<<<>>>", ">>"},
    };
    for (const EdgeCase& c : cases) {
        EXPECT_EQ(throughBuffer(c.input), c.output) << c.input;
        EXPECT_EQ(throughControl(c.input), c.output) << c.input;
    }
}

TEST(StripHtml, PathsDifferWhereAScriptOpensInsideAnotherTagOrStandsUnended)
{
    // The control path takes every script block before any other tag.
    const std::string quoted = "<a title=\"<script>\">x</script>y";
    EXPECT_EQ(throughControl(quoted), "<a title=\"y");
    EXPECT_EQ(throughBuffer(quoted), "\">xy");
    // A "<script" with no ">" at all ends the script phase, and its "<" then keeps the rest.
    EXPECT_EQ(throughControl("<SCRIPT"), "<SCRIPT");
    EXPECT_EQ(throughBuffer("<SCRIPT"), "SCRIPT");
}

TEST(StripHtml, BufferPassMatchesAPlainReferenceOnRandomInput)
{
    const std::vector<std::string> pieces = {"<",      ">", "/", "<script", "<SCRIPT", "</script", "</ScRiPt", "script",
                                             "<scrip", "x", " ", "\n",      "<b",      "</",       "\xE9"};
    std::mt19937 random(43);
    for (int round = 0; round < 3000; ++round) {
        const std::string text = randomText(random, random() % 120, pieces);
        const std::string expected = test::referenceBufferPath(text);
        ASSERT_EQ(throughBuffer(text), expected) << text;

        std::string result(text.size(), '\0');
        const std::size_t length = stripHtmlTags(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(),
                                                 reinterpret_cast<std::uint8_t*>(result.data()));
        ASSERT_EQ(result.substr(0, length), expected) << text;
    }
}

TEST(StripHtml, PathsAgreeOnRandomInputWithoutScripts)
{
    const std::vector<std::string> pieces = {"<", ">", "/", "a", "B", " ", "\r\n", "<p", "</"};
    std::mt19937 random(44);
    for (int round = 0; round < 2000; ++round) {
        const std::string text = randomText(random, random() % 100, pieces);
        ASSERT_EQ(throughControl(text), throughBuffer(text)) << text;
    }
}

TEST(StripHtml, PathsAgreeOnGeneratedMarkup)
{
    std::mt19937 random(45);
    for (int round = 0; round < 200; ++round) {
        const std::string text = generatedMarkup(random, random() % 3000);
        const std::string viaControl = throughControl(text);
        ASSERT_EQ(viaControl, throughBuffer(text)) << text;
        ASSERT_EQ(viaControl.find("<script"), std::string::npos);
    }
}

TEST(StripHtmlCommand, SevenThousandCharactersGoThroughTheControlOneMoreThroughTheBuffer)
{
    test::ScriptedMessageBoxes boxes;
    test::FakeStripControl atLimit("<b>" + std::string(6993, 'x') + "</b>");
    ASSERT_EQ(atLimit.textLength(), 7000);
    onStripHtmlTags(atLimit, boxes, true);
    EXPECT_EQ(atLimit.deletions, 2);
    EXPECT_EQ(atLimit.wholeTextReplacements, 0);
    EXPECT_EQ(atLimit.text, std::string(6993, 'x'));

    test::FakeStripControl aboveLimit("<b>" + std::string(6994, 'x') + "</b>");
    onStripHtmlTags(aboveLimit, boxes, true);
    EXPECT_EQ(aboveLimit.deletions, 0);
    EXPECT_EQ(aboveLimit.wholeTextReplacements, 1);
    EXPECT_EQ(aboveLimit.text, std::string(6994, 'x'));
    EXPECT_TRUE(boxes.shown().empty());
}

TEST(StripHtmlCommand, TenMegabytesGoThroughTheBufferInOneReplacement)
{
    std::mt19937 random(46);
    const std::string markup = generatedMarkup(random, std::size_t{10} * 1024 * 1024);
    test::ScriptedMessageBoxes boxes;
    test::FakeStripControl control(markup);
    onStripHtmlTags(control, boxes, true);
    EXPECT_EQ(control.finds, 0);
    EXPECT_EQ(control.deletions, 0);
    EXPECT_EQ(control.wholeTextReplacements, 1);
    EXPECT_EQ(control.text, test::referenceBufferPath(markup));
}

TEST(StripHtmlCommand, NothingToUndoAndCaretAtStartAfterwardsOnBothPaths)
{
    for (const std::string& text : {std::string("<i>a</i> b"), paddedForBufferPath("<i>a</i> b")}) {
        test::ScriptedMessageBoxes boxes;
        test::FakeStripControl control(text);
        control.selection = {3, 6};
        onStripHtmlTags(control, boxes, true);
        EXPECT_EQ(control.text.substr(0, 3), "a b");
        EXPECT_EQ(control.undoSteps, 0);
        EXPECT_EQ(control.selection, (TextMatch{0, 0}));
        EXPECT_FALSE(control.selectionHidden);
        EXPECT_EQ(control.hideSelectionCalls, 2);
        EXPECT_EQ(control.waitCursorShown, 1);
        EXPECT_EQ(control.waitCursorDepth, 0);
    }
}

TEST(StripHtmlCommand, StrippedDocumentIsModifiedOnBothPaths)
{
    for (const std::string& text : {std::string("<i>a</i>"), paddedForBufferPath("<i>a</i>")}) {
        test::ScriptedMessageBoxes boxes;
        test::FakeStripControl control(text);
        onStripHtmlTags(control, boxes, true);
        EXPECT_TRUE(control.modified) << text.size();
    }
}

TEST(StripHtmlCommand, LargeTextWithoutMarkupIsLeftAloneAndUnmodified)
{
    test::ScriptedMessageBoxes boxes;
    test::FakeStripControl control(paddedForBufferPath("a > b, c < d"));
    onStripHtmlTags(control, boxes, true);
    EXPECT_EQ(control.wholeTextReplacements, 0);
    EXPECT_FALSE(control.modified);
    EXPECT_EQ(control.selection, (TextMatch{0, 0}));
    EXPECT_EQ(control.undoBufferEmptied, 1);
}

TEST(StripHtmlCommand, EmptyDocumentOnlyEmptiesTheUndoBufferAndMovesTheCaret)
{
    test::ScriptedMessageBoxes boxes;
    test::FakeStripControl control;
    control.undoSteps = 1;
    onStripHtmlTags(control, boxes, true);
    EXPECT_EQ(control.text, "");
    EXPECT_EQ(control.deletions + control.wholeTextReplacements, 0);
    EXPECT_EQ(control.undoBufferEmptied, 1);
    EXPECT_EQ(control.selection, (TextMatch{0, 0}));
}

TEST(StripHtmlCommand, BinaryModeTouchesNothing)
{
    test::ScriptedMessageBoxes boxes;
    test::FakeStripControl control("<b>x</b>");
    control.selection = {1, 2};
    onStripHtmlTags(control, boxes, false);
    EXPECT_EQ(control.text, "<b>x</b>");
    EXPECT_EQ(control.selection, (TextMatch{1, 2}));
    EXPECT_EQ(control.undoBufferEmptied + control.hideSelectionCalls + control.waitCursorShown, 0);
}

TEST(StripHtmlCommand, NoMemoryLeavesTextUndoAndCaretAsTheyWere)
{
    const std::string text = paddedForBufferPath("<b>keep</b>");
    test::ScriptedMessageBoxes boxes;
    test::FailingHeap heap;
    heap.failAfter(0);
    test::FakeStripControl control(text);
    control.selection = {4, 8};
    control.undoSteps = 1;
    onStripHtmlTags(control, boxes, true, heap);
    EXPECT_EQ(control.text, text);
    EXPECT_EQ(control.undoSteps, 1);
    EXPECT_EQ(control.undoBufferEmptied, 0);
    EXPECT_EQ(control.selection, (TextMatch{4, 8}));
    EXPECT_FALSE(control.selectionHidden);
    EXPECT_EQ(control.waitCursorDepth, 0);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.last(), (MessageBoxRequest{"Error:", "Not enough memory to complete task.", MessageIcon::None,
                                               MessageButtons::Ok}));
}

TEST(StripHtmlBufferPass, ManyUnclosedScriptTagsStayLinear)
{
    // Each "<script" looks ahead for "</script"; the answer is shared, so 200,000 of them are quick.
    std::string text;
    for (int i = 0; i < 200000; ++i)
        text += "<script>a";
    text += "</script";  // found, but no ">" after it
    EXPECT_EQ(throughBuffer(text), std::string(200000, 'a') + "</script");
}

}  // namespace
}  // namespace quillory
