// The frame's printing and export commands: "Print", "Print with more
// options...", the print button, printing a file opened under "/P", and
// "PDF export...".

#include "app/Main.h"

#include "app/CommandGuard.h"
#include "app/DocumentView.h"
#include "app/dialogs/PrintFormExtensionFUnit.h"
#include "engine/Childwin.h"
#include "engine/DynaArray.h"
#include "platform/DbfTable.h"
#include "platform/PrinterInfo.h"
#include "platform/qt/QtPrinter.h"
#include "render/Printing.h"
#include "render/pdf/PDFExport.h"

#include <QAction>
#include <QDesktopServices>
#include <QMenu>
#include <QPrintDialog>
#include <QPrinter>
#include <QUrl>

#include <filesystem>

namespace quillet {

namespace {

QAction* printItem(QObject* parent, const char* name, const char* text)
{
    auto* a = new QAction(QString::fromLatin1(text), parent);
    a->setObjectName(QString::fromLatin1(name));
    return a;
}

int32_t rangeKind(QPrinter::PrintRange range)
{
    switch (range) {
    case QPrinter::Selection:
    case QPrinter::CurrentPage: return 1;
    case QPrinter::PageRange: return 2;
    default: return 0;
    }
}

} // namespace

void TMainForm::createPrintCommands()
{
    QAction* pdf = printItem(this, "PDFExport1", "PDF export...");
    QAction* print = printItem(this, "Drucken1", "Print");
    print->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    QAction* more = printItem(this, "DruckenerweitereOptionen1", "Print with more options...");
    connect(pdf, &QAction::triggered, this, [this] { guardedCommand([&] { PDFExport1Click(); }); });
    connect(print, &QAction::triggered, this, [this] { guardedCommand([&] { PrintOut(0); }); });
    connect(more, &QAction::triggered, this, [this] { guardedCommand([&] { PrintOut(1); }); });
    // After "Page view", before the separator that follows it.
    const QList<QAction*> items = FileMenu->actions();
    QAction* before = nullptr;
    for (qsizetype i = 0; i + 1 < items.size(); ++i)
        if (items[i]->objectName() == QLatin1String("SeitenansichtM1")) before = items[i + 1];
    FileMenu->insertAction(before, pdf);
    FileMenu->insertSeparator(before);
    FileMenu->insertAction(before, print);
    FileMenu->insertAction(before, more);
}

void TMainForm::PrintOut(uint8_t withOptions)
{
    TMDIChild* w = ActiveMDIChild();
    if (!w) return;
    const std::shared_ptr<DbfTable> table = State.MergeTable;
    const int32_t count = table && table->isOpen() ? table->recordCount() : 0;
    if (count > 0) w->CompleteRefresh();
    QtPrinter printer;
    if (!printerInfo().hasPrinter() || !printer.available()) {
        ShowInfoMessage(kNoPrinter);
        return;
    }
    QPrintDialog dialog(&printer.printer(), this);
    dialog.setOptions(QAbstractPrintDialog::PrintPageRange | QAbstractPrintDialog::PrintSelection |
                      QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintCollateCopies);
    dialog.setMinMax(1, std::max(1, w->GetAnzPages()));
    if (dialog.exec() != QDialog::Accepted) return;
    // A plain Print never takes an earlier run's reverse order or records:
    // only "Print with more options..." shows and sets them.
    PrintExtensionModel options;
    options.RecordCount = count;
    if (withOptions) {
        options.Reverse = PrintOptions.Reverse;
        options.Records = PrintOptions.Records;
        options.From = PrintOptions.From;
        options.To = PrintOptions.To;
        TPrintFormExtensionForm form(this);
        if (!ShowPrintFormExtensionForm(form, options)) return;
        PrintOptions = {options.Reverse, options.Records, options.From, options.To};
    }
    const std::vector<int32_t> records =
        count > 0 ? MailMergeRecords(options.Records, options.From, options.To, count) : std::vector<int32_t>{};
    const FrameBusy::Scope printing;
    PrintMailMerge(*w, printer, records, rangeKind(printer.printer().printRange()), printer.printer().fromPage(),
                   printer.printer().toPage(), options.PageFilter, options.Reverse ? 1 : 0);
}

void TMainForm::FastPrint(TMDIChild& w)
{
    // The frame's printer service decides whether there is a printer, so a
    // run without one says so instead of starting a job nowhere.
    if (!printerInfo().hasPrinter()) {
        ShowInfoMessage(kNoPrinter);
        return;
    }
    QtPrinter printer;
    const FrameBusy::Scope printing;
    FastPrinting(w, printer);
}

void TMainForm::PDFExport1Click()
{
    TMDIChild* w = ActiveMDIChild();
    if (!w) return;
    std::string name;
    if (!w->DocPath.empty()) name = std::filesystem::path(w->DocPath).replace_extension().string();
    int32_t index = 1;
    if (!Dialogs->getSaveFileName(this, "PDF files (*.pdf)|*.pdf", name, index) || name.empty()) return;
    if (index == 1 && std::filesystem::path(name).extension().empty()) name += ".PDF";
    // A file that could not be written has been reported; there is
    // nothing to show then.
    if (SavePDFFile(*w, name) && OpenExportedFile)
        OpenExportedFile(name);
}

} // namespace quillet
