// The document window's construction and destruction: the state a new
// window starts with. Loading the template, layout and the window's
// lifecycle with the frame come on top of this.

#include "engine/Childwin.h"

namespace quillet {

TMDIChild::TMDIChild(FrameState& frame) : Frame(frame), Host(&NullHost), Ui(&NullUi)
{
    DocPath.clear();
    // The window keeps its own copy of the program folder, with a trailing
    // separator so file names can be appended directly.
    ProgDir = Frame.ProgDir.string();
    if (!ProgDir.empty() && ProgDir.back() != '/') ProgDir += '/';

    PageWidth = 210;
    PageHeight = 297;
    PrinterDpi = 600;

    // The frame's German table, shared by every window; one that an earlier
    // window filled stays filled.
    CurrentPatternTable = Frame.PatternsGerman.get();

    SetEditingDefaults();

    // A new document: the page body with one empty line, then the six
    // header and footer areas.
    NewPage(true);
    CreateHeaderFooter();
    SetAllDirtyFlags();
}

TMDIChild::~TMDIChild()
{
    FreeFields();
    FreeBilderListe();
    FreeMouseObjs();
    FreeTableTrack();
    Fonts.clear();
}

// The editing state a new window starts with: no zones or pictures,
// hyphenation on, German, the default character format, zoom 100.
void TMDIChild::SetEditingDefaults()
{
    MouseObjs.clear();
    Pictures.clear();
    AutoHyphenation = 1;
    DocLanguage = 0;

    FontState = CurrentFontState{};
    FontState.Face = "Times New Roman";
    FontState.Size = 12;
    FontState.Color = 0;
    FontState.Style = 0;
    FontState.Charset = 1;
    FontState.BkColor = 0xFFFFFF;
    FontState.ShadowColor = 0x808080;
    FontState.OutlineColor = 0x00FFFF;
    FontState.BkTransparent = 1;
    FontState.Options = 0;
    CaretHeight = 14;
    ZoomPercent = 100;
}

} // namespace quillet
