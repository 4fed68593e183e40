#pragma once
// The plain text reader under fuzzing, shared by the entries for the two code
// pages: bytes the reader takes go into a window and are laid out, and the
// document must then hold exactly the file's lines, control codes dropped
// and, for DOS files, every byte converted: written back as ANSI text it
// gives them again.

#include "engine/Childwin.h"
#include "formats/PlainText.h"
#include "formats/StandardServices.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::fuzz {

inline int plainTextInput(const uint8_t* data, size_t size, bool dos)
{
    // Longer inputs reach nothing short ones do not; the replayed program
    // folder holds large files of other kinds.
    if (size > (size_t(1) << 16)) return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (!textRefusal(bytes).empty()) return 0;

    static FrameState frame = StandardFrameState();
    TMDIChild w(frame);
    insertText(w, bytes, dos);
    w.Anchor = w.Cursor = TextPos{};
    w.CompleteRefresh();

    std::string expected;
    const std::vector<std::string> lines = splitTextLines(bytes);
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string kept;
        for (const char c : lines[i]) {
            const uint8_t b = uint8_t(c);
            if (b > 31 || b == 9) kept += char(dos ? oemToAnsi(b) : b);
        }
        // The last paragraph is written only when it holds text.
        if (i + 1 < lines.size() || !kept.empty()) expected += kept + "\r\n";
    }
    if (plainTextImage(w, false) != expected) std::abort();
    return 0;
}

} // namespace quillet::fuzz
