// libFuzzer entry for the native document reader (see tests/fuzz/CMakeLists.txt).
// A good seed corpus: the files written by the native format tests and
// the program folder's normal.qdm.

#include "formats/NativeFormat.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const quillet::NativeReadResult r = quillet::readNativeDocument(data, size);
    if (r.ok) {
        // The reader promises links and indexes inside their arrays.
        const auto& areas = r.doc.Areas;
        const int32_t n = int32_t(areas.size());
        if (n < 1) std::abort();
        int32_t bodies = 0;
        for (const quillet::TextArea& a : areas) bodies += a.AreaType == quillet::atPageBody ? 1 : 0;
        if (r.doc.ZoomPercent < 10 || r.doc.ZoomPercent > 250) std::abort();
        for (const quillet::TextArea& a : areas) {
            if (a.NextInFlow < -1 || a.NextInFlow >= n || a.PrevInFlow < -1 || a.PrevInFlow >= n) std::abort();
            if (a.AreaType > quillet::atGraphic || a.PageIndex < 0 || a.PageIndex >= std::max(bodies, 1)) std::abort();
            for (const quillet::TextLine& l : a.Lines) {
                if (l.CellsPerRow < 1 || l.CellIndex < 0 || l.CellIndex >= l.CellsPerRow) std::abort();
                if (l.CellsPerRow > a.LineCount()) std::abort();
                for (const quillet::TextChar& c : l.Chars)
                    if (c.FontIndex < 0 || size_t(c.FontIndex) >= r.doc.Fonts.size()) std::abort();
            }
        }
    }
    return 0;
}
