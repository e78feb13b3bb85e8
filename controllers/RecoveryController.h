#pragma once
// Unsaved changes kept safe from a crash: every edit of the document goes to a journal in the
// recovery folder, written by a thread of its own, from the first edit after a load, New or save
// until the document is saved, replaced or given up. At start-up, the journals an editor that died
// left behind are offered back, one by one.

#include <QObject>
#include <QPointer>
#include <memory>
#include <mutex>
#include <string>

#include "document/DocumentInterfaces.h"
#include "recovery/JournalFolder.h"
#include "recovery/JournalFormat.h"
#include "recovery/JournalWriter.h"
#include "view/ViewServices.h"

namespace quillory {

class BackgroundCopy;
class EditControl;
class QuilloryDoc;
class QuilloryView;
struct ReplayedDocument;

class RecoveryController : public QObject, private IDocumentChanges {
    Q_OBJECT
public:
    // Journals the document shown in view into services.recoveryFolder; an empty folder keeps
    // none. A child of view: it goes with it, and deletes the journal unless the document still
    // holds changes (an exit that could not ask, as at the end of a desktop session).
    RecoveryController(QuilloryView& view, QuilloryDoc& document, ViewServices services,
                       JournalWriterOptions options = {});
    ~RecoveryController() override;
    RecoveryController(const RecoveryController&) = delete;
    RecoveryController& operator=(const RecoveryController&) = delete;

    // At start-up: asks about every journal that an editor which died left behind, newest first.
    // True when one was recovered and is shown (the command-line file then stays closed).
    bool offerRecoveries();

    // The current journal's writer, or none (nothing edited since the last load, New or save).
    JournalWriter* writer() const { return m_writer.get(); }
    // Whether journalling failed for this document (the status bar says so).
    bool recoveryOff() const { return m_off; }

protected:
    bool event(QEvent* event) override;

private:
    // IDocumentChanges
    void documentSaved(const std::string& path, bool fileHoldsDocument) override;
    void changesGivenUp() override;

    void onTextChanged(qint64 offset, qint64 removed, qint64 inserted);
    void onDocumentShown();
    // The document now stands on base: the next edit begins a new journal.
    void startOver(const std::string& path, bool baseHoldsDocument);
    void startWriter(std::uint64_t lengthBeforeEdit);
    JournalWriterHooks writerHooks();
    void dropWriter();
    void showFailure(const std::string& reason);
    void setRecoveryOff(bool off);
    std::uint64_t documentLength() const;
    void copyDocument(std::uint64_t offset, std::uint64_t count, std::uint8_t* out) const;
    void journal(std::uint64_t offset, std::uint64_t removed, std::uint64_t count, bool snapshot);
    // Waits until the control's bytes of the last large edit are copied: they may change then.
    void waitForCopy();

    // Start-up recovery (RecoveryOffer.cpp).
    enum class Answer { Recovered, Next };
    Answer offer(OrphanJournal& journal);
    Answer recover(OrphanJournal& journal, const std::string& bytes, const std::string& name,
                   std::uint64_t validLength);
    Answer recoverAsUntitled(OrphanJournal& journal, const std::string& bytes, const std::string& name,
                             const std::string& reason);
    bool show(ReplayedDocument& replayed, const std::string& name);
    void askToDelete(OrphanJournal& journal, const std::string& name);

    QuilloryView& m_view;
    QuilloryDoc& m_document;
    EditControl& m_control;
    QPointer<EditControl> m_controlAlive;  // the view's children go first, the control among them
    ViewServices m_services;
    JournalWriterOptions m_options;
    std::unique_ptr<JournalWriter> m_writer;
    std::shared_ptr<BackgroundCopy> m_pendingCopy;  // the last large edit's bytes, being copied
    JournalHeader m_header;                         // the base and kind of the next journal
    bool m_baseHoldsDocument = true;                // replaying edits over the base gives the document
    bool m_modified = false;                        // the control's modified flag, as it last changed
    bool m_recovering = false;                      // a recovered document is being shown
    bool m_off = false;                             // journalling failed for this document
    bool m_failureShown = false;                    // the failure's box was shown for this document
    // The writer's reason for failing, handed over by its thread.
    struct FailureNote {
        std::mutex lock;
        std::string reason;
    };
    std::shared_ptr<FailureNote> m_failure = std::make_shared<FailureNote>();
};

}  // namespace quillory
