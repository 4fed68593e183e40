// libFuzzer entry for the ".hyp" pattern reader (see tests/fuzz/CMakeLists.txt).
// Seeds: the program folder's tables cut down to a few patterns a group,
// cut files and hostile counts.

#include "language/Hyphenation.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

using namespace quillet;

namespace {

void checkWord(const HyphenPatternTable& t, const HyphenPatternTable& part, const std::string& word)
{
    const std::vector<uint8_t> values = t.gapValues(word);
    if (values.size() != word.size() + 1) std::abort();
    // Fewer patterns never raise a gap's value.
    const std::vector<uint8_t> fewer = part.gapValues(word);
    for (size_t g = 0; g < values.size(); ++g)
        if (fewer[g] > values[g]) std::abort();

    // The hyphenated word is the word with one "-" after each character
    // whose gap value is odd, never at either end.
    const std::string h = t.hyphenate(word);
    size_t breaks = 0;
    for (size_t p = 1; p < word.size(); ++p) breaks += values[p] & 1;
    if (h.size() != word.size() + breaks) std::abort();
    if (!word.empty() && (h.front() == '-' || h.back() == '-')) std::abort();
    if (h.find("--") != std::string::npos) std::abort();
    std::string plain = h;
    std::erase(plain, '-');
    if (plain != word) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    HyphenPatternTable t;
    const bool whole = t.load(bytes);
    // Data over the size cap is refused whole; its first half may still be
    // a table of its own, so the two are not compared.
    if (size > kHyphenMaxFileBytes) {
        if (whole) std::abort();
        for (int k = 1; k <= kHyphenGroupCount; ++k)
            if (t.patternCount(k) != 0) std::abort();
        return 0;
    }
    // 20 group counts come first.
    if (whole && size < 4 * kHyphenGroupCount) std::abort();

    HyphenPatternTable part;
    part.load(bytes.substr(0, size / 2));
    int64_t kept = 0;
    for (int k = 1; k <= kHyphenGroupCount; ++k) {
        const int32_t n = t.patternCount(k);
        // A kept record holds its k letters, a length and a pair count.
        if (n < 0 || part.patternCount(k) > n) std::abort();
        kept += int64_t(n) * (3 + k);
    }
    if (kept > int64_t(size)) std::abort();

    // Words of the data itself reach the patterns it holds.
    std::vector<std::string> words = {"", "a", "silbentrennung", "\xDC" "bersetzung", std::string(40, 'e')};
    std::string tail(bytes.substr(size > 24 ? size - 24 : 0));
    std::replace(tail.begin(), tail.end(), '-', 'x');
    words.push_back(tail);
    for (const std::string& w : words) checkWord(t, part, w);
    return 0;
}
