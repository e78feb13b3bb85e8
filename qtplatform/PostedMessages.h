#pragma once
// Every event the program posts to its own windows, numbered as private window messages
// (kFirstPostedEvent + n). Posting is how a dialog or a worker thread tells the view something: the view
// handles the event on its next turn of the event loop, on the interface thread.

#include <QEvent>

namespace quillory {

inline constexpr int kFirstPostedEvent = QEvent::User;

// The goto dialog's Done (also Esc and the close button): the view hides the dialog.
inline constexpr auto kGotoCloseEvent = static_cast<QEvent::Type>(kFirstPostedEvent + 5);
// The goto dialog's Go: the view reads the dialog's fields and selects what they name.
inline constexpr auto kGotoGoEvent = static_cast<QEvent::Type>(kFirstPostedEvent + 6);
// The retrieval worker has ended (after its message box, if any, was closed).
inline constexpr auto kRetrievalDoneEvent = static_cast<QEvent::Type>(kFirstPostedEvent + 9);
// The retrieval worker waits until the view has shown its message box and the box was closed.
inline constexpr auto kRetrievalMessageEvent = static_cast<QEvent::Type>(kFirstPostedEvent + 10);
// The recovery journal's writer could not write the journal.
inline constexpr auto kJournalFailedEvent = static_cast<QEvent::Type>(kFirstPostedEvent + 11);
// The recovery journal's writer needs the whole document to start the journal again.
inline constexpr auto kJournalSnapshotEvent = static_cast<QEvent::Type>(kFirstPostedEvent + 12);

}  // namespace quillory
