#pragma once
// The About box: the program's name, version and licence terms; it only closes.

#include <QDialog>

namespace quillory {

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

}  // namespace quillory
