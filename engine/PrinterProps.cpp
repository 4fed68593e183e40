// Everything that measures text measures at the printer's resolution; the
// page size in printer pixels follows from the size in millimetres.

#include "engine/Childwin.h"
#include "platform/PrinterInfo.h"
#include "platform/Units.h"

#include <cmath>
#include <limits>

namespace quillet {

namespace {

constexpr int32_t kNoPrinterDpi = 600;

// Truncation toward zero, kept inside the pixel range.
int32_t mmToPxTrunc(double mm, int32_t dpi)
{
    const double px = std::trunc(mm / kMmPerInch * dpi);
    if (!(px > 0)) return 0;
    if (px >= double(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
    return int32_t(px);
}

} // namespace

void TMDIChild::SetPrinterProps()
{
    const PrinterInfo& printer = printerInfo();
    int32_t dpi = printer.hasPrinter() ? printer.resolutionX() : kNoPrinterDpi;
    // A driver that reports no resolution would make every measurement zero.
    if (dpi <= 0) dpi = kNoPrinterDpi;
    PrinterDpi = dpi;
    PageWidthPx = mmToPxTrunc(PageWidth, PrinterDpi);
    PageHeightPx = mmToPxTrunc(PageHeight, PrinterDpi);
}

} // namespace quillet
