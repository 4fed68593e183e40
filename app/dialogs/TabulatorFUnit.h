#pragma once
// Format > Tab stops: the Qt view of TabulatorDialogModel. The position list
// is an edit field over an always visible list; the two radio groups keep
// their choice from one showing to the next.

#include "engine/AbsatzDialogs.h"

#include <QDialog>

class QButtonGroup;
class QDoubleSpinBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QWidget;

namespace quillet {

class TTabulatorForm : public QDialog {
    Q_OBJECT
public:
    explicit TTabulatorForm(QWidget* parent = nullptr);

    void setModel(const TabulatorDialogModel& model);
    TabulatorDialogModel model() const;

    QDoubleSpinBox* StTabEd = nullptr;
    // ComboBox1: its edit field and its list.
    QLineEdit* ComboBox1Edit = nullptr;
    QListWidget* ComboBox1List = nullptr;
    QGroupBox* RadioGroup1 = nullptr;
    QButtonGroup* RadioGroup1Buttons = nullptr;
    QGroupBox* RadioGroup2 = nullptr;
    QButtonGroup* RadioGroup2Buttons = nullptr;
    QPushButton* AddBtn = nullptr;
    QPushButton* DelBtn = nullptr;
    QPushButton* DelAllBtn = nullptr;
    QPushButton* OkButton = nullptr;
    QPushButton* CancelButton = nullptr;

private:
    TabulatorDialogModel Model;
    double StTabShown = 0;
    // Shows the list, the selection, the edit text and the radio choices.
    void showModel();
    void okClicked();
};

// Shows the dialog filled from `model`, with the radio choices the form kept
// from its last showing; after OK (with input the model's check accepts) the
// edited values are in `model` and the result is true. Cancel leaves
// `model` untouched.
bool ShowTabulatorForm(TTabulatorForm& form, TabulatorDialogModel& model);

} // namespace quillet
