// libFuzzer entry for the Word 97 reader (see tests/fuzz/CMakeLists.txt).
// An input that starts like a compound file is read as one. Any other input
// is split into the main and table streams (a 4-byte length of the main
// stream first) and wrapped in a compound file here, so that the fuzzer
// spends its time on the header, the piece table and the text rather than
// on the container.

#include "engine/Childwin.h"
#include "formats/StandardServices.h"
#include "formats/word/Word.h"

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-utils.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using namespace quillet;

void check(bool promise)
{
    if (!promise) std::abort();
}

std::vector<uint8_t> wrap(const uint8_t* data, size_t size)
{
    uint32_t mainSize = 0;
    if (size >= 4) std::memcpy(&mainSize, data, 4);
    data += std::min<size_t>(size, 4);
    size -= std::min<size_t>(size, 4);
    mainSize = uint32_t(std::min<size_t>(mainSize, size));
    gsf_init();
    GsfOutput* mem = gsf_output_memory_new();
    GsfOutfile* root = gsf_outfile_msole_new(mem);
    const struct { const char* name; const uint8_t* bytes; size_t size; } streams[] = {
        {"WordDocument", data, mainSize}, {"0Table", data + mainSize, size - mainSize},
        {"1Table", data + mainSize, size - mainSize}};
    for (const auto& s : streams) {
        GsfOutput* child = gsf_outfile_new_child(root, s.name, FALSE);
        if (s.size) gsf_output_write(child, s.size, s.bytes);
        gsf_output_close(child);
        g_object_unref(child);
    }
    gsf_output_close(GSF_OUTPUT(root));
    g_object_unref(root);
    const guint8* out = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(mem));
    std::vector<uint8_t> file(out, out + gsf_output_size(mem));
    g_object_unref(mem);
    return file;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (size_t(1) << 18)) return 0;
    static FrameState frame = StandardFrameState();
    TMDIChild w(frame);
    w.NewPage(true);
    if (w.Areas[0].Lines.empty()) w.InsertNewLine(0, 0);
    static constexpr uint8_t kSignature[4] = {0xD0, 0xCF, 0x11, 0xE0};
    const bool compound = size >= 4 && std::memcmp(data, kSignature, 4) == 0;
    const std::vector<uint8_t> file = compound ? std::vector<uint8_t>(data, data + size) : wrap(data, size);
    const WordResult r = ReadWordFile(w, file);
    check(r == WordResult::Ok || !wordResultReason(r).empty());
    size_t chars = 0;
    for (const TextLine& l : w.Areas[0].Lines) {
        chars += l.Chars.size();
        for (const TextChar& c : l.Chars) {
            check(c.FontIndex() >= 0 && size_t(c.FontIndex()) < w.Fonts.size());
            check(std::isfinite(c.Width) && std::isfinite(c.Height()));
        }
    }
    // Every character comes from at least one byte of the main stream.
    check(chars + w.Areas[0].Lines.size() <= file.size() + 1);
    w.Anchor = w.Cursor = TextPos{};
    w.CompleteRefresh();
    return 0;
}
