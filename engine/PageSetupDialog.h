#pragma once
// The page setup dialog as a model: the document window fills it, the Qt
// view shows and edits it, and after OK the window reads it back. Lengths
// are centimetres, as the dialog shows them.

#include "platform/PrinterInfo.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace quillet {

struct TPageSetupForm {
    static constexpr const char* kCaption = "Page setup";
    static constexpr const char* kUserDefined = "User defined";
    static constexpr std::array<const char*, 4> kHeadFootModes = {
        "Equal on all pages", "Page 1", "Even/odd pages", "Page 1 and even/odd pages"};
    // Range and step of every length edit (cm).
    static constexpr double kMinCm = 0;
    static constexpr double kMaxCm = 100;
    static constexpr double kStepCm = 0.1;

    // The current printer's papers, in the driver's order.
    std::vector<PaperFormat> Papers;
    // Set while FormatBoxChange writes the size edits.
    uint8_t Updating = 0;

    // FormatBox: the paper names, then "User defined".
    std::vector<std::string> FormatItems;
    int32_t FormatIndex = -1;
    double BreitEd = 0;
    double HochEd = 0;
    uint8_t HochCheck = 1;   // "Portrait"
    uint8_t QuerCheck = 0;   // "Landscape"
    double TopEd = 0;
    double LeftEd = 0;
    double BottomEd = 0;
    double RightEd = 0;
    double HeadEd = 0;
    double FootEd = 0;
    int32_t headfootmode = 0;  // index into kHeadFootModes

    // Takes the printer's papers and refills FormatBox; "User defined" is selected.
    void setPapers(std::vector<PaperFormat> papers);
    int32_t userDefinedIndex() const { return int32_t(Papers.size()); }
    bool paperSelected() const { return FormatIndex >= 0 && FormatIndex < int32_t(Papers.size()); }

    void FormatBoxChange();
    void QuerCheckClick();
    void HochCheckClick();
    void BreitEdChange();
    void HochEdChange();
    void ChoosePaperFormat();
};

} // namespace quillet
