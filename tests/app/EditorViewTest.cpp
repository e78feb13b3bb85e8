// The whole editor as the program starts it: application, frame and the real view, driven by
// keys on the main window.
#include <gtest/gtest.h>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QScreen>
#include <QTest>

#include "commands/CommandIds.h"
#include "app/EditorView.h"
#include "app/MainFrame.h"
#include "app/QuilloryApp.h"
#include "document/QuilloryDoc.h"
#include "settings/SettingsFile.h"
#include "support/CancellingFontColorDialogs.h"
#include "support/ScriptedFileDialogs.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/TempDir.h"
#include "QtPrinters.h"

namespace quillory {
namespace {

using namespace cmd;

struct EditorViewTest : ::testing::Test {
    bool start(const std::string& tail)
    {
        app.setViewFactory(editorViewFactory(app, boxes, dialogs, fileDialogs, dir.file("Quillory.dat")));
        if (!app.initInstance(tail))
            return false;
        frame = app.mainFrame();
        QApplication::setActiveWindow(frame);
        return QTest::qWaitForWindowActive(frame);
    }

    test::ScriptedMessageBoxes boxes;
    test::CancellingFontColorDialogs dialogs;
    test::ScriptedFileDialogs fileDialogs;
    test::TempDir dir;
    QuilloryApp app{boxes};
    MainFrame* frame = nullptr;
};

TEST_F(EditorViewTest, CommandLineFileFillsTheViewAndItsPanes)
{
    ASSERT_TRUE(start(dir.write("notes.txt", "hello")));
    EXPECT_EQ(frame->windowTitle(), "notes.txt - Quillory");
    EXPECT_TRUE(frame->paneText(StatusPane::Font).startsWith("Font: "));
    EXPECT_EQ(frame->paneText(StatusPane::Mode), " TEXT ");
    EXPECT_EQ(frame->paneText(StatusPane::InsertMode), "INS");
    EXPECT_TRUE(frame->activeView()->isAncestorOf(QApplication::focusWidget()));
}

TEST_F(EditorViewTest, BinaryFileShowsItsMode)
{
    ASSERT_TRUE(start(dir.write("x.bin", std::string("a\0b", 3))));
    EXPECT_EQ(frame->paneText(StatusPane::Mode), "BINARY");
}

TEST_F(EditorViewTest, MissingCommandLineFileEndsStartUp)
{
    EXPECT_FALSE(start(dir.file("gone.txt")));
    EXPECT_EQ(boxes.last().text, "Cannot Open or Read Selected File!");
}

TEST_F(EditorViewTest, KeysReachTheViewsCommandsThroughTheFrame)
{
    ASSERT_TRUE(start(""));
    EXPECT_EQ(frame->windowTitle(), "Untitled - Quillory");
    QAction* wrap = frame->commandAction(ID_WORD_WRAP);
    frame->updateCommandUi();
    ASSERT_TRUE(wrap->isEnabled());
    const bool wrapped = wrap->isChecked();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F5);
    frame->updateCommandUi();
    EXPECT_NE(wrap->isChecked(), wrapped);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Insert);
    EXPECT_EQ(frame->paneText(StatusPane::InsertMode), "OVR");
}

TEST_F(EditorViewTest, EncodingIsARadioChoiceOfTheViewMenuShownInTheSeventhPane)
{
    ASSERT_TRUE(start(""));
    QAction* utf8 = frame->commandAction(ID_ENCODING_UTF8);
    QAction* windows1252 = frame->commandAction(ID_ENCODING_WINDOWS_1252);
    ASSERT_TRUE(utf8 != nullptr && windows1252 != nullptr);
    ASSERT_NE(utf8->actionGroup(), nullptr);
    EXPECT_EQ(utf8->actionGroup(), windows1252->actionGroup());
    EXPECT_TRUE(utf8->actionGroup()->isExclusive());
    EXPECT_EQ(utf8->text(), "&UTF-8");
    EXPECT_EQ(windows1252->text(), "&Windows-1252");
    EXPECT_TRUE(utf8->isChecked());
    EXPECT_EQ(frame->paneText(StatusPane::Encoding), "UTF-8");
    EXPECT_TRUE(frame->onCommand(ID_ENCODING_WINDOWS_1252));
    EXPECT_TRUE(windows1252->isChecked());
    EXPECT_FALSE(utf8->isChecked());
    EXPECT_EQ(frame->paneText(StatusPane::Encoding), "Windows-1252");
}

// Writes a settings file that stores the main window at `rect` (left, top, right, bottom).
void storeWindow(const std::string& path, WindowRect rect)
{
    SettingsRecord record = SettingsRecord::defaults();
    record.window = rect;
    ASSERT_TRUE(writeSettingsFile(path, record, ""));
}

TEST_F(EditorViewTest, StoredWindowRectangleIsUsed)
{
    storeWindow(dir.file("Quillory.dat"), WindowRect{20, 30, 420, 330});
    ASSERT_TRUE(start(""));
    EXPECT_EQ(frame->geometry(), QRect(20, 30, 400, 300));
}

TEST_F(EditorViewTest, StoredWindowOffEveryScreenIsIgnored)
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const int farLeft = screen.right() + 5000;
    storeWindow(dir.file("Quillory.dat"), WindowRect{farLeft, 30, farLeft + 400, 330});
    ASSERT_TRUE(start(""));
    EXPECT_LT(frame->geometry().left(), screen.right());
}

}  // namespace
}  // namespace quillory
