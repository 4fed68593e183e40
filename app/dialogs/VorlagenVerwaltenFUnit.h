#pragma once
// Manage templates: the active document's templates, renamed and deleted
// at once, or one chosen to use. The Qt view of VorlagenVerwaltenModel.

#include "engine/CharacterDialogs.h"

#include <QDialog>

class QListWidget;
class QPushButton;

namespace quillet {

class TRenameVorlageForm;

class TVorlagenVerwaltenForm : public QDialog {
    Q_OBJECT
public:
    // "Rename" asks for the name in `renameForm` (not owned).
    TVorlagenVerwaltenForm(TRenameVorlageForm& renameForm, QWidget* parent = nullptr);

    // The model the list shows and the buttons act on, for one showing.
    void setModel(VorlagenVerwaltenModel* model);

    QListWidget* ListBox1 = nullptr;
    QPushButton* UseButton = nullptr;
    QPushButton* CloseButton = nullptr;
    QPushButton* RenameButton = nullptr;
    QPushButton* DeleteButton = nullptr;

    void RenameClick();
    void DeleteClick();

private:
    void fillList();
    TRenameVorlageForm& RenameForm;
    VorlagenVerwaltenModel* Model = nullptr;
};

bool ShowVorlagenVerwaltenForm(TVorlagenVerwaltenForm& form, VorlagenVerwaltenModel& model);

} // namespace quillet
