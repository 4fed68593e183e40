#include "formats/rtf/Rtf.h"

#include "engine/Childwin.h"
#include "formats/StandardServices.h"
#include "platform/MessageBox.h"
#include "tests/support/TestFiles.h"
#include "tests/support/RtfDoc.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace quillet;

namespace {

// A window as the program makes one for a file to be opened.
struct Doc : test::RtfDoc {
    using RtfDoc::RtfDoc;
    const FontEntry& font(size_t line, size_t ch, size_t area = 0) const
    {
        return w->Fonts.at(size_t(this->line(line, area).Chars.at(ch).FontIndex()));
    }
};

class RtfReader : public ::testing::Test {
protected:
    void SetUp() override { setMessageBoxes(&boxes); }
    void TearDown() override { setMessageBoxes(nullptr); }
    test::RecordingBoxes boxes;
};

struct TextCase {
    const char* name;
    std::string rtf;
    std::string text;
    int32_t result;
};

TEST_F(RtfReader, TextLineEndsEscapesAndResults)
{
    const TextCase cases[] = {
        {"plain group", "{\\rtf1 Hello}", "Hello", rtfOk},
        {"no closing brace keeps the text", "{\\rtf1 Hello", "Hello", rtfUnclosed},
        {"one closing brace too many", "{\\rtf1 Hi}}", "Hi", rtfUnderflow},
        {"par delimiter space consumed", "{\\rtf1 a\\par b}", "a|b", rtfOk},
        {"par followed by a letter is another word", "{\\rtf1 a\\parx b}", "ab", rtfOk},
        {"digit delimiter read again", "{\\rtf1 a\\par.b}", "a|.b", rtfOk},
        {"backslash line end is a paragraph", "{\\rtf1 a\\\r\nb}", "a|b", rtfOk},
        {"line and page", "{\\rtf1 a\\line b\\page c}", "a/b#c", rtfOk},
        {"escaped braces", "{\\rtf1 \\{x\\}\\\\}", "{x}\\", rtfOk},
        {"hex escapes either case", "{\\rtf1 \\'e4\\'C4}", "\xE4\xC4", rtfOk},
        {"stray byte after hex escape is text", "{\\rtf1 a\\'zb}", "azb", rtfOk},
        {"typographic words", "{\\rtf1 don\\rquote t \\lquote\\endash\\emdash\\bullet}",
         "don\x92t \x91\x96\x97\x95", rtfOk},
        {"non-breaking space and hyphen", "{\\rtf1 a\\~b\\_c}", "a\xA0" "b-c", rtfOk},
        {"double quotes are straight", "{\\rtf1 \\ldblquote x\\rdblquote}", "\"x\"", rtfOk},
        {"unicode with fallback", "{\\rtf1 \\u8364?x\\uc2\\u233 ab c}", "\x80x\xE9 c", rtfOk},
        {"unicode without mapping", "{\\rtf1 \\u1071?z}", "?z", rtfOk},
        {"unicode negative", "{\\rtf1 \\u-3?z}", "?z", rtfOk},
        {"unknown starred group skipped", "{\\rtf1 a{\\*\\unknown b}c}", "ac", rtfOk},
        {"unknown plain word ignored", "{\\rtf1 a{\\unknown b}c}", "abc", rtfOk},
        {"binary data is data", "{\\rtf1 {\\*\\blob\\bin3 {}\\}x}", "x", rtfOk},
        {"bin without count is no data", "{\\rtf1 \\fs24 {\\*\\blob\\bin}x}", "x", rtfOk},
        {"bin zero and negative are no data", "{\\rtf1 \\bin0 a\\bin-5 b}", "ab", rtfOk},
        {"font table and stylesheet give no text",
         "{\\rtf1{\\fonttbl{\\f0\\fswiss Arial;}}{\\stylesheet{\\s0 Normal;}}x}", "x", rtfOk},
        {"list text stand-in skipped", "{\\rtf1 {\\listtext 1.\\tab}item}", "item", rtfOk},
        {"tab", "{\\rtf1 a\\tab b}", "a\tb", rtfOk},
        {"empty file", "", "", rtfNotRtf},
        {"not rtf", "Hello world", "", rtfNotRtf},
        {"word too long is unknown", "{\\rtf1 a\\" + std::string(100, 'x') + " b}", "ab", rtfOk},
        {"ends inside a control word", "{\\rtf1 a\\pa", "a", rtfUnclosed},
        {"negative indent then a group", "{\\rtf1 x\\par\\pard\\li720\\fi-360 {\\super 2}\\strike s\\line n}",
         "x|2s/n", rtfOk},
        {"control byte dropped", std::string("{\\rtf1 a\x01" "b}"), "ab", rtfOk},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Doc d(c.rtf);
        EXPECT_EQ(d.result, c.result);
        EXPECT_EQ(d.text(), c.text);
    }
}

TEST_F(RtfReader, HostileInputEndsSoundly)
{
    const std::string deep = "{\\rtf1 " + std::string(100000, '{') + "x" + std::string(100000, '}') + "}";
    EXPECT_EQ(Doc(deep).result, rtfOverflow);
    // A picture whose hex data ends early, or holds a bad digit, is dropped.
    const Doc early("{\\rtf1 a{\\pict\\wmetafile8\\picw100000000\\pich100000000 0100090000}b}");
    EXPECT_EQ(early.result, rtfOk);
    EXPECT_EQ(early.text(), "ab");
    const Doc bad("{\\rtf1 a{\\pict\\pngblip 89 50 4e zz 47}b}");
    EXPECT_EQ(bad.result, rtfOk);
    EXPECT_EQ(bad.text(), "ab");
    // A huge binary count swallows only what is there.
    const Doc bin("{\\rtf1 a{\\*\\x\\bin2147483647 abc}");
    EXPECT_EQ(bin.text(), "a");
}

TEST_F(RtfReader, CharacterFormats)
{
    const Doc d("{\\rtf1{\\fonttbl{\\f0\\froman Times New Roman;}{\\f1\\fswiss Arial;}{\\f2 default;}}"
                "{\\colortbl;\\red255\\green0\\blue0; \\red0\\green0\\blue255;}"
                "\\f1\\fs21\\b a\\b0 b{\\i\\strike c}\\ul d\\ulnone\\cf1 e\\cf0 f\\f2 g\\f9 h"
                "{\\highlight7 i {\\b j} k}\\cb2 l\\plain\\fs0 m\\super n\\nosupersub\\scaps o}");
    ASSERT_EQ(d.text(), "abcdefghi j klmno");
    struct Expect { size_t ch; const char* face; double size; uint8_t style; uint32_t color; };
    const Expect e[] = {
        {0, "Arial", 10.5, 1, 0},       {1, "Arial", 10.5, 0, 0},
        {2, "Arial", 10.5, 2 | 8, 0},   {3, "Arial", 10.5, 4, 0},
        {4, "Arial", 10.5, 0, 0x0000FF}, {5, "Arial", 10.5, 0, 0},
        {6, "Times New Roman", 10.5, 0, 0}, {7, "Times New Roman", 10.5, 0, 0},
        {14, "Times New Roman", 12, 0, 0},
    };
    for (const Expect& x : e) {
        SCOPED_TRACE(x.ch);
        const FontEntry& f = d.font(0, x.ch);
        EXPECT_EQ(f.Face, x.face);
        EXPECT_DOUBLE_EQ(f.Size, x.size);
        EXPECT_EQ(f.Style, x.style);
        EXPECT_EQ(f.Color, x.color);
    }
    // The highlight lasts to the end of its group, across an inner group.
    for (size_t ch : {8u, 10u, 12u}) EXPECT_EQ(d.font(0, ch).BkColor, 0x00FFFFu) << ch;
    EXPECT_EQ(d.font(0, 10).Style, 1);
    EXPECT_EQ(d.font(0, 13).BkColor, 0xFF0000u);
    EXPECT_EQ(d.font(0, 13).BkTransparent, 0);
    EXPECT_TRUE(GettingOps(d.font(0, 15).Options, foSuperscript));
    EXPECT_TRUE(GettingOps(d.font(0, 16).Options, foSmallCaps));
    EXPECT_FALSE(GettingOps(d.font(0, 16).Options, foSuperscript));
}

TEST_F(RtfReader, ParagraphFormatsLastUntilPard)
{
    const Doc d("{\\rtf1\\pard\\qr\\li720\\ri-360\\fi360\\sb120\\sa240\\sl360\\tqc\\tldot\\tx1440\\tx720 A\\par B\\par"
                "\\pard\\sb240\\qc\\sl-480 C\\par\\pard\\qj\\sl1000 D}");
    ASSERT_EQ(d.text(), "A|B|C|D");
    for (size_t i : {0u, 1u}) {
        const AbsatzFormat& f = d.line(i).Para;
        SCOPED_TRACE(i);
        EXPECT_EQ(f.Alignment, 2);
        EXPECT_NEAR(f.LeftIndent, 12.699975, 1e-9);
        EXPECT_NEAR(f.RightIndent, -6.3499875, 1e-9);
        EXPECT_NEAR(f.FirstLineIndent, 6.3499875, 1e-9);
        EXPECT_NEAR(f.SpaceAbove, 2.1166625, 1e-9);
        EXPECT_NEAR(f.SpaceBelow, 4.233325, 1e-9);
        EXPECT_DOUBLE_EQ(f.LineSpacing, 1.5);
        ASSERT_EQ(f.Tabs.size(), 2u);
        EXPECT_NEAR(f.Tabs[0].Position, 12.699975, 1e-9);
        EXPECT_EQ(f.Tabs[1].Kind, 1);
        EXPECT_EQ(f.Tabs[1].Leader, 2);
    }
    // The next paragraph's spacing does not reach back into the earlier ones.
    EXPECT_NEAR(d.line(2).Para->SpaceAbove, 4.233325, 1e-9);
    EXPECT_EQ(d.line(2).Para->Alignment, 1);
    EXPECT_DOUBLE_EQ(d.line(2).Para->LineSpacing, 2.0);
    EXPECT_EQ(d.line(3).Para->Alignment, 3);
    EXPECT_DOUBLE_EQ(d.line(3).Para->LineSpacing, 1.0);
}

TEST_F(RtfReader, PageSetupHeadersFootersAndInfo)
{
    const Doc d("{\\rtf1\\paperw11906\\paperh16838\\margl1134\\margr1134\\margt500\\margb1440\\titlepg\\facingp"
                "{\\info{\\title My {\\*\\x y}Title}{\\author Ann}{\\company C\\'e4}}"
                "{\\header Head\\par two}{\\footerf Foot}{\\header Again}Body}");
    ASSERT_EQ(d.result, rtfOk);
    EXPECT_EQ(d.text(), "Body");
    EXPECT_EQ(d.text(5), "Head|two");  // a second header of the same kind is not appended
    EXPECT_EQ(d.text(2), "Foot");
    EXPECT_EQ(d.w->DocProperties[0], "My Title");
    EXPECT_EQ(d.w->DocProperties[2], "Ann");
    EXPECT_EQ(d.w->DocProperties[4], "C\xE4");
    EXPECT_NEAR(d.w->PageWidth, 11906 / 1440.0 * 25.39995, 1e-9);
    EXPECT_NEAR(d.w->Areas[0].InnerLeft, 1134 / 1440.0 * 25.39995, 1e-9);
    // A header distance beyond a small top margin is held at the page edge.
    EXPECT_GE(d.w->Areas[1].InnerTop, 0.0);
    EXPECT_EQ(d.w->Areas[1].PageMode, 0);
    EXPECT_EQ(d.w->Areas[3].PageMode, 5);
    EXPECT_EQ(d.w->Areas[5].PageMode, 6);
}

TEST_F(RtfReader, TablesKeepEveryCellAndTheirDesign)
{
    const Doc d("{\\rtf1{\\colortbl;\\red0\\green0\\blue0;\\red200\\green100\\blue50;}"
                "before\\par\\trowd\\trleft0\\clbrdrb\\brdrs\\brdrw30\\clcbpat2\\clshdng5000\\cellx2880"
                "\\clbrdrt\\brdrnone\\cellx5760\\clbrdrl\\cellx8640"
                "\\pard\\intbl a\\par b\\cell\\cell c\\cell\\row"
                "\\trowd\\cellx2880\\cellx5760\\pard\\intbl x\\cell y\\cell{\\trowd\\cellx1440\\cellx5760\\row}"
                "\\pard after}");
    ASSERT_EQ(d.result, rtfOk);
    EXPECT_EQ(d.text(), "before|a\rb\xA6\xA6" "c\xA6x\xA6y\xA6" "after");
    const TextLine& a = d.line(1);
    EXPECT_EQ(a.CellsPerRow, 3);
    EXPECT_NEAR(a.CellWidth, 50.7999, 1e-3);
    EXPECT_EQ(a.Design.BorderOn, (std::array<uint8_t, 4>{0, 0, 1, 0}));
    EXPECT_DOUBLE_EQ(a.Design.BorderWidth[bsBottom], 1.5);
    EXPECT_EQ(a.Design.Background, 0x193264u);  // entry 2 at half intensity
    EXPECT_EQ(a.Design.Transparent, 0);
    // An empty cell is a cell; a side with no border style is off.
    EXPECT_EQ(d.line(2).CellIndex, 1);
    EXPECT_EQ(d.line(2).Design.BorderOn[bsTop], 0);
    EXPECT_DOUBLE_EQ(d.line(3).Design.BorderWidth[bsLeft], 0.75);
    // The row definition repeated before "row" keeps both cells of the row.
    EXPECT_EQ(d.line(4).CellsPerRow, 2);
    EXPECT_EQ(d.line(5).CellIndex, 1);
    EXPECT_NEAR(d.line(4).CellWidth, 1440 / 1440.0 * 25.39995, 1e-9);
    EXPECT_FALSE(d.line(6).IsCell);
}

// A frame, footnote or header begun after the document's closing brace has
// no group end that takes the text back: the row open in the body still
// ends, no paragraph end stays in a line that is no cell, and the document
// comes back through the writer with the same lines.
TEST_F(RtfReader, RowOpenWhereTheTextWentElsewhereOutsideEveryGroupStillEnds)
{
    for (const char* where : {"\\shp x", "\\footnote x\\par y", "\\header x\\par y"}) {
        const Doc d(std::string("{\\rtf1}\\intbl a\\par b") + where);
        EXPECT_TRUE(d.line(0).IsCell) << where;
        for (const TextLine& l : d.w->Areas[0].Lines)
            for (const TextChar& c : l.Chars) EXPECT_TRUE(l.IsCell || c.Code != 13) << where;
        EXPECT_EQ(Doc(WriteRtfFile(*d.w)).w->Areas[0].Lines.size(), d.w->Areas[0].Lines.size()) << where;
    }
}

TEST_F(RtfReader, FieldsFormFieldsAndFootnotes)
{
    const Doc d("{\\rtf1 a{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt{\\ul link}"
                "{\\field{\\*\\fldinst PAGEREF p}{\\fldrslt 7}}}} b"
                "{\\field{\\*\\fldinst{ FORMTEXT {\\*\\formfield{\\ffname Name}{\\ffdeftext Val}}}}{\\fldrslt Val}}"
                "{\\field{\\*\\fldinst FORMTEXT {\\*\\formfield}}{\\fldrslt x}}"
                " c{\\super\\chftn}{\\footnote\\pard{\\super\\chftn} Note {\\b text}}d}");
    ASSERT_EQ(d.result, rtfOk);
    EXPECT_EQ(d.text(), "alink7 baa c1d");
    EXPECT_TRUE(GettingOps(d.font(0, 1).Options, foUnderline));
    const TextChar& form = d.line(0).Chars.at(8);
    EXPECT_EQ(form.Kind, ckField);
    EXPECT_EQ(*form.FieldCode(), "FormFieldName");
    EXPECT_EQ(*form.FieldResult(), "Val");
    EXPECT_EQ(*d.line(0).Chars.at(9).FieldResult(), "{Feldname}");
    const TextChar& ref = d.line(0).Chars.at(12);
    EXPECT_EQ(ref.Kind, ckFootnoteRef);
    const int32_t fa = d.w->GetFootNoteField(ref.FootnoteId());
    ASSERT_GT(fa, 6);
    EXPECT_EQ(d.text(size_t(fa)), "1 Note text");
    EXPECT_EQ(d.font(0, 13).Style, 0);  // the text after the footnote keeps its own format
}

} // namespace
