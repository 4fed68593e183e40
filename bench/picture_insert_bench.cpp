// A 4000 x 3000 photograph inserted from a JPEG file and the page that
// shows it painted (target: under 150 ms), and that page painted again
// once the scaled picture is at hand (target: under 10 ms).

#include "engine/Childwin.h"
#include "engine/ObjectDialogs.h"
#include "formats/StandardServices.h"
#include "render/ImageCanvas.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

using namespace quillet;

namespace {

struct BenchHost : HostView {
    int32_t clientWidth() const override { return 900; }
    int32_t clientHeight() const override { return 1000; }
    bool hasFocus() const override { return true; }
};

struct PhotoDialogs : ObjectDialogsUi {
    std::string file;
    bool runFeldFormatDialog(FeldFormatModel&) override { return false; }
    bool runGrafikPropsDialog(GrafikPropsModel&) override { return false; }
    bool runPictureOpenDialog(const std::string&, std::string& name) override
    {
        name = file;
        return true;
    }
    bool runScannerChoice(const std::vector<ScanDevice>&, int32_t&) override { return false; }
    ScanResult runScan(ScannerSource& s, const std::string& d) override { return s.scan(d, nullptr); }
};

// A photograph-like 4000 x 3000 JPEG (smooth gradients), written once.
const std::string& photoFile()
{
    static const std::string path = [] {
        const auto p = std::filesystem::temp_directory_path() / "quillet_bench_photo.jpg";
        Dib d;
        newdib(&d, 4000, 3000, 24, nullptr, 0);
        for (int32_t y = 0; y < 3000; ++y) {
            uint8_t* row = d.row(y);
            for (int32_t x = 0; x < 4000; ++x) {
                row[3 * x] = uint8_t(x / 16);
                row[3 * x + 1] = uint8_t(y / 12);
                row[3 * x + 2] = uint8_t((x + y) / 28);
            }
        }
        SaveDib(d, p, 7);
        return p.string();
    }();
    return path;
}

struct PhotoDoc {
    FrameState frame = StandardFrameState();
    BenchHost host;
    PhotoDialogs dialogs;
    std::unique_ptr<TMDIChild> win = std::make_unique<TMDIChild>(frame);
    TMDIChild& w = *win;
    PhotoDoc()
    {
        w.setHost(&host);
        w.ObjectDialogs = &dialogs;
        dialogs.file = photoFile();
        w.MakeSoftEnters();
    }
};

void BM_InsertPhotoAndPaint(benchmark::State& state)
{
    photoFile();
    for (auto _ : state) {
        state.PauseTiming();
        auto doc = std::make_unique<PhotoDoc>();
        state.ResumeTiming();
        doc->w.GrafikEinfuegen();
        doc->w.PaintBox1Paint();
        benchmark::DoNotOptimize(doc->w.Pictures.size());
        state.PauseTiming();
        doc.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_InsertPhotoAndPaint)->Unit(benchmark::kMillisecond);

void BM_RepaintPhotoPage(benchmark::State& state)
{
    PhotoDoc doc;
    doc.w.GrafikEinfuegen();
    doc.w.PaintBox1Paint();
    for (auto _ : state) {
        doc.w.PaintBox1Paint();
        benchmark::DoNotOptimize(doc.w.ViewImage.get());
    }
}
BENCHMARK(BM_RepaintPhotoPage)->Unit(benchmark::kMillisecond);

} // namespace
