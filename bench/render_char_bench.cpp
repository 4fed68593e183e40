// Measuring one character at the printer resolution: layout does this for
// every character it touches, so with the font cache warm it must stay well
// under a microsecond.

#include "engine/Childwin.h"
#include "formats/StandardServices.h"

#include <benchmark/benchmark.h>

using namespace quillet;

namespace {

struct Window {
    FrameState frame = StandardFrameState();
    TMDIChild w{frame};
};

TextChar charOf(TMDIChild& w, uint16_t options, uint8_t code)
{
    FontEntry f = FontEntryFromState(w.FontState);
    f.Options = options;
    TextChar c;
    c.Code = code;
    c.setFontIndex(w.GetNewFontIndex(f));
    return c;
}

void measureText(benchmark::State& state, uint16_t options, bool superscript)
{
    Window win;
    const char text[] = "The quick brown fox jumps over the lazy dog";
    TextChar chars[sizeof text - 1];
    for (size_t i = 0; i + 1 < sizeof text; ++i) chars[i] = charOf(win.w, options, uint8_t(text[i]));
    // Warm the font cache.
    for (size_t i = 0; i + 1 < sizeof text; ++i) win.w.RenderChar(chars[i], superscript, std::string_view(&text[i], 1));

    size_t i = 0;
    for (auto _ : state) {
        win.w.RenderChar(chars[i], superscript, std::string_view(&text[i], 1));
        benchmark::DoNotOptimize(chars[i].Width);
        if (++i + 1 == sizeof text) i = 0;
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_RenderCharPlain(benchmark::State& state) { measureText(state, 0, false); }

// Small caps: the width comes from a second, smaller font.
void BM_RenderCharSmallCaps(benchmark::State& state)
{
    uint16_t o = 0;
    SettingOps(o, foSmallCaps, true);
    measureText(state, o, false);
}

// Footnote numbers: superscript switch through the font table, then two fonts.
void BM_RenderCharSuperscriptSwitch(benchmark::State& state) { measureText(state, 0, true); }

} // namespace

BENCHMARK(BM_RenderCharPlain);
BENCHMARK(BM_RenderCharSmallCaps);
BENCHMARK(BM_RenderCharSuperscriptSwitch);
