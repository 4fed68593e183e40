// The system clipboard (QtClipboard.h).

#include "platform/qt/QtClipboard.h"

#include "platform/Win1252.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include <cstring>

namespace quillet {

namespace {

QClipboard* board() { return QGuiApplication::clipboard(); }

const QMimeData* contents()
{
    QClipboard* b = board();
    return b ? b->mimeData() : nullptr;
}

} // namespace

QString privateClipboardMimeType() { return QStringLiteral("application/x-quillet-VADAZEZOVEZUDADEZE10"); }

bool QtClipboard::hasPrivate() const
{
    const QMimeData* m = contents();
    return m && m->hasFormat(privateClipboardMimeType());
}

bool QtClipboard::hasText() const
{
    const QMimeData* m = contents();
    return m && m->hasText();
}

bool QtClipboard::hasPicture() const
{
    const QMimeData* m = contents();
    return m && m->hasImage();
}

void QtClipboard::set(const std::string& ansiText, const std::vector<uint8_t>& privateStream)
{
    QClipboard* b = board();
    if (!b) return;
    auto* data = new QMimeData;
    data->setText(QString::fromStdString(ansiToUtf8(ansiText)));
    if (!privateStream.empty())
        data->setData(privateClipboardMimeType(),
                      QByteArray(reinterpret_cast<const char*>(privateStream.data()), qsizetype(privateStream.size())));
    b->setMimeData(data);
}

std::vector<uint8_t> QtClipboard::privateData() const
{
    const QMimeData* m = contents();
    if (!m) return {};
    const QByteArray bytes = m->data(privateClipboardMimeType());
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

std::string QtClipboard::text() const
{
    const QMimeData* m = contents();
    if (!m) return {};
    // Letters the code page lacks become a question mark, so the pasted
    // text keeps its length and shows where something was.
    std::string out;
    const QString s = m->text();
    for (char32_t cp : s.toUcs4()) {
        const int b = unicodeToCp1252(cp);
        out.push_back(b >= 0 ? char(b) : '?');
    }
    return out;
}

Dib QtClipboard::picture() const
{
    const QMimeData* m = contents();
    if (!m || !m->hasImage()) return {};
    return dibFromImage(qvariant_cast<QImage>(m->imageData()));
}

Dib dibFromImage(const QImage& source)
{
    Dib d;
    if (source.isNull()) return d;
    const bool indexed = source.colorCount() > 0 && source.colorCount() <= 256;
    const QImage img = indexed ? source.convertToFormat(QImage::Format_Indexed8)
                               : source.convertToFormat(QImage::Format_RGB888);
    if (img.isNull()) return d;
    std::vector<RgbQuad> colours;
    if (indexed)
        for (QRgb c : img.colorTable()) colours.push_back(RgbQuad{uint8_t(qBlue(c)), uint8_t(qGreen(c)), uint8_t(qRed(c)), 0});
    newdib(&d, img.width(), img.height(), indexed ? 8 : 24, indexed ? &colours : nullptr, int32_t(colours.size()));
    if (d.empty()) return d;
    const int h = img.height();
    for (int y = 0; y < h; ++y) {
        const uchar* src = img.constScanLine(y);
        uint8_t* dst = d.row(h - 1 - y);
        if (indexed) {
            std::memcpy(dst, src, size_t(img.width()));
        } else {
            // The picture's rows hold blue, green, red.
            for (int x = 0; x < img.width(); ++x) {
                dst[3 * x] = src[3 * x + 2];
                dst[3 * x + 1] = src[3 * x + 1];
                dst[3 * x + 2] = src[3 * x];
            }
        }
    }
    d.Header.biXPelsPerMeter = source.dotsPerMeterX();
    d.Header.biYPelsPerMeter = source.dotsPerMeterY();
    return d;
}

} // namespace quillet
