#include "render/Printing.h"

#include "engine/Childwin.h"
#include "engine/DynaArray.h"
#include "platform/DbfTable.h"
#include "platform/Units.h"
#include "render/ImageCanvas.h"
#include "render/PaintPass.h"

#include <algorithm>

namespace quillet {

std::vector<int32_t> PrintPageSequence(int32_t kind, int32_t from, int32_t to, int32_t filter, bool reverse,
                                       int32_t pageCount, int32_t currentPage)
{
    int32_t first = 1, last = pageCount;
    if (kind == 1) first = last = currentPage;
    else if (kind == 2) first = from, last = to;
    first = std::max(first, 1);
    last = std::min(last, pageCount);
    std::vector<int32_t> pages;
    for (int32_t n = first; n <= last; ++n) {
        if ((filter == 1 && n % 2 == 0) || (filter == 2 && n % 2 != 0)) continue;
        pages.push_back(n);
    }
    if (reverse) std::reverse(pages.begin(), pages.end());
    return pages;
}

int32_t CursorPrintPage(const TMDIChild& w)
{
    if (w.Cursor.Area < 0 || size_t(w.Cursor.Area) >= w.Areas.size()) return w.CurrentPage + 1;
    const TextArea& a = w.Areas[size_t(w.Cursor.Area)];
    return (a.PageMode != 0 && a.AreaType != atPageBody ? w.CurrentPage : a.PageIndex) + 1;
}

namespace {

// Printing draws what layout and paint agreed on: a file opened a moment
// ago has had no screen pass yet (no wrap gaps, no anchored positions).
void settle(TMDIChild& w)
{
    ImageCanvas scratch(10, 10, 96);
    w.SettleLayout(scratch);
}

void reportFailure(const PrintTarget& printer)
{
    const std::string why = printer.errorText();
    ShowInfoMessage(why.empty() ? std::string(kPrintFailed) : std::string(kPrintFailed) + "\n" + why);
}

} // namespace

PrintResult PrintDocument(TMDIChild& w, PrintTarget& printer, int32_t kind, int32_t from, int32_t to,
                          int32_t filter, uint8_t reverse)
{
    if (!printer.available()) {
        ShowInfoMessage(kNoPrinter);
        return PrintResult::NoPrinter;
    }
    settle(w);
    printer.setTitle("Quillet - " + w.ShownTitle);
    const int32_t dpi = w.PrinterDpi > 0 ? w.PrinterDpi : 600;
    // The job gets the document's paper, so a landscape page is not cut
    // down to portrait paper.
    printer.setPaper(double(w.PageWidthPx) / dpi * kMmPerInch, double(w.PageHeightPx) / dpi * kMmPerInch);
    // Printing changes nothing it draws: the pages are found once.
    const paint::PageDirectory directory(w);
    const std::vector<int32_t> pages =
        PrintPageSequence(kind, from, to, filter, reverse != 0, directory.pages(), CursorPrintPage(w));
    if (pages.empty()) return PrintResult::NothingToPrint;
    bool first = true;
    for (const int32_t n : pages) {
        const bool ok = first ? printer.beginJob() : printer.newPage();
        if (!ok) {
            if (!first) printer.endJob();
            reportFailure(printer);
            return PrintResult::Failed;
        }
        first = false;
        paint::drawPages(w, printer.canvas(), RenderPolicy::printer(), n - 1, -printer.offsetX(), -printer.offsetY(),
                         {}, &directory);
    }
    if (!printer.endJob()) {
        reportFailure(printer);
        return PrintResult::Failed;
    }
    return PrintResult::Printed;
}

PrintResult FastPrinting(TMDIChild& w, PrintTarget& printer) { return PrintDocument(w, printer, 0, 1, 1, 0, 0); }

std::vector<int32_t> MailMergeRecords(int32_t choice, int32_t from, int32_t to, int32_t count)
{
    std::vector<int32_t> records;
    if (choice == 1) from = 1, to = count;
    else if (choice != 2) return records;
    if (from > to) std::swap(from, to);
    // Records count from 1: there is no record 0 to move to.
    for (int32_t r = std::max(from, 1); r <= std::min(to, count); ++r) records.push_back(r);
    return records;
}

std::vector<PrintResult> PrintMailMerge(TMDIChild& w, PrintTarget& printer, const std::vector<int32_t>& records,
                                        int32_t kind, int32_t from, int32_t to, int32_t filter, uint8_t reverse)
{
    const std::shared_ptr<DbfTable> table = w.Frame.MergeTable;
    if (!table || !table->isOpen() || records.empty())
        return {PrintDocument(w, printer, kind, from, to, filter, reverse)};
    if (!printer.available()) {
        ShowInfoMessage(kNoPrinter);
        return {PrintResult::NoPrinter};
    }
    std::vector<PrintResult> results;
    const int32_t shown = table->recNo();
    for (const int32_t r : records) {
        // The table is the frame's; the run holds it and checks it is still open.
        if (!table->isOpen()) break;
        table->setRecNo(r);
        w.CompleteRefresh();
        results.push_back(PrintDocument(w, printer, kind, from, to, filter, reverse));
        if (results.back() == PrintResult::Failed || results.back() == PrintResult::NoPrinter) break;
    }
    if (table->isOpen()) table->setRecNo(shown);
    w.RenderAllPages = 1;
    w.CompleteRefresh();
    settle(w);
    return results;
}

} // namespace quillet
