// Fuzz entry of the mail-merge table's checks: whatever the bytes, the
// check either refuses them or describes a table that fits in them.

#include "platform/DbfTable.h"

#include <cstdint>
#include <cstdlib>

using namespace quillet;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    DbfLayout layout;
    if (!CheckDbfImage(data, size, layout).empty()) return 0;
    int64_t sum = 1;
    for (const DbfLayout::Field& f : layout.Fields) sum += f.Width;
    const bool fits = sum == layout.RecordLength && size_t(layout.HeaderLength) <= size &&
                      uint64_t(layout.RecordCount) * uint64_t(layout.RecordLength) <= size - size_t(layout.HeaderLength) &&
                      layout.LiveRecords.size() <= size_t(layout.RecordCount);
    if (!fits) std::abort();
    for (int32_t r : layout.LiveRecords)
        if (r < 0 || r >= layout.RecordCount) std::abort();
    return 0;
}
