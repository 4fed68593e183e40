#pragma once
// File > Page setup: the Qt view of TPageSetupForm. The model does the
// dialog's logic; the view writes every edit into it and shows it again.

#include "engine/PageSetupDialog.h"

#include <QDialog>

#include <array>

class QComboBox;
class QDoubleSpinBox;
class QPushButton;
class QRadioButton;
class QWidget;

namespace quillet {

class TPageSetupView : public QDialog {
    Q_OBJECT
public:
    explicit TPageSetupView(TPageSetupForm& model, QWidget* parent = nullptr);

    QComboBox* FormatBox = nullptr;
    QDoubleSpinBox* BreitEd = nullptr;
    QDoubleSpinBox* HochEd = nullptr;
    QRadioButton* HochCheck = nullptr;
    QRadioButton* QuerCheck = nullptr;
    QDoubleSpinBox* TopEd = nullptr;
    QDoubleSpinBox* LeftEd = nullptr;
    QDoubleSpinBox* BottomEd = nullptr;
    QDoubleSpinBox* RightEd = nullptr;
    QDoubleSpinBox* HeadEd = nullptr;
    QDoubleSpinBox* FootEd = nullptr;
    QComboBox* headfootmode = nullptr;
    QPushButton* okbtn = nullptr;
    QPushButton* cancelbtn = nullptr;

    // Shows the model's state in the controls.
    void showModel();

private:
    // A length edit and the model value it shows.
    struct LengthEdit {
        QDoubleSpinBox* Edit;
        double TPageSetupForm::*Value;
        // What the edit held after it last showed the model.
        double Shown = 0;
    };
    TPageSetupForm& Model;
    std::array<LengthEdit, 8> Lengths;
    bool Showing = false;
    void takeEdits();
};

// Shows the dialog filled from `model`; after OK the edited values are in
// `model` and the result is true. Cancel leaves `model` untouched.
bool ShowPageSetupForm(QWidget* parent, TPageSetupForm& model);

} // namespace quillet
