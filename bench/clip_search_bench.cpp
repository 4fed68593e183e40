// Clipboard, search, word count and the spell-check run on the long
// document (about a million characters, some 300 pages).
//
// Targets: copy all under 100 ms, paste all under 300 ms with the layout
// after it, replace all of a word with 5,000 occurrences under 500 ms, find
// next under 5 ms, the word count under 20 ms, a spell-check run up to its
// first question under 50 ms.

#include "bench/BenchDocuments.h"
#include "engine/SearchDialog.h"
#include "engine/SpellCheckDialog.h"
#include "platform/Clipboard.h"
#include "platform/MessageBox.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

using namespace quillet;
using quillet::bench::LongDocument;

using quillet::bench::Quiet;
using quillet::bench::Script;
namespace {

struct FirstQuestionCancels : SpellCheckUi {
    int32_t runSpellCheckDialog(SpellCheckModel&) override { return SpellCheckModel::kCancel; }
};

// The word the marked lines start with now: replacing all turns one into
// the other.
const char* markWord = "QQQQQ";

// Lines spread evenly over the whole document start with "QQQQQ ", 5,000 in
// all, so a search from anywhere finds its next match a few lines on.
LongDocument& marked()
{
    static LongDocument d({.OnePage = false, .Seed = 777, .CollectWords = true});
    static const bool done = [] {
        size_t candidates = 0;
        for (int32_t a = 0; a >= 0; a = d.w.Areas[size_t(a)].NextInFlow)
            for (const TextLine& l : d.w.Areas[size_t(a)].Lines) candidates += l.CharCount() >= 8;
        const size_t marks = 5000;
        size_t seen = 0, placed = 0;
        for (int32_t a = 0; a >= 0; a = d.w.Areas[size_t(a)].NextInFlow)
            for (TextLine& l : d.w.Areas[size_t(a)].Lines) {
                if (l.CharCount() < 8) continue;
                // Line `seen` takes mark `placed` when it is the first line
                // at or past that mark's share of the document.
                if (placed < marks && seen * marks >= placed * candidates) {
                    for (int i = 0; i < 5; ++i) l.Chars[size_t(i)] = d.measured['Q'];
                    l.Chars[5] = d.measured[' '];
                    ++placed;
                }
                ++seen;
            }
        d.w.SetAllDirtyFlags();
        d.w.MakeSoftEnters();
        return placed == marks;
    }();
    if (!done) std::abort();
    return d;
}

// How many times the word the marks hold now occurs: the random words are
// in small letters, so every capital belongs to a mark.
int64_t countMarks(const TMDIChild& w)
{
    int64_t letters = 0;
    for (const TextArea& a : w.Areas)
        for (const TextLine& l : a.Lines)
            for (const TextChar& c : l.Chars) letters += c.Code == uint8_t(markWord[0]);
    return letters / 5;
}

void selectBody(TMDIChild& w)
{
    int32_t last = 0;
    for (int32_t a = 0; a >= 0; a = w.Areas[size_t(a)].NextInFlow) last = a;
    const TextArea& end = w.Areas[size_t(last)];
    w.Anchor = TextPos{0, 0, 0};
    w.Cursor = TextPos{last, end.LineCount() - 1, end.Lines.back().CharCount()};
}

// The first copy: the clipboard holds another program's text, so the
// stream goes into memory the program has never touched.
void BM_CopyAll(benchmark::State& state)
{
    LongDocument& d = marked();
    MemoryClipboard board;
    setClipboard(&board);
    for (auto _ : state) {
        state.PauseTiming();
        board.set("from elsewhere", {});
        state.ResumeTiming();
        selectBody(d.w);
        d.w.KopierenInZwischenAblage(0);
        benchmark::DoNotOptimize(board.Private.size());
    }
    // The stream carries each character's font entry: some 100 bytes a
    // character, most of a copy's cost.
    state.counters["stream MB"] = double(board.Private.size()) / 1e6;
    setClipboard(nullptr);
}
BENCHMARK(BM_CopyAll)->Unit(benchmark::kMillisecond)->Iterations(3);

// Copying again while the clipboard holds the last copy: the new stream
// takes the old one's memory.
void BM_CopyAllAgain(benchmark::State& state)
{
    LongDocument& d = marked();
    MemoryClipboard board;
    setClipboard(&board);
    selectBody(d.w);
    d.w.KopierenInZwischenAblage(0);
    for (auto _ : state) {
        selectBody(d.w);
        d.w.KopierenInZwischenAblage(0);
        benchmark::DoNotOptimize(board.Private.size());
    }
    setClipboard(nullptr);
}
BENCHMARK(BM_CopyAllAgain)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PasteAllWithLayout(benchmark::State& state)
{
    LongDocument& d = marked();
    MemoryClipboard board;
    setClipboard(&board);
    selectBody(d.w);
    d.w.KopierenInZwischenAblage(0);
    for (auto _ : state) {
        state.PauseTiming();
        FrameState frame = StandardFrameState();
        frame.Options.SpellWhileTyping = 0;
        auto target = std::make_unique<TMDIChild>(frame);
        state.ResumeTiming();
        target->EinfuegenAusZwischenAblage(1);
        benchmark::DoNotOptimize(target->AreaCount());
        state.PauseTiming();
        int64_t pages = 0;
        for (const TextArea& a : target->Areas) pages += a.AreaType == atPageBody;
        state.counters["pages"] = double(pages);
        target.reset();
        state.ResumeTiming();
    }
    setClipboard(nullptr);
}
BENCHMARK(BM_PasteAllWithLayout)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_ReplaceAll5000(benchmark::State& state)
{
    LongDocument& d = marked();
    Quiet quiet;
    setMessageBoxes(&quiet);
    Script script;
    d.w.SearchDialogs = &script;
    bool forth = true;
    for (auto _ : state) {
        SearchFormModel& m = d.w.searchForm();
        m.Find2 = forth ? "QQQQQ" : "RRRRR";
        m.Replace = forth ? "RRRRR" : "QQQQQ";
        m.Opts[1] = SearchFormModel::Options{1, 0, 1, 0, 0};
        script.next = 0;
        script.presses = {SearchFormModel::kSearchAgain, SearchFormModel::kReplaceAll};
        d.w.SuchenErsetzen(1);
        markWord = forth ? "RRRRR" : "QQQQQ";
        forth = !forth;
    }
    state.counters["marks"] = double(countMarks(d.w));
    d.w.SearchDialogs = nullptr;
    setMessageBoxes(nullptr);
}
BENCHMARK(BM_ReplaceAll5000)->Unit(benchmark::kMillisecond)->Iterations(2);

// Find next from the middle of the document: the next match lies ahead,
// as it does for a word found all over the text.
void BM_FindNext(benchmark::State& state)
{
    LongDocument& d = marked();
    const TextPos from = d.middle();
    for (auto _ : state) {
        if (!d.w.SearchStep(markWord, 1, 0, 0, from)) state.SkipWithError("the next match was not found");
    }
}
BENCHMARK(BM_FindNext)->Unit(benchmark::kMillisecond);

// The longest find next: a text that is not there, looked for from the
// start, reads the whole document. No target; it shows what the walk costs
// per character.
void BM_FindNothingInWholeDocument(benchmark::State& state)
{
    LongDocument& d = marked();
    for (auto _ : state) {
        if (d.w.SearchStep("ZZZZZ", 1, 0, 0, TextPos{})) state.SkipWithError("found a text that is not there");
    }
}
BENCHMARK(BM_FindNothingInWholeDocument)->Unit(benchmark::kMillisecond);

void BM_WordCount(benchmark::State& state)
{
    LongDocument& d = marked();
    for (auto _ : state) benchmark::DoNotOptimize(d.w.CountWords());
}
BENCHMARK(BM_WordCount)->Unit(benchmark::kMillisecond);

void BM_SpellRunToFirstQuestion(benchmark::State& state)
{
    LongDocument& d = marked();
    Quiet quiet;
    setMessageBoxes(&quiet);
    FirstQuestionCancels dialog;
    d.w.SpellCheckDialogs = &dialog;
    d.w.CurrentWordList = &d.words;
    for (auto _ : state) d.w.Rechtschreibpruefung(1);
    d.w.CurrentWordList = nullptr;
    d.w.SpellCheckDialogs = nullptr;
    setMessageBoxes(nullptr);
}
BENCHMARK(BM_SpellRunToFirstQuestion)->Unit(benchmark::kMillisecond);

} // namespace
