// Rows whose runs disagree on their cell count, and flow chains that close
// on themselves, as damaged files bring them: the caret, the document walks
// and the selection take the same way through them and stay inside the text.

#include "engine/Childwin.h"
#include "engine/DocWalk.h"
#include "platform/VirtualKeys.h"
#include "tests/support/TypingWindow.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using namespace quillet;

namespace {

struct LineSpec {
    const char* Text;
    int32_t Cells;  // 0: a text line
    int32_t Index;
    bool First, Last;
};

class DamagedRow : public test::TypingWindow {
protected:
    void body(const std::vector<LineSpec>& specs)
    {
        std::vector<TextLine>& b = w.Areas[0].Lines;
        b.clear();
        for (size_t i = 0; i < specs.size(); ++i) {
            b.emplace_back();
            InitNewLine(b, int32_t(i));
            TextLine& l = b.back();
            putChars(l, specs[i].Text);
            l.EndKind = specs[i].Cells ? ekSoft : ekParagraph;
            l.IsCell = specs[i].Cells > 0;
            l.CellsPerRow = specs[i].Cells ? specs[i].Cells : 1;
            l.CellIndex = specs[i].Index;
            l.CellWidth = 1;
            l.RowFirstRun = specs[i].First;
            l.RowLastRun = specs[i].Last;
        }
        b.back().EndKind = ekParagraph;
        w.Cursor = w.Anchor = TextPos{};
    }

    bool inside(const TextPos& p) const
    {
        if (p.Area < 0 || p.Area >= w.AreaCount()) return false;
        const TextArea& a = w.Areas[size_t(p.Area)];
        return p.Line >= 0 && p.Line < a.LineCount() && p.Char >= 0 &&
               p.Char <= a.Lines[size_t(p.Line)].CharCount();
    }

    // The lines in the order a walk meets their characters.
    static void note(std::vector<std::pair<int32_t, int32_t>>& order, const TextPos& p)
    {
        if (order.empty() || order.back() != std::make_pair(p.Area, p.Line)) order.emplace_back(p.Area, p.Line);
    }

    std::vector<std::pair<int32_t, int32_t>> caretOrder(bool right)
    {
        std::vector<std::pair<int32_t, int32_t>> order;
        const int32_t budget = 200;
        for (int32_t i = 0; i < budget; ++i) {
            EXPECT_TRUE(inside(w.Cursor)) << "step " << i;
            const TextLine& l = w.Areas[size_t(w.Cursor.Area)].Lines[size_t(w.Cursor.Line)];
            if (l.CharCount() > 0) note(order, w.Cursor);
            const TextPos before = w.Cursor;
            if (right) w.GoCharRight();
            else w.GoCharLeft();
            if (w.Cursor == before) break;
        }
        return order;
    }

    std::vector<std::pair<int32_t, int32_t>> walkOrder(TextPos from, bool forward)
    {
        std::vector<std::pair<int32_t, int32_t>> order;
        TMDIChild::TextWalker walk(from);
        note(order, from);
        for (int32_t i = 0; i < 200; ++i) {
            if (!(forward ? w.getnextchar(walk) : w.getPrevsChar(walk))) break;
            EXPECT_TRUE(inside(walk.Pos));
            note(order, walk.Pos);
        }
        return order;
    }
};

TEST_F(DamagedRow, CaretAndWalksTakeTheSameWayThroughRunsOfAnotherCellCount)
{
    // Rows of two cells whose later runs claim three (or one) cells: such a
    // run is no continuation of the cell above it.
    const std::vector<std::vector<LineSpec>> documents = {
        {{"ab", 2, 0, true, false}, {"cd", 2, 1, true, false},
         {"ef", 3, 0, false, true}, {"gh", 3, 1, false, true}, {"z", 0, 0, false, false}},
        {{"ab", 2, 0, true, false}, {"cd", 2, 1, true, false},
         {"ef", 2, 0, false, false}, {"gh", 2, 1, false, false},
         {"ij", 3, 0, false, true}, {"kl", 3, 1, false, true}, {"z", 0, 0, false, false}},
        {{"a", 0, 0, false, false}, {"bc", 2, 0, true, false}, {"de", 2, 1, true, false},
         {"fg", 1, 0, false, false}, {"hi", 2, 0, false, true}, {"jk", 2, 1, false, true},
         {"z", 0, 0, false, false}},
    };
    for (size_t d = 0; d < documents.size(); ++d) {
        SCOPED_TRACE("document " + std::to_string(d));
        body(documents[d]);
        w.Cursor = TextPos{0, 0, 0};
        const auto right = caretOrder(true);
        EXPECT_EQ(right, walkOrder(TextPos{0, 0, 0}, true));
        const TextPos end = w.Cursor;
        const auto left = caretOrder(false);
        EXPECT_EQ(left, walkOrder(end, false));
        EXPECT_EQ(w.Cursor, (TextPos{0, 0, 0}));

        // A selection from the start to each caret place holds the
        // character the caret stepped over last.
        for (size_t i = 1; i < right.size(); ++i) {
            w.Anchor = TextPos{0, 0, 0};
            w.Cursor = TextPos{0, right[i].second, 0};
            w.FindMarkingStart();
            EXPECT_TRUE(inside(w.MarkingStart));
            EXPECT_TRUE(inside(w.MarkingEnd));
        }
    }
}

TEST_F(DamagedRow, AParagraphFormatReachesTheRunsTheCaretTakes)
{
    // The cell's next run claims three cells: the paragraph of the cell
    // ends where the caret leaves it for the next cell.
    body({{"ab", 2, 0, true, false}, {"cd", 2, 1, true, false},
          {"ef", 3, 0, false, true}, {"gh", 3, 1, false, true}, {"z", 0, 0, false, false}});
    w.Cursor = w.Anchor = TextPos{0, 0, 1};
    key('E', ssCtrl);
    const std::vector<TextLine>& ls = w.Areas[0].Lines;
    ASSERT_GE(ls.size(), 3u);
    EXPECT_EQ(ls[0].Para->Alignment, 1);
    EXPECT_EQ(ls[2].Para->Alignment, 0);
}

TEST_F(DamagedRow, CaretFindsTheChainEndsTheSelectionRanksFirstAndLast)
{
    // Three frames whose links close into a circle: the chain starts at the
    // lowest of them, for the keys as for the selection.
    std::vector<int32_t> frames;
    for (const char* s : {"one", "two", "three"}) {
        w.NewField();
        TextArea& a = w.Areas.back();
        a.AreaType = atTextFrame;
        a.Lines.resize(1);
        InitNewLine(a.Lines, 0);
        a.Lines[0].EndKind = ekParagraph;
        putChars(a.Lines[0], s);
        frames.push_back(w.AreaCount() - 1);
    }
    for (size_t i = 0; i < frames.size(); ++i) {
        w.Areas[size_t(frames[i])].NextInFlow = frames[(i + 1) % frames.size()];
        w.Areas[size_t(frames[i])].PrevInFlow = frames[(i + frames.size() - 1) % frames.size()];
    }
    for (int32_t start : frames) {
        SCOPED_TRACE("from frame " + std::to_string(start));
        w.Cursor = w.Anchor = TextPos{start, 0, 1};
        key(VK_HOME, ssCtrl);
        EXPECT_EQ(w.Cursor, (TextPos{frames[0], 0, 0}));
        w.Cursor = w.Anchor = TextPos{start, 0, 1};
        key(VK_END, ssCtrl);
        EXPECT_EQ(w.Cursor, (TextPos{frames[2], 0, 5}));

        // Select all: the selection runs from the chain's first character
        // to its last, as the walks see it.
        w.Cursor = w.Anchor = TextPos{start, 0, 1};
        key('A', ssCtrl);
        w.FindMarkingStart();
        EXPECT_EQ(w.MarkingStart, (TextPos{frames[0], 0, 0}));
        EXPECT_EQ(w.MarkingEnd, (TextPos{frames[2], 0, 5}));
        TMDIChild::TextWalker back(TextPos{start, 0, 0});
        while (w.getPrevsChar(back)) {}
        EXPECT_EQ(back.Pos.Area, frames[0]);
    }
}

} // namespace

namespace {

// Any shape of links a damaged file can bring (chains, circles, a chain
// running into a circle, links out of range, areas naming themselves):
// the first and last area of a chain agree with stepping by chainPrev and
// chainNext one area at a time.
TEST(FlowChains, FirstAndLastAgreeWithSteppingOverRandomLinks)
{
    uint32_t seed = 12345;
    auto next = [&seed](int32_t n) {
        seed = seed * 1103515245u + 12345u;
        return int32_t((seed >> 8) % uint32_t(n));
    };
    for (int round = 0; round < 300; ++round) {
        const int32_t n = 1 + next(12);
        std::vector<TextArea> d(static_cast<size_t>(n));
        for (TextArea& a : d) {
            a.NextInFlow = next(n + 2) - 1;  // -1 .. n: one out of range each way
            a.PrevInFlow = next(4) == 0 ? next(n + 2) - 1 : -1;
        }
        // Half the rounds get back links that agree with the forward ones.
        if (round % 2)
            for (int32_t i = 0; i < n; ++i) {
                const int32_t b = d[size_t(i)].NextInFlow;
                if (b >= 0 && b < n) d[size_t(b)].PrevInFlow = i;
            }
        for (int32_t a = 0; a < n; ++a) {
            int32_t first = a, last = a;
            for (int32_t i = 0; i < n && chainPrev(d, first) >= 0; ++i) first = chainPrev(d, first);
            for (int32_t i = 0; i < n && chainNext(d, last) >= 0; ++i) last = chainNext(d, last);
            ASSERT_EQ(chainFirst(d, a), first) << "round " << round << " area " << a;
            ASSERT_EQ(chainLast(d, a), last) << "round " << round << " area " << a;
        }
    }
}

} // namespace
