#pragma once
// The whole editor offscreen for the retrieval tests: addresses typed into the real URL bar, the
// Downloads menu, the loopback servers, scripted message boxes and file dialogs.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cstdlib>
#include <filesystem>

#include "app/EditorView.h"
#include "app/MainFrame.h"
#include "app/QuilloryApp.h"
#include "app/UrlBar.h"
#include "commands/CommandIds.h"
#include "document/ByteClassifier.h"
#include "document/QuilloryDoc.h"
#include "internet/DownloadBuffer.h"
#include "internet/Retrieval.h"
#include "internet/RetrievalMessages.h"
#include "support/CancellingFontColorDialogs.h"
#include "support/LoopbackServers.h"
#include "support/ScriptedFileDialogs.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/TempDir.h"
#include "controllers/DownloadsController.h"
#include "view/QuilloryView.h"

namespace quillory::test {

// Bytes of every value, so that nothing is lost or translated on the way.
inline std::string everyByte(int length)
{
    std::string bytes;
    for (int i = 0; i < length; ++i)
        bytes += static_cast<char>((i * 131 + i / 256) % 256);
    return bytes;
}

inline const std::string kText = "A text document.\r\nSecond line\tand a tab.\n";
inline const std::string kBinary = everyByte(70000);

struct DownloadTest : ::testing::Test {
    void SetUp() override
    {
        for (const char* proxy : {"http_proxy", "https_proxy", "ftp_proxy", "all_proxy", "HTTPS_PROXY", "ALL_PROXY"})
            ::unsetenv(proxy);
        servers.publish("text.txt", kText);
        servers.publish("bin.dat", kBinary);
        servers.publish("empty.txt", "");
        app = std::make_unique<QuilloryApp>(boxes);
        app->setFileDialogs(&fileDialogs);
        app->setViewFactory(editorViewFactory(*app, boxes, dialogs, fileDialogs, dir.file("Quillory.dat")));
        ASSERT_TRUE(app->initInstance(""));
        frame = app->mainFrame();
        bar = frame->urlBar();
        view = qobject_cast<QuilloryView*>(frame->activeView());
        ASSERT_NE(view, nullptr);
        downloads = view->findChild<DownloadsController*>();
        ASSERT_NE(downloads, nullptr);
        QApplication::setActiveWindow(frame);
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
    }
    void TearDown() override
    {
        ::unsetenv("QUILLORY_TEST_CA_FILE");
        app.reset();
        EXPECT_TRUE(waitForRetrievalWorkers(std::chrono::seconds(2)));
    }

    std::string http(const std::string& path) { return "127.0.0.1:" + std::to_string(servers.httpPort()) + path; }

    // Types the address into the URL bar and clicks Retrieve.
    void retrieve(const std::string& url)
    {
        bar->urlEdit()->clear();
        QTest::keyClicks(bar->urlEdit(), QString::fromStdString(url));
        QTest::mouseClick(bar->retrieveButton(), Qt::LeftButton);
    }
    // Waits until the retrieval has completed and its completion was handled.
    bool completed()
    {
        return QTest::qWaitFor([this] { return !downloads->retrieving(); }, 5000);
    }
    bool menuEnabled(int id)
    {
        frame->updateCommandUi();
        return frame->commandAction(id)->isEnabled();
    }
    void choose(int id)
    {
        frame->updateCommandUi();
        frame->commandAction(id)->trigger();
    }
    std::string editorText() const
    {
        const EditControl& control = view->control();
        return control.textRange(0, control.textLength());
    }
    std::string heldDownload() const { return downloads->buffer().contents(); }
    static MessageBoxRequest connectionError(const std::string& url, const std::string& reason)
    {
        return {"Connection Error:", connectionErrorText(url) + "\nReason: " + reason, MessageIcon::Stop,
                MessageButtons::Ok};
    }
    // The last box as a Connection Error about url: its reason line, or "(not a Connection Error)".
    std::string lastConnectionErrorReason(const std::string& url) const
    {
        const std::string prefix = connectionErrorText(url) + "\nReason: ";
        if (boxes.shown().empty() || boxes.last().caption != "Connection Error:" ||
            boxes.last().text.rfind(prefix, 0) != 0 || boxes.last().icon != MessageIcon::Stop)
            return "(not a Connection Error)";
        return boxes.last().text.substr(prefix.size());
    }
    static MessageBoxRequest info(const char* text)
    {
        return {"Info:", text, MessageIcon::Information, MessageButtons::Ok};
    }

    LoopbackServers& servers = LoopbackServers::instance();
    ScriptedMessageBoxes boxes;
    CancellingFontColorDialogs dialogs;
    ScriptedFileDialogs fileDialogs;
    TempDir dir;
    std::unique_ptr<QuilloryApp> app;
    MainFrame* frame = nullptr;
    UrlBar* bar = nullptr;
    QuilloryView* view = nullptr;
    DownloadsController* downloads = nullptr;
};

}  // namespace quillory::test
