#pragma once
// The command button of every dialog: a push button with an optional glyph
// beside its caption, and kinds (OK, Cancel, Help, ...) that bring caption,
// glyph and dialog result with them. The bevel comes from the current
// widget style; glyph and caption are placed by LayoutGlyphAndCaption.

#include <QColor>
#include <QImage>
#include <QPushButton>
#include <QRect>

#include <array>
#include <functional>

class QShortcut;

namespace quillet {

enum TBitBtnXPKind { bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll };
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TButtonStyle { bsAutoDetect, bsWin31, bsNew };
// The glyph cells, in the order they follow each other in a glyph bitmap.
enum TButtonState { bsUp = 0, bsDisabled = 1, bsDown = 2, bsExclusive = 3 };

// What a kind brings with it.
struct BitBtnKindInfo {
    const char* Caption;
    int ModalResult;
    bool Default;
    bool Cancel;
};
const BitBtnKindInfo& KindInfo(TBitBtnXPKind kind);

// The two-cell glyph (up, disabled) of a kind; null for bkCustom. Drawn once
// per run and shared.
const QImage& KindGlyph(TBitBtnXPKind kind);

struct GlyphAndCaption {
    QRect Glyph;
    QRect Caption;
};

// Places a glyph of `glyph` and a caption of `caption` pixels inside
// `client`. Margin -1 centres both; Spacing -1 spreads them evenly.
GlyphAndCaption LayoutGlyphAndCaption(const QRect& client, QSize glyph, QSize caption, TButtonLayout layout,
                                      int margin, int spacing, bool rightToLeft);

// Colours a disabled glyph is shown with: the light edge and the shadow of
// the button face (which shows through the see-through pixels).
struct GlyphColors {
    QColor Highlight;
    QColor Shadow;
};

// The glyph image of one state, cut from `source` with `numGlyphs` cells;
// null for an empty source. A disabled state without a cell of its own is
// embossed from the up cell. Pixels of `transparent` (when valid) become
// see-through.
QImage BuildGlyphImage(const QImage& source, int numGlyphs, TButtonState state, const GlyphColors& colors,
                       QColor transparent);

// How many cells a new glyph bitmap holds: width / height when the width is
// a multiple of the height (1 when that is 5 or more), 1 for an empty
// bitmap, else `current` stays.
int GlyphCellCount(const QImage& bitmap, int current);

class TBitBtnXP : public QPushButton {
    Q_OBJECT
public:
    explicit TBitBtnXP(QWidget* parent = nullptr);
    TBitBtnXP(TBitBtnXPKind kind, QWidget* parent);

    // Falls back to bkCustom (for good) once Default, Cancel, ModalResult or
    // the glyph no longer match the kind.
    TBitBtnXPKind Kind() const;
    void SetKind(TBitBtnXPKind kind);

    int ModalResult() const { return Result; }
    void SetModalResult(int result) { Result = result; }
    // Enter presses the default button of a dialog.
    bool Default() const { return DefaultValue; }
    void SetDefault(bool on);
    // Escape presses the cancel button of its window.
    bool Cancel() const { return CancelValue; }
    void SetCancel(bool on);

    const QImage& Glyph() const { return Source; }
    void SetGlyph(const QImage& bitmap);
    int NumGlyphs() const { return Cells; }
    void SetNumGlyphs(int count);

    TButtonLayout Layout() const { return LayoutValue; }
    void SetLayout(TButtonLayout layout);
    int Margin() const { return MarginValue; }
    // Values below -1 are refused.
    void SetMargin(int margin);
    int Spacing() const { return SpacingValue; }
    void SetSpacing(int spacing);
    TButtonStyle Style() const { return StyleValue; }
    void SetStyle(TButtonStyle style);

    // For a dialog that checks its input first: runs instead of ending the
    // dialog with ModalResult, and ends the dialog itself when the input is
    // good. The kind stays.
    std::function<void()> OnClick;

    // The glyph image the button shows in a state (cached until the glyph
    // changes); null without a glyph.
    QImage GlyphImage(TButtonState state) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Click();
    void setGlyphImage(const QImage& bitmap);
    void dropGlyphImages();
    GlyphColors glyphColors() const;

    mutable TBitBtnXPKind KindValue = bkCustom;
    int Result = 0;
    bool DefaultValue = false;
    bool CancelValue = false;
    bool ModifiedGlyph = false;
    QShortcut* Escape = nullptr;
    QImage Source;
    QColor Transparent;
    int Cells = 1;
    mutable std::array<QImage, 4> Images;
    mutable std::array<bool, 4> Built{};
    TButtonLayout LayoutValue = blGlyphLeft;
    int MarginValue = -1;
    int SpacingValue = 4;
    TButtonStyle StyleValue = bsAutoDetect;
};

} // namespace quillet
