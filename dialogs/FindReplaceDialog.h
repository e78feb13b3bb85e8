#pragma once
// The modeless Find and Replace dialog: what to find, what to replace it with, whole word, match
// case, (for Find) the direction and, in a BINARY document, whether the text is hex bytes. It only
// asks; its controller searches and replaces, and tells it whether the document is BINARY.

#include <QDialog>
#include <QString>
#include <string>

#include "editcore/TextFinder.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QLabel;

namespace quillory {

// A search as the dialog describes it; the texts are encoded in the document's encoding when the
// search runs, so a search repeated after the encoding changed still finds the same characters.
struct SearchRequest {
    QString findWhat;
    QString replaceWith;
    FindOptions options;
    bool hexBytes = false;  // findWhat is hex digit pairs naming the true bytes of a BINARY document
};

class FindReplaceDialog : public QDialog {
    Q_OBJECT
public:
    explicit FindReplaceDialog(QWidget* parent = nullptr);

    // Shows the dialog as Find (direction choice, no replacing) or Replace, with findWhat preset.
    void showAs(bool replace, const QString& findWhat);
    bool isReplace() const { return m_replace; }
    SearchRequest request() const;
    // A BINARY document: "Hex bytes" is offered and nothing is replaced (its bytes are edited in the
    // view only, where the byte storage follows every edit).
    void setDocumentBinary(bool binary);
    bool isDocumentBinary() const { return m_binary; }
    // "Hex bytes" is offered and checked.
    bool hexBytes() const;

    QLineEdit* findEdit() const { return m_findWhat; }
    QLineEdit* replaceEdit() const { return m_replaceWith; }
    QCheckBox* wholeWordBox() const { return m_wholeWord; }
    QCheckBox* matchCaseBox() const { return m_matchCase; }
    QCheckBox* hexBytesBox() const { return m_hexBytes; }
    QRadioButton* upButton() const { return m_up; }
    QPushButton* findNextButton() const { return m_findNext; }
    QPushButton* replaceButton() const { return m_replaceOne; }
    QPushButton* replaceAllButton() const { return m_replaceAll; }

signals:
    void findNextRequested(const SearchRequest& request);
    void replaceRequested(const SearchRequest& request);
    void replaceAllRequested(const SearchRequest& request);
    // The dialog became the active window: the document may have changed mode meanwhile.
    void activated();

protected:
    void changeEvent(QEvent* event) override;

private:
    void updateButtons();

    bool m_replace = false;  // shown as Replace
    bool m_binary = false;   // the document is BINARY
    QLineEdit* m_findWhat;
    QLabel* m_replaceLabel;
    QLineEdit* m_replaceWith;
    QCheckBox* m_wholeWord;
    QCheckBox* m_matchCase;
    QCheckBox* m_hexBytes;  // BINARY only
    QWidget* m_direction;   // the Up/Down group, Find only
    QRadioButton* m_up;
    QRadioButton* m_down;
    QPushButton* m_findNext;
    QPushButton* m_replaceOne;
    QPushButton* m_replaceAll;
};

// Text typed in a dialog as the control's bytes: UTF-8, or Windows-1252 with '?' for characters it
// lacks; and back (bytes outside UTF-8 as U+FFFD).
std::string toControlBytes(const QString& text, TextEncoding encoding = TextEncoding::Windows1252);
QString fromControlBytes(std::string_view bytes, TextEncoding encoding = TextEncoding::Windows1252);

}  // namespace quillory
