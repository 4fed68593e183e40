// libFuzzer entry for the private clipboard stream's reader (see
// tests/fuzz/CMakeLists.txt). Seeds: streams copied from small documents
// (text, a table row, a footnote, a picture, a text frame).

#include "engine/ClipboardStream.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

using namespace quillet;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<uint8_t> bytes(data, data + size);
    const std::optional<ClipFragment> f = ReadClipStream(bytes);
    if (!f) return 0;

    // Every index a character holds names something in the fragment, and
    // each reference has its footnote area.
    size_t refs = 0;
    auto checkLine = [&](const TextLine& l) {
        for (const TextChar& c : l.Chars) {
            if (c.FontIndex() < 0 || size_t(c.FontIndex()) >= f->Fonts.size()) std::abort();
            if (c.Kind == ckPicture && (c.PictureIndex() >= f->Pictures.size() || !dibUsable(f->Pictures[c.PictureIndex()])))
                std::abort();
            refs += c.Kind == ckFootnoteRef;
        }
    };
    for (const ClipFragment::Line& l : f->Lines) checkLine(l.Text);
    for (const TextArea& a : f->Areas)
        for (const TextLine& l : a.Lines) checkLine(l);
    if (refs != f->Footnotes.size()) std::abort();

    // What was read writes back to a stream that reads again the same.
    const std::vector<uint8_t> again = WriteClipStream(*f);
    const std::optional<ClipFragment> g = ReadClipStream(again);
    if (!g || WriteClipStream(*g) != again) std::abort();
    return 0;
}
