#pragma once
// Format > Columns: the Qt view of SpaltenDialogModel.

#include "engine/ColumnsDialog.h"

#include <QDialog>

class QCheckBox;
class QDoubleSpinBox;
class QPushButton;
class QSpinBox;
class QWidget;

namespace quillet {

class TSpaltenForm : public QDialog {
    Q_OBJECT
public:
    explicit TSpaltenForm(QWidget* parent = nullptr);

    // Values outside the edits' ranges are pulled into them.
    void setModel(const SpaltenDialogModel& model);
    SpaltenDialogModel model() const;

    QSpinBox* SpAnzEd = nullptr;
    QCheckBox* linecheck = nullptr;
    QDoubleSpinBox* AbstEd = nullptr;
    QPushButton* OkButton = nullptr;
    QPushButton* CancelButton = nullptr;
};

// Shows the dialog filled from `model`; after OK the edited values are in
// `model` and the result is true. Cancel leaves `model` untouched.
bool ShowSpaltenForm(TSpaltenForm& form, SpaltenDialogModel& model);

} // namespace quillet
