// The journal of the document's unsaved changes: when it begins, what goes into it, when it goes.
#include "controllers/RecoveryController.h"

#include <QCoreApplication>
#include <QEvent>

#include "base/Paths.h"
#include "document/QuilloryDoc.h"
#include "editcontrol/EditControl.h"
#include "qtplatform/PostedMessages.h"
#include "recovery/BackgroundCopy.h"
#include "recovery/JournalReplay.h"
#include "view/QuilloryView.h"

namespace quillory {

namespace {

constexpr const char* kJournalFailed =
    "Unsaved changes to this document can no longer be kept for recovery after a crash. Editing goes "
    "on without them: save your work.";
constexpr const char* kRecoveryOffPane = "Recovery off";
constexpr std::uint64_t kLargeEdit = std::uint64_t{64} * 1024;

}  // namespace

RecoveryController::RecoveryController(QuilloryView& view, QuilloryDoc& document, ViewServices services,
                                       JournalWriterOptions options)
    : QObject(&view),
      m_view(view),
      m_document(document),
      m_control(view.control()),
      m_controlAlive(&view.control()),
      m_services(std::move(services)),
      m_options(options)
{
    if (m_services.recoveryFolder.empty())
        return;
    m_control.setBeforeTextChange([this] { waitForCopy(); });
    m_document.setChangesListener(this);
    connect(&m_control, &EditControl::textChanged, this, &RecoveryController::onTextChanged);
    connect(&m_control, &EditControl::modifiedChanged, this, [this](bool modified) { m_modified = modified; });
    connect(&m_view, &QuilloryView::documentShown, this, &RecoveryController::onDocumentShown);
    startOver(m_document.folder() + m_document.fileName(), true);
}

RecoveryController::~RecoveryController()
{
    if (m_services.recoveryFolder.empty())
        return;
    waitForCopy();
    if (m_controlAlive != nullptr)
        m_control.setBeforeTextChange({});
    m_document.setChangesListener(nullptr);
    // A clean exit leaves no journal behind, unless the changes are still wanted: the document was
    // neither saved nor given up (the desktop ended the session without leave to ask).
    if (!m_modified)
        dropWriter();
}

void RecoveryController::startOver(const std::string& path, bool baseHoldsDocument)
{
    m_header = {};
    m_header.mode = m_document.mode();
    m_header.encoding = m_document.encoding();
    m_baseHoldsDocument = baseHoldsDocument;
    if (!path.empty()) {
        m_header.base.path = absolutePath(path);
        // A file that cannot be looked at, or whose bytes are not those the document holds (a file
        // of /proc, a file changed since), is no base to replay edits over.
        if (!identifyFile(m_header.base.path, m_header.base) || m_header.base.size != documentLength())
            m_baseHoldsDocument = false;
    } else if (documentLength() > 0) {
        m_baseHoldsDocument = false;  // a document from memory
    }
}

void RecoveryController::onDocumentShown()
{
    if (m_recovering)
        return;
    // Whatever the journal kept belonged to the document that went: saved, or given up when asked.
    dropWriter();
    setRecoveryOff(false);
    m_failureShown = false;
    m_modified = m_control.isModified();
    startOver(m_document.folder() + m_document.fileName(), true);
}

void RecoveryController::documentSaved(const std::string& path, bool fileHoldsDocument)
{
    // The save has reached the disk: the changes are safe in the file.
    dropWriter();
    setRecoveryOff(false);
    startOver(path, fileHoldsDocument);
}

void RecoveryController::changesGivenUp()
{
    dropWriter();
    // Should the document stay (Open's dialog cancelled), the edits so far are in no journal: the
    // next one begins a journal from the whole document.
    m_baseHoldsDocument = false;
}

void RecoveryController::waitForCopy()
{
    if (m_pendingCopy != nullptr)
        m_pendingCopy->waitCopied();
    m_pendingCopy.reset();
}

void RecoveryController::dropWriter()
{
    if (m_writer != nullptr)
        m_writer->discard();
    m_writer.reset();
}

std::uint64_t RecoveryController::documentLength() const
{
    if (m_document.mode() == DocumentMode::Binary)
        return static_cast<std::uint64_t>(std::max(m_document.storage().length(), 0));
    return static_cast<std::uint64_t>(m_control.textLength());
}

// Copies the document's bytes of [offset, offset + count) to out: the true bytes of a BINARY
// document, the control's of a TEXT one.
void RecoveryController::copyDocument(std::uint64_t offset, std::uint64_t count, std::uint8_t* out) const
{
    if (m_document.mode() == DocumentMode::Binary) {
        // Read around the storage's gap, which stays where the typing is.
        if (count > 0)
            m_document.storage().read(static_cast<std::int64_t>(offset), {out, static_cast<std::size_t>(count)});
        return;
    }
    m_control.textRange(static_cast<std::int64_t>(offset), static_cast<std::int64_t>(offset + count),
                        reinterpret_cast<char*>(out));
}

// Hands an edit (snapshot: the whole document) to the writer. The bytes of a large TEXT edit are
// copied beside the interface, and the control waits for that copy before its next change; other
// large bytes go in a block of the byte heap, which takes them faster than a string that is zeroed
// first.
void RecoveryController::journal(std::uint64_t offset, std::uint64_t removed, std::uint64_t count, bool snapshot)
{
    if (count >= kLargeEdit && !snapshot && m_document.mode() == DocumentMode::Text) {
        std::vector<std::span<const std::uint8_t>> pieces;
        m_control.buffer().forEachPiece(
            static_cast<std::int64_t>(offset), static_cast<std::int64_t>(count), [&](std::string_view piece) {
                pieces.emplace_back(reinterpret_cast<const std::uint8_t*>(piece.data()), piece.size());
            });
        m_pendingCopy = BackgroundCopy::start(m_document.heap(), std::move(pieces));
        m_writer->append(offset, removed, m_pendingCopy);
        return;
    }
    if (count >= kLargeEdit) {
        HeapBlock block(m_document.heap(), static_cast<std::size_t>(count));
        if (block.ok()) {
            adviseSmallPages(block.data(), block.size());  // no wait for the kernel to make huge ones
            copyDocument(offset, count, block.data());
            if (snapshot)
                m_writer->appendSnapshot(std::move(block), static_cast<std::size_t>(count));
            else
                m_writer->append(offset, removed, std::move(block), static_cast<std::size_t>(count));
            return;
        }
    }
    std::string bytes(static_cast<std::size_t>(count), '\0');
    copyDocument(offset, count, reinterpret_cast<std::uint8_t*>(bytes.data()));
    if (snapshot)
        m_writer->appendSnapshot(std::move(bytes));
    else
        m_writer->append(offset, removed, std::move(bytes));
}

void RecoveryController::onTextChanged(qint64 offset, qint64 removed, qint64 inserted)
{
    if (m_view.isShowingDocument() || m_off)
        return;
    if (m_writer == nullptr) {
        startWriter(documentLength() - static_cast<std::uint64_t>(inserted) + static_cast<std::uint64_t>(removed));
        if (!m_baseHoldsDocument) {
            // Edits over the base would not give the document back: the journal starts from it whole.
            journal(0, 0, documentLength(), true);
            return;
        }
    }
    journal(static_cast<std::uint64_t>(offset), static_cast<std::uint64_t>(removed),
            static_cast<std::uint64_t>(inserted), false);
}

void RecoveryController::startWriter(std::uint64_t lengthBeforeEdit)
{
    m_writer = std::make_unique<JournalWriter>(m_services.recoveryFolder, m_header, lengthBeforeEdit, writerHooks(),
                                               m_options);
}

JournalWriterHooks RecoveryController::writerHooks()
{
    // Called on the writer's thread, which joins before this object goes.
    JournalWriterHooks hooks;
    hooks.failed = [this, note = m_failure](const std::string& reason) {
        {
            const std::lock_guard<std::mutex> hold(note->lock);
            note->reason = reason;
        }
        QCoreApplication::postEvent(this, new QEvent(kJournalFailedEvent));
    };
    hooks.needsSnapshot = [this] { QCoreApplication::postEvent(this, new QEvent(kJournalSnapshotEvent)); };
    return hooks;
}

bool RecoveryController::event(QEvent* event)
{
    if (event->type() == kJournalFailedEvent) {
        std::string reason;
        {
            const std::lock_guard<std::mutex> hold(m_failure->lock);
            reason = m_failure->reason;
        }
        if (m_writer != nullptr && m_writer->failed())
            showFailure(reason);
        return true;
    }
    if (event->type() == kJournalSnapshotEvent) {
        if (m_writer != nullptr && !m_writer->failed())
            journal(0, 0, documentLength(), true);
        return true;
    }
    return QObject::event(event);
}

void RecoveryController::showFailure(const std::string& reason)
{
    // The journal as far as it got stays (a crash still finds those changes); nothing more goes in.
    setRecoveryOff(true);
    if (m_failureShown || m_services.messageBoxes == nullptr)
        return;
    m_failureShown = true;
    showMessageBox(*m_services.messageBoxes, std::string(kJournalFailed) + "\nReason: " + reason,
                   MessageIcon::Exclamation);
}

void RecoveryController::setRecoveryOff(bool off)
{
    m_off = off;
    if (m_services.setPaneText)
        m_services.setPaneText(StatusPane::Recovery, off ? QString::fromLatin1(kRecoveryOffPane) : QString());
}

}  // namespace quillory
