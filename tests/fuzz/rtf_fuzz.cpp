// libFuzzer entry for the RTF reader (see tests/fuzz/CMakeLists.txt). The
// document it builds must hold together, lay out, and come back the same
// through the writer.

#include "engine/Childwin.h"
#include "formats/StandardServices.h"
#include "formats/rtf/Rtf.h"

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

void checkDocument(const TMDIChild& w)
{
    check(!w.Areas.empty());
    for (const TextArea& a : w.Areas) {
        for (double v : {a.Left, a.Top, a.Right, a.Bottom, a.InnerLeft, a.InnerTop, a.InnerRight, a.InnerBottom})
            check(std::isfinite(v) && std::fabs(v) <= 100000);
        for (const TextLine& l : a.Lines) {
            check(l.CellsPerRow >= 1 && l.CellsPerRow <= kMaxCellsPerRow);
            check(l.CellIndex >= 0 && l.CellIndex < l.CellsPerRow);
            check(!l.IsCell || (std::isfinite(l.CellWidth) && l.CellWidth > 0));
            for (const TextChar& c : l.Chars) {
                check(c.FontIndex() >= 0 && size_t(c.FontIndex()) < w.Fonts.size());
                check(c.Kind != ckPicture || c.PictureIndex() < w.Pictures.size());
                check(std::isfinite(c.Width) && std::isfinite(c.Height()));
            }
        }
    }
    check(w.Fonts.size() <= kRtfMaxFonts + 64);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Longer inputs reach nothing short ones do not; the replayed program
    // folder holds large files of other kinds.
    if (size > (size_t(1) << 16)) return 0;
    static FrameState frame = StandardFrameState();
    TMDIChild w(frame);
    const int32_t result = ReadRtfFile(w, data, size);
    check(result >= rtfOk && result <= rtfNotRtf);
    checkDocument(w);
    if (result != rtfOk && result != rtfUnclosed) return 0;
    // What we write of it we read again, to the same text.
    const std::string image = WriteRtfFile(w);
    TMDIChild again(frame);
    check(ReadRtfFile(again, reinterpret_cast<const uint8_t*>(image.data()), image.size()) == rtfOk);
    checkDocument(again);
    check(again.Areas[0].Lines.size() == w.Areas[0].Lines.size());
    // Pictures too large for a metafile are left out of the file; every
    // other character comes back.
    auto kept = [](const TextLine& l) {
        size_t n = 0;
        for (const TextChar& c : l.Chars) n += c.Kind != ckPicture ? 1 : 0;
        return n;
    };
    for (size_t i = 0; i < w.Areas[0].Lines.size(); ++i) check(kept(again.Areas[0].Lines[i]) == kept(w.Areas[0].Lines[i]));
    w.Anchor = w.Cursor = TextPos{};
    w.CompleteRefresh();
    return 0;
}
