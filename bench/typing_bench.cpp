// One character typed in the middle of a document of some 300 pages, the way
// a key press arrives: the key handler with its undo grouping, then the
// layout of what it dirtied. (The paint pass joins the measurement once the
// renderer exists.) Target: below 10 ms per key.

#include "engine/Childwin.h"
#include "engine/VirtualKeys.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

using namespace quillet;

namespace {

constexpr size_t kTargetChars = 1000000;

struct LongDocument {
    FrameState frame;
    std::unique_ptr<TMDIChild> win = std::make_unique<TMDIChild>(frame);
    TMDIChild& w = *win;
    size_t chars = 0;

    // onePage: one body tall enough for all the text, so that page flow
    // moves no line and what is left is the handler and line breaking.
    explicit LongDocument(bool onePage)
    {
        frame.Options.SpellWhileTyping = 0;
        if (onePage) {
            w.Areas[0].AnchorBottom = 0;
            w.Areas[0].Bottom = 1e9;
        }
        const int32_t font = w.GetNewFontIndex(FontEntryFromState(w.FontState));
        std::array<TextChar, 128> measured{};
        for (int code = 32; code < 127; ++code) {
            TextChar& c = measured[size_t(code)];
            c.Code = uint8_t(code);
            c.FontIndex = font;
            const char text = char(code);
            w.RenderChar(c, false, std::string_view(&text, 1));
        }
        uint32_t seed = 4711;
        auto next = [&seed](uint32_t n) {
            seed = seed * 1103515245u + 12345u;
            return (seed >> 16) % n;
        };
        std::vector<TextLine>& lines = w.Areas[0].Lines;
        lines.clear();
        while (chars < kTargetChars) {
            lines.emplace_back();
            InitNewLine(lines, int32_t(lines.size()) - 1);
            TextLine& l = lines.back();
            l.EndKind = ekParagraph;
            l.Para.LineSpacing = 1.25;
            const uint32_t count = 40 + next(121);
            for (uint32_t i = 0; i < count; ++i) {
                const uint32_t len = 2 + next(9);
                for (uint32_t k = 0; k < len; ++k) l.Chars.push_back(measured[size_t('a' + next(26))]);
                if (i + 1 < count) l.Chars.push_back(measured[' ']);
            }
            chars += l.Chars.size();
        }
        w.SetAllDirtyFlags();
        w.MakeSoftEnters();
    }

    // A line in the middle of the middle page body.
    TextPos middle() const
    {
        std::vector<int32_t> bodies;
        for (int32_t a = 0; a < w.AreaCount(); ++a)
            if (w.Areas[size_t(a)].AreaType == atPageBody && w.Areas[size_t(a)].LineCount() > 0) bodies.push_back(a);
        const int32_t a = bodies[bodies.size() / 2];
        const int32_t l = w.Areas[size_t(a)].LineCount() / 2;
        return TextPos{a, l, std::min(10, w.Areas[size_t(a)].Lines[size_t(l)].CharCount())};
    }

    int32_t pages() const
    {
        int32_t n = 0;
        for (const TextArea& a : w.Areas) n += a.AreaType == atPageBody;
        return n;
    }

    // Takes the typed character out again so every iteration sees the same text.
    void untype()
    {
        const TextPos q = w.Cursor;
        TextLine& m = w.Areas[size_t(q.Area)].Lines[size_t(q.Line)];
        if (q.Char > 0) m.Chars.erase(m.Chars.begin() + q.Char - 1);
        m.Dirty = 1;
        w.MakeSoftEnters();
    }
};

LongDocument& document()
{
    static LongDocument doc(false);
    return doc;
}

LongDocument& onePageDocument()
{
    static LongDocument doc(true);
    return doc;
}

// A key inside an open typing run: no snapshot.
void typeInRun(benchmark::State& state, LongDocument& d)
{
    for (auto _ : state) {
        d.w.Cursor = d.w.Anchor = d.middle();
        d.w.TypingRun = 1;
        d.w.LastEditKind = 0;
        uint8_t key = 'x';
        d.w.getkeysKeyPress(key);

        state.PauseTiming();
        d.untype();
        state.ResumeTiming();
    }
    state.counters["pages"] = d.pages();
}

void BM_TypeCharacterInRun(benchmark::State& state) { typeInRun(state, document()); }
BENCHMARK(BM_TypeCharacterInRun)->Unit(benchmark::kMillisecond);

void BM_TypeCharacterInRunNoPageFlow(benchmark::State& state) { typeInRun(state, onePageDocument()); }
BENCHMARK(BM_TypeCharacterInRunNoPageFlow)->Unit(benchmark::kMillisecond);

// The first key of a run also copies the whole document for undo.
void BM_TypeCharacterStartingRun(benchmark::State& state)
{
    LongDocument& d = document();
    for (auto _ : state) {
        d.w.Cursor = d.w.Anchor = d.middle();
        d.w.TypingRun = 0;
        uint8_t key = 'x';
        d.w.getkeysKeyPress(key);

        state.PauseTiming();
        d.untype();
        state.ResumeTiming();
    }
    state.counters["pages"] = d.pages();
}
BENCHMARK(BM_TypeCharacterStartingRun)->Unit(benchmark::kMillisecond);

// A caret step: the key handler with the format take-over, no layout.
void BM_CursorRight(benchmark::State& state)
{
    LongDocument& d = document();
    d.w.Cursor = d.w.Anchor = d.middle();
    for (auto _ : state) {
        uint16_t key = VK_RIGHT;
        d.w.getkeysKeyDown(key, 0);
    }
}
BENCHMARK(BM_CursorRight)->Unit(benchmark::kMicrosecond);

} // namespace
