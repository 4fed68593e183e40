#pragma once
// The name of a new or renamed template: the Qt view of RenameVorlageModel.

#include "engine/CharacterDialogs.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace quillet {

class TRenameVorlageForm : public QDialog {
    Q_OBJECT
public:
    explicit TRenameVorlageForm(QWidget* parent = nullptr);

    void setModel(const RenameVorlageModel& model);
    RenameVorlageModel model() const;

    QLineEdit* Edit1 = nullptr;
    QPushButton* okbtn = nullptr;
    QPushButton* CancelButton = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
};

bool ShowRenameVorlageForm(TRenameVorlageForm& form, RenameVorlageModel& model);

} // namespace quillet
