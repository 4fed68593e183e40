// Wrap tests and anchor offers through the page's index of floating areas
// must give exactly what a walk over all of the page's floating areas
// gives: for whole documents opened and settled (stacked frames, frames of
// every wrap mode overlapping, frames spread down a page, frames that
// follow their lines onto later pages), and for single boxes asked about
// in any order, edges that are not numbers included.

#include "engine/Childwin.h"
#include "engine/FloatingAreas.h"
#include "formats/StandardServices.h"
#include "formats/rtf/Rtf.h"
#include "render/ImageCanvas.h"
#include "render/PaintPass.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

using namespace quillet;

namespace {

std::string shape(int left, int top, int right, int bottom, const char* anchor)
{
    std::ostringstream s;
    s << "{\\shp{\\*\\shpinst\\shpleft" << left << "\\shptop" << top << "\\shpright" << right << "\\shpbottom"
      << bottom << "\\shpwr2" << anchor << "\\shpbxpage{\\shptxt f\\par}}}\n";
    return s.str();
}

std::string text(int paragraphs)
{
    std::string s;
    for (int i = 0; i < paragraphs; ++i) s += "Words that flow around the frames, paragraph " + std::to_string(i) + ".\\par\n";
    return s;
}

// Everything wrapping and anchoring write back, as text.
std::string state(const TMDIChild& w)
{
    std::ostringstream out;
    for (const TextArea& a : w.Areas) {
        out << "A" << int(a.AreaType) << " p" << a.PageIndex << " " << a.Left << "," << a.Top << " id" << a.AnchorId
            << " cand" << a.CandDistance << "/" << a.CandArea << "/" << a.CandLine << "\n";
        for (const TextLine& l : a.Lines) {
            out << " L" << l.CharCount() << " id" << l.AnchorId << ":";
            for (const TextChar& c : l.Chars)
                if (c.GapBefore() != 0) out << " g" << c.GapBefore();
            out << "\n";
        }
    }
    return out.str();
}

// The document after each of the passes that settle it, the first one
// drawing every body on the first page (as opening a file leaves it).
std::string settled(const std::string& body, const std::function<void(TMDIChild&)>& tweak, bool indexed)
{
    paint::IndexFloatingAreas = indexed;
    FrameState frame = StandardFrameState();
    TMDIChild w(frame);
    const std::string rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\n" + body + "}";
    ReadRtfFile(w, reinterpret_cast<const uint8_t*>(rtf.data()), rtf.size());
    if (tweak) tweak(w);
    w.RefreshAfterPaint = 1;
    w.CompleteRefresh();
    ImageCanvas scratch(10, 10, 96);
    std::string out;
    for (int pass = 0; pass < 4; ++pass) {
        if (w.LayoutCarryOvers > 0) w.MakeSoftEnters();
        w.RenderAllPages = 1;
        paint::drawPages(w, scratch, RenderPolicy::settle(), 0, 0, 0);
        out += "pass " + std::to_string(pass) + "\n" + state(w);
    }
    paint::IndexFloatingAreas = true;
    return out;
}

TEST(FloatingIndex, SettlesDocumentsAsAWalkOfThePagesFloatingAreas)
{
    std::string stacked, spread, following;
    for (int i = 0; i < 40; ++i) stacked += shape(1200 + (i % 4) * 300, 1500 + (i % 3) * 400, 3600 + (i % 4) * 300, 3300, "\\shpbypage");
    for (int i = 0; i < 30; ++i) spread += shape(1200 + (i % 3) * 3000, 1000 + i * 450, 2700 + (i % 3) * 3000, 1400 + i * 450, "\\shpbypage");
    for (int i = 0; i < 30; ++i) following += shape(1000 + (i % 5) * 500, 200, 3000 + (i % 5) * 500, 1200, "\\shpbypara") + text(4);
    // Every wrap mode, wrap distances, and one frame standing on no page.
    const auto modes = [](TMDIChild& w) {
        int n = 0;
        for (TextArea& a : w.Areas) {
            if (a.AreaType != atTextFrame) continue;
            a.WrapMode = n % 4;
            a.WrapDistanceX = a.WrapDistanceY = (n % 3) * 1.5;
            // Text above and below only sends every line it meets on, and
            // text left only every line that reaches the frame: such frames
            // stand lower, or further right, so the others still make gaps.
            if (a.WrapMode == 1) {
                a.Top += 120;
                a.Bottom += 120;
            } else if (a.WrapMode == 2) {
                a.Left += 90;
                a.Right += 90;
            }
            if (n++ == 7) a.PageMode = 99;
        }
    };
    const struct {
        const char* name;
        std::string body;
        std::function<void(TMDIChild&)> tweak;
    } cases[] = {
        {"stacked", stacked + text(200), {}},
        {"overlapping, every wrap mode", stacked + text(200), modes},
        {"spread down a page and beyond", spread + text(150) + spread + text(60), {}},
        {"following their lines onto later pages", following, {}},
        {"following, every wrap mode", following, modes},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string walked = settled(c.body, c.tweak, false);
        EXPECT_NE(walked.find(" g"), std::string::npos) << "text wrapped around a frame";
        EXPECT_EQ(settled(c.body, c.tweak, true), walked);
    }
}

TEST(FloatingIndex, AnswersEachBoxAsTheWalk)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    std::mt19937 rng(12);
    const auto real = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
    FrameState frame = StandardFrameState();
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        TMDIChild w(frame);
        std::vector<int32_t> onPage;
        for (int i = 0; i < 60; ++i) {
            TextArea a;
            a.AreaType = i % 9 == 0 ? atFooter : atTextFrame;
            a.PageIndex = i % 7 == 0 ? 1 : 0;
            a.Left = real(0, 180);
            a.Right = a.Left + real(-5, 60);
            a.Top = round % 2 ? real(20, 40) : real(0, 260);  // stacked or spread
            a.Bottom = a.Top + real(0, 40);
            if (i % 17 == 3) (i % 2 ? a.Left : a.Top) = nan;
            if (i % 23 == 5) a.Bottom = inf;
            a.WrapText = i % 5 != 0;
            a.WrapMode = i % 11 == 0 ? 1 : i % 4;
            a.WrapDistanceX = a.WrapDistanceY = real(0, 3);
            a.MoveWithText = i % 3 == 0;
            a.CandDistance = -1;
            w.Areas.push_back(a);
            onPage.push_back(w.AreaCount() - 1);
        }
        TMDIChild walked(frame);
        walked.Areas = w.Areas;
        FloatingIndex index;
        index.reset(&onPage, 0);
        for (int q = 0; q < 400; ++q) {
            // Character boxes offer no anchor, except a few that take the walk.
            const bool anchorOnly = q % 5 == 0, mayAnchor = anchorOnly || q % 7 == 0;
            // Half the boxes stand on a coarse grid, so that places repeat.
            const auto place = [&](double hi) { return q % 2 ? real(0, hi) : std::floor(real(0, hi) / 9) * 9; };
            const double top = q % 97 == 0 ? nan : place(280), height = q % 2 ? real(0, 8) : 4, width = real(0, 6);
            double x = q % 89 == 0 ? nan : place(200), xw = x;
            const auto got = index.collide(w, 0, w.PageWidthPx, anchorOnly, mayAnchor, top, 25, 0, 0, height, width, top, x,
                                           w.PrinterDpi, w.PageHeightPx);
            const auto want = walked.iscolladingwithfield(0, w.PageWidthPx, anchorOnly, mayAnchor, top, 25, 0, 0, height,
                                                          width, top, xw, w.PrinterDpi, w.PageHeightPx, &onPage);
            ASSERT_EQ(got.Hit, want.Hit) << q;
            ASSERT_EQ(got.NextLine, want.NextLine) << q;
            ASSERT_TRUE(x == xw || (std::isnan(x) && std::isnan(xw))) << q << " " << x << " " << xw;
            if (q % 50 == 49) {
                // A frame moves, as one following its line does.
                const size_t k = size_t(q) % w.Areas.size();
                w.Areas[k].Top = walked.Areas[k].Top = real(0, 260);
                w.Areas[k].Bottom = walked.Areas[k].Bottom = w.Areas[k].Top + 10;
                index.moved(int32_t(k));
            }
        }
        const auto same = [](double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); };
        for (size_t k = 0; k < w.Areas.size(); ++k) {
            const TextArea &a = w.Areas[k], &b = walked.Areas[k];
            EXPECT_TRUE(same(a.CandDistance, b.CandDistance) && same(a.CandOffsetX, b.CandOffsetX) &&
                        same(a.CandOffsetY, b.CandOffsetY))
                << k;
        }
    }
}

} // namespace
