#include "formats/PlainText.h"

#include "engine/Childwin.h"
#include "formats/OpenSave.h"
#include "platform/MessageBox.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>

#include <sys/resource.h>

using namespace quillet;
namespace fs = std::filesystem;

namespace {

using test::readAll;
using test::RecordingBoxes;
using test::writeAll;

// The text of area 0's line, as bytes.
std::string lineText(const TMDIChild& w, size_t line, size_t area = 0)
{
    std::string s;
    for (const TextChar& c : w.Areas.at(area).Lines.at(line).Chars) s += char(c.Code);
    return s;
}

// All text of an area with its paragraphs separated by "|".
std::string areaText(const TMDIChild& w, size_t area = 0)
{
    std::string s;
    for (const TextLine& l : w.Areas.at(area).Lines) {
        for (const TextChar& c : l.Chars) s += char(c.Code);
        if (l.EndKind == ekParagraph) s += '|';
    }
    return s;
}

class PlainText : public ::testing::Test {
protected:
    void SetUp() override
    {
        setMessageBoxes(&boxes);
        freshWindow();
        dir = test::freshTestDir("plain_text");
        boxes.texts.clear();
    }
    void TearDown() override { setMessageBoxes(nullptr); }

    // A new window as the program makes one for a file to be opened.
    void freshWindow()
    {
        w.reset();
        frame = FrameState{};
        frame.ProgDir = test::programDir();
        w = std::make_unique<TMDIChild>(frame);
        w->FormCreate();
        boxes.texts.clear();
    }

    // Replaces the page body by the given lines (no layout).
    TextLine& bodyLine(std::string_view text, int32_t endKind)
    {
        TextArea& a = w->Areas[0];
        a.Lines.emplace_back();
        InitNewLine(a.Lines, int32_t(a.Lines.size() - 1));
        TextLine& l = a.Lines.back();
        for (const char c : text) {
            TextChar ch;
            ch.Code = uint8_t(c);
            l.Chars.push_back(ch);
        }
        l.EndKind = endKind;
        return l;
    }

    RecordingBoxes boxes;
    FrameState frame;
    std::unique_ptr<TMDIChild> w;
    fs::path dir;
};

TEST(CodePage850, AsciiIsUnchangedBothWays)
{
    for (int c = 0; c < 128; ++c) {
        EXPECT_EQ(oemToAnsi(uint8_t(c)), c);
        EXPECT_EQ(ansiToOem(uint8_t(c)), c);
    }
}

TEST(CodePage850, LatinOneAndFlorinSurviveARoundTrip)
{
    for (int c = 0xA0; c < 0x100; ++c) EXPECT_EQ(oemToAnsi(ansiToOem(uint8_t(c))), c) << c;
    EXPECT_EQ(ansiToOem(0x83), 0x9F);
    EXPECT_EQ(oemToAnsi(0x9F), 0x83);
    // The code page's letters where a DOS file has them.
    EXPECT_EQ(oemToAnsi(0x81), 0xFC);  // u umlaut
    EXPECT_EQ(oemToAnsi(0x84), 0xE4);  // a umlaut
    EXPECT_EQ(oemToAnsi(0x8E), 0xC4);  // A umlaut
    EXPECT_EQ(oemToAnsi(0xE1), 0xDF);  // sharp s
    EXPECT_EQ(oemToAnsi(0x9C), 0xA3);  // pound
    EXPECT_EQ(oemToAnsi(0xFF), 0xA0);  // no-break space
    EXPECT_EQ(oemToAnsi(0xF0), 0xAD);  // soft hyphen
    EXPECT_EQ(cp850ToUnicode(0xD5), U'\u0131');
}

TEST(CodePage850, LettersMapToDistinctAnsiBytes)
{
    std::set<uint8_t> seen;
    int letters = 0;
    for (int c = 0x80; c < 0x100; ++c) {
        if (oemToAnsi(uint8_t(c)) < 0x80) continue;  // a look-alike
        ++letters;
        EXPECT_TRUE(seen.insert(oemToAnsi(uint8_t(c))).second) << c;
    }
    EXPECT_EQ(letters, 97);
}

TEST(CodePage850, MissingCharactersBecomeLookAlikes)
{
    EXPECT_EQ(oemToAnsi(0xC4), '-');
    EXPECT_EQ(oemToAnsi(0xB3), '|');
    EXPECT_EQ(oemToAnsi(0xC5), '+');
    EXPECT_EQ(oemToAnsi(0xDB), '#');
    EXPECT_EQ(oemToAnsi(0xD5), 'i');
    EXPECT_EQ(ansiToOem(0x93), '"');
    EXPECT_EQ(ansiToOem(0x96), '-');
    EXPECT_EQ(ansiToOem(0x80), 'E');
    for (const uint8_t unassigned : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) EXPECT_EQ(ansiToOem(unassigned), '?');
}

TEST(SplitTextLines, EveryLineEndKindAndTheLastLine)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(splitTextLines(""), V{});
    EXPECT_EQ(splitTextLines("a"), V{"a"});
    EXPECT_EQ(splitTextLines("a\r\n"), V{"a"});
    EXPECT_EQ(splitTextLines("a\r\n\r\nb"), (V{"a", "", "b"}));
    EXPECT_EQ(splitTextLines("a\rb\nc\r\n\n"), (V{"a", "b", "c", ""}));
    EXPECT_EQ(splitTextLines("\n\r"), (V{"", ""}));
    EXPECT_EQ(splitTextLines("\r\n"), V{""});
    EXPECT_EQ(splitTextLines(std::string_view("x\0y", 3)), V{std::string("x\0y", 3)});
}

TEST_F(PlainText, ThreeLinesGiveThreeParagraphsTheLastOpen)
{
    const fs::path p = dir / "abc.txt";
    writeAll(p, "a\r\n\r\nb");
    ASSERT_TRUE(w->OpenTXTFile(p.string(), false));
    ASSERT_EQ(w->Areas[0].Lines.size(), 3u);
    EXPECT_EQ(lineText(*w, 0), "a");
    EXPECT_EQ(lineText(*w, 1), "");
    EXPECT_EQ(lineText(*w, 2), "b");
    EXPECT_EQ(w->Areas[0].Lines[0].EndKind, ekParagraph);
    EXPECT_EQ(w->Areas[0].Lines[1].EndKind, ekParagraph);
    EXPECT_EQ(w->Areas[0].Lines[2].EndKind, ekSoft);
    EXPECT_EQ(w->DocPath, p.string());
    EXPECT_EQ(w->DocTitle, "abc.txt");
    EXPECT_EQ(w->Modified, 0);
    EXPECT_EQ(w->Cursor, TextPos{});
    EXPECT_EQ(w->Anchor, TextPos{});
    const TextChar& a = w->Areas[0].Lines[0].Chars[0];
    EXPECT_EQ(w->Fonts.at(size_t(a.FontIndex)).Face, "Courier New");
    EXPECT_EQ(w->FontState.Face, "Courier New");
    EXPECT_GT(a.Width, 0);
    EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(PlainText, TrailingLineEndOpensNoParagraphAndEmptyFileKeepsTheEmptyLine)
{
    const fs::path p = dir / "one.txt";
    writeAll(p, "a\n");
    ASSERT_TRUE(w->OpenTXTFile(p.string(), false));
    EXPECT_EQ(areaText(*w), "a");

    freshWindow();
    const fs::path e = dir / "empty.txt";
    writeAll(e, "");
    ASSERT_TRUE(w->OpenTXTFile(e.string(), false));
    ASSERT_EQ(w->Areas[0].Lines.size(), 1u);
    EXPECT_TRUE(w->Areas[0].Lines[0].Chars.empty());
}

TEST_F(PlainText, ControlCodesAreDroppedAndTabsKept)
{
    std::vector<std::string> lines{std::string("x\x01\x08\x0b\x1f\0y\tz\x80\xff", 11)};
    insertTextLines(*w, lines);
    const TextLine& l = w->Areas[0].Lines[0];
    EXPECT_EQ(lineText(*w, 0), "xy\tz\x80\xff");
    // Before layout a tab is 12.5 mm wide and of no height.
    EXPECT_DOUBLE_EQ(l.Chars[2].Width, 12.5);
    EXPECT_DOUBLE_EQ(l.Chars[2].Height, -1);
    EXPECT_GT(l.Chars[3].Width, 0);
    EXPECT_EQ(w->Cursor, (TextPos{0, 0, 6}));
}

TEST_F(PlainText, MixedLineEndsAndNulBytesFromAFile)
{
    const fs::path p = dir / "mixed.txt";
    static constexpr char kBytes[] = "one\rtwo\nthr\0ee\r\n\r\nfive";
    writeAll(p, std::string(kBytes, sizeof kBytes - 1));
    ASSERT_TRUE(w->OpenTXTFile(p.string(), false));
    EXPECT_EQ(areaText(*w), "one|two|three||five");
}

TEST_F(PlainText, AVeryLongLineIsOneParagraph)
{
    std::string line;
    for (int i = 0; i < 20000; ++i) line += i % 7 == 6 ? ' ' : char('a' + i % 26);
    const fs::path p = dir / "long.txt";
    writeAll(p, line + "\r\nend");
    ASSERT_TRUE(w->OpenTXTFile(p.string(), false));
    // Layout has wrapped it into soft lines over several pages; the text
    // is whole and writes back as one line.
    EXPECT_GT(w->Areas[0].Lines.size(), 10u);
    const std::string back = plainTextImage(*w, false);
    EXPECT_EQ(back.size(), line.size() + 7);
    EXPECT_TRUE(back == line + "\r\nend\r\n");
}

TEST_F(PlainText, DosFileIsConvertedOnReading)
{
    const fs::path p = dir / "dos.txt";
    writeAll(p, "\x81""ber \xe1\r\n\xc4\xc4");
    ASSERT_TRUE(w->OpenTXTFile(p.string(), true));
    EXPECT_EQ(areaText(*w), "\xfc""ber \xdf|--");
}

TEST_F(PlainText, DosSaveAndReadKeepAccents)
{
    w->Areas[0].Lines.clear();
    bodyLine("Gr\xfc\xdf""e \xe9t\xe9 \xc5", ekParagraph);
    bodyLine("\xa0\xa3\x83", ekSoft);
    const fs::path p = dir / "accents.txt";
    ASSERT_TRUE(w->SaveTXTFile(p.string(), true));
    EXPECT_EQ(readAll(p), "Gr\x81\xe1""e \x82t\x82 \x8f\r\n\xff\x9c\x9f\r\n");

    freshWindow();
    ASSERT_TRUE(w->OpenTXTFile(p.string(), true));
    EXPECT_EQ(areaText(*w), "Gr\xfc\xdf""e \xe9t\xe9 \xc5|\xa0\xa3\x83");
}

TEST_F(PlainText, SoftLinesRunOnAndListsGetMarkersOnce)
{
    w->Areas[0].Lines.clear();
    bodyLine("Hello ", ekSoft).Para.ListKind = 1;
    bodyLine("world", ekParagraph).Para.ListKind = 1;
    TextLine& n = bodyLine("third", ekParagraph);
    n.Para.ListKind = 2;
    n.Para.ItemNumber = 3;
    bodyLine("line", ekLineBreak);
    bodyLine("page", ekPageBreak);
    bodyLine("last", ekSoft);
    EXPECT_EQ(plainTextImage(*w, false), "* Hello world\r\n3. third\r\nline\r\npage\r\nlast\r\n");
}

TEST_F(PlainText, OnlyTextCharactersAreWritten)
{
    w->Areas[0].Lines.clear();
    TextLine& l = bodyLine("a", ekSoft);
    TextChar pic;
    pic.Kind = ckPicture;
    pic.Code = 'P';
    TextChar field;
    field.Kind = ckField;
    field.Code = 'F';
    TextChar note;
    note.Kind = ckFootnoteRef;
    note.Code = '1';
    l.Chars.insert(l.Chars.end(), {pic, field, note});
    TextChar b;
    b.Code = 'b';
    l.Chars.push_back(b);
    EXPECT_EQ(plainTextImage(*w, false), "ab\r\n");
}

TEST_F(PlainText, TableRowsAreTabSeparatedPerRun)
{
    w->Areas[0].Lines.clear();
    bodyLine("before", ekParagraph);
    auto cell = [&](std::string_view text, int32_t index, uint8_t first, uint8_t last) {
        TextLine& c = bodyLine(text, ekParagraph);
        c.IsCell = 1;
        c.CellsPerRow = 3;
        c.CellIndex = index;
        c.RowFirstRun = first;
        c.RowLastRun = last;
        c.Para.ListKind = 1;
        return &c;
    };
    // One row in one run.
    cell("a", 0, 1, 1);
    cell("b", 1, 1, 1);
    cell("c", 2, 1, 1);
    // A row whose cells need two runs; only the first run starts paragraphs.
    cell("d1", 0, 1, 0)->EndKind = ekSoft;
    cell("e1", 1, 1, 0)->EndKind = ekSoft;
    cell("f1", 2, 1, 0)->EndKind = ekSoft;
    cell("d2", 0, 0, 1);
    cell("e2", 1, 0, 1);
    cell("f2", 2, 0, 1);
    bodyLine("after", ekSoft);
    EXPECT_EQ(plainTextImage(*w, false),
              "before\r\n"
              "* a\t* b\t* c\t\r\n"
              "* d1\t* e1\t* f1\t\r\n"
              "d2\te2\tf2\t\r\n"
              "after\r\n");
}

TEST_F(PlainText, FlowsAreWrittenInAreaOrderEachOnce)
{
    w->Areas[0].Lines.clear();
    bodyLine("body", ekParagraph);
    // Header area 1 has text.
    TextLine& h = w->Areas[1].Lines[0];
    TextChar c;
    c.Code = 'H';
    h.Chars.push_back(c);
    // Two linked text frames: the second is written only as part of the first's flow.
    auto frameArea = [&](std::string_view text) {
        w->NewField();
        TextArea& a = w->Areas.back();
        a.AreaType = atTextFrame;
        a.Lines.resize(1);
        InitNewLine(a.Lines, 0);
        for (const char ch : text) {
            TextChar t;
            t.Code = uint8_t(ch);
            a.Lines[0].Chars.push_back(t);
        }
        return w->AreaCount() - 1;
    };
    const int32_t second = frameArea("two");
    const int32_t first = frameArea("one ");
    w->Areas[size_t(first)].NextInFlow = second;
    w->Areas[size_t(second)].PrevInFlow = first;
    EXPECT_EQ(plainTextImage(*w, false), "body\r\nH\r\none two\r\n");

    // A chain that loops back or names no area ends instead of running on.
    w->Areas[size_t(second)].NextInFlow = first;
    EXPECT_EQ(plainTextImage(*w, false), "body\r\nH\r\none two\r\n");
    w->Areas[size_t(second)].NextInFlow = 999;
    EXPECT_EQ(plainTextImage(*w, false), "body\r\nH\r\none two\r\n");
}

TEST_F(PlainText, SaveTakesTheNameUnlessKeepName)
{
    w->Areas[0].Lines.clear();
    bodyLine("x", ekSoft);
    w->SetFileChanged(true);
    const fs::path p = dir / "named.txt";
    frame.KeepName = 1;
    ASSERT_TRUE(w->SaveTXTFile(p.string(), false));
    EXPECT_TRUE(w->DocPath.empty());
    EXPECT_EQ(w->Modified, 1);
    frame.KeepName = 0;
    ASSERT_TRUE(w->SaveTXTFile(p.string(), false));
    EXPECT_EQ(w->DocPath, p.string());
    EXPECT_EQ(w->DocTitle, "named.txt");
    EXPECT_EQ(w->Modified, 0);
    EXPECT_EQ(readAll(p), "x\r\n");
}

TEST_F(PlainText, OpenAndCreateFailuresAreReported)
{
    EXPECT_FALSE(w->OpenTXTFile((dir / "missing.txt").string(), false));
    EXPECT_FALSE(w->OpenTXTFile(dir.string(), false));  // a folder
    ASSERT_EQ(boxes.texts.size(), 2u);
    EXPECT_EQ(boxes.texts[0], "Could not open file missing.txt!");

    w->SetFileChanged(true);
    EXPECT_FALSE(w->SaveTXTFile((dir / "no" / "such" / "out.txt").string(), false));
    EXPECT_EQ(boxes.texts.back(), "Could not create file out.txt!");
    EXPECT_EQ(w->Modified, 1);
    EXPECT_TRUE(w->DocPath.empty());
}

// A write that fails half way (here: the file size limit) leaves the
// previous file as it was and no temporary file behind.
TEST_F(PlainText, FailedWriteKeepsThePreviousFile)
{
    const fs::path p = dir / "keep.txt";
    writeAll(p, "previous");
    w->Areas[0].Lines.clear();
    bodyLine(std::string(4096, 'x'), ekParagraph);

    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool ok = w->SaveTXTFile(p.string(), false);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(ok);
    EXPECT_EQ(readAll(p), "previous");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
    EXPECT_EQ(boxes.texts.back(), "Could not create file keep.txt!");
}

TEST_F(PlainText, HostileBytesNeverCrash)
{
    std::string all;
    for (int i = 0; i < 256; ++i) all += char(i);
    for (const std::string& bytes : {all, std::string(5000, '\0'), std::string(3000, '\r'), all + all + "\n\r\n"}) {
        freshWindow();
        const fs::path p = dir / "hostile.txt";
        writeAll(p, bytes);
        EXPECT_TRUE(w->OpenTXTFile(p.string(), false));
        EXPECT_TRUE(w->OpenTXTFile(p.string(), true));
        ASSERT_FALSE(w->Areas.empty());
        EXPECT_TRUE(w->SaveTXTFile((dir / "back.txt").string(), true));
    }
}

} // namespace
