#pragma once
// The installed printers as Qt's print support sees them.
//
// Asking the print system can take long (a print server that does not
// answer), and the document window asks on every window it makes and every
// file it opens. So the answer is fetched on a worker thread and kept: a
// caller waits for a fresh answer at most a short while, and after that
// sees the last one known (at first: no printer) until the worker is done.

#include "platform/PrinterInfo.h"

#include <QString>

#include <chrono>
#include <functional>
#include <memory>

class QPageSize;

namespace quillet {

// One paper of a printer as the page setup lists it: the name in
// Windows-1252 (at most 63 bytes), the size in tenths of a millimetre,
// portrait.
PaperFormat paperFormatFrom(const QPageSize& size);

class QtPrinterInfo final : public PrinterInfo {
public:
    struct Snapshot {
        bool HasPrinter = false;
        int32_t ResolutionX = 0;
        std::vector<PaperFormat> Papers;
    };
    // Asks the print system about the printer of that name (empty: the
    // system's default). Runs on a worker thread.
    using Query = std::function<Snapshot(const QString& printerName)>;

    // The question is put at once; `wait` bounds how long a caller waits
    // for its answer.
    explicit QtPrinterInfo(std::chrono::milliseconds wait = std::chrono::milliseconds(1500),
                           Query query = queryPrintSystem);
    ~QtPrinterInfo() override;
    QtPrinterInfo(const QtPrinterInfo&) = delete;
    QtPrinterInfo& operator=(const QtPrinterInfo&) = delete;

    bool hasPrinter() const override;
    int32_t resolutionX() const override;
    std::vector<PaperFormat> paperFormats() const override;

    // The printer the print dialog chose; empty for the system's default.
    // Asks the print system again.
    void setCurrentPrinter(const QString& name);
    QString currentPrinter() const;

    // The current printer is the named one while it is installed, else the
    // default one, else the first one installed.
    static Snapshot queryPrintSystem(const QString& printerName);

private:
    struct State;
    Snapshot snapshot() const;
    void ask();

    std::shared_ptr<State> S;
    Query Ask;
    std::chrono::milliseconds Wait;
};

} // namespace quillet
