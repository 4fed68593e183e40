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

// A formatted disk page of the runs, its FCs taken from `fcOf`.
template <class FcOf>
std::vector<uint8_t> fkpPage(const std::vector<WordRun>& runs, bool paragraphs, FcOf fcOf, uint8_t claimed)
{
    std::vector<uint8_t> page(512, 0);
    const size_t n = runs.size();
    for (size_t j = 0; j < n; ++j) put32(page, 4 * j, fcOf(runs[j].CpFirst));
    if (n) put32(page, 4 * n, fcOf(runs.back().CpLim));
    size_t end = 511;
    for (size_t j = 0; j < n; ++j) {
        std::vector<uint8_t> body;
        if (paragraphs) {
            body = {uint8_t(runs[j].Istd), uint8_t(runs[j].Istd >> 8)};
            body.insert(body.end(), runs[j].Grpprl.begin(), runs[j].Grpprl.end());
            if (body.size() % 2) body.push_back(0);
            body.insert(body.begin(), {0, uint8_t(body.size() / 2)});
        } else {
            body = runs[j].Grpprl;
            body.insert(body.begin(), uint8_t(body.size()));
        }
        end = (end - body.size()) & ~size_t(1);
        std::copy(body.begin(), body.end(), page.begin() + std::ptrdiff_t(end));
        page[4 * (n + 1) + (paragraphs ? 13 * j : j)] = uint8_t(end / 2);
    }
    page[511] = claimed ? claimed : uint8_t(n);
    return page;
}

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
    const auto fcOf = [&](int32_t at) {
        int32_t first = 0;
        for (size_t i = 0; i < spec.Pieces.size(); ++i) {
            const int32_t len = int32_t(spec.Pieces[i].Text.size());
            if (at <= first + len) {
                const uint32_t fc = fcs[i];
                return spec.Pieces[i].Wide ? fc + 2 * uint32_t(at - first) : (fc & ~0x40000000u) / 2 + uint32_t(at - first);
            }
            first += len;
        }
        return uint32_t(main.size());
    };
    // The bin tables: one page each, on 512-byte boundaries after the text.
    const auto binTable = [&](const std::vector<WordRun>& runs, bool paragraphs, size_t fibAt, uint8_t claimed) {
        if (runs.empty()) return;
        const std::vector<uint8_t> page = fkpPage(runs, paragraphs, fcOf, claimed);
        main.resize((main.size() + 511) / 512 * 512);
        const uint32_t pn = uint32_t(main.size() / 512);
        main.insert(main.end(), page.begin(), page.end());
        put32(main, fibAt, uint32_t(table.size()));
        put32(main, fibAt + 4, 12);
        ByteWriter b;
        b.u32(fcOf(runs.front().CpFirst));
        b.u32(fcOf(runs.back().CpLim));
        b.u32(pn);
        table.insert(table.end(), b.buffer().begin(), b.buffer().end());
    };
    binTable(spec.ParaRuns, true, 0x102, 0);
    binTable(spec.CharRuns, false, 0xFA, spec.CharRunCount);
    if (!spec.Styles.empty()) {
        ByteWriter st;
        st.u16(4);  // the header: cstd and the size of a style's base
        st.u16(uint16_t(spec.Styles.size()));
        st.u16(10);
        for (const WordStyle& s : spec.Styles) {
            ByteWriter d;
            d.u16(0);
            d.u16(uint16_t(s.Kind | (s.Base << 4)));
            d.u16(s.Kind == 1 ? 2 : 1);  // cupx
            d.u16(0);
            d.u16(0);
            d.u16(1);  // the name "S" and its terminator
            d.u16('S');
            d.u16(0);
            const auto upx = [&](std::vector<uint8_t> bytes) {
                d.u16(uint16_t(bytes.size()));
                for (uint8_t x : bytes) d.u8(x);
                if (bytes.size() % 2) d.u8(0);
            };
            if (s.Kind == 1) {
                std::vector<uint8_t> p{0, 0};
                p.insert(p.end(), s.Papx.begin(), s.Papx.end());
                upx(p);
                upx(s.Chpx);
            } else {
                upx(s.Chpx);
            }
            st.u16(uint16_t(d.size()));
            for (uint8_t x : d.buffer()) st.u8(x);
        }
        put32(main, 0xA2, uint32_t(table.size()));
        put32(main, 0xA6, uint32_t(st.size()));
        table.insert(table.end(), st.buffer().begin(), st.buffer().end());
    }
    if (!spec.Fonts.empty()) {
        ByteWriter ff;
        ff.u16(uint16_t(spec.Fonts.size()));
        ff.u16(0);
        for (const std::string& name : spec.Fonts) {
            ff.u8(uint8_t(39 + 2 * (name.size() + 1)));
            for (int i = 0; i < 39; ++i) ff.u8(0);
            for (char c : name) ff.u16(uint8_t(c));
            ff.u16(0);
        }
        put32(main, 0x112, uint32_t(table.size()));
        put32(main, 0x116, uint32_t(ff.size()));
        table.insert(table.end(), ff.buffer().begin(), ff.buffer().end());
    }
    if (!spec.Sections.empty()) {
        ByteWriter sed;
        sed.i32(0);
        for (const auto& sec : spec.Sections) sed.i32(sec.first);
        for (const auto& sec : spec.Sections) {
            const uint32_t at = uint32_t(main.size());
            main.push_back(uint8_t(sec.second.size()));
            main.push_back(uint8_t(sec.second.size() >> 8));
            main.insert(main.end(), sec.second.begin(), sec.second.end());
            sed.u16(0);
            sed.u32(at);
            sed.u16(0);
            sed.u32(0);
        }
        put32(main, 0xCA, uint32_t(table.size()));
        put32(main, 0xCE, uint32_t(sed.size()));
        table.insert(table.end(), sed.buffer().begin(), sed.buffer().end());
    }
    if (!spec.HeaderCps.empty()) {
        ByteWriter hdd;
        for (int32_t c : spec.HeaderCps) hdd.i32(c);
        put32(main, 0xF2, uint32_t(table.size()));
        put32(main, 0xF6, uint32_t(hdd.size()));
        table.insert(table.end(), hdd.buffer().begin(), hdd.buffer().end());
    }
    if (!spec.Assoc.empty()) {
        ByteWriter a;
        a.u16(uint16_t(spec.Assoc.size()));
        a.u16(0);
        for (const std::string& t : spec.Assoc) {
            a.u8(uint8_t(t.size()));
            for (char c : t) a.u8(uint8_t(c));
        }
        put32(main, 0x19A, uint32_t(table.size()));
        put32(main, 0x19E, uint32_t(a.size()));
        table.insert(table.end(), a.buffer().begin(), a.buffer().end());
    }
    if (spec.DopFlags >= 0) {
        std::vector<uint8_t> dop(500, 0);
        dop[0] = uint8_t(spec.DopFlags);
        put16(dop, 10, 360);
        put32(main, 0x192, uint32_t(table.size()));
        put32(main, 0x196, uint32_t(dop.size()));
        table.insert(table.end(), dop.begin(), dop.end());
    }
    if (!spec.Lists.empty()) {
        ByteWriter lst, levels;
        lst.u16(uint16_t(spec.ListCountPatch ? spec.ListCountPatch : spec.Lists.size()));
        for (const WordList& l : spec.Lists) {
            lst.i32(l.Id);
            lst.i32(0);
            for (int i = 0; i < 9; ++i) lst.u16(0x0FFF);
            lst.u8(l.Formats.size() == 1 ? 1 : 0);
            lst.u8(0);
            for (uint8_t nfc : l.Formats) {
                // A level: its fixed part, a paragraph modifier, and its
                // number text ("%1." or a bullet), which the reader skips.
                levels.i32(1);
                levels.u8(nfc);
                for (int i = 0; i < 1 + 9 + 1; ++i) levels.u8(0);
                levels.i32(0);
                levels.i32(360);
                levels.u8(0);  // character modifiers
                levels.u8(4);  // paragraph modifiers
                levels.u16(0);
                for (uint8_t x : sprm16(0x840F, 720)) levels.u8(x);
                const std::u16string text = nfc == 23 ? std::u16string(1, u'\xF0B7') : std::u16string(u"\x00.", 2);
                levels.u16(uint16_t(text.size()));
                for (char16_t c : text) levels.u16(uint16_t(c));
            }
        }
        put32(main, 0x2E2, uint32_t(table.size()));
        put32(main, 0x2E6, uint32_t(lst.size()));
        table.insert(table.end(), lst.buffer().begin(), lst.buffer().end());
        table.insert(table.end(), levels.buffer().begin(), levels.buffer().end());
    }
    if (!spec.ListOverrides.empty()) {
        ByteWriter lfo;
        lfo.u32(uint32_t(spec.ListOverrides.size()));
        for (int32_t id : spec.ListOverrides) {
            lfo.i32(id);
            lfo.i32(0);
            lfo.i32(0);
            lfo.u32(0);
        }
        put32(main, 0x2EA, uint32_t(table.size()));
        put32(main, 0x2EE, uint32_t(lfo.size()));
        table.insert(table.end(), lfo.buffer().begin(), lfo.buffer().end());
    }
    if (spec.MainSize) main.resize(spec.MainSize);

    std::vector<std::pair<std::string, std::vector<uint8_t>>> streams{{spec.MainName, main}};
    const std::string tableName = !spec.TableName.empty() ? spec.TableName : (spec.Flags & 0x0200) ? "1Table" : "0Table";
    streams.emplace_back(tableName, table);
    for (const auto& s : spec.ExtraStreams) streams.push_back(s);
    return makeCompoundFile(streams);
}

std::vector<uint8_t> sprm(uint16_t code, std::vector<uint8_t> operand)
{
    std::vector<uint8_t> out{uint8_t(code), uint8_t(code >> 8)};
    if ((code >> 13) == 6) out.push_back(uint8_t(operand.size()));
    out.insert(out.end(), operand.begin(), operand.end());
    return out;
}

std::vector<uint8_t> sprm16(uint16_t code, uint16_t value) { return sprm(code, {uint8_t(value), uint8_t(value >> 8)}); }

std::vector<uint8_t> operator+(std::vector<uint8_t> a, const std::vector<uint8_t>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace quillet::test
