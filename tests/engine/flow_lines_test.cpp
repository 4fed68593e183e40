// A layout pass after an edit: whatever part of a flow it gathers, the
// lines, pages and positions come out as a pass that gathers every flow
// whole would leave them, each line is held by one area, and no area keeps
// room for far more lines than it holds.

#include "engine/Childwin.h"
#include "formats/PlainText.h"
#include "formats/StandardServices.h"
#include "language/WordList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace quillet;

namespace {

// A known word longer than a line: it runs on from line to line, also from
// page to page, and is checked whole.
std::string longWord()
{
    std::string s;
    for (int32_t i = 0; i < 150; ++i) s += char('a' + i % 7);
    return s;
}

// Paragraphs of 0 to 400 letters and spaces: most pages begin inside a
// paragraph, some lines are empty, some hold the long word.
std::string prose(int32_t paragraphs)
{
    std::string s;
    uint32_t seed = 99;
    auto next = [&seed](uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % n;
    };
    for (int32_t p = 0; p < paragraphs; ++p) {
        if (next(4) == 0) s += longWord() + longWord() + ' ';
        const uint32_t len = next(5) == 0 ? 0 : 20 + next(380);
        for (uint32_t i = 0; i < len; ++i) s += next(6) == 0 ? ' ' : char('a' + next(26));
        s += "\r\n";
    }
    return s;
}

int32_t addLinkedFrames(TMDIChild& w)
{
    int32_t first = -1;
    for (int32_t k = 0; k < 3; ++k) {
        w.NewPage(true);
        TextArea& a = w.Areas.back();
        a.AreaType = atTextFrame;
        a.AnchorBottom = a.AnchorRight = a.AnchorTopToBottom = 0;
        a.Left = 20;
        a.Right = 120;
        a.Top = 10 + 70 * k;
        a.Bottom = 70 + 70 * k;
        const int32_t at = w.AreaCount() - 1;
        if (first < 0) {
            first = at;
        } else {
            w.Areas[size_t(at - 1)].NextInFlow = at;
            a.PrevInFlow = at - 1;
        }
    }
    return first;
}

// The character a position stands on, counted through its flow.
int64_t flowOffset(const TMDIChild& w, const TextPos& p)
{
    int32_t head = p.Area;
    for (size_t guard = 0; w.Areas[size_t(head)].PrevInFlow != -1 && guard < w.Areas.size(); ++guard)
        head = w.Areas[size_t(head)].PrevInFlow;
    int64_t n = 0;
    for (int32_t a = head; a != -1; a = w.Areas[size_t(a)].NextInFlow) {
        const std::vector<TextLine>& lines = w.Areas[size_t(a)].Lines;
        for (int32_t l = 0; l < int32_t(lines.size()); ++l) {
            if (a == p.Area && l == p.Line) return n + p.Char;
            n += lines[size_t(l)].CharCount();
        }
    }
    return -1;
}

// The page body of the flow that is `k`-th in flow order (clamped).
TextPos onPage(const TMDIChild& w, int32_t k, int32_t line, int32_t ch)
{
    int32_t a = 0;
    for (int32_t i = 0; i < k && w.Areas[size_t(a)].NextInFlow != -1; ++i) a = w.Areas[size_t(a)].NextInFlow;
    const std::vector<TextLine>& lines = w.Areas[size_t(a)].Lines;
    line = std::clamp(line, 0, int32_t(lines.size()) - 1);
    return TextPos{a, line, std::clamp(ch, 0, lines[size_t(line)].CharCount())};
}

void typeAt(TMDIChild& w, const TextPos& p, int32_t count)
{
    TextLine& l = w.Areas[size_t(p.Area)].Lines[size_t(p.Line)];
    const TextChar x = l.Chars.empty() ? w.Areas[0].Lines[0].Chars.at(0) : l.Chars[0];
    l.Chars.insert(l.Chars.begin() + p.Char, size_t(count), x);
    l.Dirty = 1;
}

void eraseAt(TMDIChild& w, const TextPos& p)
{
    TextLine& l = w.Areas[size_t(p.Area)].Lines[size_t(p.Line)];
    l.Chars.erase(l.Chars.begin() + p.Char, l.Chars.end());
    l.Dirty = 1;
}

struct Case {
    const char* name;
    int32_t paragraphs;
    bool spelling;
    bool frames;
    bool footnote;
    // The edit, on a document laid out twice; returns the caret after it.
    std::function<TextPos(TMDIChild&)> edit;
};

struct Laid {
    FrameState frame = StandardFrameState();
    std::unique_ptr<TMDIChild> w;
    WordList known;
    TextPos held;  // a stored position besides caret and anchor

    explicit Laid(const Case& c)
    {
        frame.Options.SpellWhileTyping = c.spelling;
        w = std::make_unique<TMDIChild>(frame);
        known.append(longWord() + longWord());
        known.sortByKey();
        w->CurrentWordList = &known;
        if (c.frames) {
            w->Cursor = TextPos{addLinkedFrames(*w), 0, 0};
            insertText(*w, prose(12), false);
        }
        w->Cursor = TextPos{};
        insertText(*w, prose(c.paragraphs), false);
        // Footnotes before, at and after the pages the edits change.
        for (int32_t line : {3, 40, 45, 90, 140, 200})
            if (c.footnote) {
                w->Cursor = w->Anchor = TextPos{0, line, 2};
                w->FussnoteEinfuegen();
            }
        w->Cursor = w->Anchor = TextPos{};
        w->SetAllDirtyFlags();
        w->MakeSoftEnters();
        w->MakeSoftEnters();
        held = onPage(*w, 1, 3, 7);
        w->RegisterPosition(&held);
    }
    ~Laid() { w->UnregisterPosition(&held); }

    // Applies the edit and lays out, gathering every flow whole or not;
    // returns where the caret and the stored position stood in the text.
    std::pair<int64_t, int64_t> editAndLayOut(const Case& c, bool whole)
    {
        w->Cursor = w->Anchor = c.edit(*w);
        const std::pair<int64_t, int64_t> at{flowOffset(*w, w->Cursor), flowOffset(*w, held)};
        if (whole) w->LastFlowStamp.reset();
        w->MakeSoftEnters();
        return at;
    }
};

TEST(FlowLines, PassesAfterAnEditMatchWholeGatheringHoldLinesOnceAndKeepPositions)
{
    const std::vector<Case> cases = {
        {"type on a middle page", 600, false, false, false,
         [](TMDIChild& w) {
             const TextPos p = onPage(w, 10, 5, 3);
             typeAt(w, p, 1);
             return TextPos{p.Area, p.Line, p.Char + 1};
         }},
        {"type lines' worth, pushing lines down every page", 600, true, false, false,
         [](TMDIChild& w) {
             const TextPos p = onPage(w, 4, 2, 0);
             typeAt(w, p, 500);
             return p;
         }},
        {"text shrinks so pages drop off the end", 600, true, false, false,
         [](TMDIChild& w) {
             TextPos p{};
             for (int32_t k = 12; k >= 3; --k) {
                 TextArea& a = w.Areas[size_t(onPage(w, k, 0, 0).Area)];
                 for (int32_t l = 0; l < a.LineCount(); ++l) eraseAt(w, p = TextPos{onPage(w, k, 0, 0).Area, l, 0});
             }
             return p;
         }},
        {"a line fewer, every later page takes one back", 600, false, false, false,
         [](TMDIChild& w) {
             const TextPos p = onPage(w, 4, 10, 0);
             eraseAt(w, p);
             return p;
         }},
        {"a page break in the middle", 600, false, false, false,
         [](TMDIChild& w) {
             const TextPos p = onPage(w, 7, 6, 0);
             TextLine& l = w.Areas[size_t(p.Area)].Lines[size_t(p.Line)];
             l.EndKind = ekPageBreak;
             l.Dirty = 1;
             return p;
         }},
        {"the first line of a page, inside a paragraph", 600, true, false, false,
         [](TMDIChild& w) {
             const TextPos p = onPage(w, 9, 0, 1);
             eraseAt(w, TextPos{p.Area, p.Line, 1});
             return p;
         }},
        {"the last page", 300, false, false, false,
         [](TMDIChild& w) {
             const TextPos p = onPage(w, 1000, 1000, 0);
             typeAt(w, p, 40);
             return p;
         }},
        {"no edit at all", 300, true, false, false, [](TMDIChild& w) { return onPage(w, 2, 1, 1); }},
        {"linked frames", 300, false, true, false,
         [](TMDIChild& w) {
             const TextPos p = onPage(w, 3, 1, 0);
             typeAt(w, p, 30);
             return p;
         }},
        {"footnotes, text pushed down", 300, false, false, true,
         [](TMDIChild& w) {
             const TextPos p = onPage(w, 2, 1, 0);
             typeAt(w, p, 200);
             return p;
         }},
        {"footnotes, text pulled up", 300, true, false, true,
         [](TMDIChild& w) {
             const TextPos p = onPage(w, 2, 1, 0);
             eraseAt(w, p);
             eraseAt(w, TextPos{p.Area, p.Line + 1, 0});
             return p;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Laid part(c), whole(c);
        ASSERT_GT(part.w->GetAnzPages(), 10);
        const auto [caretAt, heldAt] = part.editAndLayOut(c, false);
        whole.editAndLayOut(c, true);
        // A flow of pages is gathered in part; linked frames whole.
        int32_t pagesInPlace = 0, framesInPlace = 0;
        for (int32_t a = 0; a < part.w->AreaCount(); ++a) {
            if (size_t(a) >= part.w->LinesLeftInPlace.size() || !part.w->LinesLeftInPlace[size_t(a)]) continue;
            ++(part.w->Areas[size_t(a)].AreaType == atPageBody ? pagesInPlace : framesInPlace);
        }
        EXPECT_GT(pagesInPlace, 0);
        EXPECT_EQ(framesInPlace, 0);

        TMDIChild& w = *part.w;
        ASSERT_EQ(w.AreaCount(), whole.w->AreaCount());
        for (int32_t a = 0; a < w.AreaCount(); ++a) {
            SCOPED_TRACE(a);
            const std::vector<TextLine>& lines = w.Areas[size_t(a)].Lines;
            EXPECT_TRUE(w.Areas[size_t(a)] == whole.w->Areas[size_t(a)]);
            EXPECT_LE(lines.capacity(), 2 * lines.size() + 16);
        }
        EXPECT_EQ(w.Cursor, whole.w->Cursor);
        EXPECT_EQ(w.Anchor, whole.w->Anchor);
        EXPECT_EQ(part.held, whole.held);
        EXPECT_EQ(flowOffset(w, w.Cursor), caretAt);
        EXPECT_EQ(flowOffset(w, part.held), heldAt);
    }
}

} // namespace

namespace {

// Edits anywhere in the document, one after the other: typing, cutting a
// line short, emptying one, changing how one ends.
void randomEdit(TMDIChild& w, uint32_t& seed)
{
    auto next = [&seed](uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % n;
    };
    const TextPos p = onPage(w, int32_t(next(uint32_t(w.GetAnzPages()) + 1)), int32_t(next(60)), int32_t(next(90)));
    TextLine& l = w.Areas[size_t(p.Area)].Lines[size_t(p.Line)];
    std::vector<TextLine>& lines = w.Areas[size_t(p.Area)].Lines;
    switch (next(6)) {
    case 4:
        // Lines taken out, as cutting whole paragraphs leaves the page.
        if (lines.size() > 4) lines.erase(lines.begin() + p.Line, lines.begin() + std::min<int32_t>(p.Line + 3, int32_t(lines.size()) - 1));
        lines[size_t(std::max(0, p.Line - 1))].Dirty = 1;
        for (TextPos* q : w.StoredPositions()) TMDIChild::ClampPosition(w.Areas, *q);
        break;
    case 5: {
        // A new empty paragraph after the line, as Enter at its end makes.
        std::vector<TextLine> one(1);
        InitNewLine(one, 0);
        one[0].Dirty = 1;
        one[0].EndKind = ekParagraph;
        lines.insert(lines.begin() + p.Line + 1, std::move(one[0]));
        break;
    }
    case 0: typeAt(w, p, 1 + int32_t(next(next(2) ? 3 : 300))); break;
    case 1: eraseAt(w, p); break;
    case 2:
        for (int32_t k = int32_t(next(4)); k >= 0 && p.Line + k < w.Areas[size_t(p.Area)].LineCount(); --k)
            eraseAt(w, TextPos{p.Area, p.Line + k, 0});
        break;
    default:
        l.EndKind = std::array{ekParagraph, ekPageBreak, ekLineBreak}[next(3)];
        l.Dirty = 1;
        break;
    }
    w.Cursor = w.Anchor = p;
    TMDIChild::ClampPosition(w.Areas, w.Cursor);
    w.Anchor = w.Cursor;
}

} // namespace

TEST(FlowLines, EditAfterEditLaysOutAsWholeGatheringDoes)
{
    for (uint32_t start = 1; start <= 8; ++start) {
        SCOPED_TRACE(start);
        const Case c{"", 400, start % 2 == 1, false, start >= 4, nullptr};
        Laid part(c), whole(c);
        uint32_t seedPart = start, seedWhole = start;
        for (int32_t step = 0; step < 40; ++step) {
            SCOPED_TRACE(step);
            randomEdit(*part.w, seedPart);
            randomEdit(*whole.w, seedWhole);
            part.w->MakeSoftEnters();
            whole.w->LastFlowStamp.reset();
            whole.w->MakeSoftEnters();
            ASSERT_EQ(part.w->AreaCount(), whole.w->AreaCount());
            for (int32_t a = 0; a < part.w->AreaCount(); ++a)
                ASSERT_TRUE(part.w->Areas[size_t(a)] == whole.w->Areas[size_t(a)]) << "area " << a;
            ASSERT_EQ(part.w->Cursor, whole.w->Cursor);
            ASSERT_EQ(part.held, whole.held);
        }
    }
}
