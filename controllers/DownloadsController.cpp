#include "controllers/DownloadsController.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <cerrno>
#include <cstring>

#include "base/Paths.h"
#include "base/SafeFileWriter.h"
#include "commands/CommandIds.h"
#include "document/QuilloryDoc.h"
#include "internet/Retrieval.h"
#include "internet/RetrievalMessages.h"
#include "internet/RetrievalProgressText.h"
#include "internet/UrlRules.h"
#include "qtplatform/PostedMessages.h"
#include "qtplatform/QtLongWork.h"
#include "view/QuilloryView.h"

namespace quillory {

namespace {

constexpr int kProgressIntervalMs = 250;    // how often pane 0 shows the bytes received
constexpr int kHeldCompletionRetryMs = 50;  // how often a held completion looks for the modal's end

}  // namespace

DownloadsController::DownloadsController(QuilloryView& view, QuilloryDoc& document, ViewServices services)
    : QObject(&view), m_view(view), m_document(document), m_services(std::move(services))
{
    registerCommands();
    connect(&m_progressTimer, &QTimer::timeout, this, &DownloadsController::showProgress);
}

DownloadsController::~DownloadsController()
{
    // A running worker is stopped; whatever it leaves unfinished it finishes alone, touching nothing
    // of this object's but the buffer it shares. The view and the window are going too: neither
    // is touched here.
    if (m_retrieval != nullptr)
        m_retrieval->cancel();
    m_buffer->release();
}

void DownloadsController::registerCommands()
{
    using namespace cmd;
    CommandTarget& c = m_commands;
    c.onCommand(ID_VIEW_AFTER_DOWNLOAD, [this] { toggleViewAfterDownload(); });
    c.onUpdate(ID_VIEW_AFTER_DOWNLOAD, [this](CommandUpdate& ui) { ui.setCheck(m_viewAfterDownload); });
    // While a worker runs the buffer is its own: neither item may take what has arrived so far.
    c.onCommand(ID_LOAD_SAVED_DOC, [this] { loadSavedDocument(); });
    c.onUpdate(ID_LOAD_SAVED_DOC, [this](CommandUpdate& ui) { ui.enable(!m_retrieving && m_buffer->held()); });
    c.onCommand(ID_SAVE_DOWNLOAD_AS, [this] { saveDownloadAs(); });
    c.onUpdate(ID_SAVE_DOWNLOAD_AS, [this](CommandUpdate& ui) { ui.enable(!m_retrieving && m_buffer->held()); });
    // The check mark is the frame's: it follows the bar's visibility.
    if (m_services.toggleUrlBar)
        c.onCommand(ID_VIEW_URL_TOOLBAR, [this] { m_services.toggleUrlBar(); });
}

bool DownloadsController::event(QEvent* event)
{
    if (event->type() == kRetrievalMessageEvent) {
        showWorkerMessage();
        return true;
    }
    if (event->type() == kRetrievalDoneEvent) {
        complete();
        return true;
    }
    return QObject::event(event);
}

void DownloadsController::retrieve(const std::string& typed)
{
    if (m_retrieving)
        return;
    const UrlDecision decision = normaliseUrl(typed);
    if (decision.refusal) {
        m_url = typed;
        showBox(*decision.refusal);
        return;
    }
    m_url = decision.url;
    RetrievalCallbacks callbacks;
    // Both run on the worker's thread; posting is all they do.
    callbacks.messageWaiting = [this] { QCoreApplication::postEvent(this, new QEvent(kRetrievalMessageEvent)); };
    callbacks.completed = [this] { QCoreApplication::postEvent(this, new QEvent(kRetrievalDoneEvent)); };
    std::string whyNot;
    m_retrieval = Retrieval::start(RetrievalRequest{m_url, testCertificateAuthorities()}, m_buffer,
                                   std::move(callbacks), &whyNot);
    if (m_retrieval == nullptr) {
        showBox({kErrorCaption, withReason(kNoBufferText, whyNot), MessageIcon::Stop, MessageButtons::Ok});
        return;
    }
    m_retrieving = true;
    setUrlBarBusy(true);
    showProgress();
    m_progressTimer.start(kProgressIntervalMs);
}

void DownloadsController::stop()
{
    stopWorker();
    setUrlBarBusy(false);
}

void DownloadsController::stopWorker()
{
    if (!m_retrieving || m_retrieval == nullptr || !m_retrieval->cancel())
        return;
    // The worker checks its cancel flag under the buffer's lock before every touch of the buffer,
    // so from here on the buffer is ours alone.
    m_retrieving = false;
    m_retrieval.reset();
    endProgress();
    m_buffer->release();
}

void DownloadsController::showWorkerMessage()
{
    const std::shared_ptr<Retrieval> retrieval = m_retrieval;
    if (retrieval == nullptr)
        return;
    const std::optional<MessageBoxRequest> box = retrieval->takePendingMessage();
    if (!box)
        return;
    showBox(*box);
    retrieval->messageClosed();
}

void DownloadsController::complete()
{
    if (!m_retrieving)
        return;
    // A modal dialog or box is open (a file dialog, a question), or long work runs (a load): the
    // document behind it and the download it may have been opened for stay as they are until it ends.
    if (QApplication::activeModalWidget() != nullptr || QtLongWork::isRunning()) {
        QTimer::singleShot(kHeldCompletionRetryMs, this, &DownloadsController::complete);
        return;
    }
    m_retrieving = false;
    setUrlBarBusy(false);
    // A retrieval that failed before its document arrived leaves an earlier download as it was,
    // still in the Downloads menu; it is not announced again as retrieved.
    const bool delivered = m_retrieval != nullptr && m_retrieval->delivered();
    m_retrieval.reset();
    endProgress();
    if (!delivered || !m_buffer->held())
        return;
    if (!m_viewAfterDownload) {
        showInfo(kNotViewedText);
        saveDownloadAs();
        return;
    }
    if (!m_view.isEmptyAndUnmodified()) {
        showInfo(kKeptInMemoryText);
        return;
    }
    showDownload();
}

void DownloadsController::showDownload()
{
    DownloadBuffer::Document taken = m_buffer->take();
    if (!taken.block.ok())
        return;
    const QuilloryView::MemoryDocument shown = m_view.showDocumentFromMemory(taken.block, taken.length);
    if (shown == QuilloryView::MemoryDocument::Shown)
        return;
    // Refused for want of memory: the document stays as it was, the download in memory, offered
    // for saving.
    m_buffer->restore(std::move(taken));
    showBox(shown == QuilloryView::MemoryDocument::NoMemoryForBinary
                ? MessageBoxRequest{kBinaryMemoryErrorCaption, kBinaryMemoryErrorText, MessageIcon::Stop,
                                    MessageButtons::Ok}
                : MessageBoxRequest{kAppTitle, "Not enough memory!", MessageIcon::Exclamation, MessageButtons::Ok});
    saveDownloadAs();
}

void DownloadsController::loadSavedDocument()
{
    if (!m_retrieving && m_buffer->held())
        showDownload();
}

void DownloadsController::saveDownloadAs()
{
    if (m_services.fileDialogs == nullptr || m_retrieving)
        return;
    const std::optional<std::string> path = m_services.fileDialogs->choose(
        {FileDialogRequest::Kind::Save, m_document.folder(), std::string(), kFileDialogFilter});
    if (!path) {
        showInfo(kNotSavedText);
        return;
    }
    DownloadBuffer::Document taken = m_buffer->take();
    if (!taken.block.ok()) {
        // The user confirmed a save: it writes, or says why it did not.
        showSaveError(*path, "the download is no longer in memory");
        return;
    }
    // A new file, synced, then renamed over the old one: a failure leaves that file intact. It is
    // written beside the window; a Cancel leaves the file as it was and the download in memory.
    bool written = false;
    int error = 0;
    const std::span<const std::uint8_t> bytes = taken.block.first(static_cast<std::size_t>(taken.length));
    const bool completed = m_view.runLongWork(taken.length, "Saving " + fileNameOf(*path), [&](WorkProgress& progress) {
        errno = 0;
        written = writeFileReplacing(*path, bytes, {}, &progress);
        error = errno;
    });
    if (!written) {
        m_buffer->restore(std::move(taken));
        if (completed)
            showSaveError(*path, error != 0 ? std::strerror(error) : "the file could not be written");
        return;
    }
    m_view.takeFocus();
}

void DownloadsController::setUrlBarBusy(bool busy) const
{
    if (m_services.setUrlBarBusy)
        m_services.setUrlBarBusy(busy);
}

void DownloadsController::showBox(const MessageBoxRequest& box) const
{
    if (m_services.messageBoxes != nullptr)
        m_services.messageBoxes->show(box);
}

void DownloadsController::showInfo(const char* text) const
{
    showBox({kInfoCaption, text, MessageIcon::Information, MessageButtons::Ok});
}

void DownloadsController::showSaveError(const std::string& path, const std::string& reason) const
{
    showBox(
        {kFileErrorCaption, withReason(saveDownloadErrorText(path), reason), MessageIcon::Stop, MessageButtons::Ok});
}

void DownloadsController::showProgress() const
{
    if (m_retrieval == nullptr || !m_services.setPaneText)
        return;
    const RetrievalProgress progress = m_retrieval->progress();
    // Until the first bytes arrive, the address as it is being retrieved.
    if (progress.received == 0) {
        m_services.setPaneText(StatusPane::Prompt, QStringLiteral("Retrieving ") + QString::fromStdString(m_url));
        return;
    }
    m_services.setPaneText(StatusPane::Prompt,
                           QString::fromStdString(retrievalProgressText(progress.received, progress.total)));
}

void DownloadsController::endProgress()
{
    m_progressTimer.stop();
    if (m_services.setPaneText)
        m_services.setPaneText(StatusPane::Prompt, QString());
}

}  // namespace quillory
