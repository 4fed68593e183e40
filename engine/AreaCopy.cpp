// Comparing and copying areas for undo snapshots (AreaCopy.h).

#include "engine/AreaCopy.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace quillet {

namespace {

// How many fields an aggregate has: the most initializers it takes. A field
// added to a record must be added to the lists below as well, or comparing
// would miss it; counting turns that into a build failure.
struct AnyField {
    template <class T>
    operator T() const;  // only named in unevaluated checks
};

template <class T, class... Given>
constexpr size_t fieldCount()
{
    if constexpr (requires { T{Given{}..., AnyField{}}; })
        return fieldCount<T, Given..., AnyField>();
    else
        return sizeof...(Given);
}

static_assert(fieldCount<TextLine>() == 30, "list the new line field in eachLineField");
static_assert(fieldCount<TextArea>() == 41, "list the new area field in eachAreaField");
// A character is its fields side by side with no padding between them, so
// its bytes say all about its value: a look has one number, and a block is
// owned by one character alone, so two separate characters never name the
// same one.
static_assert(sizeof(TextChar) == 4 * sizeof(uint8_t) + sizeof(float) + sizeof(uint32_t),
              "a character holds padding or a new field: its bytes no longer say all about its value");

// f(a.x, b.x) for every field of a line but its characters, while f says
// to go on. The memo is among them: its comparison always agrees, and a
// copy carries it. The paragraph format compares by value (at once where
// both lines hold one block), and assigning it shares the block: a copy of
// a long text copies no format.
template <class A, class B, class F>
bool eachLineField(A& a, B& b, F&& f)
{
    return f(a.EndKind, b.EndKind)
        && f(a.RowFirstRun, b.RowFirstRun)
        && f(a.RowLastRun, b.RowLastRun)
        && f(a.IsCell, b.IsCell)
        && f(a.CellsPerRow, b.CellsPerRow)
        && f(a.CellIndex, b.CellIndex)
        && f(a.CellWidth, b.CellWidth)
        && f(a.CellInsetLeft, b.CellInsetLeft)
        && f(a.CellInsetRight, b.CellInsetRight)
        && f(a.Design, b.Design)
        && f(a.Para, b.Para)
        && f(a.ColumnCount, b.ColumnCount)
        && f(a.ColumnRule, b.ColumnRule)
        && f(a.ColumnGap, b.ColumnGap)
        && f(a.AnchorId, b.AnchorId)
        && f(a.Height, b.Height)
        && f(a.Dirty, b.Dirty)
        && f(a.ColumnOffset, b.ColumnOffset)
        && f(a.ColumnStepBack, b.ColumnStepBack)
        && f(a.ColumnFillUp, b.ColumnFillUp)
        && f(a.ColumnNumber, b.ColumnNumber)
        && f(a.ColumnLeftX, b.ColumnLeftX)
        && f(a.ColumnRightX, b.ColumnRightX)
        && f(a.ColumnFirstLine, b.ColumnFirstLine)
        && f(a.ColumnLastLine, b.ColumnLastLine)
        && f(a.ColumnsUsed, b.ColumnsUsed)
        && f(a.HyphenAfter, b.HyphenAfter)
        && f(a.DropMarkAtStart, b.DropMarkAtStart)
        && f(a.Memo, b.Memo);
}

// Likewise for every field of an area but its lines.
template <class A, class B, class F>
bool eachAreaField(A& a, B& b, F&& f)
{
    return f(a.Left, b.Left)
        && f(a.Top, b.Top)
        && f(a.Right, b.Right)
        && f(a.Bottom, b.Bottom)
        && f(a.InnerLeft, b.InnerLeft)
        && f(a.InnerTop, b.InnerTop)
        && f(a.InnerRight, b.InnerRight)
        && f(a.InnerBottom, b.InnerBottom)
        && f(a.PageMode, b.PageMode)
        && f(a.WrapText, b.WrapText)
        && f(a.MoveWithText, b.MoveWithText)
        && f(a.WrapMode, b.WrapMode)
        && f(a.WrapDistanceY, b.WrapDistanceY)
        && f(a.WrapDistanceX, b.WrapDistanceX)
        && f(a.BorderWidth, b.BorderWidth)
        && f(a.BorderColor, b.BorderColor)
        && f(a.FillColor, b.FillColor)
        && f(a.Transparent, b.Transparent)
        && f(a.AnchorTopToBottom, b.AnchorTopToBottom)
        && f(a.AnchorBottom, b.AnchorBottom)
        && f(a.AnchorRight, b.AnchorRight)
        && f(a.AreaType, b.AreaType)
        && f(a.PageIndex, b.PageIndex)
        && f(a.PrevInFlow, b.PrevInFlow)
        && f(a.NextInFlow, b.NextInFlow)
        && f(a.KeepAspect, b.KeepAspect)
        && f(a.Visited, b.Visited)
        && f(a.Selected, b.Selected)
        && f(a.Rising, b.Rising)
        && f(a.FootnoteNumber, b.FootnoteNumber)
        && f(a.FootnotePlaced, b.FootnotePlaced)
        && f(a.SeparatorLine, b.SeparatorLine)
        && f(a.AnchorOffsetX, b.AnchorOffsetX)
        && f(a.AnchorOffsetY, b.AnchorOffsetY)
        && f(a.AnchorId, b.AnchorId)
        && f(a.CandOffsetX, b.CandOffsetX)
        && f(a.CandOffsetY, b.CandOffsetY)
        && f(a.CandDistance, b.CandDistance)
        && f(a.CandArea, b.CandArea)
        && f(a.CandLine, b.CandLine);
}

constexpr auto kEqual = [](const auto& x, const auto& y) { return x == y; };
constexpr auto kAssign = [](auto& x, const auto& y) {
    x = y;
    return true;
};

bool anyBlock(std::span<const TextChar> chars)
{
    for (const TextChar& c : chars)
        if (c.holdsBlock()) return true;
    return false;
}

void copyLine(TextLine& to, const TextLine& from)
{
    eachLineField(to, from, kAssign);
    copyChars(to.Chars, from.Chars);
}

} // namespace

bool sameChars(std::span<const TextChar> a, std::span<const TextChar> b)
{
    if (a.size() != b.size()) return false;
    if (a.empty() || a.data() == b.data()) return true;
    if (std::memcmp(a.data(), b.data(), a.size_bytes()) == 0) return true;
    // Bytes differ somewhere: only the characters' own comparison can tell
    // whether the values do (+0 and -0 are equal, a rare block is compared
    // by what it holds).
    for (size_t i = 0; i < a.size(); ++i)
        if (std::memcmp(&a[i], &b[i], sizeof(TextChar)) != 0 && !(a[i] == b[i])) return false;
    return true;
}

bool sameLine(const TextLine& a, const TextLine& b)
{
    return eachLineField(a, b, kEqual) && sameChars(a.Chars, b.Chars);
}

bool sameArea(const TextArea& a, const TextArea& b)
{
    if (&a == &b) return true;
    if (a.Lines.size() != b.Lines.size() || !eachAreaField(a, b, kEqual)) return false;
    for (size_t i = 0; i < a.Lines.size(); ++i)
        if (!sameLine(a.Lines[i], b.Lines[i])) return false;
    return true;
}

void copyChars(std::vector<TextChar>& to, const std::vector<TextChar>& from)
{
    const size_t n = from.size();
    if (&to == &from) return;
    if (to.capacity() < n || anyBlock(from) || anyBlock(to)) {
        to = from;
        return;
    }
    const size_t kept = std::min(n, to.size());
    if (to.size() > n) to.erase(to.begin() + std::ptrdiff_t(n), to.end());
    // No character on either side holds a block: each is its bytes alone.
    if (kept > 0) std::memcpy(static_cast<void*>(to.data()), from.data(), kept * sizeof(TextChar));
    to.insert(to.end(), from.begin() + std::ptrdiff_t(kept), from.end());
}

void copyArea(TextArea& to, const TextArea& from)
{
    if (&to == &from) return;
    eachAreaField(to, from, kAssign);
    const size_t n = from.Lines.size();
    if (to.Lines.size() > n) to.Lines.erase(to.Lines.begin() + std::ptrdiff_t(n), to.Lines.end());
    to.Lines.reserve(n);
    for (size_t i = 0; i < to.Lines.size(); ++i) {
        TextLine& line = to.Lines[i];
        if (sameLine(line, from.Lines[i])) line.Memo = from.Lines[i].Memo;
        else copyLine(line, from.Lines[i]);
    }
    to.Lines.insert(to.Lines.end(), from.Lines.begin() + std::ptrdiff_t(to.Lines.size()), from.Lines.end());
}

} // namespace quillet
