#include "app/MainWindow.h"

#include <QGuiApplication>
#include <QScreen>

#include "platform/MessageBox.h"

namespace quillory {

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Untitled - %1").arg(QString::fromLatin1(kAppTitle)));
    // 7/8 of the screen, centred.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const int width = screen.width() * 7 / 8;
    const int height = screen.height() * 7 / 8;
    setGeometry(screen.x() + (screen.width() - width) / 2, screen.y() + (screen.height() - height) / 2,
                width, height);
}

}  // namespace quillory
