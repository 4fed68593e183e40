#pragma once
// Footnotes as the file readers make them: a reference mark at the cursor
// and a footnote area, starting with the footnote's own number, for the
// footnote's text.

#include "engine/Childwin.h"
#include "engine/DocWalk.h"

#include <string>

namespace quillet {

// Ids live in 16-bit character fields.
inline constexpr int32_t kReaderMaxFootnotes = 65535;

// Appends a footnote area for footnote `id`, placed and drawn as footnote
// areas are, with one empty line; the area's index, or -1 when no area
// could be made.
inline int32_t readerNewFootnoteArea(TMDIChild& w, int32_t id)
{
    w.NewPage(true);
    const int32_t fa = w.AreaCount() - 1;
    if (fa < 1) return -1;
    TextArea& a = w.Areas[size_t(fa)];
    a.Left = a.Right = 0;
    a.AnchorRight = 1;
    a.Top = 29.5;
    a.Bottom = 24.5;
    a.AnchorTopToBottom = 1;
    a.AnchorBottom = 1;
    a.InnerLeft = w.Areas[0].InnerLeft;
    a.InnerRight = w.Areas[0].InnerRight;
    a.InnerTop = a.InnerBottom = 0;
    a.AreaType = atFooter;
    a.FootnoteNumber = id;
    a.PageIndex = 0;
    a.PageMode = 0;
    SetStandardAreaLook(a);
    a.WrapMode = 0;
    if (a.Lines.empty()) w.InsertNewLine(fa, 0);
    return fa;
}

// Appends a footnote area for footnote `id` and puts its number in it;
// the area's index, or -1 when no area could be made.
inline int32_t readerFootnoteArea(TMDIChild& w, int32_t id)
{
    const TextPos keep = w.Cursor;
    const int32_t fa = readerNewFootnoteArea(w, id);
    if (fa < 0) return -1;
    TextLine& first = w.Areas[size_t(fa)].Lines[0];
    TextChar own;
    own.Kind = ckFootnoteNumber;
    own.Code = '1';
    own.setFootnoteId(uint16_t(id));
    own.setShownNumber(uint16_t(id));
    w.RenderChar(own, true, std::to_string(id));
    first.Chars.insert(first.Chars.begin(), std::move(own));
    first.Dirty = 1;
    w.Cursor = keep;
    return fa;
}

} // namespace quillet
