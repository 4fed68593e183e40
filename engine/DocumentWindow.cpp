// The document window's lifecycle with its frame, and the deferred repaint.
//
// Content changes re-run layout at once but only restart the one-shot
// Timer2; its tick arrives when the message queue is otherwise empty, so a
// burst of keystrokes is laid out key by key and painted once.

#include "engine/Childwin.h"
#include "engine/DocWalk.h"
#include "platform/Win1252.h"

#include <algorithm>
#include <limits>

namespace quillet {

namespace {

// How much below the caret's top must be visible.
constexpr int32_t kCaretRectHeight = 22;
constexpr int32_t kWheelStep = 50;

constexpr const char* kPictureFilter =
    "All Graphics|*.BMP;*.DIB;*.GIF;*.IFF;*.JIF;*.JPG;*.LBM;*.PCX;*.RLE;*.TGA;*.TIF;*.PNG|"
    "BMP - Windows,OS/2 Bitmap|*.BMP|DIB - Windows,OS/2 DIB|*.DIB|"
    "GIF - CompuServe Graphics Interchange|*.GIF|IFF - Amiga|*.IFF|"
    "JIF - JPEG - JFIF Compilant|*.JIF|JPG - JPEG - JFIF Compilant|*.JPG|"
    "LBM - Deluxe Paint|*.LBM|PCX - ZSoft Paintbrush|*.PCX|RLE - Windows RLE|*.RLE|"
    "TGA - Truevision Targa|*.TGA|TIF - Tagged Image File Format|*.TIF|"
    "PNG - Portable Graphics Network|*.PNG|All files (*.*)|*.*";

int32_t saturatedAdd(int32_t a, int32_t b)
{
    const int64_t s = int64_t(a) + int64_t(b);
    return int32_t(std::clamp<int64_t>(s, std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max()));
}

} // namespace

// ---- Creation and destruction ----------------------------------------------

void TMDIChild::FormCreate()
{
    DocPath.clear();
    ProgDir = Frame.ProgDir.string();
    if (!ProgDir.empty() && ProgDir.back() != '/') ProgDir += '/';

    PageWidth = 210;
    PageHeight = 297;
    SetPrinterProps();

    // The frame's German table, shared by every window; one that an earlier
    // window filled stays filled.
    CurrentPatternTable = Frame.PatternsGerman.get();

    HyphenCache.clear();
    SuggestionList.clear();
    AlwaysChangeFrom.clear();
    AlwaysChangeTo.clear();

    DocLanguage = 0;
    OpenHyphenData();

    SetEditingDefaults();

    // The document starts over, whatever the window was made with.
    FreeFields();
    Anchor = Cursor = TextPos{};
    NewPage(true);

    // The off-screen page image belongs to the renderer, which makes it on
    // its first pass.

    PictureDialogFilter = kPictureFilter;

    CreateHeaderFooter();
    SetAllDirtyFlags();
    MakeSoftEnters();

    FreeVorlagen();
    CreateStandartVorlagen();
    OvertakeFont();

    if (Frame.OpenFileName.empty()) {
        // The template for new documents. A missing one shows the open
        // error and leaves the empty document. The caller may be inside a
        // KeepName section of its own (reopening recovery files), which
        // must still hold afterwards.
        const uint8_t keepName = Frame.KeepName;
        Frame.KeepName = 1;
        (void)OpenQDTFile(ProgDir + "normal.qdm");
        Frame.KeepName = keepName;
    } else {
        // Printing right after opening (PrintAfterOpen) comes with the
        // printing module; a failed open closes the window.
        if (!OpenFile(Frame.OpenFileName, Frame.OpenFilterIndex)) Host->closeWindow();
    }
}

void TMDIChild::FormDestroy()
{
    // The next activated window shows and enables these again.
    Ui->setDocumentButtonsEnabled(false);
    Ui->setClipboardActionsEnabled(false);
    Ui->setDocumentMenusVisible(false);
    Ui->setDocumentToolbarsEnabled(false);

    FreeFields();
    FreeHyphenData();
    FreeAllUndoCops();
    FreeBilderListe();
    SuggestionList.clear();
    AlwaysChangeFrom.clear();
    AlwaysChangeTo.clear();
    FreeMouseObjs();
    FreeTableTrack();
    FreeVorlagen();
    Fonts.clear();
    // Nothing may walk a document that is gone.
    Anchor = Cursor = TextPos{};
}

void TMDIChild::FormClose(CloseAction& action)
{
    action = CloseAction::Free;
}

// ---- Activation ----------------------------------------------------------

void TMDIChild::FormActivate(const TMDIChild* sender)
{
    const TMDIChild* active = Ui->activeChild();
    if (!active || sender != active) return;

    Ui->showZoom(ZoomPercent);

    if (!isThereAmarking() && !CaretOutside && Host->hasFocus() && validIndex(Cursor.Area, Areas.size())) {
        const TextArea& a = Areas[size_t(Cursor.Area)];
        const bool frameAsObject = a.AreaType == atTextFrame && a.Selected;
        if (a.AreaType <= atTextFrame && !frameAsObject) {
            Host->createCaret(CaretWidth, CaretHeight);
            Host->setCaretPos(CaretX, CaretY);
            Host->showCaret();
        }
    }

    SetUndoHints();
    Ui->fileMenuChanged();
    Ui->editMenuChanged();
    // SmallOvertakeFont (the keyboard module) updates the toolbar here once
    // it exists.

    Host->setRulersVisible(Frame.Options.ShowRuler != 0);

    Ui->setDocumentMenusVisible(true);
    Ui->setDocumentToolbarsEnabled(true);
}

void TMDIChild::FormDeactivate(const TMDIChild* sender)
{
    const TMDIChild* active = Ui->activeChild();
    if (!active || sender != active) return;
    Host->destroyCaret();
    SetUndoHints();
}

void TMDIChild::Timer1Timer()
{
    FormActivate(this);
    Host->stopTimer1();
}

// ---- Refresh -------------------------------------------------------------

void TMDIChild::Timer2Timer()
{
    Host->stopTimer2();
    // A layout pass that could not settle every line asked for this tick.
    if (LayoutCarryOvers > 0) MakeSoftEnters();
    // The paint pass ends by asking the host to present the new image.
    PaintBox1Paint();
    ScrollCursorinView();
}

void TMDIChild::CompleteRefresh()
{
    SetAllDirtyFlags();
    MakeSoftEnters();
    Host->restartTimer2();
    ScrollCursorinView();
}

void TMDIChild::RefreshDirtyContent()
{
    MakeSoftEnters();
    Host->restartTimer2();
    ScrollCursorinView();
}

void TMDIChild::RefreshContent()
{
    SetAllDirtyFlags();
    MakeSoftEnters();
    Host->restartTimer2();
}

void TMDIChild::ScrollCursorinView()
{
    if (!validIndex(Cursor.Area, Areas.size())) return;
    const TextArea& a = Areas[size_t(Cursor.Area)];
    if (a.AreaType > atTextFrame) return;
    if (a.AreaType == atTextFrame && a.Selected) return;

    const int32_t x = Host->scrollX();
    const int32_t y = Host->scrollY();
    const int32_t top = saturatedAdd(y, CaretY);
    const int32_t bottom = saturatedAdd(top, kCaretRectHeight);
    // Only the vertical position follows the caret; the view is never
    // scrolled sideways for it.

    // A horizontal scroll bar covers the bottom of the client area.
    const int32_t visible = std::max(0, Host->clientHeight() - std::max(0, Host->horizontalBarHeight()));
    int32_t newY = y;
    if (top < newY) newY = top;
    else if (bottom > saturatedAdd(newY, visible)) newY = bottom - visible;
    newY = std::max(newY, 0);
    if (newY != y) Host->setScrollPos(x, newY);
}

void TMDIChild::SetFileChanged(bool changed)
{
    Modified = changed ? 1 : 0;
    const std::string title = ShownDocTitle();
    Host->setCaptionUtf8(changed ? title + "*" : title);
    Ui->fileMenuChanged();
}

void TMDIChild::SetDocTitle(const std::string& utf8Name)
{
    DocTitle = utf8ToAnsi(utf8Name);
    ShownTitle = utf8Name;
}

std::string TMDIChild::ShownDocTitle() const
{
    // Whoever set DocTitle alone meant a name of its own.
    if (!ShownTitle.empty() && utf8ToAnsi(ShownTitle) == DocTitle) return ShownTitle;
    return ansiToUtf8(DocTitle);
}

// ---- Scroll box ----------------------------------------------------------

void TMDIChild::FormMouseWheelDown()
{
    Host->setScrollPos(Host->scrollX(), saturatedAdd(Host->scrollY(), kWheelStep));
}

void TMDIChild::FormMouseWheelUp()
{
    Host->setScrollPos(Host->scrollX(), std::max(saturatedAdd(Host->scrollY(), -kWheelStep), 0));
}

void TMDIChild::ScrollBox1MouseDown()
{
    Host->setFocus();
}

} // namespace quillet
