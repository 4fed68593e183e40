// List paragraphs, shapes placed on later pages, and tables inside table
// cells, as the RTF reader builds them and the writer gives them back.

#include "formats/rtf/Rtf.h"

#include "engine/Childwin.h"
#include "formats/StandardServices.h"
#include "platform/MessageBox.h"
#include "tests/support/TestFiles.h"
#include "tests/support/RtfDoc.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

using namespace quillet;

namespace {

struct Doc : test::RtfDoc {
    using RtfDoc::RtfDoc;
    const AbsatzFormat& para(size_t line) const { return w->Areas.at(0).Lines.at(line).Para; }
};

// A font table, a bullet list (Symbol dot, "o" in Courier New below it), a
// numbered list and a list whose level shows nothing.
const std::string kPrologue =
    "{\\rtf1\\ansi{\\fonttbl{\\f0 Times New Roman;}{\\f1 Symbol;}{\\f2 Courier New;}{\\f3 Wingdings;}}"
    "{\\*\\listtable"
    "{\\list\\listtemplateid7{\\listlevel\\levelnfc23\\levelstartat1{\\leveltext\\'01\\u-3913 ?;}{\\levelnumbers;}"
    "\\f1\\fi-360\\li720}{\\listlevel\\levelnfc23{\\leveltext\\'01o;}{\\levelnumbers;}\\f2\\fi-360\\li1440}"
    "{\\listname ;}\\listid10}"
    "{\\list\\listsimple1{\\listlevel\\levelnfc0{\\leveltext\\'02\\'00.;}{\\levelnumbers\\'01;}}\\listid20}"
    "{\\list\\listsimple1{\\listlevel\\levelnfc255{\\leveltext\\'00;}}\\listid30}}"
    "{\\*\\listoverridetable{\\listoverride\\listid10\\listoverridecount0\\ls1}"
    "{\\listoverride\\listid20\\listoverridecount0\\ls2}{\\listoverride\\listid30\\listoverridecount0\\ls3}}";

TEST(RtfLists, ListParagraphsBecomeTheProgramsOwnLists)
{
    struct Case {
        const char* name;
        std::string body;
        std::string text;
        uint8_t kind;
        uint8_t bullet;
        std::optional<std::string> face;
        double listIndent;
    };
    const Case cases[] = {
        {"bullet level with its mark text", "{\\listtext\\f1 \\'b7\\tab}\\ls1\\fi-360\\li720 One\\par", "One|", 1,
         0xB7, "Symbol", 6.35},
        {"bullet level without mark text", "\\ls1\\fi-360\\li720 One\\par", "One|", 1, 0xB7, "Symbol", 6.35},
        {"second level of the list", "{\\listtext\\f2 o\\tab}\\ls1\\ilvl1\\fi-360\\li1440 Two\\par", "Two|", 1, 'o',
         "Courier New", 6.35},
        {"numbered level", "{\\listtext 1.\\tab}\\ls2\\fi-360\\li720 First\\par", "First|", 2, 159, std::nullopt, 6.35},
        {"simple list for a deeper level", "\\ls2\\ilvl4 Deep\\par", "Deep|", 2, 159, std::nullopt, 6.3},
        {"level that shows nothing", "{\\listtext\\tab}\\ls3 Plain\\par", "Plain|", 0, 159, std::nullopt, 6.3},
        {"override the file does not describe", "\\ls9 Item\\par", "Item|", 1, 159, std::nullopt, 6.3},
        {"undescribed override with a number mark", "{\\listtext 3)\\tab}\\ls9 Item\\par", "Item|", 2, 159,
         std::nullopt, 6.3},
        {"older bullet group", "{\\pntext\\f1\\'b7\\tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent360{\\pntxtb\\'b7}}Dot\\par",
         "Dot|", 1, 0xB7, "Symbol", 6.35},
        {"older group without its mark text", "{\\*\\pn\\pnlvlblt\\pnf2{\\pntxtb o}}Ring\\par", "Ring|", 1, 'o',
         "Courier New", 6.3},
        {"older numbered group", "{\\pntext 2.\\tab}{\\*\\pn\\pnlvlbody\\pndec\\pnindent720{\\pntxta .}}Two\\par",
         "Two|", 2, 159, std::nullopt, 12.7},
        {"standard bullet face is no face", "{\\pntext\\f3\\'a7\\tab}{\\*\\pn\\pnlvlblt\\pnf3}Box\\par", "Box|", 1, 0xA7,
         std::nullopt, 6.3},
        {"mark text alone", "{\\listtext\\f1\\u-3913 ?\\tab}Alone\\par", "Alone|", 1, 0xB7, "Symbol", 6.3},
        {"mark of an unknown font", "{\\listtext\\f8 -\\tab}Dash\\par", "Dash|", 1, '-', "Times New Roman", 6.3},
        {"no list", "Text\\par", "Text|", 0, 159, std::nullopt, 6.3},
    };
    for (const Case& c : cases) {
        const Doc d(kPrologue + c.body + "}");
        SCOPED_TRACE(c.name);
        EXPECT_EQ(d.result, rtfOk);
        EXPECT_EQ(d.text(), c.text);
        const AbsatzFormat& p = d.para(0);
        EXPECT_EQ(p.ListKind, c.kind);
        if (c.kind == 0) continue;
        if (c.kind == 1) {
            EXPECT_EQ(p.BulletChar, c.bullet);
            EXPECT_EQ(p.BulletFace, c.face);
        }
        EXPECT_NEAR(p.ListIndent, c.listIndent, 0.01);
    }
}

TEST(RtfLists, ListsLastUntilTheParagraphFormatIsReset)
{
    const Doc d(kPrologue +
                "{\\pntext\\f1\\'b7\\tab}{\\*\\pn\\pnlvlblt\\pnf1{\\pntxtb\\'b7}}A\\par"
                "{\\pntext\\f1\\'b7\\tab}B\\par\\pard C\\par"
                "\\trowd\\cellx2000\\cellx4000\\pard\\intbl{\\listtext\\f1\\'b7\\tab}\\ls1 In\\cell Out\\cell\\row}");
    EXPECT_EQ(d.text(), "A|B|C|In\xA6Out\xA6");
    EXPECT_EQ(d.para(0).ListKind, 1);
    EXPECT_EQ(d.para(1).ListKind, 1);
    EXPECT_EQ(d.para(2).ListKind, 0);
    EXPECT_EQ(d.para(3).ListKind, 1);
    EXPECT_EQ(d.para(3).BulletFace, "Symbol");
    // The cell after holds no mark of its own, yet "\ls" still stands.
    EXPECT_EQ(d.para(4).ListKind, 1);
}

// What the program's own lists hold comes back through its own file.
TEST(RtfLists, WrittenListsReadBackAsLists)
{
    Doc d("{\\rtf1 Dot\\par Custom\\par One\\par Two\\par Plain\\par}");
    TMDIChild& w = *d.w;
    auto& lines = w.Areas[0].Lines;
    lines[0].Para.edit().ListKind = 1;
    lines[1].Para.edit().ListKind = 1;
    lines[1].Para.edit().BulletChar = 0xB7;
    lines[1].Para.edit().BulletFace = "Symbol";
    lines[1].Para.edit().ListIndent = 10;
    lines[2].Para.edit().ListKind = 2;
    lines[3].Para.edit().ListKind = 2;
    const std::string first = WriteRtfFile(w);
    TMDIChild back(d.frame);
    back.FormCreate();
    ASSERT_EQ(ReadRtfFile(back, reinterpret_cast<const uint8_t*>(first.data()), first.size()), rtfOk);
    ASSERT_GE(back.Areas[0].Lines.size(), 5u);
    for (size_t i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        const TextLine& a = lines[i];
        const TextLine& b = back.Areas[0].Lines[i];
        EXPECT_EQ(b.Chars.size(), a.Chars.size());  // no mark became text
        EXPECT_EQ(b.Para->ListKind, a.Para->ListKind);
        if (a.Para->ListKind == 1) {
            EXPECT_EQ(b.Para->BulletChar, a.Para->BulletChar);
            EXPECT_EQ(b.Para->BulletFace, a.Para->BulletFace);
        }
        if (a.Para->ListKind != 0) {
            EXPECT_NEAR(b.Para->ListIndent, a.Para->ListIndent, 0.02);
        }
    }
    EXPECT_EQ(WriteRtfFile(back), first);
}

// Shapes placed on the page or margin show on the page of the paragraph
// they stand in; those that move with their paragraph are anchored to it.
TEST(RtfShapes, PagePlacedShapesShowOnTheirParagraphsPage)
{
    auto shape = [](const char* anchor) {
        return std::string("{\\shp{\\*\\shpinst\\shpleft1000\\shptop1000\\shpright3000\\shpbottom2000\\shpbxpage") +
               anchor + "\\shpwr3{\\sp{\\sn shapeType}{\\sv 1}}}}";
    };
    const Doc d("{\\rtf1 First page " + shape("\\shpbypage") + "\\par\\page Second " + shape("\\shpbypage") +
                " and " + shape("\\shpbymargin") + "\\par Third " + shape("\\shpbypara") + "\\par}");
    ASSERT_EQ(d.result, rtfOk);
    struct Want {
        size_t area;
        int32_t page;
        bool anchored;
    };
    // Areas 1 to 6 are headers and footers; shapes follow in file order.
    const Want wants[] = {{7, 0, false}, {8, 1, false}, {9, 1, false}, {10, 0, true}};
    for (const Want& want : wants) {
        SCOPED_TRACE(want.area);
        const TextArea& a = d.w->Areas.at(want.area);
        EXPECT_EQ(a.AreaType, atRectangle);
        EXPECT_EQ(a.PageMode, 0);
        if (!want.anchored) {
            EXPECT_EQ(a.PageIndex, want.page);
        }
        EXPECT_EQ(a.AnchorId != 0, want.anchored);
    }
    // The body is as read, and no line keeps a mark that no shape answers to.
    EXPECT_EQ(d.text(), "First page |#Second  and |Third |");
    for (const TextArea& a : d.w->Areas)
        for (const TextLine& l : a.Lines) {
            if (l.AnchorId != 0) {
                EXPECT_EQ(l.AnchorId, d.w->Areas[10].AnchorId);
            }
        }
    EXPECT_EQ(d.w->Areas[8].Top, d.w->Areas[7].Top);
    EXPECT_GT(d.w->Areas[9].Top, d.w->Areas[8].Top);  // the margin is added
}

TEST(RtfTables, NestedTablesAndUnendedRowsKeepTheirText)
{
    const std::string nested =
        "\\pard\\intbl\\itap2 n1\\nestcell n2\\nestcell{\\*\\nesttableprops\\trowd\\cellx1000\\cellx2000\\nestrow}"
        "{\\nonesttables\\par}\\pard\\intbl\\itap2 n3\\nestcell\\nestcell{\\*\\nesttableprops\\trowd\\cellx1000"
        "\\cellx2000\\nestrow}{\\nonesttables\\par}";
    struct Case {
        const char* name;
        std::string rtf;
        std::string text;
        int32_t cells;
        int32_t result = rtfOk;
    };
    const Case cases[] = {
        {"nested rows with their stand-ins",
         "{\\rtf1\\trowd\\cellx3000\\cellx6000\\pard\\intbl A\\cell " + nested +
             "\\pard\\intbl\\itap1 after\\cell\\trowd\\cellx3000\\cellx6000\\row\\pard Next\\par}",
         "A\xA6n1\tn2\rn3\t\rafter\xA6Next|", 2},
        {"nested rows ending in the open",
         "{\\rtf1\\trowd\\cellx3000\\cellx6000\\pard\\intbl\\itap2 a\\nestcell b\\nestcell\\nestrow c\\nestcell"
         "\\nestrow\\itap1 end\\cell B\\cell\\row}",
         "a\tb\rc\rend\xA6" "B\xA6", 2},
        {"nested cell as the outer cell's last text",
         "{\\rtf1\\trowd\\cellx3000\\pard\\intbl x\\nestcell\\cell\\row After\\par}", "x\xA6" "After|", 1},
        // A row the file never ends still ends in cells, its paragraph ends
        // inside them.
        {"row cut off by the end of the file", "{\\rtf1\\trowd\\cellx3000\\cellx6000\\pard\\intbl a\\cell b\\par c",
         "a\xA6" "b\rc\xA6", 2, rtfUnclosed},
        {"row cut off in a skipped group",
         "{\\rtf1\\trowd\\cellx3000\\pard\\intbl a\\par b{\\*\\nesttableprops\\row}", "a\rb\xA6", 1, rtfUnclosed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Doc d(c.rtf);
        EXPECT_EQ(d.result, c.result);
        EXPECT_EQ(d.text(), c.text);
        // The outer row keeps its cells.
        for (int32_t i = 0; i < c.cells; ++i) {
            const TextLine& cell = d.w->Areas[0].Lines.at(size_t(i));
            EXPECT_EQ(cell.CellsPerRow, c.cells);
            EXPECT_EQ(cell.CellIndex, i);
        }
    }
}

// A footnote or frame inside a table cell, or a table inside a frame, keeps
// its paragraphs to itself: the table outside goes on around it.
TEST(RtfTables, FootnotesAndFramesKeepOutOfTheTableAroundThem)
{
    const Doc note("{\\rtf1\\trowd\\cellx3000\\cellx6000\\pard\\intbl a{\\footnote note\\par more}\\cell b\\cell\\row After\\par}");
    EXPECT_EQ(note.text(), "a1\xA6" "b\xA6" "After|");
    const size_t footnote = note.w->Areas.size() - 1;
    ASSERT_GT(note.w->Areas[footnote].FootnoteNumber, 0);
    EXPECT_EQ(note.text(footnote), "1note|more");
    // A row left open inside a frame ends with the frame.
    const Doc frame("{\\rtf1 {\\shp{\\*\\shpinst{\\shptxt \\trowd\\cellx1000\\intbl x\\par y}}} after\\par next\\par}");
    EXPECT_EQ(frame.text(), " after|next|");
    EXPECT_EQ(frame.text(7), "x\ry\xA6");
    // The text goes on where it was when a header or frame took it, also
    // when the group that took it held text before.
    const Doc header("{\\rtf1 {a\\header h\\par}b\\par}");
    EXPECT_EQ(header.text(), "ab|");
    EXPECT_EQ(header.text(5), "h|");
    const Doc bare("{\\rtf1 m\\intbl\\shp x}");
    EXPECT_EQ(bare.text(), "m|");
    EXPECT_EQ(bare.text(7), "x");
}

} // namespace
