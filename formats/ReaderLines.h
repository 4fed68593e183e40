#pragma once
// What the file readers share when they build a document's lines.

#include "engine/Childwin.h"
#include "engine/DocWalk.h"

namespace quillet {

// Ends the line at the window's cursor as a reader does: the rest of the
// line goes onto a fresh, clean line marked for layout; a manual line break
// stays inside its paragraph and keeps its format.
inline void readerBreakLine(TMDIChild& w, int32_t endKind)
{
    TextPos& c = w.Cursor;
    const TextLine* l = lineAt(w, c);
    if (!l) return;
    const SharedPara keep = l->Para;
    w.InsertEnterOnThatPos(c.Area, c.Line, endKind, c.Char);
    if (TextLine* fresh = lineAt(w, c)) {
        InitNewLine(w.Areas[size_t(c.Area)].Lines, c.Line);
        if (endKind == ekLineBreak) fresh->Para = keep;
        fresh->Dirty = 1;
    }
}

} // namespace quillet
