#pragma once
// File dialog filters: the program keeps its filters in the "desc|*.a;*.b|..."
// form its file formats are described in; Qt's dialogs take "desc (*.a *.b)".
// The filter index (1-based) is what the readers and writers are chosen by,
// so it must survive the round trip through the dialog's selected filter.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <string_view>

namespace quillet {

// One Qt name filter per "desc|patterns" pair. Patterns are matched case
// sensitively on Linux, so each gets its upper-case twin ("*.qdt" ->
// "*.qdt *.QDT"); "*.*" means every file, as "*". A description that ends
// in its own "(...)" is not given a second one.
QStringList qtNameFilters(std::string_view filter);

// The 1-based index of `selected` among `filters`, or 0 when it is none of them.
int32_t filterIndexOf(const QStringList& filters, const QString& selected);

// The filter to preselect for a 1-based index; out-of-range indices (0 =
// never chosen) give the first filter.
QString filterAt(const QStringList& filters, int32_t index);

} // namespace quillet
