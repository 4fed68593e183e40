#pragma once
// Where a run of text starts and ends, for the code that reads the document
// as words: search, the word count and the spell-check run. A paragraph
// end, a manual line break and a page break all end a run of text (a word
// never goes on across one), as do a table cell's end, the edge of a table
// and the end of a flow chain; only a soft wrap does not.

#include "engine/Records.h"

#include <cstdint>
#include <vector>

namespace quillet {

// Whether line `l` of area `a` is the first line of a run of text.
bool startsParagraph(const std::vector<TextArea>& areas, int32_t a, int32_t l);
// Whether the text of line `l` of area `a` ends with the line.
bool textEndsHere(const std::vector<TextArea>& areas, int32_t a, int32_t l);

} // namespace quillet
