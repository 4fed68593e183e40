#pragma once
// TDBForm "Edit database": the mail-merge table in a grid, one row per
// record, with a navigator and "Back...". An edited cell is checked and
// posted at once; a refused value is named in the status line and the cell
// goes back to the stored value.

class QWidget;

namespace quillet {

class DbfTable;

// Shows the form on `table` (which may be closed: the grid is then empty).
// The table's current record is the one selected when the form closes.
void ShowDBForm(QWidget* parent, DbfTable* table);

} // namespace quillet
