#pragma once
// TDBForm "Edit database": the mail-merge table in a grid, one row per
// record, with a navigator and "Back...". An edited cell is checked and
// posted at once; a refused value is named in the status line and the cell
// goes back to the stored value. The navigator moves through the records,
// adds a blank record at the end and deletes the current one (after asking);
// the table's deleted mark hides a deleted record from then on.

#include <QDialog>

class QLabel;
class QPushButton;
class QTableWidget;
class QTableWidgetItem;
class QWidget;

namespace quillet {

class DbfTable;

class TDBForm : public QDialog {
    Q_OBJECT
public:
    // `table` may be closed (or null): the grid is then empty and the
    // navigator disabled.
    TDBForm(QWidget* parent, DbfTable* table);

    QPushButton* First = nullptr;
    QPushButton* Prior = nullptr;
    QPushButton* Next = nullptr;
    QPushButton* Last = nullptr;
    QPushButton* Insert = nullptr;
    QPushButton* Delete = nullptr;
    QPushButton* BackBtn = nullptr;
    QTableWidget* DBGrid1 = nullptr;
    QLabel* StatusBar1 = nullptr;

    // Posts what the grid left pending.
    void FormClose();

private:
    void fill();
    void go(int row);
    void insertRecord();
    void deleteRecord();
    void cellEdited(QTableWidgetItem* item);
    void enableNavigator();

    DbfTable* Table = nullptr;
};

// Shows the form modally on `table`. The table's current record is the one
// selected when the form closes.
void ShowDBForm(QWidget* parent, DbfTable* table);

} // namespace quillet
