#include "engine/Childwin.h"

#include "formats/StandardServices.h"
#include "language/WordList.h"
#include "platform/SelFont.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <limits>
#include <memory>
#include <string>
#include <vector>

using namespace quillet;

namespace {

// Height of a space in a format at 600 dpi, as an empty line gets it.
double spaceHeight(const std::string& face, double size)
{
    return double(selfont(face, 600, 1, 0, size, 100)->textExtent(" ").cy) / 600 * 25.39995;
}

class Layout : public ::testing::Test {
protected:
    FrameState frame = StandardFrameState();
    std::unique_ptr<TMDIChild> win = std::make_unique<TMDIChild>(frame);
    TMDIChild& w = *win;

    Layout() { prepare(w); }

    // One page body whose text is exactly `Right` millimetres wide.
    static void prepare(TMDIChild& win)
    {
        win.Areas.resize(1);
        TextArea& a = win.Areas[0];
        a.AnchorRight = 0;
        a.Left = 0;
        a.Right = 100;
        a.InnerLeft = a.InnerRight = 0;
        a.Lines.clear();
        win.Fonts.clear();
        win.GetNewFontIndex(FontEntryFromState(win.FontState));
        win.Cursor = win.Anchor = TextPos{};
    }

    // The first area's lines, where a test builds its text.
    std::vector<TextLine>& lines() { return w.Areas[0].Lines; }

    // The lines of the whole flow after a pass: page flow may have moved
    // some onto further pages.
    std::vector<TextLine*> flow()
    {
        std::vector<TextLine*> out;
        for (int32_t a = 0, guard = 0; a >= 0 && a < w.AreaCount() && guard < w.AreaCount(); ++guard) {
            for (TextLine& l : w.Areas[size_t(a)].Lines) out.push_back(&l);
            a = w.Areas[size_t(a)].NextInFlow;
        }
        return out;
    }
    TextLine& line(size_t i) { return *flow().at(i); }
    void width(double mm) { w.Areas[0].Right = mm; }
    // Back to one empty page (a pass may have added pages).
    void reset()
    {
        w.Areas.resize(1);
        w.Areas[0].NextInFlow = -1;
        lines().clear();
        w.Cursor = w.Anchor = TextPos{};
    }

    static TextChar ch(uint8_t code, double width = 1, double height = 4)
    {
        TextChar c;
        c.Code = code;
        c.Width = width;
        c.setHeight(height);
        return c;
    }

    TextLine& add(std::string_view text, int32_t endKind = ekParagraph, double cw = 1, double h = 4)
    {
        std::vector<TextLine>& ls = lines();
        ls.emplace_back();
        InitNewLine(ls, int32_t(ls.size()) - 1);
        TextLine& l = ls.back();
        l.EndKind = endKind;
        for (char c : text) l.Chars.push_back(ch(uint8_t(c), cw, h));
        return l;
    }

    // A table cell line of an N-cell row.
    TextLine& cell(std::string_view text, int32_t n, int32_t index, bool firstRun, bool lastRun, double h = 4)
    {
        TextLine& l = add(text, ekSoft, 1, h);
        l.IsCell = 1;
        l.CellsPerRow = n;
        l.CellIndex = index;
        l.CellWidth = 1;
        l.RowFirstRun = firstRun;
        l.RowLastRun = lastRun;
        return l;
    }

    void layout()
    {
        w.SetAllDirtyFlags();
        w.MakeSoftEnters();
    }

    static std::string text(const TextLine& l)
    {
        std::string s;
        for (const TextChar& c : l.Chars) s.push_back(char(c.Code));
        return s;
    }

    std::vector<std::string> texts()
    {
        std::vector<std::string> out;
        for (const TextLine* l : flow()) out.push_back(text(*l));
        return out;
    }

    std::vector<int32_t> endKinds()
    {
        std::vector<int32_t> out;
        for (const TextLine* l : flow()) out.push_back(l->EndKind);
        return out;
    }

    std::vector<int> hyphens()
    {
        std::vector<int> out;
        for (const TextLine* l : flow()) out.push_back(l->HyphenAfter);
        return out;
    }

    // The character the position stands before.
    char at(const TextPos& p)
    {
        const TextLine& l = w.Areas.at(size_t(p.Area)).Lines.at(size_t(p.Line));
        return p.Char < l.CharCount() ? char(l.Chars[size_t(p.Char)].Code) : '$';
    }
};

using Strings = std::vector<std::string>;
using Ints = std::vector<int32_t>;

// ---- Breaking -------------------------------------------------------------

TEST_F(Layout, WrapsAfterSpacesWhichHangPastTheMargin)
{
    width(7);
    add("aaa bbb ccc");
    add("aaa      bbb");
    layout();
    EXPECT_EQ(texts(), (Strings{"aaa bbb ", "ccc", "aaa      ", "bbb"}));
    EXPECT_EQ(endKinds(), (Ints{0, 1, 0, 1}));
    for (const TextLine& l : lines()) {
        EXPECT_DOUBLE_EQ(l.Height, 4);
        EXPECT_EQ(l.Dirty, 0);
    }
}

TEST_F(Layout, CutsOverlongWordsAndKeepsAWideCharacterAlone)
{
    width(4);
    add("abcdefghij");
    add("xyz", ekParagraph, 10);
    layout();
    EXPECT_EQ(texts(), (Strings{"abcd", "efgh", "ij", "x", "y", "z"}));
}

TEST_F(Layout, ZeroNegativeAndNanWidthsStillMakeProgress)
{
    for (double mm : {0.0, -50.0}) {
        reset();
        width(mm);
        add("ab cd");
        layout();
        EXPECT_EQ(texts(), (Strings{"a", "b ", "c", "d"})) << mm;
    }
    reset();
    width(10);
    add("abc").Para.edit().RightIndent = 1e300;
    add("xy", ekParagraph, std::numeric_limits<double>::quiet_NaN());
    layout();
    EXPECT_EQ(texts(), (Strings{"a", "b", "c", "xy"}));
}

TEST_F(Layout, RelayoutIsStableAndRejoinsWhenTheLineGetsWider)
{
    width(7);
    add("aaa bbb ccc ddd");
    layout();
    const Strings broken{"aaa bbb ", "ccc ddd"};
    EXPECT_EQ(texts(), broken);
    layout();
    EXPECT_EQ(texts(), broken);
    // Only the dirty soft-wrapped line pulls its successor back up.
    w.MakeSoftEnters();
    EXPECT_EQ(texts(), broken);
    width(100);
    layout();
    EXPECT_EQ(texts(), (Strings{"aaa bbb ccc ddd"}));
    EXPECT_EQ(endKinds(), (Ints{1}));
}

// A full layout joins every paragraph into its first line and breaks it
// again; the room that leaves behind must not pile up with the text: after
// any number of passes, at any width, the lines hold about their characters.
TEST_F(Layout, FullLayoutsLeaveNoRoomOfJoinedParagraphsBehind)
{
    std::string words;
    for (int i = 0; i < 400; ++i) words += "word" + std::to_string(i % 10) + " ";
    for (int p = 0; p < 20; ++p) add(words.substr(0, words.size() / size_t(1 + p % 4)));
    for (const double mm : {30.0, 7.0, 60.0, 15.0}) {
        width(mm);
        for (int pass = 0; pass < 3; ++pass) {
            layout();
            size_t chars = 0, room = 0, lineCount = 0;
            for (const TextLine* l : flow()) {
                chars += l->Chars.size();
                room += l->Chars.capacity();
                ++lineCount;
            }
            EXPECT_GT(lineCount, 20u);
            EXPECT_LE(room, chars + chars / 4 + 8 * lineCount) << "width " << mm << " pass " << pass << " room " << room << " chars " << chars;
        }
    }
}

// A wrapped line keeps no more room than its characters need, give or take
// an eighth: not that of its paragraph's other lines, however few they are.
TEST_F(Layout, WrappedLinesGiveBackTheRoomOfTheirParagraphsRest)
{
    std::string words;
    for (int i = 0; i < 60; ++i) words += "word" + std::to_string(i % 10) + " ";
    // Paragraphs wrapping into two lines, a few, and many.
    const struct {
        double mm;
        size_t length;
    } cases[] = {{40.0, 70}, {40.0, 110}, {25.0, 160}, {15.0, words.size()}, {60.0, 90}};
    for (const auto& c : cases) {
        reset();
        for (size_t p = 0; p < 12; ++p) add(words.substr(p, c.length - p));
        width(c.mm);
        layout();
        size_t wrapped = 0;
        for (const TextLine* l : flow()) {
            if (l->EndKind != ekSoft) continue;
            ++wrapped;
            EXPECT_LE(l->Chars.capacity(), l->Chars.size() + l->Chars.size() / 8 + 4)
                << "width " << c.mm << " length " << c.length << " line " << text(*l);
        }
        EXPECT_GE(wrapped, 12u) << "width " << c.mm << " length " << c.length;
    }
}

// A long text whose later paragraphs wrap much more than its first ones
// outgrows the room its breaks were first given several times over; each
// paragraph still breaks exactly as it does alone.
TEST_F(Layout, ALongTextBreaksEachParagraphAsItBreaksAlone)
{
    uint32_t seed = 99;
    auto next = [&seed](uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % n;
    };
    std::vector<std::string> paragraphs;
    for (int p = 0; p < 3000; ++p) {
        std::string s;
        const uint32_t words = p < 1500 ? 1 + next(5) : 20 + next(60);
        for (uint32_t i = 0; i < words; ++i) s += std::string(1 + next(9), char('a' + next(26))) + " ";
        paragraphs.push_back(s);
    }
    w.AutoHyphenation = 0;
    for (const std::string& p : paragraphs) add(p);
    width(40);
    layout();

    FrameState f2 = StandardFrameState();
    TMDIChild solo(f2);
    solo.AutoHyphenation = 0;
    Strings want;
    for (const std::string& p : paragraphs) {
        prepare(solo);
        solo.Areas[0].Right = 40;
        std::vector<TextLine>& ls = solo.Areas[0].Lines;
        ls.emplace_back();
        InitNewLine(ls, 0);
        ls[0].EndKind = ekParagraph;
        for (char c : p) ls[0].Chars.push_back(ch(uint8_t(c)));
        solo.SetAllDirtyFlags();
        solo.MakeSoftEnters();
        for (int32_t a = 0; a >= 0 && a < solo.AreaCount(); a = solo.Areas[size_t(a)].NextInFlow)
            for (const TextLine& l : solo.Areas[size_t(a)].Lines) want.push_back(text(l));
    }
    EXPECT_GT(want.size(), 3000u + 4 * 1024u);
    EXPECT_EQ(texts(), want);
}

TEST_F(Layout, IndentsNarrowTheLineAndFirstLineIndentOnlyTheFirst)
{
    width(10);
    TextLine& l = add("aaaa bbbb cccc");
    l.Para.edit().LeftIndent = 2;
    l.Para.edit().FirstLineIndent = 3;
    l.Para.edit().RightIndent = 1;
    layout();
    EXPECT_EQ(texts(), (Strings{"aaaa ", "bbbb ", "cccc"}));
}

TEST_F(Layout, LineHeightFollowsTallestCharacterAndLineSpacing)
{
    width(100);
    TextLine& mixed = add("ab");
    mixed.Chars[1].setHeight(7);
    add("a").Para.edit().LineSpacing = 1.5;
    TextLine& atLeast = add("a");
    atLeast.Para.edit().LineSpacingMode = 1;
    atLeast.Para.edit().LineSpacing = 5;
    TextLine& exactly = add("a");
    exactly.Para.edit().LineSpacingMode = 2;
    exactly.Para.edit().LineSpacing = 3;
    TextLine& huge = add("a");
    huge.Para.edit().LineSpacing = 1e300;
    layout();
    EXPECT_DOUBLE_EQ(line(0).Height, 7);
    EXPECT_DOUBLE_EQ(line(1).Height, 6);
    EXPECT_DOUBLE_EQ(line(2).Height, 5);
    EXPECT_DOUBLE_EQ(line(3).Height, 3);
    EXPECT_DOUBLE_EQ(line(4).Height, 4e300);
}

TEST_F(Layout, CharactersThatMoveOnStillCountInTheUpperLinesHeight)
{
    width(4.5);
    TextLine& l = add("aa bbb");
    l.Chars[3].setHeight(9);
    layout();
    EXPECT_EQ(texts(), (Strings{"aa ", "bbb"}));
    EXPECT_DOUBLE_EQ(line(0).Height, 9);
}

TEST_F(Layout, EmptyLinesTakeTheSpaceHeightOfTheNearestFormat)
{
    width(100);
    add("").Para.edit().LineSpacing = 2;
    TextLine& big = add("a");
    FontEntry arial = FontEntryFromState(w.FontState);
    arial.Face = "Arial";
    arial.Size = 20;
    big.Chars[0].setFontIndex(w.GetNewFontIndex(arial));
    add("");
    TextLine& exact = add("");
    exact.Para.edit().LineSpacingMode = 2;
    exact.Para.edit().LineSpacing = 3;
    // A tab of no measurable height does not make the line's height
    // negative: it takes a space of its own format.
    TextLine& tab = add("\t");
    tab.Chars[0].setHeight(-1);
    layout();
    const double times = spaceHeight("Times New Roman", 12);
    ASSERT_GT(times, 0);
    EXPECT_NEAR(line(0).Height, 2 * times, 1e-9);
    EXPECT_NEAR(line(2).Height, spaceHeight("Arial", 20), 1e-9);
    EXPECT_DOUBLE_EQ(line(3).Height, 3);
    EXPECT_NEAR(line(4).Height, times, 1e-9);
}

TEST_F(Layout, AreaAndColumnWidths)
{
    TextArea& a = w.Areas[0];
    a.AnchorRight = 1;
    a.Left = 0;
    a.Right = 0;
    a.InnerLeft = a.InnerRight = 25;
    // 4960 printer pixels at 600 dpi are 793 whole screen pixels at 96 dpi.
    EXPECT_NEAR(w.AreaTextWidth(0), 793.0 / 96 * 25.39995 - 50, 1e-9);

    a.AnchorRight = 0;
    a.Right = 100;
    a.InnerLeft = a.InnerRight = 0;
    TextLine& l = add(std::string(60, 'a'));
    l.ColumnCount = 2;
    l.ColumnGap = 10;
    EXPECT_DOUBLE_EQ(w.ColumnWidth(0, l), 45);
    layout();
    EXPECT_EQ(texts(), (Strings{std::string(45, 'a'), std::string(15, 'a')}));
}

// Re-breaking after edits gives what breaking the edited text afresh gives:
// joins, the lines they leave behind and the lines breaking inserts are
// bookkept right however they interleave. (Without tabs: a tab can shorten a
// line that takes text from above, and the flow down the paragraph stops
// there, leaving the lines below as they were.)
TEST_F(Layout, RelayoutAfterEditsMatchesAFreshLayout)
{
    uint32_t seed = 7;
    auto next = [&seed](uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % n;
    };
    auto flowOf = [](TMDIChild& win) {
        std::vector<std::string> out;
        for (int32_t a = 0, guard = 0; a >= 0 && a < win.AreaCount() && guard < win.AreaCount(); ++guard) {
            for (const TextLine& l : win.Areas[size_t(a)].Lines) {
                std::string marks;
                for (const TextChar& c : l.Chars) marks += GettingOpsB(c.Flags, cfMisspelt) ? 'x' : '.';
                out.push_back(text(l) + "|" + std::to_string(l.EndKind) + "|" + std::to_string(l.Height) + "|" + marks);
            }
            a = win.Areas[size_t(a)].NextInFlow;
        }
        return out;
    };
    // Spelling marks are set while lines joined for breaking are still in
    // the area: every other word is known.
    WordList known;
    std::vector<std::string> paragraphs;
    for (int p = 0; p < 40; ++p) {
        std::string s;
        const uint32_t words = 1 + next(60);
        for (uint32_t i = 0; i < words; ++i) {
            if (i) s += ' ';
            std::string word;
            for (uint32_t k = 1 + next(12); k > 0; --k) word += char('a' + next(26));
            if (i % 2 == 0) known.append(word);
            s += word;
        }
        paragraphs.push_back(s);
    }
    known.sortByKey();
    w.CurrentWordList = &known;
    frame.Options.SpellWhileTyping = 1;
    w.AutoHyphenation = 0;
    for (const std::string& p : paragraphs) add(p, ekParagraph, 1 + next(3) * 0.25, 3 + next(3));
    width(37);
    layout();
    width(23);
    layout();

    // Now and then the text width changes too, so paragraphs are broken
    // into more lines than they were joined from, or into fewer.
    const double widths[] = {23, 23, 31, 23, 17, 23};
    for (int round = 0; round < 30; ++round) {
        const double wide = widths[size_t(round) % std::size(widths)];
        if (wide != w.Areas[0].Right) {
            width(wide);
            w.SetAllDirtyFlags();
        }
        // Type into a random line of the flow, as the keyboard would.
        std::vector<TextLine*> all = flow();
        TextLine& target = *all[next(uint32_t(all.size()))];
        const size_t at = next(uint32_t(target.Chars.size()) + 1);
        // Of its paragraph's height: a taller character could lift the line
        // above it, which is not re-broken (moving characters count there).
        const double h = target.Chars.empty() ? 4 : target.Chars[0].Height();
        target.Chars.insert(target.Chars.begin() + std::ptrdiff_t(at), ch(uint8_t('A' + next(26)), 1.5, h));
        target.Dirty = 1;
        w.MakeSoftEnters();

        // The same text, one stored line per paragraph, broken from scratch.
        FrameState f2 = StandardFrameState();
        TMDIChild fresh(f2);
        prepare(fresh);
        f2.Options.SpellWhileTyping = 1;
        fresh.CurrentWordList = &known;
        fresh.AutoHyphenation = 0;
        fresh.Areas[0].Right = wide;
        std::vector<TextLine>& ls = fresh.Areas[0].Lines;
        for (TextLine* l : flow()) {
            if (ls.empty() || ls.back().EndKind != ekSoft) {
                ls.push_back(*l);
                ls.back().Chars.clear();
            }
            ls.back().Chars.insert(ls.back().Chars.end(), l->Chars.begin(), l->Chars.end());
            ls.back().EndKind = l->EndKind;
        }
        fresh.SetAllDirtyFlags();
        fresh.MakeSoftEnters();
        const std::vector<std::string> got = flowOf(w), want = flowOf(fresh);
        size_t d = 0;
        while (d < got.size() && d < want.size() && got[d] == want[d]) ++d;
        ASSERT_EQ(got, want) << "round " << round << " first difference at " << d << ": "
                             << (d < got.size() ? got[d] : "-") << " vs " << (d < want.size() ? want[d] : "-")
                             << " / " << (d + 1 < got.size() ? got[d + 1] : "-") << " vs "
                             << (d + 1 < want.size() ? want[d + 1] : "-");
    }
}

// ---- Tabs -----------------------------------------------------------------

TEST_F(Layout, TabStopsOfEveryKindGetTheirWidthAndLeader)
{
    auto tabWidth = [&](std::string_view s, std::vector<TabStop> stops, size_t tab = 1) {
        reset();
        TextLine& l = add(s);
        l.Para.edit().Tabs = std::move(stops);
        layout();
        return line(0).Chars.at(tab);
    };
    TextChar t = tabWidth("a\tb", {{10, 0, 2}});
    EXPECT_DOUBLE_EQ(t.Width, 9);
    EXPECT_EQ(t.TabLeader, 2);
    t = tabWidth("a\tb", {});
    EXPECT_DOUBLE_EQ(t.Width, 11.5);
    EXPECT_EQ(t.TabLeader, 0);
    EXPECT_DOUBLE_EQ(tabWidth("abcdefgh\t", {{5, 0, 1}, {15, 0, 3}}, 8).Width, 7);
    EXPECT_DOUBLE_EQ(tabWidth("a\tbcd", {{20, 2, 0}}).Width, 16);
    EXPECT_DOUBLE_EQ(tabWidth("a\tbcd", {{20, 1, 0}}).Width, 17.5);
    EXPECT_DOUBLE_EQ(tabWidth("a\t12,5", {{20, 3, 0}}).Width, 17);
    EXPECT_DOUBLE_EQ(tabWidth("a\tbcdef", {{2, 2, 1}}).Width, 0);
    // The text a right stop pulls back ends at the next tab ...
    EXPECT_DOUBLE_EQ(tabWidth("a\tbc\tdef", {{20, 2, 0}, {40, 0, 0}}).Width, 17);
    EXPECT_DOUBLE_EQ(line(0).Chars[4].Width, 20);
    // ... and at a joined cell's inline paragraph end.
    reset();
    TextLine& l = add("a\tbc");
    l.Para.edit().Tabs = {{20, 2, 0}};
    l.Chars.push_back(ch(13, 0, 0));
    for (char c : std::string("def")) l.Chars.push_back(ch(uint8_t(c)));
    layout();
    EXPECT_DOUBLE_EQ(line(0).Chars[1].Width, 17);
    // No usable default step: the standard one, not a division by zero.
    reset();
    add("a\tb").Para.edit().DefaultTabStep = 0;
    layout();
    EXPECT_DOUBLE_EQ(line(0).Chars[1].Width, 11.5);
}

TEST_F(Layout, TabBeforeTheOverflowBeginsTheNextLineButNeverAtIndexZero)
{
    width(14);
    add("ab\tcdefgh");
    w.AutoHyphenation = 0;
    layout();
    EXPECT_EQ(texts(), (Strings{"ab", "\tc", "defgh"}));
}

// ---- Hyphenation and soft hyphens -------------------------------------------

class Hyphenation : public Layout {
protected:
    Hyphenation()
    {
        width(5.5);
        w.HyphenCache["ABCDEFGH"] = "ab-cd-efgh";
    }
};

TEST_F(Hyphenation, TakesTheLastPointBeforeTheOverflow)
{
    w.HyphenCache["ABCDEFGHIJ"] = "ab-cd-ef-ghij";
    add("abcdefgh");
    add("abcdefghij");
    layout();
    EXPECT_EQ(texts(), (Strings{"abcd", "efgh", "abcd", "efghi", "j"}));
    EXPECT_EQ(hyphens(), (std::vector<int>{1, 0, 1, 0, 0}));

    reset();
    width(8.5);
    add("xx abcdefgh");
    layout();
    EXPECT_EQ(texts(), (Strings{"xx abcd", "efgh"}));
}

TEST_F(Hyphenation, NoHyphenationFontsDashesShortAndLongWordsAndTheSwitch)
{
    FontEntry plain = FontEntryFromState(w.FontState);
    SettingOps(plain.Options, foNoHyphenation, true);
    add("abcdefgh").Chars[4].setFontIndex(w.GetNewFontIndex(plain));
    add("ab-cdefgh");
    w.HyphenCache["YZ"] = "y-z";
    add("aaaa yz");
    const std::string w26 = "abcdefghijklmnopqrstuvwxyz";
    w.HyphenCache["ABCDEFGHIJKLMNOPQRSTUVWXYZ"] = "abc-defghijklmnopqrstuvwxyz";
    w.HyphenCache["ABCDEFGHIJKLMNOPQRSTUVWXY"] = "abc-defghijklmnopqrstuvwxy";
    add(w26);
    add(w26.substr(0, 25));
    layout();
    const std::vector<TextLine>& ls = lines();
    ASSERT_GE(ls.size(), 10u);
    size_t i = 0;
    EXPECT_EQ(text(ls[i]), "ab");
    EXPECT_EQ(ls[i].HyphenAfter, 1);
    while (ls[i].EndKind != ekParagraph) ++i;
    EXPECT_EQ(text(ls[++i]), "ab-");
    EXPECT_EQ(ls[i].HyphenAfter, 0);
    while (ls[i].EndKind != ekParagraph) ++i;
    EXPECT_EQ(text(ls[++i]), "aaaa ");
    EXPECT_EQ(text(ls[++i]), "yz");
    EXPECT_EQ(text(ls[++i]), "abcde");
    EXPECT_EQ(ls[i].HyphenAfter, 0);
    while (ls[i].EndKind != ekParagraph) ++i;
    EXPECT_EQ(text(ls[++i]), "abc");
    EXPECT_EQ(ls[i].HyphenAfter, 1);

    reset();
    w.AutoHyphenation = 0;
    add("abcdefgh");
    layout();
    EXPECT_EQ(texts(), (Strings{"abcde", "fgh"}));
    EXPECT_EQ(hyphens(), (std::vector<int>{0, 0}));
}

TEST_F(Hyphenation, SoftHyphensBreakThereAndForbidAutomaticPoints)
{
    add("abcdefgh").Chars[3].Flags = 1;
    add("abcdefgh").Chars[5].Flags = 1;
    layout();
    EXPECT_EQ(texts(), (Strings{"abc", "defgh", "abcde", "fgh"}));
    EXPECT_EQ(hyphens(), (std::vector<int>{1, 0, 1, 0}));

    // One behind the overflow forbids the automatic points: the word moves.
    reset();
    width(8.5);
    add("xx abcdefgh").Chars[9].Flags = 1;
    layout();
    EXPECT_EQ(texts(), (Strings{"xx ", "abcdefgh"}));
    EXPECT_EQ(hyphens(), (std::vector<int>{0, 0}));
}

TEST_F(Hyphenation, SoftHyphenOnTheFirstCharacterIsNoBreakPoint)
{
    w.AutoHyphenation = 0;
    width(3.5);
    add("abcdefgh").Chars[0].Flags = 1;
    TextLine& all = add("abcd");
    for (TextChar& c : all.Chars) c.Flags = 1;
    all.Para.edit().RightIndent = 100;
    layout();
    EXPECT_EQ(texts(), (Strings{"abc", "def", "gh", "a", "b", "c", "d"}));
    EXPECT_EQ(hyphens(), (std::vector<int>{0, 0, 0, 1, 1, 1, 0}));
}

// A tab ends the word hyphenation looks at: the text before it is no part
// of the word, and the word's own points still apply.
TEST_F(Hyphenation, ATabEndsTheWord)
{
    w.HyphenCache["BCDEFGH"] = "bc-defgh";
    TextLine& l = add("a\tbcdefgh");
    l.Para.edit().Tabs = {{2, 0, 0}};
    layout();
    EXPECT_EQ(texts(), (Strings{"a\tbc", "defgh"}));
    EXPECT_EQ(hyphens(), (std::vector<int>{1, 0}));
}

// ---- Joined table cells and inline ends -------------------------------------

// A caret at the start of the paragraph that follows a joined cell's inline
// end stays there (not at the end of the paragraph before it); positions on
// lines below a join move up with their lines.
TEST_F(Layout, JoinsKeepCaretsAtParagraphStartsAndShiftTheLinesBelow)
{
    cell("aaa", 2, 0, true, false).EndKind = ekParagraph;
    cell("x", 2, 1, true, false);
    cell("bcd", 2, 0, false, true);
    cell("", 2, 1, false, true);
    w.Cursor = TextPos{0, 2, 0};
    w.Anchor = TextPos{0, 0, 3};
    layout();
    ASSERT_EQ(texts(), (Strings{"aaa", "x", "bcd", ""}));
    EXPECT_EQ(w.Cursor, (TextPos{0, 2, 0}));
    EXPECT_EQ(w.Anchor, (TextPos{0, 0, 3}));

    reset();
    add("aaa", ekSoft);
    add("bbb");
    add("ccc");
    w.Cursor = TextPos{0, 2, 1};
    w.Anchor = TextPos{0, 1, 2};
    layout();
    ASSERT_EQ(texts(), (Strings{"aaabbb", "ccc"}));
    EXPECT_EQ(w.Cursor, (TextPos{0, 1, 1}));
    EXPECT_EQ(w.Anchor, (TextPos{0, 0, 5}));
}

TEST_F(Layout, RowShareTheTallestHeightAndTheLargestSpacingWithoutRewritingCells)
{
    width(90);
    const double heights[3] = {4, 6, 5};
    const double above[3] = {1, 3, 2};
    const double below[3] = {0.5, 0, 2.5};
    for (int i = 0; i < 3; ++i) {
        TextLine& c = cell("ab", 3, i, true, true, heights[i]);
        c.Para.edit().SpaceAbove = above[i];
        c.Para.edit().SpaceBelow = below[i];
    }
    add("after");
    layout();
    for (int i = 0; i < 3; ++i) {
        EXPECT_DOUBLE_EQ(line(size_t(i)).Height, 6) << i;
        EXPECT_DOUBLE_EQ(line(size_t(i)).Para->SpaceAbove, above[i]) << i;
        EXPECT_DOUBLE_EQ(TMDIChild::RowSpaceAbove(lines(), i), 3);
        EXPECT_DOUBLE_EQ(TMDIChild::RowSpaceBelow(lines(), i), 2.5);
    }
    EXPECT_DOUBLE_EQ(TMDIChild::RowSpaceAbove(lines(), 3), 0);

    // An edit in one cell re-settles the whole row.
    for (TextChar& c : line(1).Chars) c.setHeight(3);
    line(1).Dirty = 1;
    w.MakeSoftEnters();
    for (int i = 0; i < 3; ++i) EXPECT_DOUBLE_EQ(line(size_t(i)).Height, 5) << i;
}

TEST_F(Layout, CellOverflowOpensARunThatGetsItsHeightAndStaysStable)
{
    width(90);
    cell("", 3, 0, true, true);
    cell(std::string(40, 'a'), 3, 1, true, true);
    cell("", 3, 2, true, true);
    add("after");
    layout();
    const Strings expected{"", std::string(30, 'a'), "", "", std::string(10, 'a'), "", "after"};
    ASSERT_EQ(texts(), expected);
    for (int i = 0; i < 6; ++i) {
        const TextLine& l = line(size_t(i));
        EXPECT_EQ(l.IsCell, 1);
        EXPECT_EQ(l.CellsPerRow, 3);
        EXPECT_EQ(l.CellIndex, i % 3);
        EXPECT_EQ(l.RowFirstRun, i < 3 ? 1 : 0) << i;
        EXPECT_EQ(l.RowLastRun, i < 3 ? 0 : 1) << i;
    }
    const double s = spaceHeight("Times New Roman", 12);
    for (int i = 0; i < 3; ++i) EXPECT_DOUBLE_EQ(line(size_t(i)).Height, std::max(4.0, s));
    for (int i = 3; i < 6; ++i) EXPECT_DOUBLE_EQ(line(size_t(i)).Height, std::max(4.0, s)) << i;

    // Cells are joined and re-broken on every pass, dirty or not.
    w.MakeSoftEnters();
    EXPECT_EQ(texts(), expected);
    layout();
    EXPECT_EQ(texts(), expected);
    width(300);
    layout();
    EXPECT_EQ(texts(), (Strings{"", std::string(40, 'a'), "", "after"}));
    EXPECT_EQ(line(0).RowLastRun, 1);
}

TEST_F(Layout, CellWidthWeightsInsetsAndEqualSharesForNoWeights)
{
    width(60);
    for (int i = 0; i < 3; ++i) cell(std::string(40, 'a'), 3, i, true, true).CellWidth = i + 1;
    layout();
    EXPECT_EQ(text(line(0)).size(), 10u);
    EXPECT_EQ(text(line(1)).size(), 20u);
    EXPECT_EQ(text(line(2)).size(), 30u);

    reset();
    for (int i = 0; i < 3; ++i) {
        TextLine& c = cell(std::string(40, 'a'), 3, i, true, true);
        c.CellWidth = 0;
        c.CellInsetLeft = 2;
        c.CellInsetRight = 3;
    }
    layout();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(text(line(size_t(i))).size(), 18u) << i;
}

TEST_F(Layout, JoinedCellSplitsAtItsParagraphEndWithTheFollowingFormat)
{
    for (int32_t end : {ekParagraph, ekPageBreak}) {
        reset();
        cell("aaa", 2, 0, true, false).EndKind = end;
        cell("x", 2, 1, true, false);
        TextLine& next = cell("bcd", 2, 0, false, true);
        next.Para.edit().LeftIndent = 5;
        next.Para.edit().ListKind = 2;
        cell("", 2, 1, false, true);
        w.Cursor = TextPos{0, 2, 1};
        w.Anchor = TextPos{0, 2, 2};
        layout();
        ASSERT_EQ(texts(), (Strings{"aaa", "x", "bcd", ""})) << end;
        EXPECT_EQ(endKinds(), (Ints{end, 0, 0, 0}));
        EXPECT_DOUBLE_EQ(line(0).Para->LeftIndent, 0);
        EXPECT_DOUBLE_EQ(line(2).Para->LeftIndent, 5);
        EXPECT_EQ(line(2).Para->ListKind, 2);
        EXPECT_EQ(line(2).Para->ItemNumber, 1);
        EXPECT_EQ(line(2).RowLastRun, 1);
        EXPECT_EQ(line(0).RowLastRun, 0);
        // Join and split again leave cursor and anchor on their characters
        // (after a page break the cell's rest begins the next page).
        EXPECT_EQ(at(w.Cursor), 'c');
        EXPECT_EQ(at(w.Anchor), 'd');
        if (end == ekParagraph) EXPECT_EQ(w.Cursor, (TextPos{0, 2, 1}));
        else EXPECT_EQ(w.Cursor, (TextPos{1, 1, 1}));
    }
}

TEST_F(Layout, InlineEndsOutsideTablesSplitAndKeepTheLinesEndKind)
{
    width(100);
    TextLine& l = add("ab");
    l.Para.edit().LeftIndent = 3;
    l.Chars.push_back(ch(13, 0, 0));  // no format copy
    for (char c : std::string("cd")) l.Chars.push_back(ch(uint8_t(c)));
    l.Chars.push_back(ch(14, 0, 0));
    l.Chars.push_back(ch('e'));
    add("next");
    layout();
    EXPECT_EQ(texts(), (Strings{"ab", "cd", "e", "next"}));
    EXPECT_EQ(endKinds(), (Ints{1, 2, 1, 1}));
    EXPECT_DOUBLE_EQ(line(1).Para->LeftIndent, 3);

    // Overflow carries an inline end into a line whose successor has text:
    // a new line goes between them.
    reset();
    width(5);
    add("aaaa", ekSoft).Dirty = 1;
    add("bbbb", ekSoft);
    TextLine& mid = add("c", ekSoft);
    mid.Chars.push_back(ch(13, 0, 0));
    mid.Chars.push_back(ch('d'));
    add("eeee");
    w.MakeSoftEnters();
    EXPECT_EQ(texts(), (Strings{"aaaab", "bbbc", "d", "eeee"}));
    EXPECT_EQ(endKinds(), (Ints{0, 1, 0, 1}));

    // Only line ends: every one becomes an empty line, and the pass ends.
    reset();
    TextLine& ends = add("");
    for (int i = 0; i < 3; ++i) ends.Chars.push_back(ch(13, 0, 0));
    layout();
    EXPECT_EQ(texts(), (Strings{"", "", "", ""}));
}

// ---- Numbering --------------------------------------------------------------

TEST_F(Layout, NumberedListsCountAndRestartAfterAPlainParagraph)
{
    width(10);
    auto numbered = [&](std::string_view s) { add(s).Para.edit().ListKind = 2; };
    numbered("one");
    numbered("two two two two");  // two lines: counts once
    numbered("three");
    add("plain");
    numbered("one");
    add("bullet").Para.edit().ListKind = 1;
    numbered("one");
    numbered("two");
    layout();
    std::vector<int32_t> numbers;
    for (size_t i = 0; i < lines().size(); ++i) {
        const TextLine& l = line(i);
        const bool start = i == 0 || line(i - 1).EndKind == ekParagraph;
        if (start && l.Para->ListKind == 2) numbers.push_back(l.Para->ItemNumber);
    }
    EXPECT_EQ(numbers, (Ints{1, 2, 3, 1, 1, 2}));
    EXPECT_GT(lines().size(), 8u);
}

TEST_F(Layout, TableColumnsCountIndependently)
{
    width(100);
    for (int row = 0; row < 3; ++row)
        for (int c = 0; c < 2; ++c) cell("x", 2, c, true, true).Para.edit().ListKind = (row == 1 && c == 0) ? 0 : 2;
    layout();
    EXPECT_EQ(line(0).Para->ItemNumber, 1);
    EXPECT_EQ(line(1).Para->ItemNumber, 1);
    EXPECT_EQ(line(3).Para->ItemNumber, 2);
    EXPECT_EQ(line(4).Para->ItemNumber, 1);
    EXPECT_EQ(line(5).Para->ItemNumber, 3);
}

// ---- Positions --------------------------------------------------------------

TEST_F(Layout, CursorAnchorAndRegisteredPositionsFollowTheirCharacters)
{
    width(8);
    add("aaa bbb ccc dDd eEe");
    w.Cursor = TextPos{0, 0, 13};  // before 'D'
    w.Anchor = TextPos{0, 0, 17};  // before 'E'
    TextPos walk{0, 0, 16};        // exactly at the second wrap point
    w.RegisterPosition(&walk);
    layout();
    ASSERT_EQ(texts(), (Strings{"aaa bbb ", "ccc dDd ", "eEe"}));
    EXPECT_EQ(w.Cursor, (TextPos{0, 1, 5}));
    EXPECT_EQ(w.Anchor, (TextPos{0, 2, 1}));
    EXPECT_EQ(walk, (TextPos{0, 2, 0}));

    width(100);
    layout();
    EXPECT_EQ(at(w.Cursor), 'D');
    EXPECT_EQ(at(w.Anchor), 'E');
    EXPECT_EQ(walk, (TextPos{0, 0, 16}));
    w.UnregisterPosition(&walk);
}

TEST_F(Layout, PositionsBelowMoveWhenLinesAreInserted)
{
    width(8);
    add("aaa bbb ccc ddd");
    add("xyz");
    w.Cursor = w.Anchor = TextPos{0, 1, 2};
    layout();
    EXPECT_EQ(w.Cursor, (TextPos{0, 2, 2}));
    EXPECT_EQ(w.Anchor, w.Cursor);
}

TEST_F(Layout, CaretAtTheWrapPointStaysUpOnlyWhileAtLineEnd)
{
    width(8);
    add("aaa bbb ccc");
    w.Cursor = w.Anchor = TextPos{0, 0, 8};
    w.CaretAtLineEnd = 1;
    layout();
    EXPECT_EQ(w.Cursor, (TextPos{0, 0, 8}));
    EXPECT_EQ(w.Anchor, w.Cursor);

    width(100);
    layout();
    width(8);
    w.CaretAtLineEnd = 0;
    w.Cursor = TextPos{0, 0, 8};
    w.Anchor = TextPos{0, 0, 9};
    layout();
    EXPECT_EQ(w.Cursor, (TextPos{0, 1, 0}));
    EXPECT_EQ(w.Anchor, (TextPos{0, 1, 1}));
}

// ---- Spelling marks ---------------------------------------------------------

class Spelling : public Layout {
protected:
    WordList words;
    Spelling()
    {
        for (const char* s : {"haus", "haustuer"}) words.append(s);
        words.sortByKey();
        w.CurrentWordList = &words;
        frame.Options.SpellWhileTyping = 1;
    }
    std::string marks(size_t i)
    {
        std::string s;
        for (const TextChar& c : line(i).Chars) s.push_back(GettingOpsB(c.Flags, cfMisspelt) ? 'x' : '.');
        return s;
    }
};

TEST_F(Spelling, MarksUnknownWordsOnly)
{
    add("Haus xqz 42 haus");
    line(0).Chars[0].Flags = 2;
    layout();
    EXPECT_EQ(marks(0), ".....xxx........");
    frame.Options.SpellWhileTyping = 0;
    w.CurrentWordList = nullptr;
    layout();
    EXPECT_EQ(marks(0), ".....xxx........");
}

TEST_F(Spelling, ChecksAWordAcrossASoftLineEndWhole)
{
    width(5.5);
    w.HyphenCache["HAUSTUER"] = "haus-tu-er";
    w.HyphenCache["HAUSZUER"] = "haus-zu-er";
    add("haustuer");
    add("hauszuer");
    layout();
    ASSERT_EQ(texts(), (Strings{"haus", "tuer", "haus", "zuer"}));
    // The second pass sees the halves on two clean lines.
    w.MakeSoftEnters();
    EXPECT_EQ(marks(0), "....");
    EXPECT_EQ(marks(1), "....");
    EXPECT_EQ(marks(2), "xxxx");
    EXPECT_EQ(marks(3), "xxxx");
}

// Clean lines keep their marks between passes only while the word list they
// were checked against is unchanged: every change of the list shows at the
// next pass, with nothing dirty.
TEST_F(Spelling, MarksOfCleanLinesFollowTheWordList)
{
    add("haus xqz");
    add("xqz haus");
    layout();
    EXPECT_EQ(marks(0), ".....xxx");
    EXPECT_EQ(marks(1), "xxx.....");

    addwordtowordlist(words, "xqz");
    w.MakeSoftEnters();
    EXPECT_EQ(marks(0), "........");
    EXPECT_EQ(marks(1), "........");

    // Another list, no list, a copy of the first.
    WordList other;
    other.append("xqz");
    w.CurrentWordList = &other;
    w.MakeSoftEnters();
    EXPECT_EQ(marks(0), "xxxx....");
    w.CurrentWordList = nullptr;
    w.MakeSoftEnters();
    EXPECT_EQ(marks(0), "xxxx.xxx");
    WordList copy = words;
    w.CurrentWordList = &copy;
    w.MakeSoftEnters();
    EXPECT_EQ(marks(0), "........");
    copy.eraseIndices({copy.lowerBound("xqz")});
    w.MakeSoftEnters();
    EXPECT_EQ(marks(0), ".....xxx");
    EXPECT_EQ(marks(1), "xxx.....");
    // A list moved from is not what it was.
    WordList moved = std::move(copy);
    w.MakeSoftEnters();
    EXPECT_EQ(marks(0), "xxxx.xxx");
}

// A clean line whose word runs on into an edited line is checked again with
// it, and a word that no longer runs on is checked alone.
TEST_F(Spelling, ACleanLineIsCheckedAgainWithItsEditedNeighbour)
{
    width(5.5);
    w.HyphenCache["HAUSTUER"] = "haus-tu-er";
    add("haustuer");
    layout();
    ASSERT_EQ(texts(), (Strings{"haus", "tuer"}));
    w.MakeSoftEnters();
    EXPECT_EQ(marks(0), "....");

    // "tuer" -> "zuer" on line 1 only: "hauszuer" is unknown.
    line(1).Chars[0].Code = 'z';
    line(1).Dirty = 1;
    w.MakeSoftEnters();
    ASSERT_EQ(texts(), (Strings{"haus", "zuer"}));
    EXPECT_EQ(marks(0), "xxxx");
    EXPECT_EQ(marks(1), "xxxx");

    // Line 1 now starts with a space: "haus" stands alone and is known.
    line(1).Chars[0].Code = ' ';
    line(1).Dirty = 1;
    w.MakeSoftEnters();
    ASSERT_EQ(texts(), (Strings{"haus", " uer"}));
    EXPECT_EQ(marks(0), "....");
    EXPECT_EQ(marks(1), ".xxx");
}

// ---- Robustness -------------------------------------------------------------

TEST_F(Layout, DamagedLinesNeverStopThePassOrEscapeTheDocument)
{
    width(20);
    TextLine& none = add("abc def ghi jkl mno");
    none.CellsPerRow = 0;
    TextLine& neg = add("numbered");
    neg.CellsPerRow = -3;
    neg.CellIndex = -5;
    neg.Para.edit().ListKind = 2;
    TextLine& far = cell(std::string(50, 'z'), 2, 99999, true, true);
    far.Para.edit().ListKind = 2;
    far.Para.edit().DefaultTabStep = -1;
    far.Chars[3].Code = 9;
    TextLine& lead = add("\t\t\t");
    lead.Para.edit().Tabs = {{5, 2, 0}};
    for (TextChar& c : lead.Chars) c.Width = 0;
    w.Cursor = TextPos{0, 9, 99};
    w.Anchor = TextPos{0, 1, -4};
    layout();
    layout();
    EXPECT_GE(lines().size(), 4u);
    for (const TextPos& p : {w.Cursor, w.Anchor}) {
        ASSERT_LT(size_t(p.Line), lines().size());
        EXPECT_GE(p.Char, 0);
        EXPECT_LE(p.Char, line(size_t(p.Line)).CharCount());
    }
    for (const TextLine& l : lines()) EXPECT_EQ(l.Dirty, 0);
}

} // namespace
