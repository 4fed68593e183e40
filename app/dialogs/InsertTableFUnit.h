#pragma once
// The Qt views of the insert table, insert rows and insert columns dialogs
// (models in engine/TableDialogs.h). Each is preset from the model at every
// showing; after OK the model holds what was entered.

#include "engine/TableDialogs.h"

#include <QDialog>

class QPushButton;
class QRadioButton;
class QSpinBox;

namespace quillet {

class TInsertTableView : public QDialog {
    Q_OBJECT
public:
    explicit TInsertTableView(QWidget* parent = nullptr);
    QSpinBox* ColAnzEd = nullptr;
    QSpinBox* RowAnzEd = nullptr;
    QPushButton* OkButton = nullptr;
};

// The rows and the columns dialogs look alike: a count and before/behind.
class TInsertTableLinesView : public QDialog {
    Q_OBJECT
public:
    // `columns` makes the insert columns dialog.
    explicit TInsertTableLinesView(bool columns, QWidget* parent = nullptr);
    QSpinBox* CountEd = nullptr;  // RowAnzEd, or ColAnzEd for columns
    QRadioButton* RadioButton1 = nullptr;
    QRadioButton* RadioButton2 = nullptr;
    QPushButton* OkButton = nullptr;
};

bool ShowInsertTableForm(TInsertTableView& view, TInsertTableForm& model);
bool ShowInsertTableLinesForm(TInsertTableLinesView& view, TInsertTableLinesForm& model);
bool ShowInsertTableColsForm(TInsertTableLinesView& view, TInsertTableColsForm& model);

} // namespace quillet
