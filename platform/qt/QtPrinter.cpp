#include "platform/qt/QtPrinter.h"

#include "platform/qt/QtPainterCanvas.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>

namespace quillet {

QtPrinter::QtPrinter() : Printer(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
    // The origin is the paper's corner, as the page pass expects: the
    // physical offsets then are zero.
    Printer->setFullPage(true);
}

QtPrinter::QtPrinter(const std::filesystem::path& pdfFile) : QtPrinter()
{
    Printer->setOutputFormat(QPrinter::PdfFormat);
    Printer->setOutputFileName(QString::fromStdString(pdfFile.string()));
}

QtPrinter::~QtPrinter()
{
    if (Painter && Painter->isActive()) Painter->end();
}

bool QtPrinter::available() const
{
    if (Printer->outputFormat() == QPrinter::PdfFormat) return true;
    return !QPrinterInfo::availablePrinterNames().isEmpty();
}

void QtPrinter::setTitle(const std::string& title) { Printer->setDocName(QString::fromStdString(title)); }

void QtPrinter::setPaper(double widthMm, double heightMm)
{
    if (!(widthMm > 0) || !(heightMm > 0)) return;
    const bool landscape = widthMm > heightMm;
    const QPageSize size(QSizeF(std::min(widthMm, heightMm), std::max(widthMm, heightMm)), QPageSize::Millimeter,
                         QString(), QPageSize::FuzzyMatch);
    const QPageLayout::Orientation orientation = landscape ? QPageLayout::Landscape : QPageLayout::Portrait;
    // A printer that insists on margins keeps them; paper and orientation
    // are what keeps a page from being cut.
    if (!Printer->setPageLayout(QPageLayout(size, orientation, QMarginsF(0, 0, 0, 0)))) {
        Printer->setPageSize(size);
        Printer->setPageOrientation(orientation);
    }
    Printer->setFullPage(true);
}

bool QtPrinter::beginJob()
{
    Error.clear();
    Painter = std::make_unique<QPainter>();
    if (!Painter->begin(Printer.get())) {
        Painter.reset();
        Error = Printer->outputFormat() == QPrinter::PdfFormat
                    ? "The file " + Printer->outputFileName().toStdString() + " cannot be written."
                    : "The printer " + Printer->printerName().toStdString() + " does not take the job.";
        return false;
    }
    PageCanvas = std::make_unique<QtPainterCanvas>(*Painter, CanvasKind::Printer);
    return true;
}

bool QtPrinter::newPage()
{
    if (!Painter || !Printer->newPage()) {
        Error = "The printer does not take another page.";
        return false;
    }
    return true;
}

bool QtPrinter::endJob()
{
    PageCanvas.reset();
    const bool ended = Painter && Painter->end();
    Painter.reset();
    if (!ended || Printer->printerState() == QPrinter::Error) {
        Error = "The job could not be finished.";
        return false;
    }
    return true;
}

Canvas& QtPrinter::canvas() { return *PageCanvas; }

} // namespace quillet
