// Long work through the whole editor: loading, saving, Replace All and Strip HTML over files large
// enough to run beside the window, with the work slowed as over a slow disk, so that the progress
// window shows and its Cancel can be pressed. A cancelled work must leave no trace. Megabytes are
// compared with EXPECT_TRUE: a printed difference of such strings would take minutes.
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include "commands/CommandIds.h"
#include "controllers/FindController.h"
#include "dialogs/FindReplaceDialog.h"
#include "editcontrol/EditControl.h"
#include "qtplatform/ProgressDialog.h"
#include "support/TempDir.h"
#include "EditorInWindow.h"

namespace quillory::test {
namespace {

using namespace std::chrono_literals;

constexpr std::size_t kLargeBytes = std::size_t{20} << 20;  // long work, above the in-place limit

// Binary bytes of every value, from a fixed seed.
std::string binaryContent(std::size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    std::uint32_t state = seed * 2654435761U + 1;
    for (char& b : bytes) {
        state = state * 1664525U + 1013904223U;
        b = static_cast<char>(state >> 24);
    }
    return bytes;
}

// Lines of markup and text.
std::string htmlContent(std::size_t size)
{
    std::string text;
    text.reserve(size + 80);
    for (int line = 0; text.size() < size; ++line)
        text += "<p class=\"x\">line " + std::to_string(line) + " of <b>bold</b> words</p>\n";
    return text;
}

// Counts the progress windows shown and the paints of a widget while long work runs; presses
// Cancel in the first progress window once it shows, when asked to.
class WorkWatcher : public QObject {
public:
    explicit WorkWatcher(QWidget* painted) : m_painted(painted)
    {
        qApp->installEventFilter(this);
        m_poll.setInterval(20);
        connect(&m_poll, &QTimer::timeout, this, [this] { poll(); });
        m_poll.start();
    }
    ~WorkWatcher() override { qApp->removeEventFilter(this); }

    void cancelWhenShown() { m_cancel = true; }
    int windowsShown() const { return m_shown; }
    int paintsDuringWork() const { return m_paints; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && qobject_cast<ProgressDialog*>(watched) != nullptr)
            ++m_shown;
        if (event->type() == QEvent::Paint && watched == m_painted && QtLongWork::isRunning())
            ++m_paints;
        return false;
    }

private:
    void poll()
    {
        // Something asks the window to repaint while the work runs, as an expose would.
        if (QtLongWork::isRunning() && m_painted != nullptr)
            m_painted->update();
        ProgressDialog* dialog = QtLongWork::shownDialog();
        if (m_cancel && dialog != nullptr && dialog->cancelButton()->isEnabled()) {
            m_cancel = false;
            QTest::mouseClick(dialog->cancelButton(), Qt::LeftButton);
        }
    }

    QPointer<QWidget> m_painted;
    QTimer m_poll;
    bool m_cancel = false;
    int m_shown = 0;
    int m_paints = 0;
};

class LongWorkInFrameTest : public EditorInWindow {
protected:
    LongWorkInFrameTest() { app.setFileDialogs(&fileDialogs); }
    void slowDown() { app.longWork().slowDownForTests(200ms); }
    EditControl& theControl() const { return *control; }
    bool run(int id) { return frame->onCommand(id); }
};

TEST_F(LongWorkInFrameTest, CancelledOpenLeavesTheOldDocumentWholeAndTheWindowPaintsMeanwhile)
{
    const std::string old = binaryContent(300, 1);
    startEditor(dir.write("old.bin", old));
    const std::string large = dir.write("large.bin", binaryContent(kLargeBytes, 2));
    WorkWatcher watcher(control->viewport());
    watcher.cancelWhenShown();
    slowDown();
    fileDialogs.choosePath(large);
    run(cmd::ID_FILE_OPEN);

    EXPECT_EQ(watcher.windowsShown(), 1);
    EXPECT_GT(watcher.paintsDuringWork(), 0);
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(app.document()->title(), "old.bin");
    EXPECT_EQ(app.document()->mode(), DocumentMode::Binary);
    EXPECT_TRUE(storage() == old);
    EXPECT_TRUE(controlText() == displayOf(old));
    EXPECT_FALSE(control->isModified());
}

TEST_F(LongWorkInFrameTest, ProgressShowsOnlyForWorkLongerThanHalfASecond)
{
    startEditor("");
    WorkWatcher watcher(control->viewport());
    // A small file, and a large one read at full speed: neither takes half a second.
    const std::string small = dir.write("small.bin", binaryContent(4096, 3));
    fileDialogs.choosePath(small);
    run(cmd::ID_FILE_OPEN);
    EXPECT_TRUE(storage() == binaryContent(4096, 3));
    const std::string large = binaryContent(kLargeBytes, 4);
    fileDialogs.choosePath(dir.write("large.bin", large));
    run(cmd::ID_FILE_OPEN);
    EXPECT_EQ(app.document()->title(), "large.bin");
    EXPECT_EQ(watcher.windowsShown(), 0);
    // Slowed down, the same load shows its progress, and runs to its end when left alone.
    slowDown();
    fileDialogs.choosePath(dir.file("large.bin"));
    run(cmd::ID_FILE_OPEN);
    EXPECT_EQ(watcher.windowsShown(), 1);
    EXPECT_TRUE(storage() == large);
    EXPECT_EQ(control->textLength(), static_cast<std::int64_t>(kLargeBytes));
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(LongWorkInFrameTest, CancelledSaveLeavesTheFileByteForByteAndNoTemporary)
{
    const std::string original = binaryContent(kLargeBytes, 5);
    const std::string path = dir.write("large.bin", original);
    startEditor(path);
    QTest::keyClick(control, Qt::Key_A);
    ASSERT_TRUE(control->isModified());
    WorkWatcher watcher(control->viewport());
    watcher.cancelWhenShown();
    slowDown();
    run(cmd::ID_FILE_SAVE);

    EXPECT_EQ(watcher.windowsShown(), 1);
    EXPECT_TRUE(boxes.shown().empty());  // a cancel is no failure
    EXPECT_TRUE(readAll(path) == original);
    EXPECT_TRUE(saveTemporariesIn(dir.path()).empty());
    EXPECT_TRUE(control->isModified());
    // Saved in the end, the file holds the document.
    app.longWork().slowDownForTests(0ms);
    run(cmd::ID_FILE_SAVE);
    EXPECT_TRUE(readAll(path) == storage());
    EXPECT_FALSE(control->isModified());
}

// Types a character at the start, so that the control has an undo step of its own to keep.
void typeAtStart(EditControl& control)
{
    control.select(0, 0);
    QTest::keyClick(&control, Qt::Key_Z);
}

TEST_F(LongWorkInFrameTest, CancelledReplaceAllLeavesTheTextAndItsUndoStep)
{
    const std::string html = htmlContent(kLargeBytes);
    startEditor(dir.write("page.html", html));
    typeAtStart(theControl());
    const std::string before = controlText();
    run(cmd::ID_EDIT_REPLACE);
    FindReplaceDialog* dialog = control->window()->findChild<FindReplaceDialog*>();
    ASSERT_NE(dialog, nullptr);
    QTest::keyClicks(dialog->findEdit(), "bold");
    QTest::keyClicks(dialog->replaceEdit(), "plain");
    WorkWatcher watcher(control->viewport());
    watcher.cancelWhenShown();
    slowDown();
    QTest::mouseClick(dialog->replaceAllButton(), Qt::LeftButton);

    EXPECT_EQ(watcher.windowsShown(), 1);
    EXPECT_TRUE(controlText() == before);
    ASSERT_TRUE(control->canUndo());
    control->undo();  // the step typed before, not a replacement
    EXPECT_TRUE(controlText() == html);
    // Left alone, the same Replace All replaces every match as one step.
    app.longWork().slowDownForTests(0ms);
    QTest::mouseClick(dialog->replaceAllButton(), Qt::LeftButton);
    EXPECT_EQ(controlText().find("bold"), std::string::npos);
    control->undo();
    EXPECT_TRUE(controlText() == html);
}

TEST_F(LongWorkInFrameTest, CancelledStripHtmlLeavesTheTextAndItsUndoStep)
{
    const std::string html = htmlContent(kLargeBytes);
    startEditor(dir.write("page.html", html));
    typeAtStart(theControl());
    const std::string before = controlText();
    WorkWatcher watcher(control->viewport());
    watcher.cancelWhenShown();
    slowDown();
    run(cmd::ID_STRIP_HTML);

    EXPECT_EQ(watcher.windowsShown(), 1);
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_TRUE(controlText() == before);
    ASSERT_TRUE(control->canUndo());
    control->undo();
    EXPECT_TRUE(controlText() == html);
}

}  // namespace
}  // namespace quillory::test
