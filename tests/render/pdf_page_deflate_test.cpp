// Page streams compressed on worker threads: the same bytes as zlib's own
// one-call compression, and a whole file that does not depend on how many
// workers made it or how fast each page was drawn.

#include "render/pdf/PDFCanvas.h"
#include "render/pdf/PageDeflater.h"

#include "tests/support/PdfFiles.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace quillet {
namespace {

std::string viaCompress2(const std::string& raw)
{
    uLongf size = compressBound(uLong(raw.size()));
    std::string out(size, '\0');
    EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(raw.data()),
                        uLong(raw.size()), Z_BEST_COMPRESSION),
              Z_OK);
    out.resize(size);
    return out;
}

std::string noise(size_t n, unsigned seed)
{
    std::mt19937 g(seed);
    std::string s(n, '\0');
    for (char& c : s) c = char(g());
    return s;
}

TEST(PageDeflate, SameBytesAsOneCallCompression)
{
    std::string text;
    for (int i = 0; i < 4000; ++i) text += "BT\n0 0 0 rg\n/F1 12 Tf\n" + std::to_string(i % 500) + " 700 Td (word) Tj\nET\n";
    // One thread's compressor serves every call in turn: a short input after
    // a long one, or after one too large for the kept buffer, owes nothing to it.
    const std::string inputs[] = {"", "x", text, noise(70000, 1), noise(300, 2) + text, "y", noise(1500000, 3), "z"};
    for (const std::string& raw : inputs) {
        std::string packed;
        ASSERT_TRUE(DeflateBest(raw, packed));
        EXPECT_EQ(packed, viaCompress2(raw)) << raw.size();
    }
}

// Pages of varied length and content, pictures among them, drawn while the
// workers compress; every worker count must give the single-threaded file.
void drawDocument(TPDFCanvas& c, int pages, unsigned seed)
{
    std::mt19937 g(seed);
    Dib pic;
    newdib(&pic, 3, 2, 24, nullptr, 0);
    setpixel(pic, 1, 1, 0x3366CC);
    c.BeginDocInMemory();
    for (int p = 0; p < pages; ++p) {
        if (p) c.NewPage();
        c.PageWidthPt = 400 + int32_t(g() % 300);
        const int runs = int(g() % 400);
        for (int r = 0; r < runs; ++r) {
            c.Font.Name = (r % 3) ? "Arial" : "Times New Roman";
            c.Font.Style = uint8_t(g() % 4);
            c.Font.Size = 8 + int32_t(g() % 20);
            c.Font.Color = g() & 0xFFFFFF;
            c.TextOut(int32_t(g() % 500), int32_t(g() % 800), "Run (" + std::to_string(r) + ") of \\words\x07");
            c.Pen.Color = g() & 0xFFFFFF;
            c.MoveTo(int32_t(g() % 500), int32_t(g() % 800));
            c.LineTo(int32_t(g() % 500), int32_t(g() % 800));
            c.Brush = PdfBrush{(g() % 5) == 0, uint32_t(g() & 0xFFFFFF)};
            c.RectangleXY(10, 10, 10 + int32_t(g() % 90), 20 + int32_t(g() % 90));
        }
        // Incompressible bytes make some pages far slower to compress than others.
        if (p % 7 == 3) c.TextOut(0, 0, noise(20000, unsigned(p)));
        if (p % 5 == 1) c.DrawDib(50, 60, 30, 20, pic, 0, 0, 3, 2);
    }
    ASSERT_TRUE(c.EndDoc());
}

TEST(PageDeflate, WorkerCountNeverChangesTheFile)
{
    struct Case {
        int pages;
        unsigned seed;
    };
    // 60 pages run past the pages that may wait for a worker, so the
    // drawing compresses some itself and page buffers are used again.
    const Case cases[] = {{1, 1}, {2, 2}, {9, 3}, {40, 4}, {60, 5}};
    for (const Case& k : cases) {
        TPDFCanvas single;
        single.SetCompressionWorkers(0);
        drawDocument(single, k.pages, k.seed);
        ASSERT_EQ(test::pdfStructureFault(single.Bytes()), "") << k.pages;
        EXPECT_EQ(int(test::pdfPageStreams(single.Bytes()).size()), k.pages);
        for (const int workers : {1, 3, 8}) {
            TPDFCanvas threaded;
            threaded.SetCompressionWorkers(workers);
            drawDocument(threaded, k.pages, k.seed);
            EXPECT_TRUE(threaded.Bytes() == single.Bytes()) << k.pages << " pages, " << workers << " workers";
        }
    }
}

// However fast pages come, no more than the bound wait uncompressed, and
// they come back in order with the bytes of one-call compression.
TEST(PageDeflate, PagesWaitingAreBoundedAndComeBackInOrder)
{
    struct Case {
        int workers;
        size_t maxWaiting;
        int pages;
    };
    const Case cases[] = {{0, 0, 10}, {1, 1, 30}, {2, 0, 40}, {4, 3, 50}, {8, 0, 80}};
    for (const Case& k : cases) {
        PageDeflater d(k.workers, k.maxWaiting);
        const size_t bound = k.maxWaiting > 0 ? k.maxWaiting : std::max<size_t>(2, 2 * size_t(k.workers));
        std::vector<std::string> raws;
        for (int p = 0; p < k.pages; ++p) {
            std::string raw = d.spareBuffer();
            EXPECT_TRUE(raw.empty());
            // Slow incompressible pages among quick ones keep the workers busy.
            raw += p % 3 == 0 ? noise(40000, unsigned(p)) : std::string(size_t(100 + p), char('a' + p % 26));
            raws.push_back(raw);
            d.add(std::move(raw));
            EXPECT_LE(d.waiting(), bound) << k.workers << " workers, page " << p;
        }
        ASSERT_EQ(d.count(), raws.size());
        for (size_t p = 0; p < raws.size(); ++p) {
            std::string packed;
            bool ok = false;
            // A page already compressed comes without waiting, else with it.
            if (!d.takeIfDone(p, packed, ok)) ok = d.take(p, packed);
            EXPECT_TRUE(ok);
            EXPECT_EQ(packed, viaCompress2(raws[p])) << k.workers << " workers, page " << p;
        }
        std::string packed;
        bool ok = true;
        EXPECT_FALSE(d.takeIfDone(raws.size(), packed, ok));
        EXPECT_FALSE(ok);
    }
    // A page's buffer comes back for the next page, but not a huge page's.
    PageDeflater d(0);
    d.add(std::string(5000, 'y'));
    EXPECT_GE(d.spareBuffer().capacity(), size_t(5000));
    d.add(std::string(size_t(2) << 20, 'x'));
    EXPECT_LT(d.spareBuffer().capacity(), size_t(1) << 20);
}

TEST(PageDeflate, ACanvasUsedAgainOrLeftOpenStartsAfresh)
{
    TPDFCanvas once;
    once.SetCompressionWorkers(0);
    drawDocument(once, 5, 9);
    TPDFCanvas c;
    c.SetCompressionWorkers(4);
    drawDocument(c, 12, 8);
    // A second document on the same canvas carries nothing of the first.
    drawDocument(c, 5, 9);
    EXPECT_TRUE(c.Bytes() == once.Bytes());
    // One left open with pages queued is ended by its destructor without hanging.
    TPDFCanvas open;
    open.SetCompressionWorkers(4);
    open.BeginDocInMemory();
    for (int i = 0; i < 20; ++i) open.NewPage();
}

} // namespace
} // namespace quillet
