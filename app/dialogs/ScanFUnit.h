#pragma once
// The scanner's two dialogs: the device chooser, and the scan itself with
// a progress box whose Cancel stops it. SANE blocks while the device
// works, so the scan runs on a worker thread while the box keeps the
// program responsive; the document is touched only afterwards, on the
// user-interface thread.

#include "platform/Scanner.h"

#include <QDialog>

#include <vector>

class QListWidget;
class QPushButton;

namespace quillet {

class TScannerChoiceForm : public QDialog {
    Q_OBJECT
public:
    explicit TScannerChoiceForm(QWidget* parent = nullptr);
    void setDevices(const std::vector<ScanDevice>& devices, int32_t chosen);
    int32_t chosen() const;

    QListWidget* DeviceList = nullptr;
    QPushButton* OkButton = nullptr;
    QPushButton* CancelButton = nullptr;
};

bool ShowScannerChoice(TScannerChoiceForm& form, const std::vector<ScanDevice>& devices, int32_t& chosen);

// Scans one page from `device`; returns when the scan ended, was cancelled
// or failed.
ScanResult RunScanWithProgress(QWidget* parent, ScannerSource& source, const std::string& device);

} // namespace quillet
