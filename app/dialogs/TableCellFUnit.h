#pragma once
// Format cells ("Table cells"): the Qt view of TTableCellForm. The model
// does the dialog's work (slots, presets, hit zones, preview lines); the
// view forwards its widgets' events to it and shows what it holds.

#include "engine/TableDialogs.h"

#include <QDialog>
#include <QWidget>

#include <array>
#include <functional>

class QCheckBox;
class QDoubleSpinBox;
class QPushButton;
class QToolButton;

namespace quillet {

class TVelmoColorComboBox;

// The preview: the background, then the line of every pressed button.
class TCellPreview : public QWidget {
    Q_OBJECT
public:
    explicit TCellPreview(QWidget* parent = nullptr);
    TTableCellForm* Model = nullptr;
    std::function<void()> Changed;  // after a click toggled a button
    QSize sizeHint() const override { return {160, 120}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
};

class TTableCellView : public QDialog {
    Q_OBJECT
public:
    explicit TTableCellView(QWidget* parent = nullptr);

    // Shows the model's state; the widgets edit it from then on.
    void bind(TTableCellForm& model);
    // The buttons' and boxes' state from the model.
    void showModel();

    TTableCellForm* Model = nullptr;
    std::array<QToolButton*, 6> SpeedButtons{};
    std::array<QPushButton*, 7> BitBtns{};  // BitBtn3 .. BitBtn9
    QDoubleSpinBox* LineStarkEd = nullptr;
    TVelmoColorComboBox* LineCol = nullptr;
    TVelmoColorComboBox* BkCol = nullptr;
    QCheckBox* TranspCheck = nullptr;
    TCellPreview* PaintBox1 = nullptr;
    QPushButton* OkButton = nullptr;

private:
    bool Filling = false;
};

// Shows the dialog over `model` (the form kept for the run); true on OK.
bool ShowTableCellForm(TTableCellView& view, TTableCellForm& model);

} // namespace quillet
