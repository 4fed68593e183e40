// The system clipboard (QtClipboard.h).

#include "platform/qt/QtClipboard.h"

#include "platform/Win1252.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include <cstring>
#include <memory>

namespace quillet {

namespace {

QClipboard* board() { return QGuiApplication::clipboard(); }

// What this program puts on the clipboard. The private stream stays in the
// block the copy wrote: a paste in this process takes that block as it is,
// and only another program asking for the format gets bytes of its own (a
// copy it may keep as long as it likes, even after the clipboard has moved
// on and this object is gone).
class ProgramMimeData final : public QMimeData {
public:
    explicit ProgramMimeData(SharedBytes stream) : Stream(std::move(stream)) {}

    QStringList formats() const override
    {
        QStringList f = QMimeData::formats();
        if (!Stream.empty()) f.append(privateClipboardMimeType());
        return f;
    }
    bool hasFormat(const QString& type) const override
    {
        return (!Stream.empty() && type == privateClipboardMimeType()) || QMimeData::hasFormat(type);
    }

    const SharedBytes Stream;

protected:
    QVariant retrieveData(const QString& type, QMetaType preferred) const override
    {
        if (!Stream.empty() && type == privateClipboardMimeType())
            return QByteArray(reinterpret_cast<const char*>(Stream.data()), qsizetype(Stream.size()));
        return QMimeData::retrieveData(type, preferred);
    }
};

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

void QtClipboard::set(const std::string& ansiText, SharedBytes privateStream)
{
    QClipboard* b = board();
    if (!b) return;
    auto* data = new ProgramMimeData(std::move(privateStream));
    data->setText(QString::fromStdString(ansiToUtf8(ansiText)));
    b->setMimeData(data);
}

SharedBytes QtClipboard::privateData() const
{
    const QMimeData* m = contents();
    if (!m) return {};
    if (const auto* own = dynamic_cast<const ProgramMimeData*>(m)) return own->Stream;
    // Another program's bytes: the byte array that holds them is kept alive
    // by whoever holds the result.
    auto bytes = std::make_shared<const QByteArray>(m->data(privateClipboardMimeType()));
    const auto* at = reinterpret_cast<const uint8_t*>(bytes->constData());
    const auto size = size_t(bytes->size());
    return SharedBytes(std::move(bytes), at, size);
}

SharedBytes QtClipboard::clear()
{
    QClipboard* b = board();
    if (!b) return {};
    // Only a stream of this program's own comes back: anything else would
    // first be fetched from its owner just to be dropped.
    SharedBytes last;
    if (const auto* own = dynamic_cast<const ProgramMimeData*>(contents())) last = own->Stream;
    b->clear();
    return last;
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
