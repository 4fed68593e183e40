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

using namespace quillet;
using quillet::bench::LongDocument;

namespace {

struct Quiet : MessageBoxes {
    MsgResult show(std::string_view, std::string_view, MsgIcon, MsgButtons) override { return MsgResult::Ok; }
};

struct Script : SearchDialogUi {
    std::vector<int32_t> presses;
    size_t next = 0;
    int32_t runSearchDialog(SearchFormModel&) override
    {
        return next < presses.size() ? presses[next++] : SearchFormModel::kCancel;
    }
};

struct FirstQuestionCancels : SpellCheckUi {
    int32_t runSpellCheckDialog(SpellCheckModel&) override { return SpellCheckModel::kCancel; }
};

// Every so many lines start with "QQQQQ ", 5,000 in all.
LongDocument& marked()
{
    static LongDocument d({.OnePage = false, .Seed = 777, .CollectWords = true});
    static const bool done = [] {
        int32_t left = 5000;
        for (TextArea& a : d.w.Areas)
            for (TextLine& l : a.Lines) {
                if (left == 0 || l.CharCount() < 8) continue;
                for (int i = 0; i < 5; ++i) l.Chars[size_t(i)] = d.measured['Q'];
                l.Chars[5] = d.measured[' '];
                --left;
            }
        d.w.SetAllDirtyFlags();
        d.w.MakeSoftEnters();
        return true;
    }();
    (void)done;
    return d;
}

void selectBody(TMDIChild& w)
{
    int32_t last = 0;
    for (int32_t a = 0; a >= 0; a = w.Areas[size_t(a)].NextInFlow) last = a;
    const TextArea& end = w.Areas[size_t(last)];
    w.Anchor = TextPos{0, 0, 0};
    w.Cursor = TextPos{last, end.LineCount() - 1, end.Lines.back().CharCount()};
}

void BM_CopyAll(benchmark::State& state)
{
    LongDocument& d = marked();
    MemoryClipboard board;
    setClipboard(&board);
    for (auto _ : state) {
        selectBody(d.w);
        d.w.KopierenInZwischenAblage(0);
        benchmark::DoNotOptimize(board.Private.size());
    }
    setClipboard(nullptr);
}
BENCHMARK(BM_CopyAll)->Unit(benchmark::kMillisecond)->Iterations(3);

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
        forth = !forth;
    }
    d.w.SearchDialogs = nullptr;
    setMessageBoxes(nullptr);
}
BENCHMARK(BM_ReplaceAll5000)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_FindNext(benchmark::State& state)
{
    LongDocument& d = marked();
    const TextPos from = d.middle();
    for (auto _ : state) {
        const bool found = d.w.SearchStep("QQQQQ", 1, 0, 0, from) || d.w.SearchStep("RRRRR", 1, 0, 0, from);
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(BM_FindNext)->Unit(benchmark::kMillisecond);

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
