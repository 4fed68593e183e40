#pragma once
// Exporting a document as PDF: every page drawn by the printer's traversal
// onto the PDF writer, so screen, paper and PDF share one layout.

#include "render/Canvas.h"
#include "render/pdf/PDFCanvas.h"

#include <filesystem>
#include <functional>
#include <string>

namespace quillet {

namespace paint {
class PageDirectory;
}

class TMDIChild;

// The writer as a canvas in points: what the traversal draws becomes the
// writer's operations. PDF pages are not clipped (text running out of a
// frame shows in full), ellipses are not exported (the page remembers it
// held one), and the screen-only calls (inversion, page images) draw nothing.
class PdfPageCanvas final : public Canvas {
public:
    PdfPageCanvas(TPDFCanvas& pdf, int32_t width, int32_t height) : Pdf(pdf), W(width), H(height) {}

    CanvasKind kind() const override { return CanvasKind::Pdf; }
    int32_t dpi() const override { return 72; }
    int32_t width() const override { return W; }
    int32_t height() const override { return H; }

    void fillRect(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t colour) override;
    void invertRect(int32_t, int32_t, int32_t, int32_t) override {}
    void line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour, int32_t width) override;
    void rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom, std::optional<uint32_t> fill,
                   std::optional<uint32_t> pen, int32_t penWidth) override;
    void ellipse(int32_t, int32_t, int32_t, int32_t, std::optional<uint32_t>, std::optional<uint32_t>,
                 int32_t) override
    {
        HeldEllipse = true;
    }
    void text(int32_t x, int32_t y, const FontHandle& font, std::string_view ansi, uint32_t colour) override;
    void setClip(int32_t, int32_t, int32_t, int32_t) override {}
    void setClipRegion(const std::vector<ClipBox>&) override {}
    void clearClip() override {}
    void drawImage(const ImageCanvas&, int32_t, int32_t) override {}
    int32_t stretchDib(int32_t x, int32_t y, int32_t width, int32_t height, const Dib& picture, int32_t sourceX,
                       int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight, uint32_t rop) override;
    bool stretchBitmap(int32_t, int32_t, int32_t, int32_t, const Bitmap32&, int32_t, int32_t, int32_t, int32_t,
                       uint32_t) override
    {
        return false;
    }

    bool HeldEllipse = false;

private:
    TPDFCanvas& Pdf;
    int32_t W, H;
};

// What a page is drawn on instead of the writer's canvas: tests put a
// recording canvas over it here.
using PdfCanvasTap = std::function<Canvas&(Canvas& page)>;

inline constexpr const char* kCouldNotCreatePdf = "Could not create pdf file!";
inline constexpr const char* kPdfEllipses =
    "The document contains ellipses. The current version can not export ellipses into the pdf file format!";

// Draws page `pageIndex` (0-based) onto the writer's current page and sets
// the writer's page size: the paper plus 20 points right and below.
void DrawPagesPDF(TMDIChild& w, TPDFCanvas& canvas, int32_t pageIndex, const PdfCanvasTap& tap = {},
                  const paint::PageDirectory* pages = nullptr);
// Settles the layout and exports every page to `file`. On failure the
// message names the reason, and any older file of that name stays as it was.
bool SavePDFFile(TMDIChild& w, const std::filesystem::path& file, const PdfCanvasTap& tap = {});

} // namespace quillet
