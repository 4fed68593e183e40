// The word count over documents built by hand: words across soft wraps and
// hard ends, table cells, headers and the statistics grid.

#include "engine/Childwin.h"
#include "tests/support/TypingWindow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace quillet;

namespace {

class WordCount : public test::TypingWindow {
protected:
    // One body area holding the given lines: text and EndKind.
    void bodyOf(const std::vector<std::pair<std::string, int32_t>>& lines)
    {
        w.Areas.resize(1);
        w.Areas[0].Lines.clear();
        for (const auto& [t, end] : lines) {
            w.Areas[0].Lines.emplace_back();
            InitNewLine(w.Areas[0].Lines, w.Areas[0].LineCount() - 1);
            putChars(w.Areas[0].Lines.back(), t);
            w.Areas[0].Lines.back().EndKind = end;
        }
        w.Cursor = w.Anchor = TextPos{};
    }

    // Turns lines [at, at + cells) into one run of a table row.
    void makeRow(int32_t at, int32_t cells, bool first, bool last, int32_t endKind)
    {
        for (int32_t i = 0; i < cells; ++i) {
            TextLine& l = w.Areas[0].Lines[size_t(at + i)];
            l.IsCell = 1;
            l.CellsPerRow = cells;
            l.CellIndex = i;
            l.RowFirstRun = first;
            l.RowLastRun = last;
            l.EndKind = endKind;
        }
    }
};

using Counts = TMDIChild::WordCounts;

TEST_F(WordCount, CountsWordsCharactersParagraphsAndLines)
{
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, int32_t>> lines;
        Counts expect;  // pages, words, chars without space, all chars, paragraphs, lines
    };
    const std::vector<Case> cases = {
        {"empty", {{"", ekSoft}}, {1, 0, 0, 0, 1, 1}},
        {"tab separates", {{"ab\tcd", ekSoft}}, {1, 2, 4, 5, 1, 1}},
        {"soft wrap joins a word", {{"hel", ekSoft}, {"lo you", ekSoft}}, {1, 2, 8, 9, 1, 2}},
        {"line break ends a word, no paragraph", {{"hel", ekLineBreak}, {"lo", ekSoft}}, {1, 2, 5, 5, 1, 2}},
        {"paragraphs", {{"one two", ekParagraph}, {"three", ekParagraph}, {"", ekSoft}}, {1, 3, 11, 12, 3, 3}},
        {"page break is a paragraph end", {{"a", ekPageBreak}, {"b", ekSoft}}, {1, 2, 2, 2, 2, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bodyOf(c.lines);
        EXPECT_EQ(w.CountWords(), c.expect);
    }
}

TEST_F(WordCount, PicturesCountOnlyWithGraphicsAndBreakWords)
{
    bodyOf({{"abcd", ekSoft}});
    w.Areas[0].Lines[0].Chars[2].Kind = ckPicture;
    EXPECT_EQ(w.CountWords(), (Counts{1, 2, 3, 4, 1, 1}));
}

TEST_F(WordCount, CellsNeverRunTogether)
{
    // Two cells as the insert-table command leaves them (soft ends), then a
    // two-run row whose cells' words go on in its second run.
    bodyOf({{"abc", ekSoft}, {"def", ekSoft}, {"lo", ekSoft}, {"x", ekSoft}, {"ng", ekParagraph}, {"y", ekParagraph},
            {"after", ekSoft}});
    makeRow(0, 2, true, true, ekSoft);
    makeRow(2, 2, true, false, ekSoft);
    makeRow(4, 2, false, true, ekParagraph);
    const Counts n = w.CountWords();
    EXPECT_EQ(n.Words, 5);       // abc, def, long, xy, after
    EXPECT_EQ(n.Paragraphs, 5);  // four cells and the last line
}

TEST_F(WordCount, AreasNeverShareAWordAndTheGridShowsTheCounts)
{
    w.CreateHeaderFooter();
    bodyOf({{"end", ekSoft}});
    w.CreateHeaderFooter();
    for (TextArea& a : w.Areas)
        if (a.AreaType == atHeader && a.LineCount() > 0) putChars(a.Lines[0], "start");
    const Counts n = w.CountWords();
    EXPECT_GE(n.Words, 2);
    EXPECT_EQ(n.Lines, n.Paragraphs);
    const auto grid = TMDIChild::WordCountGrid(n);
    EXPECT_EQ(grid[0], (std::pair<std::string, std::string>{"Description", "Value"}));
    EXPECT_EQ(grid[2].first, "Words");
    EXPECT_EQ(grid[2].second, std::to_string(n.Words));
    EXPECT_EQ(grid[4].first, "Characters (with grpahics)");
    EXPECT_EQ(grid[6], (std::pair<std::string, std::string>{"Lines", std::to_string(n.Lines)}));
}

} // namespace
