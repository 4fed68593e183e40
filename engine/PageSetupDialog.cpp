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

// What the command writes into the document, in millimetres.
struct PageGeometry {
    double Width = 0, Height = 0;
    double Top = 0, Left = 0, Bottom = 0, Right = 0;
    double Head = 0, Foot = 0;
    int32_t Mode = 0;  // index into TPageSetupForm::kHeadFootModes
};

// The dialog's range, in millimetres; values inside it stay as they are.
double clampMm(double v)
{
    constexpr double kMaxMm = TPageSetupForm::kMaxCm * 10;
    if (!(v >= 0)) return 0;  // NaN too
    return v > kMaxMm ? kMaxMm : v;
}

PageGeometry geometryFromForm(const TPageSetupForm& f)
{
    PageGeometry g;
    g.Width = clampCm(f.BreitEd) * 10;
    g.Height = clampCm(f.HochEd) * 10;
    g.Top = clampCm(f.TopEd) * 10;
    g.Left = clampCm(f.LeftEd) * 10;
    g.Bottom = clampCm(f.BottomEd) * 10;
    g.Right = clampCm(f.RightEd) * 10;
    g.Head = clampCm(f.HeadEd) * 10;
    g.Foot = clampCm(f.FootEd) * 10;
    g.Mode = f.headfootmode;
    return g;
}

// The document's own values, untouched by the dialog's centimetres and
// its paper list: a document that is loaded must keep its page exactly.
PageGeometry geometryFromDocument(const TMDIChild& w)
{
    const std::vector<TextArea>& areas = w.Areas;
    PageGeometry g;
    g.Width = clampMm(w.PageWidth);
    g.Height = clampMm(w.PageHeight);
    if (!areas.empty()) {
        g.Top = clampMm(areas[0].InnerTop);
        g.Left = clampMm(areas[0].InnerLeft);
        g.Bottom = clampMm(areas[0].InnerBottom);
        g.Right = clampMm(areas[0].InnerRight);
    }
    // Only the header and footer areas in their places say where headers
    // and footers go; anything else there leaves the body's margins alone.
    if (isArea(areas, 1, atHeader)) g.Head = clampMm(areas[1].InnerTop);
    if (isArea(areas, 2, atFooter)) g.Foot = clampMm(areas[2].InnerBottom);
    g.Mode = isArea(areas, 6, atFooter) ? modeIndexFromPageMode(areas[6].PageMode) : 0;
    return g;
}

void applyPageSetup(TMDIChild& w, const PageGeometry& g, bool fromCommand)
{
    // Run by the reader after loading, it only brings the header and footer
    // areas in line with the body; a snapshot there would mark a freshly
    // opened document (or the new-document template) as changed.
    if (fromCommand) w.MakeCopyForUndo("Page setup");

    w.PageWidth = g.Width;
    w.PageHeight = g.Height;

    std::vector<TextArea>& areas = w.Areas;
    if (!areas.empty()) {
        TextArea& body = areas[0];
        body.InnerTop = std::max(g.Top, g.Head);
        body.InnerLeft = g.Left;
        body.InnerBottom = std::max(g.Bottom, g.Foot);
        body.InnerRight = g.Right;

        // A document without the standard header and footer areas keeps
        // whatever stands in their places.
        for (size_t k = 0; k < 3; ++k) {
            if (isArea(areas, 1 + 2 * k, atHeader)) {
                TextArea& h = areas[1 + 2 * k];
                h.InnerTop = g.Head;
                h.Bottom = areas[0].InnerTop - kHeaderGap;
                h.InnerLeft = areas[0].InnerLeft;
                h.InnerRight = areas[0].InnerRight;
            }
            if (isArea(areas, 2 + 2 * k, atFooter)) {
                TextArea& ft = areas[2 + 2 * k];
                ft.InnerBottom = g.Foot;
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

        const int32_t mode = g.Mode >= 0 && g.Mode < 4 ? g.Mode : 0;
        const PairModes& m = kPairModes[mode];
        const uint8_t pairMode[3] = {m.First, m.Even, m.All};
        for (size_t k = 0; k < 3; ++k) {
            if (isArea(areas, 1 + 2 * k, atHeader)) areas[1 + 2 * k].PageMode = pairMode[k];
            if (isArea(areas, 2 + 2 * k, atFooter)) areas[2 + 2 * k].PageMode = pairMode[k];
        }
    }

    w.SetPrinterProps();
    // The reader lays the whole document out right after this; a second
    // full layout of a long file here would only double the time it takes
    // to open.
    if (fromCommand) w.CompleteRefresh();
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
    // Without the dialog (after loading a document) the values go in as the
    // document holds them; asking the print system for its papers there
    // would only slow every open down.
    if (!showDialog) {
        applyPageSetup(*this, geometryFromDocument(*this), false);
        return;
    }

    const PageGeometry current = geometryFromDocument(*this);
    TPageSetupForm f;
    f.setPapers(printerInfo().paperFormats());
    f.BreitEd = current.Width / 10;
    f.HochEd = current.Height / 10;
    f.ChoosePaperFormat();
    f.FormatBoxChange();
    f.TopEd = current.Top / 10;
    f.LeftEd = current.Left / 10;
    f.BottomEd = current.Bottom / 10;
    f.RightEd = current.Right / 10;
    f.HeadEd = current.Head / 10;
    f.FootEd = current.Foot / 10;
    f.headfootmode = current.Mode;

    if (!Ui->runPageSetupDialog(f)) return;
    applyPageSetup(*this, geometryFromForm(f), true);
}

} // namespace quillet
