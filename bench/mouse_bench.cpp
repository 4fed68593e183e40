// A selection dragged over a visible page of a 300-page document: each
// mouse move runs the hit test, moves the selection's end and paints the
// page again.

#include "engine/Childwin.h"
#include "engine/RulerModel.h"
#include "formats/StandardServices.h"

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

// 300 pages of 45 lines, the view on page 150.
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
            l.Para.edit().Tabs = {TabStop{20, 0, 0}, TabStop{50, 1, 0}, TabStop{90, 2, 0}};
        }
        w.Areas[0].Lines = lines;
        for (int32_t p = 1; p < 300; ++p) {
            w.NewPage(false);
            w.Areas.back().PageIndex = p;
            w.Areas.back().Lines = lines;
        }
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

void BM_SelectionDragMove(benchmark::State& state)
{
    BigDoc d;
    const int32_t top = d.host.y + 200;
    d.w.PaintBox1MouseDown(0, 0, 300, top);
    int32_t i = 0;
    for (auto _ : state) {
        // Down and back over some lines, so the selection changes each time.
        const int32_t step = i++ % 20;
        d.w.PaintBox1MouseMove(0, 250 + 10 * step, top + 15 * step);
    }
    d.w.PaintBox1MouseUp(0, 0, 300, top);
}
BENCHMARK(BM_SelectionDragMove)->Unit(benchmark::kMillisecond);

// What the rulers work out after a caret move: the scale, markers and tab
// stops of both rulers.
void BM_ComposeRulers(benchmark::State& state)
{
    BigDoc d;
    const TextLine& l = d.w.Areas[size_t(d.w.Cursor.Area)].Lines[size_t(d.w.Cursor.Line)];
    for (auto _ : state) {
        TMDIChild::RulerDragState drag;
        int32_t x = 0;
        auto h = ruler::composeHorizontal(d.w.RulerValues, l.Para->Tabs, false, drag, x, true, 1200, 24);
        auto v = ruler::composeVertical(d.w.RulerValues, 24, 1000);
        benchmark::DoNotOptimize(h);
        benchmark::DoNotOptimize(v);
    }
}
BENCHMARK(BM_ComposeRulers)->Unit(benchmark::kMicrosecond);

} // namespace
