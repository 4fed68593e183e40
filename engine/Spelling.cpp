// The document window's spelling questions, answered against the word list of
// its language.

#include "engine/Childwin.h"
#include "language/WordList.h"

namespace quillet {

void TMDIChild::addwordtowordlist(std::string_view word)
{
    if (CurrentWordList) quillet::addwordtowordlist(*CurrentWordList, word);
}

void TMDIChild::addlisttowordlist(const WordList& words)
{
    if (CurrentWordList) quillet::addlisttowordlist(*CurrentWordList, words.words());
}

bool TMDIChild::istwortkorrekt(std::string_view word, uint8_t allowCapital)
{
    return CurrentWordList && quillet::istwortkorrekt(*CurrentWordList, word, allowCapital != 0);
}

void TMDIChild::findewortvorschlaege(std::string_view word)
{
    // Suggestions left over from another word (or another language) must not
    // be offered for this one.
    SuggestionList.clear();
    if (CurrentWordList) SuggestionList = quillet::findewortvorschlaege(*CurrentWordList, word);
}

} // namespace quillet
