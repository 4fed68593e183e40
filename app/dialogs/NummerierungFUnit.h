#pragma once
// Format > Numeration: the Qt view of NummerierungDialogModel. The list
// character is a one-character edit shown in the bullet's font; the button
// beside it lets the user pick the character from a character table.

#include "engine/AbsatzDialogs.h"

#include <QDialog>

#include <cstdint>
#include <functional>
#include <string>

class QDoubleSpinBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;
class QWidget;

namespace quillet {

class TNummerierungForm : public QDialog {
    Q_OBJECT
public:
    explicit TNummerierungForm(QWidget* parent = nullptr);

    void setModel(const NummerierungDialogModel& model);
    NummerierungDialogModel model() const;

    // The character table behind SpeedButton1: given the edit's font and,
    // when the edit holds one, its character (else 0); true on OK with the
    // chosen font and character written back. Unset, the button is off.
    std::function<bool(std::string& face, uint8_t& code)> chooseCharacter;

    QGroupBox* KindGroup = nullptr;
    QRadioButton* RadioButton1 = nullptr;  // "No"
    QRadioButton* RadioButton3 = nullptr;  // "List"
    QRadioButton* RadioButton2 = nullptr;  // "Numeration"
    QDoubleSpinBox* AufzEzEd = nullptr;
    QLineEdit* Edit1 = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QPushButton* OkButton = nullptr;
    QPushButton* CancelButton = nullptr;

    // The face Edit1 shows its character in.
    std::string edit1Font() const { return Edit1Font; }

private:
    NummerierungDialogModel Model;
    double IndentShown = 0;
    std::string Edit1Font;
    void setEdit1(const std::string& face, const std::string& ansiChar);
    void speedButtonClicked();
    void okClicked();

protected:
    void showEvent(QShowEvent* event) override;
};

bool ShowNummerierungForm(TNummerierungForm& form, NummerierungDialogModel& model);

} // namespace quillet
