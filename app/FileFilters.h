#pragma once
// File dialog filters: the program keeps its filters in the "desc|*.a;*.b|..."
// form its file formats are described in; Qt's dialogs take "desc (*.a *.b)".
// The dialogs show only the formats this build can read or write, so the
// filter index (1-based) they hand back is mapped to the format code the
// readers and writers are chosen by; it must survive the round trip through
// the dialog's selected filter.

#include "formats/OpenSave.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// One Qt name filter per "desc|patterns" pair. Patterns are matched case
// sensitively on Linux, so each gets its upper- and lower-case twins
// ("*.qdt" -> "*.qdt *.QDT", "*.BMP" -> "*.BMP *.bmp"); "*.*" means every
// file, as "*". A description that ends
// in its own "(...)" is not given a second one.
QStringList qtNameFilters(std::string_view filter);

// The 1-based index of `selected` among `filters`, or 0 when it is none of them.
int32_t filterIndexOf(const QStringList& filters, const QString& selected);

// The filter to preselect for a 1-based index; out-of-range indices (0 =
// never chosen) give the first filter.
QString filterAt(const QStringList& filters, int32_t index);

// The choices in the "desc|patterns|..." form.
std::string filterString(const std::vector<FileFilterChoice>& choices);
// The 1-based place of the choice that stands for `code`; 0 when none does.
int32_t shownIndexOfCode(const std::vector<FileFilterChoice>& choices, int32_t code);
// The code of the choice at a 1-based place; `otherwise` outside the list.
int32_t codeAtShownIndex(const std::vector<FileFilterChoice>& choices, int32_t index, int32_t otherwise);

} // namespace quillet
