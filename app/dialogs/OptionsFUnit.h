#pragma once
// Extras > Options: the Qt view of OptionsDialogModel.

#include "engine/OptionsDialog.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QWidget;

namespace quillet {

class TOptionsForm : public QDialog {
    Q_OBJECT
public:
    explicit TOptionsForm(QWidget* parent = nullptr);

    // Values outside the edits' ranges are pulled into them.
    void setModel(const OptionsDialogModel& model);
    OptionsDialogModel model() const;

    QTabWidget* Pages = nullptr;
    // "General"
    QComboBox* ComboBox1 = nullptr;
    QCheckBox* helplinescheck = nullptr;
    QSpinBox* UndoEd = nullptr;
    QSpinBox* LastOpenEd = nullptr;
    QGroupBox* NotPrintableGroup = nullptr;
    QCheckBox* tabcheck = nullptr;
    QCheckBox* leercheck = nullptr;
    QCheckBox* absatzcheck = nullptr;
    QCheckBox* AllCheck = nullptr;
    // "User information"
    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    // "Save"
    QCheckBox* AutoSaveCheck = nullptr;
    QSpinBox* SaveTimeEd = nullptr;
    QCheckBox* BackUpCheck = nullptr;

    QPushButton* OkButton = nullptr;
    QPushButton* CancelButton = nullptr;
};

// Shows the dialog filled from `model`; after OK the edited values are in
// `model` and the result is true. Cancel leaves `model` untouched.
bool ShowOptionsForm(TOptionsForm& form, OptionsDialogModel& model);

} // namespace quillet
