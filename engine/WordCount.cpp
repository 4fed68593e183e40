// The word count of the document properties dialog's statistics page: over
// every text area in array order and every line in storage order, not over
// a selection.

#include "engine/Childwin.h"
#include "engine/TextBounds.h"

#include <algorithm>
#include <string>
#include <vector>

namespace quillet {

TMDIChild::WordCounts TMDIChild::CountWords() const
{
    WordCounts n;
    for (const TextArea& a : Areas)
        if (a.AreaType == atPageBody) n.Pages = std::max(n.Pages, a.PageIndex + 1);
    for (int32_t ai = 0; ai < AreaCount(); ++ai) {
        const TextArea& a = Areas[size_t(ai)];
        // A word never runs on from one area into the next in array order:
        // the next area may be a header that has nothing to do with it.
        // A cell's text goes on in the same column of its row's next run,
        // which is not the next line in storage: each line remembers whether
        // it ended inside a word.
        std::vector<uint8_t> endsInWord(size_t(a.LineCount()), 0);
        bool inWord = false;
        for (int32_t li = 0; li < a.LineCount(); ++li) {
            const TextLine& l = a.Lines[size_t(li)];
            if (l.IsCell) {
                const int32_t above = li - std::max<int32_t>(1, l.CellsPerRow);
                inWord = !startsParagraph(Areas, ai, li) && above >= 0 && endsInWord[size_t(above)];
            } else if (li > 0 && (a.Lines[size_t(li - 1)].IsCell || textEndsHere(Areas, ai, li - 1))) {
                inWord = false;
            }
            ++n.Lines;
            for (const TextChar& c : l.Chars) {
                ++n.CharsAll;
                if (c.Kind != ckText || c.Code == ' ' || c.Code == '\t') {
                    inWord = false;
                    continue;
                }
                ++n.CharsNoSpace;
                if (!inWord) ++n.Words;
                inWord = true;
            }
            endsInWord[size_t(li)] = inWord;
            // Every cell counts as a paragraph of its own, however the table
            // was made; a cell's text ends at its row's last run.
            const bool cellEnds = l.IsCell && (l.RowLastRun || l.EndKind != ekSoft);
            const bool areaEnds = li + 1 == a.LineCount() && a.NextInFlow < 0;
            if (l.EndKind == ekParagraph || l.EndKind == ekPageBreak || cellEnds || areaEnds) ++n.Paragraphs;
        }
    }
    return n;
}

std::array<std::pair<std::string, std::string>, 7> TMDIChild::WordCountGrid(const WordCounts& n)
{
    return {{{"Description", "Value"},
             {"Pages", std::to_string(n.Pages)},
             {"Words", std::to_string(n.Words)},
             {"Characters (without space)", std::to_string(n.CharsNoSpace)},
             {"Characters (with grpahics)", std::to_string(n.CharsAll)},
             {"Paragraphs", std::to_string(n.Paragraphs)},
             {"Lines", std::to_string(n.Lines)}}};
}

} // namespace quillet
