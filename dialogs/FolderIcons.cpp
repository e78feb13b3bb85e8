#include "dialogs/FolderIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace quillory {

namespace {

const QColor kOutline(0x9A, 0x6B, 0x00);
const QColor kBack(0xE8, 0xB5, 0x20);
const QColor kFront(0xFF, 0xD8, 0x4A);

// The folder's back: a tab on the left of its top edge and the body below it.
void drawBack(QPainter& painter)
{
    QPainterPath back;
    back.moveTo(1.5, 3.5);
    back.lineTo(6.5, 3.5);
    back.lineTo(7.5, 4.5);
    back.lineTo(14.5, 4.5);
    back.lineTo(14.5, 13.5);
    back.lineTo(1.5, 13.5);
    back.closeSubpath();
    painter.setPen(kOutline);
    painter.setBrush(kBack);
    painter.drawPath(back);
}

QIcon drawFolder(bool open)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, false);
    drawBack(painter);
    painter.setBrush(kFront);
    if (open) {
        // The front flap tilted open towards the viewer.
        const QPointF flap[] = {{4.5, 7.5}, {15.5, 7.5}, {13.5, 13.5}, {1.5, 13.5}};
        painter.drawPolygon(flap, 4);
    } else {
        painter.drawRect(QRectF(1.5, 6.5, 13, 7));
    }
    painter.end();
    return QIcon(pixmap);
}

}  // namespace

QIcon closedFolderIcon()
{
    static const QIcon icon = drawFolder(false);
    return icon;
}

QIcon openFolderIcon()
{
    static const QIcon icon = drawFolder(true);
    return icon;
}

}  // namespace quillory
