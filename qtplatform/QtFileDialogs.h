#pragma once
// File dialogs on QFileDialog, with the program's filter strings turned into Qt name filters.

#include <QStringList>

#include "base/FileDialogs.h"

class QWidget;

namespace quillory {

// "desc|patterns|desc|patterns||" -> {"desc (patterns)", ...}; patterns match regardless of case
// and "*.*" matches every name, dotted or not.
QStringList toQtNameFilters(const std::string& filter);

class QtFileDialogs final : public IFileDialogs {
public:
    explicit QtFileDialogs(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }
    std::optional<std::string> choose(const FileDialogRequest& request) override;

private:
    QWidget* m_parent;
};

}  // namespace quillory
