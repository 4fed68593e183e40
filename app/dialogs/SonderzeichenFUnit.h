#pragma once
// Insert > Special character: the Qt view of SonderzeichenModel. A grid of
// the codes 32..255 in the chosen face, a preview of the chosen character,
// and the face to choose from.

#include "engine/CharacterDialogs.h"

#include <QDialog>
#include <QWidget>

class QFontComboBox;
class QLabel;
class QPushButton;
class QTimer;

namespace quillet {

// DrawGrid1: 16 x 14 cells of 20 x 20 pixels, each drawn white with its
// character at the top left, the current cell inverted.
class TCharacterGrid : public QWidget {
    Q_OBJECT
public:
    explicit TCharacterGrid(QWidget* parent = nullptr);
    QSize sizeHint() const override;
    void setFace(const std::string& face);
    int currentColumn() const { return Column; }
    int currentRow() const { return Row; }
    // Moves the current cell and reports it as cellSelected.
    void setCurrentCell(int column, int row);
    // The cell under a point of the widget; false outside the cells.
    bool cellAt(const QPoint& p, int& column, int& row) const;

signals:
    void cellSelected(int column, int row);
    void cellDoubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::string Face;
    int Column = 0;
    int Row = 0;
};

class TSonderzeichenForm : public QDialog {
    Q_OBJECT
public:
    explicit TSonderzeichenForm(QWidget* parent = nullptr);

    void setModel(const SonderzeichenModel& model);
    const SonderzeichenModel& model() const { return Model; }

    QFontComboBox* FontComboBox1 = nullptr;
    TCharacterGrid* DrawGrid1 = nullptr;
    QWidget* PaintBox1 = nullptr;
    QLabel* Label2 = nullptr;
    QTimer* Timer1 = nullptr;
    QPushButton* OkButton = nullptr;
    QPushButton* CancelButton = nullptr;

    void FormActivate();
    void Timer1Timer();
    void Edit1Change();

protected:
    void showEvent(QShowEvent* event) override;

private:
    SonderzeichenModel Model;
};

bool ShowSonderzeichenForm(TSonderzeichenForm& form, SonderzeichenModel& model);

} // namespace quillet
