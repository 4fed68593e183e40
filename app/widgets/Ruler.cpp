#include "app/widgets/Ruler.h"

#include "engine/Childwin.h"
#include "platform/MessageBox.h"
#include "platform/qt/QtText.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>

#include <exception>

namespace quillet {

namespace {

const QColor kBand(172, 168, 153);

int buttonCode(Qt::MouseButton b)
{
    if (b == Qt::LeftButton) return 0;
    if (b == Qt::RightButton) return 1;
    return -1;
}

QFont rulerFont()
{
    QFont f(QStringLiteral("serif"));
    f.setStyleHint(QFont::Serif);
    f.setPixelSize(9);
    return f;
}

// A tab stop's shape: the stop's own line down from the top, its foot
// pointing the way the text runs from it.
void tabShape(QPainter& p, int32_t stopX, int32_t y, int32_t footFrom, int32_t footTo)
{
    p.fillRect(QRect(stopX, y + 6, 2, 6), Qt::black);
    p.fillRect(QRect(footFrom, y + 10, footTo - footFrom + 1, 2), Qt::black);
}

} // namespace

void paintRulerGlyph(QPainter& p, int32_t image, int32_t x, int32_t y)
{
    p.save();
    p.setPen(Qt::black);
    p.setBrush(QColor(0xD4, 0xD0, 0xC8));
    switch (image) {
    case riFirstIndent:
        p.drawPolygon(QPolygon({QPoint(x, y), QPoint(x + 8, y), QPoint(x + 8, y + 2), QPoint(x + 4, y + 7),
                                QPoint(x, y + 2)}));
        break;
    case riLeftIndent:
        p.drawPolygon(QPolygon({QPoint(x + 4, y), QPoint(x + 8, y + 5), QPoint(x + 8, y + 6), QPoint(x, y + 6),
                                QPoint(x, y + 5)}));
        p.drawRect(x, y + 7, 8, 6);
        break;
    case riRightIndent:
        p.drawPolygon(QPolygon({QPoint(x + 4, y), QPoint(x + 8, y + 5), QPoint(x + 8, y + 7), QPoint(x, y + 7),
                                QPoint(x, y + 5)}));
        break;
    case riTabLeft: tabShape(p, x + 7, y, x + 7, x + 12); break;
    case riTabCenter: tabShape(p, x + 10, y, x + 6, x + 15); break;
    case riTabRight: tabShape(p, x + 8, y, x + 3, x + 9); break;
    case riTabDecimal:
        tabShape(p, x + 8, y, x + 4, x + 13);
        p.fillRect(QRect(x + 11, y + 7, 2, 2), Qt::black);
        break;
    default: break;
    }
    p.restore();
}

void paintRulerImage(QImage& image, const RulerPicture& pic, bool horizontal, const QColor& face)
{
    image.fill(face);
    QPainter p(&image);
    const int32_t w = pic.Width, h = pic.Height;
    const int32_t inset = ruler::kBandInset;
    if (horizontal) {
        p.fillRect(QRect(0, inset, w, h - 2 * inset), kBand);
        if (pic.WhiteTo > pic.WhiteFrom)
            p.fillRect(QRect(pic.WhiteFrom, inset, pic.WhiteTo - pic.WhiteFrom, h - 2 * inset), Qt::white);
    } else {
        p.fillRect(QRect(inset, 0, w - 2 * inset, h), kBand);
        if (pic.WhiteTo > pic.WhiteFrom)
            p.fillRect(QRect(inset, pic.WhiteFrom, w - 2 * inset, pic.WhiteTo - pic.WhiteFrom), Qt::white);
    }
    p.setPen(Qt::black);
    for (const auto& t : pic.Ticks) {
        if (horizontal) p.drawLine(t.At, t.Inset, t.At, h - t.Inset - 1);
        else p.drawLine(t.Inset, t.At, w - t.Inset - 1, t.At);
    }
    p.setFont(rulerFont());
    const QFontMetrics fm = p.fontMetrics();
    for (const auto& n : pic.Numbers) {
        const QString text = QString::number(n.Value);
        const int tw = fm.horizontalAdvance(text);
        if (horizontal) p.drawText(QPoint(n.At - tw / 2, inset + fm.ascent()), text);
        else p.drawText(QPoint((w - tw) / 2, n.At - fm.height() / 2 + fm.ascent()), text);
    }
    for (const auto& g : pic.Glyphs) paintRulerGlyph(p, g.Image, g.X, g.Y);
}

RulerWidget::RulerWidget(TMDIChild& child, Qt::Orientation orientation, QWidget* parent)
    : QWidget(parent), Child(child), Orientation(orientation)
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

template <class Fn> void RulerWidget::input(Fn&& fn)
{
    // Nothing may leave an event handler.
    try {
        fn();
    } catch (const std::exception& e) {
        errorBox(std::string("Internal error (ruler): ") + e.what());
    } catch (...) {
        errorBox("Internal error (ruler)");
    }
    update();
    if (AfterInput) AfterInput();
}

void RulerWidget::paintEvent(QPaintEvent*)
{
    const bool horizontal = Orientation == Qt::Horizontal;
    if (Image.size() != size()) Image = QImage(size(), QImage::Format_RGB32);
    if (Image.isNull()) return;
    RulerPicture pic;
    if (horizontal) {
        // Composed as the drag shows it; the snap the handlers already made.
        const TextLine* l = nullptr;
        const TextPos c = Child.Cursor;
        if (c.Area >= 0 && c.Area < Child.AreaCount() && c.Line >= 0 &&
            c.Line < Child.Areas[size_t(c.Area)].LineCount())
            l = &Child.Areas[size_t(c.Area)].Lines[size_t(c.Line)];
        static const std::vector<TabStop> none;
        TMDIChild::RulerDragState drag = Child.RulerDrag;
        int32_t x = Child.Mouse.ColumnDragX;
        // No snapping here: the marker stands where the handlers put it.
        pic = ruler::composeHorizontal(Child.RulerValues, l ? l->Para->Tabs : none, l && l->IsCell, drag, x, true,
                                       width(), height());
    } else {
        pic = ruler::composeVertical(Child.RulerValues, width(), height());
    }
    paintRulerImage(Image, pic, horizontal, palette().color(QPalette::Button));
    QPainter(this).drawImage(0, 0, Image);
}

void RulerWidget::mousePressEvent(QMouseEvent* event)
{
    const int button = buttonCode(event->button());
    if (Orientation != Qt::Horizontal || button < 0) return;
    const QPoint at = event->position().toPoint();
    input([&] { Child.PaintBox3MouseDown(button, at.x(), at.y(), width()); });
}

void RulerWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (Orientation != Qt::Horizontal || Child.RulerDrag.Kind <= 0) return;
    const QPoint at = event->position().toPoint();
    input([&] { Child.PaintBox3MouseMove(at.x(), width()); });
}

void RulerWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (Orientation != Qt::Horizontal || Child.RulerDrag.Kind <= 0) return;
    const QPoint at = event->position().toPoint();
    input([&] { Child.PaintBox3MouseUp(at.x(), width()); });
}

TabKindWidget::TabKindWidget(TMDIChild& child, QWidget* parent) : QWidget(parent), Child(child)
{
    setFocusPolicy(Qt::NoFocus);
    setToolTip(fromAnsi(ruler::tabKindHint(Child.Frame.Options.RulerTabKind)));
}

void TabKindWidget::paintEvent(QPaintEvent*)
{
    QImage img(size(), QImage::Format_RGB32);
    img.fill(palette().color(QPalette::Button));
    {
        QPainter p(&img);
        const int32_t kind = std::clamp(Child.Frame.Options.RulerTabKind, 0, 3);
        paintRulerGlyph(p, riTabLeft + kind, (width() - 16) / 2 - 2, (height() - 16) / 2 - 2);
    }
    QPainter(this).drawImage(0, 0, img);
    // The kind may have changed in another window.
    setToolTip(fromAnsi(ruler::tabKindHint(Child.Frame.Options.RulerTabKind)));
}

void TabKindWidget::mousePressEvent(QMouseEvent*)
{
    Child.PaintBox2MouseDown();
    setToolTip(fromAnsi(ruler::tabKindHint(Child.Frame.Options.RulerTabKind)));
    update();
}

} // namespace quillet
