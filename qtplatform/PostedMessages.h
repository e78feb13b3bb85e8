#pragma once
// Every event the program posts to its own windows, numbered as private window messages
// (WM_USER + n). Posting is how a dialog or a worker thread tells the view something: the view
// handles the event on its next turn of the event loop, on the interface thread.

#include <QEvent>

namespace quillory {

inline constexpr int WM_USER = QEvent::User;

// The goto dialog's Done (also Esc and the close button): the view hides the dialog.
inline constexpr auto WM_GOTO_CLOSE = static_cast<QEvent::Type>(WM_USER + 5);
// The goto dialog's Go: the view reads the dialog's fields and selects what they name.
inline constexpr auto WM_GOTO_GO = static_cast<QEvent::Type>(WM_USER + 6);
// The retrieval worker has ended (after its message box, if any, was closed).
inline constexpr auto WM_RETRIEVAL_DONE = static_cast<QEvent::Type>(WM_USER + 9);
// The retrieval worker waits until the view has shown its message box and the box was closed.
inline constexpr auto WM_RETRIEVAL_MESSAGE = static_cast<QEvent::Type>(WM_USER + 10);

}  // namespace quillory
