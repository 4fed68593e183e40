#pragma once
// Printing: one printer pass of the page traversal per sheet, page ranges
// with odd/even filters and reverse order, and mail-merge runs that print
// the document once per record of the bound table. The print service is
// the platform's (PrintTarget); everything here is plain and headless.

#include "render/Canvas.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quillet {

class TMDIChild;

// A print service: one job at a time, sheet by sheet.
class PrintTarget {
public:
    virtual ~PrintTarget() = default;
    // Whether there is a printer to print on.
    virtual bool available() const = 0;
    // The job's title, UTF-8.
    virtual void setTitle(const std::string& title) = 0;
    // The paper the document is laid out on, in millimetres (width x
    // height as the document has them; wider than high is landscape).
    virtual void setPaper(double widthMm, double heightMm) = 0;
    // Begins the job with its first sheet; false when it cannot start.
    virtual bool beginJob() = 0;
    virtual bool newPage() = 0;
    virtual bool endJob() = 0;
    // Valid between beginJob and endJob.
    virtual Canvas& canvas() = 0;
    // Where the printable area starts on the paper, in device pixels.
    virtual int32_t offsetX() const { return 0; }
    virtual int32_t offsetY() const { return 0; }
    // Why the last step failed, for the message; may be empty.
    virtual std::string errorText() const { return {}; }
};

inline constexpr const char* kNoPrinter = "No printer is installed.";
inline constexpr const char* kPrintFailed = "The document could not be printed.";

// The pages (1-based) PrintDocument prints, in the order it prints them.
// kind 0 all pages, 1 the current page, 2 from..to; filter 0 all, 1 odd,
// 2 even. Pages outside 1..pageCount are never printed.
std::vector<int32_t> PrintPageSequence(int32_t kind, int32_t from, int32_t to, int32_t filter, bool reverse,
                                       int32_t pageCount, int32_t currentPage);

// The page the cursor stands on (1-based): the current page when its area
// shows on several pages (a header, a footer), else the area's own page.
int32_t CursorPrintPage(const TMDIChild& w);

enum class PrintResult { Printed, NothingToPrint, NoPrinter, Failed };

// Prints a page range as one job titled "Quillet - " + the title. The layout
// is settled first. No job is started when the filter leaves no page; a
// missing printer or a job that cannot start is reported in a message box.
PrintResult PrintDocument(TMDIChild& w, PrintTarget& printer, int32_t kind, int32_t from, int32_t to,
                          int32_t filter, uint8_t reverse);
// Every page, no dialog.
PrintResult FastPrinting(TMDIChild& w, PrintTarget& printer);

// Which records of the bound table a print run takes: 0 the one shown
// (none to move to: an empty list), 1 all, 2 from..to (swapped when
// reversed, kept inside 1..count).
std::vector<int32_t> MailMergeRecords(int32_t choice, int32_t from, int32_t to, int32_t count);

// One job per record: the table moves to the record, the layout is settled
// with that record's field values, the pages print. The table goes back to
// the record it showed before. Without a table, or with no records to
// move to, it is one PrintDocument. Results of the jobs in order.
std::vector<PrintResult> PrintMailMerge(TMDIChild& w, PrintTarget& printer, const std::vector<int32_t>& records,
                                        int32_t kind, int32_t from, int32_t to, int32_t filter, uint8_t reverse);

} // namespace quillet
