#pragma once
// Format > Paragraph: the Qt view of AbsatzDialogModel. The model does the
// dialog's logic; the view writes each control's change into it and shows
// what the handler set.

#include "engine/AbsatzDialogs.h"

#include <QDialog>

#include <array>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QWidget;

namespace quillet {

class TAbsatzForm : public QDialog {
    Q_OBJECT
public:
    explicit TAbsatzForm(QWidget* parent = nullptr);

    // Shows the model; values outside an edit's range show at its limit,
    // yet an edit the user leaves alone keeps the model's value.
    void setModel(const AbsatzDialogModel& model);
    // The model with the controls' values taken over.
    AbsatzDialogModel model() const;

    QComboBox* Ausricht = nullptr;
    QComboBox* Zeilenabt = nullptr;
    QDoubleSpinBox* massed = nullptr;
    QLabel* Label4 = nullptr;
    QDoubleSpinBox* aboben = nullptr;
    QDoubleSpinBox* abunten = nullptr;
    QDoubleSpinBox* ezlinks = nullptr;
    QDoubleSpinBox* ezrechts = nullptr;
    QDoubleSpinBox* ezlinksfl = nullptr;
    QPushButton* OkButton = nullptr;
    QPushButton* CancelButton = nullptr;

private:
    struct LengthEdit {
        QDoubleSpinBox* Edit;
        double AbsatzDialogModel::*Value;
        double Shown = 0;
    };
    AbsatzDialogModel Model;
    std::array<LengthEdit, 5> Lengths;
    double MassedShown = 0;
    void showSpacing();
    void okClicked();
};

// Shows the dialog filled from `model`; after OK (with input the model's
// check accepts) the edited values are in `model` and the result is true.
// Cancel leaves `model` untouched.
bool ShowAbsatzForm(TAbsatzForm& form, AbsatzDialogModel& model);

} // namespace quillet
