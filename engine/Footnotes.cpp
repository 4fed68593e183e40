// Footnotes: a reference mark in the text and a footnote area whose first
// character is the footnote's own number. Both carry the footnote's id; the
// numbers shown are given by the layout pass, which also places the areas.

#include "engine/Childwin.h"

#include <string>

namespace quillet {

namespace {

// Ids live in 16-bit character fields: no id is given out beyond this.
constexpr int32_t kMaxFootnoteId = 65535;

// Whether NewChar can make a character at `p`.
bool charFitsAt(const std::vector<TextArea>& areas, const TextPos& p)
{
    if (p.Area < 0 || size_t(p.Area) >= areas.size()) return false;
    const TextArea& a = areas[size_t(p.Area)];
    if (p.Line < 0 || p.Line > a.LineCount()) return false;
    const int32_t chars = p.Line < a.LineCount() ? a.Lines[size_t(p.Line)].CharCount() : 0;
    return p.Char >= 0 && p.Char <= chars;
}

} // namespace

void TMDIChild::FussnoteEinfuegen()
{
    if (FootnoteCounter < 0 || FootnoteCounter >= kMaxFootnoteId) return;

    // The mark goes after the selection, which stays as it is.
    TextPos at = Cursor;
    if (isThereAmarking()) {
        FindMarkingStart();
        at = MarkingEnd;
    }
    if (!charFitsAt(Areas, at)) return;
    // A footnote cannot have footnotes of its own.
    const TextArea& here = Areas[size_t(at.Area)];
    if (here.AreaType == atFooter && here.FootnoteNumber > 0) return;
    const int32_t page = here.PageMode == 0 ? here.PageIndex : CurrentPage;

    MakeCopyForUndo("Insert foot note");
    const int32_t id = ++FootnoteCounter;
    const std::string number = std::to_string(id);
    TypingRun = 0;
    CaretAtLineEnd = 0;
    Cursor = at;

    NewPage(true);
    const int32_t fa = AreaCount() - 1;
    {
        TextArea& a = Areas[size_t(fa)];
        a.Left = 0;
        a.Right = 0;
        a.AnchorRight = 1;
        a.Top = 29.5;
        a.Bottom = 24.5;
        a.AnchorTopToBottom = 1;
        a.AnchorBottom = 1;
        a.InnerLeft = Areas[0].InnerLeft;
        a.InnerRight = Areas[0].InnerRight;
        a.InnerTop = 0;
        a.InnerBottom = 0;
        a.AreaType = atFooter;
        a.FootnoteNumber = id;
        a.PageIndex = page;
        a.PageMode = 0;
        SetStandardAreaLook(a);
        a.WrapMode = 0;
    }

    if (TextChar* ref = NewChar()) {
        ref->Kind = ckFootnoteRef;
        ref->Code = '1';
        ref->setFootnoteId(uint16_t(id));
        ref->setShownNumber(uint16_t(id));
        RenderChar(*ref, true, number);
        Areas[size_t(at.Area)].Lines[size_t(at.Line)].Dirty = 1;
        PositionsCharsInserted(at.Area, at.Line, at.Char, 1);
    }

    Areas[size_t(fa)].Lines[0].Dirty = 1;
    Cursor = TextPos{fa, 0, 0};
    if (TextChar* own = NewChar()) {
        own->Kind = ckFootnoteNumber;
        own->Code = '1';
        own->setFootnoteId(uint16_t(id));
        own->setShownNumber(uint16_t(id));
        RenderChar(*own, true, number);
    }
    Cursor.Char = 1;
    if (TextChar* space = NewChar()) {
        space->Code = ' ';
        RenderChar(*space, false, " ");
    }

    Cursor = TextPos{at.Area, at.Line, at.Char + 1};
    Anchor = Cursor;
    InvalidateMarking();
    RefreshDirtyContent();
}

int32_t TMDIChild::GetFootNoteField(int32_t id) const
{
    // Id 0 is no footnote: ordinary footers carry FootnoteNumber 0.
    if (id <= 0) return -1;
    int32_t found = -1;
    for (int32_t i = 0; i < AreaCount(); ++i) {
        const TextArea& a = Areas[size_t(i)];
        if (a.AreaType == atFooter && a.FootnoteNumber == id) found = i;
    }
    return found;
}

int32_t TMDIChild::GetFieldofPage(int32_t page) const
{
    int32_t found = 0;
    for (int32_t i = 0; i < AreaCount(); ++i) {
        const TextArea& a = Areas[size_t(i)];
        if (a.AreaType == atPageBody && a.PageIndex == page) found = i;
    }
    return found;
}

} // namespace quillet
