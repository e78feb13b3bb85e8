// Start-up recovery: the journals an editor that died left behind, offered back one by one.
#include <QScopedValueRollback>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <unistd.h>

#include "base/SystemFiles.h"
#include "controllers/RecoveryController.h"
#include "document/QuilloryDoc.h"
#include "recovery/JournalReplay.h"
#include "view/QuilloryView.h"

namespace quillory {

namespace {

constexpr std::chrono::milliseconds kSnapshotSyncWait{5000};

// "DATE TIME" of a journal's last write, in local time.
std::string journalTime(std::int64_t modifiedNs)
{
    const std::time_t seconds = static_cast<std::time_t>(modifiedNs / 1'000'000'000);
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[32] = {};
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return text;
}

std::string documentName(const JournalHeader& header)
{
    return header.base.path.empty() ? std::string("Untitled") : header.base.path;
}

}  // namespace

bool RecoveryController::offerRecoveries()
{
    if (m_services.recoveryFolder.empty() || m_services.messageBoxes == nullptr)
        return false;
    std::vector<OrphanJournal> journals = claimOrphanJournals(m_services.recoveryFolder);
    for (OrphanJournal& journal : journals) {
        // One document fits the window: the journals after a recovered one wait for the next start.
        if (offer(journal) == Answer::Recovered)
            return true;
    }
    return false;
}

RecoveryController::Answer RecoveryController::offer(OrphanJournal& journal)
{
    IMessageBoxes& boxes = *m_services.messageBoxes;
    std::string bytes;
    if (!readWholeJournal(journal, bytes)) {
        showMessageBox(boxes,
                       "The unsaved changes kept in " + journal.path + " cannot be read. The file is kept." +
                           reasonLine(errno),
                       MessageIcon::Exclamation);
        return Answer::Next;
    }
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const JournalSummary summary = readJournal({data, bytes.size()});
    if (!summary.headerValid) {
        showMessageBox(boxes,
                       "The unsaved changes kept in " + journal.path +
                           " cannot be recovered: the file is damaged. It is kept.\nReason: its header does not "
                           "check out",
                       MessageIcon::Exclamation);
        return Answer::Next;
    }
    if (summary.records == 0) {
        // Made, then ended before its first edit reached it: it holds no change to offer.
        ::unlink(journal.path.c_str());
        return Answer::Next;
    }
    const std::string name = documentName(summary.header);
    const MessageResult answer = showMessageBox(boxes,
                                                "Quillory found unsaved changes to " + name + " from " +
                                                    journalTime(journal.modifiedNs) + ". Recover them?",
                                                MessageIcon::Question, MessageButtons::YesNoCancel);
    if (answer == MessageResult::Yes)
        return recover(journal, bytes, name, summary.validLength);
    if (answer == MessageResult::No)
        askToDelete(journal, name);
    return Answer::Next;
}

void RecoveryController::askToDelete(OrphanJournal& journal, const std::string& name)
{
    IMessageBoxes& boxes = *m_services.messageBoxes;
    if (showMessageBox(boxes, "Delete the unsaved changes to " + name + " for good?", MessageIcon::Question,
                       MessageButtons::YesNo) != MessageResult::Yes)
        return;
    if (::unlink(journal.path.c_str()) != 0 && errno != ENOENT) {
        showMessageBox(boxes, "The unsaved changes kept in " + journal.path + " cannot be deleted." + reasonLine(errno),
                       MessageIcon::Exclamation);
    }
}

RecoveryController::Answer RecoveryController::recover(OrphanJournal& journal, const std::string& bytes,
                                                       const std::string& name, std::uint64_t validLength)
{
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    ReplayedDocument replayed =
        replayJournal({data, bytes.size()}, ReplayFrom::Base, m_document.heap(), QuilloryDoc::kHandOverSlack);
    if (replayed.outcome == ReplayOutcome::BaseChanged)
        return recoverAsUntitled(journal, bytes, name, replayed.reason);
    if (replayed.outcome != ReplayOutcome::Recovered) {
        showMessageBox(*m_services.messageBoxes,
                       "The unsaved changes to " + name + " cannot be recovered. They are kept in " + journal.path +
                           ".\nReason: " + replayed.reason,
                       MessageIcon::Exclamation);
        return Answer::Next;
    }
    const JournalHeader header = replayed.header;
    const std::uint64_t length = replayed.length;
    if (!show(replayed, name))
        return Answer::Next;
    if (!header.base.path.empty())
        m_document.takePath(header.base.path);
    // The journal goes on from its last valid record, under the same lock.
    m_header = header;
    m_baseHoldsDocument = true;
    m_writer =
        std::make_unique<JournalWriter>(std::move(journal), header, validLength, length, writerHooks(), m_options);
    return Answer::Recovered;
}

RecoveryController::Answer RecoveryController::recoverAsUntitled(OrphanJournal& journal, const std::string& bytes,
                                                                 const std::string& name, const std::string& reason)
{
    IMessageBoxes& boxes = *m_services.messageBoxes;
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    ReplayedDocument replayed =
        replayJournal({data, bytes.size()}, ReplayFrom::SnapshotOnly, m_document.heap(), QuilloryDoc::kHandOverSlack);
    if (replayed.outcome != ReplayOutcome::Recovered) {
        showMessageBox(boxes,
                       name +
                           " has changed since these changes were made, so they cannot be applied to it. They are "
                           "kept in " +
                           journal.path + ".\nReason: " + reason,
                       MessageIcon::Exclamation);
        return Answer::Next;
    }
    if (showMessageBox(boxes,
                       name +
                           " has changed since these changes were made, so they cannot be applied to it. Open the "
                           "recovered document as an untitled one?\nReason: " +
                           reason,
                       MessageIcon::Question, MessageButtons::YesNo) != MessageResult::Yes)
        return Answer::Next;
    const auto length = static_cast<std::size_t>(replayed.length);
    HeapBlock document(m_document.heap(), length + 1);
    if (document.ok())
        std::memcpy(document.data(), replayed.bytes.data(), length);
    const JournalHeader recovered = replayed.header;
    if (!show(replayed, name))
        return Answer::Next;
    // A new journal for the untitled document starts from it whole; the old one goes once that is
    // on the disk.
    m_header = {};
    m_header.mode = recovered.mode;
    m_header.encoding = recovered.encoding;
    m_baseHoldsDocument = true;
    m_writer = std::make_unique<JournalWriter>(m_services.recoveryFolder, m_header, std::uint64_t{0}, writerHooks(),
                                               m_options);
    if (!document.ok())
        return Answer::Recovered;  // no memory for a copy: the old journal stays for the next start
    const std::uint64_t snapshot = m_writer->appendSnapshot(std::move(document), length);
    if (m_writer->waitSynced(snapshot, kSnapshotSyncWait))
        ::unlink(journal.path.c_str());
    return Answer::Recovered;
}

// Shows the replayed bytes as the document; false (after saying so) when there is no memory for it.
bool RecoveryController::show(ReplayedDocument& replayed, const std::string& name)
{
    const QScopedValueRollback recovering(m_recovering, true);
    const QuilloryView::MemoryDocument shown = m_view.showRecoveredDocument(
        replayed.bytes, static_cast<std::int64_t>(replayed.length), replayed.header.mode, replayed.header.encoding);
    if (shown == QuilloryView::MemoryDocument::Shown) {
        m_modified = true;
        setRecoveryOff(false);
        return true;
    }
    showMessageBox(*m_services.messageBoxes,
                   "The unsaved changes to " + name + " cannot be shown: there is not enough memory. They are kept.",
                   MessageIcon::Exclamation);
    return false;
}

}  // namespace quillory
