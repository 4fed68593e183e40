// Cost of whole-document undo snapshots on a long document: 300 pages of
// plain paragraphs, about a million characters, as layout leaves them
// (soft-wrapped lines, one page body per page, linked into one flow).

#include "engine/Childwin.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <memory>
#include <string>

using namespace quillet;

namespace {

constexpr int kPages = 300;
constexpr int kLinesPerPage = 30;
constexpr int kCharsPerLine = 110;
constexpr int kLinesPerParagraph = 7;

TextArea emptyArea(uint8_t type)
{
    TextArea a;
    a.AreaType = type;
    a.InnerLeft = a.InnerTop = a.InnerRight = a.InnerBottom = 25;
    a.Lines.resize(1);
    InitNewLine(a.Lines, 0);
    return a;
}

void buildDocument(TMDIChild& w)
{
    static const std::string words =
        "Lorem ipsum dolor sit amet consectetur adipiscing elit sed do eiusmod tempor "
        "incididunt ut labore et dolore magna aliqua Ut enim ad minim veniam quis ";
    w.Areas.clear();
    size_t at = 0;
    int lineNo = 0;
    for (int page = 0; page < kPages; ++page) {
        TextArea a = emptyArea(atPageBody);
        a.PageIndex = page;
        a.PrevInFlow = page > 0 ? page - 1 : -1;
        a.NextInFlow = page + 1 < kPages ? page + 1 : -1;
        a.Lines.clear();
        a.Lines.reserve(kLinesPerPage);
        for (int l = 0; l < kLinesPerPage; ++l, ++lineNo) {
            a.Lines.emplace_back();
            InitNewLine(a.Lines, l);
            TextLine& line = a.Lines.back();
            line.Height = 4.2;
            line.EndKind = (lineNo + 1) % kLinesPerParagraph == 0 ? ekParagraph : ekSoft;
            line.Chars.reserve(kCharsPerLine);
            for (int c = 0; c < kCharsPerLine; ++c) {
                TextChar ch;
                ch.Code = static_cast<uint8_t>(words[at++ % words.size()]);
                ch.Width = 2.1;
                ch.Height = 4.2;
                line.Chars.push_back(ch);
            }
        }
        w.Areas.push_back(std::move(a));
    }
    for (int i = 0; i < 3; ++i) {
        w.Areas.push_back(emptyArea(atHeader));
        w.Areas.push_back(emptyArea(atFooter));
    }
    w.Cursor = w.Anchor = TextPos{0, 0, 0};
}

// Heap bytes a value owns beyond its own footprint.
size_t heapBytes(const std::string& s) { return s.capacity() > 15 ? s.capacity() + 1 : 0; }

size_t heapBytes(const AbsatzFormat& p)
{
    size_t n = p.Tabs.capacity() * sizeof(TabStop);
    if (p.BulletFace) n += heapBytes(*p.BulletFace);
    return n;
}

size_t heapBytes(const Boxed<std::string>& s) { return s ? sizeof(std::string) + heapBytes(*s) : 0; }

size_t heapBytes(const TextChar& c)
{
    size_t n = heapBytes(c.FieldResult) + heapBytes(c.FieldCode);
    if (c.ParaCopy) n += sizeof(AbsatzFormat) + heapBytes(*c.ParaCopy);
    return n;
}

size_t heapBytes(const std::vector<TextArea>& areas)
{
    size_t n = areas.capacity() * sizeof(TextArea);
    for (const TextArea& a : areas) {
        n += a.Lines.capacity() * sizeof(TextLine);
        for (const TextLine& l : a.Lines) {
            n += l.Chars.capacity() * sizeof(TextChar) + heapBytes(l.Para);
            for (const TextChar& c : l.Chars) n += heapBytes(c);
        }
    }
    return n;
}

size_t mallocInUse()
{
    const struct mallinfo2 mi = mallinfo2();
    return mi.uordblks + mi.hblkhd;
}

size_t charCount(const std::vector<TextArea>& areas)
{
    size_t n = 0;
    for (const TextArea& a : areas)
        for (const TextLine& l : a.Lines) n += l.Chars.size();
    return n;
}

constexpr double kMB = 1024.0 * 1024.0;

struct BenchWindow {
    FrameState frame;
    std::unique_ptr<TMDIChild> w;
    BenchWindow()
    {
        w = std::make_unique<TMDIChild>(frame);
        w->FreeAllUndoCops();
        buildDocument(*w);
    }
};

// One snapshot into an empty undo list.
void BM_UndoSnapshot(benchmark::State& state)
{
    BenchWindow bw;
    TMDIChild& w = *bw.w;
    const size_t docBytes = heapBytes(w.Areas);
    size_t heapDelta = 0;
    for (auto _ : state) {
        state.PauseTiming();
        w.FreeAllUndoCops();
        const size_t before = mallocInUse();
        state.ResumeTiming();
        w.MakeCopyForUndo("Input");
        state.PauseTiming();
        heapDelta = mallocInUse() - before;
        state.ResumeTiming();
    }
    const size_t snapBytes = heapBytes(w.UndoCopies.back().Areas);
    state.counters["chars"] = double(charCount(w.Areas));
    state.counters["doc_MB"] = double(docBytes) / kMB;
    state.counters["snapshot_MB"] = double(snapBytes) / kMB;
    state.counters["snapshot_malloc_MB"] = double(heapDelta) / kMB;
    state.counters["snapshot_per_doc"] = double(heapDelta) / double(docBytes);
}
BENCHMARK(BM_UndoSnapshot)->Unit(benchmark::kMillisecond);

// Steady editing at the depth limit: each snapshot also drops the oldest.
void BM_UndoSnapshotAtDepth(benchmark::State& state)
{
    BenchWindow bw;
    TMDIChild& w = *bw.w;
    bw.frame.Options.UndoDepth = 3;
    for (int i = 0; i < 4; ++i) w.MakeCopyForUndo("Input");
    for (auto _ : state) w.MakeCopyForUndo("Input");
    state.counters["copies"] = double(w.UndoCopies.size());
}
BENCHMARK(BM_UndoSnapshotAtDepth)->Unit(benchmark::kMillisecond);

// One undo and the redo that comes back: stores "Original", restores twice.
void BM_UndoRedo(benchmark::State& state)
{
    BenchWindow bw;
    TMDIChild& w = *bw.w;
    w.MakeCopyForUndo("Input");
    w.Areas[0].Lines[0].Chars.pop_back();
    for (auto _ : state) {
        w.RestoreCopyFromUndo(0);
        w.RestoreBeforeRestoreCopyFromUndo(0);
    }
}
BENCHMARK(BM_UndoRedo)->Unit(benchmark::kMillisecond);

} // namespace
