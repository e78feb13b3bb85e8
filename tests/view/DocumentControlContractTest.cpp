// What the document may rely on of its control, run alike over the real control (the edit control
// through the view's adapter) and over the stand-in the core tests use, so that the stand-in cannot
// drift from the real thing.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "editcontrol/EditControl.h"
#include "support/ControlStandIn.h"
#include "support/ScriptedMessageBoxes.h"
#include "view/ControlDocumentAdapter.h"

namespace quillory::test {
namespace {

// The edit control as the document drives it.
struct RealControl {
    EditControl control;
    ControlDocumentAdapter adapter{control};
    IDocumentControl& get() { return adapter; }
};

// The stand-in of the core tests, on a document of its own.
struct StandInControl {
    ScriptedMessageBoxes boxes;
    QuilloryDoc doc{boxes};
    ControlStandIn standIn{doc};
    IDocumentControl& get() { return standIn; }
};

template <typename Control>
class DocumentControlContract : public ::testing::Test {
protected:
    Control holder;
    IDocumentControl& control = holder.get();

    std::string text()
    {
        std::string bytes(static_cast<std::size_t>(control.textLength()), '\0');
        control.copyText(reinterpret_cast<std::uint8_t*>(bytes.data()));
        return bytes;
    }
};

using Controls = ::testing::Types<RealControl, StandInControl>;
TYPED_TEST_SUITE(DocumentControlContract, Controls);

TYPED_TEST(DocumentControlContract, NewTextIsHeldWholeUnselectedAndUnmodified)
{
    IDocumentControl& control = this->control;
    const std::string bytes = "line one\r\nzwei \x01\x01 tr\xC3\xA9s\r\n\xFF";
    control.select({1, 2});
    control.setModified(true);
    control.setText(bytes);
    EXPECT_EQ(control.textLength(), static_cast<std::int64_t>(bytes.size()));
    EXPECT_EQ(this->text(), bytes);
    EXPECT_EQ(control.selection(), (CharRange{0, 0}));
    EXPECT_FALSE(control.isModified());
    control.setText({});
    EXPECT_EQ(control.textLength(), 0);
}

TYPED_TEST(DocumentControlContract, SelectionsStayInsideTheTextInOrder)
{
    IDocumentControl& control = this->control;
    control.setText("0123456789");
    control.select({2, 5});
    EXPECT_EQ(control.selection(), (CharRange{2, 5}));
    control.select({7, 7});
    EXPECT_EQ(control.selection(), (CharRange{7, 7}));
    control.select({6, 3});  // made from the right
    EXPECT_EQ(control.selection(), (CharRange{3, 6}));
    control.select({4, 1000});
    EXPECT_EQ(control.selection(), (CharRange{4, 10}));
    control.select({50, 60});
    EXPECT_EQ(control.selection(), (CharRange{10, 10}));
}

TYPED_TEST(DocumentControlContract, ModifiedFlagIsWhatWasLastSet)
{
    IDocumentControl& control = this->control;
    control.setText("abc");
    control.setModified(true);
    EXPECT_TRUE(control.isModified());
    control.emptyUndoBuffer();
    EXPECT_TRUE(control.isModified());  // forgetting the undo step is no save
    control.setModified(false);
    EXPECT_FALSE(control.isModified());
}

}  // namespace
}  // namespace quillory::test
