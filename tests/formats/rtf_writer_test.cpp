#include "formats/rtf/Rtf.h"
#include "formats/rtf/Wmf.h"

#include "engine/Childwin.h"
#include "formats/StandardServices.h"
#include "platform/MessageBox.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

using namespace quillet;
namespace fs = std::filesystem;

namespace {

std::unique_ptr<TMDIChild> window(FrameState& frame)
{
    frame.ProgDir = test::programDir();
    auto w = std::make_unique<TMDIChild>(frame);
    w->FormCreate();
    return w;
}

int32_t read(TMDIChild& w, std::string_view rtf)
{
    return ReadRtfFile(w, reinterpret_cast<const uint8_t*>(rtf.data()), rtf.size());
}

// Two documents hold the same text, line structure, formats and cells
// (lengths within the rounding of twips).
void expectSameDocument(const TMDIChild& a, const TMDIChild& b)
{
    ASSERT_EQ(a.Areas.size(), b.Areas.size());
    for (size_t ai = 0; ai < a.Areas.size(); ++ai) {
        const TextArea& x = a.Areas[ai];
        const TextArea& y = b.Areas[ai];
        SCOPED_TRACE("area " + std::to_string(ai));
        EXPECT_EQ(x.AreaType, y.AreaType);
        EXPECT_EQ(x.FootnoteNumber, y.FootnoteNumber);
        ASSERT_EQ(x.Lines.size(), y.Lines.size());
        for (size_t li = 0; li < x.Lines.size(); ++li) {
            SCOPED_TRACE("line " + std::to_string(li));
            const TextLine& l = x.Lines[li];
            const TextLine& m = y.Lines[li];
            EXPECT_EQ(l.EndKind, m.EndKind);
            EXPECT_EQ(l.IsCell, m.IsCell);
            EXPECT_EQ(l.CellsPerRow, m.CellsPerRow);
            EXPECT_EQ(l.CellIndex, m.CellIndex);
            if (l.IsCell) {
                EXPECT_NEAR(l.CellWidth, m.CellWidth, 0.05);
                EXPECT_EQ(l.Design.BorderOn, m.Design.BorderOn);
                EXPECT_EQ(l.Design.Background, m.Design.Background);
                EXPECT_EQ(l.Design.BorderColor, m.Design.BorderColor);
            }
            EXPECT_EQ(l.Para->Alignment, m.Para->Alignment);
            EXPECT_NEAR(l.Para->LeftIndent, m.Para->LeftIndent, 0.02);
            EXPECT_NEAR(l.Para->FirstLineIndent, m.Para->FirstLineIndent, 0.02);
            EXPECT_NEAR(l.Para->SpaceAbove, m.Para->SpaceAbove, 0.02);
            EXPECT_DOUBLE_EQ(l.Para->LineSpacing, m.Para->LineSpacing);
            ASSERT_EQ(l.Para->Tabs.size(), m.Para->Tabs.size());
            ASSERT_EQ(l.Chars.size(), m.Chars.size());
            for (size_t ci = 0; ci < l.Chars.size(); ++ci) {
                const TextChar& c = l.Chars[ci];
                const TextChar& d = m.Chars[ci];
                SCOPED_TRACE("char " + std::to_string(ci));
                EXPECT_EQ(c.Kind, d.Kind);
                EXPECT_EQ(c.Code, d.Code);
                EXPECT_EQ(c.FieldCode(), d.FieldCode());
                EXPECT_EQ(c.FieldResult(), d.FieldResult());
                const FontEntry& f = a.Fonts.at(size_t(c.FontIndex()));
                const FontEntry& g = b.Fonts.at(size_t(d.FontIndex()));
                EXPECT_EQ(f.Face, g.Face);
                EXPECT_EQ(f.Size, g.Size);
                EXPECT_EQ(f.Style, g.Style);
                EXPECT_EQ(f.Options, g.Options);
                EXPECT_EQ(f.Color, g.Color);
                EXPECT_EQ(f.BkColor, g.BkColor);
            }
        }
    }
    EXPECT_EQ(a.DocProperties, b.DocProperties);
    EXPECT_NEAR(a.PageWidth, b.PageWidth, 0.02);
    EXPECT_NEAR(a.Areas[0].InnerLeft, b.Areas[0].InnerLeft, 0.02);
}

// Hand-written documents that cover what the writer writes.
const char* const kDocuments[] = {
    "{\\rtf1{\\fonttbl{\\f0 Times New Roman;}{\\f1 Arial;}}{\\colortbl;\\red255\\green0\\blue0;}"
    "{\\info{\\title A \\{brace\\} title}{\\author Me\\\\You}}\\paperw11906\\margl1000"
    "\\pard\\qc\\sb120\\sl360\\tqr\\tldot\\tx4000 \\f1\\fs28 Big\\b bold\\i it\\b0\\i0\\ul u\\ulnone\\cf1 red"
    "\\cf0\\tab x\\par\\pard\\li720\\fi-360 {\\super 2}\\strike s\\strike0\\line next\\page "
    "Braces \\{ \\} \\\\ and \\'e4\\'80\\par}",
    "{\\rtf1{\\colortbl;\\red0\\green0\\blue0;\\red200\\green220\\blue240;}before\\par"
    "\\trowd\\trleft100\\clbrdrt\\brdrs\\brdrw20\\brdrcf1\\clcbpat2\\cellx2000\\clbrdrb\\brdrs\\cellx4000\\cellx6000"
    "\\pard\\intbl a\\par b\\cell\\cell {\\b c}\\cell\\row"
    "\\trowd\\trleft100\\cellx3000\\cellx6000\\pard\\intbl d\\cell e\\cell\\row\\pard after\\par}",
    "{\\rtf1 Text{\\super\\chftn}{\\footnote\\pard{\\super\\chftn} A {\\b note}}\\b more"
    "{\\field{\\*\\fldinst{ FORMTEXT {\\*\\formfield{\\ffname F1}{\\ffdeftext Val}}}}{\\fldrslt Val}}"
    "{\\field{\\*\\fldinst{ FORMTEXT {\\*\\formfield{\\ffname F2}}}}{\\fldrslt x}} end}",
    "{\\rtf1{\\header Head {\\i line}\\par two}{\\footer Page foot}Body}",
};

TEST(RtfWriter, WhatItWritesReadsBackToTheSameDocument)
{
    for (const char* source : kDocuments) {
        SCOPED_TRACE(source);
        FrameState f1 = StandardFrameState(), f2 = StandardFrameState();
        auto a = window(f1);
        ASSERT_EQ(read(*a, source), rtfOk);
        const std::string image = WriteRtfFile(*a);
        auto b = window(f2);
        ASSERT_EQ(read(*b, image), rtfOk) << image;
        expectSameDocument(*a, *b);
        // A second round gives the very same file.
        EXPECT_EQ(WriteRtfFile(*b), image);
    }
}

TEST(RtfWriter, WritesWhatOtherReadersNeed)
{
    struct Case { int doc; const char* must; };
    const Case cases[] = {
        {0, "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fnil Times New Roman;}"},
        // Colour 0 is the automatic colour for every reader.
        {0, "{\\colortbl;\\red0\\green0\\blue0;"},
        {0, "Braces \\{ \\} \\\\ and \\'e4\\'80"},
        {0, "{\\title A \\{brace\\} title}"},
        {0, "\\sl360"},
        {0, "s\\line "},
        {0, "\\tqr\\tldot\\tx"},
        // Borders carry a style word, so other readers draw them.
        {1, "\\clbrdrt\\brdrs\\brdrcf"},
        // Rows follow each other without an empty paragraph between them.
        {1, "\\cell\\pard\\row \r\n\\trowd"},
        {1, "\\cell\\pard\\row \r\n\\pard\\plain "},
        // The footnote's number is the reader's to count, not a literal "1".
        {2, "{\\super\\chftn}{\\footnote{\r\n\\pard\\plain \\ql"},
        {3, "{\\header{"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.must);
        FrameState f = StandardFrameState();
        auto w = window(f);
        ASSERT_EQ(read(*w, kDocuments[c.doc]), rtfOk);
        const std::string image = WriteRtfFile(*w);
        EXPECT_NE(image.find(c.must), std::string::npos) << image;
    }
    // No paragraph is written before the cells that follow the first.
    FrameState f = StandardFrameState();
    auto w = window(f);
    ASSERT_EQ(read(*w, kDocuments[1]), rtfOk);
    const std::string image = WriteRtfFile(*w);
    EXPECT_EQ(image.find("\\cell \r\n\\par\\"), std::string::npos);
    EXPECT_EQ(image.find("\\row \r\n\\par\\"), std::string::npos) << image;
}

TEST(RtfWriter, PicturesTravelAsMetafilesPixelForPixel)
{
    FrameState f1 = StandardFrameState(), f2 = StandardFrameState();
    auto a = window(f1);
    ASSERT_EQ(read(*a, "{\\rtf1 x}"), rtfOk);
    Dib pic;
    newdib(&pic, 7, 5, 24, nullptr, 0);
    ASSERT_FALSE(pic.empty());
    for (int32_t y = 0; y < 5; ++y)
        for (int32_t x = 0; x < 7; ++x) setpixel(pic, x, y, uint32_t(x * 30 + (y * 40 << 8) + (0x80 << 16)));
    a->Pictures.push_back(pic.clone());
    TextChar ch;
    ch.Kind = ckPicture;
    ch.setPictureIndex(uint16_t(a->Pictures.size() - 1));
    ch.Width = 20;
    ch.setHeight(10);
    a->Areas[0].Lines[0].Chars.push_back(ch);
    const std::string image = WriteRtfFile(*a);
    EXPECT_NE(image.find("{\\pict\\picw7\\pich5\\picwgoal1133\\pichgoal566\\wmetafile1 01000900"), std::string::npos);
    auto b = window(f2);
    ASSERT_EQ(read(*b, image), rtfOk);
    const TextChar& back = b->Areas[0].Lines[0].Chars.at(1);
    ASSERT_EQ(back.Kind, ckPicture);
    EXPECT_NEAR(back.Width, 20, 0.02);
    const Dib& got = b->Pictures.at(back.PictureIndex());
    ASSERT_EQ(dibwidth(got), 7);
    ASSERT_EQ(dibheight(got), 5);
    for (int32_t y = 0; y < 5; ++y)
        for (int32_t x = 0; x < 7; ++x) EXPECT_EQ(getpixel(got, x, y), getpixel(pic, x, y)) << x << "," << y;
}

// A picture read at a whole number of twips is written at that number
// again, though its size is held to float precision in between.
TEST(RtfWriter, PictureSizesFromTwipsWriteBackTheSameTwips)
{
    for (const int32_t t : {1, 7, 566, 600, 1133, 1440, 4999, 9999, 14400, 31680, 99999}) {
        FrameState f = StandardFrameState();
        auto a = window(f);
        ASSERT_EQ(read(*a, "{\\rtf1 x}"), rtfOk);
        Dib pic;
        newdib(&pic, 2, 2, 24, nullptr, 0);
        a->Pictures.push_back(pic.clone());
        TextChar ch;
        ch.Kind = ckPicture;
        ch.setPictureIndex(uint16_t(a->Pictures.size() - 1));
        ch.Width = float(t / 1440.0 * 25.39995);
        ch.setHeight(float((t + 1) / 1440.0 * 25.39995));
        a->Areas[0].Lines[0].Chars.push_back(ch);
        const std::string goal = "\\picwgoal" + std::to_string(t) + "\\pichgoal" + std::to_string(t + 1) + "\\";
        EXPECT_NE(WriteRtfFile(*a).find(goal), std::string::npos) << t;
    }
}

// An independent reader sees the text, the table and the picture.
TEST(RtfWriter, AnIndependentReaderReadsIt)
{
    if (std::system("unrtf --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "unrtf is not installed";
    const fs::path dir = test::freshTestDir("rtf_writer");
    FrameState f = StandardFrameState();
    auto w = window(f);
    ASSERT_EQ(read(*w, std::string(kDocuments[1]).insert(std::string(kDocuments[1]).size() - 1, " \\'e4nd")), rtfOk);
    const fs::path rtf = dir / "table.rtf";
    test::writeAll(rtf, WriteRtfFile(*w));
    const fs::path html = dir / "table.html";
    ASSERT_EQ(std::system(("unrtf --html '" + rtf.string() + "' > '" + html.string() + "' 2>/dev/null").c_str()), 0);
    const std::string out = test::readAll(html);
    for (const char* must : {"before", "<table", "<td", "a", "after"})
        EXPECT_NE(out.find(must), std::string::npos) << must << "\n" << out;
    // The Windows-1252 letter arrives as itself.
    EXPECT_TRUE(out.find("&auml;nd") != std::string::npos || out.find("\xC3\xA4nd") != std::string::npos) << out;
}

} // namespace
