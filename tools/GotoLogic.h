#pragma once
// What the goto dialog (GotoDialog) decides, without widgets: the checks of its two edits with their
// different recoveries, the check-box pair that keeps exactly one box checked, and the jump.
//
// The dialog keeps one GotoFields and, on each notification, calls the matching function, then does
// what the returned GotoEditReaction says (beep, write the fields back to the controls, show the
// box, put the caret at the end of the named edit). The view's OnGotoGo calls computeGotoJump with
// the control's text length and either selects the range (then moves the dialog off it) or shows
// the box.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/MessageBox.h"

namespace quillory {

inline constexpr int kGotoOffsetMaxChars = 10;  // limit of the Offset edit (1009)
inline constexpr int kGotoPercentMaxChars = 3;  // limit of the File % edit (1010)

// The dialog's data, kept by the view's one dialog object across openings.
struct GotoFields {
    std::string offsetText;   // text of the Offset edit: decimal digits or empty
    std::string percentText;  // text of the File % edit: a whole number 0..100 or empty
    bool byOffset = true;     // check box 1011: jump by offset
    bool byPercent = false;   // check box 1012: jump by percentage

    bool operator==(const GotoFields&) const = default;
};

enum class GotoEdit { Offset, Percent };

// What the dialog does after an edit changed. Nothing at all when accepted.
struct GotoEditReaction {
    bool accepted = true;
    bool beep = false;                         // MessageBeep(0xFFFFFFFF)
    bool writeFieldsBack = false;              // write all fields to the controls
    std::optional<MessageBoxRequest> message;  // shown after the fields are written back
    std::optional<GotoEdit> caretToEndOf;      // edit whose caret goes after its (restored) text
};

// Offset edit changed to newText: a text of decimal digits (or empty) is taken; anything else
// keeps the previous offset text, which the dialog writes back.
GotoEditReaction onOffsetChanged(GotoFields& fields, std::string_view newText);

// File % edit changed to newText: digits with a value up to 100 (or empty) are taken; anything
// else empties the field.
GotoEditReaction onPercentChanged(GotoFields& fields, std::string_view newText);

// Check box 1011 clicked; checkedNow is its state after the click. The other box takes the
// opposite state. The dialog writes the fields back.
void onByOffsetClicked(GotoFields& fields, bool checkedNow);
// Check box 1012 clicked; the same with the roles swapped.
void onByPercentClicked(GotoFields& fields, bool checkedNow);

// The dialog's window was created: jumps go by offset again; the texts stay.
void onGotoOpened(GotoFields& fields);

// Where Go leads: the one character to select [start, start + 1), or the box to show.
struct GotoJump {
    std::optional<std::int64_t> start;         // selection start; the end is start + 1
    std::optional<MessageBoxRequest> message;  // set exactly when start is not
};

// The jump of OnGotoGo for a text of textLength characters.
GotoJump computeGotoJump(const GotoFields& fields, std::int64_t textLength);

// The decimal value of the leading digits of a text, 0 when there are none; values too large for
// 64 bits saturate (they are beyond any text anyway).
std::int64_t decimalValue(std::string_view digits);

MessageBoxRequest gotoOffsetMessage();
MessageBoxRequest gotoPercentMessage();
MessageBoxRequest gotoOutOfBoundMessage();

}  // namespace quillory
