#pragma once
// What differs between drawing for the screen, a printer and a PDF page.
// The paint traversal is one; these switches decide which of its parts a
// target gets, so no drawing routine asks "am I printing?" on its own.

#include <cstdint>

namespace quillet {

struct RenderPolicy {
    enum class Target : uint8_t { Screen, Printer, Pdf };
    Target Kind = Target::Screen;
    // Areas sit one pixel right and two down on screen, inside the page frame.
    int32_t EdgeShift = 1;
    // Grey desk, page frame and shadow, page image copied to the view.
    bool DeskAndFrame = true;
    // Guide lines, table grid lines, non-printing marks, spelling marks.
    bool Helpers = true;
    // Selection inversion, caret, drop caret, picture and object handles.
    bool Interaction = true;
    // Glyph and zone hit tests (zones are registered on every target).
    bool HitTests = true;
    // Solid fills written straight into the page image's rows.
    bool DirectFill = true;
    // Wrap gaps, anchored positions and anchor ids are computed and written
    // back. Printing and export draw what a settle left, so they never
    // change the document they draw.
    bool WriteBack = true;
    // No host calls (caret, status texts, timer): a settle run.
    bool Headless = false;
    // Everything of a page stays on its sheet: a frame reaching past the
    // paper's edge is cut there, as paper cuts it, so a printed page and a
    // PDF page show the same. The screen's page image bounds itself.
    bool ClipToPage = false;

    bool onScreen() const { return Kind == Target::Screen; }

    static RenderPolicy screen() { return RenderPolicy{}; }
    static RenderPolicy printer()
    {
        RenderPolicy p;
        p.Kind = Target::Printer;
        p.EdgeShift = 0;
        p.DeskAndFrame = false;
        p.Helpers = false;
        p.Interaction = false;
        p.HitTests = false;
        p.DirectFill = false;
        p.WriteBack = false;
        p.Headless = true;
        p.ClipToPage = true;
        return p;
    }
    // The screen pass run off-screen until layout and paint agree.
    static RenderPolicy settle()
    {
        RenderPolicy p;
        p.Interaction = false;
        p.HitTests = false;
        p.Headless = true;
        return p;
    }
    // A PDF page is drawn like a printed one; only the canvas differs.
    static RenderPolicy pdf()
    {
        RenderPolicy p = printer();
        p.Kind = Target::Pdf;
        return p;
    }
};

// Window metrics of the platform the layout of the view was made for.
inline constexpr int32_t kScrollBarSize = 17;   // SM_CXVSCROLL, SM_CYVSCROLL
inline constexpr int32_t kBorderSize = 1;       // SM_CXBORDER
// Gap between two pages and the margin around the page block.
inline constexpr int32_t kPageGap = 21;
inline constexpr int32_t kDeskMargin = 16;
// Passes a headless settle runs at most before it gives up on convergence;
// the screen's repaint timer stops after as many changing passes in a row.
inline constexpr int32_t kMaxSettlePasses = 12;
// The zoom range of the zoom box; the fitting modes stay inside it.
inline constexpr double kMinZoomPercent = 10;
inline constexpr double kMaxZoomPercent = 250;

} // namespace quillet
