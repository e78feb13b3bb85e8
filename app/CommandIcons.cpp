#include "app/CommandIcons.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "commands/CommandIds.h"

namespace quillory {

namespace {

using namespace cmd;

const QColor kInk(40, 40, 48);
const QColor kPaper(252, 252, 252);

// Every drawing works on a 16 x 16 grid; the painter is scaled to the requested size.
void drawPage(QPainter& p, QRectF r)
{
    const qreal fold = r.width() * 0.35;
    QPainterPath page;
    page.moveTo(r.left(), r.top());
    page.lineTo(r.right() - fold, r.top());
    page.lineTo(r.right(), r.top() + fold);
    page.lineTo(r.right(), r.bottom());
    page.lineTo(r.left(), r.bottom());
    page.closeSubpath();
    p.setPen(QPen(kInk, 0.8));
    p.setBrush(kPaper);
    p.drawPath(page);
    p.drawPolyline(
        QPolygonF{{r.right() - fold, r.top()}, {r.right() - fold, r.top() + fold}, {r.right(), r.top() + fold}});
}

void drawTextLines(QPainter& p, qreal left, qreal right, qreal top, int count, qreal step)
{
    p.setPen(QPen(QColor(110, 110, 130), 0.8));
    for (int i = 0; i < count; ++i)
        p.drawLine(QPointF(left, top + i * step), QPointF(right, top + i * step));
}

void drawNew(QPainter& p)
{
    drawPage(p, QRectF(3, 1, 10, 14));
}

void drawOpen(QPainter& p)
{
    p.setPen(QPen(kInk, 0.8));
    p.setBrush(QColor(214, 168, 60));
    p.drawPolygon(QPolygonF{{1, 3}, {6, 3}, {7.5, 4.5}, {14, 4.5}, {14, 13}, {1, 13}});
    p.setBrush(QColor(246, 206, 98));
    p.drawPolygon(QPolygonF{{3, 7}, {15.5, 7}, {14, 13}, {1, 13}});
}

void drawSave(QPainter& p)
{
    p.setPen(QPen(kInk, 0.8));
    p.setBrush(QColor(58, 98, 168));
    p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1, 1);
    p.setBrush(kPaper);
    p.drawRect(QRectF(4, 1.5, 8, 5.5));
    p.setBrush(QColor(190, 196, 206));
    p.drawRect(QRectF(4.5, 9.5, 7, 5));
    p.setBrush(kInk);
    p.drawRect(QRectF(9, 2.5, 1.6, 3.2));
}

void drawCut(QPainter& p)
{
    p.setPen(QPen(QColor(90, 96, 110), 1.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(4.5, 1.5), QPointF(10.5, 10.5));
    p.drawLine(QPointF(11.5, 1.5), QPointF(5.5, 10.5));
    p.setPen(QPen(QColor(180, 30, 40), 1.3));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(4.2, 12.2), 2.3, 2.3);
    p.drawEllipse(QPointF(11.8, 12.2), 2.3, 2.3);
}

void drawCopy(QPainter& p)
{
    drawPage(p, QRectF(1.5, 1, 8.5, 10.5));
    drawPage(p, QRectF(6, 4.5, 8.5, 10.5));
    drawTextLines(p, 7.5, 12.5, 9, 3, 1.8);
}

void drawPaste(QPainter& p)
{
    p.setPen(QPen(kInk, 0.8));
    p.setBrush(QColor(176, 124, 70));
    p.drawRoundedRect(QRectF(1.5, 2.5, 10, 12.5), 1, 1);
    p.setBrush(QColor(200, 200, 210));
    p.drawRoundedRect(QRectF(4, 1, 5, 3), 0.8, 0.8);
    drawPage(p, QRectF(6.5, 6, 8, 9.5));
    drawTextLines(p, 8, 12.5, 10, 3, 1.8);
}

void drawDelete(QPainter& p)
{
    p.setPen(QPen(QColor(200, 30, 30), 2.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
    p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
}

void drawWordWrap(QPainter& p)
{
    drawTextLines(p, 1.5, 14.5, 2.5, 1, 0);
    p.setPen(QPen(QColor(110, 110, 130), 0.8));
    p.drawLine(QPointF(1.5, 13.5), QPointF(7, 13.5));
    QPainterPath wrap;
    wrap.moveTo(1.5, 6.5);
    wrap.lineTo(12, 6.5);
    wrap.arcTo(QRectF(9.5, 6.5, 5, 5), 90, -180);
    wrap.lineTo(8, 11.5);
    p.setPen(QPen(QColor(30, 110, 60), 1.3));
    p.setBrush(Qt::NoBrush);
    p.drawPath(wrap);
    p.setBrush(QColor(30, 110, 60));
    p.setPen(Qt::NoPen);
    p.drawPolygon(QPolygonF{{6, 11.5}, {9, 9.3}, {9, 13.7}});
}

void drawLetters(QPainter& p, const QString& text, const QRectF& box, QColor colour, qreal size)
{
    QFont font(QStringLiteral("serif"));
    font.setBold(true);
    font.setPixelSize(qRound(size * 16));  // the painter's scale would blur a tiny pixel size
    p.save();
    p.scale(1.0 / 16, 1.0 / 16);
    p.setFont(font);
    p.setPen(colour);
    p.drawText(QRectF(box.x() * 16, box.y() * 16, box.width() * 16, box.height() * 16), Qt::AlignCenter, text);
    p.restore();
}

void drawFonts(QPainter& p)
{
    drawLetters(p, QStringLiteral("A"), QRectF(0, 0, 11, 14), QColor(30, 60, 150), 13);
    drawLetters(p, QStringLiteral("a"), QRectF(8, 4, 8, 12), QColor(150, 40, 40), 9);
}

void drawStripHtml(QPainter& p)
{
    drawLetters(p, QStringLiteral("<>"), QRectF(0, 0, 16, 15), QColor(30, 60, 150), 11);
    p.setPen(QPen(QColor(200, 30, 30), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(2, 14), QPointF(14, 2));
}

void drawHexPane(QPainter& p)
{
    p.setPen(QPen(kInk, 0.8));
    p.setBrush(kPaper);
    p.drawRect(QRectF(0.5, 1.5, 15, 13));
    p.drawLine(QPointF(10.5, 1.5), QPointF(10.5, 14.5));
    drawLetters(p, QStringLiteral("0F"), QRectF(0.5, 1.5, 10, 13), QColor(30, 60, 150), 7);
    drawTextLines(p, 12, 14.5, 4.5, 4, 2.5);
}

void drawPrint(QPainter& p)
{
    p.setPen(QPen(kInk, 0.8));
    drawPage(p, QRectF(4, 1, 8, 6));
    p.setBrush(QColor(160, 164, 176));
    p.drawRoundedRect(QRectF(1, 6, 14, 6.5), 1, 1);
    p.setBrush(kPaper);
    p.drawRect(QRectF(4, 10.5, 8, 4.5));
    p.setBrush(QColor(60, 180, 80));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(12.8, 8), 0.8, 0.8);
}

void drawAbout(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 100, 190));
    p.drawEllipse(QRectF(1, 1, 14, 14));
    drawLetters(p, QStringLiteral("?"), QRectF(1, 1, 14, 14), Qt::white, 11);
}

// The program's own icon: a page with a quill stroke across it.
void drawApplication(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(38, 78, 150));
    p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
    drawPage(p, QRectF(3.5, 2.5, 9, 11));
    drawTextLines(p, 5, 10.5, 6.5, 3, 2);
    QPainterPath quill;
    quill.moveTo(14.5, 1.5);
    quill.cubicTo(10.5, 3, 7.5, 7.5, 6, 12.5);
    quill.cubicTo(9, 9.5, 12, 6.5, 14.5, 1.5);
    p.setPen(QPen(QColor(120, 40, 30), 0.5));
    p.setBrush(QColor(230, 120, 60));
    p.drawPath(quill);
}

using Drawing = void (*)(QPainter&);

Drawing drawingFor(int id)
{
    switch (id) {
    case ID_FILE_NEW: return drawNew;
    case ID_FILE_OPEN: return drawOpen;
    case ID_FILE_SAVE: return drawSave;
    case ID_EDIT_CUT: return drawCut;
    case ID_EDIT_COPY: return drawCopy;
    case ID_EDIT_PASTE: return drawPaste;
    case ID_EDIT_CLEAR: return drawDelete;
    case ID_WORD_WRAP: return drawWordWrap;
    case ID_VIEW_HEX_PANE: return drawHexPane;
    case ID_SELECT_FONTS: return drawFonts;
    case ID_STRIP_HTML: return drawStripHtml;
    case ID_FILE_PRINT: return drawPrint;
    case ID_APP_ABOUT: return drawAbout;
    default: return nullptr;
    }
}

class PaintedIconEngine final : public QIconEngine {
public:
    explicit PaintedIconEngine(Drawing drawing) : m_drawing(drawing) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setRenderHint(QPainter::TextAntialiasing);
        if (mode == QIcon::Disabled)
            painter->setOpacity(0.35);
        const qreal side = qMin(rect.width(), rect.height());
        painter->translate(rect.x() + (rect.width() - side) / 2.0, rect.y() + (rect.height() - side) / 2.0);
        painter->scale(side / 16.0, side / 16.0);
        m_drawing(*painter);
        painter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pixmap;
    }

    QIconEngine* clone() const override { return new PaintedIconEngine(m_drawing); }

private:
    Drawing m_drawing;  // the icon's shapes on a 16 x 16 grid
};

}  // namespace

QIcon commandIcon(int id)
{
    const Drawing drawing = drawingFor(id);
    return drawing == nullptr ? QIcon() : QIcon(new PaintedIconEngine(drawing));
}

QIcon applicationIcon()
{
    return QIcon(new PaintedIconEngine(drawApplication));
}

}  // namespace quillory
