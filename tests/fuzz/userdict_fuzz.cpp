// libFuzzer entry for the user dictionary reader, "user.spe" (see
// tests/fuzz/CMakeLists.txt). Seeds: small dictionaries with LF and CRLF
// line ends, stray CRs and NUL bytes.

#include "language/WordList.h"
#include "platform/Win1252.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace quillet;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    WordList list;
    const size_t added = appendUserDictWords(bytes, list);
    if (list.size() != added) std::abort();

    // Each word is one line of the data, so the words and a line feed
    // between each two fit in it.
    size_t used = 0;
    for (size_t i = 0; i < list.size(); ++i) {
        const std::string& w = list.word(i);
        if (w.empty() || w.find('\n') != std::string::npos || list.key(i) != asciiUpper(w)) std::abort();
        used += w.size() + (i > 0 ? 1 : 0);
    }
    if (used > size) std::abort();

    // What is saved reads back as the same words, and saves the same again.
    const std::string image = userDictImage(list);
    WordList again;
    if (appendUserDictWords(image, again) != added || again.words() != list.words()) std::abort();
    if (userDictImage(again) != image) std::abort();
    return 0;
}
