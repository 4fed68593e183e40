// The document window's language data: the word list and hyphenation
// patterns of its document's language, and the words it has hyphenated.
// The lists and tables themselves belong to the frame.

#include "engine/Childwin.h"
#include "language/Hyphenation.h"
#include "language/WordList.h"
#include "platform/Win1252.h"

#include <memory>
#include <string>
#include <string_view>

namespace quillet {

void TMDIChild::OpenHyphenData()
{
    HyphenCache.clear();

    const bool english = DocLanguage == 1;
    auto& list = english ? Frame.WordListEnglish : Frame.WordListGerman;
    auto& table = english ? Frame.PatternsEnglish : Frame.PatternsGerman;
    if (!list) list = std::make_shared<WordList>();
    if (!table) table = std::make_shared<HyphenPatternTable>();
    if (english && list->empty()) OpenWordList(Frame.ProgDir / "english.spe", *list);

    CurrentWordList = list.get();
    CurrentPatternTable = table.get();
    if (table->loaded()) return;

    if (Frame.IgnoreList) addlisttowordlist(*Frame.IgnoreList);
    if (Frame.UserDict) addlisttowordlist(*Frame.UserDict);

    // A missing file leaves the language without break points for the rest
    // of the run; the table still counts as loaded so it is not retried.
    table->loadFile(Frame.ProgDir / (english ? "english0.hyp" : "german0.hyp"));
    table->markLoaded();
}

void TMDIChild::SetNewDokumentSprache(int32_t language)
{
    if (language == DocLanguage) return;
    DocLanguage = language;
    HyphenCache.clear();
    OpenHyphenData();
}

void TMDIChild::FreeHyphenData()
{
    HyphenCache.clear();
}

namespace {

// A document's words come round again and again at its line ends, and the
// cache answers them many times faster than the patterns do. A long text of
// ever new words would grow it without end, though, and spread it over
// memory so that every look-up waits for it: it starts afresh when it holds
// this many (keeping its buckets), which covers the vocabulary of ordinary
// documents.
constexpr size_t kHyphenCacheWords = size_t(1) << 15;

} // namespace

std::string TMDIChild::TrenneSilben(std::string_view word)
{
    std::string key = asciiUpper(word);
    if (const auto it = HyphenCache.find(key); it != HyphenCache.end()) return it->second;
    std::string result = CurrentPatternTable ? CurrentPatternTable->hyphenate(word) : std::string(word);
    if (HyphenCache.size() >= kHyphenCacheWords) HyphenCache.clear();
    HyphenCache.emplace(std::move(key), result);
    return result;
}

} // namespace quillet
