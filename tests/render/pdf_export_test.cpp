// Exporting documents as PDF: pages, page fields, what readers make of the
// file, words where the page pass put them, and failures.

#include "render/pdf/PDFExport.h"

#include "engine/Childwin.h"
#include "engine/ColumnsDialog.h"
#include "render/ImageCanvas.h"
#include "render/RecordingCanvas.h"
#include "tests/support/PdfFiles.h"
#include "tests/support/RenderHelpers.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <regex>

namespace quillet {
namespace {

using namespace quillet::test;

struct Boxes {
    RecordingBoxes boxes;
    MessageBoxes& previous = messageBoxes();
    Boxes() { setMessageBoxes(&boxes); }
    ~Boxes() { setMessageBoxes(&previous); }
};

int32_t areaOf(TMDIChild& w, int32_t type)
{
    for (int32_t a = 0; a < w.AreaCount(); ++a)
        if (w.Areas[size_t(a)].AreaType == type && w.Areas[size_t(a)].PageMode == 1) return a;
    return -1;
}

// A document of several pages with a header, a page number in the footer,
// a two-column paragraph, a table and a footnote.
void buildMixedDocument(RenderDoc& d)
{
    TMDIChild& w = d.w;
    const int32_t header = areaOf(w, atHeader), footer = areaOf(w, atFooter);
    if (header >= 0) {
        w.Cursor = w.Anchor = TextPos{header, 0, 0};
        d.type("Quarterly report");
    }
    if (footer >= 0) {
        w.Cursor = w.Anchor = TextPos{footer, 0, 0};
        d.type("Page ");
        w.InsertField("page");
    }
    // The end of the text: the last line of the last page's body.
    const auto toEnd = [&] {
        int32_t last = 0;
        for (int32_t a = 0; a < w.AreaCount(); ++a)
            if (w.Areas[size_t(a)].AreaType == atPageBody) last = a;
        const TextArea& body = w.Areas[size_t(last)];
        const int32_t line = body.LineCount() - 1;
        w.Cursor = w.Anchor = TextPos{last, line, body.Lines[size_t(line)].CharCount()};
    };
    w.Cursor = w.Anchor = TextPos{0, 0, 0};
    d.type("Noted");
    w.FussnoteEinfuegen();
    const int32_t note = w.AreaCount() - 1;
    w.Cursor = w.Anchor = TextPos{note, 0, w.Areas[size_t(note)].Lines[0].CharCount()};
    d.type(" Footnote words");
    toEnd();
    d.type("\n");
    for (int i = 0; i < 6; ++i) d.type("Left and right columns share this paragraph of sample words. ");
    struct ColumnsUi : RecordingUi {
        bool runSpaltenDialog(SpaltenDialogModel& m) override
        {
            m.ColumnCount = 2;
            m.Rule = true;
            m.GapCm = 1;
            return true;
        }
    } columnsUi;
    columnsUi.active = &w;
    w.setFrameUi(&columnsUi);
    w.Cursor = w.Anchor = TextPos{0, 1, 3};
    w.spaltenformat();
    w.setFrameUi(&d.ui);
    toEnd();
    d.type("\n");
    toEnd();
    w.inserttableXY(2, 2);
    d.type("Cell");
    toEnd();
    d.type("\n");
    for (int i = 0; i < 40; ++i) {
        toEnd();
        d.type("Paragraph " + std::to_string(i) +
               " carries plain words that wrap across the width of the page body, and then some more words "
               "so that every paragraph takes two lines.\n");
    }
    w.SetAllDirtyFlags();
    w.MakeSoftEnters();
    ImageCanvas scratch(10, 10, 96);
    w.SettleLayout(scratch);
}

struct Word {
    double xMin, yMin, xMax, yMax;
    std::string text;
};

std::vector<std::vector<Word>> bboxWords(const std::filesystem::path& pdf)
{
    const std::string html = runTool("pdftotext -bbox " + shellQuote(pdf) + " -");
    std::vector<std::vector<Word>> pages;
    const std::regex page("<page "), word(
        "<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">([^<]*)</word>");
    std::istringstream lines(html);
    std::string line;
    std::smatch m;
    while (std::getline(lines, line)) {
        if (std::regex_search(line, page)) pages.emplace_back();
        else if (!pages.empty() && std::regex_search(line, m, word))
            pages.back().push_back(Word{std::stod(m[1]), std::stod(m[2]), std::stod(m[3]), std::stod(m[4]), m[5]});
    }
    return pages;
}

class PdfExport : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* tool : {"qpdf", "pdftotext", "pdfinfo", "pdftoppm"})
            if (!haveTool(tool)) GTEST_SKIP() << tool << " is not installed";
    }
    std::filesystem::path dir = freshTestDir("pdf_export");
};

TEST_F(PdfExport, WordsLieWhereThePagePassPutThem)
{
    RenderDoc d;
    buildMixedDocument(d);
    const int32_t pages = d.w.GetAnzPages();
    ASSERT_GE(pages, 2);
    std::deque<RecordingCanvas> drawn;
    const auto target = dir / "mixed.pdf";
    Boxes boxes;
    ASSERT_TRUE(SavePDFFile(d.w, target, [&](Canvas& page) -> Canvas& { return drawn.emplace_back(page); }));
    EXPECT_TRUE(boxes.boxes.texts.empty());
    ASSERT_EQ(int32_t(drawn.size()), pages);
    // The settle's screen page image is not kept once the pages are drawn.
    EXPECT_EQ(d.w.PageBitmap, nullptr);

    int status = 0;
    runTool("qpdf --check " + shellQuote(target) + " >/dev/null 2>&1", &status);
    EXPECT_EQ(status, 0);
    runTool("pdftoppm -r 50 -png " + shellQuote(target) + " " + shellQuote(dir / "page"), &status);
    EXPECT_EQ(status, 0);
    const std::string info = runTool("pdfinfo " + shellQuote(target));
    EXPECT_NE(info.find("Pages:           " + std::to_string(pages) + "\n"), std::string::npos) << info;
    // A4 at 600 dpi: 595 x 841 points of paper and the 20-point band.
    EXPECT_NE(info.find("614 x 860 pts"), std::string::npos) << info;

    const auto words = bboxWords(target);
    ASSERT_EQ(int32_t(words.size()), pages);
    for (int32_t p = 0; p < pages; ++p) {
        // Glyphs as the pass drew them: left edge and baseline in points.
        struct Glyph {
            int32_t x, baseline;
            char c;
        };
        std::vector<Glyph> glyphs;
        size_t inked = 0;
        for (const CanvasCall& call : drawn[size_t(p)].callsOf(CanvasOp::Text)) {
            const FontHandle f =
                FontService::instance().createFont(LogFont{call.FontFace, -call.FontPixels, 400, false, false, false, 1});
            for (size_t i = 0; i < call.Text.size(); ++i) {
                if (call.Text[i] == ' ') continue;
                glyphs.push_back(Glyph{call.Left + f->textExtent(call.Text.substr(0, i)).cx, call.Top + f->ascent(),
                                       call.Text[i]});
                ++inked;
            }
        }
        size_t extracted = 0;
        for (const Word& wd : words[size_t(p)]) {
            extracted += wd.text.size();
            const bool placed = std::any_of(glyphs.begin(), glyphs.end(), [&](const Glyph& g) {
                return g.c == wd.text[0] && std::abs(g.x - wd.xMin) <= 1 && g.baseline >= wd.yMin - 1 &&
                       g.baseline <= wd.yMax + 1;
            });
            EXPECT_TRUE(placed) << "page " << p + 1 << ": \"" << wd.text << "\" at " << wd.xMin << ", " << wd.yMin;
        }
        EXPECT_EQ(extracted, inked) << "page " << p + 1;
        const std::string text = runTool("pdftotext -f " + std::to_string(p + 1) + " -l " + std::to_string(p + 1) +
                                         " " + shellQuote(target) + " -");
        EXPECT_NE(text.find("Quarterly report"), std::string::npos) << p + 1;
        EXPECT_NE(text.find("Page " + std::to_string(p + 1)), std::string::npos) << text;
    }
    const std::string all = runTool("pdftotext " + shellQuote(target) + " -");
    for (const char* piece : {"Paragraph 0 carries", "Paragraph 39 carries", "Footnote words", "Cell"})
        EXPECT_NE(all.find(piece), std::string::npos) << piece;
    // Reading order: the paragraphs come out in the order they were typed.
    EXPECT_LT(all.find("Paragraph 9 "), all.find("Paragraph 10 "));
    EXPECT_LT(all.find("Paragraph 10 "), all.find("Paragraph 39 "));
}

TEST_F(PdfExport, EllipsesAreReportedOncePerPageAndLeftOut)
{
    RenderDoc d;
    d.type("one");
    d.w.UmbruchEinfuegen();
    d.type("two");
    d.w.UmbruchEinfuegen();
    d.type("three");
    ASSERT_EQ(d.w.GetAnzPages(), 3);
    for (const int32_t page : {0, 2}) addArea(d.w, 5, 20, 20, 60, 40).PageIndex = page;
    Boxes boxes;
    const auto target = dir / "ellipses.pdf";
    ASSERT_TRUE(SavePDFFile(d.w, target));
    EXPECT_EQ(boxes.boxes.texts, std::vector<std::string>(2, kPdfEllipses));
    const std::string info = runTool("pdfinfo " + shellQuote(target));
    EXPECT_NE(info.find("Pages:           3\n"), std::string::npos) << info;
}

TEST_F(PdfExport, AFailedExportSaysSoAndKeepsTheOldFile)
{
    RenderDoc d;
    d.type("text");
    Boxes boxes;
    EXPECT_FALSE(SavePDFFile(d.w, dir / "no such folder" / "a.pdf"));
    ASSERT_EQ(boxes.boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.boxes.texts[0].rfind(std::string(kCouldNotCreatePdf) + "\n", 0), 0u) << boxes.boxes.texts[0];
    EXPECT_FALSE(std::filesystem::exists(dir / "no such folder"));
}

} // namespace
} // namespace quillet
