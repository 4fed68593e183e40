#include "engine/Childwin.h"
#include "engine/PageSetupDialog.h"
#include "formats/StandardServices.h"
#include "platform/PrinterInfo.h"
#include "render/ImageCanvas.h"
#include "render/RenderPolicy.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace quillet;
using quillet::test::RecordingHost;
using quillet::test::RecordingUi;

namespace {

struct FakePrinter : PrinterInfo {
    int32_t dpi = 300;
    std::vector<PaperFormat> papers = {
        {"Letter", 2159, 2794}, {"A4", 2100, 2970}, {"A5", 1480, 2100}};
    FakePrinter() { setPrinterInfo(this); }
    ~FakePrinter() override { setPrinterInfo(nullptr); }
    bool hasPrinter() const override { return true; }
    int32_t resolutionX() const override { return dpi; }
    std::vector<PaperFormat> paperFormats() const override { return papers; }
};

TEST(PrinterProps, PageSizeInPrinterPixelsTruncates)
{
    FrameState frame = StandardFrameState();
    TMDIChild w(frame);
    w.SetPrinterProps();
    EXPECT_EQ(w.PrinterDpi, 600);
    EXPECT_EQ(w.PageWidthPx, 4960);
    EXPECT_EQ(w.PageHeightPx, 7015);

    FakePrinter printer;
    w.SetPrinterProps();
    EXPECT_EQ(w.PrinterDpi, 300);
    EXPECT_EQ(w.PageWidthPx, 2480);
    EXPECT_EQ(w.PageHeightPx, 3507);

    // A driver that reports no resolution measures like no printer at all.
    printer.dpi = 0;
    w.PageWidth = 215.9;
    w.PageHeight = -5;
    w.SetPrinterProps();
    EXPECT_EQ(w.PrinterDpi, 600);
    EXPECT_EQ(w.PageWidthPx, 5100);
    EXPECT_EQ(w.PageHeightPx, 0);
}

TEST(PageSetupForm, OrientationAndPaperFollowTheEdits)
{
    TPageSetupForm f;
    f.setPapers(FakePrinter{}.papers);
    ASSERT_EQ(f.FormatItems, (std::vector<std::string>{"Letter", "A4", "A5", "User defined"}));
    EXPECT_EQ(f.FormatIndex, 3);

    f.FormatIndex = 1;
    f.FormatBoxChange();
    EXPECT_DOUBLE_EQ(f.BreitEd, 21);
    EXPECT_DOUBLE_EQ(f.HochEd, 29.7);
    f.QuerCheckClick();
    EXPECT_DOUBLE_EQ(f.BreitEd, 29.7);
    EXPECT_DOUBLE_EQ(f.HochEd, 21);
    EXPECT_EQ(f.FormatIndex, 1);

    // Typing the portrait size selects A4 again and "Portrait".
    f.BreitEd = 21;
    f.BreitEdChange();
    EXPECT_EQ(f.FormatIndex, 3);
    f.HochEd = 29.7;
    f.HochEdChange();
    EXPECT_EQ(f.FormatIndex, 1);
    EXPECT_EQ(f.HochCheck, 1);
    EXPECT_EQ(f.QuerCheck, 0);

    // Sizes computed in cm still match a paper given in tenths of a millimetre.
    f.BreitEd = 279.4 / 10;
    f.HochEd = 215.9 / 10;
    f.HochEdChange();
    EXPECT_EQ(f.FormatIndex, 0);
    EXPECT_EQ(f.QuerCheck, 1);

    f.BreitEd = 20;
    f.BreitEdChange();
    EXPECT_EQ(f.FormatIndex, 3);

    // "User defined": the orientation buttons turn the size round.
    f.HochCheckClick();
    EXPECT_DOUBLE_EQ(f.BreitEd, 20);
    EXPECT_DOUBLE_EQ(f.HochEd, 21.59);
    f.QuerCheckClick();
    EXPECT_DOUBLE_EQ(f.BreitEd, 21.59);
    EXPECT_DOUBLE_EQ(f.HochEd, 20);
    EXPECT_EQ(f.Updating, 0);
}

class PageSetup : public ::testing::Test {
protected:
    RecordingHost host;
    RecordingUi ui;
    FrameState frame = StandardFrameState();
    std::unique_ptr<TMDIChild> w;

    void SetUp() override
    {
        frame.ProgDir = test::programDir();
        w = std::make_unique<TMDIChild>(frame);
        w->setHost(&host);
        w->setFrameUi(&ui);
        w->DocTitle = "Brief";
        w->FormCreate();
    }
};

TEST_F(PageSetup, CancelChangesNothing)
{
    const auto areas = w->Areas;
    ui.pageSetup = [](TPageSetupForm& f) {
        f.TopEd = 9;
        return false;
    };
    w->PageSetup(1);
    EXPECT_EQ(ui.pageSetupShown, 1);
    EXPECT_EQ(w->Areas, areas);
    EXPECT_TRUE(w->UndoCopies.empty());
    EXPECT_EQ(w->Modified, 0);
}

TEST_F(PageSetup, DialogShowsTheDocumentAndOkWritesItBack)
{
    FakePrinter printer;
    w->Areas[6].PageMode = 6;
    TPageSetupForm seen;
    ui.pageSetup = [&](TPageSetupForm& f) {
        seen = f;
        f.FormatIndex = 2;  // A5
        f.QuerCheckClick();
        f.TopEd = 1;
        f.HeadEd = 1.5;
        f.LeftEd = 3;
        f.RightEd = 2;
        f.BottomEd = 2;
        f.FootEd = 1;
        f.headfootmode = 1;
        return true;
    };
    w->PageSetup(1);

    EXPECT_EQ(seen.FormatIndex, 1);  // A4
    EXPECT_EQ(seen.HochCheck, 1);
    EXPECT_DOUBLE_EQ(seen.TopEd, 2.5);
    EXPECT_DOUBLE_EQ(seen.HeadEd, 1.1);
    EXPECT_DOUBLE_EQ(seen.FootEd, 1.1);
    EXPECT_EQ(seen.headfootmode, 3);

    ASSERT_EQ(w->UndoCopies.size(), 1u);
    EXPECT_EQ(w->UndoCopies[0].Label, "Page setup");
    EXPECT_DOUBLE_EQ(w->PageWidth, 210);
    EXPECT_DOUBLE_EQ(w->PageHeight, 148);
    EXPECT_EQ(w->PageWidthPx, 2480);
    const TextArea& body = w->Areas[0];
    EXPECT_DOUBLE_EQ(body.InnerTop, 15);  // raised to the header distance
    EXPECT_DOUBLE_EQ(body.InnerBottom, 20);
    EXPECT_DOUBLE_EQ(body.InnerLeft, 30);
    EXPECT_DOUBLE_EQ(body.InnerRight, 20);
    for (size_t k = 0; k < 3; ++k) {
        const TextArea& h = w->Areas[1 + 2 * k];
        const TextArea& f = w->Areas[2 + 2 * k];
        EXPECT_DOUBLE_EQ(h.InnerTop, 15);
        EXPECT_DOUBLE_EQ(h.Bottom, 14.5);
        EXPECT_DOUBLE_EQ(h.InnerLeft, 30);
        EXPECT_DOUBLE_EQ(h.InnerRight, 20);
        EXPECT_DOUBLE_EQ(f.InnerBottom, 10);
        EXPECT_DOUBLE_EQ(f.Top, 19.5);
        EXPECT_DOUBLE_EQ(f.InnerLeft, 30);
    }
    // "Page 1".
    const uint8_t modes[] = {0, 0, 99, 99, 2, 2};
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(w->Areas[i + 1].PageMode, modes[i]) << i;
    EXPECT_EQ(host.caption, "Brief*");
}

TEST_F(PageSetup, HeaderFooterModesOfEveryChoice)
{
    const uint8_t expected[4][3] = {{99, 99, 1}, {0, 99, 2}, {99, 3, 4}, {0, 5, 6}};
    // Going round twice: every mode is left again for the next.
    for (int pass = 0; pass < 2; ++pass) {
        for (int mode = 0; mode < 4; ++mode) {
            ui.pageSetup = [&](TPageSetupForm& f) {
                f.headfootmode = mode;
                return true;
            };
            w->PageSetup(1);
            for (size_t k = 0; k < 3; ++k) {
                EXPECT_EQ(w->Areas[1 + 2 * k].PageMode, expected[mode][k]) << mode << " " << k;
                EXPECT_EQ(w->Areas[2 + 2 * k].PageMode, expected[mode][k]) << mode << " " << k;
            }
            // The next run reads the mode back from the odd-page footer.
            TPageSetupForm seen;
            ui.pageSetup = [&](TPageSetupForm& f) {
                seen = f;
                return false;
            };
            w->PageSetup(1);
            EXPECT_EQ(seen.headfootmode, mode);
        }
    }
}

TEST_F(PageSetup, WithoutDialogHeadersFollowTheBodyMargins)
{
    w->Areas[0].InnerLeft = 31;
    w->Areas[0].InnerRight = 17;
    w->Areas[0].InnerTop = 40;
    w->Areas[0].InnerBottom = 30;
    w->PageSetup(0);
    EXPECT_EQ(ui.pageSetupShown, 0);
    for (size_t k = 0; k < 3; ++k) {
        EXPECT_DOUBLE_EQ(w->Areas[1 + 2 * k].InnerLeft, 31);
        EXPECT_DOUBLE_EQ(w->Areas[1 + 2 * k].InnerRight, 17);
        EXPECT_DOUBLE_EQ(w->Areas[1 + 2 * k].Bottom, 39.5);
        EXPECT_DOUBLE_EQ(w->Areas[2 + 2 * k].Top, 29.5);
        EXPECT_DOUBLE_EQ(w->Areas[2 + 2 * k].InnerRight, 17);
    }
    EXPECT_DOUBLE_EQ(w->PageWidth, 210);
    EXPECT_DOUBLE_EQ(w->PageHeight, 297);
    EXPECT_EQ(w->Areas[6].PageMode, 1);
}

TEST_F(PageSetup, DocumentWithoutHeaderAreasKeepsItsOtherAreas)
{
    w->Areas.resize(3);
    w->Areas[2].AreaType = atTextFrame;
    w->Areas[2].InnerLeft = 1;
    w->Cursor = w->Anchor = TextPos{};
    ui.pageSetup = [](TPageSetupForm& f) {
        f.LeftEd = 4;
        f.BreitEd = 500;  // beyond the edit's range
        return true;
    };
    w->PageSetup(1);
    EXPECT_DOUBLE_EQ(w->Areas[0].InnerLeft, 40);
    EXPECT_DOUBLE_EQ(w->Areas[1].InnerLeft, 40);
    EXPECT_DOUBLE_EQ(w->Areas[2].InnerLeft, 1);
    EXPECT_DOUBLE_EQ(w->PageWidth, 1000);
}


// Loading runs the page setup without its dialog: nothing may pass through
// the dialog's centimetres or its paper list (which matches to a tenth of a
// millimetre and would snap a 210.04 mm page to A4), no printer is asked,
// and no undo step or change mark comes of it.
TEST_F(PageSetup, WithoutDialogTheDocumentsValuesStayExact)
{
    struct CountingPrinter : FakePrinter {
        mutable int asked = 0;
        std::vector<PaperFormat> paperFormats() const override
        {
            ++asked;
            return FakePrinter::paperFormats();
        }
    } printer;
    w->PageWidth = 210.04;
    w->PageHeight = 297.01;
    w->Areas[0].InnerTop = 25.4;
    w->Areas[0].InnerLeft = 19.05;
    w->Areas[0].InnerBottom = 12.34;
    w->Areas[0].InnerRight = 31.75;
    w->Areas[1].InnerTop = 10.07;
    w->Areas[2].InnerBottom = 7.77;
    w->Areas[6].PageMode = 4;
    w->SetFileChanged(false);
    w->PageSetup(0);

    EXPECT_EQ(printer.asked, 0);
    EXPECT_EQ(w->PageWidth, 210.04);
    EXPECT_EQ(w->PageHeight, 297.01);
    EXPECT_EQ(w->PageWidthPx, int32_t(210.04 / 25.39995 * 300));
    EXPECT_EQ(w->Areas[0].InnerTop, 25.4);
    EXPECT_EQ(w->Areas[0].InnerLeft, 19.05);
    EXPECT_EQ(w->Areas[0].InnerBottom, 12.34);
    EXPECT_EQ(w->Areas[0].InnerRight, 31.75);
    for (size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(w->Areas[1 + 2 * k].InnerTop, 10.07);
        EXPECT_EQ(w->Areas[1 + 2 * k].Bottom, 25.4 - 0.5);
        EXPECT_EQ(w->Areas[2 + 2 * k].InnerBottom, 7.77);
        EXPECT_EQ(w->Areas[2 + 2 * k].Top, 12.34 - 0.5);
        EXPECT_EQ(w->Areas[2 + 2 * k].InnerLeft, 19.05);
    }
    // "Even/odd pages" read back from the odd-page footer and written again.
    EXPECT_EQ(w->Areas[3].PageMode, 3);
    EXPECT_EQ(w->Areas[6].PageMode, 4);
    EXPECT_TRUE(w->UndoCopies.empty());
    EXPECT_EQ(w->Modified, 0);

    // The dialog still offers the printer's papers.
    ui.pageSetup = [](TPageSetupForm&) { return false; };
    w->PageSetup(1);
    EXPECT_EQ(printer.asked, 1);
}

// A header distance beyond the top margin, or a margin under half a
// millimetre, leaves header and footer areas of no or negative height;
// layout has to get through such a page.
TEST_F(PageSetup, HeadersOfNegativeHeightAreLaidOut)
{
    ui.pageSetup = [](TPageSetupForm& f) {
        f.TopEd = 0.02;
        f.HeadEd = 0.01;
        f.BottomEd = 0;
        f.FootEd = 0;
        return true;
    };
    w->PageSetup(1);
    EXPECT_LT(w->Areas[1].Bottom - w->Areas[1].InnerTop, 0);
    EXPECT_LT(w->Areas[2].Top - w->Areas[2].InnerBottom, 0);
    for (int32_t i = 0; i <= 6; ++i) {
        w->Cursor = w->Anchor = TextPos{i, 0, 0};
        for (const char c : std::string("text in an area that has no room for it")) {
            uint8_t key = uint8_t(c);
            w->getkeysKeyPress(key);
        }
    }
    w->CompleteRefresh();
    ImageCanvas scratch(10, 10, 96);
    EXPECT_LE(w->SettleLayout(scratch), kMaxSettlePasses);
    w->PaintBox1Paint();
    for (int32_t i = 0; i <= 6; ++i) EXPECT_FALSE(w->Areas[size_t(i)].Lines.empty()) << i;
}

} // namespace
