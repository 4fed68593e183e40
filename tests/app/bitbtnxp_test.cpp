// The dialogs' command button: glyph and caption placement, kinds and their
// results in a dialog, glyph cells, and the pressed and disabled looks.

#include "app/widgets/BitBtnXP.h"
#include "tests/app/DialogTestSupport.h"

#include <QDialog>
#include <QPainter>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace quillet;
using quillet::test::app;

namespace {

// ---- Placement of glyph and caption --------------------------------------------------------

struct LayoutCase {
    const char* what;
    QRect client;
    QSize glyph, caption;
    TButtonLayout layout;
    int margin, spacing;
    bool rtl;
    QPoint glyphAt, captionAt;
};

TEST(BitBtnLayout, PlacesGlyphAndCaption)
{
    const QSize g(16, 16), c(30, 13), none(0, 0);
    const LayoutCase cases[] = {
        {"even spread: (75 - 46) / 3 before and between", {0, 0, 75, 25}, g, c, blGlyphLeft, -1, -1, false, {9, 5}, {34, 6}},
        {"centred with spacing 4", {0, 0, 75, 25}, g, c, blGlyphLeft, -1, 4, false, {13, 5}, {33, 6}},
        {"across, the odd pixel goes before the part", {0, 0, 75, 24}, g, c, blGlyphLeft, -1, 4, false, {13, 4}, {33, 6}},
        {"glyph right", {0, 0, 75, 25}, g, c, blGlyphRight, -1, 4, false, {46, 5}, {12, 6}},
        {"right to left swaps left into right", {0, 0, 75, 25}, g, c, blGlyphLeft, -1, 4, true, {46, 5}, {12, 6}},
        {"right to left swaps right into left", {0, 0, 75, 25}, g, c, blGlyphRight, -1, 4, true, {13, 5}, {33, 6}},
        {"fixed margin, even spacing", {0, 0, 75, 25}, g, c, blGlyphLeft, 2, -1, false, {2, 5}, {31, 6}},
        {"fixed margin and spacing", {0, 0, 75, 25}, g, c, blGlyphLeft, 3, 5, false, {3, 5}, {24, 6}},
        {"glyph on top", {0, 0, 75, 50}, g, c, blGlyphTop, -1, 4, false, {30, 9}, {23, 29}},
        {"glyph at the bottom", {0, 0, 75, 50}, g, c, blGlyphBottom, -1, 4, false, {30, 25}, {23, 8}},
        {"no caption: spacing counts 0", {0, 0, 75, 25}, g, none, blGlyphLeft, -1, 4, false, {30, 5}, {46, 13}},
        {"no glyph: the caption alone is centred", {0, 0, 75, 25}, none, c, blGlyphLeft, -1, 4, false, {23, 13}, {23, 6}},
        {"an invalid glyph size counts as none", {0, 0, 75, 25}, QSize(), c, blGlyphLeft, -1, 4, false, {23, 13}, {23, 6}},
        {"client origin offsets both", {10, 20, 75, 25}, g, c, blGlyphLeft, -1, -1, false, {19, 25}, {44, 26}},
    };
    for (const LayoutCase& t : cases) {
        const GlyphAndCaption at =
            LayoutGlyphAndCaption(t.client, t.glyph, t.caption, t.layout, t.margin, t.spacing, t.rtl);
        EXPECT_EQ(at.Glyph.topLeft(), t.glyphAt) << t.what;
        EXPECT_EQ(at.Caption.topLeft(), t.captionAt) << t.what;
    }
}

// ---- Kinds ---------------------------------------------------------------------------------

struct KindCase {
    TBitBtnXPKind kind;
    const char* caption;
    int result;
    bool isDefault, isCancel;
};

const KindCase kKindCases[] = {
    {bkOK, "OK", 1, true, false},           {bkCancel, "Cancel", 2, false, true},
    {bkHelp, "&Help", 0, false, false},     {bkYes, "&Yes", 6, true, false},
    {bkNo, "&No", 7, false, true},          {bkClose, "&Close", 0, false, false},
    {bkAbort, "Abort", 3, false, false},    {bkRetry, "&Retry", 4, false, false},
    {bkIgnore, "&Ignore", 5, false, false}, {bkAll, "&All", 8, false, false},
};

TEST(BitBtnKind, BringsCaptionResultGlyphAndDefaults)
{
    app();
    for (const KindCase& t : kKindCases) {
        TBitBtnXP b;
        b.SetKind(t.kind);
        EXPECT_EQ(b.Kind(), t.kind) << t.caption;
        EXPECT_EQ(b.text(), t.caption);
        EXPECT_EQ(b.ModalResult(), t.result) << t.caption;
        EXPECT_EQ(b.Default(), t.isDefault) << t.caption;
        EXPECT_EQ(b.isDefault(), t.isDefault) << t.caption;
        EXPECT_EQ(b.Cancel(), t.isCancel) << t.caption;
        EXPECT_EQ(b.NumGlyphs(), 2) << t.caption;
        EXPECT_FALSE(b.GlyphImage(bsUp).isNull()) << t.caption;
        EXPECT_FALSE(b.GlyphImage(bsDisabled).isNull()) << t.caption;
    }
}

TEST(BitBtnKind, FallsBackToCustomForGoodOnceAPropertyNoLongerMatches)
{
    app();
    struct Case {
        const char* what;
        TBitBtnXPKind kind;
        std::function<void(TBitBtnXP&)> change;
        TBitBtnXPKind after;
    };
    const Case cases[] = {
        {"a new caption keeps the kind", bkOK, [](TBitBtnXP& b) { b.setText("&Ok"); }, bkOK},
        {"another modal result", bkOK, [](TBitBtnXP& b) { b.SetModalResult(3); }, bkCustom},
        {"no longer the default", bkOK, [](TBitBtnXP& b) { b.SetDefault(false); }, bkCustom},
        {"no longer the cancel button", bkCancel, [](TBitBtnXP& b) { b.SetCancel(false); }, bkCustom},
        {"now a cancel button", bkRetry, [](TBitBtnXP& b) { b.SetCancel(true); }, bkCustom},
        {"an own glyph", bkYes, [](TBitBtnXP& b) { b.SetGlyph(QImage(16, 16, QImage::Format_RGB32)); }, bkCustom},
        {"changed and changed back", bkOK,
         [](TBitBtnXP& b) {
             b.SetModalResult(3);
             (void)b.Kind();
             b.SetModalResult(1);
         },
         bkCustom},
        {"the focus moving the dialog's default elsewhere", bkOK,
         [](TBitBtnXP& b) { static_cast<QPushButton&>(b).setDefault(false); }, bkOK},
    };
    for (const Case& t : cases) {
        TBitBtnXP b(t.kind, nullptr);
        t.change(b);
        EXPECT_EQ(b.Kind(), t.after) << t.what;
    }
    // Setting the kind again after the fallback brings everything back.
    TBitBtnXP b(bkOK, nullptr);
    b.SetModalResult(0);
    ASSERT_EQ(b.Kind(), bkCustom);
    b.SetKind(bkOK);
    EXPECT_EQ(b.ModalResult(), 1);
    EXPECT_EQ(b.Kind(), bkOK);
}

// Runs a dialog holding one button, clicks it once the dialog is up, and
// ends the dialog with 42 when the click did not.
int runDialogAndClick(TBitBtnXPKind kind, std::function<void(QDialog&, TBitBtnXP&)> setup = {})
{
    app();
    QDialog dialog;
    auto* b = new TBitBtnXP(kind, &dialog);
    if (setup) setup(dialog, *b);
    QTimer::singleShot(0, &dialog, [&dialog, b] {
        b->click();
        if (dialog.isVisible()) dialog.done(42);
    });
    return dialog.exec();
}

TEST(BitBtnKind, ClickEndsTheDialogWithTheKindsResult)
{
    const std::pair<TBitBtnXPKind, int> cases[] = {
        {bkOK, QDialog::Accepted}, {bkCancel, QDialog::Rejected}, {bkYes, 6},   {bkNo, 7},
        {bkAbort, 3},              {bkRetry, 4},                  {bkIgnore, 5}, {bkAll, 8},
        {bkClose, QDialog::Rejected},  // closes its window
        {bkHelp, 42},                  // no help pages: the dialog stays up
        {bkCustom, 42},
    };
    for (const auto& [kind, result] : cases) EXPECT_EQ(runDialogAndClick(kind), result) << "kind " << kind;
}

TEST(BitBtnKind, AnInputCheckDecidesWhetherOkEnds)
{
    bool checked = false;
    EXPECT_EQ(runDialogAndClick(bkOK, [&](QDialog&, TBitBtnXP& b) { b.OnClick = [&] { checked = true; }; }), 42)
        << "the check refused: the dialog stays";
    EXPECT_TRUE(checked);
    EXPECT_EQ(runDialogAndClick(bkOK, [](QDialog& d, TBitBtnXP& b) { b.OnClick = [&d] { d.accept(); }; }),
              QDialog::Accepted);
}

TEST(BitBtnKind, EscapePressesTheCancelButton)
{
    app();
    QDialog dialog;
    new TBitBtnXP(bkNo, &dialog);
    new TBitBtnXP(bkYes, &dialog);
    bool active = false;
    QTimer::singleShot(0, &dialog, [&dialog, &active] {
        dialog.activateWindow();
        active = QTest::qWaitForWindowActive(&dialog);
        QTest::keyClick(&dialog, Qt::Key_Escape);
        if (dialog.isVisible()) dialog.done(42);
    });
    const int result = dialog.exec();
    // The No button answers 7; a dialog that never became active leaves
    // Escape to itself, and it rejects.
    EXPECT_EQ(result, active ? 7 : int(QDialog::Rejected));
}

// ---- Glyph cells ---------------------------------------------------------------------------

TEST(BitBtnGlyph, CellCountFollowsTheBitmapsShape)
{
    const struct {
        QSize size;
        int current, cells;
    } cases[] = {
        {{32, 16}, 1, 2}, {{80, 16}, 1, 1}, {{64, 16}, 1, 4}, {{48, 16}, 2, 3}, {{16, 16}, 3, 1},
        {{20, 16}, 3, 3},  // not a multiple: stays
        {{0, 0}, 3, 1},    // empty: one cell, no division by a zero height
    };
    for (const auto& t : cases) {
        const QImage image = t.size.isEmpty() ? QImage() : QImage(t.size, QImage::Format_RGB32);
        EXPECT_EQ(GlyphCellCount(image, t.current), t.cells) << t.size.width() << "x" << t.size.height();
    }
    app();
    TBitBtnXP b;
    b.SetGlyph(QImage());
    EXPECT_EQ(b.NumGlyphs(), 1);
    EXPECT_TRUE(b.GlyphImage(bsUp).isNull());
    EXPECT_TRUE(b.GlyphImage(bsDisabled).isNull());
    b.grab();  // paints without a glyph
    b.SetNumGlyphs(0);
    EXPECT_EQ(b.NumGlyphs(), 1);
    b.SetNumGlyphs(9);
    EXPECT_EQ(b.NumGlyphs(), 4);
    b.SetMargin(-5);
    EXPECT_EQ(b.Margin(), -1) << "values below -1 are refused";
    b.SetMargin(3);
    EXPECT_EQ(b.Margin(), 3);
}

// Four 4 x 4 cells in four colours, on a see-through column at x = 3 of each.
QImage fourCells()
{
    QImage image(16, 4, QImage::Format_ARGB32);
    const QRgb colours[4] = {qRgb(200, 0, 0), qRgb(0, 200, 0), qRgb(0, 0, 200), qRgb(200, 200, 0)};
    for (int x = 0; x < 16; ++x)
        for (int y = 0; y < 4; ++y) image.setPixel(x, y, x % 4 == 3 ? qRgb(1, 2, 3) : colours[x / 4]);
    return image;
}

TEST(BitBtnGlyph, EachStateTakesItsCellOrTheUpCell)
{
    const GlyphColors colors{QColor(250, 250, 250), QColor(90, 90, 90)};
    const QRgb red = qRgb(200, 0, 0), green = qRgb(0, 200, 0), blue = qRgb(0, 0, 200), yellow = qRgb(200, 200, 0);
    const struct {
        int cells;
        TButtonState state;
        QRgb colour;
    } cases[] = {
        {4, bsUp, red},   {4, bsDisabled, green}, {4, bsDown, blue},  {4, bsExclusive, yellow},
        {3, bsDown, blue}, {3, bsExclusive, red},  {2, bsDown, red},   {2, bsDisabled, green},
    };
    for (const auto& t : cases) {
        const QImage source = fourCells().copy(0, 0, 4 * t.cells, 4);
        const QImage cell = BuildGlyphImage(source, t.cells, t.state, colors, QColor(1, 2, 3));
        ASSERT_EQ(cell.size(), QSize(4, 4));
        EXPECT_EQ(cell.pixel(0, 0), t.colour) << t.cells << " cells, state " << t.state;
        EXPECT_EQ(qAlpha(cell.pixel(3, 0)), 0) << "the transparent colour is see-through";
    }
    EXPECT_TRUE(BuildGlyphImage(QImage(), 1, bsUp, colors, QColor()).isNull());
    EXPECT_TRUE(BuildGlyphImage(QImage(3, 4, QImage::Format_RGB32), 4, bsUp, colors, QColor()).isNull())
        << "cells narrower than a pixel";
    EXPECT_FALSE(BuildGlyphImage(QImage(4, 4, QImage::Format_RGB32), 0, bsUp, colors, QColor()).isNull());
}

TEST(BitBtnGlyph, DisabledLooks)
{
    const QColor light(250, 250, 250), dark(90, 90, 90);
    const GlyphColors colors{light, dark};
    // One cell: embossed from the shape, light one pixel down and right.
    QImage one(6, 6, QImage::Format_ARGB32);
    one.fill(Qt::transparent);
    one.setPixel(2, 2, qRgb(0, 0, 255));
    const QImage embossed = BuildGlyphImage(one, 1, bsDisabled, colors, QColor());
    EXPECT_EQ(embossed.pixel(2, 2), dark.rgb());
    EXPECT_EQ(embossed.pixel(3, 3), light.rgb());
    EXPECT_EQ(qAlpha(embossed.pixel(1, 1)), 0);
    EXPECT_EQ(qAlpha(embossed.pixel(4, 4)), 0);
    // Its own cell: white and mid grey take the button's colours.
    QImage two(4, 2, QImage::Format_RGB32);
    two.fill(qRgb(0, 0, 0));
    two.setPixel(2, 0, qRgb(255, 255, 255));
    two.setPixel(3, 0, qRgb(128, 128, 128));
    const QImage own = BuildGlyphImage(two, 2, bsDisabled, colors, QColor());
    EXPECT_EQ(own.pixel(0, 0), light.rgb());
    EXPECT_EQ(own.pixel(1, 0), dark.rgb());
    EXPECT_EQ(own.pixel(0, 1), qRgb(0, 0, 0));
}

// ---- Painting ------------------------------------------------------------------------------

QRect areaOf(const QImage& image, QRgb colour)
{
    QRect area;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) area |= QRect(x, y, 1, 1);
    return area;
}

TEST(BitBtnPaint, GlyphSitsWhereTheLayoutSaysAndMovesOnePixelWhenPressed)
{
    app();
    const QRgb mark = qRgb(3, 250, 7);
    QImage glyph(8, 8, QImage::Format_ARGB32);
    glyph.fill(mark);
    TBitBtnXP b;
    b.setText("Go");
    b.SetGlyph(glyph);
    b.resize(80, 30);
    const QRect up = areaOf(b.grab().toImage(), mark);
    const QSize caption = b.fontMetrics().size(Qt::TextShowMnemonic, "Go");
    EXPECT_EQ(up, LayoutGlyphAndCaption(b.rect(), {8, 8}, caption, blGlyphLeft, -1, 4, false).Glyph);
    b.setDown(true);
    const QRect down = areaOf(b.grab().toImage(), mark);
    EXPECT_EQ(down, up.translated(1, 1)) << "one pixel, not the style's shift on top";
    b.setDown(false);
    b.setEnabled(false);
    const QImage disabled = b.grab().toImage();
    EXPECT_TRUE(areaOf(disabled, mark).isEmpty()) << "the disabled glyph is embossed grey";
    EXPECT_EQ(areaOf(disabled, b.palette().color(QPalette::Dark).rgb()).intersected(up), up);
}

} // namespace
