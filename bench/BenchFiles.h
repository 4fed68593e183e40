#pragma once
// The long imported files the reader and whole-program benchmarks share:
// an RTF file of about 800 KB (formatted paragraphs with tabs, a table
// every 40 paragraphs) and a Word 97 file of about 850 KB (paragraphs with
// tabs under one character run, so every character passes through the
// formatting lookup). Both come out the same on every run.

#include "tests/support/WordFiles.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quillet::bench {

inline std::string makeLongRtf()
{
    std::string s = "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 Times New Roman;}{\\f1 Arial;}}"
                    "{\\colortbl;\\red0\\green0\\blue0;\\red200\\green0\\blue0;}\\paperw11906\\paperh16838\r\n";
    int n = 0;
    while (s.size() < 800 * 1024) {
        ++n;
        s += "\\pard\\plain\\sa120\\tx2000\\tqr\\tx8000\\f0\\fs24 Paragraph " + std::to_string(n) +
             "\\tab with {\\b bold}, {\\i italic} and {\\cf2 red} words, an \\'e4 and a tab\\tab " +
             std::to_string(n * 7) + ". Some more plain text follows to fill the line and wrap it once.\\par\r\n";
        if (n % 40 == 0) {
            for (int r = 0; r < 5; ++r)
                s += "\\trowd\\trleft0\\clbrdrb\\brdrs\\brdrw10\\cellx3000\\clbrdrb\\brdrs\\cellx6000\\cellx9000"
                     "\\pard\\intbl cell a\\cell cell b\\cell cell c\\cell\\row\r\n";
        }
    }
    return s + "}";
}

inline std::vector<uint8_t> makeLongWordFile()
{
    std::u16string text;
    int n = 0;
    while (text.size() < 850 * 1024) {
        ++n;
        const std::string line = "Paragraph " + std::to_string(n) +
                                 "\twith words enough to fill a line and wrap it once on the page, " +
                                 std::to_string(n * 7) + " and some more plain text to follow.\r";
        text.append(line.begin(), line.end());
    }
    test::WordFileSpec spec;
    spec.Pieces = {{text, false}};
    spec.CharRuns = {{0, int32_t(text.size()), test::sprm(0x0835, {1})}};  // bold over everything
    return test::makeWordFile(spec);
}

} // namespace quillet::bench
