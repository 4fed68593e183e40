#include "formats/word/WordProps.h"

#include "formats/ListMarks.h"

#include "platform/ByteIO.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace quillet::word {

namespace {

constexpr size_t kPage = 512;
// The most runs a page can hold with room for their FCs and offsets: a
// character run takes 4 + 1 bytes, a paragraph run 4 + 13.
constexpr uint8_t kMaxChpxRuns = 101;
constexpr uint8_t kMaxPapxRuns = 29;

void addTab(std::vector<TabDef>& tabs, int16_t pos, uint8_t tbd)
{
    for (TabDef& t : tabs)
        if (t.Position == pos) {
            t.Tbd = tbd;
            return;
        }
    if (tabs.size() >= kMaxTabs) return;
    const auto at = std::find_if(tabs.begin(), tabs.end(), [&](const TabDef& t) { return t.Position > pos; });
    tabs.insert(at, TabDef{pos, tbd});
}

void deleteTab(std::vector<TabDef>& tabs, int16_t pos)
{
    for (size_t i = tabs.size(); i-- > 0;)
        if (tabs[i].Position == pos) {
            tabs.erase(tabs.begin() + std::ptrdiff_t(i));
            return;
        }
}

// The tab changes: every count is checked against the operand it sits in.
void changeTabs(Pap& pap, const uint8_t* op, size_t size)
{
    ByteReader r(op, size);
    const uint8_t del = r.u8();
    if (!r.fits(del, 2)) return;
    std::vector<int16_t> deleted(del);
    for (int16_t& d : deleted) d = r.i16();
    const uint8_t add = r.u8();
    if (!r.fits(add, 3)) return;
    std::vector<int16_t> added(add);
    for (int16_t& a : added) a = r.i16();
    std::vector<uint8_t> kinds(add);
    for (uint8_t& k : kinds) k = r.u8();
    if (!r) return;
    for (int16_t d : deleted) deleteTab(pap.Tabs, d);
    for (size_t i = 0; i < added.size(); ++i) addTab(pap.Tabs, added[i], kinds[i]);
}

void defineTable(Pap& pap, const uint8_t* op, size_t size)
{
    ByteReader r(op, size);
    const uint8_t n = r.u8();
    if (!r.fits(int64_t(n) + 1, 2)) {
        pap.Row = RowDef{};
        pap.Row.CellCount = -1;
        return;
    }
    pap.Row.CellCount = n;
    pap.Row.Shading.assign(n, 0);
    pap.Row.Centres.clear();
    if (n > kMaxRowCells) return;
    for (int i = 0; i <= n; ++i) pap.Row.Centres.push_back(r.i16());
}

void tableShading(Pap& pap, const uint8_t* op, size_t size)
{
    const int32_t n = pap.Row.CellCount;
    if (size / 2 < size_t(std::max(n, 0))) {
        pap.Row.CellCount = -1;
        return;
    }
    if (n <= 0 || n > kMaxRowCells) return;
    ByteReader r(op, size);
    pap.Row.Shading.resize(size_t(n));
    for (uint16_t& s : pap.Row.Shading) s = r.u16();
}

} // namespace

void applyToggle(bool& flag, uint8_t operand)
{
    if (operand == 0) flag = false;
    else if (operand == 1) flag = true;
    else if (operand == 129) flag = !flag;
}

namespace {

// Calls fn(code, operand, size) for each modifier whose operand lies inside
// the data; the walk ends at the first that does not.
template <class Fn>
void forEachSprm(const uint8_t* data, size_t size, Fn fn)
{
    ByteReader r(data, size);
    while (r.remaining() >= 2) {
        const uint16_t code = r.u16();
        size_t len = 0;
        switch (code >> 13) {
        case 0: case 1: len = 1; break;
        case 2: case 4: case 5: len = 2; break;
        case 3: len = 4; break;
        case 7: len = 3; break;
        default:
            if (code == 0xD608) {
                const uint16_t cb = r.u16();
                len = cb > 0 ? cb - 1u : 0;
            } else {
                len = r.u8();
            }
        }
        const uint8_t* op = r.view(len);
        if (!op) return;
        if (len > 0) fn(code, op, len);
    }
}

} // namespace

void applySectionSprms(const uint8_t* data, size_t size, Sep& sep)
{
    forEachSprm(data, size, [&](uint16_t code, const uint8_t* op, size_t len) {
        const int16_t v = len >= 2 ? int16_t(op[0] | (op[1] << 8)) : int16_t(op[0]);
        const uint16_t u = uint16_t(v);
        switch (code) {
        case 0x3009: sep.Bkc = op[0]; break;
        case 0x300A: sep.TitlePage = op[0]; break;
        case 0x3019: sep.LBetween = op[0]; break;
        case 0x500B: sep.ColumnsM1 = std::min<int32_t>(u, 99); break;
        case 0x900C: sep.DxaColumns = v; break;
        case 0xB017: sep.DyaHdrTop = u; break;
        case 0xB018: sep.DyaHdrBottom = u; break;
        case 0xB01F: sep.XaPage = u; break;
        case 0xB020: sep.YaPage = u; break;
        case 0xB021: sep.DxaLeft = u; break;
        case 0xB022: sep.DxaRight = u; break;
        // A negative margin means an exact one; its size is what counts.
        case 0x9023: sep.DyaTop = std::abs(int32_t(v)); break;
        case 0x9024: sep.DyaBottom = std::abs(int32_t(v)); break;
        default: break;
        }
    });
}

std::vector<Section> readSections(const std::vector<uint8_t>& table, uint32_t fc, uint32_t lcb)
{
    std::vector<Section> out;
    if (lcb < 20 || (lcb - 4) % 16 != 0 || uint64_t(fc) + lcb > table.size()) return out;
    const size_t n = (lcb - 4) / 16;
    ByteReader r(table.data() + fc, lcb);
    std::vector<int32_t> cps(n + 1);
    for (int32_t& cp : cps) cp = r.i32();
    for (size_t i = 0; i < n; ++i) {
        r.skip(2);
        Section s{cps[i], cps[i + 1], r.i32()};
        r.skip(6);
        out.push_back(s);
    }
    return out;
}

Sep sectionPage(const Section& s, const std::vector<uint8_t>& main)
{
    Sep sep;
    if (s.FcSepx < 0 || size_t(s.FcSepx) + 2 > main.size()) return sep;
    ByteReader r(main.data() + s.FcSepx, main.size() - size_t(s.FcSepx));
    const uint16_t size = r.u16();
    if (const uint8_t* p = r.view(size)) applySectionSprms(p, size, sep);
    return sep;
}

void applySprms(const uint8_t* data, size_t size, Pap* pap, Chp* chp, const std::vector<StyleSlot>* styles)
{
    forEachSprm(data, size, [&](uint16_t code, const uint8_t* op, size_t len) {
        const uint8_t b = op[0];
        const auto u16 = [&] { return len >= 2 ? uint16_t(op[0] | (op[1] << 8)) : uint16_t(b); };
        const auto i16 = [&] { return int16_t(u16()); };
        if (chp) {
            switch (code) {
            case 0x0802: applyToggle(chp->FldVanish, b); return;
            case 0x0835: applyToggle(chp->Bold, b); return;
            case 0x0836: applyToggle(chp->Italic, b); return;
            case 0x0837: applyToggle(chp->Strike, b); return;
            case 0x0839: applyToggle(chp->Shadow, b); return;
            case 0x083A: applyToggle(chp->SmallCaps, b); return;
            case 0x083B: applyToggle(chp->Caps, b); return;
            case 0x0855: applyToggle(chp->Spec, b); return;
            case 0x2A0C: chp->HighlightIco = b & 0x1F; chp->Highlight = b != 0; return;
            case 0x2A32:
                chp->Bold = chp->Italic = chp->SmallCaps = chp->Caps = chp->FldVanish = false;
                chp->Ico = chp->Kul = 0;
                return;
            case 0x2A33: {
                const bool spec = chp->Spec;
                *chp = Chp{};
                chp->Spec = spec;
                return;
            }
            case 0x2A3E: chp->Kul = b; return;
            case 0x2A42: chp->Ico = b & 0x1F; return;
            case 0x2A48: chp->Iss = b; return;
            case 0x4866: chp->Shd = u16(); return;
            case 0x4A30:
                if (styles) {
                    const uint16_t istd = u16();
                    if (istd < styles->size()) {
                        const std::vector<uint8_t>& saved = (*styles)[istd].Chpx;
                        applySprms(saved.data(), saved.size(), nullptr, chp, nullptr);
                    }
                }
                return;
            // The whole size: 200 pt is 400 half points, which a byte cannot hold.
            case 0x4A43: chp->Hps = std::clamp<uint16_t>(u16(), 2, 3276); return;
            case 0x4A4F: chp->Ftc = u16(); return;
            case 0x6A03:
                chp->Spec = true;
                chp->FcPic = int32_t(uint32_t(op[0]) | uint32_t(op[1]) << 8 | uint32_t(op[2]) << 16 |
                                     uint32_t(op[3]) << 24);
                return;
            default: break;
            }
        }
        if (pap) {
            switch (code) {
            case 0x2403: pap->Jc = std::min<uint8_t>(b, 3); break;
            case 0x240C: pap->NoLineNumbers = b; break;
            case 0x2416: pap->InTable = b; break;
            case 0x2417: pap->Ttp = b; break;
            case 0x260A: pap->Ilvl = b; break;
            case 0x460B: pap->Ilfo = u16(); break;
            case 0x4610: pap->DxaLeft = std::max(0, pap->DxaLeft + i16()); break;
            case 0x6412:
                pap->DyaLine = i16();
                pap->MultLinespace = int16_t(op[2] | (op[3] << 8));
                break;
            // Later writers give the indents under newer codes, some
            // of them only under those.
            case 0x840E: case 0x845D: pap->DxaRight = i16(); break;
            case 0x840F: case 0x845E: pap->DxaLeft = i16(); break;
            case 0x8411: case 0x8460: pap->DxaLeft1 = i16(); break;
            case 0xA413: pap->DyaBefore = u16(); break;
            case 0xA414: pap->DyaAfter = u16(); break;
            case 0xC60D: changeTabs(*pap, op, len); break;
            case 0xD608: defineTable(*pap, op, len); break;
            case 0xD609: tableShading(*pap, op, len); break;
            default: break;
            }
        }
    });
}

std::vector<StyleSlot> readStyleSheet(const std::vector<uint8_t>& table, uint32_t fc, uint32_t lcb)
{
    std::vector<StyleSlot> slots;
    if (lcb == 0 || uint64_t(fc) + lcb > table.size()) return slots;
    ByteReader r(table.data() + fc, lcb);
    const uint16_t cbStshi = r.u16();
    const uint16_t cstd = r.u16();
    const uint16_t cbBase = r.u16();
    r.seek(2u + cbStshi);
    if (!r) return slots;
    // Each style takes at least its 2-byte size.
    if (!r.fits(cstd, 2)) return slots;
    slots.resize(cstd);
    for (size_t i = 0; i < cstd && r; ++i) {
        const uint16_t cbStd = r.u16();
        if (!r || cbStd == 0 || cbStd > r.remaining()) continue;
        ByteReader s(r.here(), cbStd);
        r.skip(cbStd);
        uint8_t base[10]{};
        s.bytes(base, std::min<size_t>(cbBase, 10));
        const uint16_t stk = base[2] & 0x0F;
        const uint16_t istdBase = uint16_t((base[2] | (base[3] << 8)) >> 4);
        const uint16_t cupx = base[4] & 0x0F;
        s.seek(std::min<size_t>(cbBase, cbStd));
        const uint16_t nameLength = s.u16() & 0xFF;
        s.skip((size_t(nameLength) + 1) * 2);
        if (s.offset() % 2) s.skip(1);
        StyleSlot& slot = slots[i];
        if (istdBase < i) {
            slot.P = slots[istdBase].P;
            slot.C = slots[istdBase].C;
        }
        slot.CharacterStyle = stk == 2;
        for (uint16_t j = 0; j < cupx && s; ++j) {
            const uint16_t cbUpx = s.u16();
            const uint8_t* upx = s.view(cbUpx);
            if (!upx) break;
            if (stk == 1 && j == 0 && cbUpx >= 2) applySprms(upx + 2, cbUpx - 2u, &slot.P, nullptr, nullptr);
            else if (stk == 1 && j == 1) applySprms(upx, cbUpx, nullptr, &slot.C, nullptr);
            else if (stk == 2 && j == 0) slot.Chpx.assign(upx, upx + cbUpx);
            if (s.offset() % 2) s.skip(1);
        }
    }
    return slots;
}

std::vector<std::string> readFontNames(const std::vector<uint8_t>& table, uint32_t fc, uint32_t lcb)
{
    std::vector<std::string> names;
    if (lcb < 4 || uint64_t(fc) + lcb > table.size()) return names;
    ByteReader r(table.data() + fc, lcb);
    const uint16_t count = r.u16();
    r.skip(2);
    for (uint16_t i = 0; i < count && r; ++i) {
        const size_t size = size_t(r.u8()) + 1;
        ByteReader f(r.here(), std::min(size - 1, r.remaining()));
        r.skip(size - 1);
        if (!r) break;
        f.seek(39);
        std::string name;
        while (f.remaining() >= 2) {
            const uint16_t c = f.u16();
            if (c == 0) break;
            name += char(uint8_t(c));
        }
        names.push_back(name);
    }
    return names;
}

std::vector<FkpRun> readBinTable(const std::vector<uint8_t>& table, uint32_t fc, uint32_t lcb,
                                 const std::vector<uint8_t>& main, bool paragraphs)
{
    std::vector<FkpRun> runs;
    if (lcb < 12 || (lcb - 4) % 8 != 0 || uint64_t(fc) + lcb > table.size()) return runs;
    const size_t n = (lcb - 4) / 8;
    ByteReader r(table.data() + fc, lcb);
    r.skip(4 * (n + 1));
    for (size_t i = 0; i < n; ++i) {
        const uint64_t pageAt = uint64_t(r.u32() & 0x3FFFFF) * kPage;
        if (pageAt + kPage > main.size()) continue;
        const uint8_t* page = main.data() + pageAt;
        const uint8_t crun = page[kPage - 1];
        if (crun > (paragraphs ? kMaxPapxRuns : kMaxChpxRuns)) continue;
        ByteReader fcs(page, 4 * (size_t(crun) + 1));
        std::vector<uint32_t> bounds(size_t(crun) + 1);
        for (uint32_t& b : bounds) b = fcs.u32();
        for (size_t j = 0; j < crun; ++j) {
            FkpRun run;
            run.FcFirst = bounds[j];
            run.FcLim = bounds[j + 1];
            if (run.FcLim <= run.FcFirst) continue;
            const size_t entry = 4 * (size_t(crun) + 1) + (paragraphs ? 13 * j : j);
            const size_t offset = size_t(page[entry]) * 2;
            if (offset == 0 || offset > 510) {
                run.StyleOnly = paragraphs;
                runs.push_back(run);
                continue;
            }
            size_t start = offset + 1, size = 0;
            if (!paragraphs) {
                size = page[offset];
            } else if (page[offset] != 0) {
                size = size_t(page[offset]) * 2 - 1;
            } else {
                size = size_t(page[offset + 1]) * 2;
                start = offset + 2;
            }
            if (start + size > kPage - 1) {
                run.StyleOnly = paragraphs;
                runs.push_back(run);
                continue;
            }
            if (paragraphs) {
                if (size < 2) {
                    run.StyleOnly = true;
                    runs.push_back(run);
                    continue;
                }
                run.Istd = uint16_t(page[start] | (page[start + 1] << 8));
                start += 2;
                size -= 2;
            }
            run.Grpprl = uint32_t(pageAt + start);
            run.GrpprlSize = uint32_t(size);
            runs.push_back(run);
        }
    }
    return runs;
}

int32_t RunFinder::find(uint32_t fc)
{
    const auto holds = [&](size_t i) { return Runs[i].FcFirst <= fc && fc < Runs[i].FcLim; };
    if (Last < Runs.size() && holds(Last)) return int32_t(Last);
    if (Last + 1 < Runs.size() && holds(Last + 1)) return int32_t(++Last);
    // Text that no run covers asks again for every character; the gap found
    // by the last full scan answers those without scanning all runs again.
    if (MissFirst <= fc && fc < MissLim) return -1;
    uint32_t gapFirst = 0, gapLim = UINT32_MAX;
    for (size_t i = 0; i < Runs.size(); ++i) {
        if (holds(i)) return int32_t(Last = i);
        if (Runs[i].FcLim <= fc) gapFirst = std::max(gapFirst, Runs[i].FcLim);
        else gapLim = std::min(gapLim, Runs[i].FcFirst);
    }
    MissFirst = gapFirst;
    MissLim = gapLim;
    return -1;
}

namespace {

constexpr uint8_t kUnknownKind = 0xFF;

} // namespace

ListKinds::ListKinds(const std::vector<uint8_t>& table, uint32_t fcLst, uint32_t lcbLst, uint32_t fcLfo,
                     uint32_t lcbLfo)
{
    // The lists: a count, 28 bytes per list, then the levels of every list
    // in turn (one level for a simple list, nine otherwise).
    struct List {
        int32_t Id = 0;
        std::array<uint8_t, kLevels> Kinds;
    };
    std::vector<List> lists;
    std::vector<std::array<std::vector<uint8_t>, kLevels>> modifiers;
    if (lcbLst >= 2 && fcLst <= table.size() && lcbLst <= table.size() - fcLst) {
        ByteReader r(table.data() + fcLst, table.size() - fcLst);
        const uint16_t count = r.u16();
        if (r.fits(count, 28) && size_t(count) * 28 <= lcbLst - 2) {
            std::vector<bool> simple(count);
            lists.resize(count);
            modifiers.resize(count);
            for (uint16_t i = 0; i < count; ++i) {
                lists[i].Id = r.i32();
                r.skip(4 + 18);
                simple[i] = (r.u8() & 1) != 0;
                r.skip(1);
                lists[i].Kinds.fill(kUnknownKind);
            }
            for (uint16_t i = 0; i < count && r; ++i) {
                const size_t levels = simple[i] ? 1 : kLevels;
                for (size_t k = 0; k < levels && r; ++k) {
                    r.skip(4);
                    const uint8_t nfc = r.u8();
                    r.skip(1 + 9 + 1 + 4 + 4);
                    const uint8_t chpxSize = r.u8(), papxSize = r.u8();
                    r.skip(2);
                    // The paragraph modifiers come first, then the character ones.
                    if (const uint8_t* papx = r.view(papxSize)) modifiers[i][k].assign(papx, papx + papxSize);
                    r.skip(chpxSize);
                    const uint16_t chars = r.u16();
                    r.skip(size_t(chars) * 2);
                    if (r) lists[i].Kinds[k] = listKindOfNumberFormat(nfc);
                    else modifiers[i][k].clear();
                }
                // A simple list has one level; deeper items take its mark.
                if (simple[i]) {
                    lists[i].Kinds.fill(lists[i].Kinds[0]);
                    for (size_t k = 1; k < kLevels; ++k) modifiers[i][k] = modifiers[i][0];
                }
            }
        }
    }
    // The overrides: a count and 16 bytes each, naming their list by its id.
    if (lcbLfo >= 4 && fcLfo <= table.size() && lcbLfo <= table.size() - fcLfo) {
        // By id, the first list of an id winning; a scan of all lists per
        // override would grow with the square of a large damaged table.
        std::map<int32_t, size_t> byId;
        for (size_t i = 0; i < lists.size(); ++i) byId.emplace(lists[i].Id, i);
        ByteReader r(table.data() + fcLfo, lcbLfo);
        const uint32_t count = r.u32();
        if (!r.fits(int64_t(count), 16)) return;
        Kinds.resize(count);
        ListOf.assign(count, -1);
        for (uint32_t i = 0; i < count; ++i) {
            const int32_t id = r.i32();
            r.skip(12);
            const auto it = byId.find(id);
            if (it != byId.end()) {
                Kinds[i] = lists[it->second].Kinds;
                ListOf[i] = int32_t(it->second);
            } else {
                Kinds[i].fill(kUnknownKind);
            }
        }
        Modifiers = std::move(modifiers);
    }
}

uint8_t ListKinds::kind(uint16_t ilfo, uint8_t ilvl) const
{
    if (ilfo == 0) return 0;
    if (ilfo > Kinds.size() || ilvl >= kLevels) return 1;
    const uint8_t k = Kinds[ilfo - 1][ilvl];
    return k == kUnknownKind ? 1 : k;
}

const std::vector<uint8_t>* ListKinds::levelModifiers(uint16_t ilfo, uint8_t ilvl) const
{
    if (ilfo == 0 || ilfo > ListOf.size() || ilvl >= kLevels) return nullptr;
    const int32_t list = ListOf[ilfo - 1u];
    if (list < 0 || size_t(list) >= Modifiers.size()) return nullptr;
    const std::vector<uint8_t>& m = Modifiers[size_t(list)][ilvl];
    return m.empty() ? nullptr : &m;
}

uint32_t icoColor(uint8_t ico, uint32_t fallback)
{
    static constexpr uint32_t kColors[17] = {0, 0x000000, 0xFF0000, 0xFFFF00, 0x00FF00, 0xFF00FF, 0x0000FF,
                                             0x00FFFF, 0xFFFFFF, 0x800000, 0x808000, 0x008000, 0x800080,
                                             0x000080, 0x008080, 0x808080, 0xC0C0C0};
    return ico >= 1 && ico <= 16 ? kColors[ico] : fallback;
}

// Halves round away from zero (std::lround), so 50% of 255 over 0 is 128.
uint32_t shadeColor(uint32_t fore, uint32_t back, uint16_t ipat)
{
    static constexpr double kShares[] = {2.5, 7.5, 12.5, 15, 17.5, 22.5, 27.5, 32.5, 35, 37.5, 42.5, 45, 47.5, 52.5,
                                         55, 57.5, 62.5, 65, 67.5, 72.5, 77.5, 82.5, 85, 87.5, 92.5, 95, 97.5, 97};
    static constexpr double kSteps[] = {5, 10, 20, 25, 30, 40, 50, 60, 70, 75, 80, 90};
    double p = 0;
    if (ipat == 1) p = 100;
    else if (ipat >= 2 && ipat <= 13) p = kSteps[ipat - 2];
    else if (ipat >= 14 && ipat <= 25) p = 50;
    else if (ipat >= 35 && ipat <= 62) p = kShares[ipat - 35];
    uint32_t out = 0;
    for (int s = 0; s < 3; ++s) {
        const double f = (fore >> (8 * s)) & 0xFF, b = (back >> (8 * s)) & 0xFF;
        out |= uint32_t(std::lround((f * p + b * (100 - p)) / 100)) << (8 * s);
    }
    return out;
}

} // namespace quillet::word
