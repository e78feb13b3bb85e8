#include "qtplatform/QtLongWork.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QScopedValueRollback>
#include <QTimer>
#include <atomic>
#include <exception>
#include <memory>
#include <thread>

#include "qtplatform/ProgressDialog.h"

namespace quillory {

namespace {

bool longWorkRunning = false;
QPointer<ProgressDialog> shownProgressDialog;

}  // namespace

bool QtLongWork::isRunning()
{
    return longWorkRunning;
}

ProgressDialog* QtLongWork::shownDialog()
{
    return shownProgressDialog.data();
}

bool QtLongWork::run(const std::string& title, const std::function<void(WorkProgress&)>& work)
{
    // Work asked for while other work runs (by something the event loop delivered meanwhile) runs
    // where it is asked.
    if (longWorkRunning)
        return workInPlace().run(title, work);
    const QScopedValueRollback running(longWorkRunning, true);
    WorkProgress progress;
    progress.setPauseForTests(m_testPause);
    std::atomic<bool> finished{false};
    std::exception_ptr failure;
    QEventLoop loop;
    std::thread worker([&] {
        try {
            work(progress);
        } catch (...) {
            failure = std::current_exception();
        }
        finished.store(true, std::memory_order_release);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });

    QElapsedTimer clock;
    clock.start();
    std::unique_ptr<ProgressDialog> dialog;
    const auto dueToShow = [&] { return dialog == nullptr && clock.elapsed() >= kShowAfter.count(); };
    QTimer tick;
    tick.setInterval(kTick);
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (dialog != nullptr)
            dialog->setPercent(progress.percent());
        if (finished.load(std::memory_order_acquire) || dueToShow())
            loop.quit();
    });
    tick.start();
    while (!finished.load(std::memory_order_acquire)) {
        if (dueToShow()) {
            dialog = std::make_unique<ProgressDialog>(QString::fromStdString(title), m_parent);
            QObject::connect(dialog.get(), &ProgressDialog::cancelRequested, &loop, [&progress] { progress.cancel(); });
            dialog->setPercent(progress.percent());
            dialog->show();
            shownProgressDialog = dialog.get();
        }
        // Until the window shows, the user's input waits for the work's end; then the window, which
        // is modal, keeps it from the document.
        loop.exec(dialog != nullptr ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
    }
    worker.join();
    shownProgressDialog = nullptr;
    dialog.reset();
    if (failure)
        std::rethrow_exception(failure);
    return !progress.cancelled();
}

}  // namespace quillory
