// The journal of the document's unsaved changes: when it begins, what goes into it, when it goes.
#include "controllers/RecoveryController.h"

#include <QCoreApplication>
#include <QEvent>
#include <cstring>

#include "base/Paths.h"
#include "document/QuilloryDoc.h"
#include "editcontrol/EditControl.h"
#include "qtplatform/PostedMessages.h"
#include "recovery/JournalReplay.h"
#include "view/QuilloryView.h"

namespace quillory {

namespace {

constexpr const char* kJournalFailed =
    "Unsaved changes to this document can no longer be kept for recovery after a crash. Editing goes "
    "on without them: save your work.";
constexpr const char* kRecoveryOffPane = "Recovery off";

}  // namespace

RecoveryController::RecoveryController(QuilloryView& view, QuilloryDoc& document, ViewServices services,
                                       JournalWriterOptions options)
    : QObject(&view),
      m_view(view),
      m_document(document),
      m_control(view.control()),
      m_services(std::move(services)),
      m_options(options)
{
    if (m_services.recoveryFolder.empty())
        return;
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

// The document's bytes of [offset, offset + count): the true bytes of a BINARY document, the
// control's of a TEXT one.
std::string RecoveryController::documentBytes(std::uint64_t offset, std::uint64_t count) const
{
    if (m_document.mode() == DocumentMode::Binary) {
        const std::uint8_t* bytes = m_document.storage().bytes();
        if (bytes == nullptr)
            return {};
        return {reinterpret_cast<const char*>(bytes) + offset, static_cast<std::size_t>(count)};
    }
    std::string text(static_cast<std::size_t>(count), '\0');
    m_control.textRange(static_cast<std::int64_t>(offset), static_cast<std::int64_t>(offset + count), text.data());
    return text;
}

void RecoveryController::onTextChanged(qint64 offset, qint64 removed, qint64 inserted)
{
    if (m_view.isShowingDocument() || m_off)
        return;
    if (m_writer == nullptr) {
        startWriter(documentLength() - static_cast<std::uint64_t>(inserted) + static_cast<std::uint64_t>(removed));
        if (!m_baseHoldsDocument) {
            // Edits over the base would not give the document back: the journal starts from it whole.
            m_writer->appendSnapshot(documentBytes(0, documentLength()));
            return;
        }
    }
    m_writer->append(static_cast<std::uint64_t>(offset), static_cast<std::uint64_t>(removed),
                     documentBytes(static_cast<std::uint64_t>(offset), static_cast<std::uint64_t>(inserted)));
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
            m_writer->appendSnapshot(documentBytes(0, documentLength()));
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
