#pragma once
// The modeless Goto dialog. It keeps its fields for the view's whole life and talks to the view
// only by posting kGotoGoEvent (Go) and kGotoCloseEvent (Done, Esc, the close button).

#include <QDialog>
#include <functional>

#include "base/MessageBox.h"
#include "qtplatform/PostedMessages.h"
#include "tools/GotoLogic.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace quillory {

class GotoDialog : public QDialog {
    Q_OBJECT
public:
    // view receives the posted notifications; boxes and beep serve the edits' checks.
    GotoDialog(QObject* view, IMessageBoxes& boxes, std::function<void()> beep, QWidget* parent = nullptr);

    // Shows the window, checked to jump by offset, with the texts of last time.
    void showWindow();
    GotoFields& fields() { return m_fields; }

    QLineEdit* offsetEdit() const { return m_offset; }
    QLineEdit* percentEdit() const { return m_percent; }
    QCheckBox* byOffsetBox() const { return m_byOffset; }
    QCheckBox* byPercentBox() const { return m_byPercent; }
    QPushButton* goButton() const { return m_go; }
    QPushButton* doneButton() const { return m_done; }

    void accept() override;  // Go
    void reject() override;  // Done and Esc

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void writeFieldsToControls();
    void react(const GotoEditReaction& reaction);

    QObject* m_target;  // receives kGotoGoEvent and kGotoCloseEvent
    IMessageBoxes& m_boxes;
    std::function<void()> m_beep;
    GotoFields m_fields;     // offset and percent texts, the check-box pair
    QLineEdit* m_offset;     // 1009
    QLineEdit* m_percent;    // 1010
    QCheckBox* m_byOffset;   // 1011
    QCheckBox* m_byPercent;  // 1012
    QPushButton* m_go;       // "&Go"
    QPushButton* m_done;     // "&Done", the default button
};

}  // namespace quillory
