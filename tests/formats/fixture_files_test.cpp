// Files written by a desktop word processor, each source saved both as RTF
// and as Word 97 (see tests/data/rtf/README and tests/data/word/README):
// opened the way the program opens a file, both spellings of one source
// give the same text, formats, table cells, headers and footers; saved in
// our own format they come back unchanged, and exported as PDF their words
// are on the page.

#include "engine/Childwin.h"
#include "formats/NativeFormat.h"
#include "formats/OpenSave.h"
#include "formats/StandardServices.h"
#include "formats/rtf/Rtf.h"
#include "formats/word/Word.h"
#include "formats/word/WordPictures.h"
#include "platform/Dib.h"
#include "platform/MessageBox.h"
#include "render/pdf/PDFExport.h"
#include "tests/support/PdfFiles.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestPaths.h"
#include "tests/support/WordFiles.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

using namespace quillet;

namespace {

const char* const kStems[] = {"desktop_formats", "desktop_table", "desktop_header", "desktop_lists"};
const char* const kKinds[] = {"rtf", "doc"};

std::filesystem::path fixture(const std::string& stem, const std::string& kind)
{
    return test::dataDir() / (kind == "rtf" ? "rtf" : "word") / (stem + "." + kind);
}

// Area text with paragraph ends "|", line breaks "/", cell ends "¦"; a
// picture shows as "@", a field as "#".
std::string text(const TMDIChild& w, int32_t area)
{
    std::string s;
    for (const TextLine& l : w.Areas.at(size_t(area)).Lines) {
        for (const TextChar& c : l.Chars)
            s += c.Kind == ckPicture ? '@' : c.Kind == ckField ? '#' : char(c.Code);
        if (l.IsCell) s += '\xA6';
        else if (l.EndKind == ekParagraph) s += '|';
        else if (l.EndKind == ekLineBreak) s += '/';
    }
    return s;
}

// The first header or footer area that holds characters.
int32_t filledArea(const TMDIChild& w, int32_t type)
{
    for (int32_t a = 0; a < w.AreaCount(); ++a) {
        const TextArea& area = w.Areas[size_t(a)];
        if (area.AreaType != type) continue;
        for (const TextLine& l : area.Lines)
            if (!l.Chars.empty()) return a;
    }
    return -1;
}

// The body character where `word` starts, and its line.
struct Found {
    const TextLine* line = nullptr;
    const TextChar* ch = nullptr;
};
Found findWord(const TMDIChild& w, const std::string& word)
{
    for (const TextLine& l : w.Areas[0].Lines) {
        std::string s;
        for (const TextChar& c : l.Chars) s += char(c.Code);
        if (const size_t at = s.find(word); at != std::string::npos) return Found{&l, &l.Chars[at]};
    }
    return {};
}

class FixtureFiles : public ::testing::Test {
protected:
    void SetUp() override { setMessageBoxes(&boxes); }
    void TearDown() override { setMessageBoxes(nullptr); }
    std::unique_ptr<TMDIChild> open(const std::filesystem::path& path)
    {
        frame.ProgDir = test::programDir();
        auto w = std::make_unique<TMDIChild>(frame);
        w->FormCreate();
        EXPECT_TRUE(w->OpenFile(path.string(), ofByExtension)) << path;
        EXPECT_TRUE(boxes.texts.empty()) << path << ": " << (boxes.texts.empty() ? "" : boxes.texts[0]);
        boxes.texts.clear();
        return w;
    }
    const FontEntry& font(const TMDIChild& w, const TextChar& c) { return w.Fonts.at(size_t(c.FontIndex())); }
    test::RecordingBoxes boxes;
    FrameState frame = StandardFrameState();
};

TEST_F(FixtureFiles, CharacterAndParagraphFormats)
{
    for (const char* kind : kKinds) {
        SCOPED_TRACE(kind);
        const auto w = open(fixture("desktop_formats", kind));
        EXPECT_EQ(text(*w, 0), "Formats Sample|Plain bold italic underlined red large typewriter both words in a "
                               "justified paragraph that is long enough to wrap onto a second line of the page.|"
                               "Right aligned|Indented paragraph with a hanging first line/and a line break.|"
                               "Left\tCentre\tRight|Caf\xE9 \x96 \x93quoted\x94 don\x92t 20\x80|");
        struct WordFormat {
            const char* word;
            const char* face;
            double size;
            uint8_t style;  // bold 1, italic 2, underline 4
            uint32_t color;
        };
        const WordFormat words[] = {
            {"Formats", "Arial", 16, 1, 0},
            {"Plain", "Times New Roman", 12, 0, 0},
            {"bold", "Times New Roman", 12, 1, 0},
            {"italic", "Times New Roman", 12, 2, 0},
            {"underlined", "Times New Roman", 12, 4, 0},
            {"red", "Times New Roman", 12, 0, 0x0000FF},
            {"large", "Times New Roman", 20, 0, 0},
            {"typewriter", "Courier New", 9, 0, 0},
            {"both", "Times New Roman", 12, 3, 0xFF0000},
        };
        for (const WordFormat& f : words) {
            const Found at = findWord(*w, f.word);
            ASSERT_NE(at.ch, nullptr) << f.word;
            const FontEntry& e = font(*w, *at.ch);
            EXPECT_EQ(std::tie(e.Face, e.Size, e.Color), std::tie(f.face, f.size, f.color)) << f.word;
            EXPECT_EQ(e.Style & 7, f.style) << f.word;
        }
        struct ParaFormat {
            const char* word;
            uint8_t alignment;
            double above, below, left, right, first;
        };
        const ParaFormat paras[] = {
            {"Formats", 1, 0, 4.233, 0, 0, 0},
            {"Plain", 3, 2.117, 2.117, 0, 0, 0},
            {"Right aligned", 2, 0, 0, 0, 0, 0},
            {"Indented", 0, 0, 0, 25.4, 12.7, -6.35},
            {"and a line break", 0, 0, 0, 25.4, 12.7, -6.35},
        };
        for (const ParaFormat& p : paras) {
            const Found at = findWord(*w, p.word);
            ASSERT_NE(at.line, nullptr) << p.word;
            const AbsatzFormat& f = at.line->Para;
            EXPECT_EQ(f.Alignment, p.alignment) << p.word;
            EXPECT_NEAR(f.SpaceAbove, p.above, 0.01) << p.word;
            EXPECT_NEAR(f.SpaceBelow, p.below, 0.01) << p.word;
            EXPECT_NEAR(f.LeftIndent, p.left, 0.01) << p.word;
            EXPECT_NEAR(f.RightIndent, p.right, 0.01) << p.word;
            EXPECT_NEAR(f.FirstLineIndent, p.first, 0.01) << p.word;
        }
        const std::vector<TabStop>& tabs = findWord(*w, "Centre").line->Para->Tabs;
        ASSERT_EQ(tabs.size(), 3u);
        const std::tuple<double, int32_t, uint8_t> stops[] = {{25.4, 0, 0}, {76.2, 1, 0}, {127.0, 2, 2}};
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_NEAR(tabs[i].Position, std::get<0>(stops[i]), 0.01) << i;
            EXPECT_EQ(std::tie(tabs[i].Kind, tabs[i].Leader), std::tie(std::get<1>(stops[i]), std::get<2>(stops[i])))
                << i;
        }
        EXPECT_NEAR(w->PageWidth, 215.9, 0.01);
        EXPECT_NEAR(w->PageHeight, 279.4, 0.01);
    }
}

TEST_F(FixtureFiles, TableCellsEmptyOnesIncluded)
{
    for (const char* kind : kKinds) {
        SCOPED_TRACE(kind);
        const auto w = open(fixture("desktop_table", kind));
        EXPECT_EQ(text(*w, 0), "Before the table.|Name\xA6Value\xA6Unit\xA6Width\xA6\xA6" "cm\xA6Height\xA6" "12\xA6\xA6"
                               "After the table.|");
        std::vector<const TextLine*> cells;
        for (const TextLine& l : w->Areas[0].Lines)
            if (l.IsCell) cells.push_back(&l);
        ASSERT_EQ(cells.size(), 9u);
        for (size_t i = 0; i < cells.size(); ++i) {
            const TextLine& c = *cells[i];
            EXPECT_EQ(c.CellsPerRow, 3) << i;
            EXPECT_EQ(c.CellIndex, int32_t(i % 3)) << i;
            EXPECT_NEAR(c.CellWidth, 50.8, 0.1) << i;
            EXPECT_EQ(c.Design.BorderOn, (std::array<uint8_t, 4>{1, 1, 1, 1})) << i;
            // Word cells take the standard border width.
            EXPECT_NEAR(c.Design.BorderWidth[bsTop], std::string(kind) == "rtf" ? 0.5 : 0.75, 0.01) << i;
            // Only the first cell is shaded.
            EXPECT_EQ(c.Design.Transparent, i == 0 ? 0 : 1) << i;
        }
        EXPECT_EQ(cells[0]->Design.Background, 0xC0C0C0u);
        EXPECT_EQ(font(*w, cells[0]->Chars.at(0)).Style & 1, 1);
        EXPECT_TRUE(cells[4]->Chars.empty());
        EXPECT_TRUE(cells[8]->Chars.empty());
    }
}

TEST_F(FixtureFiles, HeaderPictureAndFooterPageField)
{
    for (const char* kind : kKinds) {
        SCOPED_TRACE(kind);
        const auto w = open(fixture("desktop_header", kind));
        EXPECT_EQ(text(*w, 0), "Body text under a letterhead.|Second paragraph of the body.|");
        const int32_t header = filledArea(*w, atHeader), footer = filledArea(*w, atFooter);
        ASSERT_GE(header, 0);
        ASSERT_GE(footer, 0);
        const bool rtf = std::string(kind) == "rtf";
        // Word stories keep their closing empty paragraph.
        EXPECT_EQ(text(*w, header), rtf ? "@ Letterhead Company|" : "@ Letterhead Company||");
        EXPECT_EQ(text(*w, footer), rtf ? "Page #|" : "Page #||");
        const TextChar& page = w->Areas[size_t(footer)].Lines[0].Chars.at(5);
        ASSERT_EQ(page.Kind, ckField);
        EXPECT_EQ(*page.FieldCode(), "page");
        EXPECT_EQ(w->Areas[size_t(footer)].Lines[0].Para->Alignment, 1);
        const TextChar& pic = w->Areas[size_t(header)].Lines[0].Chars.at(0);
        ASSERT_EQ(pic.Kind, ckPicture);
        ASSERT_LT(pic.PictureIndex(), w->Pictures.size());
        EXPECT_EQ(dibwidth(w->Pictures[pic.PictureIndex()]), 16);
        EXPECT_EQ(dibheight(w->Pictures[pic.PictureIndex()]), 8);
        EXPECT_NEAR(pic.Width, 12.7, 0.1);
        EXPECT_NEAR(pic.Height(), 6.35, 0.1);
    }
}

TEST_F(FixtureFiles, ListsAndFootnotes)
{
    for (const char* kind : kKinds) {
        SCOPED_TRACE(kind);
        const auto w = open(fixture("desktop_lists", kind));
        const std::string body = text(*w, 0);
        EXPECT_NE(body.find("Shopping list:|"), std::string::npos) << body;
        struct Item {
            const char* word;
            uint8_t listKind;
        };
        for (const Item& item : {Item{"Apples", 1}, Item{"Pears", 1}, Item{"Wash", 2}, Item{"Cut", 2}}) {
            const Found at = findWord(*w, item.word);
            ASSERT_NE(at.line, nullptr) << item.word << " in " << body;
            EXPECT_EQ(at.line->Para->ListKind, item.listKind) << item.word;
            EXPECT_NEAR(at.line->Para->LeftIndent, 12.7, 0.01) << item.word;
        }
        const Found note = findWord(*w, "A sentence with a note");
        ASSERT_NE(note.line, nullptr) << body;
        int32_t refs = 0;
        for (const TextChar& c : note.line->Chars) refs += c.Kind == ckFootnoteRef;
        EXPECT_EQ(refs, 1);
        int32_t notes = 0;
        for (int32_t a = 0; a < w->AreaCount(); ++a)
            if (const TextArea& area = w->Areas[size_t(a)];
                !area.Lines.empty() && !area.Lines[0].Chars.empty() && area.Lines[0].Chars[0].Kind == ckFootnoteNumber) {
                ++notes;
                EXPECT_NE(text(*w, a).find("The footnote text."), std::string::npos) << text(*w, a);
            }
        EXPECT_EQ(notes, 1);
    }
}

// What the files above showed of other writers' RTF: page fields, fields
// whose instruction comes in groups, and pictures in shapes that stand in
// the text.
TEST_F(FixtureFiles, RtfFieldsAndShapesAsWritersWriteThem)
{
    // A 16 x 8 PNG.
    const std::string png = "89504e470d0a1a0a0000000d49484452000000100000000808020000007f14e8c00000001a49444154789c63f9"
                            "cf801d3032609761c1a11e2718d5400c00000fc0022062d85a2a0000000049454e44ae426082";
    const std::string pict = "{\\pict\\pngblip\\picw16\\pich8 " + png + "}";
    struct Case {
        const char* name;
        std::string rtf;
        std::string text;  // fields "#", pictures "@"
        std::vector<std::string> codes;
        double pictureWidth;  // mm, 0 for none
    };
    const std::vector<Case> cases = {
        {"page number", "Page {\\field{\\*\\fldinst  PAGE }{\\fldrslt 1}}", "Page #|", {"page"}, 0},
        {"page count in groups", "of {\\field{\\*\\fldinst {\\b NUMPAGES }{\\\\* MERGEFORMAT}}{\\fldrslt {\\b 3}}}.",
         "of #.|", {"pagecount"}, 0},
        {"other fields stay text", "{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}} {\\field{\\*\\fldinst PAGEREF a}{\\fldrslt 2}}",
         "link 2|", {}, 0},
        {"a page field inside an instruction", "{\\field{\\*\\fldinst IF {\\field{\\*\\fldinst PAGE}{\\fldrslt 1}} = 1 \"one\"}{\\fldrslt one}}",
         "one|", {}, 0},
        {"shape in a field result", "a{\\field{\\*\\fldinst SHAPE }{\\fldrslt{\\shp{\\*\\shpinst\\shpleft0\\shptop-361\\shpright719"
         "\\shpbottom-2{\\sp{\\sn shapeType}{\\sv 75}}{\\sp{\\sn pib}{\\sv " + pict + "}}{\\sp{\\sn fillBlip}{\\sv " + pict +
         "}}}}}}b", "a@b|", {}, 719 / 1440.0 * 25.39995},
        {"shape edges far apart", "{\\field{\\fldrslt{\\shp{\\*\\shpinst\\shpleft-2000000000\\shpright2000000000\\shpbottom1"
         "{\\sp{\\sn pib}{\\sv " + pict + "}}}}}}", "@|", {}, 1000},
        {"fill of a picture frame", "{\\shp{\\*\\shpinst\\shpleft0\\shptop0\\shpright1440\\shpbottom1440{\\sp{\\sn shapeType}"
         "{\\sv 75}}{\\sp{\\sn fillBlip}{\\sv " + pict + "}}}}x", "x|", {}, 0},
    };
    for (const Case& c : cases) {
        frame.ProgDir = test::programDir();
        TMDIChild w(frame);
        w.FormCreate();
        const std::string rtf = "{\\rtf1\\ansi " + c.rtf + "\\par}";
        ASSERT_EQ(ReadRtfFile(w, reinterpret_cast<const uint8_t*>(rtf.data()), rtf.size()), 0) << c.name;
        EXPECT_EQ(text(w, 0), c.text) << c.name;
        std::vector<std::string> codes;
        for (const TextChar& ch : w.Areas[0].Lines[0].Chars) {
            if (ch.Kind == ckField) codes.push_back(*ch.FieldCode());
            if (ch.Kind == ckPicture) {
                EXPECT_FLOAT_EQ(ch.Width, c.pictureWidth) << c.name;
            }
        }
        EXPECT_EQ(codes, c.codes) << c.name;
        EXPECT_EQ(w.Pictures.size(), c.pictureWidth > 0 ? 1u : 0u) << c.name;
    }
}

// Word list items as the Word file above has them: the indent is the list
// level's, unless the paragraph gives its own.
TEST_F(FixtureFiles, WordListItemsTakeTheirLevelsIndent)
{
    struct Case {
        const char* name;
        std::vector<uint8_t> grpprl;
        double left;
    };
    using test::operator+;
    const double inch = 25.39995;
    const std::vector<Case> cases = {
        {"level indent", test::sprm16(0x460B, 1), inch / 2},
        {"paragraph indent wins", test::sprm16(0x460B, 1) + test::sprm16(0x845E, 1440), inch},
        {"list the file does not describe", test::sprm16(0x460B, 7), 0},
        {"no list", {}, 0},
    };
    for (const Case& c : cases) {
        test::WordFileSpec spec;
        spec.Pieces = {{u"item", false}};
        spec.ParaRuns = {{0, 4, c.grpprl, 0}};
        spec.Lists = {{10, {23}}};
        spec.ListOverrides = {10};
        TMDIChild w(frame);
        w.NewPage(true);
        if (w.Areas[0].Lines.empty()) w.InsertNewLine(0, 0);
        ASSERT_EQ(ReadWordFile(w, test::makeWordFile(spec)), WordResult::Ok) << c.name;
        EXPECT_NEAR(w.Areas[0].Lines[0].Para->LeftIndent, c.left, 1e-9) << c.name;
    }
}

// Drawn objects of Word files as the header file above has them: an anchor
// table names a shape, the shape's picture property a blip of the store,
// and the blip lies in the store entry or in the main stream.
TEST_F(FixtureFiles, WordDrawnObjectsShowTheirPicture)
{
    std::vector<uint8_t> png;
    const std::string hex = "89504e470d0a1a0a0000000d49484452000000100000000808020000007f14e8c00000001a49444154789c63f9"
                            "cf801d3032609761c1a11e2718d5400c00000fc0022062d85a2a0000000049454e44ae426082";
    for (size_t i = 0; i < hex.size(); i += 2) png.push_back(uint8_t(std::stoi(hex.substr(i, 2), nullptr, 16)));
    using Bytes = std::vector<uint8_t>;
    using test::operator+;
    const auto u16 = [](Bytes& b, uint32_t v) { b.push_back(uint8_t(v)), b.push_back(uint8_t(v >> 8)); };
    const auto u32 = [&](Bytes& b, uint32_t v) { u16(b, v & 0xFFFF), u16(b, v >> 16); };
    const auto record = [&](uint16_t verInst, uint16_t type, const Bytes& body) {
        Bytes b;
        u16(b, verInst), u16(b, type), u32(b, uint32_t(body.size()));
        b.insert(b.end(), body.begin(), body.end());
        return b;
    };
    // A PNG blip: its identifier, a tag byte, the file.
    Bytes blipBody(17, 0);
    blipBody.insert(blipBody.end(), png.begin(), png.end());
    const Bytes blip = record(0x6E0 << 4, 0xF01E, blipBody);
    // Tables for a shape 0x401 showing picture `pib`, its blip in the entry
    // or at `delay` of the main stream; the anchor at CP 9, 720 x 360 twips.
    const auto files = [&](uint32_t pib, bool embedded, uint32_t delay, uint32_t spid) {
        Bytes fbse(36, 0);
        fbse[0] = fbse[1] = 6;
        for (int i = 0; i < 4; ++i) fbse[size_t(28 + i)] = uint8_t(delay >> (8 * i));
        if (embedded) fbse.insert(fbse.end(), blip.begin(), blip.end());
        Bytes store = record(0x0F | 1 << 4, 0xF001, record(0x2 | 6 << 4, 0xF007, fbse));
        Bytes art = record(0x0F, 0xF000, store);
        Bytes fsp, opt;
        u32(fsp, spid), u32(fsp, 0xA00);
        u16(opt, 0x4104), u32(opt, pib);
        Bytes shape = record(0x0F, 0xF004, record(0x2 | 0xA << 4, 0xF00A, fsp) + record(0x3 | 1 << 4, 0xF00B, opt));
        art.push_back(1);  // the header stories' drawing
        const Bytes dg = record(0x0F, 0xF002, record(0x0F, 0xF003, shape));
        art.insert(art.end(), dg.begin(), dg.end());
        Bytes anchors;
        u32(anchors, 9), u32(anchors, 100), u32(anchors, 0x401), u32(anchors, 0), u32(anchors, 0), u32(anchors, 720);
        u32(anchors, 360), u16(anchors, 0), u32(anchors, 0);
        Bytes table = anchors;
        const uint32_t artAt = uint32_t(table.size());
        table.insert(table.end(), art.begin(), art.end());
        return std::tuple(table, uint32_t(anchors.size()), artAt, uint32_t(art.size()));
    };
    Bytes main(100, 0);
    main.insert(main.end(), blip.begin(), blip.end());
    struct Case {
        const char* name;
        uint32_t pib;
        bool embedded;
        uint32_t delay, spid;
        bool shown;
    };
    const Case cases[] = {
        {"blip in the main stream", 1, false, 100, 0x401, true},
        {"blip in the store entry", 1, true, 0, 0x401, true},
        {"picture number past the store", 2, false, 100, 0x401, false},
        {"blip offset past the stream", 1, false, 5000, 0x401, false},
        {"anchor names another shape", 1, false, 100, 0x402, false},
    };
    for (const Case& c : cases) {
        const auto [table, anchorBytes, artAt, artBytes] = files(c.pib, c.embedded, c.delay, c.spid);
        const auto anchors = word::readDrawnAnchors(table, 0, anchorBytes);
        ASSERT_EQ(anchors.size(), 1u) << c.name;
        EXPECT_EQ(std::tie(anchors[0].Cp, anchors[0].Spid, anchors[0].WidthTwips, anchors[0].HeightTwips),
                  std::tuple(9, 0x401u, 720, 360)) << c.name;
        const word::OfficeArt art = word::readOfficeArt(table, artAt, artBytes);
        const word::WordPicture pic = word::drawnPicture(art, anchors[0], table, main);
        EXPECT_EQ(!pic.Picture.empty(), c.shown) << c.name;
        if (c.shown) {
            EXPECT_EQ(std::pair(dibwidth(pic.Picture), dibheight(pic.Picture)), std::pair(16, 8)) << c.name;
        }
        // Cut short anywhere, the tables give nothing or what they still hold.
        for (uint32_t cut = 0; cut < artBytes; ++cut) {
            const word::OfficeArt part = word::readOfficeArt(table, artAt, cut);
            (void)word::drawnPicture(part, anchors[0], table, main);
        }
        EXPECT_TRUE(word::readDrawnAnchors(table, 0, anchorBytes - 1).empty()) << c.name;
    }
}

// Every file saved in our own format and opened again is the same document.
TEST_F(FixtureFiles, SavedInOurFormatTheyComeBackUnchanged)
{
    const auto dir = test::freshTestDir("fixture_files");
    for (const char* stem : kStems)
        for (const char* kind : kKinds) {
            SCOPED_TRACE(std::string(stem) + "." + kind);
            const auto a = open(fixture(stem, kind));
            const auto saved = dir / (std::string(stem) + "_" + kind + ".qdt");
            const std::vector<uint8_t> image = writeNativeDocument(*a);
            test::writeAll(saved, std::string(image.begin(), image.end()));
            const auto b = open(saved);
            ASSERT_EQ(a->AreaCount(), b->AreaCount());
            for (int32_t i = 0; i < a->AreaCount(); ++i) {
                const TextArea &x = a->Areas[size_t(i)], &y = b->Areas[size_t(i)];
                EXPECT_EQ(x.AreaType, y.AreaType) << i;
                ASSERT_EQ(x.Lines.size(), y.Lines.size()) << i;
                for (size_t l = 0; l < x.Lines.size(); ++l) {
                    const TextLine &p = x.Lines[l], &q = y.Lines[l];
                    EXPECT_EQ(p.Para, q.Para) << i << "/" << l;
                    EXPECT_EQ(std::tie(p.EndKind, p.IsCell, p.CellsPerRow, p.CellIndex),
                              std::tie(q.EndKind, q.IsCell, q.CellsPerRow, q.CellIndex)) << i << "/" << l;
                    if (p.IsCell) {
                        EXPECT_DOUBLE_EQ(p.CellWidth, q.CellWidth) << i << "/" << l;
                    }
                    ASSERT_EQ(p.Chars.size(), q.Chars.size()) << i << "/" << l;
                    for (size_t k = 0; k < p.Chars.size(); ++k) {
                        const TextChar &c = p.Chars[k], &d = q.Chars[k];
                        EXPECT_EQ(std::tuple(c.Kind, c.Code, c.PictureIndex()), std::tuple(d.Kind, d.Code, d.PictureIndex()));
                        EXPECT_EQ(font(*a, c), font(*b, d)) << i << "/" << l << "/" << k;
                    }
                }
            }
            EXPECT_EQ(a->Pictures.size(), b->Pictures.size());
            EXPECT_EQ(text(*a, 0), text(*b, 0));
        }
}

TEST_F(FixtureFiles, ExportedAsPdfTheirWordsAreOnThePage)
{
    for (const char* tool : {"pdftotext"})
        if (!test::haveTool(tool)) GTEST_SKIP() << tool << " is not installed";
    const auto dir = test::freshTestDir("fixture_files");
    const std::vector<std::vector<const char*>> words = {
        {"Formats Sample", "typewriter", "Right aligned", "Caf\xC3\xA9"},
        {"Before the table.", "Name", "Height", "After the table."},
        {"Letterhead Company", "Page 1", "Body text under a letterhead."},
        {"Apples", "Wash", "A sentence with a note", "The footnote text."},
    };
    for (size_t s = 0; s < std::size(kStems); ++s)
        for (const char* kind : kKinds) {
            SCOPED_TRACE(std::string(kStems[s]) + "." + kind);
            const auto w = open(fixture(kStems[s], kind));
            const auto pdf = dir / (std::string(kStems[s]) + "_" + kind + ".pdf");
            ASSERT_TRUE(SavePDFFile(*w, pdf));
            const std::string shown = test::runTool("pdftotext " + test::shellQuote(pdf) + " -");
            for (const char* word : words[s]) EXPECT_NE(shown.find(word), std::string::npos) << word << " in\n" << shown;
        }
}

} // namespace

// A layout pass walks the document for lines left marked only where
// placement or a page count marked one after breaking: every other line
// must come out of the pass unmarked, whatever the document holds.
TEST_F(FixtureFiles, APassThatMarkedNoLineLeavesNoneMarked)
{
    for (const char* stem : kStems)
        for (const char* kind : kKinds) {
            SCOPED_TRACE(std::string(stem) + "." + kind);
            const auto w = open(fixture(stem, kind));
            w->LayoutFollowUpLimit = 0;
            for (int pass = 0; pass < 2; ++pass) {
                w->SetAllDirtyFlags();
                w->MakeSoftEnters();
                if (w->LayoutMarkedLines) continue;
                for (const TextArea& a : w->Areas)
                    for (const TextLine& l : a.Lines) EXPECT_EQ(l.Dirty, 0);
            }
        }
}
