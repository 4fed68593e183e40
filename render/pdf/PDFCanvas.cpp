#include "render/pdf/PDFCanvas.h"

#include "platform/SafeFile.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <new>
#include <system_error>

#include <unistd.h>

namespace quillet {

namespace {

// A double as "%.15g" would print it in the C locale: the number text of
// a PDF never takes the user's decimal comma.
std::string number(double v)
{
    char buf[40];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
    return std::string(buf, r.ptr);
}

std::string n(int64_t v) { return std::to_string(v); }

// Content streams are made of many short numbers: they are appended in
// place rather than built as strings first.
void appendInt(std::string& s, int64_t v)
{
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    s.append(buf, r.ptr);
}

// The 256 colour components, formatted once.
const std::string& colourText(uint8_t c)
{
    static const std::array<std::string, 256> table = [] {
        std::array<std::string, 256> t;
        for (int i = 0; i < 256; ++i) t[size_t(i)] = number(double(i) / 255.0);
        return t;
    }();
    return table[c];
}

void appendEscaped(std::string& out, std::string_view s)
{
    for (const char ch : s) {
        const auto b = uint8_t(ch);
        switch (b) {
        case '\\': out += "\\\\"; break;
        case '(': out += "\\("; break;
        case ')': out += "\\)"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        default:
            if (b < 32) {
                out += '\\';
                out += char('0' + (b >> 6));
                out += char('0' + ((b >> 3) & 7));
                out += char('0' + (b & 7));
            } else {
                out += ch;
            }
        }
    }
}

// A rectangle side of GDI (right edge excluded) as a PDF extent: one step
// toward zero.
int32_t towardZero(int32_t v) { return v > 0 ? v - 1 : v + 1; }

// Every pixel byte and colour-table entry of a picture, eight bytes a step.
uint64_t contentHash(const Dib& d)
{
    uint64_t h = 0x9E3779B97F4A7C15ull ^ d.Bits.size();
    const auto step = [&h](uint64_t v) {
        h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
        h *= 0xFF51AFD7ED558CCDull;
    };
    const auto run = [&step](const uint8_t* p, size_t n) {
        size_t i = 0;
        for (; i + 8 <= n; i += 8) {
            uint64_t v;
            std::memcpy(&v, p + i, 8);
            step(v);
        }
        uint64_t tail = 0;
        if (n > i) std::memcpy(&tail, p + i, n - i);
        step(tail ^ (uint64_t(n - i) << 56));
    };
    run(d.Bits.data(), d.Bits.size());
    run(reinterpret_cast<const uint8_t*>(d.ColorTable.data()), d.ColorTable.size() * sizeof(RgbQuad));
    return h;
}

// The three components of a colour and the operator, as one line.
void appendColourLine(std::string& s, uint32_t c, std::string_view op)
{
    s += colourText(uint8_t(c & 0xFF));
    s += ' ';
    s += colourText(uint8_t((c >> 8) & 0xFF));
    s += ' ';
    s += colourText(uint8_t((c >> 16) & 0xFF));
    s += op;
}

// A picture that could not be encoded still gets an object at its number,
// so the numbers of every later picture and every page's reference hold.
std::vector<uint8_t> placeholderJpeg()
{
    Dib white;
    newdib(&white, 1, 1, 24, nullptr, 0);
    if (white.empty()) return {};
    std::fill(white.Bits.begin(), white.Bits.end(), uint8_t(0xFF));
    return SaveDibJpegToMemory(white, 90);
}

} // namespace

std::string PdfColorComponent(uint8_t c) { return colourText(c); }

std::string EscapePDFString(std::string_view s)
{
    std::string out;
    out.reserve(s.size() + 8);
    appendEscaped(out, s);
    return out;
}

std::string PDFBaseFontName(std::string_view face, uint8_t style)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (const char ch : face) {
        const auto b = uint8_t(ch);
        if (b == 0) continue;
        const bool delimiter = std::string_view("#%()/<>[]{}").find(ch) != std::string_view::npos;
        if (b >= '!' && b <= '~' && !delimiter) {
            out += ch;
        } else {
            out += '#';
            out += hex[b >> 4];
            out += hex[b & 15];
        }
    }
    const bool bold = style & kPdfBold, italic = style & kPdfItalic;
    if (bold && italic) out += ",BoldItalic";
    else if (italic) out += ",Italic";
    else if (bold) out += ",Bold";
    return out;
}

TPDFCanvas::TPDFCanvas(FontService* fonts) : service_(fonts ? *fonts : FontService::instance()) {}

TPDFCanvas::~TPDFCanvas()
{
    if (docOpen_) EndDoc();
}

bool TPDFCanvas::BeginDoc(const std::filesystem::path& file)
{
    error_.clear();
    std::error_code ec;
    std::filesystem::path folder = file.parent_path();
    if (folder.empty()) folder = ".";
    if (file.filename().empty() || !std::filesystem::is_directory(folder, ec)) {
        error_ = "the folder does not exist";
        return false;
    }
    if (::access(folder.c_str(), W_OK) != 0) {
        error_ = "Permission denied";
        return false;
    }
    target_ = file;
    toFile_ = true;
    open();
    return true;
}

void TPDFCanvas::BeginDocInMemory()
{
    error_.clear();
    toFile_ = false;
    open();
}

void TPDFCanvas::open()
{
    if (docOpen_) EndDoc();
    out_.clear();
    streams_.clear();
    streamBytes_ = 0;
    xref_.clear();
    pageSizes_.clear();
    fontList_.clear();
    images_.clear();
    encoded_.clear();
    deflater_ = std::make_unique<PageDeflater>(workers_);
    pagesWritten_ = 0;
    buffering_ = false;
    writeLine("%PDF-1.3");
    xref_.push_back(0);  // the free entry
    beginObject();
    writeLine("[/PDF /Text /ImageB /ImageC /ImageI]");
    endObject();
    pageCount_ = 0;
    beginPageStream();
    docOpen_ = true;
}

void TPDFCanvas::writeRaw(std::string_view s)
{
    if (buffering_) page_ += s;
    else out_ += s;
}

void TPDFCanvas::appendRect(int32_t left, int32_t bottom, int32_t w, int32_t h)
{
    std::string& s = sink();
    appendInt(s, left);
    s += ' ';
    appendInt(s, int64_t(PageHeightPt) - bottom);
    s += ' ';
    appendInt(s, w);
    s += ' ';
    appendInt(s, h);
    s += " re\n";
}

void TPDFCanvas::writeLine(std::string_view s)
{
    writeRaw(s);
    writeRaw("\n");
}

void TPDFCanvas::beginObject()
{
    xref_.push_back(fileOffset());
    writeLine(n(int64_t(xref_.size()) - 1) + " 0 obj");
}

void TPDFCanvas::beginDictObject()
{
    beginObject();
    writeLine("<<");
}

void TPDFCanvas::endObject() { writeLine("endobj"); }

void TPDFCanvas::endDictObject()
{
    writeLine(">>");
    endObject();
}

void TPDFCanvas::beginPageStream()
{
    ++pageCount_;
    fontEmitted_ = brushEmitted_ = penEmitted_ = false;
    fillColorSet_ = false;
    page_ = deflater_->spareBuffer();
    // Pages of one document are much alike: room for the last one's
    // content saves growing the buffer step by step.
    page_.reserve(std::max<size_t>(lastPageBytes_ + lastPageBytes_ / 4, 4096));
    buffering_ = true;
}

void TPDFCanvas::endPageStream()
{
    buffering_ = false;
    lastPageBytes_ = page_.size();
    // The page is compressed meanwhile. The pages' objects come first in
    // the file, so each is written as soon as it and every page before it
    // are compressed, and its bytes are not kept twice.
    deflater_->add(std::move(page_));
    page_ = std::string();
    pageSizes_.emplace_back(PageWidthPt, PageHeightPt);
    std::string packed;
    bool ok = false;
    while (deflater_->takeIfDone(pagesWritten_, packed, ok)) writePageStream(packed, ok);
}

void TPDFCanvas::writePageStream(std::string& packed, bool ok)
{
    ++pagesWritten_;
    if (!ok && error_.empty()) error_ = "there is not enough memory";
    beginObject();
    writeLine("<< /Length " + n(int64_t(xref_.size())) + " 0 R /Filter /FlateDecode >>");
    writeLine("stream");
    const int64_t streamStart = fileOffset();
    streamBytes_ += packed.size();
    streams_.emplace_back(out_.size(), std::move(packed));
    std::string().swap(packed);
    writeRaw("\n");
    const int64_t streamEnd = fileOffset();
    writeLine("endstream");
    endObject();
    beginObject();
    writeLine(n(streamEnd - streamStart));
    endObject();
}

const std::string& TPDFCanvas::Bytes() const
{
    if (streams_.empty()) return out_;
    std::string all;
    all.reserve(out_.size() + streamBytes_);
    size_t from = 0;
    for (const auto& [at, packed] : streams_) {
        all.append(out_, from, at - from);
        all += packed;
        from = at;
    }
    all.append(out_, from, std::string::npos);
    out_ = std::move(all);
    streams_.clear();
    streamBytes_ = 0;
    return out_;
}

void TPDFCanvas::writePageStreams()
{
    std::string packed;
    while (pagesWritten_ < deflater_->count()) {
        const bool ok = deflater_->take(pagesWritten_, packed);
        writePageStream(packed, ok);
    }
    deflater_->clear();
}

void TPDFCanvas::NewPage()
{
    if (!docOpen_) return;
    endPageStream();
    beginPageStream();
}

bool TPDFCanvas::EndDoc()
{
    if (!docOpen_) return true;
    endPageStream();
    writePageStreams();
    const int64_t firstFont = int64_t(xref_.size());
    for (const FontKey& f : fontList_) writeFontObject(f);

    beginDictObject();
    const int64_t pagesObject = int64_t(xref_.size()) - 1;
    writeLine("/Type /Pages");
    writeLine("/Count " + n(pageCount_));
    std::string kids = "/Kids [";
    for (int32_t k = 0; k < pageCount_; ++k)
        kids += n(pagesObject + 1 + k) + (k + 1 < pageCount_ ? " 0 R " : " 0 R]");
    writeLine(kids);
    endDictObject();

    // Object numbers of the pictures: after the pages, the catalog and the outline root.
    const int64_t firstImage = pagesObject + pageCount_ + 3;
    std::string pictures;
    for (size_t j = 0; j < images_.size(); ++j) pictures += "/Im" + n(int64_t(j)) + " " + n(firstImage + int64_t(j)) + " 0 R";
    std::string fonts;
    for (size_t i = 1; i <= fontList_.size(); ++i) fonts += "/F" + n(int64_t(i)) + " " + n(firstFont + int64_t(i) - 1) + " 0 R";
    for (int32_t k = 0; k < pageCount_; ++k) {
        beginDictObject();
        writeLine("/Type /Page");
        writeLine("/Parent " + n(pagesObject) + " 0 R");
        writeRaw("/Resources <<");
        writeLine("/XObject << " + pictures + " >>");
        writeRaw("/Font << " + fonts);
        writeLine(">> /ProcSet 1 0 R");
        writeLine(">>");
        const auto [pw, ph] = pageSizes_[size_t(k)];
        writeLine("/MediaBox [0 0 " + n(int64_t(pw) - 1) + " " + n(int64_t(ph) - 1) + "]");
        writeLine("/Contents " + n(2 + 2 * int64_t(k)) + " 0 R");
        endDictObject();
    }

    beginDictObject();
    const int64_t catalog = int64_t(xref_.size()) - 1;
    writeLine("/Type /Catalog");
    writeLine("/Pages " + n(pagesObject) + " 0 R");
    writeLine("/Outlines " + n(catalog + 1) + " 0 R");
    endDictObject();
    beginDictObject();
    writeLine("/Type /Outlines");
    writeLine("/Count 0");
    endDictObject();

    for (const Image& im : images_) writeImageObject(im);

    const int64_t xrefOffset = fileOffset();
    writeLine("xref");
    writeLine("0 " + n(int64_t(xref_.size())));
    char entry[32];
    for (size_t i = 0; i < xref_.size(); ++i) {
        if (i == 0) std::snprintf(entry, sizeof entry, "%010d %05d f \n", 0, 65535);
        else std::snprintf(entry, sizeof entry, "%010lld %05d n \n", static_cast<long long>(xref_[i]), 0);
        writeRaw(entry);
    }
    writeLine("trailer");
    writeLine("<<");
    writeLine("/Size " + n(int64_t(xref_.size())));
    writeLine("/Root " + n(catalog) + " 0 R");
    writeLine(">>");
    writeLine("startxref");
    writeLine(n(xrefOffset));
    writeRaw("%%EOF");

    docOpen_ = false;
    xref_.clear();
    pageSizes_.clear();
    fontList_.clear();
    if (!error_.empty()) return false;
    if (toFile_) {
        std::vector<std::string_view> pieces;
        pieces.reserve(2 * streams_.size() + 1);
        size_t from = 0;
        for (const auto& [at, packed] : streams_) {
            pieces.emplace_back(out_.data() + from, at - from);
            pieces.emplace_back(packed);
            from = at;
        }
        pieces.emplace_back(out_.data() + from, out_.size() - from);
        const FileWriteResult r = WriteWholeFile(target_, pieces);
        if (!r) {
            error_ = r.reason;
            return false;
        }
    }
    return true;
}

FontHandle TPDFCanvas::measuringFont(const std::string& face, int32_t size, uint8_t style, uint8_t charset) const
{
    // Runs of text mostly keep their font: the last one is at hand without
    // asking the service.
    if (lastMeasured_ && lastMeasuredSize_ == size && lastMeasuredStyle_ == style &&
        lastMeasuredCharset_ == charset && lastMeasuredFace_ == face)
        return lastMeasured_;
    lastMeasured_ = makeMeasuringFont(face, size, style, charset);
    lastMeasuredFace_ = face;
    lastMeasuredSize_ = size;
    lastMeasuredStyle_ = style;
    lastMeasuredCharset_ = charset;
    return lastMeasured_;
}

FontHandle TPDFCanvas::makeMeasuringFont(const std::string& face, int32_t size, uint8_t style, uint8_t charset) const
{
    LogFont lf;
    lf.Face = face;
    lf.Height = -std::clamp(size, 1, kMaxFontPixels);
    lf.Weight = (style & kPdfBold) ? 700 : 400;
    lf.Italic = (style & kPdfItalic) != 0;
    lf.StrikeOut = (style & kPdfStrikeOut) != 0;
    lf.Charset = charset;
    return service_.createFont(lf);
}

void TPDFCanvas::writeFontObject(const FontKey& key)
{
    const bool bold = key.Style & kPdfBold, italic = key.Style & kPdfItalic;
    beginDictObject();
    writeLine("/Type /Font");
    writeLine("/Subtype /TrueType");
    writeLine("/Encoding /WinAnsiEncoding");
    writeLine("/BaseFont /" + PDFBaseFontName(key.Name, key.Style));
    const OutlineMetrics m = service_.outlineMetrics(key.Name, bold, italic);
    const FontHandle f12 = measuringFont(key.Name, 12, key.Style, key.Charset);
    const bool outline = m.Ascent != 0 || m.Descent != 0 || m.BBox != std::array<int32_t, 4>{};
    // Values measured on a 12-point font, in thousandths of the em.
    const auto k = [](int64_t v) { return n(v * 1000 / 12); };
    writeLine("/FontDescriptor <</Type/FontDescriptor");
    if (outline) {
        writeLine("/FontBBox[" + n(m.BBox[0]) + " " + n(m.BBox[1]) + " " + n(m.BBox[2]) + " " + n(m.BBox[3]) + "]");
        // Degrees, which is what readers take the key in.
        writeLine("/Flags 4/Ascent " + n(m.Ascent) + "/Descent " + n(m.Descent) + "/ItalicAngle " +
                  number(m.ItalicAngle / 10.0) + ">>");
    } else {
        int32_t maxWidth = 0;
        for (int c = 32; c < 256; ++c) maxWidth = std::max(maxWidth, f12 ? f12->advance(uint8_t(c)) : 0);
        const int32_t a = f12 ? f12->ascent() : 0, d = f12 ? f12->descent() : 0;
        // The box stands the right way up and the descent lies below the baseline.
        writeLine("/FontBBox[0 " + k(-int64_t(d)) + " " + k(maxWidth) + " " + k(a) + "]");
        writeLine("/Flags 4/Ascent " + k(a) + "/Descent " + k(-int64_t(d)) + ">>");
    }
    writeLine("/FirstChar 32");
    writeLine("/LastChar 255");
    std::string widths = "/Widths [";
    for (int c = 32; c < 256; ++c)
        widths += (outline ? n(m.Widths[size_t(c)]) : k(f12 ? f12->advance(uint8_t(c)) : 0)) + " ";
    writeLine(widths + "]");
    endDictObject();
}

void TPDFCanvas::writeImageObject(const Image& im)
{
    beginObject();
    writeLine("<< /Type /XObject /Subtype /Image /Width " + n(im.Width) + " /Height " + n(im.Height) +
              " /BitsPerComponent 8 /ColorSpace /DeviceRGB /Length " + n(int64_t(im.Jpeg->size())) +
              " /Filter /DCTDecode >>");
    writeLine("stream");
    writeRaw(std::string_view(reinterpret_cast<const char*>(im.Jpeg->data()), im.Jpeg->size()));
    writeLine("endstream");
    endObject();
}

void TPDFCanvas::applyPen()
{
    if (penEmitted_ && Pen == lastPen_) return;
    penClear_ = Pen.Style == PdfPenStyle::Clear;
    if (!penClear_) {
        switch (Pen.Style) {
        case PdfPenStyle::Dash: writeLine("[3] 0 d"); break;
        case PdfPenStyle::Dot: writeLine("[1] 0 d"); break;
        case PdfPenStyle::DashDot: writeLine("[3 1 1 1] 0 d"); break;
        case PdfPenStyle::DashDotDot: writeLine("[3 1 1 1 1 1] 0 d"); break;
        default: writeLine("[ ] 0 d"); break;
        }
        writeLine(n(Pen.Width) + " w");
        appendColourLine(sink(), Pen.Color, " RG\n");
    }
    penEmitted_ = true;
    lastPen_ = Pen;
}

void TPDFCanvas::applyBrush()
{
    // Text changes the fill colour too, so the colour in force is compared,
    // not only the brush last applied.
    const bool colourHolds = Brush.Clear || (fillColorSet_ && fillColor_ == Brush.Color);
    if (brushEmitted_ && Brush == lastBrush_ && colourHolds) return;
    brushClear_ = Brush.Clear;
    if (!brushClear_) {
        appendColourLine(sink(), Brush.Color, " rg\n");
        fillColor_ = Brush.Color;
        fillColorSet_ = true;
    }
    brushEmitted_ = true;
    lastBrush_ = Brush;
}

void TPDFCanvas::applyFont()
{
    // A clear brush writes no colour; what counts is the colour written last.
    if (!fillColorSet_ || fillColor_ != Font.Color) {
        appendColourLine(sink(), Font.Color, " rg\n");
        fillColor_ = Font.Color;
        fillColorSet_ = true;
    }
    const int32_t number = getFontNumber(Font.Name, Font.Style, Font.Charset);
    if (fontEmitted_ && number == lastFontNumber_ && Font.Size == lastFontSize_) return;
    std::string& s = sink();
    s += "/F";
    appendInt(s, number);
    s += ' ';
    appendInt(s, Font.Size);
    s += " Tf\n";
    lastFontNumber_ = number;
    lastFontSize_ = Font.Size;
    fontEmitted_ = true;
}

int32_t TPDFCanvas::getFontNumber(const std::string& face, uint8_t style, uint8_t charset)
{
    for (size_t i = 0; i < fontList_.size(); ++i)
        if (fontList_[i].Name == face && fontList_[i].Style == style) return int32_t(i) + 1;
    fontList_.push_back(FontKey{face, style, charset});
    return int32_t(fontList_.size());
}

void TPDFCanvas::MoveTo(int32_t x, int32_t y)
{
    if (!docOpen_) return;
    penX_ = x;
    penY_ = y;
}

void TPDFCanvas::LineTo(int32_t x, int32_t y)
{
    if (!docOpen_) return;
    applyPen();
    if (!penClear_) {
        std::string& s = sink();
        appendInt(s, penX_);
        s += ' ';
        appendInt(s, int64_t(PageHeightPt) - penY_ - 1);
        s += " m\n";
        appendInt(s, x);
        s += ' ';
        appendInt(s, int64_t(PageHeightPt) - y - 1);
        s += " l\nS\n";
    }
    penX_ = x;
    penY_ = y;
}

void TPDFCanvas::FillRectXY(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    if (!docOpen_ || left == right || top == bottom) return;
    const int32_t w = towardZero(right - left), h = towardZero(bottom - top);
    applyBrush();
    if (brushClear_) return;
    appendRect(left, bottom, w, h);
    sink() += "f\n";
}

void TPDFCanvas::RectangleXY(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    if (Pen.Style == PdfPenStyle::Clear) {
        FillRectXY(left, top, right, bottom);
        return;
    }
    if (!docOpen_ || left == right || top == bottom) return;
    const int32_t w = towardZero(right - left), h = towardZero(bottom - top);
    applyPen();
    applyBrush();
    if (!brushClear_) {
        appendRect(left, bottom, w, h);
        sink() += "B\n";
    } else if (!penClear_) {
        MoveTo(left, top);
        LineTo(right - 1, top);
        LineTo(right - 1, bottom - 1);
        LineTo(left, bottom - 1);
        LineTo(left, top);
    }
}

int32_t TPDFCanvas::TextWidth(std::string_view text)
{
    const FontHandle f = measuringFont(Font.Name, Font.Size, Font.Style, Font.Charset);
    return f ? f->textExtent(text).cx : 0;
}

int32_t TPDFCanvas::TextHeight(std::string_view text)
{
    const FontHandle f = measuringFont(Font.Name, Font.Size, Font.Style, Font.Charset);
    return f ? f->textExtent(text).cy : 0;
}

void TPDFCanvas::TextOut(int32_t x, int32_t y, std::string_view text)
{
    if (!docOpen_) return;
    const FontHandle f = measuringFont(Font.Name, Font.Size, Font.Style, Font.Charset);
    const int32_t ascent = f ? f->ascent() : 0;
    sink() += "BT\n";
    applyFont();
    // The baseline one ascent below the cell's top, where the screen and
    // the printer put it, so exported words sit where layout placed them.
    std::string& s = sink();
    appendInt(s, x);
    s += ' ';
    appendInt(s, int64_t(PageHeightPt) - 1 - y - ascent);
    s += " Td (";
    appendEscaped(s, text);
    s += ") Tj\nET\n";
}

std::shared_ptr<const std::vector<uint8_t>> TPDFCanvas::jpegOf(const Dib& picture)
{
    const uint64_t hash = contentHash(picture);
    const int32_t width = dibwidth(picture), height = dibheight(picture), bits = dibbitcount(picture);
    for (const EncodedPicture& e : encoded_)
        if (e.Block == picture.Bits.data() && e.Hash == hash && e.Width == width && e.Height == height &&
            e.Bits == bits && e.Bytes == picture.Bits.size())
            return e.Jpeg;
    auto jpeg = std::make_shared<const std::vector<uint8_t>>(SaveDibJpegToMemory(picture, 90));
    if (jpeg->empty()) return jpeg;
    encoded_.push_back(EncodedPicture{picture.Bits.data(), hash, width, height, bits, picture.Bits.size(), jpeg});
    return jpeg;
}

void TPDFCanvas::DrawDib(int32_t x, int32_t y, int32_t w, int32_t h, const Dib& picture, int32_t /*sx*/,
                         int32_t /*sy*/, int32_t sw, int32_t sh)
{
    if (!docOpen_ || w == 0 || h == 0 || sw == 0 || sh == 0 || !dibUsable(picture)) return;
    Image im;
    im.Width = dibwidth(picture);
    im.Height = dibheight(picture);
    // Encoded now, not kept as pixels until the end: a logo in every
    // header costs its JPEG bytes once, not its bitmap.
    im.Jpeg = jpegOf(picture);
    if (!im.Jpeg || im.Jpeg->empty()) {
        im.Width = im.Height = 1;
        im.Jpeg = std::make_shared<const std::vector<uint8_t>>(placeholderJpeg());
    }
    const int32_t aw = towardZero(w), ah = towardZero(h);
    writeLine("q");
    writeLine(n(aw) + " 0 0 " + n(ah) + " " + n(x) + " " + n(int64_t(PageHeightPt) - y - ah) + " cm");
    writeLine("/Im" + n(int64_t(images_.size())) + " Do");
    writeLine("Q");
    images_.push_back(std::move(im));
}

} // namespace quillet
