// Start-up through the application object: an untitled document, a file named by the command
// line (blanks included), and a file that cannot be opened, which ends start-up with a message.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include "commands/CommandIds.h"
#include "app/CommandLine.h"
#include "app/MainFrame.h"
#include "app/QuilloryApp.h"
#include "document/QuilloryDoc.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/TempDir.h"
#include "QtPrinters.h"

namespace quillory {
namespace {

using namespace cmd;

struct StartupTest : ::testing::Test {
    test::ScriptedMessageBoxes boxes;
    test::TempDir dir;
    QuilloryApp app{boxes};
};

TEST_F(StartupTest, NoTailGivesAnUntitledTextDocument)
{
    ASSERT_TRUE(app.initInstance(commandLineTail(std::vector<std::string>{"quillory"})));
    MainFrame* frame = app.mainFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(frame->windowTitle(), "Untitled - Quillory");
    EXPECT_EQ(app.document()->mode(), DocumentMode::Text);
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(StartupTest, WordsOfTheCommandLineNameOneFileWithBlanks)
{
    dir.write("a b.txt", "hello\r\n");
    const std::string tail = commandLineTail(std::vector<std::string>{"quillory", dir.file("a"), "b.txt"});
    ASSERT_TRUE(app.initInstance(tail));
    EXPECT_EQ(app.mainFrame()->windowTitle(), "a b.txt - Quillory");
    EXPECT_EQ(app.document()->mode(), DocumentMode::Text);
}

TEST_F(StartupTest, BinaryFileFromTheCommandLine)
{
    const std::string path = dir.write("data.bin", test::bytesOf({'M', 'Z', 0x00, 0x1B}));
    ASSERT_TRUE(app.initInstance(path));
    EXPECT_EQ(app.document()->mode(), DocumentMode::Binary);
    EXPECT_EQ(app.mainFrame()->windowTitle(), "data.bin - Quillory");
}

TEST_F(StartupTest, MissingFileEndsStartUpWithItsMessage)
{
    EXPECT_FALSE(app.initInstance(dir.file("no such file.txt")));
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.last().text, "Cannot Open or Read Selected File!");
    EXPECT_EQ(boxes.last().caption, "Quillory");
    ASSERT_NE(app.mainFrame(), nullptr);
    EXPECT_FALSE(app.mainFrame()->isVisible());
}

TEST_F(StartupTest, ViewFactoryPutsTheViewAndItsCommandsInTheFrame)
{
    QuilloryDoc* seen = nullptr;
    CommandTarget viewCommands;
    int wraps = 0;
    viewCommands.onCommand(ID_WORD_WRAP, [&] { ++wraps; });
    app.setViewFactory([&](MainFrame&, QuilloryDoc& document, const std::string& tail) {
        seen = &document;
        EXPECT_EQ(tail, "");
        return QuilloryApp::ViewParts{new QLabel("the view"), {&viewCommands}, nullptr};
    });
    ASSERT_TRUE(app.initInstance(""));
    EXPECT_EQ(seen, app.document());
    auto* view = qobject_cast<QLabel*>(app.mainFrame()->activeView());
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->text(), "the view");
    EXPECT_TRUE(app.mainFrame()->onCommand(ID_WORD_WRAP));
    EXPECT_EQ(wraps, 1);

    // A view replaced later takes its commands off the route with it.
    app.mainFrame()->setView(new QLabel("another"));
    EXPECT_FALSE(app.mainFrame()->onCommand(ID_WORD_WRAP));
    EXPECT_FALSE(app.mainFrame()->commandAction(ID_WORD_WRAP)->isEnabled());
}

TEST_F(StartupTest, ViewsFirstUpdateLoadsTheCommandLineFile)
{
    const std::string path = dir.write("x.txt", "text");
    std::vector<std::string> steps;
    app.setViewFactory([&](MainFrame&, QuilloryDoc& document, const std::string& tail) {
        return QuilloryApp::ViewParts{nullptr, {}, [&steps, &document, tail] {
                                          steps.push_back("initial update");
                                          return document.loadFile(tail);
                                      }};
    });
    ASSERT_TRUE(app.initInstance(path));
    EXPECT_EQ(steps, std::vector<std::string>{"initial update"});
    EXPECT_EQ(app.mainFrame()->windowTitle(), "x.txt - Quillory");
}

TEST_F(StartupTest, FailingFirstUpdateEndsStartUp)
{
    app.setViewFactory([&](MainFrame&, QuilloryDoc& document, const std::string& tail) {
        return QuilloryApp::ViewParts{nullptr, {}, [&document, tail] { return document.loadFile(tail); }};
    });
    EXPECT_FALSE(app.initInstance(dir.file("missing")));
    EXPECT_EQ(boxes.last().text, "Cannot Open or Read Selected File!");
    EXPECT_FALSE(app.mainFrame()->isVisible());
}

TEST_F(StartupTest, ApplicationAndDocumentCommandsAreOnTheRoute)
{
    ASSERT_TRUE(app.initInstance(""));
    MainFrame* frame = app.mainFrame();
    frame->updateCommandUi();
    EXPECT_TRUE(frame->commandAction(ID_APP_ABOUT)->isEnabled());
    EXPECT_TRUE(frame->commandAction(ID_FILE_PRINT_SETUP)->isEnabled());
    EXPECT_TRUE(frame->commandAction(ID_APP_EXIT)->isEnabled());
    EXPECT_TRUE(frame->commandAction(ID_FILE_OPEN)->isEnabled());
    // The view's commands wait for the view.
    EXPECT_FALSE(frame->commandAction(ID_FILE_PRINT)->isEnabled());
    EXPECT_FALSE(frame->commandAction(ID_EDIT_UNDO)->isEnabled());
    EXPECT_FALSE(frame->commandAction(ID_VIEW_AFTER_DOWNLOAD)->isEnabled());
}

TEST_F(StartupTest, AboutBoxOpensModallyAndCloses)
{
    ASSERT_TRUE(app.initInstance(""));
    QString title;
    QString version;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        if (auto* label = dialog->findChild<QLabel*>("VersionLabel"))
            version = label->text();
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    app.mainFrame()->commandAction(ID_APP_ABOUT)->trigger();
    EXPECT_EQ(title, "About Quillory");
    EXPECT_EQ(version, "Quillory Version " QUILLORY_EXPECTED_VERSION);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(StartupTest, PrintSetupWorksOnTheApplicationsPrinter)
{
    ASSERT_TRUE(app.initInstance(""));
    QString title;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    app.mainFrame()->commandAction(ID_FILE_PRINT_SETUP)->trigger();
    EXPECT_FALSE(title.isEmpty());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(&app.printer(), &app.printer());
}

}  // namespace
}  // namespace quillory
