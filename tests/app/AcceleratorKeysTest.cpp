// Every key of the accelerator table, pressed on the focused edit control of the real main window,
// runs its command through the frame's route and never reaches the control: neither while the
// command is enabled nor while it is disabled, in TEXT and in BINARY mode.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QTest>

#include "commands/CommandTable.h"
#include "document/QuilloryDoc.h"
#include "qtplatform/QtText.h"
#include "EditorInWindow.h"
#include "QtPrinters.h"

namespace quillory {
namespace {

// Records the key presses that reach a widget, the modifier keys themselves left out.
class KeyPressRecorder final : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (!isModifierKey(key->key()))
                seen << QKeySequence(key->keyCombination()).toString(QKeySequence::PortableText);
        }
        return false;
    }
    static bool isModifierKey(int key)
    {
        return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta;
    }
    QStringList seen;
};

struct AcceleratorKeysTest : test::EditorInWindow {
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(startEditor(""));
        control->installEventFilter(&recorder);

        // The route's first level answers for every command that has keys: the test decides
        // whether it is enabled and sees whether it ran.
        for (const Accelerator& accelerator : CommandTable::accelerators()) {
            const int id = accelerator.id;
            interceptor.onCommand(id, [this, id] { ran.push_back(id); });
            interceptor.onUpdate(id, [this](CommandUpdate& ui) { ui.enable(enabled); });
        }
        frame->commandRouter().attach(RouteLevel::View, &interceptor);
    }
    // The interceptor and the recorder go before the frame that points to them.
    void TearDown() override
    {
        if (frame != nullptr)
            frame->commandRouter().detach(&interceptor);
        if (control != nullptr)
            control->removeEventFilter(&recorder);
    }

    // Presses every accelerator on the control with its command enabled, then disabled.
    void pressEveryAccelerator()
    {
        control->select(2, 5);  // a selection that a key reaching the control would change
        const std::string text = controlText();
        const std::string bytes = storage();
        for (const bool on : {true, false}) {
            enabled = on;
            frame->updateCommandUi();
            for (const Accelerator& accelerator : CommandTable::accelerators()) {
                const QString keys = toQString(accelerator.keys);
                SCOPED_TRACE(keys.toStdString() + (on ? " enabled" : " disabled"));
                ASSERT_EQ(frame->commandAction(accelerator.id)->isEnabled(), on);
                ASSERT_EQ(QApplication::focusWidget(), control);
                const QKeySequence sequence = QKeySequence::fromString(keys, QKeySequence::PortableText);
                ASSERT_EQ(sequence.count(), 1);
                ran.clear();
                recorder.seen.clear();

                QTest::keyClick(control, sequence[0].key(), sequence[0].keyboardModifiers());

                EXPECT_EQ(ran, on ? std::vector<int>{accelerator.id} : std::vector<int>{});
                EXPECT_EQ(recorder.seen, QStringList());
                EXPECT_EQ(controlText(), text);
                EXPECT_EQ(control->selectionStart(), 2);
                EXPECT_EQ(control->selectionEnd(), 5);
                EXPECT_EQ(storage(), bytes);
            }
        }
    }

    std::vector<int> ran;       // commands the route ran, in order
    bool enabled = true;        // what the intercepting update rules answer
    CommandTarget interceptor;  // detached from the frame's route when the test ends
    KeyPressRecorder recorder;
};

TEST_F(AcceleratorKeysTest, EveryKeyRunsItsCommandAndNoneReachesATextControl)
{
    ASSERT_TRUE(app.document()->loadFile(dir.write("notes.txt", "hello world\r\nsecond line\r\n")));
    ASSERT_EQ(frame->paneText(StatusPane::Mode), " TEXT ");
    pressEveryAccelerator();
}

TEST_F(AcceleratorKeysTest, EveryKeyRunsItsCommandAndNoneReachesABinaryControl)
{
    const std::string bytes = test::bytesOf({'a', 0, 'b', 9, 'c', 13, 10, 0x1B, 'd'});
    ASSERT_TRUE(app.document()->loadFile(dir.write("data.bin", bytes)));
    ASSERT_EQ(frame->paneText(StatusPane::Mode), "BINARY");
    pressEveryAccelerator();
}

}  // namespace
}  // namespace quillory
