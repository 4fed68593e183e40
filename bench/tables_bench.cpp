// A 200-row, 5-column table in the middle of the long document (some 300
// pages), each cell holding a short word. Measured as the user meets them:
// one character typed in a cell of the table's middle row, with the layout
// of what it dirtied and the paint of the visible page (target: below
// 10 ms), and a row inserted before that row through the insert-rows
// command, with its undo snapshot, layout and paint (target: below 20 ms).

#include "bench/BenchDocuments.h"
#include "engine/DocWalk.h"
#include "engine/TableDialogs.h"

#include <benchmark/benchmark.h>

using namespace quillet;
using quillet::bench::LongDocument;

using quillet::bench::ViewHost;

namespace {

constexpr int32_t kRows = 200;
constexpr int32_t kColumns = 5;

struct OneRowBefore : TableDialogUi {
    bool runInsertTableLinesDialog(TInsertTableLinesForm& f) override
    {
        f = {1, true};
        return true;
    }
};

struct TableDocument {
    LongDocument d;
    ViewHost host;
    OneRowBefore dialogs;

    TableDocument()
    {
        TMDIChild& w = d.w;
        w.Cursor = w.Anchor = d.middle();
        w.inserttableXY(kColumns, kRows);
        // A word in every cell.
        for (TextArea& a : w.Areas)
            for (TextLine& l : a.Lines)
                if (l.IsCell)
                    for (char c : std::string_view("cell")) l.Chars.push_back(d.measured[uint8_t(c)]);
        w.SetAllDirtyFlags();
        w.MakeSoftEnters();
        w.setHost(&host);
        w.TableDialogs = &dialogs;
    }

    // The third cell of the table's middle row.
    TextPos middleCell() const
    {
        int32_t seen = 0;
        for (int32_t a = 0; a < d.w.AreaCount(); ++a) {
            const std::vector<TextLine>& lines = d.w.Areas[size_t(a)].Lines;
            for (int32_t l = 0; l < int32_t(lines.size()); ++l)
                if (lines[size_t(l)].IsCell && lines[size_t(l)].CellIndex == 2 && ++seen == kRows / 2)
                    return TextPos{a, l, 2};
        }
        return d.middle();
    }

    // The view on the page of `at`, painted once.
    void showPageOf(const TextPos& at)
    {
        const int32_t page = d.w.Areas[size_t(at.Area)].PageIndex;
        host.y = (int32_t(96.0 * d.w.PageHeightPx / 600) + 21) * page + 10;
        d.w.Cursor = d.w.Anchor = at;
        d.w.Timer2Timer();
    }
};

TableDocument& document()
{
    static TableDocument doc;
    return doc;
}

void BM_TypeCharacterInTableCellLayoutAndPaint(benchmark::State& state)
{
    TableDocument& t = document();
    TMDIChild& w = t.d.w;
    const TextPos at = t.middleCell();
    t.showPageOf(at);
    for (auto _ : state) {
        w.Cursor = w.Anchor = at;
        w.TypingRun = 1;
        w.LastEditKind = 0;
        uint8_t key = 'x';
        w.getkeysKeyPress(key);
        w.Timer2Timer();

        state.PauseTiming();
        t.d.untype();
        state.ResumeTiming();
    }
    state.counters["pages"] = t.d.pages();
    state.counters["inCell"] = lineAt(w.Areas, at.Area, at.Line)->IsCell;
}
BENCHMARK(BM_TypeCharacterInTableCellLayoutAndPaint)->Unit(benchmark::kMillisecond);

void BM_InsertTableRowLayoutAndPaint(benchmark::State& state)
{
    TableDocument& t = document();
    TMDIChild& w = t.d.w;
    const TextPos at = t.middleCell();
    t.showPageOf(at);
    for (auto _ : state) {
        w.Cursor = w.Anchor = at;
        w.insertTableLines();
        w.Timer2Timer();

        state.PauseTiming();
        w.RestoreCopyFromUndo(0);
        w.Timer2Timer();
        state.ResumeTiming();
    }
    state.counters["pages"] = t.d.pages();
    state.counters["undoSteps"] = w.UndoPos;
}
BENCHMARK(BM_InsertTableRowLayoutAndPaint)->Unit(benchmark::kMillisecond);

} // namespace
