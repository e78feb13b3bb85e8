#include <gtest/gtest.h>

#include "tools/GotoLogic.h"

namespace quillory {
namespace {

GotoFields byOffset(std::string offset)
{
    GotoFields fields;
    fields.offsetText = std::move(offset);
    return fields;
}

GotoFields byPercent(std::string percent)
{
    GotoFields fields;
    fields.percentText = std::move(percent);
    onByPercentClicked(fields, true);
    return fields;
}

// The selection start of a jump that must succeed; -1 when it gave a message instead.
std::int64_t landing(const GotoFields& fields, std::int64_t length)
{
    const GotoJump jump = computeGotoJump(fields, length);
    EXPECT_NE(jump.start.has_value(), jump.message.has_value());
    return jump.start.value_or(-1);
}

bool outOfBound(const GotoFields& fields, std::int64_t length)
{
    const GotoJump jump = computeGotoJump(fields, length);
    return !jump.start && jump.message == gotoOutOfBoundMessage();
}

TEST(GotoOffsetEdit, DigitsAndEmptyTextAreTaken)
{
    GotoFields fields;
    EXPECT_TRUE(onOffsetChanged(fields, "1").accepted);
    EXPECT_TRUE(onOffsetChanged(fields, "12").accepted);
    EXPECT_EQ(fields.offsetText, "12");
    const GotoEditReaction reaction = onOffsetChanged(fields, "");
    EXPECT_TRUE(reaction.accepted);
    EXPECT_FALSE(reaction.beep);
    EXPECT_FALSE(reaction.message);
    EXPECT_FALSE(reaction.writeFieldsBack);
    EXPECT_EQ(fields.offsetText, "");
}

TEST(GotoOffsetEdit, TypingOneAKeepsOneBeepsAndExplains)
{
    GotoFields fields;
    onOffsetChanged(fields, "1");
    const GotoEditReaction reaction = onOffsetChanged(fields, "1a");
    EXPECT_FALSE(reaction.accepted);
    EXPECT_TRUE(reaction.beep);
    EXPECT_TRUE(reaction.writeFieldsBack);
    EXPECT_EQ(reaction.caretToEndOf, GotoEdit::Offset);
    ASSERT_TRUE(reaction.message);
    EXPECT_EQ(reaction.message->caption, "Info...");
    EXPECT_EQ(reaction.message->text,
              "Offset must be expressed in decimal (not hex)!\n0 offset is the first byte of the content.\n"
              "Other punctuations are not allowed.");
    EXPECT_EQ(reaction.message->icon, MessageIcon::Information);
    EXPECT_EQ(fields.offsetText, "1");
}

TEST(GotoOffsetEdit, SignsSpacesHexAndNonAsciiDigitsAreRefused)
{
    for (const char* text : {"-1", "+1", " 1", "0x10", "1F", "1.5", "\xD9\xA3" /* Arabic-Indic 3 */}) {
        GotoFields fields = byOffset("7");
        EXPECT_FALSE(onOffsetChanged(fields, text).accepted) << text;
        EXPECT_EQ(fields.offsetText, "7") << text;
    }
}

TEST(GotoPercentEdit, HundredIsTakenAndAHundredAndOneEmptiesTheField)
{
    GotoFields fields;
    EXPECT_TRUE(onPercentChanged(fields, "100").accepted);
    EXPECT_EQ(fields.percentText, "100");
    const GotoEditReaction reaction = onPercentChanged(fields, "101");
    EXPECT_FALSE(reaction.accepted);
    EXPECT_TRUE(reaction.beep);
    EXPECT_TRUE(reaction.writeFieldsBack);
    EXPECT_EQ(reaction.caretToEndOf, GotoEdit::Percent);
    ASSERT_TRUE(reaction.message);
    EXPECT_EQ(reaction.message->caption, "Info...");
    EXPECT_EQ(reaction.message->text,
              "Percent must be expressed in whole number  (0 >= % <= 100).\nOther punctuations are not allowed.");
    EXPECT_EQ(reaction.message->icon, MessageIcon::Information);
    EXPECT_EQ(fields.percentText, "");
}

TEST(GotoPercentEdit, NonDigitsEmptyTheFieldAndEmptyIsTaken)
{
    GotoFields fields = byPercent("50");
    EXPECT_FALSE(onPercentChanged(fields, "5%").accepted);
    EXPECT_EQ(fields.percentText, "");
    EXPECT_TRUE(onPercentChanged(fields, "").accepted);
    EXPECT_TRUE(onPercentChanged(fields, "007").accepted);
    EXPECT_EQ(fields.percentText, "007");
}

TEST(GotoCheckBoxes, ExactlyOneIsCheckedAfterEveryClick)
{
    GotoFields fields;
    onByOffsetClicked(fields, false);  // clicking the checked 1011 unchecks it
    EXPECT_FALSE(fields.byOffset);
    EXPECT_TRUE(fields.byPercent);
    onByPercentClicked(fields, false);
    EXPECT_TRUE(fields.byOffset);
    EXPECT_FALSE(fields.byPercent);
    onByPercentClicked(fields, true);
    EXPECT_FALSE(fields.byOffset);
    EXPECT_TRUE(fields.byPercent);
    onByOffsetClicked(fields, true);
    EXPECT_TRUE(fields.byOffset);
    EXPECT_FALSE(fields.byPercent);
}

TEST(GotoCheckBoxes, OpeningAgainJumpsByOffsetAndKeepsTheTexts)
{
    GotoFields fields = byPercent("40");
    fields.offsetText = "12";
    onGotoOpened(fields);
    EXPECT_TRUE(fields.byOffset);
    EXPECT_FALSE(fields.byPercent);
    EXPECT_EQ(fields.offsetText, "12");
    EXPECT_EQ(fields.percentText, "40");
}

TEST(GotoJumpByOffset, FirstLastAndOneBeyond)
{
    EXPECT_EQ(landing(byOffset("0"), 10), 0);
    EXPECT_EQ(landing(byOffset(""), 10), 0);
    EXPECT_EQ(landing(byOffset("9"), 10), 9);
    EXPECT_TRUE(outOfBound(byOffset("10"), 10));
    const GotoJump jump = computeGotoJump(byOffset("10"), 10);
    ASSERT_TRUE(jump.message);
    EXPECT_EQ(jump.message->caption, "Error:");
    EXPECT_EQ(jump.message->text, "Out of bound!");
    EXPECT_EQ(jump.message->icon, MessageIcon::Stop);
}

TEST(GotoJumpByOffset, TenDigitOffsetsDoNotWrapIntoTheText)
{
    // 4294967301 is 5 modulo 2^32: a 32-bit value would land inside the text.
    EXPECT_TRUE(outOfBound(byOffset("4294967301"), 100));
    EXPECT_TRUE(outOfBound(byOffset("9999999999"), 100));
    EXPECT_TRUE(outOfBound(byOffset("99999999999999999999999"), 100));
    EXPECT_EQ(landing(byOffset("4294967301"), 5000000000LL), 4294967301LL);
}

TEST(GotoJumpByPercent, EdgeCases)
{
    EXPECT_EQ(landing(byPercent("100"), 50), 49);
    EXPECT_EQ(landing(byPercent("0"), 50), 0);
    EXPECT_EQ(landing(byPercent(""), 50), 0);
    EXPECT_EQ(landing(byPercent("50"), 7), 3);
    EXPECT_EQ(landing(byPercent("100"), 1), 0);
    EXPECT_EQ(landing(byPercent("99"), 1), 0);
}

TEST(GotoJumpByPercent, LargeTextsDoNotOverflow)
{
    // 100 MB x 99 is past 2^31: 32-bit arithmetic would go negative and land on 0.
    EXPECT_EQ(landing(byPercent("99"), 100000000), 99000000);
    EXPECT_EQ(landing(byPercent("100"), 100000000), 99999999);
    EXPECT_EQ(landing(byPercent("50"), 2147483647), 1073741823);
    EXPECT_EQ(landing(byPercent("100"), 5000000000LL), 4999999999LL);
}

TEST(GotoJump, EmptyDocumentIsOutOfBoundEitherWay)
{
    for (const char* text : {"", "0", "1"})
        EXPECT_TRUE(outOfBound(byOffset(text), 0)) << text;
    for (const char* text : {"", "0", "50", "100"})
        EXPECT_TRUE(outOfBound(byPercent(text), 0)) << text;
}

}  // namespace
}  // namespace quillory
