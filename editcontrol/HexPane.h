#pragma once
// The hex pane beside the character display: the caret's offset in hex and decimal above the rows,
// the rows of bytes (HexRows), and under them what the bytes at the caret stand for.

#include <QWidget>
#include <cstdint>

#include "editcontrol/HexRows.h"

class QLabel;

namespace quillory {

class HexPane : public QWidget {
    Q_OBJECT
public:
    explicit HexPane(QWidget* parent = nullptr);

    // The rows: the part that paints the bytes and takes the keyboard.
    HexRows& rows() const { return *m_rows; }
    // Shows the caret's offset and the values of the bytes from there, read through the rows' reader.
    void showCaretDetails();
    QString caretText() const;
    QString valuesText() const;

private:
    HexRows* m_rows;
    QLabel* m_caret;
    QLabel* m_values;
};

}  // namespace quillory
