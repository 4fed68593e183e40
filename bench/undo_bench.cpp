// Cost of whole-document undo snapshots on a long document: some 300 pages
// of plain paragraphs, about a million characters, as layout leaves them.
//
// Target: a snapshot under 50 ms, also the first one into memory the process
// has never touched (page faults are most of its cost), and a snapshot's
// memory no more than twice the document's own. doc_MB counts what the
// document's arrays hold allocated, doc_used_MB what its text fills;
// snapshot_malloc_MB is what the heap grew by for one snapshot.

#include "bench/BenchDocuments.h"

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <sys/resource.h>

#include <string>

using namespace quillet;
using quillet::bench::LongDocument;

namespace {

LongDocument& document()
{
    static LongDocument doc({.OnePage = false, .Seed = 12345});
    return doc;
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
    if (!c.hasExtra()) return 0;
    size_t n = sizeof(CharExtra) + heapBytes(c.FieldResult()) + heapBytes(c.FieldCode());
    if (c.ParaCopy()) n += sizeof(AbsatzFormat) + heapBytes(*c.ParaCopy());
    return n;
}

template <class Areas>
size_t heapBytes(const Areas& areas)
{
    size_t n = 0;
    if constexpr (requires { areas.capacity(); })
        n = areas.capacity() * sizeof(TextArea);
    else
        n = areas.size() * (sizeof(TextArea) + sizeof(SnapshotAreas::Ptr));
    for (const TextArea& a : areas) {
        n += a.Lines.capacity() * sizeof(TextLine);
        for (const TextLine& l : a.Lines) {
            n += l.Chars.capacity() * sizeof(TextChar) + heapBytes(*l.Para);
            for (const TextChar& c : l.Chars) n += heapBytes(c);
        }
    }
    return n;
}

// The bytes a document's text takes, without the spare room its arrays
// keep (lines broken off a paragraph keep the paragraph's capacity).
size_t usedBytes(const std::vector<TextArea>& areas)
{
    size_t n = areas.size() * sizeof(TextArea);
    for (const TextArea& a : areas) {
        n += a.Lines.size() * sizeof(TextLine);
        for (const TextLine& l : a.Lines) {
            n += l.Chars.size() * sizeof(TextChar) + heapBytes(*l.Para);
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

long minorFaults()
{
    struct rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_minflt;
}

constexpr double kMB = 1024.0 * 1024.0;

void report(benchmark::State& state, const LongDocument& d)
{
    state.counters["chars"] = double(charCount(d.w.Areas));
    state.counters["pages"] = d.pages();
}

// One snapshot into an empty undo list, into fresh memory: everything the
// last snapshot used is handed back to the system first, so every page the
// copy writes is faulted in anew (faults_per_snapshot shows it).
void BM_UndoSnapshot(benchmark::State& state)
{
    LongDocument& d = document();
    TMDIChild& w = d.w;
    w.FreeAllUndoCops();
    const size_t docBytes = heapBytes(w.Areas);
    const size_t docUsed = usedBytes(w.Areas);
    size_t heapDelta = 0;
    long faults = 0;
    for (auto _ : state) {
        state.PauseTiming();
        w.FreeAllUndoCops();
        malloc_trim(0);
        const size_t before = mallocInUse();
        const long faultsBefore = minorFaults();
        state.ResumeTiming();
        w.MakeCopyForUndo("Input");
        state.PauseTiming();
        faults = minorFaults() - faultsBefore;
        heapDelta = mallocInUse() - before;
        state.ResumeTiming();
    }
    const size_t snapBytes = heapBytes(w.UndoCopies.back().Areas);
    w.FreeAllUndoCops();
    report(state, d);
    state.counters["doc_MB"] = double(docBytes) / kMB;
    state.counters["snapshot_MB"] = double(snapBytes) / kMB;
    state.counters["snapshot_malloc_MB"] = double(heapDelta) / kMB;
    state.counters["doc_used_MB"] = double(docUsed) / kMB;
    state.counters["snapshot_per_doc"] = double(heapDelta) / double(docBytes);
    state.counters["snapshot_per_doc_used"] = double(heapDelta) / double(docUsed);
    state.counters["faults_per_snapshot"] = double(faults);
}
BENCHMARK(BM_UndoSnapshot)->Unit(benchmark::kMillisecond)->UseRealTime();

// Steady editing at the depth limit: each snapshot refills the storage of
// the copy it drops.
void BM_UndoSnapshotAtDepth(benchmark::State& state)
{
    LongDocument& d = document();
    TMDIChild& w = d.w;
    w.FreeAllUndoCops();
    const int32_t depth = d.frame.Options.UndoDepth;
    d.frame.Options.UndoDepth = 3;
    for (int i = 0; i < 4; ++i) w.MakeCopyForUndo("Input");
    for (auto _ : state) w.MakeCopyForUndo("Input");
    state.counters["copies"] = double(w.UndoCopies.size());
    d.frame.Options.UndoDepth = depth;
    w.FreeAllUndoCops();
    report(state, d);
}
BENCHMARK(BM_UndoSnapshotAtDepth)->Unit(benchmark::kMillisecond)->UseRealTime();

// One undo and the redo that comes back: stores "Original", restores twice.
void BM_UndoRedo(benchmark::State& state)
{
    LongDocument& d = document();
    TMDIChild& w = d.w;
    w.FreeAllUndoCops();
    w.MakeCopyForUndo("Input");
    TextLine& line = w.Areas[0].Lines[0];
    const TextChar removed = line.Chars.back();
    line.Chars.pop_back();
    for (auto _ : state) {
        w.RestoreCopyFromUndo(0);
        w.RestoreBeforeRestoreCopyFromUndo(0);
    }
    w.Areas[0].Lines[0].Chars.push_back(removed);
    w.FreeAllUndoCops();
    report(state, d);
}
BENCHMARK(BM_UndoRedo)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
