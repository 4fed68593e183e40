#include "platform/qt/QtPainterCanvas.h"

#include "render/DrawDib.h"
#include "render/ImageCanvas.h"
#include "platform/SelFont.h"
#include "tests/support/PdfFiles.h"
#include "tests/support/TestPaths.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPrinter>

#include <gtest/gtest.h>

using namespace quillet;

namespace {

// Glyphs need the font database of a GUI application.
QGuiApplication& app()
{
    static int argc = 1;
    static char name[] = "qt_painter_canvas_test";
    static char* argv[] = {name, nullptr};
    static QGuiApplication instance(argc, argv);
    return instance;
}

uint32_t at(const QImage& img, int x, int y)
{
    const QRgb c = img.pixel(x, y);
    return uint32_t(qRed(c)) | uint32_t(qGreen(c)) << 8 | uint32_t(qBlue(c)) << 16;
}

QImage blank(int w, int h, uint32_t colour)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(QColor(int(colour & 0xFF), int((colour >> 8) & 0xFF), int(colour >> 16)));
    return img;
}

} // namespace

TEST(QtPainterCanvas, RectanglesAndStraightLinesMatchThePageImage)
{
    QImage img = blank(40, 30, 0x204060);
    ImageCanvas ref(40, 30, 96);
    ref.fillRect(0, 0, 40, 30, 0x204060);
    {
        QPainter p(&img);
        QtPainterCanvas c(p, CanvasKind::ScreenBitmap);
        EXPECT_EQ(c.width(), 40);
        EXPECT_EQ(c.height(), 30);
        for (Canvas* cv : {static_cast<Canvas*>(&c), static_cast<Canvas*>(&ref)}) {
            cv->fillRect(2, 3, 5, 6, 0x0000FF);
            cv->rectangle(10, 10, 20, 18, 0x00FF00u, 0u, 2);
            cv->line(0, 25, 30, 25, 0xFFFFFF, 1);
            cv->line(35, 0, 35, 20, 0x00FFFF, 3);
            cv->setClip(0, 0, 8, 30);
            cv->fillRect(6, 0, 12, 2, 0);
            cv->clearClip();
            cv->setPenMode(PenMode::Xor);
            cv->rectangle(12, 2, 30, 8, 0xFFFFFFu, 0x00FF00u, 1);
            cv->setPenMode(PenMode::Copy);
            cv->invertRect(1, 20, 6, 24);
        }
    }
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) ASSERT_EQ(at(img, x, y), ref.pixel(x, y)) << x << "," << y;
}

TEST(QtPainterCanvas, TextStaysInItsCellAndPicturesKeepTheirRowOrder)
{
    app();
    const FontHandle f = selfont("Times New Roman", 96, 1, 0, 24, 100);
    ASSERT_TRUE(f);
    QImage img = blank(200, 80, 0xFFFFFF);
    Dib d;
    newdib(&d, 1, 2, 24, nullptr, 0);
    setpixel(d, 0, 0, 0x0000FF);  // the bottom row
    setpixel(d, 0, 1, 0xFF0000);
    {
        QPainter p(&img);
        QtPainterCanvas c(p, CanvasKind::Printer);
        c.text(10, 10, f, "Hg", 0);
        EXPECT_EQ(c.stretchDib(150, 10, 4, 8, d, 0, 0, 1, 2, SRCCOPY), 8);
        EXPECT_LE(c.stretchDib(150, 10, 4, 8, d, 0, 1, 1, 2, SRCCOPY), 0);
    }
    const TextExtent ext = f->textExtent("Hg");
    int inked = 0;
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 140; ++x) {
            if (at(img, x, y) == 0xFFFFFFu) continue;
            const bool cell = x >= 10 && x < 10 + ext.cx && y >= 10 && y < 10 + ext.cy;
            EXPECT_TRUE(cell) << x << "," << y;
            ++inked;
        }
    EXPECT_GT(inked, 30);
    EXPECT_EQ(at(img, 150, 10), 0xFF0000u);
    EXPECT_EQ(at(img, 153, 17), 0x0000FFu);
    EXPECT_EQ(at(img, 154, 17), 0xFFFFFFu);
}

// A page printed to a PDF file keeps its words as text a reader can find,
// in every face and style, at the places the printer resolution gives.
TEST(QtPainterCanvas, PrintedWordsStayText)
{
    app();
    if (!test::haveTool("pdftotext")) GTEST_SKIP() << "pdftotext is not installed";
    struct Case {
        const char* face;
        int32_t weight;
        bool italic;
        const char* words;
    };
    const Case cases[] = {
        {"Times New Roman", 400, false, "Quarterly figures rose"},
        {"Times New Roman", 700, true, "Bold italic heading"},
        {"Arial", 400, false, "Plain sans words"},
        {"Arial", 700, false, "Heavier sans words"},
        {"Courier New", 400, true, "Typewriter slant"},
    };
    const auto file = test::outputDir() / "qt_printed_words.pdf";
    std::filesystem::remove(file);
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(file.string()));
        QPainter p(&printer);
        QtPainterCanvas c(p, CanvasKind::Printer);
        int32_t y = 200;
        for (const Case& k : cases) {
            const FontHandle f = selfont(k.face, c.dpi(), 1, 0, 14, 100);
            ASSERT_TRUE(f) << k.face;
            LogFont lf = f->logFont();
            lf.Weight = k.weight;
            lf.Italic = k.italic;
            const FontHandle styled = FontService::instance().createFont(lf);
            ASSERT_TRUE(styled);
            c.text(300, y, styled, k.words, 0);
            y += 2 * styled->textExtent(k.words).cy;
        }
    }
    int status = -1;
    const std::string text = test::runTool("pdftotext -layout " + test::shellQuote(file) + " -", &status);
    ASSERT_EQ(status, 0);
    for (const Case& k : cases) EXPECT_NE(text.find(k.words), std::string::npos) << k.words << " in:\n" << text;
}
