#include "engine/Childwin.h"
#include "formats/StandardServices.h"
#include "language/Hyphenation.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

using namespace quillet;

namespace {

struct RowCase {
    std::string Name;
    double Width;                 // of the area's text, in mm; characters are 1 mm wide
    std::vector<int> Lengths;     // characters of each cell
    int32_t End;                  // every cell's own line end
    std::vector<std::string> Expected;  // the row's lines after layout, run after run
};

// One page body `width` mm wide and tall enough for any row, with the
// current format as its only font, holding `lines` fresh lines; returns the
// font's index.
int32_t prepareRowArea(TMDIChild& w, double width, int32_t lines)
{
    w.Areas.resize(1);
    TextArea& a = w.Areas[0];
    a.AnchorRight = 0;
    a.Left = 0;
    a.Right = width;
    a.InnerLeft = a.InnerRight = 0;
    a.Bottom = 1e6;  // the whole row on one page
    a.AnchorBottom = 0;
    a.Lines.assign(size_t(lines), TextLine{});
    for (int32_t i = 0; i < lines; ++i) InitNewLine(a.Lines, i);
    w.Fonts.clear();
    return w.GetNewFontIndex(FontEntryFromState(w.FontState));
}

// A window of a frame of its own that does not check spelling.
struct QuietWindow {
    FrameState frame = quietFrame();
    std::unique_ptr<TMDIChild> win = std::make_unique<TMDIChild>(frame);
    TMDIChild& w = *win;

    static FrameState quietFrame()
    {
        FrameState f = StandardFrameState();
        f.Options.SpellWhileTyping = 0;
        return f;
    }
};

struct Row : QuietWindow {
    Row(const RowCase& c)
    {
        const int32_t n = int32_t(c.Lengths.size());
        prepareRowArea(w, c.Width, n + 1);
        std::vector<TextLine>& lines = w.Areas[0].Lines;
        for (int32_t i = 0; i < n; ++i) {
            TextLine& l = lines[size_t(i)];
            l.IsCell = 1;
            l.CellsPerRow = n;
            l.CellIndex = i;
            l.CellWidth = 1;
            l.RowFirstRun = l.RowLastRun = 1;
            l.EndKind = c.End;
            for (int k = 0; k < c.Lengths[size_t(i)]; ++k) {
                TextChar ch;
                ch.Code = uint8_t('a' + i % 26);
                ch.Width = 1;
                ch.setHeight(4);
                l.Chars.push_back(ch);
            }
        }
        lines.back().EndKind = ekParagraph;
        w.Cursor = w.Anchor = TextPos{0, n, 0};
    }

    void layout()
    {
        w.SetAllDirtyFlags();
        w.MakeSoftEnters();
    }

    std::vector<std::string> rowTexts() const
    {
        std::vector<std::string> out;
        for (const TextLine& l : w.Areas[0].Lines)
            if (l.IsCell) {
                std::string s;
                for (const TextChar& c : l.Chars) s.push_back(char(c.Code));
                out.push_back(s);
            }
        return out;
    }
};

} // namespace

// When several cells of a row overflow, each one's rest goes into the line
// right below it: the row grows by the runs its longest cell needs, every
// cell's text runs on without a gap, the run structure and line ends are
// sound, and laying out again gives the same row.
TEST(TableRowLayout, OverflowingCellsShareTheRunsBelow)
{
    const std::string a10(10, 'a'), b10(10, 'b');
    std::vector<RowCase> cases;
    for (int32_t end : {int32_t(ekParagraph), int32_t(ekSoft), int32_t(ekLineBreak)})
        cases.push_back({"three cells, end " + std::to_string(end), 30, {25, 14, 5}, end,
                         {a10, b10, "ccccc", a10, "bbbb", "", "aaaaa", "", ""}});
    cases.push_back({"only the last cell", 30, {3, 2, 12}, ekParagraph, {"aaa", "bb", "cccccccccc", "", "", "cc"}});
    // Cells narrower than a character keep one on each line.
    std::vector<std::string> narrow;
    for (int run = 0; run < 3; ++run)
        for (int i = 0; i < 200; ++i) narrow.push_back(std::string(1, char('a' + i % 26)));
    cases.push_back({"200 narrow cells", 30, std::vector<int>(200, 3), ekParagraph, narrow});

    for (const RowCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Row r(c);
        r.layout();
        ASSERT_EQ(r.rowTexts(), c.Expected);

        const int32_t n = int32_t(c.Lengths.size());
        const std::vector<TextLine>& lines = r.w.Areas[0].Lines;
        const int32_t runs = int32_t(c.Expected.size()) / n;
        for (int32_t i = 0; i < runs * n; ++i) {
            const TextLine& l = lines[size_t(i)];
            const int32_t run = i / n, cell = i % n;
            EXPECT_EQ(l.CellIndex, cell) << i;
            EXPECT_EQ(l.RowFirstRun, run == 0 ? 1 : 0) << i;
            EXPECT_EQ(l.RowLastRun, run == runs - 1 ? 1 : 0) << i;
            // A cell's end stays on its last line of text; the lines before
            // it wrap, the spare lines after it end nothing.
            int32_t last = 0;
            for (int32_t k = 0; k < runs; ++k)
                if (!c.Expected[size_t(k * n + cell)].empty()) last = k;
            EXPECT_EQ(l.EndKind, run == last ? c.End : int32_t(ekSoft)) << i;
        }

        r.w.MakeSoftEnters();
        EXPECT_EQ(r.rowTexts(), c.Expected) << "a pass over the laid-out row";
        r.layout();
        EXPECT_EQ(r.rowTexts(), c.Expected) << "a full layout again";
    }
}

// A long cell in a narrow column fills many runs: each of its lines keeps
// the room of its own text only, not of the rest that moved on below it,
// so the row's memory grows with its text and not with the square of it.
TEST(TableRowLayout, ALongCellKeepsNoRoomOfItsRestOnEachLine)
{
    for (const int length : {40, 3000}) {
        SCOPED_TRACE(length);
        Row r(RowCase{"long cell", 9, {length, 2, 1}, ekParagraph, {}});
        r.layout();
        std::string first;
        size_t room = 0;
        int32_t lines = 0;
        for (const TextLine& l : r.w.Areas[0].Lines) {
            if (!l.IsCell || l.CellIndex != 0) continue;
            for (const TextChar& c : l.Chars) first.push_back(char(c.Code));
            room += l.Chars.capacity();
            ++lines;
            EXPECT_LE(l.Chars.capacity(), l.Chars.size() + l.Chars.size() / 8 + 4) << lines;
        }
        EXPECT_EQ(first, std::string(size_t(length), 'a'));
        EXPECT_EQ(lines, (length + 2) / 3);
        EXPECT_LE(room, size_t(length) * 2);
    }
}

namespace {

// One line of a row as a case builds it.
struct CellSpec {
    int32_t Cells, Index;
    int Chars;           // each 1 mm wide, `Tall` high
    float Tall;
    uint8_t Mode;        // line spacing mode and value
    double Spacing;
    double Weight;
};

struct HeightCase {
    std::string Name;
    double Width;
    std::vector<CellSpec> Lines;  // a plain paragraph line follows them
    int Touched;                  // after a first layout, this line alone is
                                  // marked and line 0 grows taller (-1: none)
    std::vector<int> Counts;      // characters of each line after layout (empty: not checked)
};

bool same(double a, double b) { return (std::isnan(a) && std::isnan(b)) || a == b; }

} // namespace

// The heights a pass gives a row's lines are those that settling each line
// in turn gives (every cell of a run takes the tallest of the run): for
// rows of one run and of several, rows cut short or with damaged counts,
// every spacing mode, unequal cell weights that wrap, and a run of which
// one cell alone is marked, which is broken again as a whole.
TEST(TableRowLayout, RunHeightsMatchSettlingEachLineInTurn)
{
    const double nan = std::nan("");
    const std::vector<HeightCase> cases = {
        {"one run", 100, {{4, 0, 2, 2, 0, 1, 1}, {4, 1, 2, 5, 0, 1, 1}, {4, 2, 1, 3, 0, 1, 1}, {4, 3, 3, 1, 0, 1, 1}}, -1, {}},
        {"spacing modes", 100, {{3, 0, 2, 2, 0, 1.5, 1}, {3, 1, 2, 3, 1, 6, 1}, {3, 2, 2, 9, 2, 2, 1}}, -1, {}},
        {"two rows", 100,
         {{3, 0, 1, 1, 0, 1, 1}, {3, 1, 1, 7, 0, 1, 1}, {3, 2, 1, 2, 0, 1, 1}, {2, 0, 1, 4, 0, 1, 1}, {2, 1, 1, 3, 0, 2, 1}},
         -1, {}},
        {"damaged counts", 100,
         {{3, 0, 1, 2, 0, 1, 1}, {3, 1, 1, 6, 0, 1, 1}, {3, 0, 1, 3, 0, 1, 1}, {3, 1, 1, 1, 0, 1, 1}, {3, 2, 1, 4, 0, 1, 1},
          {3, 7, 1, 8, 0, 1, 1}, {3, 2, 1, 1, 0, 1, 1}},
         -1, {}},
        {"cut short", 100, {{5, 0, 1, 2, 0, 1, 1}, {5, 1, 1, 6, 0, 1, 1}, {5, 2, 1, 3, 0, 1, 1}}, -1, {}},
        {"not a number", 100, {{3, 0, 1, 2, 0, nan, 1}, {3, 1, 1, 5, 0, 1, 1}, {3, 2, 1, 3, 0, 1, 1}}, -1, {}},
        {"last is not a number", 100, {{3, 0, 1, 2, 0, 1, 1}, {3, 1, 1, 5, 0, 1, 1}, {3, 2, 1, 3, 2, nan, 1}}, -1, {}},
        {"one cell marked", 100, {{3, 0, 1, 2, 0, 1, 1}, {3, 1, 1, 3, 0, 1, 1}, {3, 2, 1, 1, 0, 1, 1}}, 2, {}},
        // Widths 5, 10 and 15 mm: 12 characters wrap into 5 + 5 + 2, 10 + 2
        // and 12, each run of the row asking for the weights again.
        {"unequal weights wrap", 30, {{3, 0, 12, 2, 0, 1, 1}, {3, 1, 12, 4, 0, 1, 2}, {3, 2, 12, 3, 0, 1, 3}}, -1,
         {5, 10, 12, 5, 2, 0, 2, 0, 0}},
    };

    for (const HeightCase& c : cases) {
        SCOPED_TRACE(c.Name);
        QuietWindow quiet;
        TMDIChild& w = quiet.w;
        const int32_t n = int32_t(c.Lines.size());
        const int32_t font = prepareRowArea(w, c.Width, n + 1);
        std::vector<TextLine>& lines = w.Areas[0].Lines;
        for (int32_t i = 0; i < n; ++i) {
            const CellSpec& s = c.Lines[size_t(i)];
            TextLine& l = lines[size_t(i)];
            l.IsCell = 1;
            l.CellsPerRow = s.Cells;
            l.CellIndex = s.Index;
            l.CellWidth = s.Weight;
            l.RowFirstRun = l.RowLastRun = 1;
            l.EndKind = ekParagraph;
            l.Para.edit().LineSpacingMode = s.Mode;
            l.Para.edit().LineSpacing = s.Spacing;
            TextChar ch;
            ch.Code = 'x';
            ch.setFontIndex(font);
            ch.Width = 1;
            ch.setHeight(s.Tall);
            l.Chars.assign(size_t(s.Chars), ch);
        }
        lines.back().EndKind = ekParagraph;
        lines.back().Chars.assign(1, lines[0].Chars[0]);
        w.Cursor = w.Anchor = TextPos{0, n, 0};
        w.SetAllDirtyFlags();
        w.MakeSoftEnters();
        if (c.Touched >= 0) {
            for (TextChar& ch : lines[0].Chars) ch.setHeight(11);
            lines[size_t(c.Touched)].Dirty = 1;
            w.MakeSoftEnters();
        }
        if (!c.Counts.empty()) {
            std::vector<int> counts;
            for (const TextLine& l : lines)
                if (l.IsCell) counts.push_back(l.CharCount());
            EXPECT_EQ(counts, c.Counts);
        }

        // Settle every line again in turn, from the characters it holds.
        std::vector<double> laidOut;
        for (const TextLine& l : lines) laidOut.push_back(l.Height);
        for (TextLine& l : lines) l.Height = -7;
        w.LayoutFontIndex = font;
        for (int32_t i = 0; i < int32_t(lines.size()); ++i) {
            double tallest = -1;
            for (const TextChar& ch : lines[size_t(i)].Chars) tallest = std::max(tallest, double(ch.Height()));
            w.CalcLineHeight(0, i, tallest);
        }
        w.LayoutFontIndex = -1;
        for (size_t i = 0; i < lines.size(); ++i)
            EXPECT_TRUE(same(lines[i].Height, laidOut[i])) << i << ": " << lines[i].Height << " vs " << laidOut[i];
    }
}

namespace {

// Lines per area, then each line's height, of the flow a page body heads.
std::vector<double> placedShape(const TMDIChild& w)
{
    std::vector<double> out;
    for (const TextArea& a : w.Areas)
        if (a.AreaType == atPageBody) out.push_back(double(a.LineCount()));
    for (const TextArea& a : w.Areas)
        for (const TextLine& l : a.Lines) out.push_back(l.Height);
    return out;
}

} // namespace

// A run takes the largest space above and below among its cells. A layout
// pass finds them as it breaks the cells; placing the same lines again on
// their own walks the runs instead. Both must break the pages alike, for
// spacings of every sign, zeros of both signs and NaN, rows of unequal
// lengths, cells that wrap into continuation runs, damaged cell counts and
// a row cut short at the end.
TEST(TableRowLayout, RunSpacingOfAPassMatchesWalkingTheRun)
{
    const double nan = std::nan("");
    const std::vector<double> spacings = {0, -0.0, 1.5, 3, -2, nan, 0.25, 7};
    struct SpacingCase {
        std::string Name;
        int32_t Rows;
        int32_t Cells;      // of each row, before damage
        int Chars;          // characters of the longest cell (1 mm each)
        bool Damaged;       // every seventh line claims a wrong cell count
        bool CutShort;      // the last row lacks its last cell
    };
    const std::vector<SpacingCase> cases = {
        {"one-line cells", 60, 4, 3, false, false},
        {"wrapping cells", 40, 3, 30, false, false},
        {"damaged counts", 50, 5, 6, true, false},
        {"cut short", 30, 6, 4, false, true},
    };
    for (const SpacingCase& c : cases) {
        SCOPED_TRACE(c.Name);
        QuietWindow quiet;
        TMDIChild& w = quiet.w;
        const int32_t n = c.Rows * c.Cells - (c.CutShort ? 1 : 0);
        const int32_t font = prepareRowArea(w, 40, n + 1);
        TextArea& a = w.Areas[0];
        a.Top = 0;
        a.Bottom = 120;  // pages of 120 mm: where they break shows the spacing
        std::vector<TextLine>& lines = a.Lines;
        for (int32_t i = 0; i < n; ++i) {
            TextLine& l = lines[size_t(i)];
            l.IsCell = 1;
            l.CellsPerRow = c.Damaged && i % 7 == 3 ? c.Cells + 2 : c.Cells;
            l.CellIndex = i % c.Cells;
            l.CellWidth = 1;
            l.RowFirstRun = l.RowLastRun = 1;
            l.EndKind = ekParagraph;
            l.Para.edit().SpaceAbove = spacings[size_t(i * 5 % 8)];
            l.Para.edit().SpaceBelow = spacings[size_t(i * 3 % 8)];
            TextChar ch;
            ch.Code = 'x';
            ch.setFontIndex(font);
            ch.Width = 1;
            ch.setHeight(float(2 + i % 3));
            l.Chars.assign(size_t(1 + (i * 7) % c.Chars), ch);
        }
        lines.back().EndKind = ekParagraph;
        w.Cursor = w.Anchor = TextPos{0, 0, 0};
        w.SetAllDirtyFlags();
        w.MakeSoftEnters();
        const std::vector<double> pass = placedShape(w);
        ASSERT_GT(pass[1], 0) << "the row spans more than one page";

        w.FlowGather();
        w.FlowPlace();
        const std::vector<double> walked = placedShape(w);
        ASSERT_EQ(pass.size(), walked.size());
        for (size_t i = 0; i < pass.size(); ++i) EXPECT_TRUE(same(pass[i], walked[i])) << i;
    }
}

namespace {

// A line as layout leaves it: its text, hyphen mark, height and end.
using LineShape = std::tuple<std::string, int, double, int32_t>;

// One text laid out in a window of its own: as the first of three cells of
// a row (weights 1, 1, 2 in 36 mm: the cell is 9 mm wide) or as a
// paragraph of 9 mm outside a table. Characters are 1 mm wide and 6 mm
// high; "~" puts a
// soft hyphen on the letter after it. The caret stands before character
// `caret` of the text.
struct LongCellWindow : QuietWindow {
    test::RecordingHost host;
    bool cell;

    LongCellWindow(const std::string& text, bool inCell, const HyphenPatternTable* patterns, int32_t caret)
        : cell(inCell)
    {
        w.setHost(&host);
        w.AutoHyphenation = patterns ? 1 : 0;
        w.CurrentPatternTable = const_cast<HyphenPatternTable*>(patterns);
        const int32_t n = cell ? 3 : 1;
        const int32_t font = prepareRowArea(w, cell ? 36 : 9, n + 1);
        const auto letter = [font](char c) {
            TextChar ch;
            ch.Code = uint8_t(c);
            ch.setFontIndex(font);
            ch.Width = 1;
            ch.setHeight(6);  // taller than a space: the empty cells below do not set the runs' heights
            return ch;
        };
        std::vector<TextLine>& lines = w.Areas[0].Lines;
        for (int32_t i = 0; i <= n; ++i) {
            TextLine& l = lines[size_t(i)];
            l.EndKind = ekParagraph;
            if (!cell || i == n) continue;
            l.IsCell = 1;
            l.CellsPerRow = n;
            l.CellIndex = i;
            l.CellWidth = i == 2 ? 2 : 1;
            l.RowFirstRun = l.RowLastRun = 1;
            l.Chars.assign(2, letter(char('x' + i)));
        }
        lines[0].Chars.clear();
        bool soft = false;
        for (const char c : text) {
            if (c == '~') {
                soft = true;
                continue;
            }
            TextChar ch = letter(c);
            SettingOpsB(ch.Flags, cfSoftHyphen, soft);
            soft = false;
            lines[0].Chars.push_back(ch);
        }
        w.Cursor = w.Anchor = TextPos{0, 0, caret};
        w.SetAllDirtyFlags();
        w.MakeSoftEnters();
    }

    // The lines of the text: in a row, the first cell's line of each run;
    // else every line but the paragraph below the text.
    std::vector<LineShape> shape() const
    {
        std::vector<LineShape> out;
        const std::vector<TextLine>& lines = w.Areas[0].Lines;
        for (size_t i = 0; i + 1 < lines.size(); ++i) {
            const TextLine& l = lines[i];
            if (cell && l.CellIndex != 0) continue;
            std::string s;
            for (const TextChar& c : l.Chars) s.push_back(char(c.Code));
            out.emplace_back(s, l.HyphenAfter, l.Height, l.EndKind);
        }
        return out;
    }

    // The caret as the line of the text it stands on (counted as shape()
    // counts them) and its place on that line.
    std::pair<int32_t, int32_t> caret() const
    {
        const int32_t stride = cell ? 3 : 1;
        return {w.Cursor.Line % stride == 0 ? w.Cursor.Line / stride : -1, w.Cursor.Char};
    }
};

// Line by line, so that a failure names the first line that differs.
void expectSameLines(const std::vector<LineShape>& got, const std::vector<LineShape>& want, const char* when)
{
    SCOPED_TRACE(when);
    EXPECT_EQ(got.size(), want.size());
    for (size_t i = 0; i < std::min(got.size(), want.size()); ++i)
        if (got[i] != want[i]) {
            EXPECT_EQ(got[i], want[i]) << "line " << i;
            return;
        }
}

} // namespace

// A cell too long for its narrow column fills a run of its row for every
// line it needs, the rest of its text handed down from run to run. Its
// lines are those the same text gets as a paragraph of the cell's width
// outside a table: the same texts, hyphen marks, heights and ends, and the
// caret on the same character. Typing a letter into its middle breaks it
// as the paragraph breaks, and taking the letter back gives the first
// lines again.
TEST(TableRowLayout, ALongCellBreaksAsAParagraphOfItsWidth)
{
    HyphenPatternTable english;
    ASSERT_TRUE(english.loadFile(test::programDir() / "english0.hyp"));
    std::string word, prose, soft, hyphenated;
    for (int i = 0; i < 3000; ++i) word.push_back(char('a' + i * 7 % 26));
    for (int i = 0; prose.size() < 3000; ++i) prose += std::string(size_t(1 + i * 5 % 8), char('a' + i % 26)) + " ";
    while (soft.size() < 2000) soft += "ab~cd~efg~hi~jklm ";
    const char* words[] = {"information ", "representation ", "hyphenation ", "communication ", "a ", "possibilities "};
    for (int i = 0; hyphenated.size() < 2500; ++i) hyphenated += words[i * 5 % 6];

    struct Case {
        std::string Name, Text;
        bool Patterns;
        bool Hyphens;  // some lines end in a hyphen
    };
    const std::vector<Case> cases = {
        {"a long word", word, false, false},
        {"a word just longer than the carried rest", word.substr(0, 280), false, false},
        {"prose", prose, false, false},
        {"soft hyphens", soft, false, true},
        {"automatic hyphenation", hyphenated, true, true},
        {"a cell that fits", "fits", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const HyphenPatternTable* patterns = c.Patterns ? &english : nullptr;
        const int32_t middle = int32_t(c.Text.size()) / 2;
        LongCellWindow row(c.Text, true, patterns, middle), para(c.Text, false, patterns, middle);
        const std::vector<LineShape> laidOut = row.shape();
        expectSameLines(laidOut, para.shape(), "laid out");
        EXPECT_EQ(row.caret(), para.caret());
        EXPECT_GE(laidOut.size(), c.Text.size() / 9);
        const auto hyphens =
            std::count_if(laidOut.begin(), laidOut.end(), [](const LineShape& l) { return std::get<1>(l) != 0; });
        EXPECT_EQ(hyphens > 0, c.Hyphens) << hyphens;

        for (LongCellWindow* win : {&row, &para}) {
            uint8_t key = 'Q';
            win->w.getkeysKeyPress(key);
        }
        expectSameLines(row.shape(), para.shape(), "after typing");
        EXPECT_EQ(row.caret(), para.caret()) << "after typing";
        EXPECT_NE(row.shape(), laidOut);

        row.w.RestoreCopyFromUndo(0);
        row.w.MakeSoftEnters();
        expectSameLines(row.shape(), laidOut, "after undo");
        row.w.SetAllDirtyFlags();
        row.w.MakeSoftEnters();
        expectSameLines(row.shape(), laidOut, "after undo, laid out again");
    }
}

