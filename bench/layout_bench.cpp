// Cost of the layout pass on a long document: about a million measured
// characters of plain paragraphs (some 300 pages). A full layout re-breaks
// every line; typing one character re-breaks one dirty line (and what it
// pushes down its paragraph), while gathering and placing every line of the
// flow still runs over the whole document.
//
// Targets: a full layout under 300 ms, a pass after typing one character
// under 2 ms.

#include "engine/Childwin.h"

#include "language/WordList.h"

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
    std::array<TextChar, 256> measured{};
    WordList words;
    size_t chars = 0;

    // onePage: the body is one area tall enough for all the text, so the
    // page flow moves no line and the cost left is that of breaking.
    explicit LongDocument(bool onePage)
    {
        frame.Options.SpellWhileTyping = 0;
        if (onePage) {
            w.Areas[0].AnchorBottom = 0;
            w.Areas[0].Bottom = 1e9;
        }
        const int32_t font = w.GetNewFontIndex(FontEntryFromState(w.FontState));
        for (int code = 32; code < 127; ++code) {
            TextChar& c = measured[size_t(code)];
            c.Code = uint8_t(code);
            c.FontIndex = font;
            const char text = char(code);
            w.RenderChar(c, false, std::string_view(&text, 1));
        }

        // Paragraphs of 40..160 words of 2..10 letters, from a fixed seed.
        uint32_t seed = 12345;
        auto next = [&seed](uint32_t n) {
            seed = seed * 1103515245u + 12345u;
            return (seed >> 16) % n;
        };
        std::vector<TextLine>& lines = w.Areas[0].Lines;
        lines.clear();
        std::string word;
        while (chars < kTargetChars) {
            lines.emplace_back();
            InitNewLine(lines, int32_t(lines.size()) - 1);
            TextLine& l = lines.back();
            l.EndKind = ekParagraph;
            l.Para.LineSpacing = 1.25;  // some 300 pages
            const uint32_t count = 40 + next(121);
            for (uint32_t i = 0; i < count; ++i) {
                word.clear();
                const uint32_t len = 2 + next(9);
                for (uint32_t k = 0; k < len; ++k) word.push_back(char('a' + next(26)));
                if (words.size() < 20000) words.append(word);
                for (char ch : word) l.Chars.push_back(measured[uint8_t(ch)]);
                if (i + 1 < count) l.Chars.push_back(measured[' ']);
            }
            chars += l.Chars.size();
        }
        words.sortByKey();
        w.SetAllDirtyFlags();
        w.MakeSoftEnters();
    }

    int32_t pages() const
    {
        int32_t n = 0;
        for (const TextArea& a : w.Areas) n += a.AreaType == atPageBody;
        return n;
    }

    // The middle page body of the flow and a line in its middle.
    TextPos middle() const
    {
        std::vector<int32_t> bodies;
        for (int32_t a = 0; a < w.AreaCount(); ++a)
            if (w.Areas[size_t(a)].AreaType == atPageBody && w.Areas[size_t(a)].LineCount() > 0) bodies.push_back(a);
        const int32_t a = bodies[bodies.size() / 2];
        const int32_t l = w.Areas[size_t(a)].LineCount() / 2;
        return TextPos{a, l, std::min(10, w.Areas[size_t(a)].Lines[size_t(l)].CharCount())};
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

void report(benchmark::State& state, const LongDocument& d)
{
    state.counters["chars"] = double(d.chars);
    state.counters["pages"] = d.pages();
}

void BM_FullLayout(benchmark::State& state)
{
    LongDocument& d = document();
    for (auto _ : state) {
        d.w.SetAllDirtyFlags();
        d.w.MakeSoftEnters();
    }
    report(state, d);
}
BENCHMARK(BM_FullLayout)->Unit(benchmark::kMillisecond);

// One character typed in the middle of the document: its line is dirty.
void typeOneCharacter(benchmark::State& state, LongDocument& d)
{
    for (auto _ : state) {
        const TextPos p = d.middle();
        TextLine& l = d.w.Areas[size_t(p.Area)].Lines[size_t(p.Line)];
        l.Chars.insert(l.Chars.begin() + p.Char, d.measured['x']);
        l.Dirty = 1;
        d.w.Cursor = d.w.Anchor = TextPos{p.Area, p.Line, p.Char + 1};
        d.w.MakeSoftEnters();

        // Take it out again so every iteration sees the same document.
        state.PauseTiming();
        const TextPos q = d.w.Cursor;
        TextLine& m = d.w.Areas[size_t(q.Area)].Lines[size_t(q.Line)];
        if (q.Char > 0) m.Chars.erase(m.Chars.begin() + q.Char - 1);
        m.Dirty = 1;
        d.w.MakeSoftEnters();
        state.ResumeTiming();
    }
    report(state, d);
}

void BM_TypeOneCharacter(benchmark::State& state) { typeOneCharacter(state, document()); }
BENCHMARK(BM_TypeOneCharacter)->Unit(benchmark::kMicrosecond);

void BM_TypeOneCharacterNoPageFlow(benchmark::State& state) { typeOneCharacter(state, onePageDocument()); }
BENCHMARK(BM_TypeOneCharacterNoPageFlow)->Unit(benchmark::kMicrosecond);

void BM_FullLayoutNoPageFlow(benchmark::State& state)
{
    LongDocument& d = onePageDocument();
    for (auto _ : state) {
        d.w.SetAllDirtyFlags();
        d.w.MakeSoftEnters();
    }
    report(state, d);
}
BENCHMARK(BM_FullLayoutNoPageFlow)->Unit(benchmark::kMillisecond);

// The share of a pass that gathering and placing the flow takes.
void BM_PageFlowOnly(benchmark::State& state)
{
    LongDocument& d = document();
    for (auto _ : state) {
        d.w.FlowGather();
        d.w.FlowPlace();
    }
    report(state, d);
}
BENCHMARK(BM_PageFlowOnly)->Unit(benchmark::kMicrosecond);

// A pass with nothing dirty: joins, numbering and placement only.
void BM_CleanPass(benchmark::State& state)
{
    LongDocument& d = document();
    for (auto _ : state) d.w.MakeSoftEnters();
    report(state, d);
}
BENCHMARK(BM_CleanPass)->Unit(benchmark::kMicrosecond);

// Spell checking while typing: lines unchanged since their words were
// looked up in the same word list keep their marks.
void BM_CleanPassWithSpelling(benchmark::State& state)
{
    LongDocument& d = document();
    d.w.CurrentWordList = &d.words;
    d.frame.Options.SpellWhileTyping = 1;
    for (auto _ : state) d.w.MakeSoftEnters();
    d.frame.Options.SpellWhileTyping = 0;
    d.w.CurrentWordList = nullptr;
    report(state, d);
}
BENCHMARK(BM_CleanPassWithSpelling)->Unit(benchmark::kMillisecond);

void BM_TypeOneCharacterWithSpelling(benchmark::State& state)
{
    LongDocument& d = document();
    d.w.CurrentWordList = &d.words;
    d.frame.Options.SpellWhileTyping = 1;
    d.w.MakeSoftEnters();
    typeOneCharacter(state, d);
    d.frame.Options.SpellWhileTyping = 0;
    d.w.CurrentWordList = nullptr;
}
BENCHMARK(BM_TypeOneCharacterWithSpelling)->Unit(benchmark::kMicrosecond);

} // namespace
