#include "render/pdf/PDFExport.h"

#include "engine/Childwin.h"
#include "engine/DynaArray.h"
#include "render/ImageCanvas.h"
#include "render/PaintPass.h"
#include "render/RenderPolicy.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace quillet {

void PdfPageCanvas::fillRect(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t colour)
{
    if (right <= left || bottom <= top) return;
    Pdf.Brush = PdfBrush{false, colour & 0xFFFFFF};
    Pdf.FillRectXY(left, top, right, bottom);
}

void PdfPageCanvas::line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour, int32_t width)
{
    const bool dotted = penStyle() == PenStyle::Dot && width <= 1;
    Pdf.Pen = PdfPen{dotted ? PdfPenStyle::Dot : PdfPenStyle::Solid, std::max(1, width), colour & 0xFFFFFF};
    Pdf.MoveTo(x1, y1);
    Pdf.LineTo(x2, y2);
}

void PdfPageCanvas::rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom, std::optional<uint32_t> fill,
                              std::optional<uint32_t> pen, int32_t penWidth)
{
    if (right <= left || bottom <= top) return;
    if (fill) fillRect(left, top, right, bottom, *fill);
    if (!pen || penWidth <= 0) return;
    // The outline lies inside the rectangle, as on the other devices: a
    // wide pen is drawn as that many rings.
    Pdf.Pen = PdfPen{PdfPenStyle::Solid, 1, *pen & 0xFFFFFF};
    Pdf.Brush = PdfBrush{true, 0xFFFFFF};
    for (int32_t i = 0; i < penWidth && right - left > 2 * i && bottom - top > 2 * i; ++i)
        Pdf.RectangleXY(left + i, top + i, right - i, bottom - i);
}

void PdfPageCanvas::text(int32_t x, int32_t y, const FontHandle& font, std::string_view ansi, uint32_t colour)
{
    if (!font || ansi.empty()) return;
    const LogFont& lf = font->logFont();
    // Only a background or a strike-out bar needs the run's extent; most
    // runs have neither and are not measured twice.
    const TextExtent e = textBackground() || lf.StrikeOut ? font->textExtent(ansi) : TextExtent{};
    if (textBackground()) fillRect(x, y, x + e.cx, y + e.cy, *textBackground());
    uint8_t style = 0;
    if (lf.Weight >= 600) style |= kPdfBold;
    if (lf.Italic) style |= kPdfItalic;
    if (lf.StrikeOut) style |= kPdfStrikeOut;
    Pdf.Font = PdfFont{lf.Face, std::max(1, font->pixelSize()), style, lf.Charset, colour & 0xFFFFFF};
    Pdf.TextOut(x, y, ansi);
    // PDF fonts have no strike-out: the bar is drawn where the font puts it.
    if (lf.StrikeOut) {
        const int32_t top = y + font->ascent() - font->strikeOutPosition();
        fillRect(x, top, x + e.cx, top + std::max(1, font->strikeOutSize()), colour);
    }
}

int32_t PdfPageCanvas::stretchDib(int32_t x, int32_t y, int32_t width, int32_t height, const Dib& picture,
                                  int32_t sourceX, int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight,
                                  uint32_t rop)
{
    if (!stretchDibDrawable(width, height, picture, sourceX, sourceY, sourceWidth, sourceHeight, rop)) return 0;
    Pdf.DrawDib(x, y, width, height, picture, sourceX, sourceY, sourceWidth, sourceHeight);
    return sourceHeight;
}

void DrawPagesPDF(TMDIChild& w, TPDFCanvas& canvas, int32_t pageIndex, const PdfCanvasTap& tap,
                  const paint::PageDirectory* pages)
{
    const int32_t printerDpi = w.PrinterDpi > 0 ? w.PrinterDpi : 600;
    const auto points = [&](int32_t px) {
        return int32_t(std::clamp(std::trunc(double(px) * 72 / printerDpi), 1.0, 1e6));
    };
    const int32_t pageW = points(w.PageWidthPx), pageH = points(w.PageHeightPx);
    canvas.PageWidthPt = pageW + 20;
    canvas.PageHeightPt = pageH + 20;
    PdfPageCanvas page(canvas, pageW + 20, pageH + 20);
    Canvas& target = tap ? tap(page) : page;
    paint::drawPages(w, target, RenderPolicy::pdf(), pageIndex, 0, 0, {}, pages);
    if (page.HeldEllipse) ShowInfoMessage(kPdfEllipses);
}

bool SavePDFFile(TMDIChild& w, const std::filesystem::path& file, const PdfCanvasTap& tap)
{
    try {
        // Export draws what layout and paint agreed on, as printing does.
        ImageCanvas scratch(10, 10, 96);
        w.SettleLayout(scratch);
        // The settle drew nothing the export needs into the window's page
        // image, a screen page of a few megabytes; the next screen pass makes
        // its own.
        w.PageBitmap.reset();
        TPDFCanvas canvas;
        if (!canvas.BeginDoc(file)) {
            ShowInfoMessage(std::string(kCouldNotCreatePdf) + "\n" + canvas.ErrorText());
            return false;
        }
        // Export changes nothing it draws: the pages are found once.
        const paint::PageDirectory pages(w);
        for (int32_t i = 1; i <= pages.pages(); ++i) {
            DrawPagesPDF(w, canvas, i - 1, tap, &pages);
            if (i < pages.pages()) canvas.NewPage();
        }
        if (!canvas.EndDoc()) {
            ShowInfoMessage(std::string(kCouldNotCreatePdf) + "\n" + canvas.ErrorText());
            return false;
        }
        return true;
    } catch (const std::bad_alloc&) {
        ShowInfoMessage(std::string(kCouldNotCreatePdf) + "\nthere is not enough memory");
        return false;
    }
}

} // namespace quillet
