// libFuzzer entry for the native document reader (see tests/fuzz/CMakeLists.txt).
// A good seed corpus: the files written by the native format tests and
// the program folder's normal.qdm. What the reader accepts is opened in a
// window and laid out, and an undo and redo around one edit of it must give
// back the same text and positions.

#include "engine/Childwin.h"
#include "formats/NativeFormat.h"
#include "formats/StandardServices.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

using namespace quillet;

void check(bool promise)
{
    if (!promise) std::abort();
}

// Lengths the reader let through stay finite and within a page's reach.
void checkLength(double v) { check(std::isfinite(v) && std::fabs(v) <= 10000); }

void checkFormat(const AbsatzFormat& f)
{
    for (double v : {f.LineSpacing, f.SpaceAbove, f.SpaceBelow, f.LeftIndent, f.RightIndent, f.FirstLineIndent,
                     f.ListIndent})
        checkLength(v);
    checkLength(f.DefaultTabStep);
    check(f.DefaultTabStep > 0);
    for (const TabStop& t : f.Tabs) checkLength(t.Position);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    NativeReadResult r = readNativeDocument(data, size);
    if (!r.ok) {
        // A refusal says where it stopped, inside the bytes it was given.
        check(r.errorOffset <= size);
        check(!r.error.empty());
        return 0;
    }
    const NativeDocument& d = r.doc;
    // The reader promises links, indexes and counts inside their arrays.
    const auto& areas = d.Areas;
    const int32_t n = int32_t(areas.size());
    check(n >= 1);
    check(d.ZoomPercent >= 10 && d.ZoomPercent <= 250);
    check(d.ZoomMode >= 0 && d.ZoomMode <= 2);
    check(d.DocLanguage == 0 || d.DocLanguage == 1);
    check(!d.HasPageSize || (std::isfinite(d.PageWidth) && d.PageWidth > 0 && std::isfinite(d.PageHeight) &&
                             d.PageHeight > 0));
    for (const FontEntry& f : d.Fonts) check(std::isfinite(f.Size) && f.Size > 0);
    for (const VorlageRecord& s : d.Vorlagen) {
        check(s.Sample.FontIndex() >= 0 && size_t(s.Sample.FontIndex()) < d.Fonts.size());
        checkFormat(s.Para);
    }
    for (const Dib& p : d.Pictures) {
        if (p.empty()) continue;
        check(p.Header.biWidth > 0 && p.Header.biHeight > 0 && p.BytesPerRow > 0);
        check(uint64_t(p.Header.biHeight) <= p.Bits.size() / uint64_t(p.BytesPerRow));
    }
    int32_t bodies = 0;
    for (const TextArea& a : areas) bodies += a.AreaType == atPageBody ? 1 : 0;
    check(d.CurrentPage >= 0 && d.CurrentPage < std::max(bodies, 1));
    for (int32_t i = 0; i < n; ++i) {
        const TextArea& a = areas[size_t(i)];
        check(a.NextInFlow >= -1 && a.NextInFlow < n && a.PrevInFlow >= -1 && a.PrevInFlow < n);
        // Links stand only when both ends agree, so no walk goes round.
        check(a.NextInFlow == -1 || areas[size_t(a.NextInFlow)].PrevInFlow == i);
        check(a.PrevInFlow == -1 || areas[size_t(a.PrevInFlow)].NextInFlow == i);
        check(a.AreaType <= atGraphic && a.PageIndex >= 0 && a.PageIndex < std::max(bodies, 1));
        for (double v : {a.Left, a.Top, a.Right, a.Bottom, a.InnerLeft, a.InnerTop, a.InnerRight, a.InnerBottom})
            checkLength(v);
        for (const TextLine& l : a.Lines) {
            // A row is held to the cell limit and to its area's lines, as
            // layout and painting spend time on every cell of it.
            check(l.CellsPerRow >= 1 && l.CellIndex >= 0 && l.CellIndex < l.CellsPerRow);
            check(l.CellsPerRow <= a.LineCount() && l.CellsPerRow <= kMaxCellsPerRow);
            check(l.IsCell || (l.CellsPerRow == 1 && l.CellIndex == 0));
            check(std::isfinite(l.CellWidth) && l.CellWidth > 0);
            checkLength(l.CellWidth);
            checkLength(l.CellInsetLeft);
            checkLength(l.CellInsetRight);
            checkLength(l.ColumnGap);
            checkFormat(l.Para);
            for (const TextChar& c : l.Chars) {
                check(c.Kind <= ckField);
                check(c.FontIndex() >= 0 && size_t(c.FontIndex()) < d.Fonts.size());
                checkLength(c.Width);
                checkLength(c.Height());
            }
        }
    }

    // Opened as the program opens it. Longer inputs reach nothing short ones
    // do not, and would only slow the runs down.
    if (size > (size_t(1) << 18)) return 0;
    static FrameState frame = StandardFrameState();
    TMDIChild w(frame);
    takeNativeDocument(w, std::move(r.doc));
    w.PageSetup(0);
    w.CompleteRefresh();
    // What undo keeps: the areas, the cursor and the page (the font table
    // only grows, and an edit may add to it).
    struct Kept {
        std::vector<TextArea> Areas;
        TextPos Anchor, Cursor;
        int32_t Page = 0;
    };
    auto keep = [&w] { return Kept{w.Areas, w.Anchor, w.Cursor, w.CurrentPage}; };
    // The records' own comparison, not the quick one undo itself uses.
    auto same = [&w](const Kept& k) {
        if (k.Areas.size() != w.Areas.size() || !(k.Anchor == w.Anchor) || !(k.Cursor == w.Cursor) ||
            k.Page != w.CurrentPage)
            return false;
        for (size_t i = 0; i < k.Areas.size(); ++i)
            if (!(k.Areas[i] == w.Areas[i])) return false;
        return true;
    };
    w.MakeCopyForUndo("Typing");
    const Kept opened = keep();
    w.InsertNewLine(0, 0);
    w.CompleteRefresh();
    const Kept edited = keep();
    w.RestoreCopyFromUndo(0);
    check(same(opened));
    w.RestoreBeforeRestoreCopyFromUndo(0);
    check(same(edited));
    w.CompleteRefresh();
    return 0;
}
