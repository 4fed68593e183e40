#include "tests/support/WordFiles.h"

#include "platform/ByteIO.h"

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-utils.h>

#include <cstring>

namespace quillet::test {

namespace {

void put32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}
void put16(std::vector<uint8_t>& b, size_t at, uint16_t v)
{
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}

size_t clxStart(const WordFileSpec& spec) { return spec.PropertyModifierFirst ? 5 : 0; }

} // namespace

std::vector<uint8_t> makeCompoundFile(const std::vector<std::pair<std::string, std::vector<uint8_t>>>& streams)
{
    gsf_init();
    GsfOutput* mem = gsf_output_memory_new();
    GsfOutfile* root = gsf_outfile_msole_new(mem);
    for (const auto& [name, bytes] : streams) {
        GsfOutput* child = gsf_outfile_new_child(root, name.c_str(), FALSE);
        if (!bytes.empty()) gsf_output_write(child, bytes.size(), bytes.data());
        gsf_output_close(child);
        g_object_unref(child);
    }
    gsf_output_close(GSF_OUTPUT(root));
    g_object_unref(root);
    const guint8* data = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(mem));
    std::vector<uint8_t> out(data, data + gsf_output_size(mem));
    g_object_unref(mem);
    return out;
}

size_t clxCpOffset(const WordFileSpec& spec, size_t i) { return clxStart(spec) + 5 + 4 * i; }
size_t clxFcOffset(const WordFileSpec& spec, size_t i)
{
    return clxStart(spec) + 5 + 4 * (spec.Pieces.size() + 1) + 8 * i + 2;
}

std::vector<uint8_t> makeWordFile(const WordFileSpec& spec)
{
    constexpr uint32_t fcMin = 1024;
    std::vector<uint8_t> main(fcMin, 0);
    put16(main, 0x00, 0xA5EC);
    put16(main, 0x02, spec.Nfib);
    put16(main, 0x0A, spec.Flags);
    put32(main, 0x18, fcMin);

    ByteWriter clx;
    if (spec.PropertyModifierFirst) {
        clx.u8(1);
        clx.u16(2);
        clx.u16(0x0808);
    }
    std::vector<uint32_t> fcs;
    int32_t cp = 0;
    std::vector<int32_t> cps{0};
    for (const WordPiece& p : spec.Pieces) {
        const uint32_t at = uint32_t(main.size());
        fcs.push_back(p.Wide ? at : (at * 2) | 0x40000000u);
        for (char16_t c : p.Text) {
            main.push_back(uint8_t(c));
            if (p.Wide) main.push_back(uint8_t(c >> 8));
        }
        cp += int32_t(p.Text.size());
        cps.push_back(cp);
    }
    put32(main, 0x4C, uint32_t(spec.CcpText < 0 ? cp : spec.CcpText));
    clx.u8(2);
    clx.u32(uint32_t(4 * cps.size() + 8 * fcs.size()));
    for (int32_t c : cps) clx.i32(c);
    for (uint32_t fc : fcs) {
        clx.u16(0);
        clx.u32(fc);
        clx.u16(0);
    }
    std::vector<uint8_t> table = clx.buffer();
    for (const auto& [offset, value] : spec.ClxPatches)
        if (offset + 4 <= table.size()) put32(table, offset, uint32_t(value));
    if (spec.PieceTable) {
        put32(main, 0x1A2, 0);
        put32(main, 0x1A6, uint32_t(table.size()));
    } else {
        table.clear();
    }
    if (spec.MainSize) main.resize(spec.MainSize);

    std::vector<std::pair<std::string, std::vector<uint8_t>>> streams{{spec.MainName, main}};
    const std::string tableName = !spec.TableName.empty() ? spec.TableName : (spec.Flags & 0x0200) ? "1Table" : "0Table";
    streams.emplace_back(tableName, table);
    for (const auto& s : spec.ExtraStreams) streams.push_back(s);
    return makeCompoundFile(streams);
}

} // namespace quillet::test
