#pragma once
// "Print with more options...": page filter, reverse order and the
// mail-merge records to print, shown after the print dialog.

#include <QDialog>

#include <cstdint>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace quillet {

struct PrintExtensionModel {
    int32_t PageFilter = 0;   // 0 all pages, 1 odd, 2 even
    bool Reverse = false;
    int32_t Records = 0;      // 0 the record shown, 1 all records, 2 From..To
    int32_t From = 1, To = 1;
    // Records of the bound table; the record choices are enabled only when
    // there are some, and From and To stay inside 1..RecordCount.
    int32_t RecordCount = 0;
};

class TPrintFormExtensionForm : public QDialog {
    Q_OBJECT
public:
    explicit TPrintFormExtensionForm(QWidget* parent = nullptr);

    void setModel(const PrintExtensionModel& model);
    PrintExtensionModel model() const;
    // A click or change in either record number chooses "Data sets:".
    void VonEdClick();

    QComboBox* PrintCombo = nullptr;
    QCheckBox* inverscheck = nullptr;
    QGroupBox* FormLetter = nullptr;
    QRadioButton* Ser1 = nullptr;
    QRadioButton* Ser2 = nullptr;
    QRadioButton* Ser3 = nullptr;
    QSpinBox* VonEd = nullptr;
    QSpinBox* BisEd = nullptr;
    QPushButton* OkButton = nullptr;
    QPushButton* CancelButton = nullptr;

private:
    int32_t RecordCount = 0;
};

// Shows the dialog filled from `model`; after OK the choices are in `model`
// and the result is true. Cancel leaves `model` untouched.
bool ShowPrintFormExtensionForm(TPrintFormExtensionForm& form, PrintExtensionModel& model);

} // namespace quillet
