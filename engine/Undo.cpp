// Whole-document undo. Before every editing command the window copies its
// complete text into a snapshot; undo and redo copy a snapshot back. There
// are no per-operation inverse actions, so any edit is undoable as long as it
// takes its snapshot first.
//
// UndoCopies[0..UndoPos-1] lie behind the current state, the rest before it.
// After an undo, UndoCopies[UndoPos] holds the document as it now stands (its
// label names the command a redo repeats) and the last copy is the "Original"
// state taken by the first undo.

#include "engine/Childwin.h"

#include <algorithm>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace quillet {

namespace {

constexpr std::string_view kOriginalLabel = "Original";
constexpr size_t kMaxLabelLength = 255;
constexpr int32_t kMinUndoDepth = 1;
constexpr int32_t kMaxUndoDepth = 1000;

// A snapshot of a long document is mostly first touches of fresh memory
// (the kernel zeroing and mapping pages one fault at a time), not copying.
// Faults on different threads proceed side by side, so a long document is
// copied by a few threads at once, each taking a run of lines of about equal
// weight. Short documents are copied on the calling thread: starting a
// thread costs more than it saves below a few tens of thousands of
// characters.
constexpr size_t kCharsPerCopyThread = 48 * 1024;
constexpr unsigned kMaxCopyThreads = 8;
// What a line costs besides its characters, counted in characters.
constexpr size_t kLineWeight = 8;

struct LineRef {
    size_t Area = 0;
    size_t Line = 0;
    friend bool operator==(const LineRef&, const LineRef&) = default;
};

// dst := src for every field but the lines, keeping dst's line storage for
// reuse. src's lines are lent out for the moment of the assignment so that
// they are not copied along.
void assignAreaShell(TextArea& dst, TextArea& src)
{
    std::vector<TextLine> keep = std::move(dst.Lines);
    std::vector<TextLine> lent = std::move(src.Lines);
    dst = src;  // both line arrays are empty: nothing allocated, nothing thrown
    src.Lines = std::move(lent);
    dst.Lines = std::move(keep);
}

// Copies the lines from `from` up to (not including) `to`, in document order.
void copyLineRange(std::vector<TextArea>& dst, const std::vector<TextArea>& src, LineRef from, LineRef to)
{
    LineRef at = from;
    while (!(at == to) && at.Area < src.size()) {
        const std::vector<TextLine>& lines = src[at.Area].Lines;
        const size_t end = at.Area == to.Area ? to.Line : lines.size();
        std::vector<TextLine>& out = dst[at.Area].Lines;
        for (size_t l = at.Line; l < end; ++l) out[l] = lines[l];
        if (at.Area == to.Area) break;
        at = LineRef{at.Area + 1, 0};
    }
}

// dst := src, equal afterwards in every field; dst's storage (areas, lines,
// character arrays) is refilled where it has room. src is only read; its
// line arrays are lent out while the area records are assigned.
void copyAreas(std::vector<TextArea>& dst, std::vector<TextArea>& src)
{
    size_t weight = 0;
    for (const TextArea& a : src)
        for (const TextLine& l : a.Lines) weight += l.Chars.size() + kLineWeight;

    size_t wanted = weight / kCharsPerCopyThread;
    if (wanted >= 2) wanted = std::min<size_t>({wanted, std::thread::hardware_concurrency(), kMaxCopyThreads});
    if (wanted < 2) {
        dst = src;
        return;
    }

    dst.resize(src.size());
    for (size_t i = 0; i < src.size(); ++i) {
        assignAreaShell(dst[i], src[i]);
        dst[i].Lines.resize(src[i].Lines.size());
    }

    // Cut the document into `wanted` runs of lines of about equal weight.
    std::vector<LineRef> cuts{LineRef{0, 0}};
    {
        size_t sum = 0;
        for (size_t a = 0; a < src.size() && cuts.size() < wanted; ++a)
            for (size_t l = 0; l < src[a].Lines.size() && cuts.size() < wanted; ++l) {
                sum += src[a].Lines[l].Chars.size() + kLineWeight;
                if (sum >= weight / wanted * cuts.size()) cuts.push_back(LineRef{a, l + 1});
            }
        cuts.push_back(LineRef{src.size(), 0});
    }

    const size_t runs = cuts.size() - 1;
    std::vector<std::exception_ptr> failures(runs);
    std::vector<std::thread> threads;
    threads.reserve(runs);
    auto work = [&](size_t run) {
        try {
            copyLineRange(dst, src, cuts[run], cuts[run + 1]);
        } catch (...) {
            failures[run] = std::current_exception();
        }
    };
    for (size_t run = 1; run < runs; ++run) {
        try {
            threads.emplace_back(work, run);
        } catch (const std::system_error&) {
            work(run);  // no thread to be had: this one does the run itself
        }
    }
    work(0);
    for (std::thread& t : threads) t.join();
    for (const std::exception_ptr& e : failures)
        if (e) std::rethrow_exception(e);
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
    // The text of a dropped copy is refilled in place rather than freed and
    // allocated anew: on a long document most of a snapshot's cost is in
    // touching fresh memory, and a dropped copy has nearly the right shape.
    std::vector<TextArea> recycled;
    // A new edit makes the redo tail meaningless.
    if (UndoPos < count) recycled = std::move(UndoCopies[static_cast<size_t>(UndoPos)].Areas);
    UndoCopies.erase(UndoCopies.begin() + UndoPos, UndoCopies.end());

    // The undo state taken by the first undo must not push an edit out: it is
    // dropped again by the redo that reaches it. The depth comes from the
    // settings; a lowered depth trims down to it at the next edit.
    if (label != kOriginalLabel) {
        const int32_t depth = std::clamp(Frame.Options.UndoDepth, kMinUndoDepth, kMaxUndoDepth);
        if (UndoPos > depth) {
            const int32_t excess = UndoPos - depth;
            if (recycled.empty()) recycled = std::move(UndoCopies.front().Areas);
            UndoCopies.erase(UndoCopies.begin(), UndoCopies.begin() + excess);
            UndoPos -= excess;
        }
    }

    UndoCopy& copy = UndoCopies.emplace_back();
    copy.Label = std::string(label.substr(0, kMaxLabelLength));
    copy.Areas = std::move(recycled);
    copyAreas(copy.Areas, Areas);
    copy.Anchor = Anchor;
    copy.Cursor = Cursor;
    copy.CurrentPage = CurrentPage;
    copy.FontState = FontState;
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
    // A value copy: the snapshot stays intact for a later redo. Assigning
    // over the current text replaces it completely and reuses its storage,
    // which on a long document is most of the cost of a fresh copy.
    copyAreas(Areas, copy.Areas);
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
    std::vector<TextArea>().swap(UndoCopies[static_cast<size_t>(i)].Areas);
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
