#pragma once
// The whole editor in its main window, offscreen, with scripted message boxes and dialogs: a
// fixture for tests that drive it as a user does, through keys, menus and window events.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <string>

#include "app/EditorView.h"
#include "app/MainFrame.h"
#include "app/QuilloryApp.h"
#include "document/ByteClassifier.h"
#include "document/QuilloryDoc.h"
#include "support/CancellingFontColorDialogs.h"
#include "support/ScriptedFileDialogs.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/StoredBytes.h"
#include "support/TempDir.h"
#include "view/QuilloryView.h"

namespace quillory::test {

// What the control shows of `bytes` in BINARY mode.
inline std::string displayOf(std::string bytes)
{
    makeDisplayCopy(reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size());
    return bytes;
}

class EditorInWindow : public ::testing::Test {
protected:
    // Starts the editor as the command line would (an empty tail: an untitled document) and waits
    // until its window is active.
    void startEditor(const std::string& commandLine)
    {
        app.setViewFactory(editorViewFactory(app, boxes, dialogs, fileDialogs, dir.file("Quillory.dat")));
        ASSERT_TRUE(app.initInstance(commandLine));
        frame = app.mainFrame();
        QApplication::setActiveWindow(frame);
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
        auto* view = qobject_cast<QuilloryView*>(frame->activeView());
        ASSERT_NE(view, nullptr);
        control = &view->control();
    }

    // The document's byte storage (BINARY mode), and the control's text.
    std::string storage() const
    {
        const QuilloryDoc& doc = *app.document();
        return storedBytes(doc.storage());
    }
    std::string controlText() const { return control->textRange(0, control->textLength()); }

    ScriptedMessageBoxes boxes;
    CancellingFontColorDialogs dialogs;
    ScriptedFileDialogs fileDialogs;
    TempDir dir;
    QuilloryApp app{boxes};
    MainFrame* frame = nullptr;
    EditControl* control = nullptr;
};

}  // namespace quillory::test
