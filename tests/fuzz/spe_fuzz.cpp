// libFuzzer entry for the ".spe" word list reader (see tests/fuzz/CMakeLists.txt).
// Seeds: the program folder's lists cut down to a few hundred words, and
// records the format cannot describe.

#include "language/WordList.h"
#include "platform/Win1252.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace quillet;

namespace {

// Front-codes the words the way the converter does, sharing what it can.
std::string speImage(const WordList& list, size_t from)
{
    std::string image;
    std::string_view prev;
    for (size_t i = from; i < list.size(); ++i) {
        const std::string_view w = list.word(i);
        const size_t limit = std::min({prev.size(), w.size(), size_t{127}});
        size_t shared = 0;
        while (shared < limit && prev[shared] == w[shared]) ++shared;
        const bool capital = w[0] >= 'A' && w[0] <= 'Z';
        image.push_back(static_cast<char>(shared | (capital ? 0x80 : 0)));
        image.push_back(static_cast<char>(w.size() - shared));
        image.append(w.substr(shared));
        prev = w;
    }
    return image;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    WordList list;
    list.append("vorher");
    const size_t added = appendSpeWords(bytes, list);

    // Words are appended behind what was there, two bytes of record at least each.
    if (list.size() != added + 1 || list.word(0) != "vorher" || added > size / 2) std::abort();
    for (size_t i = 0; i < list.size(); ++i) {
        const std::string& w = list.word(i);
        if (w.empty() || w.size() > kSpeMaxWordLength || list.key(i) != asciiUpper(w)) std::abort();
    }

    // Whatever was read can be written as a list and reads back the same.
    WordList again;
    if (appendSpeWords(speImage(list, 1), again) != added) std::abort();
    if (!std::equal(again.words().begin(), again.words().end(), list.words().begin() + 1)) std::abort();

    // A list cut short gives the first words of the whole one.
    WordList half;
    appendSpeWords(bytes.substr(0, size / 2), half);
    if (half.size() > added || !std::equal(half.words().begin(), half.words().end(), list.words().begin() + 1))
        std::abort();
    return 0;
}
