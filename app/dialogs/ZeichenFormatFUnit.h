#pragma once
// Format > Characters: the Qt view of ZeichenFormatModel. Every change the
// user makes goes to the model's handler, which records it while armed.

#include "engine/CharacterDialogs.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QListWidget;
class QPushButton;

namespace quillet {

class TVelmoColorComboBox;

class TZeichenFormatForm : public QDialog {
    Q_OBJECT
public:
    explicit TZeichenFormatForm(QWidget* parent = nullptr);

    // Shows the model's values (without running its handlers).
    void setModel(const ZeichenFormatModel& model);
    const ZeichenFormatModel& model() const { return Model; }

    QComboBox* fontbox = nullptr;
    QComboBox* FontSize = nullptr;
    QListWidget* attrlist = nullptr;
    TVelmoColorComboBox* col1 = nullptr;
    TVelmoColorComboBox* col2 = nullptr;
    TVelmoColorComboBox* col3 = nullptr;
    TVelmoColorComboBox* col4 = nullptr;
    QCheckBox* transcheck = nullptr;
    QPushButton* OkButton = nullptr;
    QPushButton* CancelButton = nullptr;

private:
    // OK: a size the user typed that no character may take is named in a
    // message and the dialog stays open.
    void okClick();
    ZeichenFormatModel Model;
};

// Shows the dialog filled from `model`; after OK the edited model with its
// change flags is in `model` and the result is true. Cancel leaves it alone.
bool ShowZeichenFormatForm(TZeichenFormatForm& form, ZeichenFormatModel& model);

} // namespace quillet
