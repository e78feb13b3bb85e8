// The main frame through its real widgets: menus and keys from the command table, states that
// follow the routing, prompts in the status bar, the bar toggles, the title and closing.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QEventLoop>
#include <QToolBar>
#include <QToolButton>

#include "commands/CommandIds.h"
#include "app/FrameGeometry.h"
#include "app/MainFrame.h"
#include "app/StatusBar.h"
#include "app/UrlBar.h"
#include "QtPrinters.h"

namespace quillory {
namespace {

using namespace cmd;

class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override { frame.commandRouter().attach(RouteLevel::View, &view); }

    // Shows the frame and makes it the active window, as keys need.
    void showActive()
    {
        frame.show();
        QApplication::setActiveWindow(&frame);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
    }

    QMenu* topMenu(const QString& title) const
    {
        for (QAction* action : frame.menuBar()->actions())
            if (action->text() == title)
                return action->menu();
        return nullptr;
    }

    QToolButton* toolButton(int id) const
    {
        return qobject_cast<QToolButton*>(frame.toolBar()->widgetForAction(frame.commandAction(id)));
    }

    MainFrame frame;
    CommandTarget view;  // stands in for the view's handlers
};

TEST_F(MainFrameTest, MenusAreBuiltFromTheCommandTable)
{
    QStringList titles;
    for (QAction* action : frame.menuBar()->actions())
        titles << action->text();
    EXPECT_EQ(titles, (QStringList{"&File", "&Edit", "&View", "&Tools", "&Downloads", "&Help"}));

    QStringList fileTexts;
    for (QAction* action : topMenu("&File")->actions())
        fileTexts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(fileTexts, (QStringList{"&New\tCtrl+N", "&Open...\tCtrl+O", "&Save\tCtrl+S", "Save &As...", "-",
                                      "&ANSI --> ASCII\tAlt+A", "-", "&Print...\tCtrl+P", "Print Pre&view",
                                      "P&rint Setup...", "-", "E&xit"}));

    const QList<QAction*> editItems = topMenu("&Edit")->actions();
    QMenu* freeUp = editItems.back()->menu();
    ASSERT_NE(freeUp, nullptr);
    EXPECT_EQ(editItems.back()->text(), "Free up memory");
    EXPECT_EQ(freeUp->actions().size(), 3);
    EXPECT_EQ(freeUp->actions()[2]->text(), "Hex editing storage");
}

TEST_F(MainFrameTest, ActionsCarryKeysPromptsAndTooltips)
{
    QAction* copy = frame.commandAction(ID_EDIT_COPY);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->shortcuts(),
              (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)}));
    EXPECT_EQ(frame.commandAction(ID_EDIT_CUT)->shortcuts().value(1), QKeySequence(Qt::SHIFT | Qt::Key_Delete));
    EXPECT_EQ(frame.commandAction(ID_EDIT_UNDO)->shortcuts().value(1), QKeySequence(Qt::ALT | Qt::Key_Backspace));
    EXPECT_EQ(frame.commandAction(ID_STRIP_HTML)->shortcut(), QKeySequence(Qt::Key_F10));
    EXPECT_EQ(copy->statusTip(), "Copy the selection and put it on the Clipboard");
    EXPECT_EQ(frame.commandAction(ID_EDIT_CLEAR)->toolTip(), "Delete (to undo buffer)");
}

TEST_F(MainFrameTest, ToolbarButtonsInOrderWithSeparatorsAndTooltips)
{
    QStringList buttons;
    for (QAction* action : frame.toolBar()->actions())
        buttons << (action->isSeparator() ? QStringLiteral("|") : action->toolTip());
    EXPECT_EQ(buttons, (QStringList{"New", "Open", "Save", "|", "Cut", "Copy", "Paste", "Delete (to undo buffer)", "|",
                                    "Toggles Word Wrapping", "Hex Pane", "Change Fonts", "Strip HTML tags", "|",
                                    "Print", "About"}));
    for (QAction* action : frame.toolBar()->actions()) {
        if (!action->isSeparator()) {
            EXPECT_FALSE(action->icon().pixmap(QSize(16, 16)).isNull()) << action->toolTip().toStdString();
        }
    }
}

TEST_F(MainFrameTest, UnhandledCommandIsDisabledUntilATargetRegistersIt)
{
    QAction* wrap = frame.commandAction(ID_WORD_WRAP);
    frame.updateCommandUi();
    EXPECT_FALSE(wrap->isEnabled());
    EXPECT_FALSE(toolButton(ID_WORD_WRAP)->isEnabled());

    bool wrapped = false;
    view.onCommand(ID_WORD_WRAP, [&] { wrapped = !wrapped; });
    view.onUpdate(ID_WORD_WRAP, [&](CommandUpdate& ui) { ui.setCheck(wrapped); });
    frame.updateCommandUi();
    EXPECT_TRUE(wrap->isEnabled());
    EXPECT_TRUE(toolButton(ID_WORD_WRAP)->isEnabled());
    EXPECT_FALSE(wrap->isChecked());

    // A click on the toolbar button runs the handler; the button shows the checked state after.
    QTest::mouseClick(toolButton(ID_WORD_WRAP), Qt::LeftButton);
    EXPECT_TRUE(wrapped);
    EXPECT_TRUE(wrap->isChecked());
    EXPECT_TRUE(toolButton(ID_WORD_WRAP)->isChecked());

    view.clear();
    frame.updateCommandUi();
    EXPECT_FALSE(wrap->isEnabled());
    EXPECT_FALSE(wrap->isCheckable());
}

TEST_F(MainFrameTest, StatesFollowByThemselvesWhenTheEventLoopGoesIdle)
{
    QAction* fonts = frame.commandAction(ID_SELECT_FONTS);
    EXPECT_FALSE(fonts->isEnabled());
    view.onCommand(ID_SELECT_FONTS, [] {});
    QEventLoop loop;
    QTimer::singleShot(20, &loop, &QEventLoop::quit);
    loop.exec();  // waits for the timer, so the loop goes idle in between
    EXPECT_TRUE(fonts->isEnabled());
}

TEST_F(MainFrameTest, MenuOpeningRefreshesItsItems)
{
    view.onCommand(ID_FILE_STAT, [] {});
    QMenu* tools = topMenu("&Tools");
    tools->popup(QPoint(0, 0));
    EXPECT_TRUE(frame.commandAction(ID_FILE_STAT)->isEnabled());
    tools->close();
}

TEST_F(MainFrameTest, AcceleratorKeysRunTheirHandlers)
{
    std::vector<int> ran;
    for (const int id : {ID_WORD_WRAP, ID_EDIT_COPY, ID_EDIT_UNDO, ID_ANSI_TO_ASCII})
        view.onCommand(id, [&ran, id] { ran.push_back(id); });
    frame.updateCommandUi();
    showActive();

    QTest::keyClick(&frame, Qt::Key_F5);
    QTest::keyClick(&frame, Qt::Key_Insert, Qt::ControlModifier);
    QTest::keyClick(&frame, Qt::Key_Backspace, Qt::AltModifier);
    QTest::keyClick(&frame, Qt::Key_A, Qt::AltModifier);
    EXPECT_EQ(ran, (std::vector<int>{ID_WORD_WRAP, ID_EDIT_COPY, ID_EDIT_UNDO, ID_ANSI_TO_ASCII}));
}

TEST_F(MainFrameTest, DisabledCommandsKeyDoesNothing)
{
    int runs = 0;
    view.onCommand(ID_STRIP_HTML, [&] { ++runs; });
    view.onUpdate(ID_STRIP_HTML, [](CommandUpdate& ui) { ui.enable(false); });  // BINARY mode, say
    frame.updateCommandUi();
    showActive();
    QTest::keyClick(&frame, Qt::Key_F10);
    EXPECT_EQ(runs, 0);
    // Even a stale enabled action does not run a command its rule now disables.
    frame.commandAction(ID_STRIP_HTML)->setEnabled(true);
    frame.commandAction(ID_STRIP_HTML)->trigger();
    EXPECT_EQ(runs, 0);
}

TEST_F(MainFrameTest, MenuItemPromptShowsInPaneZeroAndReadyReturns)
{
    view.onCommand(ID_FILE_NEW, [] {});
    view.onCommand(ID_FILE_OPEN, [] {});  // disabled items would be skipped by the arrow keys
    showActive();
    EXPECT_EQ(frame.paneText(StatusPane::Prompt), "Ready");

    QMenu* file = topMenu("&File");
    file->popup(frame.mapToGlobal(QPoint(10, 30)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(file));
    QTest::keyClick(file, Qt::Key_Down);
    EXPECT_EQ(file->activeAction(), frame.commandAction(ID_FILE_NEW));
    EXPECT_EQ(frame.paneText(StatusPane::Prompt), "Create a new document");
    QTest::keyClick(file, Qt::Key_Down);
    EXPECT_EQ(frame.paneText(StatusPane::Prompt), "Open an existing document");
    QTest::keyClick(file, Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return frame.paneText(StatusPane::Prompt) == "Ready"; }, 1000));
}

TEST_F(MainFrameTest, ToolbarButtonFlyByPrompt)
{
    showActive();
    QToolButton* save = toolButton(ID_FILE_SAVE);
    ASSERT_NE(save, nullptr);
    EXPECT_EQ(save->toolTip(), "Save");
    QTest::mouseMove(save);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return frame.paneText(StatusPane::Prompt) == "Save the active document"; }, 1000));
    QTest::mouseMove(frame.centralWidget());
    EXPECT_TRUE(QTest::qWaitFor([&] { return frame.paneText(StatusPane::Prompt) == "Ready"; }, 1000));
}

TEST_F(MainFrameTest, ToolbarAndStatusBarTogglesWithCheckMarks)
{
    showActive();
    QAction* toolbarItem = frame.commandAction(ID_VIEW_TOOLBAR);
    QAction* statusItem = frame.commandAction(ID_VIEW_STATUS_BAR);
    frame.updateCommandUi();
    EXPECT_TRUE(toolbarItem->isEnabled());
    EXPECT_TRUE(toolbarItem->isChecked());
    EXPECT_TRUE(statusItem->isChecked());

    toolbarItem->trigger();
    EXPECT_TRUE(frame.toolBar()->isHidden());
    EXPECT_FALSE(toolbarItem->isChecked());
    statusItem->trigger();
    EXPECT_TRUE(frame.quilloryStatusBar()->isHidden());
    EXPECT_FALSE(statusItem->isChecked());

    toolbarItem->trigger();
    statusItem->trigger();
    EXPECT_TRUE(frame.toolBar()->isVisible());
    EXPECT_TRUE(frame.quilloryStatusBar()->isVisible());
    EXPECT_TRUE(toolbarItem->isChecked());
    EXPECT_TRUE(statusItem->isChecked());
}

TEST_F(MainFrameTest, StatusPanesTakeTextByIndex)
{
    EXPECT_TRUE(frame.setPaneText(StatusPane::Font, "Font: Courier New"));
    EXPECT_TRUE(frame.setPaneText(StatusPane::Mode, "BINARY"));
    EXPECT_TRUE(frame.setPaneText(StatusPane::InsertMode, "OVR"));
    EXPECT_EQ(frame.paneText(StatusPane::Font), "Font: Courier New");
    EXPECT_EQ(frame.paneText(StatusPane::Mode), "BINARY");
    EXPECT_EQ(frame.paneText(StatusPane::InsertMode), "OVR");
    // The lock indicators belong to the keyboard; pane 6 names the encoding; pane 7 shows only
    // while it has a text; there is no pane 8.
    EXPECT_TRUE(frame.setPaneText(StatusPane::Encoding, "UTF-8"));
    EXPECT_EQ(frame.paneText(StatusPane::Encoding), "UTF-8");
    EXPECT_FALSE(frame.setPaneText(StatusPane::CapsLock, "x"));
    QLabel* recovery = frame.quilloryStatusBar()->paneLabel(StatusPane::Recovery);
    EXPECT_TRUE(recovery->isHidden());
    EXPECT_TRUE(frame.setPaneText(StatusPane::Recovery, "Recovery off"));
    EXPECT_FALSE(recovery->isHidden());
    EXPECT_TRUE(frame.setPaneText(StatusPane::Recovery, ""));
    EXPECT_TRUE(recovery->isHidden());
    EXPECT_FALSE(frame.setPaneText(static_cast<StatusPane>(8), "x"));
    EXPECT_FALSE(frame.setPaneText(static_cast<StatusPane>(-1), "x"));

    // The fixed panes are at least as wide as their widths at 96 dpi and fit their texts.
    StatusBar* bar = frame.quilloryStatusBar();
    EXPECT_GE(bar->paneLabel(StatusPane::Font)->minimumWidth(), 150 * bar->logicalDpiX() / 96);
    const QFontMetrics metrics = bar->paneLabel(StatusPane::Mode)->fontMetrics();
    EXPECT_GE(bar->paneLabel(StatusPane::Mode)->minimumWidth(), metrics.horizontalAdvance("BINARY"));
    EXPECT_GE(bar->paneLabel(StatusPane::InsertMode)->minimumWidth(), metrics.horizontalAdvance("OVR"));

    // Pane 0 shows a text until the next prompt ends.
    frame.setPaneText(StatusPane::Prompt, "Loading...");
    EXPECT_EQ(frame.paneText(StatusPane::Prompt), "Loading...");
}

TEST_F(MainFrameTest, TitleFollowsTheDocument)
{
    frame.titleChanged("Untitled");
    EXPECT_EQ(frame.windowTitle(), "Untitled - Quillory");
    frame.titleChanged("r\xc3\xa9sum\xc3\xa9 notes.txt");
    EXPECT_EQ(frame.windowTitle(), QString::fromUtf8("résumé notes.txt - Quillory"));
}

TEST_F(MainFrameTest, StartsAtSevenEighthsOfTheScreenCentred)
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const FrameRect rect = initialFrameRect(screen.width(), screen.height());
    EXPECT_EQ(frame.geometry(), QRect(screen.x() + rect.left, screen.y() + rect.top, rect.width, rect.height));
}

TEST_F(MainFrameTest, ExitClosesUnlessTheCloseRequestVetoes)
{
    showActive();
    bool allow = false;
    int asked = 0;
    frame.setCloseRequestHandler([&] {
        ++asked;
        return allow;
    });
    frame.commandAction(ID_APP_EXIT)->trigger();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(frame.isVisible());

    allow = true;
    frame.commandAction(ID_APP_EXIT)->trigger();
    EXPECT_EQ(asked, 2);
    EXPECT_FALSE(frame.isVisible());
}

TEST_F(MainFrameTest, UrlBarIsShownAndItsCommandsStayOffWithoutHandlers)
{
    UrlBar* bar = frame.urlBar();
    frame.updateCommandUi();
    EXPECT_FALSE(bar->isHidden());
    EXPECT_FALSE(frame.commandAction(ID_VIEW_URL_TOOLBAR)->isEnabled());
    EXPECT_TRUE(frame.commandAction(ID_VIEW_URL_TOOLBAR)->isChecked());
    EXPECT_FALSE(bar->retrieveButton()->isEnabled());
    EXPECT_FALSE(bar->stopButton()->isEnabled());
    EXPECT_EQ(bar->urlEdit()->toolTip(), "Enter URL here");
    EXPECT_EQ(bar->urlEdit()->statusTip(), "Enter a URL for document retrieval");
}

TEST_F(MainFrameTest, UrlBarButtonsFollowBusyAndPassTheUrlOn)
{
    showActive();
    UrlBar* bar = frame.urlBar();
    QStringList retrieved;
    int stops = 0;
    bar->setRetrieveHandler([&](const QString& url) { retrieved << url; });
    bar->setStopHandler([&] { ++stops; });
    view.onCommand(ID_VIEW_URL_TOOLBAR, [bar] { bar->toggleUrlBar(); });
    frame.updateCommandUi();
    EXPECT_TRUE(bar->isVisible());
    EXPECT_TRUE(frame.commandAction(ID_VIEW_URL_TOOLBAR)->isChecked());
    EXPECT_TRUE(bar->retrieveButton()->isEnabled());
    EXPECT_FALSE(bar->stopButton()->isEnabled());

    QTest::mouseClick(bar->retrieveButton(), Qt::LeftButton);  // an empty URL goes on as it is
    QTest::keyClicks(bar->urlEdit(), "example.org/a");
    QTest::mouseClick(bar->retrieveButton(), Qt::LeftButton);
    EXPECT_EQ(retrieved, (QStringList{"", "example.org/a"}));

    bar->setBusy(true);
    EXPECT_FALSE(bar->retrieveButton()->isEnabled());
    EXPECT_TRUE(bar->stopButton()->isEnabled());
    QTest::mouseClick(bar->stopButton(), Qt::LeftButton);
    EXPECT_EQ(stops, 1);

    // Hidden and shown again, the typed URL is still there.
    frame.commandAction(ID_VIEW_URL_TOOLBAR)->trigger();
    EXPECT_TRUE(bar->isHidden());
    frame.commandAction(ID_VIEW_URL_TOOLBAR)->trigger();
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->urlEdit()->text(), "example.org/a");
}

TEST_F(MainFrameTest, SetViewReplacesThePlaceholder)
{
    auto* view = new QLabel("view");
    frame.setView(view);
    EXPECT_EQ(frame.activeView(), view);
    EXPECT_EQ(view->parent(), &frame);
}

}  // namespace
}  // namespace quillory
