#pragma once
// Format graphic: the Qt view of GrafikPropsModel. The two size edits
// follow each other through the model's handlers while the aspect is kept.

#include "engine/ObjectDialogs.h"

#include <QDialog>

class QCheckBox;
class QDoubleSpinBox;
class QPushButton;

namespace quillet {

class TGrafikPropsForm : public QDialog {
    Q_OBJECT
public:
    explicit TGrafikPropsForm(QWidget* parent = nullptr);

    void setModel(const GrafikPropsModel& model);
    const GrafikPropsModel& model() const { return Model; }

    QDoubleSpinBox* BreitEd = nullptr;
    QDoubleSpinBox* HochEd = nullptr;
    QCheckBox* SverHCheck = nullptr;
    QPushButton* SverhBtn = nullptr;
    QPushButton* OkButton = nullptr;
    QPushButton* CancelButton = nullptr;

private:
    // The edits show the model; the model is the dialog's state.
    void showModel();
    GrafikPropsModel Model;
};

bool ShowGrafikPropsForm(TGrafikPropsForm& form, GrafikPropsModel& model);

} // namespace quillet
