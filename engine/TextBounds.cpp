// Text runs as the readers of words see them (TextBounds.h).

#include "engine/TextBounds.h"
#include "engine/DocWalk.h"

namespace quillet {

namespace {

// The line before (a, l) in its chain's storage order, or null at the start.
const TextLine* storedBefore(const std::vector<TextArea>& areas, int32_t a, int32_t l)
{
    if (l > 0) return lineAt(areas, a, l - 1);
    const int32_t prev = chainPrev(areas, a);
    if (prev < 0 || areas[size_t(prev)].Lines.empty()) return nullptr;
    return &areas[size_t(prev)].Lines.back();
}

const TextLine* storedAfter(const std::vector<TextArea>& areas, int32_t a, int32_t l)
{
    if (validIndex(a, areas.size()) && l + 1 < areas[size_t(a)].LineCount()) return lineAt(areas, a, l + 1);
    const int32_t next = chainNext(areas, a);
    if (next < 0 || areas[size_t(next)].Lines.empty()) return nullptr;
    return &areas[size_t(next)].Lines.front();
}

} // namespace

bool startsParagraph(const std::vector<TextArea>& areas, int32_t a, int32_t l)
{
    const TextLine* ln = lineAt(areas, a, l);
    if (!ln) return true;
    if (ln->IsCell) {
        // A cell goes on from the same column of the run before it.
        if (ln->RowFirstRun) return true;
        const TextLine* above = lineAt(areas, a, l - cellsOf(*ln));
        return !above || !above->IsCell || above->EndKind != ekSoft;
    }
    const TextLine* before = storedBefore(areas, a, l);
    return !before || before->IsCell || before->EndKind != ekSoft;
}

bool textEndsHere(const std::vector<TextArea>& areas, int32_t a, int32_t l)
{
    const TextLine* ln = lineAt(areas, a, l);
    if (!ln || ln->EndKind != ekSoft) return true;
    if (ln->IsCell) {
        if (ln->RowLastRun) return true;
        const TextLine* below = lineAt(areas, a, l + cellsOf(*ln));
        return !below || !below->IsCell;
    }
    const TextLine* after = storedAfter(areas, a, l);
    return !after || after->IsCell;
}

} // namespace quillet
