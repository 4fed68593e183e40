#pragma once
// The character dialog, the special-character dialog and the two template
// dialogs as models: the document window fills one, its Qt view shows and
// edits it, and after OK the window reads it back. The window reaches the
// views through CharacterDialogsUi, which the frame implements beside its
// FrameUi; tests answer with their own.

#include "engine/Records.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillet {

// ---- Characters ------------------------------------------------------------

// What the character dialog shows and what the user changed in it.
struct ZeichenFormatModel {
    static constexpr const char* kCaption = "Characters";
    static constexpr std::array<const char*, 18> kSizes = {
        "6", "7", "8", "9", "10", "11", "12", "14", "16", "18", "20", "24", "28", "30", "36", "48", "64", "72"};
    // Item i is option bit i; items 0..3 are also the style bits.
    static constexpr std::array<const char*, 14> kAttributes = {
        "Bold", "Italic", "Underline", "Strikeout", "Underline only words", "Double underline",
        "Shaded", "Framed", "Superscript", "Subscript", "Small caps", "Capital letters",
        "No capital letters", "No hyphenation"};
    static constexpr size_t kOptionFlags = 20;
    // Sizes a character may take, in points.
    static constexpr double kMinSize = 1;
    static constexpr double kMaxSize = 999;
    static constexpr uint32_t kWhite = 0xFFFFFF;

    // The components' values.
    std::string fontbox;            // face name, as the document names it
    std::string FontSize;           // the size box's text
    std::array<uint8_t, kAttributes.size()> attrlist{};  // checked
    uint32_t col1 = 0;              // text colour
    uint32_t col2 = kWhite;         // background colour
    uint32_t col3 = 0x00FFFF;       // border ("Framed") colour
    uint32_t col4 = 0x808080;       // shadow colour
    uint8_t transcheck = 1;         // "Transparent"
    uint8_t transcheckEnabled = 1;  // only while the background is white

    // Change tracking: recorded only while armed.
    uint8_t Armed = 0;
    uint8_t FaceChanged = 0, SizeChanged = 0, ColorChanged = 0;
    uint8_t BoldChanged = 0, ItalicChanged = 0, UnderlineChanged = 0, StrikeoutChanged = 0;
    uint8_t BkChanged = 0, ShadowChanged = 0, OutlineChanged = 0;
    std::array<uint8_t, kOptionFlags> OptionChanged{};
    std::array<uint8_t, kAttributes.size()> CheckedAtShow{};

    // The handlers the view calls after it wrote the component's new value.
    void fontboxChange();
    void FontSizeChange();
    void col1Change();
    void col2Change();
    void transcheckClick();
    void col3Change();
    void col4Change();
    void attrlistClickCheck();

    // Disarmed, every change flag cleared, filled from `state`, the checked
    // states recorded, armed again: the dialog as the character command shows it.
    void fill(const CurrentFontState& state);
    // The size the box holds: a number in kMinSize..kMaxSize, written with a
    // point or a comma; nothing otherwise.
    std::optional<double> size() const;
};

// ---- Special characters ---------------------------------------------------------

struct SonderzeichenModel {
    static constexpr const char* kCaption = "Special characters";
    static constexpr int32_t kColumns = 16;
    static constexpr int32_t kRows = 14;
    static constexpr int32_t kFirstCode = 32;
    static constexpr int32_t kCellPixels = 20;
    // The grid draws at this zoom of a 72 pt font; the preview at 100.
    static constexpr double kGridZoom = 18;
    static constexpr double kPreviewSize = 72;

    std::string FontName = "Times New Roman";
    uint8_t Char = ' ';
    // Set while the form moves the grid itself: the move chooses nothing.
    uint8_t Busy = 0;

    static uint8_t codeOfCell(int32_t column, int32_t row)
    {
        return uint8_t(kFirstCode + column + kColumns * row);
    }
    // The cell of the chosen character (codes below 32 give the first cell).
    int32_t cellColumn() const { return Char < kFirstCode ? 0 : (Char - kFirstCode) % kColumns; }
    int32_t cellRow() const { return Char < kFirstCode ? 0 : (Char - kFirstCode) / kColumns; }
    std::string labelText() const { return "Character: " + std::to_string(Char); }
    // StringGrid1SelectCell: a cell outside the grid or a move while busy
    // chooses nothing.
    void selectCell(int32_t column, int32_t row)
    {
        if (Busy || column < 0 || column >= kColumns || row < 0 || row >= kRows) return;
        Char = codeOfCell(column, row);
    }
};

// ---- Templates ---------------------------------------------------------------

struct RenameVorlageModel {
    static constexpr const char* kCaption = "Rename template";
    std::string Edit1;
    bool okEnabled() const { return !Edit1.empty(); }
};

class TMDIChild;

// The manage-templates dialog works on the document's style list itself:
// Rename and Delete take effect at once, "Use" closes with OK.
struct VorlagenVerwaltenModel {
    static constexpr const char* kCaption = "Manage templates";
    explicit VorlagenVerwaltenModel(TMDIChild& window) : Window(window) {}
    TMDIChild& Window;
    int32_t Selected = -1;  // ListBox1's selection

    // The list's entries: the document's style names.
    std::vector<std::string> names() const;
    // Filled on showing: the first entry selected.
    void FormShow();
    bool hasSelection() const;
    std::string selectedName() const;
    // Renames the selected style (cut to 255 characters); an empty name or
    // no selection does nothing.
    void rename(const std::string& name);
    // Removes the selected style; the selection stays on the same row, or
    // the one above when the last row went.
    void deleteSelected();
};

class CharacterDialogsUi {
public:
    virtual ~CharacterDialogsUi() = default;
    // Each shows its dialog modally; true when it was closed with OK.
    virtual bool runZeichenFormatDialog(ZeichenFormatModel& model) = 0;
    virtual bool runSonderzeichenDialog(SonderzeichenModel& model) = 0;
    virtual bool runRenameVorlageDialog(RenameVorlageModel& model) = 0;
    virtual bool runVorlagenVerwaltenDialog(VorlagenVerwaltenModel& model) = 0;
};

// The window's frame as the one who shows these dialogs; null when the
// frame shows none (a headless window).
CharacterDialogsUi* characterDialogsOf(TMDIChild& window);

} // namespace quillet
