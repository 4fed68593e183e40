#pragma once
// The table dialogs as models: insert table, insert rows, insert columns
// and the cell format dialog. The caller fills a model, a view shows and
// edits it, and after OK the caller reads it back. The cell format model
// also carries the dialog's own behaviour (its buttons, presets and preview
// geometry), so the Qt view only forwards events and paints what it is told.

#include "engine/Records.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace quillet {

inline constexpr std::string_view kNoCellSelected = "No table cell has been selected!";

// Insert > Table ("Insert table"): preset to 2 x 2 at every showing.
struct TInsertTableForm {
    int32_t Columns = 2;  // ColAnzEd, 1..100
    int32_t Rows = 2;     // RowAnzEd, 1..10000
};
inline constexpr int32_t kInsertTableMaxColumns = 100;
inline constexpr int32_t kInsertTableMaxRows = 10000;

// "Insert rows": how many, and before or behind the cursor's row.
struct TInsertTableLinesForm {
    int32_t Rows = 1;     // RowAnzEd, 1..10000
    bool Before = true;   // RadioButton1 (else RadioButton2)
};

// "Spalten einfügen": how many columns, before or behind the cursor's column.
struct TInsertTableColsForm {
    int32_t Count = 1;    // ColAnzEd, 1..10000
    bool Before = true;
};

// One of the six border groups of the cell dialog.
struct CellBorderSlot {
    uint32_t Color = 0;
    double Width = 0.75;  // points
    uint8_t On = 0;
    uint8_t Set = 0;          // to be written on OK
    uint8_t Initialised = 0;  // a cell has put its values here during filling
    friend bool operator==(const CellBorderSlot&, const CellBorderSlot&) = default;
};

// Slot numbers as the dialog's toggle buttons are numbered.
enum CellSlot : int { csTop = 1, csInnerH = 2, csBottom = 3, csLeft = 4, csInnerV = 5, csRight = 6 };

// A line of the preview: its slot, ends in paint-box pixels, colour and pen.
struct CellPreviewLine {
    int Slot = 0;
    int32_t X0 = 0, Y0 = 0, X1 = 0, Y1 = 0;
    uint32_t Color = 0;
    int32_t PenWidth = 1;
    friend bool operator==(const CellPreviewLine&, const CellPreviewLine&) = default;
};

// The cell format dialog ("Table cells"). It lives for the run: a slot no
// selected cell uses keeps what it had at the previous showing.
struct TTableCellForm {
    std::array<CellBorderSlot, 6> Slots{};  // [slot - 1]
    std::array<bool, 6> Down{};             // SpeedButton1..6
    uint32_t LineColor = 0;                 // LineCol
    double LineWidth = 0.75;                // LineStarkEd, 0..10 step 0.25
    uint32_t Background = 0xFFFFFF;         // BkCol
    bool Transparent = true;                // TranspCheck
    bool TransparentEnabled = true;
    bool BackgroundChanged = false;
    int Repaints = 0;                       // preview repaints asked for

    CellBorderSlot& slot(int number) { return Slots[size_t(number - 1)]; }
    const CellBorderSlot& slot(int number) const { return Slots[size_t(number - 1)]; }

    // SpeedButton<n>Click: line colour, width and the button's state into
    // slot n, which is then to be written.
    void SpeedButtonClick(int number);
    // BitBtn3..BitBtn9: "Without", "Box", "All", "Grid", "Thin", "Thick",
    // "Very thick".
    void Preset(int bitBtn);
    void BkColChange(uint32_t color);
    void TranspCheckClick(bool checked);
    void LineColChange(uint32_t color);
    void LineStarkEdChange(double points);
    // The slot a press at (x, y) in a w x h preview toggles; 0 for none.
    static int SlotAt(int32_t x, int32_t y, int32_t w, int32_t h);
    // PaintBox1MouseDown: toggles that button and runs its click.
    void PaintBox1MouseDown(int32_t x, int32_t y, int32_t w, int32_t h);
    // What PaintBox1Paint draws over the background, for a w x h preview
    // on a screen of `dpi`.
    std::vector<CellPreviewLine> PreviewLines(int32_t w, int32_t h, int32_t dpi) const;
};

// Where the table dialogs show. Each returns true when closed with OK.
class TableDialogUi {
public:
    virtual ~TableDialogUi() = default;
    virtual bool runInsertTableDialog(TInsertTableForm&) { return false; }
    virtual bool runInsertTableLinesDialog(TInsertTableLinesForm&) { return false; }
    virtual bool runInsertTableColsDialog(TInsertTableColsForm&) { return false; }
    virtual bool runTableCellDialog(TTableCellForm&) { return false; }
    // The cell dialog's state, kept between showings.
    TTableCellForm CellForm;
};

} // namespace quillet
