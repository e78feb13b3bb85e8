#pragma once
// The URL bar: "URL:", an edit for the address, Retrieve and Stop. Made hidden; the frame shows it
// at start-up and "URL Toolbar" hides and shows it again; docks at the top or the bottom. Retrieve
// (also Return in the edit) and Stop only pass the request on to whoever registered for it (the
// view), and each is disabled while nobody has.

#include <cstdint>
#include <functional>

#include <QToolBar>

class QLineEdit;
class QPushButton;

namespace quillory {

class UrlBar : public QToolBar {
    Q_OBJECT
public:
    using RetrieveHandler = std::function<void(const QString& url)>;
    using StopHandler = std::function<void()>;

    explicit UrlBar(QWidget* parent = nullptr);

    // Shows the bar if hidden, hides it if shown. The edit keeps its text while hidden.
    void toggleUrlBar();
    // While a retrieval runs Retrieve is off and Stop on.
    void setBusy(bool busy);
    bool busy() const { return m_busy; }
    // Enables Retrieve and Stop from the busy state and the registered handlers.
    void updateButtons();

    void setRetrieveHandler(RetrieveHandler handler) { m_onRetrieve = std::move(handler); }
    void setStopHandler(StopHandler handler) { m_onStop = std::move(handler); }

    QLineEdit* urlEdit() const { return m_edit; }
    QPushButton* retrieveButton() const { return m_retrieve; }
    QPushButton* stopButton() const { return m_stop; }

private:
    void onRetrieve();
    void onStop();

    bool m_busy = false;      // a retrieval runs
    QLineEdit* m_edit;        // control 1039
    QPushButton* m_retrieve;  // control 1042
    QPushButton* m_stop;      // control 1044
    RetrieveHandler m_onRetrieve;
    StopHandler m_onStop;
};

}  // namespace quillory
