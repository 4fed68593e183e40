// One screen paint of a visible A4 page at zoom 100 in a 300-page document,
// and the pass a mouse move over the text runs (a cursor request).

#include "engine/Childwin.h"
#include "formats/StandardServices.h"
#include "render/ImageCanvas.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

using namespace quillet;

namespace {

struct BenchHost : HostView {
    int32_t y = 0;
    int32_t scrollY() const override { return y; }
    int32_t clientWidth() const override { return 900; }
    int32_t clientHeight() const override { return 1000; }
    bool hasFocus() const override { return true; }
};

struct BigDoc {
    FrameState frame = StandardFrameState();
    BenchHost host;
    std::unique_ptr<TMDIChild> win = std::make_unique<TMDIChild>(frame);
    TMDIChild& w = *win;
    int32_t page = 150;

    BigDoc()
    {
        w.setHost(&host);
        const int32_t font = w.GetNewFontIndex(FontEntryFromState(w.FontState));
        // Measured once per code; every page gets the same 45 lines of text.
        TextChar sample[128];
        for (int c = 32; c < 128; ++c) {
            sample[c].Code = uint8_t(c);
            sample[c].setFontIndex(font);
            w.RenderChar(sample[c], false, std::string(1, char(c)));
        }
        const std::string text = "The quick brown fox jumps over the lazy dog, again and again. ";
        std::vector<TextLine> lines(45);
        for (size_t i = 0; i < lines.size(); ++i) {
            InitNewLine(lines, int32_t(i));
            TextLine& l = lines[i];
            for (char ch : text) l.Chars.push_back(sample[uint8_t(ch)]);
            l.Height = sample[uint8_t('T')].Height();
            l.EndKind = i % 5 == 4 ? ekParagraph : ekSoft;
            l.Dirty = 0;
        }
        w.Areas[0].Lines = lines;
        for (int32_t p = 1; p < 300; ++p) {
            w.NewPage(false);
            w.Areas.back().PageIndex = p;
            w.Areas.back().Lines = lines;
        }
        // The cursor on the visible page, as when one reads and types there.
        int32_t area = 0;
        for (int32_t i = 0; i < w.AreaCount(); ++i)
            if (w.Areas[size_t(i)].AreaType == atPageBody && w.Areas[size_t(i)].PageIndex == page) area = i;
        w.Cursor = w.Anchor = TextPos{area, 3, 5};
        w.CurrentPage = page;
        const int32_t pageH = int32_t(96.0 * w.PageHeightPx / 600);
        host.y = (pageH + 21) * page + 10;
        w.PaintBox1Paint();
    }
};

void BM_PaintVisiblePage(benchmark::State& state)
{
    BigDoc d;
    for (auto _ : state) d.w.PaintBox1Paint();
}
BENCHMARK(BM_PaintVisiblePage)->Unit(benchmark::kMillisecond);

// The same page while a text frame on it is being edited: its ring is
// hatched through a clip region and its handles drawn twice.
void BM_PaintPageWithEditedFrame(benchmark::State& state)
{
    BigDoc d;
    d.w.NewField();
    TextArea& f = d.w.Areas.back();
    SetStandardAreaLook(f);
    f.AreaType = atTextFrame;
    f.Left = 40;
    f.Top = 60;
    f.Right = 170;
    f.Bottom = 200;
    f.PageMode = 0;
    f.PageIndex = d.page;
    f.WrapText = 0;
    f.MoveWithText = 0;
    f.PrevInFlow = f.NextInFlow = -1;
    f.Lines.assign(1, TextLine{});
    InitNewLine(f.Lines, 0);
    d.w.Cursor = d.w.Anchor = TextPos{d.w.AreaCount() - 1, 0, 0};
    d.w.PaintBox1Paint();
    for (auto _ : state) d.w.PaintBox1Paint();
}
BENCHMARK(BM_PaintPageWithEditedFrame)->Unit(benchmark::kMillisecond);

void BM_MouseMoveHitTest(benchmark::State& state)
{
    BigDoc d;
    int32_t i = 0;
    for (auto _ : state) {
        d.w.CursorRequest = 1;
        d.w.MouseX = 300 + (i++ % 40);
        d.w.MouseY = d.host.y + 300;
        d.w.PaintBox1Paint();
        d.w.CursorRequest = 0;
    }
}
BENCHMARK(BM_MouseMoveHitTest)->Unit(benchmark::kMillisecond);

} // namespace

