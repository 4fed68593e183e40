// The PDF writer: the file's exact layout, the content operators each
// drawing call writes, the state caches, escaping, pictures, and what a
// target that cannot be written leaves behind.

#include "render/pdf/PDFCanvas.h"

#include "tests/support/PdfFiles.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace quillet {
namespace {

using test::pdfPageStreams;
using test::pdfStructureFault;

std::string emptyDocument()
{
    return std::string("%PDF-1.3\n1 0 obj\n[/PDF /Text /ImageB /ImageC /ImageI]\nendobj\n"
                       "2 0 obj\n<< /Length 3 0 R /Filter /FlateDecode >>\nstream\n"
                       "x\xda\x03\x00\x00\x00\x00\x01\nendstream\nendobj\n",
                       143) +
           "3 0 obj\n9\nendobj\n4 0 obj\n<<\n/Type /Pages\n/Count 1\n/Kids [5 0 R]\n>>\nendobj\n"
           "5 0 obj\n<<\n/Type /Page\n/Parent 4 0 R\n/Resources <</XObject <<  >>\n/Font << >> /ProcSet 1 0 R\n"
           ">>\n/MediaBox [0 0 594 840]\n/Contents 2 0 R\n>>\nendobj\n"
           "6 0 obj\n<<\n/Type /Catalog\n/Pages 4 0 R\n/Outlines 7 0 R\n>>\nendobj\n"
           "7 0 obj\n<<\n/Type /Outlines\n/Count 0\n>>\nendobj\n"
           "xref\n0 8\n0000000000 65535 f \n0000000009 00000 n \n0000000061 00000 n \n0000000143 00000 n \n"
           "0000000160 00000 n \n0000000217 00000 n \n0000000363 00000 n \n0000000428 00000 n \n"
           "trailer\n<<\n/Size 8\n/Root 6 0 R\n>>\nstartxref\n474\n%%EOF";
}

TEST(PdfWriter, EmptyDocumentByteForByte)
{
    TPDFCanvas c;
    c.BeginDocInMemory();
    EXPECT_TRUE(c.EndDoc());
    EXPECT_EQ(c.Bytes(), emptyDocument());
    EXPECT_EQ(pdfStructureFault(c.Bytes()), "");
    EXPECT_TRUE(c.EndDoc());  // a second end does nothing
    EXPECT_EQ(c.Bytes(), emptyDocument());
}

// Object numbers of n pages, F fonts and I pictures, in the order the
// objects are written; one case per shape of document.
TEST(PdfWriter, ObjectNumbering)
{
    struct Case {
        int pages, fonts, pictures;
        std::vector<std::string> lines;  // each must appear, in this order
    };
    const Case cases[] = {
        {1, 1, 0,
         {"2 0 obj\n<< /Length 3 0 R", "3 0 obj\n", "4 0 obj\n<<\n/Type /Font", "5 0 obj\n<<\n/Type /Pages",
          "6 0 obj\n<<\n/Type /Page\n/Parent 5 0 R", "/Font << /F1 4 0 R>> /ProcSet 1 0 R",
          "7 0 obj\n<<\n/Type /Catalog\n/Pages 5 0 R\n/Outlines 8 0 R", "8 0 obj\n<<\n/Type /Outlines",
          "/Size 9\n/Root 7 0 R"}},
        {2, 2, 1,
         {"4 0 obj\n<< /Length 5 0 R", "6 0 obj\n<<\n/Type /Font", "7 0 obj\n<<\n/Type /Font",
          "8 0 obj\n<<\n/Type /Pages\n/Count 2\n/Kids [9 0 R 10 0 R]",
          "/XObject << /Im0 13 0 R >>\n/Font << /F1 6 0 R/F2 7 0 R>>", "/Contents 2 0 R",
          "10 0 obj\n<<\n/Type /Page", "/Contents 4 0 R", "11 0 obj\n<<\n/Type /Catalog",
          "13 0 obj\n<< /Type /XObject /Subtype /Image /Width 3 /Height 2", "/Size 14\n"}},
    };
    Dib pic;
    newdib(&pic, 3, 2, 24, nullptr, 0);
    for (const Case& k : cases) {
        TPDFCanvas c;
        c.BeginDocInMemory();
        for (int p = 0; p < k.pages; ++p) {
            if (p) c.NewPage();
            for (int f = 0; f < k.fonts; ++f) {
                c.Font.Name = f ? "Arial" : "Times New Roman";
                c.TextOut(10, 10, "x");
            }
        }
        for (int i = 0; i < k.pictures; ++i) c.DrawDib(0, 0, 30, 20, pic, 0, 0, 3, 2);
        ASSERT_TRUE(c.EndDoc());
        const std::string& pdf = c.Bytes();
        EXPECT_EQ(pdfStructureFault(pdf), "") << k.pages;
        size_t at = 0;
        for (const std::string& line : k.lines) {
            const size_t found = pdf.find(line, at);
            EXPECT_NE(found, std::string::npos) << k.pages << ": " << line;
            if (found != std::string::npos) at = found;
        }
    }
}

// The content each call sequence writes on a fresh page 841 points high.
TEST(PdfWriter, DrawingOperators)
{
    struct Case {
        const char* name;
        void (*draw)(TPDFCanvas&);
        std::string content;
    };
    const Case cases[] = {
        {"line", [](TPDFCanvas& c) { c.MoveTo(10, 20); c.LineTo(110, 20); },
         "[ ] 0 d\n1 w\n0 0 0 RG\n10 820 m\n110 820 l\nS\n"},
        {"fill", [](TPDFCanvas& c) { c.FillRectXY(10, 20, 110, 70); }, "1 1 1 rg\n10 771 99 49 re\nf\n"},
        {"fill reversed sides", [](TPDFCanvas& c) { c.FillRectXY(110, 70, 10, 20); },
         "1 1 1 rg\n110 821 -99 -49 re\nf\n"},
        {"empty fill", [](TPDFCanvas& c) { c.FillRectXY(10, 20, 10, 70); }, ""},
        {"colours", [](TPDFCanvas& c) { c.Brush.Color = 0x010080; c.FillRectXY(0, 0, 2, 2); },
         "0.501960784313725 0 0.00392156862745098 rg\n0 839 1 1 re\nf\n"},
        {"same state twice",
         [](TPDFCanvas& c) {
             c.Pen = {PdfPenStyle::Dash, 2, 0xFF};
             c.MoveTo(0, 0);
             c.LineTo(5, 0);
             c.LineTo(5, 5);
         },
         "[3] 0 d\n2 w\n1 0 0 RG\n0 840 m\n5 840 l\nS\n5 840 m\n5 835 l\nS\n"},
        {"clear pen moves only",
         [](TPDFCanvas& c) { c.Pen.Style = PdfPenStyle::Clear; c.MoveTo(0, 0); c.LineTo(5, 5); c.Pen = {}; c.LineTo(6, 6); },
         "[ ] 0 d\n1 w\n0 0 0 RG\n5 835 m\n6 834 l\nS\n"},
        {"outline with clear brush",
         [](TPDFCanvas& c) { c.Brush.Clear = true; c.RectangleXY(0, 0, 3, 3); },
         "[ ] 0 d\n1 w\n0 0 0 RG\n0 840 m\n2 840 l\nS\n2 840 m\n2 838 l\nS\n2 838 m\n0 838 l\nS\n0 838 m\n0 840 l\nS\n"},
        {"filled rectangle", [](TPDFCanvas& c) { c.RectangleXY(0, 0, 3, 3); },
         "[ ] 0 d\n1 w\n0 0 0 RG\n1 1 1 rg\n0 838 2 2 re\nB\n"},
        {"picture without source", [](TPDFCanvas& c) {
             Dib d;
             newdib(&d, 2, 2, 24, nullptr, 0);
             c.DrawDib(0, 0, 10, 10, d, 0, 0, 0, 2);
         }, ""},
    };
    for (const Case& k : cases) {
        TPDFCanvas c;
        c.BeginDocInMemory();
        k.draw(c);
        ASSERT_TRUE(c.EndDoc());
        const auto pages = pdfPageStreams(c.Bytes());
        ASSERT_EQ(pages.size(), 1u) << k.name;
        EXPECT_EQ(pages[0], k.content) << k.name;
        EXPECT_EQ(c.ImageCount(), 0) << k.name;
    }
}

TEST(PdfWriter, StateIsWrittenAgainOnEveryPage)
{
    TPDFCanvas c;
    c.BeginDocInMemory();
    c.Font = {"Arial", 10, 0, 1, 0x0000FF};
    for (int page = 0; page < 2; ++page) {
        if (page) c.NewPage();
        c.FillRectXY(0, 0, 5, 5);
        c.FillRectXY(0, 0, 5, 5);
        c.TextOut(0, 0, "a");
        c.TextOut(0, 20, "b");
    }
    EXPECT_EQ(c.FontCount(), 1);
    ASSERT_TRUE(c.EndDoc());
    const auto pages = pdfPageStreams(c.Bytes());
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0], pages[1]);
    const std::string& s = pages[0];
    EXPECT_EQ(s.find("1 1 1 rg"), s.rfind("1 1 1 rg"));
    EXPECT_EQ(s.find("/F1 10 Tf"), s.rfind("/F1 10 Tf"));
    EXPECT_EQ(s.find("1 0 0 rg"), s.rfind("1 0 0 rg"));  // red text, written once
}

// White text in a transparent white frame over a dark fill must come out
// white: the clear brush writes no colour, so the dark one is still in force.
TEST(PdfWriter, TextAfterAClearBrushTakesItsOwnColour)
{
    TPDFCanvas c;
    c.BeginDocInMemory();
    c.Brush = {false, 0x000000};
    c.FillRectXY(0, 0, 100, 100);
    c.Brush = {true, 0xFFFFFF};
    c.FillRectXY(10, 10, 50, 50);
    c.Font.Color = 0xFFFFFF;
    c.TextOut(12, 12, "white");
    c.Brush = {false, 0x000000};
    c.FillRectXY(0, 60, 10, 70);  // the dark fill again, after the text changed the colour
    ASSERT_TRUE(c.EndDoc());
    const std::string s = pdfPageStreams(c.Bytes()).at(0);
    const size_t text = s.find("BT\n");
    ASSERT_NE(text, std::string::npos);
    EXPECT_NE(s.find("1 1 1 rg", text), std::string::npos) << s;
    EXPECT_NE(s.find("0 0 0 rg", s.find("ET\n", text)), std::string::npos) << s;
}

TEST(PdfWriter, TextEscapesNamesAndNumbers)
{
    const std::pair<std::string, std::string> escapes[] = {
        {"(a\\b)", "\\(a\\\\b\\)"},
        {std::string("\x07", 1), "\\007"},
        {std::string("\0", 1), "\\000"},
        {"\n\r\t\b\f", "\\n\\r\\t\\b\\f"},
        {"\x1f\x80\xff ~", "\\037\x80\xff ~"},
    };
    for (const auto& [in, out] : escapes) EXPECT_EQ(EscapePDFString(in), out) << in;

    const struct {
        std::string face;
        uint8_t style;
        std::string name;
    } names[] = {
        {"Times New Roman", kPdfBold, "Times#20New#20Roman,Bold"},
        {"Arial", kPdfItalic | kPdfUnderline, "Arial,Italic"},
        {"A#(b)/<c>[d]{e}%", kPdfBold | kPdfItalic, "A#23#28b#29#2F#3Cc#3E#5Bd#5D#7Be#7D#25,BoldItalic"},
        {std::string("X\0\xe9", 3), 0, "X#E9"},
    };
    for (const auto& k : names) EXPECT_EQ(PDFBaseFontName(k.face, k.style), k.name) << k.face;

    const std::pair<uint8_t, std::string> colours[] = {
        {0, "0"}, {255, "1"}, {128, "0.501960784313725"}, {1, "0.00392156862745098"}, {51, "0.2"}};
    for (const auto& [c, text] : colours) EXPECT_EQ(PdfColorComponent(c), text) << int(c);

    TPDFCanvas c;
    c.BeginDocInMemory();
    c.Font = {"Arial", 12, 0, 1, 0};
    c.TextOut(10, 20, "(a\\b)");
    ASSERT_TRUE(c.EndDoc());
    const std::string s = pdfPageStreams(c.Bytes()).at(0);
    EXPECT_NE(s.find(") Tj"), std::string::npos);
    EXPECT_NE(s.find("(\\(a\\\\b\\)) Tj"), std::string::npos) << s;
    // The baseline lies one ascent below the cell's top.
    const int32_t ascent = FontService::instance().createFont(LogFont{"Arial", -12, 400, false, false, false, 1})->ascent();
    EXPECT_NE(s.find("10 " + std::to_string(841 - 1 - 20 - ascent) + " Td"), std::string::npos) << s;
}

TEST(PdfWriter, FontObjectsCarryMetricsInThousandths)
{
    TPDFCanvas c;
    c.BeginDocInMemory();
    c.Font = {"Times New Roman", 12, kPdfItalic, 1, 0};
    c.TextOut(0, 0, "x");
    ASSERT_TRUE(c.EndDoc());
    const std::string& pdf = c.Bytes();
    EXPECT_NE(pdf.find("/BaseFont /Times#20New#20Roman,Italic\n/FontDescriptor <</Type/FontDescriptor\n/FontBBox["),
              std::string::npos);
    // An italic face leans by degrees, not tenths of one.
    const size_t at = pdf.find("/ItalicAngle ");
    ASSERT_NE(at, std::string::npos);
    const double angle = std::stod(pdf.substr(at + 13, 8));
    EXPECT_LT(angle, 0);
    EXPECT_GT(angle, -45);
    EXPECT_NE(pdf.find("/Descent -"), std::string::npos);
    EXPECT_NE(pdf.find("/FirstChar 32\n/LastChar 255\n/Widths [250 "), std::string::npos);  // the space
    EXPECT_EQ(c.TextWidth(""), 0);
    EXPECT_GT(c.TextWidth("xx"), c.TextWidth("x"));
    EXPECT_GE(c.TextHeight("x"), 12);
}

TEST(PdfWriter, PicturesOfEveryDepthAndOnesThatCannotBeEncoded)
{
    std::vector<Dib> pics;
    for (const int bpp : {1, 4, 8, 16, 24, 32}) {
        Dib d;
        std::vector<RgbQuad> table(256, RgbQuad{0, 0, 255, 0});  // every palette entry red
        newdib(&d, 4, 3, bpp, bpp <= 8 ? &table : nullptr, bpp <= 8 ? 1 << bpp : 0);
        pics.push_back(std::move(d));
    }
    Dib wide;  // wider than a baseline JPEG may be
    newdib(&wide, 65501, 1, 24, nullptr, 0);
    pics.push_back(std::move(wide));
    Dib unusable;
    TPDFCanvas c;
    c.BeginDocInMemory();
    for (const Dib& d : pics) c.DrawDib(5, 5, 20, 10, d, 0, 0, dibwidth(d), dibheight(d));
    c.DrawDib(5, 5, 20, 10, unusable, 0, 0, 1, 1);
    ASSERT_TRUE(c.EndDoc());
    EXPECT_EQ(c.ImageCount(), 7);
    const std::string& pdf = c.Bytes();
    EXPECT_EQ(pdfStructureFault(pdf), "");
    // The one that could not be encoded keeps its number with a 1x1 stand-in.
    EXPECT_NE(pdf.find("/Width 1 /Height 1 /BitsPerComponent 8"), std::string::npos);
    EXPECT_NE(pdf.find("/Im6 "), std::string::npos);
    const std::string s = pdfPageStreams(pdf).at(0);
    EXPECT_NE(s.find("q\n19 0 0 9 5 827 cm\n/Im0 Do\nQ\n"), std::string::npos) << s;
    // An 8-bit picture takes its colours from its table: decode and look.
    Dib back;
    const size_t third = [&] {
        size_t p = 0;
        for (int i = 0; i < 3; ++i) p = pdf.find("/DCTDecode >>\nstream\n", p + 1);
        return p;
    }();
    const size_t begin = third + 21, end = pdf.find("endstream\n", begin);
    OpenDibFromMemory(&back, reinterpret_cast<const uint8_t*>(pdf.data() + begin), end - begin, 7);
    ASSERT_FALSE(back.empty());
    const uint32_t px = getpixel(back, 1, 1);
    EXPECT_GT(px & 0xFF, 200u) << std::hex << px;  // red, not blue
    EXPECT_LT((px >> 16) & 0xFF, 60u) << std::hex << px;
}

class PdfWriterFiles : public ::testing::Test {
protected:
    std::filesystem::path dir = test::freshTestDir("pdf_writer");
};

TEST_F(PdfWriterFiles, TargetsThatCannotBeWrittenLeaveOlderFilesAlone)
{
    TPDFCanvas c;
    EXPECT_FALSE(c.BeginDoc(dir / "missing" / "a.pdf"));
    EXPECT_FALSE(c.ErrorText().empty());
    EXPECT_FALSE(c.DocOpen());
    test::writeAll(dir / "file", "x");
    EXPECT_FALSE(c.BeginDoc(dir / "file" / "a.pdf"));
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));

    // A disk that fills up while the file is written.
    const auto target = dir / "old.pdf";
    test::writeAll(target, "previous");
    ASSERT_TRUE(c.BeginDoc(target));
    c.Font.Name = "Arial";
    c.TextOut(0, 0, "text");
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool ok = c.EndDoc();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(ok);
    EXPECT_FALSE(c.ErrorText().empty());
    EXPECT_EQ(test::readAll(target), "previous");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()), 2);

    // And the same export where there is room.
    ASSERT_TRUE(c.BeginDoc(target));
    c.TextOut(0, 0, "text");
    EXPECT_TRUE(c.EndDoc());
    EXPECT_EQ(test::readAll(target), c.Bytes());
}

TEST_F(PdfWriterFiles, ReadersAcceptTheFile)
{
    for (const char* tool : {"qpdf", "pdftotext", "pdfinfo", "pdftoppm"})
        if (!test::haveTool(tool)) GTEST_SKIP() << tool << " is not installed";
    const auto target = dir / "three.pdf";
    TPDFCanvas c;
    ASSERT_TRUE(c.BeginDoc(target));
    Dib pic;
    newdib(&pic, 8, 8, 24, nullptr, 0);
    for (int page = 1; page <= 3; ++page) {
        if (page > 1) c.NewPage();
        c.Font = {"Times New Roman", 12, uint8_t(page == 2 ? kPdfBold : 0), 1, 0};
        c.TextOut(72, 72, "Page " + std::to_string(page) + " (\xe4\xf6\xfc)");
        c.DrawDib(72, 100, 16, 16, pic, 0, 0, 8, 8);
        c.MoveTo(72, 130);
        c.LineTo(300, 130);
    }
    ASSERT_TRUE(c.EndDoc());
    int status = 0;
    test::runTool("qpdf --check " + test::shellQuote(target) + " 2>&1", &status);
    EXPECT_EQ(status, 0);
    const std::string info = test::runTool("pdfinfo " + test::shellQuote(target));
    EXPECT_NE(info.find("Pages:           3"), std::string::npos) << info;
    EXPECT_NE(info.find("594 x 840 pts"), std::string::npos) << info;
    for (int page = 1; page <= 3; ++page) {
        const std::string text = test::runTool("pdftotext -enc UTF-8 -f " + std::to_string(page) + " -l " +
                                               std::to_string(page) + " " + test::shellQuote(target) + " -");
        EXPECT_NE(text.find("Page " + std::to_string(page) + " (\xc3\xa4\xc3\xb6\xc3\xbc)"), std::string::npos) << text;
    }
    test::runTool("pdftoppm -r 20 -png " + test::shellQuote(target) + " " + test::shellQuote(dir / "page"), &status);
    EXPECT_EQ(status, 0);
}

} // namespace
} // namespace quillet
