#pragma once
// What the document needs to know about the installed printers: whether
// there is one, the current printer's resolution and its paper formats.
// The Qt layer asks the print system; the default knows no printer.

#include <cstdint>
#include <string>
#include <vector>

namespace quillet {

struct PaperFormat {
    std::string Name;      // Windows-1252, at most 63 bytes
    int32_t Width = 0;     // tenths of a millimetre, portrait
    int32_t Height = 0;
};

class PrinterInfo {
public:
    virtual ~PrinterInfo() = default;
    virtual bool hasPrinter() const { return false; }
    // Horizontal resolution of the current printer, pixels per inch.
    virtual int32_t resolutionX() const { return 0; }
    // Paper formats of the current printer in the driver's order; empty
    // when the printer cannot be found.
    virtual std::vector<PaperFormat> paperFormats() const { return {}; }
};

// The installed printer service; without one, no printer is installed.
PrinterInfo& printerInfo();
// Installs a service (not owned); null restores the default.
void setPrinterInfo(PrinterInfo* info);

} // namespace quillet
