#pragma once
// Long work for the interface: the work runs on a thread of its own while the interface thread
// turns the event loop, so the window repaints. For the first half second nothing new is shown and
// the user's input waits; after it a modal ProgressDialog shows the percentage and a Cancel button.

#include <QPointer>
#include <chrono>

#include "base/LongWork.h"

class QWidget;

namespace quillory {

class ProgressDialog;

class QtLongWork final : public ILongWork {
public:
    // Work shorter than this shows nothing.
    static constexpr std::chrono::milliseconds kShowAfter{500};
    // How often the window looks at the work's progress.
    static constexpr std::chrono::milliseconds kTick{40};

    explicit QtLongWork(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }

    bool run(const std::string& title, const std::function<void(WorkProgress&)>& work) override;

    // Whether long work runs now: whatever would change the document (a download's completion)
    // waits until it has ended.
    static bool isRunning();
    // The progress window of the work running now, once it shows; else null.
    static ProgressDialog* shownDialog();
    // Tests: every piece of work pauses this long (a slow disk).
    void slowDownForTests(std::chrono::milliseconds pause) { m_testPause = pause; }

private:
    QPointer<QWidget> m_parent;
    std::chrono::milliseconds m_testPause{0};
};

}  // namespace quillory
