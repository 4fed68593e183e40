// Whole-document undo. Before every editing command the window takes a
// snapshot of its complete text; undo and redo copy a snapshot back. There
// are no per-operation inverse actions, so any edit is undoable as long as it
// takes its snapshot first. A snapshot shares every area that is unchanged
// since the snapshot before it, so its cost follows what the last command
// changed, not the length of the document.
//
// UndoCopies[0..UndoPos-1] lie behind the current state, the rest before it.
// After an undo, UndoCopies[UndoPos] holds the document as it now stands (its
// label names the command a redo repeats) and the last copy is the "Original"
// state taken by the first undo.

#include "engine/AreaCopy.h"
#include "engine/Childwin.h"
#include "platform/WorkerPool.h"

#include <algorithm>
#include <vector>

namespace quillet {

namespace {

constexpr std::string_view kOriginalLabel = "Original";
constexpr size_t kMaxLabelLength = 255;
constexpr int32_t kMinUndoDepth = 1;
constexpr int32_t kMaxUndoDepth = 1000;

// The first snapshot of a long document is mostly first touches of fresh
// memory (the kernel zeroing and mapping pages one fault at a time), not
// copying, and later ones compare every area against the snapshot before.
// Both proceed side by side on a few threads of the pool, each taking runs
// of areas of about equal weight. Short documents are done on the calling
// thread: waking a thread costs more than it saves below a few tens of
// thousands of characters.
constexpr size_t kCharsPerThread = 48 * 1024;
// The runs threads take one at a time.
constexpr size_t kCharsPerRun = 16 * 1024;
constexpr size_t kMaxRuns = 256;
// Comparing, and copying the part of the text a command changed, read and
// write memory already in place and wait on it more than they compute; with
// threads that are already running and runs taken in turn, eight still pay.
constexpr unsigned kMaxThreads = 8;
// What a line costs besides its characters, counted in characters.
constexpr size_t kLineWeight = 8;

size_t areaWeight(const TextArea& a)
{
    size_t w = 1;
    for (const TextLine& l : a.Lines) w += l.Chars.size() + kLineWeight;
    return w;
}

// Runs work(from, to) over consecutive runs of [0, weights.size()) that
// cover it, shared out among a few threads of the pool when the total
// weight asks for it. The runs are several times more than the threads, and
// each thread takes the next one free, so a thread the machine is too busy
// to run holds up no more than the run it has in hand. The first failure is
// thrown again once every run has ended.
template <class Work>
void forAreaRuns(const std::vector<size_t>& weights, Work work)
{
    size_t total = 0;
    for (size_t w : weights) total += w;
    const size_t threads = std::min<size_t>(total / kCharsPerThread, kMaxThreads);
    if (threads < 2 || weights.size() < 2) {
        work(size_t(0), weights.size());
        return;
    }
    const size_t wanted = std::clamp<size_t>(total / kCharsPerRun, threads, kMaxRuns);

    std::vector<size_t> cuts{0};
    size_t sum = 0;
    for (size_t i = 0; i < weights.size() && cuts.size() < wanted; ++i) {
        sum += weights[i];
        if (sum >= total / wanted * cuts.size()) cuts.push_back(i + 1);
    }
    if (cuts.back() != weights.size()) cuts.push_back(weights.size());
    parallelFor(cuts.size() - 1, unsigned(threads - 1), [&](size_t r) { work(cuts[r], cuts[r + 1]); });
}

std::vector<size_t> weightsOf(const std::vector<TextArea>& areas)
{
    std::vector<size_t> weights;
    weights.reserve(areas.size());
    for (const TextArea& a : areas) weights.push_back(areaWeight(a));
    return weights;
}

// Area i of the first dropped snapshot that holds one no other snapshot
// shares, taken out of it (else null): a changed area is copied into the
// spare of its own index where there is one. On a long document most of a
// fresh copy's cost is in touching new memory, and the spare of the same
// index has nearly the right shape. Runs on the thread that owns index i:
// an area is shared only at its own index, so no other thread touches it.
SnapshotAreas::Ptr takeSpare(std::vector<SnapshotAreas>& dropped, size_t i)
{
    for (SnapshotAreas& s : dropped)
        if (i < s.size())
            if (SnapshotAreas::Ptr p = s.takeIfUnshared(i)) return p;
    return nullptr;
}

// A snapshot of `areas`: each area equal to the same area of one of
// `bases` is shared with it, every other one copied, into the spare of its
// index among the areas of `dropped` that nothing shares where there is one.
SnapshotAreas takeSnapshot(const std::vector<TextArea>& areas, const std::vector<const SnapshotAreas*>& bases,
                           std::vector<SnapshotAreas>& dropped)
{
    std::vector<SnapshotAreas::Ptr> items(areas.size());
    // Each area is compared and, where no base has it, copied right away,
    // while what the comparison read of it is still at hand. Only the first
    // snapshot copies the whole text, into fresh memory whose first touches
    // the threads share; later ones copy what changed.
    forAreaRuns(weightsOf(areas), [&](size_t from, size_t to) {
        for (size_t i = from; i < to; ++i) {
            for (const SnapshotAreas* base : bases)
                if (i < base->size() && sameArea((*base)[i], areas[i])) {
                    items[i] = std::const_pointer_cast<TextArea>(base->shared(i));
                    break;
                }
            if (items[i]) continue;
            // A dropped base at this index is done with once compared.
            if (SnapshotAreas::Ptr spare = takeSpare(dropped, i)) {
                copyArea(*spare, areas[i]);
                items[i] = std::move(spare);
            } else {
                items[i] = std::make_shared<TextArea>(areas[i]);
            }
        }
    });
    SnapshotAreas snapshot;
    snapshot.reserve(items.size());
    for (SnapshotAreas::Ptr& p : items) snapshot.push_back(std::move(p));
    return snapshot;
}

// areas := snapshot. Areas already equal are left alone, and the others are
// assigned over, reusing their storage: on a long document an undo mostly
// finds the pages it did not touch as they were.
void restoreSnapshot(std::vector<TextArea>& areas, const SnapshotAreas& snapshot)
{
    areas.resize(snapshot.size());
    std::vector<size_t> weights(snapshot.size());
    for (size_t i = 0; i < snapshot.size(); ++i) weights[i] = areaWeight(snapshot[i]);
    forAreaRuns(weights, [&](size_t from, size_t to) {
        for (size_t i = from; i < to; ++i)
            if (!sameArea(areas[i], snapshot[i])) copyArea(areas[i], snapshot[i]);
    });
}

} // namespace

void TMDIChild::MakeCopyForUndo(std::string_view label)
{
    const bool wasEmpty = UndoCopies.empty();
    SetFileChanged(true);
    // The next typed key must start a snapshot of its own.
    TypingRun = 0;

    const int32_t count = static_cast<int32_t>(UndoCopies.size());
    UndoPos = std::clamp(UndoPos, 0, count);
    // A new edit makes the redo tail meaningless.
    std::vector<SnapshotAreas> dropped;
    for (int32_t i = UndoPos; i < count; ++i) dropped.push_back(std::move(UndoCopies[size_t(i)].Areas));
    const bool recentDropped = !dropped.empty();
    UndoCopies.erase(UndoCopies.begin() + UndoPos, UndoCopies.end());

    // The undo state taken by the first undo must not push an edit out: it is
    // dropped again by the redo that reaches it. The depth comes from the
    // settings; a lowered depth trims down to it at the next edit.
    if (label != kOriginalLabel) {
        const int32_t depth = std::clamp(Frame.Options.UndoDepth, kMinUndoDepth, kMaxUndoDepth);
        if (UndoPos > depth) {
            const int32_t excess = UndoPos - depth;
            for (int32_t i = 0; i < excess; ++i) dropped.push_back(std::move(UndoCopies[size_t(i)].Areas));
            UndoCopies.erase(UndoCopies.begin(), UndoCopies.begin() + excess);
            UndoPos -= excess;
        }
    }

    UndoCopy copy;
    copy.Label = std::string(label.substr(0, kMaxLabelLength));
    // After an undo the dropped copy at the undo position is the text as it
    // stands, so it shares best; the last kept copy comes next.
    std::vector<const SnapshotAreas*> bases;
    if (!dropped.empty() && recentDropped) bases.push_back(&dropped.front());
    if (!UndoCopies.empty()) bases.push_back(&UndoCopies.back().Areas);
    copy.Areas = takeSnapshot(Areas, bases, dropped);
    copy.Anchor = Anchor;
    copy.Cursor = Cursor;
    copy.CurrentPage = CurrentPage;
    copy.FontState = FontState;
    UndoCopies.push_back(std::move(copy));
    ++UndoPos;

    SetUndoHints();
    if (wasEmpty) FreeBildInListeIfNotNeeded();
}

void TMDIChild::RestoreCopyFromUndo(int32_t k)
{
    if (k >= 0 && k < UndoPos) {
        if (UndoPos == static_cast<int32_t>(UndoCopies.size())) {
            // Keep the state being left so that redo can come back to it.
            MakeCopyForUndo(kOriginalLabel);
            --UndoPos;
        }
        UndoPos -= k + 1;
        RestoreCopyNrFromUndo(UndoPos);
        Host->restartTimer2();
        ScrollCursorinView();
    }
    SetUndoHints();
}

void TMDIChild::RestoreBeforeRestoreCopyFromUndo(int32_t k)
{
    const int32_t count = static_cast<int32_t>(UndoCopies.size());
    if (k >= 0 && UndoPos < count - k - 1) {
        UndoPos += k + 1;
        RestoreCopyNrFromUndo(UndoPos);
        if (UndoPos >= count - 1) {
            // Back at the "Original" state: that copy has served its purpose.
            UndoCopies.erase(UndoCopies.begin() + UndoPos, UndoCopies.end());
        }
        Host->restartTimer2();
        ScrollCursorinView();
    }
    SetUndoHints();
}

void TMDIChild::RestoreCopyNrFromUndo(int32_t i)
{
    if (i < 0 || i >= static_cast<int32_t>(UndoCopies.size())) return;
    UndoCopy& copy = UndoCopies[static_cast<size_t>(i)];
    // A value copy: the snapshot stays intact for a later redo.
    restoreSnapshot(Areas, copy.Areas);
    Anchor = copy.Anchor;
    Cursor = copy.Cursor;
    CurrentPage = std::max(copy.CurrentPage, 0);
    FontState = copy.FontState;
    // A run open across the restore would let the next keys edit the
    // restored text without a snapshot of their own.
    TypingRun = 0;
    // The copy's positions were valid when it was taken; walks registered
    // since then may point anywhere in the new text.
    ClampPositions();
    // The toolbar shows the restored format. (Taking the format from the
    // text at the caret instead would lose the one the snapshot holds.)
    SmallOvertakeFont();
}

void TMDIChild::FreeUndoCopy(int32_t i)
{
    if (i < 0 || i >= static_cast<int32_t>(UndoCopies.size())) return;
    UndoCopies[static_cast<size_t>(i)].Areas.clear();
}

void TMDIChild::FreeAllUndoCops()
{
    std::vector<UndoCopy>().swap(UndoCopies);
    UndoPos = 0;
    SetUndoHints();
}

void TMDIChild::SetUndoHints()
{
    const int32_t count = static_cast<int32_t>(UndoCopies.size());
    const int32_t pos = std::clamp(UndoPos, 0, count);
    std::vector<std::string> undo;
    std::vector<std::string> redo;
    undo.reserve(static_cast<size_t>(pos));
    for (int32_t i = pos - 1; i >= 0; --i) undo.push_back(UndoCopies[static_cast<size_t>(i)].Label);
    // The last copy is the "Original" state itself, which is the target of
    // the last redo, not a command to repeat.
    for (int32_t i = pos; i < count - 1; ++i) redo.push_back(UndoCopies[static_cast<size_t>(i)].Label);
    Ui->setUndoHints(undo, redo);
}

} // namespace quillet
