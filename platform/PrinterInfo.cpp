#include "platform/PrinterInfo.h"

namespace quillet {

namespace {

PrinterInfo noPrinter;
PrinterInfo* installed = nullptr;

} // namespace

PrinterInfo& printerInfo()
{
    return installed ? *installed : noPrinter;
}

void setPrinterInfo(PrinterInfo* info)
{
    installed = info;
}

} // namespace quillet
