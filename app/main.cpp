#include <QApplication>

#include "app/MainWindow.h"

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillory"));
    quillory::MainWindow window;
    window.show();
    return QApplication::exec();
}
