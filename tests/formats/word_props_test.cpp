#include "formats/word/Word.h"
#include "formats/word/WordProps.h"
#include "formats/rtf/Wmf.h"
#include "platform/Dib.h"

#include "engine/Childwin.h"
#include "formats/StandardServices.h"
#include "platform/PngWriter.h"
#include "tests/support/TestFiles.h"
#include "tests/support/WordFiles.h"

#include <gtest/gtest.h>

#include <cmath>

#include <zlib.h>

using namespace quillet;
using test::sprm;
using test::sprm16;
using test::operator+;
using test::WordFileSpec;

namespace {

using Bytes = std::vector<uint8_t>;

struct Window {
    FrameState frame = StandardFrameState();
    std::unique_ptr<TMDIChild> w = std::make_unique<TMDIChild>(frame);
    explicit Window(const WordFileSpec& spec)
    {
        w->NewPage(true);
        if (w->Areas[0].Lines.empty()) w->InsertNewLine(0, 0);
        EXPECT_EQ(ReadWordFile(*w, test::makeWordFile(spec)), WordResult::Ok);
    }
    const TextChar& ch(size_t i) const { return w->Areas[0].Lines[0].Chars.at(i); }
    const FontEntry& font(size_t i) const { return w->Fonts.at(size_t(ch(i).FontIndex())); }
    const AbsatzFormat& para() const { return w->Areas[0].Lines[0].Para; }
};

// "abc": run "b" carries the modifiers, under a bold paragraph style when asked.
WordFileSpec charSpec(Bytes grpprl, bool boldStyle = false)
{
    WordFileSpec s;
    s.Pieces = {{u"abc", false}};
    s.Fonts = {"Times New Roman", "Arial"};
    s.Styles = {test::WordStyle{1, 0x0FFF, {}, boldStyle ? sprm(0x0835, {1}) : Bytes{}},
                test::WordStyle{2, 0x0FFF, {}, sprm(0x0836, {1})},
                // A character style that names itself.
                test::WordStyle{2, 0x0FFF, {}, sprm16(0x4A30, 2) + sprm(0x0837, {1})}};
    s.ParaRuns = {{0, 3, {}, 0}};
    s.CharRuns = {{0, 1, {}}, {1, 2, std::move(grpprl)}, {2, 3, {}}};
    return s;
}

struct CharCase {
    const char* name;
    Bytes grpprl;
    bool boldStyle;
    uint8_t style;
    std::vector<int> options;
    double size;
    uint32_t color, background;
    const char* face;
};

TEST(WordProperties, CharacterModifiersBecomeFontEntries)
{
    const uint32_t white = 0xFFFFFF;
    const std::vector<CharCase> cases = {
        {"plain", {}, false, 0, {}, 10, 0, white, "Times New Roman"},
        {"bold", sprm(0x0835, {1}), false, 1, {foBold}, 10, 0, white, "Times New Roman"},
        {"bold style inverted", sprm(0x0835, {129}), true, 0, {}, 10, 0, white, "Times New Roman"},
        {"bold style kept", sprm(0x0835, {128}), true, 1, {foBold}, 10, 0, white, "Times New Roman"},
        {"italic strike", sprm(0x0836, {1}) + sprm(0x0837, {1}), false, 2 | 8, {foItalic, foStrikeout}, 10, 0,
         white, "Times New Roman"},
        {"48 pt", sprm16(0x4A43, 96), false, 0, {}, 48, 0, white, "Times New Roman"},
        {"200 pt", sprm16(0x4A43, 400), false, 0, {}, 200, 0, white, "Times New Roman"},
        {"double underline", sprm(0x2A3E, {3}), false, 4, {foUnderline, foDoubleUnderline}, 10, 0, white,
         "Times New Roman"},
        {"red, superscript", sprm(0x2A42, {6}) + sprm(0x2A48, {1}), false, 0, {foSuperscript}, 10, 0x0000FF,
         white, "Times New Roman"},
        {"highlight", sprm(0x2A0C, {7}), false, 0, {}, 10, 0, 0x00FFFF, "Times New Roman"},
        {"clear shading on dark blue", sprm16(0x4866, 9 << 5 | 3), false, 0, {}, 10, 0, 0x800000,
         "Times New Roman"},
        {"face", sprm16(0x4A4F, 1), false, 0, {}, 10, 0, white, "Arial"},
        {"face past the table", sprm16(0x4A4F, 9), false, 0, {}, 10, 0, white, "Times New Roman"},
        {"character style", sprm16(0x4A30, 1), false, 2, {foItalic}, 10, 0, white, "Times New Roman"},
        {"style naming itself", sprm16(0x4A30, 2), false, 8, {foStrikeout}, 10, 0, white, "Times New Roman"},
        {"style past the sheet", sprm16(0x4A30, 70), false, 0, {}, 10, 0, white, "Times New Roman"},
        // The operand of the last modifier runs past the run: it is not applied.
        {"cut operand", sprm(0x0835, {1}) + Bytes{0x43, 0x4A, 0x60}, false, 1, {foBold}, 10, 0, white,
         "Times New Roman"},
    };
    for (const CharCase& c : cases) {
        Window win(charSpec(c.grpprl, c.boldStyle));
        const FontEntry& f = win.font(1);
        EXPECT_EQ(f.Style, c.style) << c.name;
        for (int bit = 0; bit < 12; ++bit) {
            const bool want = std::find(c.options.begin(), c.options.end(), bit) != c.options.end();
            EXPECT_EQ(GettingOps(f.Options, bit) != 0, want) << c.name << " option " << bit;
        }
        EXPECT_DOUBLE_EQ(f.Size, c.size) << c.name;
        EXPECT_EQ(f.Color, c.color) << c.name;
        EXPECT_EQ(f.BkColor, c.background) << c.name;
        EXPECT_EQ(f.Face, c.face) << c.name;
        // Its neighbours keep the style's format.
        EXPECT_EQ(win.font(0).Style, c.boldStyle ? 1 : 0) << c.name;
    }
}

struct ParaCase {
    const char* name;
    Bytes grpprl;
    AbsatzFormat want;
};

TEST(WordProperties, ParagraphModifiersBecomeParagraphFormats)
{
    const auto format = [](auto change) {
        AbsatzFormat a = DefaultAbsatzFormat();
        a.LineSpacing = 1.0;
        a.LineSpacingMode = 0;
        a.DefaultTabStep = 720 / 1440.0 * 25.39995;
        change(a);
        return a;
    };
    const double inch = 25.39995;
    const Bytes tabs = sprm(0xC60D, {0, 2, 0xA0, 0x05, 0x40, 0x0B, 0x03 | 1 << 3, 0x04});
    const std::vector<ParaCase> cases = {
        {"plain", {}, format([](AbsatzFormat&) {})},
        {"centred, indents", sprm(0x2403, {1}) + sprm16(0x840F, 1440) + sprm16(0x840E, 720) + sprm16(0x8411, 0xFE98),
         format([&](AbsatzFormat& a) {
             a.Alignment = 1;
             a.LeftIndent = inch;
             a.RightIndent = inch / 2;
             a.FirstLineIndent = -inch / 4;
         })},
        {"indents under the newer codes", sprm16(0x845E, 1440) + sprm16(0x845D, 720) + sprm16(0x8460, 0xFE98),
         format([&](AbsatzFormat& a) {
             a.LeftIndent = inch;
             a.RightIndent = inch / 2;
             a.FirstLineIndent = -inch / 4;
         })},
        {"exactly 12 pt", sprm(0x6412, {0x10, 0xFF, 0, 0}), format([&](AbsatzFormat& a) {
             a.LineSpacingMode = 2;
             a.LineSpacing = inch / 6;
         })},
        {"one and a half", sprm(0x6412, {0x68, 0x01, 1, 0}), format([](AbsatzFormat& a) { a.LineSpacing = 1.5; })},
        {"space around", sprm16(0xA413, 240) + sprm16(0xA414, 120), format([&](AbsatzFormat& a) {
             a.SpaceAbove = inch / 6;
             a.SpaceBelow = inch / 12;
         })},
        {"tabs", tabs, format([&](AbsatzFormat& a) {
             a.Tabs = {TabStop{inch, 3, 2}, TabStop{2 * inch, 0, 0}};
         })},
        // Counts past the operand: the change is dropped, not read beyond it.
        {"tab counts past the operand", sprm(0xC60D, {0, 40, 0xA0, 0x05}), format([](AbsatzFormat&) {})},
        {"list", sprm16(0x460B, 1), format([](AbsatzFormat& a) { a.ListKind = 1; })},
    };
    for (const ParaCase& c : cases) {
        WordFileSpec s;
        s.Pieces = {{u"x", false}};
        s.ParaRuns = {{0, 1, c.grpprl, 0}};
        Window win(s);
        const AbsatzFormat& got = win.para();
        EXPECT_EQ(got.Alignment, c.want.Alignment) << c.name;
        EXPECT_NEAR(got.LeftIndent, c.want.LeftIndent, 1e-9) << c.name;
        EXPECT_NEAR(got.RightIndent, c.want.RightIndent, 1e-9) << c.name;
        EXPECT_NEAR(got.FirstLineIndent, c.want.FirstLineIndent, 1e-9) << c.name;
        EXPECT_NEAR(got.LineSpacing, c.want.LineSpacing, 1e-9) << c.name;
        EXPECT_EQ(got.LineSpacingMode, c.want.LineSpacingMode) << c.name;
        EXPECT_NEAR(got.SpaceAbove, c.want.SpaceAbove, 1e-9) << c.name;
        EXPECT_NEAR(got.SpaceBelow, c.want.SpaceBelow, 1e-9) << c.name;
        EXPECT_NEAR(got.DefaultTabStep, c.want.DefaultTabStep, 1e-9) << c.name;
        ASSERT_EQ(got.Tabs.size(), c.want.Tabs.size()) << c.name;
        for (size_t i = 0; i < got.Tabs.size(); ++i) {
            EXPECT_NEAR(got.Tabs[i].Position, c.want.Tabs[i].Position, 1e-9) << c.name;
            EXPECT_EQ(got.Tabs[i].Kind, c.want.Tabs[i].Kind) << c.name;
            EXPECT_EQ(got.Tabs[i].Leader, c.want.Tabs[i].Leader) << c.name;
        }
        EXPECT_EQ(got.ListKind, c.want.ListKind) << c.name;
    }
}

// Bullets and numbers come from the list a paragraph names: its override,
// the override's list, and the level's number format.
TEST(WordProperties, ListsAreBulletedOrNumberedAsTheirLevelsSay)
{
    const auto list = [](uint16_t ilfo, uint8_t ilvl) { return sprm16(0x460B, ilfo) + sprm(0x260A, {ilvl}); };
    struct ListCase {
        const char* name;
        Bytes grpprl;
        uint8_t kind;
        uint32_t countPatch = 0;
    };
    const std::vector<ListCase> cases = {
        {"no list", {}, 0},
        {"bullets", list(1, 0), 1},
        {"numbers", list(2, 0), 2},
        {"numbers without line numbers", list(2, 0) + sprm(0x240C, {1}), 2},
        {"deeper item of a simple list", list(2, 4), 2},
        {"bullet level of a multilevel list", list(3, 1), 1},
        {"letter level of a multilevel list", list(3, 2), 2},
        {"level showing nothing", list(3, 3), 0},
        {"level past the ninth", list(3, 9), 1},
        {"override naming no list", list(4, 0), 1},
        {"override past the table", list(5, 0), 1},
        {"list count past the table", list(2, 0), 1, 0x7FFF},
    };
    for (const ListCase& c : cases) {
        WordFileSpec s;
        s.Pieces = {{u"x", false}};
        s.ParaRuns = {{0, 1, c.grpprl, 0}};
        s.Lists = {{10, {23}}, {20, {0}}, {30, {0, 23, 4, 255, 0, 0, 0, 0, 0}}};
        s.ListOverrides = {10, 20, 30, 99};
        s.ListCountPatch = c.countPatch;
        Window win(s);
        EXPECT_EQ(win.para().ListKind, c.kind) << c.name;
    }
    // A file without lists at all: a list paragraph gets bullets.
    WordFileSpec bare;
    bare.Pieces = {{u"x", false}};
    bare.ParaRuns = {{0, 1, list(2, 0), 0}};
    EXPECT_EQ(Window(bare).para().ListKind, 1);
}

// A page claiming more runs than it holds would send the offsets past its
// end; its runs are ignored and the text keeps the style's format.
TEST(WordProperties, PagesClaimingTooManyRunsAreIgnored)
{
    for (const uint8_t claimed : {uint8_t(101), uint8_t(102), uint8_t(126), uint8_t(255)}) {
        WordFileSpec s = charSpec(sprm(0x0835, {1}));
        s.CharRunCount = claimed;
        Window win(s);
        ASSERT_EQ(win.w->Areas[0].Lines[0].Chars.size(), 3u) << int(claimed);
        if (claimed > 101) {
            EXPECT_EQ(win.font(1).Style, 0) << int(claimed);
        }
    }
}

// The run lookup remembers where it last found a run and which gap it last
// found empty; neither shortcut may change which run answers.
TEST(WordProperties, RunLookupAnswersLikeAFullScan)
{
    const auto run = [](uint32_t first, uint32_t lim) {
        word::FkpRun r;
        r.FcFirst = first;
        r.FcLim = lim;
        return r;
    };
    // Runs with gaps, one overlapping its neighbour and one empty.
    const std::vector<word::FkpRun> runs = {run(10, 20), run(20, 30), run(40, 50), run(45, 60), run(70, 70),
                                            run(100, 110)};
    word::RunFinder finder(runs);
    const std::vector<std::pair<uint32_t, int32_t>> asks = {
        {10, 0}, {19, 0}, {20, 1}, {29, 1}, {30, -1}, {35, -1}, {39, -1}, {40, 2}, {47, 2}, {50, 3}, {59, 3},
        {60, -1}, {69, -1}, {70, -1}, {99, -1}, {100, 5}, {5, -1}, {0, -1}, {9, -1}, {10, 0}, {110, -1},
        {0xFFFFFFFF, -1}, {45, 2}, {65, -1}, {31, -1}, {25, 1},
    };
    for (const auto& [fc, want] : asks) EXPECT_EQ(finder.find(fc), want) << fc;
}

TEST(WordProperties, ToggleAndShadingRules)
{
    struct {
        bool before;
        uint8_t operand;
        bool after;
    } toggles[] = {{true, 0, false}, {false, 1, true}, {true, 128, true}, {true, 129, false}, {false, 129, true},
                   {true, 7, true}};
    for (const auto& t : toggles) {
        bool flag = t.before;
        word::applyToggle(flag, t.operand);
        EXPECT_EQ(flag, t.after) << int(t.operand);
    }
    EXPECT_EQ(word::shadeColor(0xFFFFFF, 0, 0), 0u);
    EXPECT_EQ(word::shadeColor(0xFFFFFF, 0, 1), 0xFFFFFFu);
    EXPECT_EQ(word::shadeColor(0xFFFFFF, 0, 8), 0x808080u);  // 50%: halves round up
    EXPECT_EQ(word::shadeColor(0xFFFFFF, 0x000000, 14), 0x808080u);
    EXPECT_EQ(word::icoColor(0, 0x123456), 0x123456u);
    EXPECT_EQ(word::icoColor(17, 7), 7u);
    EXPECT_EQ(word::icoColor(2, 0), 0xFF0000u);
}

} // namespace

namespace {

// Cell and row marks: the paragraphs of "cells" end in a cell mark, the row
// in a row mark whose paragraph defines the row's boundaries (twips).
WordFileSpec rowSpec(const std::u16string& cells, std::vector<int16_t> centres, Bytes shading = {})
{
    WordFileSpec s;
    const std::u16string text = cells + u"\x07" u"after";
    s.Pieces = {{text, false}};
    const Bytes inTable = sprm(0x2416, {1});
    Bytes def{uint8_t(centres.size() - 1)};
    for (int16_t c : centres) def.insert(def.end(), {uint8_t(c), uint8_t(uint16_t(c) >> 8)});
    def.resize(def.size() + 10 * (centres.size() - 1));  // the cell descriptors
    Bytes rowEnd = inTable + sprm(0x2417, {1});
    rowEnd.insert(rowEnd.end(), {0x08, 0xD6, uint8_t(def.size() + 1), uint8_t((def.size() + 1) >> 8)});
    rowEnd.insert(rowEnd.end(), def.begin(), def.end());
    if (!shading.empty()) rowEnd = rowEnd + sprm(0xD609, shading);
    const int32_t end = int32_t(cells.size());
    s.ParaRuns = {{0, end, inTable, 0}, {end, end + 1, rowEnd, 0}, {end + 1, end + 6, {}, 0}};
    return s;
}

struct RowCase {
    const char* name;
    WordFileSpec spec;
    std::vector<std::string> cells;  // text of the lines before "after"
    bool isRow;
    std::vector<double> widths;
};

TEST(WordProperties, CellAndRowMarksBuildTableRows)
{
    const double inch = 25.39995;
    const std::vector<RowCase> cases = {
        {"two cells", rowSpec(u"a\x07" u"b\x07", {0, 1440, 4320}), {"a", "b"}, true, {inch, 2 * inch}},
        {"empty cell", rowSpec(u"\x07" u"b\x07", {0, 1440, 2880}), {"", "b"}, true, {inch, inch}},
        {"count differs", rowSpec(u"a\x07" u"b\x07", {0, 1440, 2880, 4320}), {"a", "b"}, false, {}},
        {"boundaries backwards", rowSpec(u"a\x07" u"b\x07", {0, 1440, 720}), {"a", "b"}, true, {inch, 1.0}},
        {"shaded", rowSpec(u"a\x07", {0, 1440}, {0x20, 0x01}), {"a"}, true, {inch}},
        {"shading cut short", rowSpec(u"a\x07" u"b\x07", {0, 1440, 2880}, {0x20, 0x01}), {"a", "b"}, false, {}},
    };
    for (const RowCase& c : cases) {
        Window win(c.spec);
        const auto& lines = win.w->Areas[0].Lines;
        ASSERT_EQ(lines.size(), c.cells.size() + 1) << c.name;
        EXPECT_EQ(lines.back().IsCell, 0) << c.name;
        for (size_t k = 0; k < c.cells.size(); ++k) {
            const TextLine& l = lines[k];
            std::string text;
            for (const TextChar& ch : l.Chars) text += char(ch.Code);
            EXPECT_EQ(text, c.cells[k]) << c.name;
            EXPECT_EQ(l.IsCell, c.isRow ? 1 : 0) << c.name;
            if (!c.isRow) continue;
            EXPECT_EQ(l.CellsPerRow, int32_t(c.cells.size())) << c.name;
            EXPECT_EQ(l.CellIndex, int32_t(k)) << c.name;
            EXPECT_NEAR(l.CellWidth, c.widths[k], 1e-9) << c.name;
            // Every cell of a row carries the same insets, an empty one too.
            EXPECT_DOUBLE_EQ(l.CellInsetRight, lines[0].CellInsetRight) << c.name;
            EXPECT_DOUBLE_EQ(l.CellInsetLeft, 0) << c.name;
        }
    }
    Window shaded(cases[4].spec);
    EXPECT_EQ(shaded.w->Areas[0].Lines[0].Design.Background, 0x800000u);
    EXPECT_EQ(shaded.w->Areas[0].Lines[0].Design.Transparent, 0);
}

TEST(WordProperties, ParagraphEndInsideACellStaysInTheCell)
{
    WordFileSpec s = rowSpec(u"x\ry\x07", {0, 1440});
    s.ParaRuns[0].Grpprl = s.ParaRuns[0].Grpprl + sprm(0x2403, {2});
    Window win(s);
    const auto& lines = win.w->Areas[0].Lines;
    ASSERT_EQ(lines.size(), 2u);
    ASSERT_EQ(lines[0].Chars.size(), 3u);
    EXPECT_EQ(lines[0].Chars[1].Code, 13);
    ASSERT_TRUE(lines[0].Chars[1].ParaCopy());
    // The paragraph after the inline end keeps its own format in the copy.
    EXPECT_EQ(lines[0].Chars[1].ParaCopy()->Alignment, 2);
    EXPECT_DOUBLE_EQ(lines[0].Chars[1].ParaCopy()->LeftIndent, 2.5);
    EXPECT_EQ(lines[0].Para->Alignment, 2);
    EXPECT_EQ(lines[0].IsCell, 1);
}

} // namespace

namespace {

struct PageCase {
    const char* name;
    Bytes sepx;
    int32_t dop;
    double width, height, top, headerTop;
    std::array<uint8_t, 3> modes;  // areas 1/2, 3/4, 5/6
};

TEST(WordProperties, TheFirstSectionSetsThePage)
{
    const double inch = 25.39995, gap = 0.5142857142857 * inch;
    const std::vector<PageCase> cases = {
        {"defaults", {}, -1, 8.5 * inch, 11 * inch, inch, inch / 2, {99, 99, 1}},
        {"A5 with a title page", sprm16(0xB01F, 8391) + sprm16(0xB020, 11906) + sprm(0x300A, {1}), -1,
         8391 / 1440.0 * inch, 11906 / 1440.0 * inch, inch, inch / 2, {0, 99, 2}},
        {"title and facing pages", sprm(0x300A, {1}), 1, 8.5 * inch, 11 * inch, inch, inch / 2, {0, 5, 6}},
        {"facing pages", {}, 1, 8.5 * inch, 11 * inch, inch, inch / 2, {99, 3, 4}},
        {"header past the margin", sprm16(0xB017, 2880), -1, 8.5 * inch, 11 * inch, inch, inch - gap, {99, 99, 1}},
        {"small margin", sprm16(0x9023, 360) + sprm16(0xB017, 2880), -1, 8.5 * inch, 11 * inch, inch / 4, 0,
         {99, 99, 1}},
        {"exact negative margin", sprm16(0x9023, uint16_t(-2880)), -1, 8.5 * inch, 11 * inch, 2 * inch, inch / 2,
         {99, 99, 1}},
    };
    for (const PageCase& c : cases) {
        WordFileSpec s;
        s.Pieces = {{u"x", false}};
        s.Sections = {{2, c.sepx}};
        s.DopFlags = c.dop;
        FrameState frame = StandardFrameState();
        TMDIChild w(frame);
        w.FormCreate();
        ASSERT_GE(w.AreaCount(), 7);
        ASSERT_EQ(ReadWordFile(w, test::makeWordFile(s)), WordResult::Ok) << c.name;
        EXPECT_NEAR(w.PageWidth, c.width, 1e-9) << c.name;
        EXPECT_NEAR(w.PageHeight, c.height, 1e-9) << c.name;
        EXPECT_NEAR(w.Areas[0].InnerTop, c.top, 1e-9) << c.name;
        EXPECT_NEAR(w.Areas[0].InnerLeft, 1.25 * inch, 1e-9) << c.name;
        EXPECT_NEAR(w.Areas[1].InnerTop, c.headerTop, 1e-9) << c.name;
        EXPECT_NEAR(w.Areas[1].Bottom, c.top - 0.5, 1e-9) << c.name;
        for (int a = 1; a <= 6; ++a) EXPECT_EQ(w.Areas[size_t(a)].PageMode, c.modes[size_t(a - 1) / 2]) << c.name << a;
    }
}

TEST(WordProperties, SectionBreaksHeadersAndDocumentStrings)
{
    // "one\f" ends a continuous section, "two\f" a new-page one; then the
    // header stories follow the main text.
    WordFileSpec s;
    const std::u16string main = u"one\ftwo\fend";
    const std::u16string stories = u"Head\rFoot\r";
    s.Pieces = {{main + stories, false}};
    s.CcpText = int32_t(main.size());
    s.Sections = {{4, {}}, {8, sprm(0x3009, {0})}, {12, sprm(0x3009, {2})}};
    // Stories: 0..5 footnote separators, then even header, odd header (5
    // chars), even footer, odd footer (5 chars), first header, first footer.
    s.HeaderCps = {0, 0, 0, 0, 0, 0, 0, 0, 5, 5, 10, 10, 10, 10};
    s.Assoc = {"", "", "Title", "Subject", "Keys", "Note", "Author"};
    FrameState frame = StandardFrameState();
    TMDIChild w(frame);
    w.FormCreate();
    ASSERT_EQ(ReadWordFile(w, test::makeWordFile(s)), WordResult::Ok);
    std::vector<std::string> lines;
    for (const TextLine& l : w.Areas[0].Lines) {
        std::string t;
        for (const TextChar& c : l.Chars) t += char(c.Code);
        lines.push_back(t + "|" + std::to_string(l.EndKind));
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"onetwo|3", "end|0"}));
    const auto text = [&](int area) {
        std::string t;
        for (const TextLine& l : w.Areas[size_t(area)].Lines)
            for (const TextChar& c : l.Chars) t += char(c.Code);
        return t;
    };
    EXPECT_EQ(text(5), "Head");
    EXPECT_EQ(text(6), "Foot");
    for (int a : {1, 2, 3, 4}) EXPECT_EQ(text(a), "") << a;
    EXPECT_EQ(w.DocProperties[0], "Title");
    EXPECT_EQ(w.DocProperties[1], "Subject");
    EXPECT_EQ(w.DocProperties[2], "Author");
    EXPECT_EQ(w.DocProperties[6], "Keys");
    EXPECT_EQ(w.DocProperties[7], "Note");
}

} // namespace

namespace {

// The picture header and drawing records of the Data stream around one blip.
Bytes pictureData(uint16_t type, uint16_t instance, const Bytes& blip)
{
    Bytes rec;
    const auto u16 = [&](uint16_t v) { rec.insert(rec.end(), {uint8_t(v), uint8_t(v >> 8)}); };
    const auto u32 = [&](uint32_t v) { u16(uint16_t(v)); u16(uint16_t(v >> 16)); };
    Bytes picf(68, 0);
    const Bytes store = Bytes(36, 0);
    const uint32_t blipRecord = 8 + uint32_t(blip.size());
    const uint32_t total = 68 + 8 + 8 + 36 + blipRecord;
    picf[0] = uint8_t(total), picf[1] = uint8_t(total >> 8);
    picf[4] = 68;
    picf[6] = 100;
    picf[28] = 0xA0, picf[29] = 0x05;  // 1440 twips wide
    picf[30] = 0xD0, picf[31] = 0x02;  // 720 high
    picf[32] = 0xE8, picf[33] = 0x03, picf[34] = 0xE8, picf[35] = 0x03;
    u16(0x000F); u16(0xF004); u32(8 + 36 + blipRecord);
    u16(0x0002); u16(0xF007); u32(36 + blipRecord);
    rec.insert(rec.end(), store.begin(), store.end());
    u16(uint16_t(instance << 4)); u16(type); u32(uint32_t(blip.size()));
    rec.insert(rec.end(), blip.begin(), blip.end());
    return picf + rec;
}

TEST(WordProperties, PicturesOfTheDataStreamAreImported)
{
    Dib source;
    newdib(&source, 4, 3, 24, nullptr, 0);
    const Bytes jpeg = SaveDibJpegToMemory(source);
    ASSERT_FALSE(jpeg.empty());
    Bytes jpegBlip(17, 0);
    jpegBlip = jpegBlip + jpeg;
    Bytes wmfBlip(16, 0);
    {
        const Bytes wmf = metafileOfPicture(source);
        uLongf packed = compressBound(uLong(wmf.size()));
        Bytes z(packed);
        ASSERT_EQ(compress2(z.data(), &packed, wmf.data(), uLong(wmf.size()), 6), Z_OK);
        z.resize(packed);
        Bytes header(34, 0);
        header[0] = uint8_t(wmf.size()), header[1] = uint8_t(wmf.size() >> 8), header[2] = uint8_t(wmf.size() >> 16);
        header[28] = uint8_t(z.size()), header[29] = uint8_t(z.size() >> 8);
        header[33] = 0xFE;
        wmfBlip = wmfBlip + header + z;
    }
    Bytes png;
    {
        const std::vector<uint32_t> pixels(12, 0x0000FF);
        const auto file = test::freshTestDir("word_png") / "p.png";
        ASSERT_TRUE(writePngFile(file, pixels.data(), 4, 3, 4));
        const std::string bytes = test::readAll(file);
        png.assign(bytes.begin(), bytes.end());
    }
    // The blips whose instance is the second of its pair carry a second
    // 16-byte identifier before the picture.
    const auto blip = [](size_t ids, const Bytes& picture) { return Bytes(16 * ids + 1, 0) + picture; };
    // A metafile blip stored without compression: not read.
    Bytes plainWmf = wmfBlip;
    plainWmf[16 + 32] = 0xFE;
    struct Case {
        const char* name;
        Bytes data;
        bool withData;
        bool picture;
    } cases[] = {
        {"jpeg", pictureData(0xF01D, 0x46A, jpegBlip), true, true},
        {"jpeg with two identifiers", pictureData(0xF01D, 0x46B, blip(2, jpeg)), true, true},
        {"cmyk jpeg instance", pictureData(0xF01D, 0x6E2, blip(1, jpeg)), true, true},
        {"png", pictureData(0xF01E, 0x6E0, blip(1, png)), true, true},
        {"png with two identifiers", pictureData(0xF01E, 0x6E1, blip(2, png)), true, true},
        {"enhanced metafile", pictureData(0xF01A, 0x3D4, blip(1, png)), true, false},
        {"device independent bitmap", pictureData(0xF01F, 0x7A8, blip(1, png)), true, false},
        {"metafile not deflated", pictureData(0xF01B, 0x216, plainWmf), true, false},
        {"metafile", pictureData(0xF01B, 0x216, wmfBlip), true, true},
        {"no data stream", pictureData(0xF01D, 0x46A, jpegBlip), false, false},
        {"broken jpeg", pictureData(0xF01D, 0x46A, Bytes(40, 7)), true, false},
        {"record past the end", [&] { Bytes d = pictureData(0xF01D, 0x46A, jpegBlip); d.resize(120); return d; }(),
         true, false},
    };
    for (const Case& c : cases) {
        WordFileSpec s;
        s.Pieces = {{u"a\x01" u"b", false}};
        s.CharRuns = {{1, 2, sprm(0x0855, {1}) + sprm(0x6A03, {0, 0, 0, 0})}};
        if (c.withData) s.ExtraStreams = {{"Data", c.data}};
        Window win(s);
        const auto& chars = win.w->Areas[0].Lines[0].Chars;
        ASSERT_EQ(chars.size(), c.picture ? 3u : 2u) << c.name;
        if (!c.picture) continue;
        EXPECT_EQ(chars[1].Kind, ckPicture) << c.name;
        ASSERT_LT(chars[1].PictureIndex(), win.w->Pictures.size()) << c.name;
        EXPECT_EQ(dibwidth(win.w->Pictures[chars[1].PictureIndex()]), 4) << c.name;
        EXPECT_FLOAT_EQ(chars[1].Width, 25.39995) << c.name;
        EXPECT_FLOAT_EQ(chars[1].Height(), 25.39995 / 2) << c.name;
    }
}

} // namespace
