// Text frames, drawing objects and pictures: making frames and objects in
// the armed insert mode, their properties dialog, linking frames into a
// chain, the z-order, pictures from a file or the scanner and the picture
// size dialog.
//
// Areas 0..6 are the first page body and the header and footer pairs; the
// order of the areas after them is the order objects are drawn in, so the
// z-order commands swap whole area records and rename the links.

#include "engine/Childwin.h"
#include "engine/DocWalk.h"
#include "engine/ObjectDialogs.h"
#include "platform/MessageBox.h"
#include "platform/Units.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quillet {

namespace {

// Where a new frame's text sits inside its border.
constexpr double kFrameInsetX = 2.5;
constexpr double kFrameInsetY = 1.3;
constexpr double kFrameWrapDistance = 3.2;
constexpr double kHeaderGap = 0.5;
// Picture characters hold their list index in 16 bits.
constexpr size_t kMaxPictures = std::numeric_limits<uint16_t>::max() + size_t(1);

bool validArea(const TMDIChild& w, int32_t i) { return i >= 0 && i < w.AreaCount(); }

// Appends a floating area of `type` with the look of a new text frame and
// one empty line; returns its index.
int32_t appendFloating(TMDIChild& w, uint8_t type, int32_t page, double left, double top, double right,
                       double bottom)
{
    w.NewField();
    const int32_t index = w.AreaCount() - 1;
    TextArea& a = w.Areas.back();
    a.AnchorTopToBottom = a.AnchorBottom = a.AnchorRight = 0;
    a.Left = left;
    a.Top = top;
    a.Right = right;
    a.Bottom = bottom;
    a.InnerLeft = a.InnerRight = kFrameInsetX;
    a.InnerTop = a.InnerBottom = kFrameInsetY;
    a.PageMode = 0;
    a.WrapText = 1;
    a.MoveWithText = 1;
    a.WrapMode = 0;
    a.WrapDistanceX = a.WrapDistanceY = kFrameWrapDistance;
    a.BorderWidth = 0.75;
    a.BorderColor = 0;
    a.FillColor = 0xFFFFFF;
    a.Transparent = 0;
    a.AreaType = type;
    a.Selected = 0;
    a.PageIndex = std::max(0, page);
    a.PrevInFlow = a.NextInFlow = -1;
    a.KeepAspect = 1;
    a.AnchorId = 0;
    a.Rising = 0;
    w.InsertNewLine(index, 0);
    w.Areas[size_t(index)].Lines[0].Dirty = 1;
    return index;
}

// Swaps two area records; every link and stored position follows the
// record it named.
void swapAreas(TMDIChild& w, int32_t i, int32_t j)
{
    if (i == j) return;
    auto rename = [&](int32_t& v) {
        if (v == i) v = j;
        else if (v == j) v = i;
    };
    std::swap(w.Areas[size_t(i)], w.Areas[size_t(j)]);
    for (TextArea& a : w.Areas) {
        rename(a.PrevInFlow);
        rename(a.NextInFlow);
    }
    for (TextPos* p : w.StoredPositions()) rename(p->Area);
    if (w.LinkSource == i || w.LinkSource == j) rename(w.LinkSource);
    if (w.LinkHead == i || w.LinkHead == j) rename(w.LinkHead);
    w.InvalidateMarking();
}

// A z-order command touches only frames and objects in the object slots:
// the first page body at index 0 and the header/footer set are where every
// other command expects them.
bool movableObject(const TMDIChild& w)
{
    const int32_t i = w.Cursor.Area;
    return validArea(w, i) && w.Areas[size_t(i)].AreaType > atFooter && i >= TMDIChild::kFirstObjectSlot;
}

// Areas whose text a picture can join: text bodies, frames and the graphic
// field made for it.
bool takesPicture(uint8_t type) { return type <= atTextFrame || type == atGraphic; }

double pageWidthMm(const TMDIChild& w) { return w.PrinterDpi > 0 ? double(w.PageWidthPx) / w.PrinterDpi * kMmPerInch : w.PageWidth; }
double pageHeightMm(const TMDIChild& w) { return w.PrinterDpi > 0 ? double(w.PageHeightPx) / w.PrinterDpi * kMmPerInch : w.PageHeight; }

struct NoObjectDialogs : ObjectDialogsUi {
    bool runFeldFormatDialog(FeldFormatModel&) override { return false; }
    bool runGrafikPropsDialog(GrafikPropsModel&) override { return false; }
    bool runPictureOpenDialog(const std::string&, std::string&) override { return false; }
    bool runScannerChoice(const std::vector<ScanDevice>&, int32_t&) override { return false; }
    ScanResult runScan(ScannerSource& source, const std::string& device) override
    {
        return source.scan(device, nullptr);
    }
};

} // namespace

// ---- Dialog models -----------------------------------------------------------------

void FeldFormatModel::clampToRanges()
{
    auto held = [](double& v, double lo, double hi) { v = std::isfinite(v) ? std::clamp(v, lo, hi) : lo; };
    for (double* v : {&posx, &posy, &breit, &hoch, &randl, &rando, &randr, &randu}) held(*v, 0, 1000);
    held(AbstandED, 0, 10);
    held(AbstandYEd, 0, 10);
    held(LineStarkEd, 0, 10);
    ShowOn = std::clamp(ShowOn, 0, int32_t(kShowOnItems.size()) - 1);
    WrapMode = std::clamp(WrapMode, 0, 3);
}

void GrafikPropsModel::BreitEdChange()
{
    if (Busy || !SverHCheck) return;
    Busy = 1;
    if (CurrentRatio != 0) HochEd = BreitEd / CurrentRatio;
    Busy = 0;
}

void GrafikPropsModel::HochEdChange()
{
    if (Busy || !SverHCheck) return;
    Busy = 1;
    BreitEd = HochEd * CurrentRatio;
    Busy = 0;
}

void GrafikPropsModel::SverhBtnClick()
{
    if (PixelRatio != 0) HochEd = BreitEd / PixelRatio;
}

void ObjectDialogsUi::deliverScan(TMDIChild& window, int32_t handle) { window.WMUser2(handle); }

ObjectDialogsUi* objectDialogsOf(TMDIChild& w)
{
    static NoObjectDialogs none;
    if (w.ObjectDialogs) return w.ObjectDialogs;
    if (auto* frame = dynamic_cast<ObjectDialogsUi*>(w.Ui)) return frame;
    return &none;
}

// ---- Frames and objects ------------------------------------------------------------

void TMDIChild::SetInsertObjMode(int32_t mode) { InsertMode = std::clamp(mode, 0, 7); }

int32_t TMDIChild::TextfeldEinfuegenSimple(int32_t page, double left, double top, double right, double bottom)
{
    const int32_t index = appendFloating(*this, atTextFrame, page, left, top, right, bottom);
    Cursor = Anchor = TextPos{index, 0, 0};
    InvalidateMarking();
    return index;
}

void TMDIChild::TextfeldEinfuegen(int32_t page, double left, double top, double right, double bottom)
{
    MakeCopyForUndo("Insert field");
    TypingRun = 0;
    TextfeldEinfuegenSimple(page, left, top, right, bottom);
    RefreshContent();
}

void TMDIChild::InsertObject(int32_t kind, int32_t page, uint8_t rising, double left, double top, double right,
                             double bottom)
{
    if (kind < 0 || kind > 5) return;
    MakeCopyForUndo("Insert drawing object");
    TypingRun = 0;
    const int32_t index = appendFloating(*this, uint8_t(atRectangle + kind), page, left, top, right, bottom);
    TextArea& a = Areas[size_t(index)];
    a.Rising = rising ? 1 : 0;
    a.WrapText = 0;
    const FrameOptions& o = Frame.Options;
    a.BorderWidth = o.LineWidth;
    a.BorderColor = o.LineColor;
    a.FillColor = o.FillColor;
    a.Transparent = o.NoFill;
    const TextPos oldCursor = Cursor, oldAnchor = Anchor;
    Cursor = Anchor = TextPos{index, 0, 0};
    InvalidateMarking();

    if (kind == 5) {
        GrafikEinfuegen();
        // A graphic field without its one picture (cancelled, or the file
        // could not be read) is taken away again.
        const bool holdsPicture = validArea(*this, index) && Areas[size_t(index)].LineCount() > 0 &&
                                  Areas[size_t(index)].Lines[0].CharCount() == 1 &&
                                  Areas[size_t(index)].Lines[0].Chars[0].Kind == ckPicture;
        if (!holdsPicture && index == AreaCount() - 1) {
            DeleteField(index);
            Cursor = oldCursor;
            Anchor = oldAnchor;
            ClampPositions();
            InvalidateMarking();
        }
    }
    Host->restartTimer2();
}

// ---- Properties --------------------------------------------------------------------

void TMDIChild::feldformatieren()
{
    if (!validArea(*this, Cursor.Area)) return;
    int32_t index = Cursor.Area;
    if (Areas[size_t(index)].AreaType == atPageBody) index = chainFirst(Areas, index);
    const double pageW = pageWidthMm(*this), pageH = pageHeightMm(*this);

    FeldFormatModel m;
    {
        const TextArea& a = Areas[size_t(index)];
        const AreaEdges e = FloatingAreaEdges(a, pageW, pageH);
        m.AreaType = a.AreaType;
        m.posx = e.Left / 10;
        m.posy = e.Top / 10;
        m.breit = (e.Right - e.Left) / 10;
        m.hoch = (e.Bottom - e.Top) / 10;
        m.randl = a.InnerLeft / 10;
        m.rando = a.InnerTop / 10;
        m.randr = a.InnerRight / 10;
        m.randu = a.InnerBottom / 10;
        m.AbstandED = a.WrapDistanceX / 10;
        m.AbstandYEd = a.WrapDistanceY / 10;
        m.ShowOn = a.PageMode;
        m.verschieb = a.MoveWithText;
        m.umbr = a.WrapText;
        m.SverhCheck = a.KeepAspect;
        m.WrapMode = a.WrapMode;
        m.LineStarkEd = a.BorderWidth;
        m.LineCol = a.BorderColor;
        m.BkCol = a.FillColor;
        m.TranspCheck = a.Transparent;
        m.clampToRanges();
        m.BkColChange();
    }
    if (!objectDialogsOf(*this)->runFeldFormatDialog(m)) return;
    m.clampToRanges();

    MakeCopyForUndo("Format field");
    TypingRun = 0;
    TextArea& a = Areas[size_t(index)];
    if (a.AreaType >= atTextFrame) {
        const double left = m.posx * 10, top = m.posy * 10;
        const double right = left + m.breit * 10, bottom = top + m.hoch * 10;
        a.Left = left;
        a.Top = a.AnchorTopToBottom && a.AnchorBottom ? pageH - top : top;
        a.Right = a.AnchorRight ? pageW - right : right;
        a.Bottom = a.AnchorBottom ? pageH - bottom : bottom;
        a.PageMode = uint8_t(m.ShowOn);
        a.MoveWithText = m.verschieb ? 1 : 0;
        a.WrapText = m.umbr ? 1 : 0;
        a.WrapMode = m.WrapMode;
        a.WrapDistanceX = m.AbstandED * 10;
        a.WrapDistanceY = m.AbstandYEd * 10;
    }
    a.InnerLeft = m.randl * 10;
    a.InnerTop = m.rando * 10;
    a.InnerRight = m.randr * 10;
    a.InnerBottom = m.randu * 10;
    a.BorderWidth = m.LineStarkEd;
    a.BorderColor = m.LineCol;
    a.FillColor = m.BkCol;
    a.Transparent = m.TranspCheck ? 1 : 0;
    a.KeepAspect = m.SverhCheck ? 1 : 0;

    // The first header and footer keep their distance to the first body's
    // text and share its side margins.
    if (index < 3 && AreaCount() >= 3 && Areas[0].AreaType == atPageBody && Areas[1].AreaType == atHeader &&
        Areas[2].AreaType == atFooter) {
        TextArea& body = Areas[0];
        TextArea& header = Areas[1];
        TextArea& footer = Areas[2];
        const double innerLeft = Areas[size_t(index)].InnerLeft, innerRight = Areas[size_t(index)].InnerRight;
        body.InnerLeft = innerLeft;
        body.InnerRight = innerRight;
        body.InnerTop = std::max(body.InnerTop, header.InnerTop);
        body.InnerBottom = std::max(body.InnerBottom, footer.InnerBottom);
        header.Bottom = body.InnerTop - kHeaderGap;
        footer.Top = body.InnerBottom - kHeaderGap;
        header.InnerLeft = footer.InnerLeft = innerLeft;
        header.InnerRight = footer.InnerRight = innerRight;
    }
    RefreshContent();
}

// ---- Frame chains ------------------------------------------------------------------

void TMDIChild::Textfeldverknuepfen()
{
    const int32_t i = Cursor.Area;
    if (!validArea(*this, i) || Areas[size_t(i)].AreaType != atTextFrame) {
        errorBox(kNoTextFieldSelected);
        return;
    }
    if (Areas[size_t(i)].NextInFlow != -1) {
        errorBox(kFieldAlreadyConnected);
        return;
    }
    LinkMode = 1;
    LinkSource = i;
    LinkHead = chainFirst(Areas, i);
}

bool TMDIChild::LinkTextFrames(int32_t source, int32_t next)
{
    if (!validArea(*this, source) || !validArea(*this, next) || Areas[size_t(source)].AreaType != atTextFrame ||
        Areas[size_t(next)].AreaType != atTextFrame) {
        errorBox(kNoTextFieldSelected);
        return false;
    }
    if (Areas[size_t(source)].NextInFlow != -1 || Areas[size_t(next)].PrevInFlow != -1) {
        errorBox(kFieldAlreadyConnected);
        return false;
    }
    // Following next's chain (at most every area once) must not lead back
    // to the source: the text would flow round for ever.
    int32_t at = next;
    for (int32_t steps = 0; at != -1 && steps <= AreaCount(); ++steps) {
        if (at == source) {
            errorBox(kFieldLinkCircle);
            return false;
        }
        const int32_t n = Areas[size_t(at)].NextInFlow;
        at = validArea(*this, n) ? n : -1;
    }
    MakeCopyForUndo("Link text fields");
    TypingRun = 0;
    Areas[size_t(source)].NextInFlow = next;
    Areas[size_t(next)].PrevInFlow = source;
    InvalidateMarking();
    RefreshContent();
    return true;
}

// ---- z-order -----------------------------------------------------------------------

void TMDIChild::Objektnachvorne()
{
    if (!movableObject(*this)) return;
    const int32_t i = Cursor.Area, last = AreaCount() - 1;
    if (i == last) return;
    MakeCopyForUndo("Object to the front");
    TypingRun = 0;
    swapAreas(*this, i, last);
    Cursor.Area = Anchor.Area = last;
    Host->restartTimer2();
}

void TMDIChild::Objektnachhinten()
{
    if (!movableObject(*this)) return;
    const int32_t i = Cursor.Area;
    if (i == kFirstObjectSlot) return;
    MakeCopyForUndo("Object to the back");
    TypingRun = 0;
    swapAreas(*this, i, kFirstObjectSlot);
    Cursor.Area = Anchor.Area = kFirstObjectSlot;
    Host->restartTimer2();
}

// ---- Pictures ----------------------------------------------------------------------

bool TMDIChild::InsertPictureAtCursor(Dib picture, int32_t fallbackDpi, bool useOwnResolution)
{
    if (picture.empty() || !validArea(*this, Cursor.Area)) return false;
    if (!takesPicture(Areas[size_t(Cursor.Area)].AreaType)) return false;
    if (Pictures.size() >= kMaxPictures) {
        errorBox("The document holds as many pictures as it can.");
        return false;
    }
    MakeCopyForUndo("Insert graphic");
    TypingRun = 0;
    CaretAtLineEnd = 0;
    if (isThereAmarking()) DeleteMarking();

    int32_t dpi = 0;
    if (useOwnResolution)
        dpi = int32_t(std::lround(double(picture.Header.biXPelsPerMeter) / 1000 * kMmPerInch));
    if (dpi <= 0) dpi = fallbackDpi > 0 ? fallbackDpi : 96;
    const double width = dibwidth(picture) / double(dpi) * kMmPerInch;
    const double height = dibheight(picture) / double(dpi) * kMmPerInch;

    const TextPos at = Cursor;
    if (!validArea(*this, at.Area) || at.Line < 0 || at.Line > Areas[size_t(at.Area)].LineCount()) return false;
    TextChar* c = nullptr;
    std::vector<TextLine>& lines = Areas[size_t(at.Area)].Lines;
    // Overwrite mode takes the place of a text character only: a field,
    // footnote reference or picture beside the caret is kept and the
    // picture goes in front of it.
    if (Frame.Options.OverwriteMode && at.Line < int32_t(lines.size()) &&
        at.Char < lines[size_t(at.Line)].CharCount() && lines[size_t(at.Line)].Chars[size_t(at.Char)].Kind == ckText) {
        c = &lines[size_t(at.Line)].Chars[size_t(at.Char)];
        freezeichen(*c);
    } else {
        if (!NewChar()) return false;
        PositionsCharsInserted(at.Area, at.Line, at.Char, 1);
        c = &Areas[size_t(at.Area)].Lines[size_t(at.Line)].Chars[size_t(at.Char)];
    }
    Pictures.push_back(std::move(picture));
    c->Kind = ckPicture;
    c->setPictureIndex(uint16_t(Pictures.size() - 1));
    c->Width = width;
    c->setHeight(height);
    Areas[size_t(at.Area)].Lines[size_t(at.Line)].Dirty = 1;
    Cursor = Anchor = TextPos{at.Area, at.Line, at.Char + 1};
    InvalidateMarking();
    RefreshDirtyContent();
    return true;
}

void TMDIChild::GrafikEinfuegen()
{
    if (RulerDrag.Kind >= 1) return;
    ObjectDialogsUi& ui = *objectDialogsOf(*this);
    std::string name;
    if (!ui.runPictureOpenDialog(PictureDialogFilter, name) || name.empty()) return;
    Dib picture;
    OpenDib(&picture, std::filesystem::path(name), 0, nullptr);
    if (picture.empty()) {
        const std::string message = "Error: Could not open file " + name + "!";
        if (picture.ErrorText.size() < 6)
            messageBoxes().showUtf8(message, "Fehler", MsgIcon::Error, MsgButtons::Ok);
        else
            messageBoxes().showUtf8(picture.ErrorText, message, MsgIcon::Error, MsgButtons::Ok);
        return;
    }
    InsertPictureAtCursor(std::move(picture), DisplayDpi, true);
}

void TMDIChild::GrafikFormatieren()
{
    if (!(Anchor.Area == Cursor.Area && Anchor.Line == Cursor.Line && std::abs(Anchor.Char - Cursor.Char) == 1))
        return;
    const TextPos at{Cursor.Area, Cursor.Line, std::min(Anchor.Char, Cursor.Char)};
    auto picture = [&]() -> TextChar* {
        if (!validArea(*this, at.Area)) return nullptr;
        TextArea& a = Areas[size_t(at.Area)];
        if (at.Line < 0 || at.Line >= a.LineCount()) return nullptr;
        TextLine& l = a.Lines[size_t(at.Line)];
        if (at.Char < 0 || at.Char >= l.CharCount() || l.Chars[size_t(at.Char)].Kind != ckPicture) return nullptr;
        return &l.Chars[size_t(at.Char)];
    };
    const TextChar* c = picture();
    if (!c) return;

    GrafikPropsModel m;
    m.BreitEd = c->Width / 10;
    m.HochEd = c->Height() / 10;
    m.CurrentRatio = c->Height() == 0 ? 1 : c->Width / c->Height();
    if (c->PictureIndex() < Pictures.size()) {
        const Dib& d = Pictures[c->PictureIndex()];
        const int32_t ph = dibheight(d);
        m.PixelRatio = ph == 0 ? 1 : double(dibwidth(d)) / ph;
    }
    if (!objectDialogsOf(*this)->runGrafikPropsDialog(m)) return;
    auto held = [](double v) {
        return std::isfinite(v) ? std::clamp(v, GrafikPropsModel::kMinCm, GrafikPropsModel::kMaxCm)
                                : GrafikPropsModel::kMinCm;
    };
    // A new size is an edit like any other: it can be undone, and closing
    // the window asks to save it.
    MakeCopyForUndo("Format graphic");
    TypingRun = 0;
    TextChar* p = picture();
    if (!p) return;
    p->Width = held(m.BreitEd) * 10;
    p->setHeight(held(m.HochEd) * 10);
    Areas[size_t(at.Area)].Lines[size_t(at.Line)].Dirty = 1;
    RefreshDirtyContent();
}

// ---- Scanner -----------------------------------------------------------------------

void TMDIChild::ScannerWaehlen()
{
    ScannerSource& source = scanner();
    std::string error;
    const std::vector<ScanDevice> devices = source.devices(error);
    if (devices.empty()) {
        errorBox("No scanner was found.", error);
        return;
    }
    int32_t chosen = 0;
    for (size_t i = 0; i < devices.size(); ++i)
        if (devices[i].Name == source.Chosen) chosen = int32_t(i);
    if (!objectDialogsOf(*this)->runScannerChoice(devices, chosen)) return;
    if (chosen >= 0 && size_t(chosen) < devices.size()) source.Chosen = devices[size_t(chosen)].Name;
}

void TMDIChild::BildScannen()
{
    ObjectDialogsUi& ui = *objectDialogsOf(*this);
    ScannerSource& source = scanner();
    ScanResult r = ui.runScan(source, source.Chosen);
    if (r.Status != ScanStatus::Ok) {
        const MsgIcon icon = r.Status == ScanStatus::Cancelled ? MsgIcon::Information : MsgIcon::Error;
        messageBoxes().showUtf8(r.Message.empty() ? "The scan failed." : r.Message, "", icon, MsgButtons::Ok);
        return;
    }
    ui.deliverScan(*this, PostScannedDib(std::move(r.Picture)));
}

void TMDIChild::WMUser2(int32_t handle)
{
    Dib picture = GetScanedDib(handle);
    if (picture.empty()) return;
    // The scan arrives later than it was asked for: by then the cursor may
    // stand in a drawing object, where no text goes. The picture is dropped.
    if (!validArea(*this, Cursor.Area) || Areas[size_t(Cursor.Area)].AreaType > atTextFrame) return;
    InsertPictureAtCursor(std::move(picture), DisplayDpi, false);
}

} // namespace quillet
