#pragma once
// Message boxes shown with QMessageBox, parented to the main window when there is one.

#include "base/MessageBox.h"

class QWidget;

namespace quillory {

class QtMessageBoxes final : public IMessageBoxes {
public:
    explicit QtMessageBoxes(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }
    MessageResult show(const MessageBoxRequest& request) override;

private:
    QWidget* m_parent;
};

}  // namespace quillory
