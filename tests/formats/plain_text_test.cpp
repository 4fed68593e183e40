#include "formats/PlainText.h"

#include "engine/Childwin.h"
#include "formats/OpenSave.h"
#include "formats/StandardServices.h"
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
#include <sys/stat.h>
#include <unistd.h>

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
        frame = StandardFrameState();
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
    FrameState frame = StandardFrameState();
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
    EXPECT_EQ(w->Fonts.at(size_t(a.FontIndex())).Face, "Courier New");
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
    insertText(*w, std::string_view("x\x01\x08\x0b\x1f\0y\tz\x80\xff", 11), false);
    const TextLine& l = w->Areas[0].Lines[0];
    EXPECT_EQ(lineText(*w, 0), "xy\tz\x80\xff");
    // Before layout a tab is 12.5 mm wide and of no height.
    EXPECT_DOUBLE_EQ(l.Chars[2].Width, 12.5);
    EXPECT_DOUBLE_EQ(l.Chars[2].Height(), -1);
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
    bodyLine("Hello ", ekSoft).Para.edit().ListKind = 1;
    bodyLine("world", ekParagraph).Para.edit().ListKind = 1;
    TextLine& n = bodyLine("third", ekParagraph);
    n.Para.edit().ListKind = 2;
    n.Para.edit().ItemNumber = 3;
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
        c.Para.edit().ListKind = 1;
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

// Every refusal keeps the message as it was and gives the reason on a
// second line; the window is left as it was.
TEST_F(PlainText, RefusedFilesSayWhyAndLeaveTheWindowAlone)
{
    const fs::path fifo = dir / "pipe.txt";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const fs::path huge = dir / "huge.txt";
    writeAll(huge, "");
    fs::resize_file(huge, kMaxTextFileBytes + 1);  // sparse: no disk used
    const fs::path binary = dir / "binary.txt";
    std::string bin(4000, 'x');
    for (size_t i = 0; i < bin.size(); i += 50) bin[i] = '\0';
    writeAll(binary, bin);
    const fs::path manyLines = dir / "lines.txt";
    writeAll(manyLines, std::string(kMaxTextFileChars / kTextLineWeight + 1, '\n'));

    struct Case {
        fs::path path;
        std::string message;
    };
    const Case cases[] = {
        {dir / "missing.txt", "Could not open file missing.txt!\nNo such file or directory"},
        {dir, "Could not open file " + dir.filename().string() + "!\nIs a directory"},
        {fifo, "Could not open file pipe.txt!\nit is not a regular file"},
        {huge, "Could not open file huge.txt!\nthe file is larger than 32 MB"},
        {binary, "Could not open file binary.txt!\nthe file is not a text file"},
        {manyLines, "Could not open file lines.txt!\nthe file holds more text than one document can take"},
    };
    const std::vector<TextArea> before = w->Areas;
    for (const Case& c : cases) {
        boxes.texts.clear();
        EXPECT_FALSE(w->OpenTXTFile(c.path.string(), false)) << c.path;
        ASSERT_EQ(boxes.texts.size(), 1u) << c.path;
        EXPECT_EQ(boxes.texts[0], c.message);
        EXPECT_TRUE(w->Areas == before) << c.path;
        EXPECT_TRUE(w->DocPath.empty());
        EXPECT_EQ(w->FontState.Face, "Times New Roman");
    }

    w->SetFileChanged(true);
    EXPECT_FALSE(w->SaveTXTFile((dir / "no" / "such" / "out.txt").string(), false));
    EXPECT_EQ(boxes.texts.back(), "Could not create file out.txt!\nNo such file or directory");
    EXPECT_EQ(w->Modified, 1);
    EXPECT_TRUE(w->DocPath.empty());
}

// Names the document code page cannot hold appear in messages as they are.
TEST_F(PlainText, MessagesNameTheFileAsItIs)
{
    struct Utf8Boxes : MessageBoxes {
        std::string text;
        MsgResult show(std::string_view, std::string_view, MsgIcon, MsgButtons) override { return MsgResult::Ok; }
        MsgResult showUtf8(std::string_view t, std::string_view, MsgIcon, MsgButtons) override
        {
            text = t;
            return MsgResult::Ok;
        }
    } utf8;
    setMessageBoxes(&utf8);
    EXPECT_FALSE(w->OpenTXTFile((dir / "\xE6\x97\xA5\xE6\x9C\xAC.txt").string(), false));
    EXPECT_EQ(utf8.text, "Could not open file \xE6\x97\xA5\xE6\x9C\xAC.txt!\nNo such file or directory");
    setMessageBoxes(&boxes);
}

// Characters count one each and lines kTextLineWeight each; a text file
// may hold a few NUL bytes but not a share of them.
TEST(PlainTextLimits, LinesCountAgainstTheLimitAndBinaryIsRefused)
{
    const size_t maxLines = kMaxTextFileChars / kTextLineWeight;
    struct Case {
        std::string bytes;
        bool taken;
    };
    const Case cases[] = {
        {std::string(maxLines, '\n'), true},
        {std::string(maxLines + 1, '\n'), false},
        {std::string(maxLines - 1, '\n') + "\r", true},             // CR LF is one line end
        {std::string(2 * (maxLines - 1), '\r') + "\r\n", false},   // a lone CR is one too
        {std::string(kMaxTextFileChars - kTextLineWeight, 'a'), true},
        {std::string(kMaxTextFileChars - kTextLineWeight + 1, 'a'), false},
        // Dropped control codes count nothing.
        {std::string(kMaxTextFileChars - kTextLineWeight, 'a') + std::string(100, '\x01'), true},
        {std::string(8, '\0') + "text", true},
        {std::string(9, '\0') + "text", false},
        {std::string(9, '\0') + std::string(900, 't'), true},
        {std::string(10, '\0') + std::string(900, 't'), false},
        {"", true},
    };
    for (const Case& c : cases) EXPECT_EQ(textRefusal(c.bytes).empty(), c.taken) << c.bytes.size();
}

// Text put in at a cursor inside a line: the first line of the file joins
// the cursor's line there, the others become paragraphs after it, started
// like the line that follows them.
TEST_F(PlainText, TextInsertedMidLineKeepsTheOldOrder)
{
    w->Areas[0].Lines.clear();
    bodyLine("AB", ekLineBreak);
    TextLine& next = bodyLine("next", ekSoft);
    next.CellWidth = 42;
    next.Para.edit().ItemNumber = 7;
    next.Para.edit().Alignment = 2;
    w->Cursor = TextPos{0, 0, 1};
    insertText(*w, "x\r\ny\r\nz", false);
    ASSERT_EQ(w->Areas[0].Lines.size(), 4u);
    EXPECT_EQ(areaText(*w), "AxB|y|znext");
    EXPECT_EQ(w->Cursor, (TextPos{0, 2, 1}));
    for (size_t i : {1u, 2u}) {
        const TextLine& l = w->Areas[0].Lines[i];
        EXPECT_DOUBLE_EQ(l.CellWidth, 42);
        EXPECT_EQ(l.Para->ItemNumber, 7);
        EXPECT_EQ(l.Para->Alignment, 0);
    }
    EXPECT_EQ(w->Areas[0].Lines[2].EndKind, ekSoft);

    // One line only: the characters go in at the cursor, nothing else moves.
    insertText(*w, "12", false);
    EXPECT_EQ(areaText(*w), "AxB|y|z12next");
    EXPECT_EQ(w->Cursor, (TextPos{0, 2, 3}));
}

// An address-space limit means nothing under the sanitizers, which reserve
// terabytes up front; GCC says so with its own macros, clang by features.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define PLAIN_TEXT_TEST_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define PLAIN_TEXT_TEST_SANITIZED 1
#endif
#endif

#if !defined(PLAIN_TEXT_TEST_SANITIZED)
// Running out of memory while the text goes in or is laid out is a refusal
// like any other: a message, and the window as it was.
TEST_F(PlainText, OutOfMemoryLeavesTheWindowAsItWas)
{
    auto addressSpace = [] {
        std::ifstream statm("/proc/self/statm");
        size_t pages = 0;
        statm >> pages;
        return pages * size_t(::sysconf(_SC_PAGESIZE));
    };
    std::string letters;
    for (int i = 0; i < 20000; ++i) letters += std::string(100, char('a' + i % 26)) + "\r\n";
    struct Case {
        std::string name, bytes;
        size_t headroomMB;  // enough for the lines, not for their characters
    };
    const Case cases[] = {
        {"letters.txt", letters, 40},
        // 128 Ki empty lines: their reading fits in 36 MB, their first
        // layout needs some 45 MB.
        {"ends.txt", std::string(1 << 17, '\n'), 38},
        {"ends-no-room.txt", std::string(1 << 17, '\n'), 8},
    };
    for (const Case& c : cases) {
        freshWindow();
        const fs::path p = dir / c.name;
        writeAll(p, c.bytes);
        const std::vector<TextArea> before = w->Areas;
        const std::vector<FontEntry> fonts = w->Fonts;

        struct rlimit old {};
        ASSERT_EQ(getrlimit(RLIMIT_AS, &old), 0);
        struct rlimit tight = old;
        tight.rlim_cur = addressSpace() + (c.headroomMB << 20);
        ASSERT_EQ(setrlimit(RLIMIT_AS, &tight), 0);
        const bool ok = w->OpenTXTFile(p.string(), false);
        setrlimit(RLIMIT_AS, &old);

        EXPECT_FALSE(ok) << c.name;
        ASSERT_EQ(boxes.texts.size(), 1u) << c.name;
        EXPECT_EQ(boxes.texts[0], "Could not open file " + c.name + "!\nthere is not enough memory");
        EXPECT_TRUE(w->Areas == before) << c.name;
        EXPECT_TRUE(w->Fonts == fonts) << c.name;
        EXPECT_EQ(w->FontState.Face, "Times New Roman");
        EXPECT_EQ(w->Cursor, TextPos{});
        EXPECT_TRUE(w->DocPath.empty());
    }
}
#endif

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
    EXPECT_EQ(boxes.texts.back(), "Could not create file keep.txt!\nFile too large");
}

TEST_F(PlainText, HostileBytesNeverCrash)
{
    std::string all;
    for (int i = 0; i < 256; ++i) all += char(i);
    for (const std::string& bytes : {all, std::string(5000, '\0'), std::string(3000, '\r'), all + all + "\n\r\n"}) {
        freshWindow();
        const fs::path p = dir / "hostile.txt";
        writeAll(p, bytes);
        const bool text = textRefusal(bytes).empty();
        EXPECT_EQ(w->OpenTXTFile(p.string(), false), text);
        EXPECT_EQ(w->OpenTXTFile(p.string(), true), text);
        ASSERT_FALSE(w->Areas.empty());
        EXPECT_TRUE(w->SaveTXTFile((dir / "back.txt").string(), true));
    }
}

} // namespace
