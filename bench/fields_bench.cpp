// Fields on a document of some 300 pages: one character typed with page
// number and page count fields in the footer shown on every page (key,
// layout, paint; target below 10 ms), and the move to the next record of
// the mail-merge table with 20 database fields in the text (target below
// 20 ms).

#include "bench/BenchDocuments.h"
#include "platform/DbfTable.h"

#include <benchmark/benchmark.h>
#include <shapefil.h>

#include <filesystem>
#include <string>

using namespace quillet;
using quillet::bench::LongDocument;

using quillet::bench::ViewHost;

namespace {

// Fields typed at a position, laid out.
void putFields(LongDocument& d, TextPos at, std::initializer_list<std::string> codes)
{
    d.w.Cursor = d.w.Anchor = at;
    for (const std::string& code : codes) d.w.InsertField(code);
}

LongDocument& footerDocument()
{
    static LongDocument doc({.OnePage = false, .Seed = 4711});
    static bool once = [] {
        for (int32_t a = 0; a < doc.w.AreaCount(); ++a)
            if (doc.w.Areas[size_t(a)].AreaType == atFooter && doc.w.Areas[size_t(a)].PageMode == 1)
                putFields(doc, TextPos{a, 0, 0}, {"page", "pagecount"});
        return true;
    }();
    (void)once;
    return doc;
}

void BM_TypeCharacterWithPageFieldsInEveryFooter(benchmark::State& state)
{
    LongDocument& d = footerDocument();
    ViewHost host;
    d.w.setHost(&host);
    const TextPos at = d.middle();
    const int32_t page = d.w.Areas[size_t(at.Area)].PageIndex;
    host.y = (int32_t(96.0 * d.w.PageHeightPx / 600) + 21) * page + 10;
    d.w.Timer2Timer();
    for (auto _ : state) {
        d.w.Cursor = d.w.Anchor = at;
        d.w.TypingRun = 1;
        d.w.LastEditKind = 0;
        uint8_t key = 'x';
        d.w.getkeysKeyPress(key);
        d.w.Timer2Timer();
        state.PauseTiming();
        d.untype();
        state.ResumeTiming();
    }
    d.w.setHost(nullptr);
    state.counters["pages"] = d.pages();
}
BENCHMARK(BM_TypeCharacterWithPageFieldsInEveryFooter)->Unit(benchmark::kMillisecond);

void BM_NextRecordWithTwentyDatabaseFields(benchmark::State& state)
{
    const auto path = std::filesystem::temp_directory_path() / "quillet_fields_bench.dbf";
    std::filesystem::remove(path);
    DBFHandle h = DBFCreate(path.c_str());
    for (int f = 0; f < 20; ++f) DBFAddField(h, ("F" + std::to_string(f)).c_str(), FTString, 30, 0);
    for (int r = 0; r < 1000; ++r)
        for (int f = 0; f < 20; ++f) DBFWriteStringAttribute(h, r, f, ("value " + std::to_string(r * f)).c_str());
    DBFClose(h);

    static LongDocument d({.OnePage = false, .Seed = 99});
    d.frame.MergeTable = std::make_shared<DbfTable>();
    if (!d.frame.MergeTable->open(path, false).empty()) {
        state.SkipWithError("table not opened");
        return;
    }
    const TextPos at = d.middle();
    for (int f = 20; f >= 1; --f) putFields(d, at, {"dbfield" + std::to_string(f)});
    ViewHost host;
    d.w.setHost(&host);
    host.y = (int32_t(96.0 * d.w.PageHeightPx / 600) + 21) * d.w.Areas[size_t(at.Area)].PageIndex + 10;
    for (auto _ : state) {
        DbfTable& t = *d.frame.MergeTable;
        if (t.recNo() == t.recordCount()) t.first();
        else t.next();
        // What the Database menu does: the field update marks the lines
        // whose results changed, only those are laid out again.
        d.w.RenderAllPages = 1;
        d.w.RefreshDirtyContent();
        d.w.Timer2Timer();
    }
    d.w.setHost(nullptr);
    d.frame.MergeTable->close();
    std::filesystem::remove(path);
}
BENCHMARK(BM_NextRecordWithTwentyDatabaseFields)->Unit(benchmark::kMillisecond);

} // namespace
