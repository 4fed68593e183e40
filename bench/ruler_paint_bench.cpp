// Redrawing both rulers for a caret move, as the view does: compose the
// scale, markers and tab stops, and paint them into the rulers' images.

#include "app/widgets/Ruler.h"

#include "engine/RulerModel.h"

#include <QGuiApplication>
#include <QImage>

#include <benchmark/benchmark.h>

using namespace quillet;

namespace {

void BM_RedrawRulers(benchmark::State& state)
{
    static int argc = 1;
    static char arg0[] = "bench";
    static char* argv[] = {arg0, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    (void)app;

    TMDIChild::RulerValuesRec r;
    r.HLeftPx = 120;
    r.HRightPx = 120 + 605;  // 160 mm at 96 dpi
    r.HEndMm = 160;
    r.LeftIndentPx = 40;
    r.RightIndentPx = 20;
    r.VTopPx = 90;
    r.VBottomPx = 90 + 930;
    r.VEndMm = 247;
    const std::vector<TabStop> tabs = {TabStop{20, 0, 0}, TabStop{50, 1, 0}, TabStop{90, 2, 0}, TabStop{120, 3, 0}};
    QImage h(1200, 24, QImage::Format_RGB32), v(24, 1000, QImage::Format_RGB32);
    const QColor face(0xD4, 0xD0, 0xC8);
    for (auto _ : state) {
        TMDIChild::RulerDragState drag;
        int32_t x = 0;
        paintRulerImage(h, ruler::composeHorizontal(r, tabs, false, drag, x, true, h.width(), h.height()), true, face);
        paintRulerImage(v, ruler::composeVertical(r, v.width(), v.height()), false, face);
        benchmark::DoNotOptimize(h.constBits());
    }
}
BENCHMARK(BM_RedrawRulers)->Unit(benchmark::kMicrosecond);

} // namespace
