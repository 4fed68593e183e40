#pragma once
// The dialogs of frames, drawing objects and pictures as models: the area
// properties (TFeldFormatForm), the picture size (TGrafikPropsForm), the
// picture file dialog, the scanner chooser and the scan itself. The
// document window fills a model, the frame's Qt view shows it, and the
// window reads it back after OK. Lengths are centimetres, as shown.

#include "platform/Dib.h"
#include "platform/Scanner.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace quillet {

class TMDIChild;

inline constexpr const char* kNoTextFieldSelected = "There is no text field selected!";
inline constexpr const char* kFieldAlreadyConnected = "This field is already connected!";
inline constexpr const char* kFieldLinkCircle = "The text fields would flow into each other in a circle!";

// TFeldFormatForm "Text field properties".
struct FeldFormatModel {
    static constexpr std::array<const char*, 7> kShowOnItems = {
        "One page", "All pages", "Not on the first page", "Even pages", "Odd pages",
        "Even pages other than the first", "Odd pages other than the first"};
    static constexpr const char* kCaption = "Text field properties";
    static constexpr const char* kPositionPage = "Postion and size";
    static constexpr const char* kTextFlowPage = "Text flow";
    static constexpr const char* kWrapText = "Text bedind the field should flow arround the field";

    uint8_t AreaType = 0;
    // "Postion and size" (0..1000 cm).
    double posx = 0, posy = 0, breit = 0, hoch = 0;
    int32_t ShowOn = 0;            // page mode 0..6
    uint8_t verschieb = 0;         // "Move with text"
    uint8_t SverhCheck = 0;        // "Maintain aspect ratio for graphic fields"
    // "Text flow".
    uint8_t umbr = 0;              // wraps
    int32_t WrapMode = 0;          // the hidden umt1..umt4
    double AbstandED = 0;          // horizontal wrap distance, 0..10 cm
    double AbstandYEd = 0;         // vertical wrap distance
    // Margins and look (every area type).
    double randl = 0, rando = 0, randr = 0, randu = 0;
    double LineStarkEd = 0;        // "Line width in pt:", 0..10, step 0.25
    uint32_t LineCol = 0;          // "Line color:"
    uint32_t BkCol = 0xFFFFFF;     // "Background color:"
    uint8_t TranspCheck = 0;       // "Transparent"
    uint8_t TranspEnabled = 1;

    // The first two pages show only for frames and objects; the others open
    // on the margins page.
    bool positionPagesShown() const { return AreaType >= 3; }
    // "Transparent" only makes sense over a white fill.
    void BkColChange() { TranspEnabled = BkCol == 0xFFFFFF ? 1 : 0; }
    // Holds every value to the range its edit offers.
    void clampToRanges();
};

// TGrafikPropsForm "Format graphic".
struct GrafikPropsModel {
    static constexpr const char* kCaption = "Format graphic";
    static constexpr double kMinCm = 0.1, kMaxCm = 1000;
    double BreitEd = 0;          // width, cm
    double HochEd = 0;           // height, cm
    uint8_t SverHCheck = 1;      // "Maintain aspect ratio"
    double CurrentRatio = 1;     // width / height of the character
    double PixelRatio = 1;       // pixel width / pixel height
    uint8_t Busy = 0;

    // The size boxes follow each other while the aspect is kept.
    void BreitEdChange();
    void HochEdChange();
    // "Retain original aspect ratio".
    void SverhBtnClick();
    void SverHCheckClick() { BreitEdChange(); }
};

class ObjectDialogsUi {
public:
    virtual ~ObjectDialogsUi() = default;
    // Each shows its dialog modally; true when it was closed with OK.
    virtual bool runFeldFormatDialog(FeldFormatModel& model) = 0;
    virtual bool runGrafikPropsDialog(GrafikPropsModel& model) = 0;
    // The picture open dialog: filter "desc|patterns|...", file name (UTF-8)
    // out; the name starts empty each time.
    virtual bool runPictureOpenDialog(const std::string& filter, std::string& fileName) = 0;
    // The device chooser; `chosen` is the index in and out.
    virtual bool runScannerChoice(const std::vector<ScanDevice>& devices, int32_t& chosen) = 0;
    // Scans one page with `source`, showing progress and letting the user
    // cancel; the result says how it ended.
    virtual ScanResult runScan(ScannerSource& source, const std::string& device) = 0;
    // Hands the scan's handle to the window later, as a message would, if
    // the window still exists then (else the picture is dropped). The
    // default delivers at once.
    virtual void deliverScan(TMDIChild& window, int32_t handle);
};

// The window's frame as the one who shows these dialogs; a headless window
// gets one that cancels every dialog and scans synchronously.
ObjectDialogsUi* objectDialogsOf(TMDIChild& window);

} // namespace quillet
