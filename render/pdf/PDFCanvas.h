#pragma once
// Our own PDF 1.3 writer: a drawing surface in whole points, origin at the
// top-left, y downwards, whose every call becomes content operators at
// once. One Flate stream per page, one TrueType font object (not embedded)
// per face and style, one JPEG image object per picture drawn.
//
// The whole file is built in memory and written by EndDoc through the safe
// writer (a temporary file renamed over the target), so a failed export
// never leaves a half-written file and never spoils an older one.

#include "platform/Dib.h"
#include "platform/FontMetrics.h"
#include "render/pdf/PageDeflater.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

enum class PdfPenStyle : uint8_t { Solid, Dash, Dot, DashDot, DashDotDot, Clear, InsideFrame };

struct PdfPen {
    PdfPenStyle Style = PdfPenStyle::Solid;
    int32_t Width = 1;
    uint32_t Color = 0;  // 0x00BBGGRR
    friend bool operator==(const PdfPen&, const PdfPen&) = default;
};

struct PdfBrush {
    bool Clear = false;
    uint32_t Color = 0xFFFFFF;
    friend bool operator==(const PdfBrush&, const PdfBrush&) = default;
};

// Style bits of a font: they are part of a font object's identity.
enum : uint8_t { kPdfBold = 1, kPdfItalic = 2, kPdfUnderline = 4, kPdfStrikeOut = 8 };

struct PdfFont {
    std::string Name = "Microsoft Sans Serif";
    int32_t Size = 8;  // whole points
    uint8_t Style = 0;
    uint8_t Charset = 1;
    uint32_t Color = 0;
};

// Escapes a Windows-1252 string for a PDF literal string (without the parentheses).
std::string EscapePDFString(std::string_view s);
// A face name as a PDF name (without the slash), with the style suffix.
std::string PDFBaseFontName(std::string_view face, uint8_t style);
// c / 255 as the shortest text of up to 15 significant digits, always with a dot.
std::string PdfColorComponent(uint8_t c);

class TPDFCanvas {
public:
    // Measures through `fonts` (the process-wide service when null).
    explicit TPDFCanvas(FontService* fonts = nullptr);
    ~TPDFCanvas();
    TPDFCanvas(const TPDFCanvas&) = delete;
    TPDFCanvas& operator=(const TPDFCanvas&) = delete;

    // Opens the document with page 1 begun. False, with ErrorText set, when
    // the target's folder is missing or not writable; nothing is written then.
    bool BeginDoc(const std::filesystem::path& file);
    // Opens the document without a target: the bytes stay in Bytes().
    void BeginDocInMemory();
    void NewPage();
    // Ends the document and writes the file. False with ErrorText when the
    // file cannot be written; any older file of that name is left intact.
    // A second call does nothing and returns true.
    bool EndDoc();
    bool DocOpen() const { return docOpen_; }
    const std::string& Bytes() const;
    const std::string& ErrorText() const { return error_; }

    void MoveTo(int32_t x, int32_t y);
    void LineTo(int32_t x, int32_t y);
    void FillRectXY(int32_t left, int32_t top, int32_t right, int32_t bottom);
    void RectangleXY(int32_t left, int32_t top, int32_t right, int32_t bottom);
    // Text whose cell has its top-left at (x, y); the baseline lies one
    // ascent below, as on every other canvas.
    void TextOut(int32_t x, int32_t y, std::string_view text);
    int32_t TextWidth(std::string_view text);
    int32_t TextHeight(std::string_view text);
    // The whole picture placed in the destination rectangle; a zero source
    // width or height draws nothing.
    void DrawDib(int32_t x, int32_t y, int32_t w, int32_t h, const Dib& picture, int32_t sx, int32_t sy,
                 int32_t sw, int32_t sh);

    int32_t PageWidthPt = 595;
    int32_t PageHeightPt = 841;
    PdfPen Pen;
    PdfBrush Brush;
    PdfFont Font;
    int32_t PageCount() const { return pageCount_; }
    int32_t ImageCount() const { return int32_t(images_.size()); }
    int32_t FontCount() const { return int32_t(fontList_.size()); }
    // Threads that compress finished pages while later ones are drawn (0:
    // each page on the drawing thread). The file's bytes are the same
    // either way. Takes effect at the next BeginDoc.
    void SetCompressionWorkers(int workers) { workers_ = workers; }

private:
    struct FontKey {
        std::string Name;
        uint8_t Style = 0;
        uint8_t Charset = 1;
    };
    struct Image {
        int32_t Width = 0, Height = 0;
        std::shared_ptr<const std::vector<uint8_t>> Jpeg;
    };
    // A picture drawn on many pages (a logo in the header) is encoded once:
    // its JPEG bytes are kept by the picture's pixel block and content, so
    // neither a changed picture nor another one made in a freed block's
    // place is taken for it.
    struct EncodedPicture {
        const uint8_t* Block = nullptr;
        uint64_t Hash = 0;
        int32_t Width = 0, Height = 0, Bits = 0;
        size_t Bytes = 0;
        std::shared_ptr<const std::vector<uint8_t>> Jpeg;
    };
    std::shared_ptr<const std::vector<uint8_t>> jpegOf(const Dib& picture);

    void open();
    void writeRaw(std::string_view s);
    void writeLine(std::string_view s);
    // Where writes go now: the page's content or the file.
    std::string& sink() { return buffering_ ? page_ : out_; }
    // "left y w h re" with y turned to PDF space from the bottom edge.
    void appendRect(int32_t left, int32_t bottom, int32_t w, int32_t h);
    void beginObject();
    void beginDictObject();
    void endObject();
    void endDictObject();
    void beginPageStream();
    void endPageStream();
    // Writes the next page's content object; `ok` false notes a page that
    // could not be compressed.
    void writePageStream(std::string& packed, bool ok);
    void writePageStreams();
    void applyPen();
    void applyBrush();
    void applyFont();
    int32_t getFontNumber(const std::string& face, uint8_t style, uint8_t charset);
    FontHandle measuringFont(const std::string& face, int32_t size, uint8_t style, uint8_t charset) const;
    FontHandle makeMeasuringFont(const std::string& face, int32_t size, uint8_t style, uint8_t charset) const;
    void writeFontObject(const FontKey& key);
    void writeImageObject(const Image& image);

    FontService& service_;
    std::filesystem::path target_;
    bool toFile_ = false;
    bool docOpen_ = false;
    // The file's bytes but for the pages' compressed content, which is kept
    // beside them with the place in out_ where it belongs: the file is
    // written from the pieces, and only Bytes() puts them together.
    mutable std::string out_;
    mutable std::vector<std::pair<size_t, std::string>> streams_;
    mutable size_t streamBytes_ = 0;
    // Where the next byte written lies in the file.
    int64_t fileOffset() const { return int64_t(out_.size() + streamBytes_); }
    std::string page_;
    bool buffering_ = false;
    std::string error_;

    std::vector<int64_t> xref_;  // offset per object; entry 0 is the free one
    std::vector<std::pair<int32_t, int32_t>> pageSizes_;
    std::vector<FontKey> fontList_;  // order of first use; position + 1 is the font number
    std::vector<Image> images_;
    std::vector<EncodedPicture> encoded_;
    int workers_ = PageDeflater::DefaultWorkers();
    // The pages' content streams, written out in page order as they are
    // compressed: they come right after the first object, and every other
    // object is written by EndDoc.
    std::unique_ptr<PageDeflater> deflater_;
    size_t pagesWritten_ = 0;  // pages whose content object is in out_

    int32_t pageCount_ = 0;
    int32_t lastFontNumber_ = 0, lastFontSize_ = 0;
    bool fontEmitted_ = false, brushEmitted_ = false, penEmitted_ = false;
    bool brushClear_ = false, penClear_ = false;
    PdfPen lastPen_;
    PdfBrush lastBrush_;
    // The non-stroking colour actually in force on this page: text and
    // fills share it, and a clear brush writes none.
    bool fillColorSet_ = false;
    uint32_t fillColor_ = 0;
    int32_t penX_ = 0, penY_ = 0;
    size_t lastPageBytes_ = 0;
    mutable FontHandle lastMeasured_;
    mutable std::string lastMeasuredFace_;
    mutable int32_t lastMeasuredSize_ = 0;
    mutable uint8_t lastMeasuredStyle_ = 0, lastMeasuredCharset_ = 0;
};

} // namespace quillet
