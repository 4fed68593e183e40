// Cost of the layout pass on a long document: about a million measured
// characters of plain paragraphs (some 300 pages). A full layout re-breaks
// every line; typing one character re-breaks one dirty line (and what it
// pushes down its paragraph), while gathering and placing every line of the
// flow still runs over the whole document.
//
// Targets: a full layout under 300 ms, a pass after typing one character
// under 2 ms.

#include "bench/BenchDocuments.h"
#include "engine/LineSpan.h"
#include "formats/StandardServices.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

using namespace quillet;
using quillet::bench::LongDocument;

namespace {

LongDocument& document()
{
    static LongDocument doc({.OnePage = false, .Seed = 12345, .CollectWords = true});
    return doc;
}

LongDocument& onePageDocument()
{
    static LongDocument doc({.OnePage = true, .Seed = 12345, .CollectWords = true});
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

// A long newspaper-column block followed by one line of one column: the
// block is balanced on every page it covers. Placement balances it once per
// page and reads every line's results from that; the line-by-line case
// shows what balancing the block again for each of its lines would cost.
struct ColumnDocument {
    FrameState frame = StandardFrameState();
    std::unique_ptr<TMDIChild> win = std::make_unique<TMDIChild>(frame);
    TMDIChild& w = *win;

    explicit ColumnDocument(int32_t blockLines)
    {
        std::vector<TextLine>& lines = w.Areas[0].Lines;
        lines.clear();
        for (int32_t i = 0; i <= blockLines; ++i) {
            lines.emplace_back();
            InitNewLine(lines, i);
            TextLine& l = lines.back();
            l.EndKind = ekParagraph;
            l.Height = 4 + (i % 3);
            l.Dirty = 0;
            if (i < blockLines) {
                l.ColumnCount = 2;
                l.ColumnGap = 5;
            }
        }
        w.FlowPlace();
    }
};

void BM_ColumnBlockPlacement(benchmark::State& state)
{
    ColumnDocument d(int32_t(state.range(0)));
    for (auto _ : state) {
        d.w.FlowGather();
        d.w.FlowPlace();
    }
    state.counters["pages"] = double(d.w.GetAnzPages());
}
BENCHMARK(BM_ColumnBlockPlacement)->Arg(100)->Arg(400)->Unit(benchmark::kMicrosecond);

void BM_ColumnBalanceLineByLine(benchmark::State& state)
{
    ColumnDocument d(int32_t(state.range(0)));
    d.w.FlowGather();
    const std::vector<TextLine>& lines = d.w.Areas[0].Lines;
    for (auto _ : state)
        for (int32_t f = 0; f < int32_t(lines.size()); ++f)
            benchmark::DoNotOptimize(columnInfoIn(lines, f, 245));
}
BENCHMARK(BM_ColumnBalanceLineByLine)->Arg(100)->Arg(400)->Unit(benchmark::kMicrosecond);

} // namespace
