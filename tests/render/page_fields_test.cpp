// Page number and page count fields in a footer shown on every page: laid
// out to 50 pages, each printed page shows its own number and the count.

#include "engine/Childwin.h"
#include "render/RecordingCanvas.h"
#include "tests/support/RenderHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace quillet;
using namespace quillet::test;

namespace {

TEST(PageFields, EveryFooterOfFiftyPagesShowsItsPageNumberAndTheCount)
{
    RenderDoc d;
    int32_t footer = -1;
    for (int32_t a = 0; a < d.w.AreaCount(); ++a)
        if (d.w.Areas[size_t(a)].AreaType == atFooter && d.w.Areas[size_t(a)].PageMode == 1) footer = a;
    ASSERT_GE(footer, 0);
    d.w.Cursor = d.w.Anchor = TextPos{footer, 0, 0};
    d.w.InsertField("page");
    d.type("/");
    d.w.InsertField("pagecount");

    d.w.Cursor = d.w.Anchor = TextPos{0, 0, 0};
    for (int i = 0; i < 49; ++i) {
        d.type("x");
        d.w.UmbruchEinfuegen();
    }
    ASSERT_EQ(d.w.GetAnzPages(), 50);
    const TextLine& line = d.w.Areas[size_t(footer)].Lines[0];
    ASSERT_EQ(line.CharCount(), 3);
    EXPECT_EQ(*line.Chars[2].FieldResult(), "50") << "the count follows the pages the pass made";

    for (int32_t page = 0; page < 50; ++page) {
        RecordingCanvas paper(CanvasKind::Printer, 100, 826, 1169);
        d.w.DrawPages(paper, 1, page, 0, 0);
        std::string drawn;
        for (const CanvasCall& call : paper.callsOf(CanvasOp::Text)) drawn += call.Text;
        EXPECT_NE(drawn.find(std::to_string(page + 1) + "/50"), std::string::npos) << "page " << page + 1 << ": " << drawn;
    }
}

} // namespace
