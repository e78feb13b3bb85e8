#pragma once
// The main window. For now a frame with the application title around an empty editing area.

#include <QMainWindow>

namespace quillory {

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
};

}  // namespace quillory
