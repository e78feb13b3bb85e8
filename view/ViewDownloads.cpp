// Internet retrieval in the view: Retrieve and Stop from the URL bar, the worker's boxes and its
// completion, and the Downloads menu (Show Download, Load Saved Doc., Save Download As, View After
// Download). The worker reports by posted events only; this side touches the download buffer only
// while no worker runs.
#include <QApplication>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <new>

#include "base/SafeFileWriter.h"
#include "commands/CommandIds.h"
#include "document/ByteClassifier.h"
#include "internet/DownloadBuffer.h"
#include "internet/Retrieval.h"
#include "internet/RetrievalMessages.h"
#include "internet/RetrievalProgressText.h"
#include "internet/UrlRules.h"
#include "qtplatform/PostedMessages.h"
#include "editcore/Utf8.h"
#include "view/QuilloryView.h"

namespace quillory {

namespace {

constexpr int kProgressIntervalMs = 250;  // how often pane 0 shows the bytes received
constexpr int kHeldCompletionRetryMs = 50;  // how often a held completion looks for the modal's end

// The wait cursor for the lifetime of the object.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

void CQuilloryView::registerDownloadCommands()
{
    using namespace cmd;
    CommandTarget& c = m_commands;
    c.OnCommand(ID_VIEW_AFTER_DOWNLOAD, [this] { OnViewAfterDownload(); });
    c.OnUpdate(ID_VIEW_AFTER_DOWNLOAD, [this](CCmdUI& ui) { ui.SetCheck(m_bViewAfterDownload == 1); });
    // While a worker runs the buffer is its own: neither item may take what has arrived so far.
    c.OnCommand(ID_LOAD_SAVED_DOC, [this] { OnLoadSavedDoc(); });
    c.OnUpdate(ID_LOAD_SAVED_DOC, [this](CCmdUI& ui) { ui.Enable(m_bRetrieving == 0 && m_downloads->held()); });
    c.OnCommand(ID_SAVE_DOWNLOAD_AS, [this] { OnSaveDownloadAs(); });
    c.OnUpdate(ID_SAVE_DOWNLOAD_AS, [this](CCmdUI& ui) { ui.Enable(m_bRetrieving == 0 && m_downloads->held()); });
    // The check mark is the frame's: it follows the bar's visibility.
    if (m_services.toggleUrlBar)
        c.OnCommand(ID_VIEW_URL_TOOLBAR, [this] { OnViewUrlToolbar(); });
}

void CQuilloryView::Retrieve(const std::string& typed)
{
    if (m_bRetrieving != 0)
        return;
    const UrlDecision decision = normaliseUrl(typed);
    if (decision.refusal) {
        m_strUrl = typed;
        if (m_services.messageBoxes != nullptr)
            m_services.messageBoxes->show(*decision.refusal);
        return;
    }
    m_strUrl = decision.url;
    RetrievalCallbacks callbacks;
    // Both run on the worker's thread; posting is all they do.
    callbacks.messageWaiting = [this] { QCoreApplication::postEvent(this, new QEvent(WM_RETRIEVAL_MESSAGE)); };
    callbacks.completed = [this] { QCoreApplication::postEvent(this, new QEvent(WM_RETRIEVAL_DONE)); };
    std::string whyNot;
    m_pRetrieval = Retrieval::start(RetrievalRequest{m_strUrl, testCertificateAuthorities()}, m_downloads,
                                    std::move(callbacks), &whyNot);
    if (m_pRetrieval == nullptr) {
        if (m_services.messageBoxes != nullptr)
            m_services.messageBoxes->show(
                {kErrorCaption, withReason(kNoBufferText, whyNot), MessageIcon::Stop, MessageButtons::Ok});
        return;
    }
    m_bRetrieving = 1;
    setUrlBarBusy(true);
    showProgress();
    m_progressTimer->start(kProgressIntervalMs);
}

void CQuilloryView::Stop()
{
    StopRetrieval();
    setUrlBarBusy(false);
}

void CQuilloryView::StopRetrieval()
{
    if (m_bRetrieving == 0 || m_pRetrieval == nullptr || !m_pRetrieval->cancel())
        return;
    // The worker checks its cancel flag under the buffer's lock before every touch of the buffer,
    // so from here on the buffer is ours alone.
    m_bRetrieving = 0;
    m_pRetrieval.reset();
    endProgress();
    m_downloads->release();
}

void CQuilloryView::OnRetrievalMessage()
{
    const std::shared_ptr<Retrieval> retrieval = m_pRetrieval;
    if (retrieval == nullptr)
        return;
    const std::optional<MessageBoxRequest> box = retrieval->takePendingMessage();
    if (!box)
        return;
    if (m_services.messageBoxes != nullptr)
        m_services.messageBoxes->show(*box);
    retrieval->messageClosed();
}

void CQuilloryView::OnRetrievalDone()
{
    if (m_bRetrieving == 0)
        return;
    // A modal dialog or box is open (a file dialog, a question): the document behind it and the
    // download it may have been opened for stay as they are until it closes.
    if (QApplication::activeModalWidget() != nullptr) {
        QTimer::singleShot(kHeldCompletionRetryMs, this, &CQuilloryView::OnRetrievalDone);
        return;
    }
    m_bRetrieving = 0;
    setUrlBarBusy(false);
    // A retrieval that failed before its document arrived leaves an earlier download as it was,
    // still in the Downloads menu; it is not announced again as retrieved.
    const bool delivered = m_pRetrieval != nullptr && m_pRetrieval->delivered();
    m_pRetrieval.reset();
    endProgress();
    if (!delivered || !m_downloads->held())
        return;
    if (m_bViewAfterDownload == 0) {
        showInfo(kNotViewedText);
        OnSaveDownloadAs();
        return;
    }
    if (m_control->GetTextLength() > 0 || m_control->GetModify()) {
        showInfo(kKeptInMemoryText);
        return;
    }
    ShowDownload();
}

void CQuilloryView::ShowDownload()
{
    WaitCursor wait;
    DownloadBuffer::Document taken = m_downloads->take();
    HeapBlock& block = taken.block;
    const std::int32_t length = taken.length;
    if (!block.ok())
        return;
    const auto count = static_cast<std::size_t>(length);
    const bool binary = quillory::isBinary(block.data(), count);
    // Nothing changes until the control holds the download: a refusal leaves the document as it
    // was and the download in memory, offered for saving.
    const auto giveBack = [&](const MessageBoxRequest& box) {
        m_downloads->restore(std::move(taken));
        if (m_services.messageBoxes != nullptr)
            m_services.messageBoxes->show(box);
        OnSaveDownloadAs();
    };
    std::uint8_t* copy = nullptr;
    if (binary) {
        // The true bytes go to the storage; the download becomes the display copy.
        copy = static_cast<std::uint8_t*>(m_document.heap().allocPlain(count + 1));
        if (copy == nullptr) {
            giveBack({kBinaryMemoryErrorCaption, kBinaryMemoryErrorText, MessageIcon::Stop, MessageButtons::Ok});
            return;
        }
        std::memcpy(copy, block.data(), count);
        copy[count] = 0;
        makeDisplayCopy(block.data(), count);
    }
    // A TEXT download reads as UTF-8 when it is valid UTF-8, as a loaded file does.
    const TextEncoding encoding = binary || !utf8::isValid(block.data(), count) ? TextEncoding::Windows1252
                                                                                : TextEncoding::Utf8;
    const TextEncoding shown = m_control->encoding();
    m_control->setEncoding(encoding);
    try {
        m_control->adoptWindowText(std::move(block), count);
    } catch (const std::bad_alloc&) {
        if (!block.ok())
            throw;  // the control took the text and failed after: nothing left to give back
        m_control->setEncoding(shown);
        if (binary) {
            std::memcpy(block.data(), copy, count);
            m_document.heap().release(copy);
        }
        giveBack(binary ? MessageBoxRequest{kBinaryMemoryErrorCaption, kBinaryMemoryErrorText, MessageIcon::Stop,
                                            MessageButtons::Ok}
                        : MessageBoxRequest{kAppTitle, "Not enough memory!", MessageIcon::Exclamation, MessageButtons::Ok});
        return;
    }
    if (binary) {
        m_document.adoptBlock(copy, length, count + 1);
        m_document.m_nCapacity = length;
    } else {
        // Nothing reads the storage in TEXT mode; as after loading a TEXT file, it goes.
        m_document.releaseStorage();
        m_document.m_encoding = encoding;
    }
    m_document.m_bText = binary ? 0 : 1;
    showEncoding();
    m_document.SetTitle("Untitled");
    m_document.m_szFileName[0] = '\0';
    setPane(2, binary ? QStringLiteral("BINARY") : QStringLiteral(" TEXT "));
    m_control->EmptyUndoBuffer();
    m_document.releaseUndo();
    m_control->SetFocus();
}

void CQuilloryView::OnLoadSavedDoc()
{
    if (m_bRetrieving == 0 && m_downloads->held())
        ShowDownload();
}

void CQuilloryView::OnSaveDownloadAs()
{
    if (m_services.fileDialogs == nullptr || m_bRetrieving != 0)
        return;
    const std::optional<std::string> path = m_services.fileDialogs->choose(
        {FileDialogRequest::Kind::Save, m_document.m_strDir, std::string(), kFileDialogFilter});
    if (!path) {
        showInfo(kNotSavedText);
        return;
    }
    DownloadBuffer::Document taken = m_downloads->take();
    if (!taken.block.ok()) {
        // The user confirmed a save: it writes, or says why it did not.
        showSaveDownloadError(*path, "the download is no longer in memory");
        return;
    }
    // A new file, synced, then renamed over the old one: a failure leaves that file intact.
    errno = 0;
    if (!writeFileReplacing(*path, taken.block.first(static_cast<std::size_t>(taken.length)))) {
        const int error = errno;
        m_downloads->restore(std::move(taken));
        showSaveDownloadError(*path, error != 0 ? std::strerror(error) : "the file could not be written");
        return;
    }
    m_control->SetFocus();
}

void CQuilloryView::showSaveDownloadError(const std::string& path, const std::string& reason) const
{
    if (m_services.messageBoxes != nullptr)
        m_services.messageBoxes->show(
            {kFileErrorCaption, withReason(saveDownloadErrorText(path), reason), MessageIcon::Stop, MessageButtons::Ok});
}

void CQuilloryView::OnViewAfterDownload()
{
    m_bViewAfterDownload = m_bViewAfterDownload != 0 ? 0 : 1;
}

void CQuilloryView::OnViewUrlToolbar()
{
    m_services.toggleUrlBar();
}

void CQuilloryView::setUrlBarBusy(bool busy) const
{
    if (m_services.setUrlBarBusy)
        m_services.setUrlBarBusy(busy);
}

void CQuilloryView::showInfo(const char* text) const
{
    if (m_services.messageBoxes != nullptr)
        m_services.messageBoxes->show({kInfoCaption, text, MessageIcon::Information, MessageButtons::Ok});
}

void CQuilloryView::showProgress() const
{
    if (m_pRetrieval == nullptr)
        return;
    const RetrievalProgress progress = m_pRetrieval->progress();
    // Until the first bytes arrive, the address as it is being retrieved.
    if (progress.received == 0) {
        setPane(0, QStringLiteral("Retrieving ") + QString::fromStdString(m_strUrl));
        return;
    }
    setPane(0, QString::fromStdString(retrievalProgressText(progress.received, progress.total)));
}

void CQuilloryView::endProgress()
{
    m_progressTimer->stop();
    setPane(0, QString());
}

}  // namespace quillory
