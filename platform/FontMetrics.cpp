#include "platform/FontMetrics.h"

#include "platform/FontCharMaps.h"
#include "platform/Win1252.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <limits>
#include <map>
#include <memory>
#include <tuple>
#include <unordered_map>

// Metrics are taken from the design outlines, never from hinted glyphs, so a
// width is the same number on every machine and at every resolution:
//   em (ppem)   = -Height for Height < 0; for Height > 0 (cell height)
//                 round(Height * unitsPerEm / (winAscent + winDescent))
//   advance     = round(designAdvance * ppem / unitsPerEm)
//   ascent      = round(winAscent * ppem / unitsPerEm), descent likewise,
//   height      = ascent + descent
//   outline     = round(value * 1000 / unitsPerEm)
// where round() is to nearest with halves away from zero, done in integers.

namespace quillet {

namespace {

// What a Height of 0 stands for: the platform's default font, a 16-pixel cell.
constexpr int32_t kDefaultCellHeight = 16;
// Both symbol faces are drawn with glyphs of this face.
constexpr const char* kSymbolSubstitute = "DejaVu Sans";

// The usual Windows faces map to the metric-compatible Liberation faces even
// where fontconfig's own alias rules are missing.
struct FaceAlias {
    const char* windowsFace;
    const char* family;
};
constexpr FaceAlias kFaceAliases[] = {
    {"times new roman", "Liberation Serif"},
    {"arial", "Liberation Sans"},
    {"courier new", "Liberation Mono"},
};

// value * num / den, to nearest, halves away from zero; den > 0 and the
// product stays far inside 64 bits for font-unit values and clamped sizes.
int64_t scaleRound(int64_t value, int64_t num, int64_t den)
{
    const int64_t p = value * num;
    return p >= 0 ? (2 * p + den) / (2 * den) : -((-2 * p + den) / (2 * den));
}

int32_t clampPixels(int64_t v)
{
    return static_cast<int32_t>(std::clamp<int64_t>(v, 1, kMaxFontPixels));
}

struct LogFontHash {
    size_t operator()(const LogFont& f) const noexcept
    {
        size_t h = std::hash<std::string>{}(f.Face);
        auto mix = [&h](uint64_t v) { h ^= v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2); };
        mix(static_cast<uint32_t>(f.Height));
        mix(static_cast<uint32_t>(f.Weight));
        mix(uint64_t(f.Italic) | uint64_t(f.StrikeOut) << 1 | uint64_t(f.Underline) << 2 |
            uint64_t(f.Charset) << 3);
        return h;
    }
};

// One opened font file (or face of a collection) with the design values the
// measuring rules above need.
struct FaceData {
    FT_Face face = nullptr;
    int32_t upem = 0;
    int32_t winAscent = 0;     // cell above the baseline, font units
    int32_t winDescent = 0;    // cell below the baseline, positive
    int32_t strikePos = 0;
    int32_t strikeSize = 0;
    bool symbolCmap = false;   // only a symbol cmap: bytes index it as 0xF000 + code

    FaceData() = default;
    FaceData(const FaceData&) = delete;
    FaceData& operator=(const FaceData&) = delete;
    ~FaceData()
    {
        if (face) FT_Done_Face(face);
    }

    uint32_t glyphFor(char32_t cp, uint8_t code) const
    {
        if (symbolCmap) {
            if (FT_UInt g = FT_Get_Char_Index(face, 0xF000u | code)) return g;
            return FT_Get_Char_Index(face, code);
        }
        return FT_Get_Char_Index(face, cp);
    }

    int64_t designAdvance(uint32_t glyph) const
    {
        FT_Fixed adv = 0;
        if (FT_Get_Advance(face, glyph, FT_LOAD_NO_SCALE, &adv) != 0) return 0;
        return adv;
    }
};

class FtFont final : public PlatformFont {
public:
    LogFont lf;
    int32_t em = 1;
    int32_t asc = 0;
    int32_t desc = 0;
    int32_t strikePos = 0;
    int32_t strikeSize = 1;
    std::array<int32_t, 256> advances{};
    std::array<char32_t, 256> codePoints{};
    std::array<uint32_t, 256> glyphs{};
    std::string path;
    int32_t index = 0;

    const LogFont& logFont() const override { return lf; }
    int32_t pixelSize() const override { return em; }
    int32_t ascent() const override { return asc; }
    int32_t descent() const override { return desc; }
    int32_t height() const override { return asc + desc; }
    int32_t advance(uint8_t code) const override { return advances[code]; }
    TextExtent textExtent(std::string_view text) const override
    {
        int64_t cx = 0;
        for (unsigned char c : text) cx += advances[c];
        const int64_t limit = std::numeric_limits<int32_t>::max();
        return {static_cast<int32_t>(std::min(cx, limit)), asc + desc};
    }
    char32_t codePointFor(uint8_t code) const override { return codePoints[code]; }
    const std::string& filePath() const override { return path; }
    int32_t faceIndex() const override { return index; }
    uint32_t glyphIndex(uint8_t code) const override { return glyphs[code]; }
    int32_t strikeOutPosition() const override { return strikePos; }
    int32_t strikeOutSize() const override { return strikeSize; }
};

class FreeTypeFontService final : public FontService {
public:
    FreeTypeFontService()
    {
        if (FT_Init_FreeType(&lib_) != 0) lib_ = nullptr;
        config_ = FcInitLoadConfigAndFonts();
    }

    FontHandle createFont(const LogFont& lf) override
    {
        auto it = fonts_.find(lf);
        if (it != fonts_.end()) return it->second;
        FontHandle font = buildFont(lf);
        fonts_.emplace(lf, font);
        return font;
    }

    std::string resolveFace(const std::string& face, bool bold, bool italic) override
    {
        return resolved(face, bold, italic).path;
    }

    OutlineMetrics outlineMetrics(const std::string& face, bool bold, bool italic) override;

private:
    struct Resolved {
        std::string path;
        int index = 0;
        SymbolFace symbol = SymbolFace::None;
        const FaceData* data = nullptr;
    };

    const Resolved& resolved(const std::string& face, bool bold, bool italic);
    std::pair<std::string, int> matchFile(const std::string& family, bool bold, bool italic);
    const FaceData* openFace(const std::string& path, int index);
    std::shared_ptr<FtFont> buildFont(const LogFont& lf);

    // The code point and glyph each byte stands for under a charset.
    static void mapBytes(const Resolved& r, uint8_t charset, std::array<char32_t, 256>& cps,
                         std::array<uint32_t, 256>& glyphs)
    {
        for (int c = 0; c < 256; ++c) {
            const auto code = static_cast<uint8_t>(c);
            char32_t cp;
            if (r.symbol != SymbolFace::None)
                cp = symbolToUnicode(r.symbol, code);
            else if (r.data && r.data->symbolCmap)
                cp = 0xF000u | code;
            else
                cp = charsetToUnicode(charset, code);
            cps[code] = cp;
            glyphs[code] = r.data ? r.data->glyphFor(cp, code) : 0;
        }
    }

    FT_Library lib_ = nullptr;
    FcConfig* config_ = nullptr;
    std::unordered_map<LogFont, FontHandle, LogFontHash> fonts_;
    std::map<std::tuple<std::string, bool, bool>, Resolved> faces_;
    std::map<std::pair<std::string, int>, std::unique_ptr<FaceData>> files_;
};

std::pair<std::string, int> FreeTypeFontService::matchFile(const std::string& family, bool bold,
                                                           bool italic)
{
    if (!config_) return {};
    FcPattern* pat = FcPatternCreate();
    if (!pat) return {};
    if (!family.empty())
        FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pat, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pat, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(config_, pat, FcMatchPattern);
    FcDefaultSubstitute(pat);

    std::pair<std::string, int> out;
    auto take = [&out](FcPattern* p) {
        FcBool scalable = FcFalse;
        FcChar8* file = nullptr;
        int index = 0;
        if (FcPatternGetBool(p, FC_SCALABLE, 0, &scalable) != FcResultMatch || !scalable) return false;
        if (FcPatternGetString(p, FC_FILE, 0, &file) != FcResultMatch || !file) return false;
        if (FcPatternGetInteger(p, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
        out = {reinterpret_cast<const char*>(file), index};
        return true;
    };

    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config_, pat, &result);
    const bool found = match && take(match);
    if (match) FcPatternDestroy(match);
    if (!found) {
        // The best match was a bitmap font; only outlines scale to every resolution.
        if (FcFontSet* set = FcFontSort(config_, pat, FcFalse, nullptr, &result)) {
            for (int i = 0; i < set->nfont; ++i)
                if (take(set->fonts[i])) break;
            FcFontSetDestroy(set);
        }
    }
    FcPatternDestroy(pat);
    return out;
}

const FaceData* FreeTypeFontService::openFace(const std::string& path, int index)
{
    if (path.empty() || !lib_) return nullptr;
    auto key = std::make_pair(path, index);
    auto it = files_.find(key);
    if (it != files_.end()) return it->second.get();

    auto data = std::make_unique<FaceData>();
    FT_Face face = nullptr;
    if (FT_New_Face(lib_, path.c_str(), index, &face) != 0) face = nullptr;
    if (face && (!FT_IS_SCALABLE(face) || face->units_per_EM == 0)) {
        FT_Done_Face(face);
        face = nullptr;
    }
    if (!face) {
        files_.emplace(key, nullptr);
        return nullptr;
    }
    data->face = face;
    data->upem = face->units_per_EM;
    if (FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0) {
        if (FT_Select_Charmap(face, FT_ENCODING_MS_SYMBOL) == 0)
            data->symbolCmap = true;
        else if (!face->charmap && face->num_charmaps > 0)
            FT_Set_Charmap(face, face->charmaps[0]);
    }

    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
        data->winAscent = os2->usWinAscent;
        data->winDescent = os2->usWinDescent;
    } else if (face->ascender - face->descender > 0) {
        data->winAscent = face->ascender;
        data->winDescent = -face->descender;
    } else {
        data->winAscent = data->upem * 4 / 5;
        data->winDescent = data->upem - data->winAscent;
    }
    if (os2 && os2->version != 0xFFFF && os2->yStrikeoutSize > 0) {
        data->strikePos = os2->yStrikeoutPosition;
        data->strikeSize = os2->yStrikeoutSize;
    } else {
        data->strikePos = data->upem / 4;
        data->strikeSize = std::max(1, data->upem / 20);
    }
    const FaceData* raw = data.get();
    files_.emplace(key, std::move(data));
    return raw;
}

const FreeTypeFontService::Resolved& FreeTypeFontService::resolved(const std::string& face, bool bold,
                                                                   bool italic)
{
    auto key = std::make_tuple(asciiLower(face), bold, italic);
    auto it = faces_.find(key);
    if (it != faces_.end()) return it->second;

    Resolved r;
    r.symbol = symbolFaceFor(face);
    std::string family;
    if (r.symbol != SymbolFace::None) {
        family = kSymbolSubstitute;
    } else {
        family = ansiToUtf8(face);
        for (const auto& alias : kFaceAliases)
            if (std::get<0>(key) == alias.windowsFace) family = alias.family;
    }
    std::tie(r.path, r.index) = matchFile(family, bold, italic);
    r.data = openFace(r.path, r.index);
    if (!r.data) {
        // The matched file would not open: any outline font beats none.
        auto fallback = matchFile(std::string(), bold, italic);
        if (const FaceData* d = openFace(fallback.first, fallback.second)) {
            std::tie(r.path, r.index) = fallback;
            r.data = d;
        }
    }
    return faces_.emplace(std::move(key), std::move(r)).first->second;
}

std::shared_ptr<FtFont> FreeTypeFontService::buildFont(const LogFont& lf)
{
    const Resolved& r = resolved(lf.Face, lf.Weight >= 600, lf.Italic);
    const FaceData* d = r.data;
    auto font = std::make_shared<FtFont>();
    font->lf = lf;
    font->path = r.path;
    font->index = r.index;

    const int64_t height = lf.Height == 0 ? kDefaultCellHeight : lf.Height;
    if (height < 0) {
        font->em = clampPixels(-height);
    } else {
        const int64_t cell = std::min<int64_t>(height, kMaxFontPixels);
        font->em = d ? clampPixels(scaleRound(cell, d->upem, d->winAscent + d->winDescent))
                     : clampPixels(cell);
    }
    const int64_t em = font->em;
    mapBytes(r, lf.Charset, font->codePoints, font->glyphs);

    if (d) {
        font->asc = static_cast<int32_t>(scaleRound(d->winAscent, em, d->upem));
        font->desc = static_cast<int32_t>(scaleRound(d->winDescent, em, d->upem));
        font->strikePos = static_cast<int32_t>(scaleRound(d->strikePos, em, d->upem));
        font->strikeSize = std::max(1, static_cast<int32_t>(scaleRound(d->strikeSize, em, d->upem)));
        for (int c = 0; c < 256; ++c)
            font->advances[c] =
                static_cast<int32_t>(scaleRound(d->designAdvance(font->glyphs[c]), em, d->upem));
    } else {
        // No outline font at all on this machine: fixed proportions keep
        // layout going and deterministic.
        font->asc = static_cast<int32_t>(scaleRound(em, 4, 5));
        font->desc = static_cast<int32_t>(em - font->asc);
        font->strikePos = static_cast<int32_t>(scaleRound(em, 1, 4));
        font->strikeSize = std::max(1, static_cast<int32_t>(scaleRound(em, 1, 20)));
        font->advances.fill(static_cast<int32_t>(scaleRound(em, 1, 2)));
    }
    return font;
}

OutlineMetrics FreeTypeFontService::outlineMetrics(const std::string& face, bool bold, bool italic)
{
    OutlineMetrics m;
    const Resolved& r = resolved(face, bold, italic);
    m.FontFile = r.path;
    const FaceData* d = r.data;
    if (!d) return m;
    FT_Face f = d->face;
    auto k = [d](int64_t v) { return static_cast<int32_t>(scaleRound(v, 1000, d->upem)); };

    std::array<char32_t, 256> cps{};
    std::array<uint32_t, 256> glyphs{};
    mapBytes(r, 1, cps, glyphs);
    for (int c = 0; c < 256; ++c) m.Widths[c] = k(d->designAdvance(glyphs[c]));

    if (const char* ps = FT_Get_Postscript_Name(f)) m.PostScriptName = ps;
    m.Ascent = k(f->ascender);
    m.Descent = k(f->descender);
    m.BBox = {k(f->bbox.xMin), k(f->bbox.yMin), k(f->bbox.xMax), k(f->bbox.yMax)};

    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(f, FT_SFNT_OS2));
    if (os2 && os2->version != 0xFFFF && os2->version >= 2 && os2->sCapHeight > 0) {
        m.CapHeight = k(os2->sCapHeight);
    } else if (FT_UInt g = FT_Get_Char_Index(f, 'H');
               g && FT_Load_Glyph(f, g, FT_LOAD_NO_SCALE) == 0) {
        m.CapHeight = k(f->glyph->metrics.horiBearingY);
    }
    if (const auto* post = static_cast<const TT_Postscript*>(FT_Get_Sfnt_Table(f, FT_SFNT_POST)))
        m.ItalicAngle = static_cast<int32_t>(scaleRound(post->italicAngle, 10, 65536));
    return m;
}

} // namespace

FontService& FontService::instance()
{
    // Made on first use and never torn down: handles kept in other static
    // objects may outlive any order of destruction we could choose.
    static FontService* const service = new FreeTypeFontService();
    return *service;
}

} // namespace quillet
