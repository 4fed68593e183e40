#include "app/icons/ToolbarIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>
#include <map>

namespace quillet {

namespace {

using Drawing = std::function<void(QPainter&)>;

const QColor kInk(40, 40, 40);
const QColor kPaper(Qt::white);
const QColor kBlue(40, 90, 180);

// A face drawn in 16 x 16 units, at 1x and 2x.
QIcon drawnIcon(const Drawing& draw)
{
    QIcon icon;
    for (int scale : {1, 2}) {
        QPixmap pm(16 * scale, 16 * scale);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.scale(scale, scale);
        p.setPen(QPen(kInk, 1));
        draw(p);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

void page(QPainter& p, qreal x, qreal y, qreal w, qreal h)
{
    QPainterPath path;
    path.moveTo(x, y);
    path.lineTo(x + w - 3, y);
    path.lineTo(x + w, y + 3);
    path.lineTo(x + w, y + h);
    path.lineTo(x, y + h);
    path.closeSubpath();
    p.fillPath(path, kPaper);
    p.drawPath(path);
    p.drawLine(QPointF(x + w - 3, y), QPointF(x + w - 3, y + 3));
    p.drawLine(QPointF(x + w - 3, y + 3), QPointF(x + w, y + 3));
}

void textLines(QPainter& p, qreal x, qreal y, qreal w, int count, qreal gap)
{
    for (int i = 0; i < count; ++i) p.drawLine(QPointF(x, y + i * gap), QPointF(x + w, y + i * gap));
}

void arrow(QPainter& p, bool back)
{
    // A bent arrow: an arc over the top, the head at its end.
    p.save();
    if (!back) {
        p.translate(16, 0);
        p.scale(-1, 1);
    }
    p.setPen(QPen(kBlue, 2, Qt::SolidLine, Qt::RoundCap));
    QPainterPath arc;
    arc.moveTo(4, 7);
    arc.cubicTo(7, 2, 14, 3, 13, 12);
    p.drawPath(arc);
    QPainterPath head;
    head.moveTo(1, 7);
    head.lineTo(7, 4);
    head.lineTo(6, 10);
    head.closeSubpath();
    p.fillPath(head, kBlue);
    p.restore();
}

void spacing(QPainter& p, qreal gap)
{
    textLines(p, 7, 3, 8, gap < 3 ? 5 : gap < 4 ? 4 : 3, gap);
    p.setPen(QPen(kBlue, 1));
    p.drawLine(QPointF(3, 2), QPointF(3, 14));
    p.drawLine(QPointF(1, 4), QPointF(3, 2));
    p.drawLine(QPointF(5, 4), QPointF(3, 2));
    p.drawLine(QPointF(1, 12), QPointF(3, 14));
    p.drawLine(QPointF(5, 12), QPointF(3, 14));
}

const std::map<QString, Drawing>& drawings()
{
    static const std::map<QString, Drawing> table = {
        {QStringLiteral("FileNew1"), [](QPainter& p) { page(p, 3.5, 1.5, 9, 13); }},
        {QStringLiteral("FileOpen1"),
         [](QPainter& p) {
             p.fillRect(QRectF(1.5, 4.5, 12, 9), QColor(230, 190, 90));
             p.drawRect(QRectF(1.5, 4.5, 12, 9));
             p.drawLine(QPointF(1.5, 4.5), QPointF(3.5, 2.5));
             p.drawLine(QPointF(3.5, 2.5), QPointF(6.5, 2.5));
             p.drawLine(QPointF(6.5, 2.5), QPointF(7.5, 4.5));
             QPainterPath flap;
             flap.moveTo(3.5, 7.5);
             flap.lineTo(15.5, 7.5);
             flap.lineTo(13.5, 13.5);
             flap.lineTo(1.5, 13.5);
             flap.closeSubpath();
             p.fillPath(flap, QColor(245, 215, 120));
             p.drawPath(flap);
         }},
        {QStringLiteral("FileSave1"),
         [](QPainter& p) {
             p.fillRect(QRectF(2.5, 2.5, 11, 11), kBlue);
             p.drawRect(QRectF(2.5, 2.5, 11, 11));
             p.fillRect(QRectF(4.5, 2.5, 7, 4), kPaper);
             p.drawRect(QRectF(4.5, 2.5, 7, 4));
             p.fillRect(QRectF(5, 9, 6, 4.5), QColor(200, 200, 200));
         }},
        {QStringLiteral("Drucken1"),
         [](QPainter& p) {
             page(p, 4.5, 1.5, 7, 6);
             p.fillRect(QRectF(1.5, 6.5, 13, 6), QColor(190, 190, 190));
             p.drawRect(QRectF(1.5, 6.5, 13, 6));
             p.fillRect(QRectF(4.5, 10.5, 7, 4), kPaper);
             p.drawRect(QRectF(4.5, 10.5, 7, 4));
         }},
        {QStringLiteral("SeitenansichtM1"),
         [](QPainter& p) {
             page(p, 1.5, 1.5, 9, 12);
             textLines(p, 3.5, 5.5, 4, 3, 2);
             p.setBrush(QColor(220, 235, 255));
             p.drawEllipse(QPointF(10, 9), 3.2, 3.2);
             p.setPen(QPen(kInk, 2, Qt::SolidLine, Qt::RoundCap));
             p.drawLine(QPointF(12.5, 11.5), QPointF(14.8, 13.8));
         }},
        {QStringLiteral("EditCut1"),
         [](QPainter& p) {
             p.drawLine(QPointF(4, 1.5), QPointF(10.5, 11));
             p.drawLine(QPointF(12, 1.5), QPointF(5.5, 11));
             p.setPen(QPen(kBlue, 1.3));
             p.drawEllipse(QPointF(4.5, 12.5), 2.3, 2.3);
             p.drawEllipse(QPointF(11.5, 12.5), 2.3, 2.3);
         }},
        {QStringLiteral("EditCopy1"),
         [](QPainter& p) {
             page(p, 1.5, 1.5, 8, 10);
             page(p, 6.5, 4.5, 8, 10);
             textLines(p, 8.5, 8.5, 4, 3, 2);
         }},
        {QStringLiteral("EditPaste1"),
         [](QPainter& p) {
             p.fillRect(QRectF(2.5, 2.5, 9, 12), QColor(200, 160, 100));
             p.drawRect(QRectF(2.5, 2.5, 9, 12));
             p.fillRect(QRectF(5, 1.5, 4, 2.5), QColor(120, 120, 120));
             page(p, 7.5, 6.5, 7, 8);
         }},
        {QStringLiteral("Rckgngig1"), [](QPainter& p) { arrow(p, true); }},
        {QStringLiteral("Wiederholen1"), [](QPainter& p) { arrow(p, false); }},
        {QStringLiteral("notprintablebtn"),
         [](QPainter& p) {
             // The paragraph mark: a filled bowl and two stems.
             p.setBrush(kInk);
             p.drawEllipse(QRectF(3, 2, 6, 6));
             p.setPen(QPen(kInk, 1.4));
             p.drawLine(QPointF(8.5, 2), QPointF(8.5, 14));
             p.drawLine(QPointF(11.5, 2), QPointF(11.5, 14));
             p.drawLine(QPointF(6, 2), QPointF(13, 2));
         }},
        {QStringLiteral("ToolButton20"),
         [](QPainter& p) {
             p.fillRect(QRectF(1.5, 2.5, 13, 11), kPaper);
             p.drawRect(QRectF(1.5, 2.5, 13, 11));
             QFont f = p.font();
             f.setPixelSize(9);
             f.setBold(true);
             p.setFont(f);
             p.drawText(QRectF(2, 3, 6, 10), Qt::AlignCenter, QStringLiteral("A"));
             textLines(p, 8.5, 5.5, 4, 4, 2);
         }},
        {QStringLiteral("ToolButton17"),
         [](QPainter& p) {
             p.setBrush(QColor(220, 235, 255));
             p.drawRect(QRectF(2.5, 3.5, 11, 9));
         }},
        {QStringLiteral("ToolButton19"),
         [](QPainter& p) {
             p.setBrush(QColor(220, 235, 255));
             p.drawEllipse(QRectF(1.5, 3.5, 13, 9));
         }},
        {QStringLiteral("ToolButton4"),
         [](QPainter& p) {
             p.setPen(QPen(kInk, 1.5));
             p.drawLine(QPointF(2, 14), QPointF(14, 2));
         }},
        {QStringLiteral("ToolButton6"),
         [](QPainter& p) {
             p.setPen(QPen(kInk, 1.5));
             p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
         }},
        {QStringLiteral("ToolButton16"),
         [](QPainter& p) {
             p.setPen(QPen(kInk, 1.5));
             p.drawLine(QPointF(8, 1.5), QPointF(8, 14.5));
         }},
        {QStringLiteral("ToolButton28"),
         [](QPainter& p) {
             p.fillRect(QRectF(1.5, 2.5, 13, 11), QColor(215, 235, 250));
             QPainterPath hill;
             hill.moveTo(1.5, 13.5);
             hill.lineTo(6, 7);
             hill.lineTo(9, 10.5);
             hill.lineTo(11, 8.5);
             hill.lineTo(14.5, 13.5);
             hill.closeSubpath();
             p.fillPath(hill, QColor(90, 150, 80));
             p.setBrush(QColor(240, 200, 40));
             p.setPen(Qt::NoPen);
             p.drawEllipse(QPointF(11, 5.5), 1.6, 1.6);
             p.setPen(QPen(kInk, 1));
             p.setBrush(Qt::NoBrush);
             p.drawRect(QRectF(1.5, 2.5, 13, 11));
         }},
        {QStringLiteral("ToolButton27"),
         [](QPainter& p) {
             p.fillRect(QRectF(2, 3, 12, 1), kInk);
             p.fillRect(QRectF(2, 6, 12, 2), kInk);
             p.fillRect(QRectF(2, 10, 12, 3), kInk);
         }},
        {QStringLiteral("ToolButton2"), [](QPainter& p) { spacing(p, 2.5); }},
        {QStringLiteral("ToolButton29"), [](QPainter& p) { spacing(p, 3.5); }},
        {QStringLiteral("ToolButton30"), [](QPainter& p) { spacing(p, 5); }},
    };
    return table;
}

QColor fromColorRef(uint32_t v) { return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF)); }

} // namespace

QIcon toolbarIcon(const QString& objectName)
{
    const auto& table = drawings();
    const auto it = table.find(objectName);
    return it == table.end() ? QIcon() : drawnIcon(it->second);
}

QIcon colourButtonIcon(ColourFace face, uint32_t colour, bool none)
{
    return drawnIcon([face, colour, none](QPainter& p) {
        switch (face) {
        case ColourFace::Text:
        case ColourFace::TextBackground: {
            QFont f = p.font();
            f.setPixelSize(face == ColourFace::Text ? 12 : 9);
            f.setBold(true);
            p.setFont(f);
            if (face == ColourFace::TextBackground) p.fillRect(QRectF(1, 2, 14, 9), QColor(235, 235, 235));
            p.drawText(QRectF(0, 0, 16, 12), Qt::AlignCenter,
                       face == ColourFace::Text ? QStringLiteral("A") : QStringLiteral("ab"));
            break;
        }
        case ColourFace::Fill: {
            // A tipped bucket.
            QPainterPath bucket;
            bucket.moveTo(3, 5);
            bucket.lineTo(8, 0.5);
            bucket.lineTo(13, 5.5);
            bucket.lineTo(8, 10.5);
            bucket.closeSubpath();
            p.fillPath(bucket, kPaper);
            p.drawPath(bucket);
            p.drawLine(QPointF(13, 5.5), QPointF(14, 9));
            break;
        }
        case ColourFace::Line:
            p.setPen(QPen(kInk, 1.5, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(3, 10), QPointF(12, 1.5));
            p.drawLine(QPointF(2, 11.5), QPointF(3, 10));
            break;
        }
        const QRectF bar(1, 12, 14, 3.5);
        p.setPen(QPen(kInk, 0.8));
        if (none) {
            p.fillRect(bar, kPaper);
            p.drawRect(bar);
            p.setPen(QPen(Qt::red, 1));
            p.drawLine(bar.bottomLeft(), bar.topRight());
        } else {
            p.fillRect(bar, fromColorRef(colour));
            p.drawRect(bar);
        }
    });
}

} // namespace quillet
