#pragma once
// Format > Field/Page/Object: the Qt view of FeldFormatModel.

#include "engine/ObjectDialogs.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace quillet {

class TVelmoColorComboBox;

class TFeldFormatForm : public QDialog {
    Q_OBJECT
public:
    explicit TFeldFormatForm(QWidget* parent = nullptr);

    // Fills the edits (values outside their ranges at the nearest limit) and
    // shows or hides the position and text flow pages.
    void setModel(const FeldFormatModel& model);
    // The values as edited; an edit the user left alone gives back the
    // model's own value, so OK without changes moves nothing.
    FeldFormatModel model() const;

    QTabWidget* Pages = nullptr;
    QDoubleSpinBox *posx = nullptr, *posy = nullptr, *breit = nullptr, *hoch = nullptr;
    QComboBox* ShowOn = nullptr;
    QCheckBox* verschieb = nullptr;
    QCheckBox* SverhCheck = nullptr;
    QCheckBox* umbr = nullptr;
    std::array<QRadioButton*, 4> umt{};
    QDoubleSpinBox *AbstandED = nullptr, *AbstandYEd = nullptr;
    QDoubleSpinBox *randl = nullptr, *rando = nullptr, *randr = nullptr, *randu = nullptr;
    QDoubleSpinBox* LineStarkEd = nullptr;
    TVelmoColorComboBox* LineCol = nullptr;
    TVelmoColorComboBox* BkCol = nullptr;
    QCheckBox* TranspCheck = nullptr;
    QPushButton* OkButton = nullptr;
    QPushButton* CancelButton = nullptr;

    void BkColChange();

private:
    FeldFormatModel Given;   // as filled
    FeldFormatModel Shown;   // what the edits showed then
};

bool ShowFeldFormatForm(TFeldFormatForm& form, FeldFormatModel& model);

} // namespace quillet
