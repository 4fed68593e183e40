#pragma once
// The spell-check dialog (the Qt view of SpellCheckModel) and the
// paste-special dialog (InsertContentModel).

#include "engine/ClipboardDialog.h"
#include "engine/SpellCheckDialog.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QListWidget;

namespace quillet {

class TSpellCheckForm : public QDialog {
    Q_OBJECT
public:
    explicit TSpellCheckForm(QWidget* parent = nullptr);
    void setModel(const SpellCheckModel& model);
    // The replacement as the box shows it.
    std::string replacement() const;

    QLineEdit* unknowned = nullptr;
    QComboBox* vorschlagbox = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
};

// The pressed button's result code; the replacement text is in `model`.
int32_t ShowSpellCheckForm(QWidget* parent, SpellCheckModel& model);

// TInsertContentForm: true on OK with a row selected (model.Selected).
bool ShowInsertContentForm(QWidget* parent, InsertContentModel& model);

} // namespace quillet
