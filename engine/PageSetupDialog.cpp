// The page setup command and the logic of its dialog. The dialog works in
// centimetres; the document in millimetres.

#include "engine/PageSetupDialog.h"

#include "engine/Childwin.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace quillet {

namespace {

// Paper names arrive from the driver in 64-byte slots, zero-terminated.
constexpr size_t kMaxPaperName = 63;
// Header and footer areas end this far before the body's margin (mm).
constexpr double kHeaderGap = 0.5;

double clampCm(double v)
{
    if (!(v >= TPageSetupForm::kMinCm)) return TPageSetupForm::kMinCm;  // NaN too
    return v > TPageSetupForm::kMaxCm ? TPageSetupForm::kMaxCm : v;
}

// An edit's value in tenths of a millimetre, the unit of the paper list.
// Comparing there keeps "equal" exact for values typed or computed in cm.
long long tenthsMm(double cm)
{
    return std::llround(clampCm(cm) * 100);
}

int32_t modeIndexFromPageMode(uint8_t mode)
{
    switch (mode) {
    case 2: return 1;
    case 4: return 2;
    case 6: return 3;
    default: return 0;
    }
}

// Page modes of the (first, even, odd-or-all) header/footer pairs.
struct PairModes {
    uint8_t First, Even, All;
};
constexpr PairModes kPairModes[] = {
    {99, 99, 1},  // equal on all pages
    {0, 99, 2},   // page 1
    {99, 3, 4},   // even/odd pages
    {0, 5, 6},    // page 1 and even/odd pages
};

bool isArea(const std::vector<TextArea>& areas, size_t i, uint8_t type)
{
    return i < areas.size() && areas[i].AreaType == type;
}

void applyPageSetup(TMDIChild& w, const TPageSetupForm& f, bool fromCommand)
{
    // Run by the reader after loading, it only brings the header and footer
    // areas in line with the body; a snapshot there would mark a freshly
    // opened document (or the new-document template) as changed.
    if (fromCommand) w.MakeCopyForUndo("Page setup");

    w.PageWidth = clampCm(f.BreitEd) * 10;
    w.PageHeight = clampCm(f.HochEd) * 10;

    std::vector<TextArea>& areas = w.Areas;
    if (!areas.empty()) {
        const double head = clampCm(f.HeadEd) * 10;
        const double foot = clampCm(f.FootEd) * 10;
        TextArea& body = areas[0];
        body.InnerTop = std::max(clampCm(f.TopEd) * 10, head);
        body.InnerLeft = clampCm(f.LeftEd) * 10;
        body.InnerBottom = std::max(clampCm(f.BottomEd) * 10, foot);
        body.InnerRight = clampCm(f.RightEd) * 10;

        // A document without the standard header and footer areas keeps
        // whatever stands in their places.
        for (size_t k = 0; k < 3; ++k) {
            if (isArea(areas, 1 + 2 * k, atHeader)) {
                TextArea& h = areas[1 + 2 * k];
                h.InnerTop = head;
                h.Bottom = areas[0].InnerTop - kHeaderGap;
                h.InnerLeft = areas[0].InnerLeft;
                h.InnerRight = areas[0].InnerRight;
            }
            if (isArea(areas, 2 + 2 * k, atFooter)) {
                TextArea& ft = areas[2 + 2 * k];
                ft.InnerBottom = foot;
                // Measured from the page's bottom edge.
                ft.Top = areas[0].InnerBottom - kHeaderGap;
                ft.InnerLeft = areas[0].InnerLeft;
                ft.InnerRight = areas[0].InnerRight;
            }
        }

        for (TextArea& a : areas) {
            if (a.AreaType == atFooter && a.FootnoteNumber > 0) {
                a.InnerLeft = areas[0].InnerLeft;
                a.InnerRight = areas[0].InnerRight;
            }
        }

        const int32_t mode = f.headfootmode >= 0 && f.headfootmode < 4 ? f.headfootmode : 0;
        const PairModes& m = kPairModes[mode];
        const uint8_t pairMode[3] = {m.First, m.Even, m.All};
        for (size_t k = 0; k < 3; ++k) {
            if (isArea(areas, 1 + 2 * k, atHeader)) areas[1 + 2 * k].PageMode = pairMode[k];
            if (isArea(areas, 2 + 2 * k, atFooter)) areas[2 + 2 * k].PageMode = pairMode[k];
        }
    }

    w.SetPrinterProps();
    w.CompleteRefresh();
}

} // namespace

// ---- The dialog's logic ----------------------------------------------------

void TPageSetupForm::setPapers(std::vector<PaperFormat> papers)
{
    Papers = std::move(papers);
    FormatItems.clear();
    for (PaperFormat& p : Papers) {
        const size_t end = p.Name.find('\0');
        if (end != std::string::npos) p.Name.resize(end);
        if (p.Name.size() > kMaxPaperName) p.Name.resize(kMaxPaperName);
        FormatItems.push_back(p.Name);
    }
    FormatItems.push_back(kUserDefined);
    FormatIndex = userDefinedIndex();
}

void TPageSetupForm::FormatBoxChange()
{
    Updating = 1;
    if (paperSelected()) {
        const PaperFormat& p = Papers[size_t(FormatIndex)];
        BreitEd = p.Width / 100.0;
        HochEd = p.Height / 100.0;
        if (QuerCheck) std::swap(BreitEd, HochEd);
    } else if ((QuerCheck && BreitEd < HochEd) || (HochCheck && BreitEd > HochEd)) {
        std::swap(BreitEd, HochEd);
    }
    Updating = 0;
}

void TPageSetupForm::QuerCheckClick()
{
    QuerCheck = 1;
    HochCheck = 0;
    FormatBoxChange();
}

void TPageSetupForm::HochCheckClick()
{
    HochCheck = 1;
    QuerCheck = 0;
    FormatBoxChange();
}

void TPageSetupForm::BreitEdChange()
{
    if (!Updating) ChoosePaperFormat();
}

void TPageSetupForm::HochEdChange()
{
    if (!Updating) ChoosePaperFormat();
}

void TPageSetupForm::ChoosePaperFormat()
{
    const bool landscape = BreitEd > HochEd;
    QuerCheck = landscape ? 1 : 0;
    HochCheck = landscape ? 0 : 1;
    const long long w = tenthsMm(BreitEd);
    const long long h = tenthsMm(HochEd);
    FormatIndex = userDefinedIndex();
    for (size_t i = 0; i < Papers.size(); ++i) {
        const PaperFormat& p = Papers[i];
        const bool match = landscape ? (w == p.Height && h == p.Width) : (w == p.Width && h == p.Height);
        if (match) {
            FormatIndex = int32_t(i);
            break;
        }
    }
}

// ---- The command -----------------------------------------------------------

void TMDIChild::PageSetup(uint8_t showDialog)
{
    TPageSetupForm f;
    f.setPapers(printerInfo().paperFormats());
    f.BreitEd = PageWidth / 10;
    f.HochEd = PageHeight / 10;
    f.ChoosePaperFormat();
    f.FormatBoxChange();

    if (!Areas.empty()) {
        f.TopEd = Areas[0].InnerTop / 10;
        f.LeftEd = Areas[0].InnerLeft / 10;
        f.BottomEd = Areas[0].InnerBottom / 10;
        f.RightEd = Areas[0].InnerRight / 10;
    }
    if (Areas.size() > 1) f.HeadEd = Areas[1].InnerTop / 10;
    if (Areas.size() > 2) f.FootEd = Areas[2].InnerBottom / 10;
    f.headfootmode = Areas.size() > 6 ? modeIndexFromPageMode(Areas[6].PageMode) : 0;

    if (showDialog && !Ui->runPageSetupDialog(f)) return;
    applyPageSetup(*this, f, showDialog != 0);
}

} // namespace quillet
