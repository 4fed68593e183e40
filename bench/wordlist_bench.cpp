// Word list speeds: loading the German list at start-up, the lookup that
// layout runs for every word, and suggestions for one misspelt word.

#include "language/WordList.h"

#include <benchmark/benchmark.h>

#include <filesystem>

using namespace quillet;

namespace {

const std::filesystem::path kGerman = std::filesystem::path(QUILLET_PROGRAM_DIR) / "german.spe";

const WordList& german()
{
    static const WordList list = [] {
        WordList l;
        OpenWordList(kGerman, l);
        return l;
    }();
    return list;
}

void BM_LoadGermanList(benchmark::State& state)
{
    for (auto _ : state) {
        WordList l;
        OpenWordList(kGerman, l);
        benchmark::DoNotOptimize(l.size());
    }
    state.counters["words"] = static_cast<double>(german().size());
}
BENCHMARK(BM_LoadGermanList)->Unit(benchmark::kMillisecond);

// A sentence's worth of words: known, capitalised at sentence start, unknown.
void BM_LookupWord(benchmark::State& state)
{
    const WordList& l = german();
    const char* words[] = {"Der", "Bundesrepublik", "schreiben", "\xDC" "ber", "Hauss", "Fensterbank",
                           "und", "Versicherungsgesellschaften", "xyzzy", "M\xE4" "dchen"};
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(istwortkorrekt(l, words[i], true));
        i = (i + 1) % std::size(words);
    }
}
BENCHMARK(BM_LookupWord);

void BM_SuggestionsWholeList(benchmark::State& state)
{
    const WordList& l = german();
    for (auto _ : state) benchmark::DoNotOptimize(findewortvorschlaege(l, "Versicherungsgesellschafft"));
}
BENCHMARK(BM_SuggestionsWholeList)->Unit(benchmark::kMillisecond);

} // namespace
