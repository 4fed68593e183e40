// Fix-ups of stored positions after structural edits. Positions are indices,
// so each edit that shifts lines, characters or areas must shift them too.

#include "engine/Childwin.h"

#include <algorithm>

namespace quillet {

std::vector<TextPos*> TMDIChild::StoredPositions()
{
    std::vector<TextPos*> out{&Cursor, &Anchor};
    out.insert(out.end(), ExtraPositions.begin(), ExtraPositions.end());
    return out;
}

void TMDIChild::RegisterPosition(TextPos* p)
{
    if (p && std::find(ExtraPositions.begin(), ExtraPositions.end(), p) == ExtraPositions.end())
        ExtraPositions.push_back(p);
}

void TMDIChild::UnregisterPosition(TextPos* p)
{
    ExtraPositions.erase(std::remove(ExtraPositions.begin(), ExtraPositions.end(), p),
                         ExtraPositions.end());
}

void TMDIChild::PositionsLinesInserted(int32_t area, int32_t index, int32_t count)
{
    InvalidateMarking();
    for (TextPos* p : StoredPositions())
        if (p->Area == area && p->Line >= index) p->Line += count;
}

void TMDIChild::PositionsLineRemoved(int32_t area, int32_t index, int32_t toLine, int32_t toChar)
{
    InvalidateMarking();
    for (TextPos* p : StoredPositions()) {
        if (p->Area != area) continue;
        if (p->Line == index) {
            p->Line = toLine;
            p->Char += toChar;
        } else if (p->Line > index) {
            --p->Line;
        }
    }
}

void TMDIChild::PositionsCharsInserted(int32_t area, int32_t line, int32_t at, int32_t count)
{
    InvalidateMarking();
    for (TextPos* p : StoredPositions())
        if (p->Area == area && p->Line == line && p->Char >= at) p->Char += count;
}

void TMDIChild::PositionsCharsRemoved(int32_t area, int32_t line, int32_t at, int32_t count)
{
    InvalidateMarking();
    for (TextPos* p : StoredPositions()) {
        if (p->Area != area || p->Line != line || p->Char <= at) continue;
        p->Char = p->Char >= at + count ? p->Char - count : at;
    }
}

void TMDIChild::PositionsLineSplit(int32_t area, int32_t line, int32_t at, int32_t newLine)
{
    InvalidateMarking();
    for (TextPos* p : StoredPositions())
        if (p->Area == area && p->Line == line && p->Char > at) {
            p->Line = newLine;
            p->Char -= at;
        }
}

void TMDIChild::PositionsAreaRemoved(int32_t index, int32_t fallbackArea)
{
    InvalidateMarking();
    for (TextPos* p : StoredPositions()) {
        if (p->Area == index) {
            *p = TextPos{std::max(0, fallbackArea), 0, 0};
        } else if (p->Area > index) {
            --p->Area;
        }
    }
}

void TMDIChild::ClampPosition(const std::vector<TextArea>& areas, TextPos& p)
{
    if (areas.empty()) {
        p = TextPos{};
        return;
    }
    p.Area = std::clamp<int32_t>(p.Area, 0, static_cast<int32_t>(areas.size()) - 1);
    const TextArea& a = areas[static_cast<size_t>(p.Area)];
    if (a.Lines.empty()) {
        p.Line = 0;
        p.Char = 0;
        return;
    }
    p.Line = std::clamp<int32_t>(p.Line, 0, a.LineCount() - 1);
    p.Char = std::clamp<int32_t>(p.Char, 0, a.Lines[static_cast<size_t>(p.Line)].CharCount());
}

void TMDIChild::ClampPositions()
{
    for (TextPos* p : StoredPositions()) ClampPosition(Areas, *p);
}

} // namespace quillet
