#include "platform/qt/QtPainterCanvas.h"

#include "render/ImageCanvas.h"

#include <QGlyphRun>
#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QRegion>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace quillet {

namespace {

QColor qcolour(uint32_t c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }

int32_t clampInt(int64_t v) { return int32_t(std::clamp<int64_t>(v, -(int64_t(1) << 30), int64_t(1) << 30)); }

int64_t divRound(__int128 n, __int128 d)
{
    return int64_t(n >= 0 ? (2 * n + d) / (2 * d) : -((-2 * n + d) / (2 * d)));
}

// Colours 0x00BBGGRR are the bytes R, G, B, X of RGBX8888; X must be opaque.
constexpr uint32_t kOpaque = 0xFF000000u;

} // namespace

QtPainterCanvas::QtPainterCanvas(QPainter& painter, CanvasKind kind) : P(painter), Kind(kind)
{
    const QPaintDevice* d = P.device();
    Dpi = d && d->logicalDpiX() > 0 ? d->logicalDpiX() : 96;
    W = d ? d->width() : 0;
    H = d ? d->height() : 0;
    P.setRenderHint(QPainter::Antialiasing, false);
    P.setRenderHint(QPainter::SmoothPixmapTransform, false);
}

void QtPainterCanvas::usePenMode()
{
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    switch (penMode()) {
    case PenMode::Copy: break;
    case PenMode::Xor: mode = QPainter::RasterOp_SourceXorDestination; break;
    case PenMode::NotXor: mode = QPainter::RasterOp_NotSourceXorDestination; break;
    case PenMode::Not: mode = QPainter::RasterOp_NotDestination; break;
    }
    // Devices without raster operations (printers) draw plainly.
    if (mode != QPainter::CompositionMode_SourceOver &&
        !(P.paintEngine() && P.paintEngine()->hasFeature(QPaintEngine::RasterOpModes)))
        mode = QPainter::CompositionMode_SourceOver;
    P.setCompositionMode(mode);
}

void QtPainterCanvas::useCopy() { P.setCompositionMode(QPainter::CompositionMode_SourceOver); }

void QtPainterCanvas::fillSpan(int64_t l, int64_t t, int64_t r, int64_t b, uint32_t colour)
{
    if (r <= l || b <= t) return;
    P.fillRect(QRect(clampInt(l), clampInt(t), clampInt(r - l), clampInt(b - t)), qcolour(colour));
}

void QtPainterCanvas::fillRect(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t colour)
{
    useCopy();
    fillSpan(left, top, right, bottom, colour);
}

void QtPainterCanvas::invertRect(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    if (!(P.paintEngine() && P.paintEngine()->hasFeature(QPaintEngine::RasterOpModes))) return;
    P.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    fillSpan(left, top, right, bottom, 0xFFFFFF);
    useCopy();
}

void QtPainterCanvas::line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour, int32_t width)
{
    const int64_t w = std::max(1, width), off = (w - 1) / 2;
    const int64_t dx = int64_t(x2) - x1, dy = int64_t(y2) - y1;
    const int64_t steps = std::max(std::llabs(dx), std::llabs(dy));
    if (steps == 0) return;
    // The last pixel drawn: the end point is excluded.
    const int64_t ex = x1 + divRound(__int128(dx) * (steps - 1), steps);
    const int64_t ey = y1 + divRound(__int128(dy) * (steps - 1), steps);
    usePenMode();
    const bool dotted = penStyle() == PenStyle::Dot && w == 1;
    if (!dotted && (dx == 0 || dy == 0)) {
        fillSpan(std::min<int64_t>(x1, ex) - off, std::min<int64_t>(y1, ey) - off, std::max<int64_t>(x1, ex) - off + w,
                 std::max<int64_t>(y1, ey) - off + w, colour);
        useCopy();
        return;
    }
    QPen pen(qcolour(colour));
    pen.setWidth(int(w));
    pen.setCapStyle(Qt::SquareCap);
    if (dotted) pen.setDashPattern({1.0, 1.0});
    P.setPen(pen);
    P.drawLine(QPoint(clampInt(x1), clampInt(y1)), QPoint(clampInt(ex), clampInt(ey)));
    useCopy();
}

void QtPainterCanvas::rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom, std::optional<uint32_t> fill,
                                std::optional<uint32_t> pen, int32_t penWidth)
{
    if (right <= left || bottom <= top) return;
    const int64_t pw = pen ? std::min<int64_t>(std::max(1, penWidth), std::max(right - left, bottom - top)) : 0;
    if (pen && pw == 1 && penStyle() == PenStyle::Dot) {
        if (fill) {
            usePenMode();
            fillSpan(left + 1, top + 1, right - 1, bottom - 1, *fill);
            useCopy();
        }
        const int32_t r1 = right - 1, b1 = bottom - 1;
        if (r1 == left) return line(left, top, left, bottom, *pen, 1);
        if (b1 == top) return line(left, top, right, top, *pen, 1);
        line(left, top, r1, top, *pen, 1);
        line(r1, top, r1, b1, *pen, 1);
        line(r1, b1, left, b1, *pen, 1);
        line(left, b1, left, top, *pen, 1);
        return;
    }
    usePenMode();
    // Four bands that never overlap, so XOR sets each pixel once.
    if (pw > 0) {
        const int64_t topEnd = std::min<int64_t>(bottom, top + pw);
        const int64_t bottomStart = std::max<int64_t>(topEnd, bottom - pw);
        fillSpan(left, top, right, topEnd, *pen);
        fillSpan(left, bottomStart, right, bottom, *pen);
        const int64_t leftEnd = std::min<int64_t>(right, left + pw);
        const int64_t rightStart = std::max<int64_t>(leftEnd, right - pw);
        fillSpan(left, topEnd, leftEnd, bottomStart, *pen);
        fillSpan(rightStart, topEnd, right, bottomStart, *pen);
    }
    if (fill) fillSpan(left + pw, top + pw, right - pw, bottom - pw, *fill);
    useCopy();
}

void QtPainterCanvas::ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom, std::optional<uint32_t> fill,
                              std::optional<uint32_t> pen, int32_t penWidth)
{
    if (right <= left || bottom <= top) return;
    const double pw = pen ? std::max(1, penWidth) : 0;
    usePenMode();
    P.setBrush(fill ? QBrush(qcolour(*fill)) : QBrush(Qt::NoBrush));
    if (pen) {
        QPen p(qcolour(*pen));
        p.setWidthF(pw);
        if (penStyle() == PenStyle::Dot && pw == 1) p.setDashPattern({1.0, 1.0});
        P.setPen(p);
    } else {
        P.setPen(Qt::NoPen);
    }
    // Qt centres the pen on the path; inset it so the ring lies inside.
    P.drawEllipse(QRectF(left + pw / 2, top + pw / 2, double(right - left) - pw, double(bottom - top) - pw));
    P.setBrush(Qt::NoBrush);
    useCopy();
}

const QRawFont& QtPainterCanvas::rawFont(const PlatformFont& font)
{
    const QString key = QString::fromStdString(font.filePath()) + QLatin1Char('#') + QString::number(font.pixelSize());
    auto it = Fonts.find(key);
    if (it == Fonts.end()) it = Fonts.insert(key, loadRawFont(font));
    return it.value();
}

QRawFont QtPainterCanvas::loadRawFont(const PlatformFont& font) const
{
    QRawFont fromFile(QString::fromStdString(font.filePath()), font.pixelSize(), QFont::PreferNoHinting);
    if (Kind != CanvasKind::Printer || !fromFile.isValid()) return fromFile;
    // A font read from its file has no place in Qt's font database, and a
    // PDF print job then draws its glyphs as outlines: the printed words
    // could not be searched or copied. The database's own font for the
    // same face keeps them text. It is taken only when it is the very file
    // measured (same header and glyph count), so the glyph numbers and
    // advances layout used still hold.
    QFont face(fromFile.familyName());
    face.setStyleName(fromFile.styleName());
    face.setPixelSize(std::max(1, font.pixelSize()));
    face.setHintingPreference(QFont::PreferNoHinting);
    face.setStyleStrategy(QFont::NoFontMerging);
    const QRawFont known = QRawFont::fromFont(face);
    const auto same = [&](const char* table) {
        const QByteArray a = known.fontTable(table);
        return !a.isEmpty() && a == fromFile.fontTable(table);
    };
    if (known.isValid() && same("head") && same("maxp")) return known;
    return fromFile;
}

void QtPainterCanvas::text(int32_t x, int32_t y, const FontHandle& font, std::string_view ansi, uint32_t colour)
{
    if (!font || ansi.empty()) return;
    useCopy();
    const TextExtent ext = font->textExtent(ansi);
    if (const auto bk = textBackground()) fillSpan(x, y, int64_t(x) + ext.cx, int64_t(y) + ext.cy, *bk);
    const QRawFont& raw = rawFont(*font);
    if (raw.isValid()) {
        // The glyphs and integer advances the text was measured with.
        QList<quint32> glyphs;
        QList<QPointF> positions;
        int64_t penX = 0;
        for (unsigned char code : ansi) {
            glyphs.append(font->glyphIndex(code));
            positions.append(QPointF(double(penX), 0));
            penX += font->advance(code);
        }
        QGlyphRun run;
        run.setRawFont(raw);
        run.setGlyphIndexes(glyphs);
        run.setPositions(positions);
        P.setPen(qcolour(colour));
        P.drawGlyphRun(QPointF(x, double(y) + font->ascent()), run);
    }
    if (font->logFont().StrikeOut) {
        const int64_t barTop = int64_t(y) + font->ascent() - font->strikeOutPosition();
        fillSpan(x, barTop, int64_t(x) + ext.cx, barTop + font->strikeOutSize(), colour);
    }
}

void QtPainterCanvas::setClip(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    P.setClipRect(QRect(left, top, std::max(0, right - left), std::max(0, bottom - top)));
}

void QtPainterCanvas::setClipRegion(const std::vector<ClipBox>& boxes)
{
    QRegion region;
    for (const ClipBox& b : boxes)
        if (b.Right > b.Left && b.Bottom > b.Top) region += QRect(b.Left, b.Top, b.Right - b.Left, b.Bottom - b.Top);
    // An empty region would switch clipping off in Qt; it must clip all.
    if (region.isEmpty()) region = QRegion(QRect(-2, -2, 1, 1));
    P.setClipRegion(region);
}

void QtPainterCanvas::clearClip() { P.setClipping(false); }

void QtPainterCanvas::drawImage(const ImageCanvas& image, int32_t x, int32_t y)
{
    const int32_t w = image.width(), h = image.height();
    if (w <= 0 || h <= 0) return;
    QImage copy(w, h, QImage::Format_RGBX8888);
    for (int32_t r = 0; r < h; ++r) {
        const uint32_t* src = image.row(r);
        auto* dst = reinterpret_cast<uint32_t*>(copy.scanLine(r));
        for (int32_t c = 0; c < w; ++c) dst[c] = src[c] | kOpaque;
    }
    useCopy();
    P.drawImage(QPoint(x, y), copy);
}

int32_t QtPainterCanvas::stretchDib(int32_t x, int32_t y, int32_t width, int32_t height, const Dib& picture,
                                    int32_t sourceX, int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight,
                                    uint32_t rop)
{
    // The source must lie inside the picture (callers clip it first).
    if (!stretchDibDrawable(width, height, picture, sourceX, sourceY, sourceWidth, sourceHeight, rop)) return 0;
    const int32_t pw = dibwidth(picture);
    QImage img(sourceWidth, sourceHeight, QImage::Format_RGBX8888);
    if (img.isNull()) return 0;
    std::vector<uint32_t> row(static_cast<size_t>(pw));
    for (int32_t k = 0; k < sourceHeight; ++k) {
        // Stored rows run bottom-up; the source y counts from the bottom.
        dibRowColours(picture, sourceY + sourceHeight - 1 - k, row.data());
        auto* dst = reinterpret_cast<uint32_t*>(img.scanLine(k));
        for (int32_t c = 0; c < sourceWidth; ++c) dst[c] = row[size_t(sourceX + c)] | kOpaque;
    }
    useCopy();
    // The device scales: printers get the picture at its own resolution.
    P.drawImage(QRect(x, y, width, height), img);
    return height;
}

bool QtPainterCanvas::stretchBitmap(int32_t x, int32_t y, int32_t width, int32_t height, const Bitmap32& bitmap,
                                    int32_t sourceX, int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight,
                                    uint32_t rop)
{
    if (rop != SRCCOPY || width <= 0 || height <= 0 || sourceWidth <= 0 || sourceHeight <= 0) return false;
    if (bitmap.Width <= 0 || bitmap.Height <= 0 || bitmap.Pixels.size() / size_t(bitmap.Width) < size_t(bitmap.Height))
        return false;
    if (sourceX < 0 || sourceY < 0 || sourceWidth > bitmap.Width - sourceX || sourceHeight > bitmap.Height - sourceY)
        return false;
    QImage img(sourceWidth, sourceHeight, QImage::Format_RGBX8888);
    if (img.isNull()) return false;
    for (int32_t k = 0; k < sourceHeight; ++k) {
        const uint32_t* src = bitmap.Pixels.data() + size_t(sourceY + k) * size_t(bitmap.Width) + size_t(sourceX);
        auto* dst = reinterpret_cast<uint32_t*>(img.scanLine(k));
        for (int32_t c = 0; c < sourceWidth; ++c) dst[c] = src[c] | kOpaque;
    }
    useCopy();
    P.drawImage(QRect(x, y, width, height), img);
    return true;
}

} // namespace quillet
