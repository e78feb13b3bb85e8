// What a desktop brings to the editor window, through the real main window offscreen: files
// dropped on it, the end of the desktop session, and printed pages (read back with pdftotext).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QSessionManager>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <cstdio>
#include <optional>

#include "app/SessionEnd.h"
#include "commands/CommandIds.h"
#include "document/QuilloryDoc.h"
#include "EditorInWindow.h"
#include "QtPrinters.h"

namespace quillory {
namespace {

struct DesktopTest : test::EditorInWindow {
    // Drags `data` over the middle of the edit control and drops it there, as the window system
    // delivers it: to the window, which finds the widget under the point that takes drops.
    // Returns whether the drop was accepted; the file it names opens on the next turn of events.
    bool drop(QMimeData* data)
    {
        QWindow* window = frame->windowHandle();
        const QPoint point = control->viewport()->mapTo(frame, control->viewport()->rect().center());
        QDragEnterEvent enter(point, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window, &enter);
        if (!enter.isAccepted())
            return false;
        QDragMoveEvent move(point, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window, &move);
        QDropEvent dropped(point, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window, &dropped);
        QApplication::processEvents();
        return dropped.isAccepted();
    }
};

QMimeData* filesData(const QList<QUrl>& urls)
{
    auto* data = new QMimeData;
    data->setUrls(urls);
    return data;
}

TEST_F(DesktopTest, DroppedFileOpensAsOpenWouldAfterTheSaveQuestion)
{
    const std::string bytes = test::bytesOf({0x1B, 'a', 0, 'b', '\r', '\n', 'c'});
    ASSERT_NO_FATAL_FAILURE(startEditor(dir.write("data.bin", bytes)));
    ASSERT_EQ(frame->paneText(StatusPane::Mode), "BINARY");
    EXPECT_FALSE(control->acceptDrops());
    EXPECT_FALSE(control->viewport()->acceptDrops());
    control->select(1, 1);
    QTest::keyClicks(control, QStringLiteral("X"));
    const std::string edited = test::bytesOf({0x1B, 'X', 'a', 0, 'b', '\r', '\n', 'c'});
    ASSERT_EQ(storage(), edited);
    const std::string notes = dir.write("notes.txt", "dropped text\n");
    std::unique_ptr<QMimeData> data(filesData(
        {QUrl(QStringLiteral("https://example.org/x.txt")), QUrl::fromLocalFile(QString::fromStdString(notes))}));

    // Cancel keeps the document: neither the storage nor the control took anything of the drop.
    boxes.answer(MessageResult::Cancel);
    ASSERT_TRUE(drop(data.get()));
    ASSERT_EQ(boxes.shown().size(), 1U);
    EXPECT_EQ(boxes.last().text, "Save modified document?");
    EXPECT_EQ(storage(), edited);
    EXPECT_EQ(controlText(), test::displayOf(edited));
    EXPECT_EQ(frame->windowTitle(), "data.bin - Quillory");
    EXPECT_TRUE(app.document()->isModified());

    boxes.answer(MessageResult::No);
    ASSERT_TRUE(drop(data.get()));
    EXPECT_EQ(boxes.shown().size(), 2U);
    EXPECT_EQ(frame->windowTitle(), "notes.txt - Quillory");
    EXPECT_EQ(frame->paneText(StatusPane::Mode), " TEXT ");
    EXPECT_EQ(controlText(), "dropped text\n");
    EXPECT_FALSE(app.document()->isModified());
    EXPECT_EQ(test::readAll(dir.file("data.bin")), bytes);  // "No" saved nothing
    EXPECT_EQ(boxes.unscriptedQuestions(), 0);
}

TEST_F(DesktopTest, DropWithoutALocalFileIsRefused)
{
    ASSERT_NO_FATAL_FAILURE(startEditor(dir.write("notes.txt", "kept")));
    std::unique_ptr<QMimeData> remote(filesData({QUrl(QStringLiteral("https://example.org/x.txt"))}));
    EXPECT_FALSE(drop(remote.get()));
    QMimeData text;
    text.setText(QStringLiteral("typed elsewhere"));
    EXPECT_FALSE(drop(&text));
    EXPECT_EQ(controlText(), "kept");
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(DesktopTest, DroppedFileThatCannotBeReadLeavesTheDocument)
{
    ASSERT_NO_FATAL_FAILURE(startEditor(dir.write("notes.txt", "kept")));
    std::unique_ptr<QMimeData> gone(filesData({QUrl::fromLocalFile(QString::fromStdString(dir.file("gone.txt")))}));
    ASSERT_TRUE(drop(gone.get()));
    EXPECT_EQ(boxes.last().text, "Cannot Open or Read Selected File!");
    EXPECT_EQ(controlText(), "kept");
}

class RecordingSessionEnd final : public ISessionEnd {
public:
    explicit RecordingSessionEnd(bool interaction) : m_interaction(interaction) {}
    bool allowsInteraction() override { return m_interaction; }
    void cancel() override { ++cancels; }
    void release() override { ++releases; }

    int cancels = 0;
    int releases = 0;

private:
    bool m_interaction;
};

TEST_F(DesktopTest, SessionEndAsksAboutAModifiedDocumentAndARefusalCancelsIt)
{
    const std::string path = dir.write("notes.txt", "abc");
    ASSERT_NO_FATAL_FAILURE(startEditor(path));
    RecordingSessionEnd unmodified(true);
    app.onSessionEnd(unmodified);
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(unmodified.cancels, 0);

    control->select(3, 3);
    QTest::keyClicks(control, QStringLiteral("d"));
    ASSERT_TRUE(app.document()->isModified());

    // No leave to ask: nothing is asked, saved or cancelled. The offscreen platform's own session
    // manager gives no such leave; its signal reaches the application all the same.
    RecordingSessionEnd silent(false);
    app.onSessionEnd(silent);
    auto* manager = qGuiApp->findChild<QSessionManager*>();
    ASSERT_NE(manager, nullptr);
    emit qGuiApp->commitDataRequest(*manager);
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(silent.cancels, 0);
    EXPECT_TRUE(app.document()->isModified());

    boxes.answer(MessageResult::Cancel);
    RecordingSessionEnd refused(true);
    app.onSessionEnd(refused);
    EXPECT_EQ(boxes.last().text, "Save modified document?");
    EXPECT_EQ(refused.cancels, 1);
    EXPECT_EQ(refused.releases, 1);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(app.document()->isModified());
    EXPECT_EQ(test::readAll(path), "abc");

    boxes.answer(MessageResult::No);
    RecordingSessionEnd discarded(true);
    app.onSessionEnd(discarded);
    EXPECT_EQ(discarded.cancels, 0);
    EXPECT_EQ(test::readAll(path), "abc");

    boxes.answer(MessageResult::Yes);
    RecordingSessionEnd saved(true);
    app.onSessionEnd(saved);
    EXPECT_EQ(saved.cancels, 0);
    EXPECT_EQ(test::readAll(path), "abcd");
    EXPECT_FALSE(app.document()->isModified());
    EXPECT_EQ(boxes.unscriptedQuestions(), 0);
}

TEST_F(DesktopTest, SessionEndCancelsWhenTheSaveFails)
{
    ASSERT_NO_FATAL_FAILURE(startEditor(""));
    QTest::keyClicks(control, QStringLiteral("new text"));
    boxes.answer(MessageResult::Yes);
    fileDialogs.cancel();  // Save As of the untitled document is cancelled
    RecordingSessionEnd session(true);
    app.onSessionEnd(session);
    EXPECT_EQ(session.cancels, 1);
    EXPECT_TRUE(app.document()->isModified());
}

// --- Printing to PDF, read back with pdftotext ----------------------------------------------

struct PrintedWord {
    int page = 0;
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    QString text;
};

struct PrintedPdf {
    std::vector<QSizeF> pages;  // points
    std::vector<PrintedWord> words;
};

// Runs a command and returns its standard output; fails the test when it does not exit with 0.
std::string commandOutput(const std::string& command)
{
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        ADD_FAILURE() << "cannot run " << command;
        return output;
    }
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, n);
    EXPECT_EQ(::pclose(pipe), 0) << command;
    return output;
}

// The pages and words of a PDF with their boxes, from `pdftotext -bbox` (poppler-utils).
PrintedPdf readPdf(const std::string& pdf)
{
    const QString html = QString::fromStdString(commandOutput("pdftotext -bbox '" + pdf + "' -"));
    PrintedPdf result;
    static const QRegularExpression pageOrWord(
        QStringLiteral(R"re(<page width="([\d.]+)" height="([\d.]+)">|)re"
                       R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
    for (auto it = pageOrWord.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        if (!match.captured(1).isEmpty()) {
            result.pages.emplace_back(match.captured(1).toDouble(), match.captured(2).toDouble());
            continue;
        }
        result.words.push_back({static_cast<int>(result.pages.size()) - 1, match.captured(3).toDouble(),
                                match.captured(4).toDouble(), match.captured(5).toDouble(),
                                match.captured(6).toDouble(), match.captured(7)});
    }
    return result;
}

struct PrintTest : DesktopTest {
    // Prints through File > Print into a PDF file, the print dialog accepted as it comes.
    std::string printToPdf()
    {
        std::string pdf = dir.file("printed.pdf");
        QPrinter& printer = app.printer();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf));
        printer.setPageSize(QPageSize(QPageSize::A4));
        bool dialogSeen = false;
        QTimer accept;
        QObject::connect(&accept, &QTimer::timeout, [&] {
            if (auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget())) {
                dialogSeen = true;
                dialog->accept();
            }
        });
        accept.start(20);
        frame->updateCommandUi();
        EXPECT_TRUE(frame->onCommand(cmd::ID_FILE_PRINT));
        EXPECT_TRUE(dialogSeen);
        return pdf;
    }
};

TEST_F(PrintTest, TextPagesHoldTheTextInOrderWithinHalfInchMargins)
{
    std::string text;
    QStringList expected;
    for (int line = 1; line <= 150; ++line) {
        const QString words = QStringLiteral("line%1 alpha beta").arg(line, 3, 10, QLatin1Char('0'));
        text += words.toStdString() + "\n";
        expected += words.split(QLatin1Char(' '));
    }
    // One line longer than the page is wide: it wraps inside the right margin.
    QString longLine;
    for (int word = 1; word <= 40; ++word)
        longLine += QStringLiteral("wrap%1 ").arg(word, 2, 10, QLatin1Char('0'));
    text += longLine.toStdString() + "\nlast\n";
    expected += longLine.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    expected += QStringLiteral("last");
    ASSERT_NO_FATAL_FAILURE(startEditor(dir.write("pages.txt", text)));
    ASSERT_EQ(frame->paneText(StatusPane::Mode), " TEXT ");

    const PrintedPdf pdf = readPdf(printToPdf());
    ASSERT_GE(pdf.pages.size(), 3U);
    QStringList printed;
    for (const PrintedWord& word : pdf.words)
        printed += word.text;
    EXPECT_EQ(printed, expected);

    const double margin = 720.0 / 20.0;  // twips to points
    for (std::size_t page = 0; page < pdf.pages.size(); ++page) {
        const QSizeF size = pdf.pages[page];
        double left = 1e9, top = 1e9, right = 0, bottom = 0;
        int words = 0;
        for (const PrintedWord& word : pdf.words) {
            if (word.page != static_cast<int>(page))
                continue;
            ++words;
            left = std::min(left, word.xMin);
            top = std::min(top, word.yMin);
            right = std::max(right, word.xMax);
            bottom = std::max(bottom, word.yMax);
        }
        ASSERT_GT(words, 0) << "page " << page + 1;
        // Text starts at the margins (a glyph's box may reach a point past its line's top)...
        EXPECT_NEAR(left, margin, 1.0) << "page " << page + 1;
        EXPECT_NEAR(top, margin, 3.0) << "page " << page + 1;
        // ...and stays inside the others.
        EXPECT_LE(right, size.width() - margin + 0.5) << "page " << page + 1;
        EXPECT_LE(bottom, size.height() - margin + 0.5) << "page " << page + 1;
        if (page + 1 < pdf.pages.size()) {  // full pages reach down to the bottom margin
            EXPECT_GT(bottom, size.height() - margin - 30) << "page " << page + 1;
        }
    }
}

TEST_F(PrintTest, BinaryDocumentPrints)
{
    std::string bytes;
    for (int i = 0; i < 4096; ++i)
        bytes += static_cast<char>(i % 256);
    ASSERT_NO_FATAL_FAILURE(startEditor(dir.write("all.bin", bytes)));
    ASSERT_EQ(frame->paneText(StatusPane::Mode), "BINARY");
    const PrintedPdf pdf = readPdf(printToPdf());
    EXPECT_GE(pdf.pages.size(), 1U);
    EXPECT_FALSE(pdf.words.empty());
    EXPECT_EQ(storage(), bytes);
}

}  // namespace
}  // namespace quillory
