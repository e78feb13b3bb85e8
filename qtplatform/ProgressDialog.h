#pragma once
// The window of long work: what is being done, a bar with the percentage done and a Cancel button.
// Escape and the window's close button cancel too.

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace quillory {

class ProgressDialog : public QDialog {
    Q_OBJECT
public:
    explicit ProgressDialog(const QString& title, QWidget* parent = nullptr);

    void setPercent(int percent);
    int percent() const;
    QPushButton* cancelButton() const { return m_cancel; }
    QLabel* titleLabel() const { return m_title; }

signals:
    void cancelRequested();

protected:
    void reject() override;

private:
    QLabel* m_title;
    QProgressBar* m_bar;
    QPushButton* m_cancel;
};

}  // namespace quillory
