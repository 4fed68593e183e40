#pragma once
// The paragraph, tab stop and numbering dialogs as models: the document
// window fills one from the cursor's paragraph, its Qt view shows and edits
// it, and after OK the window checks it and writes it back. The window
// reaches the views through ParagraphDialogUi, which the frame implements
// beside its FrameUi; tests answer with their own.
//
// Lengths in the models are centimetres, as the dialogs show them; the
// document holds millimetres.

#include "engine/Records.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillet {

// Narrowest text a change of the indents may leave a paragraph (mm).
inline constexpr double kMinParagraphRoomMm = 5.0;

// ---- Paragraph ---------------------------------------------------------------

struct AbsatzDialogModel {
    static constexpr const char* kCaption = "Paragraph format";
    static constexpr std::array<const char*, 4> kAusrichtItems = {"Left", "Center", "Right", "Left and Right"};
    static constexpr std::array<const char*, 6> kZeilenabtItems = {
        "Single line spaceing", "1.5 x line spacing", "Double line spacing", "Minimum", "Exactly", "Multiple"};
    // Ranges and steps of the edits.
    static constexpr double kMassedMax = 1000;
    static constexpr double kMassedStep = 0.5;
    static constexpr double kSpacingMaxCm = 1000;
    static constexpr double kIndentLimitCm = 1e6;
    static constexpr double kStepCm = 0.1;

    int32_t Ausricht = 0;    // alignment 0..3
    int32_t Zeilenabt = 0;   // index into kZeilenabtItems
    double massed = 1;       // factor (items 0..2, 5) or mm (items 3, 4)
    double aboben = 0;       // spacing above (cm)
    double abunten = 0;      // spacing below (cm)
    double ezlinks = 0;      // left indent (cm)
    double ezrechts = 0;     // right indent (cm)
    double ezlinksfl = 0;    // first-line indent (cm)
    std::string Label4 = "mm";  // unit of massed

    // Not shown. The narrowest text column among the paragraphs the command
    // writes (mm; 0 = unknown), and the indents as filled: only a change of
    // the indents is held against the room they leave.
    double TextWidthMm = 0;
    double FilledLeft = 0, FilledRight = 0, FilledFirst = 0;

    // The handlers the view calls after it wrote the control's new value;
    // what they set from code runs no other handler.
    void ZeilenabtChange();
    void massedChange();
};

AbsatzDialogModel AbsatzDialogFromFormat(const AbsatzFormat& para, double textWidthMm);
// Why OK may not take the input (empty: it may).
std::string AbsatzDialogCheck(const AbsatzDialogModel& m);
// Writes the dialog's fields into `para`; the others stay.
void AbsatzDialogApply(const AbsatzDialogModel& m, AbsatzFormat& para);

// ---- Tab stops -----------------------------------------------------------------

struct TabulatorDialogModel {
    static constexpr const char* kCaption = "Tab stops";
    static constexpr std::array<const char*, 4> kJustifyItems = {"Left", "Center", "Right", "Decimal separator"};
    static constexpr std::array<const char*, 4> kFillItems = {"1) none", "2) --------", "3) ........", "4) ____"};
    static constexpr double kStTabMinCm = 0.02;
    static constexpr double kStTabMaxCm = 100;
    static constexpr double kStepCm = 0.1;
    static constexpr double kMaxPositionCm = 100;
    static constexpr const char* kNotANumber = "Invalid value for a tab stop. Please enter a numeric value!";
    static constexpr const char* kOutOfRange = "Invalid value for a tab stop (value range: x>0; x<=100 cm).";

    // One entry of the working list, parallel to the position list.
    struct Entry {
        int32_t Kind = 0;
        int32_t Leader = 0;
        friend bool operator==(const Entry&, const Entry&) = default;
    };

    double StTabEd = 1.25;            // default tab step (cm)
    std::vector<std::string> Items;   // ComboBox1's list: positions as text
    std::vector<Entry> Working;
    int32_t ItemIndex = -1;           // the list's selection; -1 none
    std::string EditText;             // ComboBox1's edit field
    // The view keeps these between showings and writes them here when it
    // shows the dialog.
    int32_t RadioGroup1 = 0;          // kind
    int32_t RadioGroup2 = 0;          // leader
    // The locale's decimal separator, for the positions' texts.
    char DecimalSeparator = '.';

    // Not shown. Where a tab stop can still be reached (mm; 0 = unknown),
    // and the positions the paragraph had: those are kept even beyond it.
    double TextWidthMm = 0;
    std::vector<TabStop> Filled;
    double FilledStTab = 1.25;

    // The handlers. Both ComboBox1Change and the radio handlers do nothing
    // without a selected item.
    void ComboBox1Change();
    void RadioGroup1Click();
    void RadioGroup2Click();
    // "Set": refused input shows its message and leaves the list; true when
    // the list took the value.
    bool AddBtnClick();
    void DelBtnClick();
    void DelAllBtnClick();

    // A position text as a number: the locale's separator or a point,
    // finite; nothing otherwise.
    std::optional<double> parse(const std::string& text) const;
    std::string format(double cm) const;
    // The message for `text` as a new position; empty when it is usable.
    std::string positionProblem(const std::string& text) const;
};

TabulatorDialogModel TabulatorDialogFromFormat(const AbsatzFormat& para, double textWidthMm,
                                               char decimalSeparator);
std::string TabulatorDialogCheck(const TabulatorDialogModel& m);
// Default step and the tab stops in list order.
void TabulatorDialogApply(const TabulatorDialogModel& m, AbsatzFormat& para);

// ---- Bullets and numbering ---------------------------------------------------------

struct NummerierungDialogModel {
    static constexpr const char* kCaption = "Numeration";
    static constexpr const char* kDefaultFace = "Wingdings";
    static constexpr double kIndentMinCm = 0.0001;
    static constexpr double kIndentMaxCm = 100;
    static constexpr double kStepCm = 0.1;
    static constexpr uint8_t kStandardBullet = 159;

    // RadioButton1 "No" (0), RadioButton3 "List" (1), RadioButton2 "Numeration" (2).
    int32_t Kind = 0;
    double AufzEzEd = 0;     // list indent (cm)
    std::string Edit1;       // the list character: none or one Windows-1252 byte
    std::string Edit1Font = kDefaultFace;

    // Not shown: the room check for a changed list indent.
    double TextWidthMm = 0;
    double FirstLineStartMm = 0;  // left plus first-line indent
    double RightIndentMm = 0;
    double FilledIndentCm = 0;
};

NummerierungDialogModel NummerierungDialogFromFormat(const AbsatzFormat& para, double textWidthMm);
std::string NummerierungDialogCheck(const NummerierungDialogModel& m);
void NummerierungDialogApply(const NummerierungDialogModel& m, AbsatzFormat& para);

// ---- How the window shows them ------------------------------------------------------

class ParagraphDialogUi {
public:
    virtual ~ParagraphDialogUi() = default;
    // Each shows its dialog modally; true when it was closed with OK.
    virtual bool runAbsatzDialog(AbsatzDialogModel& model) = 0;
    virtual bool runTabulatorDialog(TabulatorDialogModel& model) = 0;
    virtual bool runNummerierungDialog(NummerierungDialogModel& model) = 0;
    // The locale's decimal separator for the tab stop positions.
    virtual char decimalSeparator() const { return '.'; }
};

} // namespace quillet
