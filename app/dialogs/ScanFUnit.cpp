// Choosing a scanner and scanning with a progress box.

#include "app/dialogs/ScanFUnit.h"

#include "app/dialogs/OkCancelButtons.h"

#include <QEventLoop>
#include <QHBoxLayout>
#include <QListWidget>
#include <QProgressDialog>
#include <QVBoxLayout>

#include <atomic>
#include <thread>

namespace quillet {

TScannerChoiceForm::TScannerChoiceForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Select scanner"));
    setModal(true);
    DeviceList = new QListWidget(this);
    DeviceList->setObjectName(QStringLiteral("DeviceList"));
    auto* buttons = new QHBoxLayout;
    const OkCancelButtons okCancel = addOkCancelButtons(*this, *buttons);
    OkButton = okCancel.Ok;
    CancelButton = okCancel.Cancel;
    connect(DeviceList, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(DeviceList);
    outer->addLayout(buttons);
}

void TScannerChoiceForm::setDevices(const std::vector<ScanDevice>& devices, int32_t chosen)
{
    DeviceList->clear();
    for (const ScanDevice& d : devices) DeviceList->addItem(QString::fromStdString(d.label()));
    if (chosen >= 0 && chosen < DeviceList->count()) DeviceList->setCurrentRow(chosen);
}

int32_t TScannerChoiceForm::chosen() const { return DeviceList->currentRow(); }

bool ShowScannerChoice(TScannerChoiceForm& form, const std::vector<ScanDevice>& devices, int32_t& chosen)
{
    form.setDevices(devices, chosen);
    if (form.exec() != QDialog::Accepted || form.chosen() < 0) return false;
    chosen = form.chosen();
    return true;
}

ScanResult RunScanWithProgress(QWidget* parent, ScannerSource& source, const std::string& device)
{
    std::atomic<bool> cancel{false};
    ScanResult result;
    QEventLoop loop;
    QProgressDialog progress(QStringLiteral("Scanning..."), QStringLiteral("Cancel"), 0, 0, parent);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    QObject::connect(&progress, &QProgressDialog::canceled, &loop, [&cancel] { cancel = true; });
    std::thread worker([&] {
        try {
            result = source.scan(device, &cancel);
        } catch (...) {
            result = ScanResult();
            result.Message = "The scan failed.";
        }
        // Queued: the loop quits even if it starts after this.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    progress.show();
    loop.exec();
    worker.join();
    return result;
}

} // namespace quillet
