// Writes the window icon as PNG files for the icon theme, at build time:
//   quillory_icon_files FOLDER NAME SIZE...   writes FOLDER/SIZExSIZE/NAME.png for every SIZE
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>

#include "app/CommandIcons.h"

int main(int argc, char* argv[])
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s FOLDER NAME SIZE...\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");  // a build has no display
    QGuiApplication application(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);
    const QIcon icon = quillory::applicationIcon();
    for (int i = 3; i < argc; ++i) {
        const int size = QByteArray(argv[i]).toInt();
        if (size <= 0)
            return 2;
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        icon.paint(&painter, image.rect());
        painter.end();
        const QString sizeFolder = QStringLiteral("%1/%2x%2").arg(folder).arg(size);
        if (!QDir().mkpath(sizeFolder) || !image.save(sizeFolder + QLatin1Char('/') + name + QStringLiteral(".png"))) {
            std::fprintf(stderr, "cannot write the %d pixel icon into %s\n", size, qPrintable(sizeFolder));
            return 1;
        }
    }
    return 0;
}
