// The document's commands on the route, reached through the frame's keys and menu items, and
// closing the window through the document's save-modified question.
#include <gtest/gtest.h>

#include <deque>

#include <QAction>
#include <QApplication>
#include <QTest>

#include "commands/CommandIds.h"
#include "app/MainFrame.h"
#include "app/QuilloryApp.h"
#include "document/QuilloryDoc.h"
#include "base/FileDialogs.h"
#include "support/ControlStandIn.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/TempDir.h"
#include "QtPrinters.h"

namespace quillory {
namespace {

using namespace cmd;

// Chooses the scripted paths in turn; cancels when the script is empty.
class PickingFileDialogs final : public IFileDialogs {
public:
    std::optional<std::string> choose(const FileDialogRequest& request) override
    {
        requests.push_back(request);
        if (paths.empty())
            return std::nullopt;
        std::string path = paths.front();
        paths.pop_front();
        return path;
    }
    std::deque<std::string> paths;
    std::vector<FileDialogRequest> requests;
};

struct DocumentRoutingTest : ::testing::Test {
    void SetUp() override
    {
        app.setFileDialogs(&dialogs);
        ASSERT_TRUE(app.initInstance(""));
        frame = app.mainFrame();
        doc = app.document();
        QApplication::setActiveWindow(frame);
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
    }

    test::ScriptedMessageBoxes boxes;
    PickingFileDialogs dialogs;
    test::TempDir dir;
    QuilloryApp app{boxes};
    MainFrame* frame = nullptr;
    QuilloryDoc* doc = nullptr;
};

TEST_F(DocumentRoutingTest, FileCommandsAreEnabledOnceTheDocumentIsThere)
{
    frame->updateCommandUi();
    for (const int id : {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_ANSI_TO_ASCII})
        EXPECT_TRUE(frame->commandAction(id)->isEnabled()) << id;
    // Giving back the storage's slack only means something in BINARY mode.
    EXPECT_FALSE(frame->commandAction(ID_FREE_STORAGE)->isEnabled());
}

TEST_F(DocumentRoutingTest, OpenByKeyLoadsTheChosenFileAndNewResetsIt)
{
    dialogs.paths.push_back(dir.write("log file.bin", test::bytesOf({1, 2, 3})));
    frame->updateCommandUi();
    QTest::keyClick(frame, Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(frame->windowTitle(), "log file.bin - Quillory");
    EXPECT_EQ(doc->mode(), DocumentMode::Binary);
    frame->updateCommandUi();
    EXPECT_TRUE(frame->commandAction(ID_FREE_STORAGE)->isEnabled());

    QTest::keyClick(frame, Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(frame->windowTitle(), "Untitled - Quillory");
    EXPECT_EQ(doc->mode(), DocumentMode::Text);
}

TEST_F(DocumentRoutingTest, AnsiToAsciiTogglesWithItsCheckMark)
{
    QAction* option = frame->commandAction(ID_ANSI_TO_ASCII);
    frame->updateCommandUi();
    EXPECT_FALSE(option->isChecked());
    QTest::keyClick(frame, Qt::Key_A, Qt::AltModifier);
    EXPECT_TRUE(doc->ansiToAscii());
    EXPECT_TRUE(option->isChecked());
    option->trigger();
    EXPECT_FALSE(doc->ansiToAscii());
    EXPECT_FALSE(option->isChecked());
}

TEST_F(DocumentRoutingTest, ClosingAModifiedDocumentAsksFirst)
{
    test::ControlStandIn control(*doc);
    control.modified = true;

    boxes.answer(MessageResult::Cancel);
    frame->commandAction(ID_APP_EXIT)->trigger();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.last().buttons, MessageButtons::YesNoCancel);
    EXPECT_TRUE(frame->isVisible());

    boxes.answer(MessageResult::No);
    EXPECT_TRUE(frame->close());
    EXPECT_EQ(boxes.shown().size(), 2u);
    EXPECT_FALSE(frame->isVisible());
}

TEST_F(DocumentRoutingTest, ClosingAnUnmodifiedDocumentAsksNothing)
{
    frame->commandAction(ID_APP_EXIT)->trigger();
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_FALSE(frame->isVisible());
}

}  // namespace
}  // namespace quillory
