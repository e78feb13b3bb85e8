#pragma once
// Internet retrieval as a feature of the editor: Retrieve and Stop from the URL bar, the worker
// and its boxes, the completion (show, keep or save the document), the Downloads menu (Load
// Saved Doc., Save Download As, View After Download) and View > URL Toolbar. It owns the download
// buffer, shared with its worker, and registers its commands with the router beside the view.
// The worker reports by events posted to this object; the buffer is touched here only while no
// worker runs.

#include <QObject>
#include <QTimer>
#include <memory>
#include <string>

#include "commands/CommandRouter.h"
#include "internet/DownloadBuffer.h"
#include "view/ViewServices.h"

namespace quillory {

class QuilloryDoc;
class QuilloryView;
class Retrieval;

class DownloadsController : public QObject {
    Q_OBJECT
public:
    // Works on view, which shows retrieved documents, and its document. A child of view: it goes
    // with it, stopping its worker.
    DownloadsController(QuilloryView& view, QuilloryDoc& document, ViewServices services);
    ~DownloadsController() override;
    DownloadsController(const DownloadsController&) = delete;
    DownloadsController& operator=(const DownloadsController&) = delete;

    // Its level of the command route, beside the view's.
    CommandTarget& commands() { return m_commands; }

    // The URL bar's buttons.
    void retrieve(const std::string& typed);
    void stop();

    // From Retrieve until its completion has been handled, Stop or the end.
    bool retrieving() const { return m_retrieving; }
    // Whether a retrieved document is shown at once when the editor is empty and unmodified.
    bool viewAfterDownload() const { return m_viewAfterDownload; }
    // The last retrieved document, until it is shown, saved or replaced.
    const DownloadBuffer& buffer() const { return *m_buffer; }
    // The address of the last Retrieve as it was sent (or as typed, when it was refused).
    const std::string& url() const { return m_url; }

    // The Downloads menu.
    void loadSavedDocument();
    void saveDownloadAs();
    void toggleViewAfterDownload() { m_viewAfterDownload = !m_viewAfterDownload; }

protected:
    bool event(QEvent* event) override;

private:
    void registerCommands();
    void showWorkerMessage();
    void complete();
    void showDownload();
    void stopWorker();
    void setUrlBarBusy(bool busy) const;
    void showBox(const MessageBoxRequest& box) const;
    void showInfo(const char* text) const;
    void showSaveError(const std::string& path, const std::string& reason) const;
    void showProgress() const;
    void endProgress();

    QuilloryView& m_view;
    QuilloryDoc& m_document;
    ViewServices m_services;
    CommandTarget m_commands;
    std::shared_ptr<DownloadBuffer> m_buffer = std::make_shared<DownloadBuffer>();  // shared with the worker
    std::shared_ptr<Retrieval> m_retrieval;  // the last worker started, until it ends or is stopped
    std::string m_url;                       // the address of the last Retrieve
    bool m_retrieving = false;
    bool m_viewAfterDownload = true;
    QTimer m_progressTimer;  // refreshes pane 0 while a retrieval runs
};

}  // namespace quillory
