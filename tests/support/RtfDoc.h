#pragma once
// A window as the program makes one for an RTF file to be opened, read from
// bytes in memory, with its text written out for comparison.

#include "engine/Childwin.h"
#include "formats/StandardServices.h"
#include "formats/rtf/Rtf.h"
#include "tests/support/TestPaths.h"

#include <memory>
#include <string>
#include <string_view>

namespace quillet::test {

struct RtfDoc {
    FrameState frame = StandardFrameState();
    std::unique_ptr<TMDIChild> w;
    int32_t result = -1;
    explicit RtfDoc(std::string_view rtf)
    {
        frame.ProgDir = programDir();
        w = std::make_unique<TMDIChild>(frame);
        w->FormCreate();
        result = ReadRtfFile(*w, reinterpret_cast<const uint8_t*>(rtf.data()), rtf.size());
    }
    // The text of an area; paragraph ends as "|", line breaks as "/",
    // page breaks as "#", cell ends as "¦" (0xA6); inline paragraph ends in
    // a cell stay "\r".
    std::string text(size_t area = 0) const
    {
        std::string s;
        for (const TextLine& l : w->Areas.at(area).Lines) {
            for (const TextChar& c : l.Chars) s += char(c.Code);
            if (l.IsCell) s += '\xA6';
            else if (l.EndKind == ekParagraph) s += '|';
            else if (l.EndKind == ekLineBreak) s += '/';
            else if (l.EndKind == ekPageBreak) s += '#';
        }
        return s;
    }
    const TextLine& line(size_t i, size_t area = 0) const { return w->Areas.at(area).Lines.at(i); }
};

} // namespace quillet::test
