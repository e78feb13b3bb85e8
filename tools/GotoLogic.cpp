#include "tools/GotoLogic.h"

#include <algorithm>
#include <limits>

namespace quillory {

namespace {

bool isAllDecimalDigits(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

GotoEditReaction refused(GotoEdit edit, MessageBoxRequest message)
{
    GotoEditReaction reaction;
    reaction.accepted = false;
    reaction.beep = true;
    reaction.writeFieldsBack = true;
    reaction.message = std::move(message);
    reaction.caretToEndOf = edit;
    return reaction;
}

}  // namespace

std::int64_t decimalValue(std::string_view digits)
{
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    std::int64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            break;  // like atoi: the value of the leading digits
        const int digit = c - '0';
        if (value > (kMax - digit) / 10)
            return kMax;
        value = value * 10 + digit;
    }
    return value;
}

MessageBoxRequest gotoOffsetMessage()
{
    return {"Info...",
            "Offset must be expressed in decimal (not hex)!\n0 offset is the first byte of the content.\n"
            "Other punctuations are not allowed.",
            MessageIcon::Information, MessageButtons::Ok};
}

MessageBoxRequest gotoPercentMessage()
{
    return {"Info...",
            "Percent must be expressed in whole number  (0 >= % <= 100).\nOther punctuations are not allowed.",
            MessageIcon::Information, MessageButtons::Ok};
}

MessageBoxRequest gotoOutOfBoundMessage()
{
    return {"Error:", "Out of bound!", MessageIcon::Stop, MessageButtons::Ok};
}

GotoEditReaction onOffsetChanged(GotoFields& fields, std::string_view newText)
{
    if (!isAllDecimalDigits(newText))
        return refused(GotoEdit::Offset, gotoOffsetMessage());  // the last accepted text stays
    fields.offsetText = newText;
    return {};
}

GotoEditReaction onPercentChanged(GotoFields& fields, std::string_view newText)
{
    if (!isAllDecimalDigits(newText) || decimalValue(newText) > 100) {
        fields.percentText.clear();
        return refused(GotoEdit::Percent, gotoPercentMessage());
    }
    fields.percentText = newText;
    return {};
}

void onByOffsetClicked(GotoFields& fields, bool checkedNow)
{
    fields.byOffset = checkedNow;
    fields.byPercent = !checkedNow;
}

void onByPercentClicked(GotoFields& fields, bool checkedNow)
{
    fields.byPercent = checkedNow;
    fields.byOffset = !checkedNow;
}

void onGotoOpened(GotoFields& fields)
{
    fields.byOffset = true;
    fields.byPercent = false;
}

GotoJump computeGotoJump(const GotoFields& fields, std::int64_t textLength)
{
    std::int64_t pos = 0;
    if (fields.byOffset) {
        pos = decimalValue(fields.offsetText);
    } else {
        // 64-bit: len x 100 would overflow 32 bits from about 21 million characters on.
        const std::int64_t percent = std::min<std::int64_t>(decimalValue(fields.percentText), 100);
        pos = textLength * percent / 100;
        if (pos < 0)
            pos = 0;
        if (pos >= textLength)
            pos = textLength - 1;
    }
    if (pos < 0 || pos >= textLength)
        return {std::nullopt, gotoOutOfBoundMessage()};
    return {pos, std::nullopt};
}

}  // namespace quillory
