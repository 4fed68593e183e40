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

namespace quillet {

namespace {

constexpr std::string_view kOriginalLabel = "Original";
constexpr size_t kMaxLabelLength = 255;
constexpr int32_t kMinUndoDepth = 1;
constexpr int32_t kMaxUndoDepth = 1000;

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
    copy.Areas = Areas;
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
    const UndoCopy& copy = UndoCopies[static_cast<size_t>(i)];
    // A value copy: the snapshot stays intact for a later redo. Assigning
    // over the current text replaces it completely and reuses its storage,
    // which on a long document is most of the cost of a fresh copy.
    Areas = copy.Areas;
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
