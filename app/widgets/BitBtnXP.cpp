// The dialogs' command button.

#include "app/widgets/BitBtnXP.h"

#include <QDialog>
#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QShortcut>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

#include <algorithm>

namespace quillet {

namespace {

constexpr std::array<BitBtnKindInfo, 11> kKinds = {{
    {"", 0, false, false},          // bkCustom
    {"OK", 1, true, false},         // bkOK
    {"Cancel", 2, false, true},     // bkCancel
    {"&Help", 0, false, false},     // bkHelp
    {"&Yes", 6, true, false},       // bkYes
    {"&No", 7, false, true},        // bkNo
    {"&Close", 0, false, false},    // bkClose
    {"Abort", 3, false, false},     // bkAbort
    {"&Retry", 4, false, false},    // bkRetry
    {"&Ignore", 5, false, false},   // bkIgnore
    {"&All", 8, false, false},      // bkAll
}};

constexpr int kCell = 16;

void arrowHead(QPainterPath& path, QPointF tip, QPointF from)
{
    // Two short strokes back from the tip, 45 degrees either side of the shaft.
    QLineF shaft(tip, from);
    shaft.setLength(4);
    QLineF a = shaft, b = shaft;
    a.setAngle(shaft.angle() + 40);
    b.setAngle(shaft.angle() - 40);
    path.moveTo(a.p2());
    path.lineTo(tip);
    path.lineTo(b.p2());
}

// The art of a kind on a 16 x 16 cell, as strokes and fills of one colour.
QPainterPath kindArt(TBitBtnXPKind kind, bool& filled)
{
    filled = false;
    QPainterPath p;
    auto check = [&p](double dx) {
        p.moveTo(3 + dx, 8);
        p.lineTo(6 + dx, 12);
        p.lineTo(13 + dx, 3);
    };
    switch (kind) {
    case bkOK:
    case bkYes: check(0); break;
    case bkAll:
        check(-2.5);
        check(2.5);
        break;
    case bkCancel:
        p.moveTo(4, 4);
        p.lineTo(12, 12);
        p.moveTo(12, 4);
        p.lineTo(4, 12);
        break;
    case bkHelp:
        p.arcMoveTo(QRectF(5, 2, 6, 6), 160);
        p.arcTo(QRectF(5, 2, 6, 6), 160, -250);
        p.lineTo(8, 10);
        p.addEllipse(QPointF(8, 13), 0.6, 0.6);
        break;
    case bkNo:
        p.addEllipse(QRectF(3, 3, 10, 10));
        p.moveTo(4.5, 11.5);
        p.lineTo(11.5, 4.5);
        break;
    case bkClose:
        // A door with an arrow leading out of it.
        p.addRect(QRectF(2.5, 2.5, 6, 11));
        p.moveTo(6, 8);
        p.lineTo(14, 8);
        arrowHead(p, QPointF(14, 8), QPointF(6, 8));
        break;
    case bkAbort:
        filled = true;
        p.addRect(QRectF(4, 4, 8, 8));
        break;
    case bkRetry:
        p.arcMoveTo(QRectF(3, 3, 10, 10), 90);
        p.arcTo(QRectF(3, 3, 10, 10), 90, 270);
        arrowHead(p, QPointF(13, 7), QPointF(13, 11));
        break;
    case bkIgnore:
        // An arrow stepping over a bar.
        p.moveTo(8, 7);
        p.lineTo(8, 14);
        p.moveTo(2, 12);
        p.quadTo(8, -1, 14, 12);
        arrowHead(p, QPointF(14, 12), QPointF(13, 7));
        break;
    case bkCustom: break;
    }
    return p;
}

QColor kindColour(TBitBtnXPKind kind)
{
    switch (kind) {
    case bkOK:
    case bkYes:
    case bkAll: return QColor(0, 128, 0);
    case bkCancel:
    case bkNo:
    case bkAbort: return QColor(192, 0, 0);
    case bkClose: return QColor(128, 64, 0);
    default: return QColor(0, 0, 160);
    }
}

void drawArt(QPainter& p, const QPainterPath& art, bool filled, const QColor& colour)
{
    p.setPen(QPen(colour, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(filled ? QBrush(colour) : QBrush(Qt::NoBrush));
    p.drawPath(art);
}

QImage drawKindGlyph(TBitBtnXPKind kind)
{
    QImage image(2 * kCell, kCell, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    bool filled = false;
    const QPainterPath art = kindArt(kind, filled);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawArt(p, art, filled, kindColour(kind));
    // The disabled cell in plain white and grey, so that it takes the
    // colours of the button it is shown on.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.translate(kCell + 1, 1);
    drawArt(p, art, filled, Qt::white);
    p.translate(-1, -1);
    drawArt(p, art, filled, QColor(0x80, 0x80, 0x80));
    return image;
}

// Clamps a size to 0 x 0 when either side is empty, so the layout never
// works with the -1 of an invalid size.
QSize orNothing(QSize s) { return s.isEmpty() ? QSize(0, 0) : s; }

} // namespace

const BitBtnKindInfo& KindInfo(TBitBtnXPKind kind)
{
    const size_t i = size_t(kind);
    return kKinds[i < kKinds.size() ? i : 0];
}

const QImage& KindGlyph(TBitBtnXPKind kind)
{
    static const std::array<QImage, 11> glyphs = [] {
        std::array<QImage, 11> all;
        for (size_t i = 1; i < all.size(); ++i) all[i] = drawKindGlyph(TBitBtnXPKind(i));
        return all;
    }();
    const size_t i = size_t(kind);
    return glyphs[i < glyphs.size() ? i : 0];
}

GlyphAndCaption LayoutGlyphAndCaption(const QRect& client, QSize glyph, QSize caption, TButtonLayout layout,
                                      int margin, int spacing, bool rightToLeft)
{
    glyph = orNothing(glyph);
    caption = orNothing(caption);
    if (rightToLeft) {
        if (layout == blGlyphLeft) layout = blGlyphRight;
        else if (layout == blGlyphRight) layout = blGlyphLeft;
    }
    const bool across = layout == blGlyphLeft || layout == blGlyphRight;  // glyph beside the caption
    const int extent = across ? client.width() : client.height();
    const int cross = across ? client.height() : client.width();
    const int glyphAlong = across ? glyph.width() : glyph.height();
    const int captionAlong = across ? caption.width() : caption.height();
    const int glyphCross = across ? glyph.height() : glyph.width();
    const int captionCross = across ? caption.height() : caption.width();

    if (glyphAlong == 0 || captionAlong == 0) spacing = 0;
    if (margin == -1 && spacing == -1) {
        margin = spacing = (extent - glyphAlong - captionAlong) / 3;
    } else if (margin == -1) {
        margin = (extent - (spacing + glyphAlong + captionAlong) + 1) / 2;
    } else if (spacing == -1) {
        spacing = (extent - margin - glyphAlong - captionAlong) / 2;
    }

    int glyphAt = 0, captionAt = 0;
    if (layout == blGlyphLeft || layout == blGlyphTop) {
        glyphAt = margin;
        captionAt = margin + glyphAlong + spacing;
    } else {
        glyphAt = extent - margin - glyphAlong;
        captionAt = glyphAt - spacing - captionAlong;
    }
    const int glyphCrossAt = (cross - glyphCross + 1) / 2;
    const int captionCrossAt = (cross - captionCross + 1) / 2;

    GlyphAndCaption out;
    if (across) {
        out.Glyph = QRect(glyphAt, glyphCrossAt, glyph.width(), glyph.height());
        out.Caption = QRect(captionAt, captionCrossAt, caption.width(), caption.height());
    } else {
        out.Glyph = QRect(glyphCrossAt, glyphAt, glyph.width(), glyph.height());
        out.Caption = QRect(captionCrossAt, captionAt, caption.width(), caption.height());
    }
    out.Glyph.translate(client.topLeft());
    out.Caption.translate(client.topLeft());
    return out;
}

int GlyphCellCount(const QImage& bitmap, int current)
{
    const int w = bitmap.width(), h = bitmap.height();
    if (bitmap.isNull() || w <= 0 || h <= 0) return 1;
    if (w % h != 0) return current;
    return w / h < 5 ? w / h : 1;
}

QImage BuildGlyphImage(const QImage& source, int numGlyphs, TButtonState state, const GlyphColors& colors,
                       QColor transparent)
{
    if (source.isNull() || source.width() <= 0 || source.height() <= 0) return {};
    const int cells = std::clamp(numGlyphs, 1, 4);
    // Without a cell of its own the pressed glyph is the up glyph; the
    // button shows it pressed by moving it.
    if (state == bsDown && cells < 3) state = bsUp;
    const int cellWidth = source.width() / cells;
    if (cellWidth <= 0) return {};
    const int index = int(state) < cells ? int(state) : 0;
    QImage cell = source.copy(index * cellWidth, 0, cellWidth, source.height()).convertToFormat(QImage::Format_ARGB32);

    if (transparent.isValid()) {
        const QRgb key = transparent.rgb() & 0xFFFFFF;
        for (int y = 0; y < cell.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(cell.scanLine(y));
            for (int x = 0; x < cell.width(); ++x)
                if ((row[x] & 0xFFFFFF) == key) row[x] = 0;
        }
    }
    if (state != bsDisabled) return cell;

    const QRgb highlight = colors.Highlight.rgb(), shadow = colors.Shadow.rgb();
    if (cells >= 2) {
        // Its own cell, drawn in white and mid grey: those become the
        // button's light edge and shadow.
        for (int y = 0; y < cell.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(cell.scanLine(y));
            for (int x = 0; x < cell.width(); ++x) {
                if (qAlpha(row[x]) == 0) continue;
                const QRgb rgb = row[x] & 0xFFFFFF;
                if (rgb == 0xFFFFFF) row[x] = (highlight & 0xFFFFFF) | (row[x] & 0xFF000000);
                else if (rgb == 0x808080) row[x] = (shadow & 0xFFFFFF) | (row[x] & 0xFF000000);
            }
        }
        return cell;
    }
    // Embossed from the up glyph: its shape once in the light edge colour
    // one pixel down and right, then in the shadow colour in place.
    QImage out(cell.size(), QImage::Format_ARGB32);
    out.fill(0);
    for (int y = 0; y < cell.height(); ++y)
        for (int x = 0; x < cell.width(); ++x)
            if (qAlpha(cell.pixel(x, y)) >= 128 && x + 1 < out.width() && y + 1 < out.height())
                out.setPixel(x + 1, y + 1, highlight);
    for (int y = 0; y < cell.height(); ++y)
        for (int x = 0; x < cell.width(); ++x)
            if (qAlpha(cell.pixel(x, y)) >= 128) out.setPixel(x, y, shadow);
    return out;
}

// ---- The button ----------------------------------------------------------------------------

TBitBtnXP::TBitBtnXP(QWidget* parent) : QPushButton(parent)
{
    connect(this, &QAbstractButton::clicked, this, &TBitBtnXP::Click);
}

TBitBtnXP::TBitBtnXP(TBitBtnXPKind kind, QWidget* parent) : TBitBtnXP(parent) { SetKind(kind); }

TBitBtnXPKind TBitBtnXP::Kind() const
{
    if (KindValue != bkCustom) {
        const BitBtnKindInfo& k = KindInfo(KindValue);
        if (DefaultValue != k.Default || CancelValue != k.Cancel || Result != k.ModalResult || ModifiedGlyph)
            KindValue = bkCustom;
    }
    return KindValue;
}

void TBitBtnXP::SetKind(TBitBtnXPKind kind)
{
    if (kind == Kind()) return;
    if (kind != bkCustom) {
        const BitBtnKindInfo& k = KindInfo(kind);
        SetDefault(k.Default);
        SetCancel(k.Cancel);
        setText(QString::fromLatin1(k.Caption));
        Result = k.ModalResult;
        setGlyphImage(KindGlyph(kind));
        SetNumGlyphs(2);
        ModifiedGlyph = false;
    }
    KindValue = kind;
    update();
}

void TBitBtnXP::SetDefault(bool on)
{
    // Kept apart from the widget's own default state, which a dialog moves
    // to whichever button has the focus.
    DefaultValue = on;
    setDefault(on);
}

void TBitBtnXP::SetCancel(bool on)
{
    CancelValue = on;
    if (on && !Escape) {
        Escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
        Escape->setContext(Qt::WindowShortcut);
        connect(Escape, &QShortcut::activated, this, [this] {
            if (isEnabled()) click();
        });
    } else if (!on && Escape) {
        delete Escape;
        Escape = nullptr;
    }
}

void TBitBtnXP::SetGlyph(const QImage& bitmap)
{
    setGlyphImage(bitmap);
    ModifiedGlyph = true;
}

void TBitBtnXP::setGlyphImage(const QImage& bitmap)
{
    Source = bitmap;
    // A bitmap without an alpha channel marks its see-through pixels with the
    // colour of its bottom-left pixel.
    Transparent = QColor();
    if (!bitmap.isNull() && !bitmap.hasAlphaChannel()) Transparent = bitmap.pixelColor(0, bitmap.height() - 1);
    Cells = GlyphCellCount(bitmap, Cells);
    dropGlyphImages();
}

void TBitBtnXP::SetNumGlyphs(int count)
{
    count = std::clamp(count, 1, 4);
    if (count == Cells) return;
    Cells = count;
    dropGlyphImages();
}

void TBitBtnXP::dropGlyphImages()
{
    Images = {};
    Built = {};
    updateGeometry();
    update();
}

void TBitBtnXP::SetLayout(TButtonLayout layout)
{
    if (layout == LayoutValue) return;
    LayoutValue = layout;
    updateGeometry();
    update();
}

void TBitBtnXP::SetMargin(int margin)
{
    if (margin < -1 || margin == MarginValue) return;
    MarginValue = margin;
    update();
}

void TBitBtnXP::SetSpacing(int spacing)
{
    if (spacing == SpacingValue) return;
    SpacingValue = spacing;
    updateGeometry();
    update();
}

void TBitBtnXP::SetStyle(TButtonStyle style)
{
    if (style == StyleValue) return;
    StyleValue = style;
    update();
}

GlyphColors TBitBtnXP::glyphColors() const
{
    return {palette().color(QPalette::Light), palette().color(QPalette::Dark)};
}

QImage TBitBtnXP::GlyphImage(TButtonState state) const
{
    const size_t i = size_t(state) < Images.size() ? size_t(state) : 0;
    if (!Built[i]) {
        Images[i] = BuildGlyphImage(Source, Cells, TButtonState(i), glyphColors(), Transparent);
        Built[i] = true;
    }
    return Images[i];
}

void TBitBtnXP::changeEvent(QEvent* event)
{
    // A disabled glyph is coloured from the palette.
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) {
        Images = {};
        Built = {};
    }
    QPushButton::changeEvent(event);
}

void TBitBtnXP::Click()
{
    const TBitBtnXPKind kind = Kind();
    if (kind == bkClose) {
        if (QWidget* w = window(); w != this) {
            w->close();
            return;
        }
    }
    // bkHelp: the program has no help pages, so it is a plain click.
    if (OnClick) {
        OnClick();
        return;
    }
    if (Result == 0) return;
    auto* dialog = qobject_cast<QDialog*>(window());
    if (!dialog) return;
    // OK and Cancel end the dialog the way Enter and Escape do, so a dialog
    // that checks its input in accept() still does, and callers see one
    // rejected result whichever way the user cancelled.
    if (Result == 1) dialog->accept();
    else if (Result == 2) dialog->reject();
    else dialog->done(Result);
}

QSize TBitBtnXP::sizeHint() const
{
    QSize size = QPushButton::sizeHint();
    const QImage glyph = GlyphImage(bsUp);
    if (glyph.isNull()) return size;
    const int gap = text().isEmpty() ? 0 : std::max(SpacingValue, 0);
    if (LayoutValue == blGlyphLeft || LayoutValue == blGlyphRight) {
        size.rwidth() += glyph.width() + gap;
        size.setHeight(std::max(size.height(), glyph.height() + 6));
    } else {
        size.rheight() += glyph.height() + gap;
        size.setWidth(std::max(size.width(), glyph.width() + 6));
    }
    return size;
}

void TBitBtnXP::paintEvent(QPaintEvent*)
{
    QStylePainter p(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    p.drawControl(QStyle::CE_PushButtonBevel, option);

    const bool down = option.state & (QStyle::State_Sunken | QStyle::State_On);
    const TButtonState state = !isEnabled() ? bsDisabled : down ? bsDown : bsUp;
    const QImage glyph = GlyphImage(state);
    const QString caption = text();
    const QSize captionSize = caption.isEmpty() ? QSize() : fontMetrics().size(Qt::TextShowMnemonic, caption);
    GlyphAndCaption at = LayoutGlyphAndCaption(rect(), glyph.size(), captionSize, LayoutValue, MarginValue,
                                               SpacingValue, layoutDirection() == Qt::RightToLeft);
    // The label is ours, not the style's, so the press moves it only here.
    if (down) {
        at.Glyph.translate(1, 1);
        at.Caption.translate(1, 1);
    }
    if (!glyph.isNull()) p.drawImage(at.Glyph.topLeft(), glyph);
    if (!caption.isEmpty()) {
        const int flags = Qt::AlignCenter | Qt::TextSingleLine |
                          (style()->styleHint(QStyle::SH_UnderlineShortcut, &option, this) ? Qt::TextShowMnemonic
                                                                                             : Qt::TextHideMnemonic);
        if (isEnabled()) {
            p.setPen(palette().color(QPalette::ButtonText));
            p.drawText(at.Caption, flags, caption);
        } else {
            const GlyphColors colors = glyphColors();
            p.setPen(colors.Highlight);
            p.drawText(at.Caption.translated(1, 1), flags, caption);
            p.setPen(colors.Shadow);
            p.drawText(at.Caption, flags, caption);
        }
    }
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = style()->subElementRect(QStyle::SE_PushButtonFocusRect, &option, this);
        p.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

} // namespace quillet
