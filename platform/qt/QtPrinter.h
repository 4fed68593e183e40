#pragma once
// The print service over Qt's print support: the system's printers (through
// CUPS on Linux), or a file printer that writes the job as PDF (what tests
// and headless runs print to).

#include "render/Printing.h"

#include <filesystem>
#include <memory>
#include <string>

class QPainter;
class QPrinter;

namespace quillet {

class QtPainterCanvas;

class QtPrinter final : public PrintTarget {
public:
    // The system's default printer at its full resolution.
    QtPrinter();
    // A printer that writes each job as a PDF file.
    explicit QtPrinter(const std::filesystem::path& pdfFile);
    ~QtPrinter() override;
    QtPrinter(const QtPrinter&) = delete;
    QtPrinter& operator=(const QtPrinter&) = delete;

    // For the print dialog, which sets printer, copies and range on it.
    QPrinter& printer() { return *Printer; }

    bool available() const override;
    void setTitle(const std::string& title) override;
    void setPaper(double widthMm, double heightMm) override;
    bool beginJob() override;
    bool newPage() override;
    bool endJob() override;
    Canvas& canvas() override;
    std::string errorText() const override { return Error; }

private:
    std::unique_ptr<QPrinter> Printer;
    std::unique_ptr<QPainter> Painter;
    std::unique_ptr<QtPainterCanvas> PageCanvas;
    std::string Error;
};

} // namespace quillet
