#pragma once
// The help window: the bundled help text (license, introduction, usage, contact) in a browser.

#include <QDialog>

class QTextBrowser;

namespace quillory {

class HelpWindow : public QDialog {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);
    QTextBrowser* browser() const { return m_browser; }

private:
    QTextBrowser* m_browser;
};

}  // namespace quillory
