// The page directory a pass or a print job makes once must name, for every
// page, each area a walk of all areas would find on it (and only areas that
// walk might find there), in area order; its page count and body pages must
// be those the walk gives. Areas of every kind and page mode are mixed,
// including a damaged page index and a frame that follows its line.

#include "engine/Childwin.h"
#include "formats/StandardServices.h"
#include "render/PaintPass.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace quillet;

namespace {

struct AreaSpec {
    uint8_t type;
    int32_t page;
    uint8_t mode;
    uint8_t moves = 0;
    int32_t anchor = 0;
};

bool walkShows(const TextArea& a, int32_t page)
{
    if (a.AreaType == atPageBody) return a.PageIndex == page;
    return TMDIChild::istOnAllPagesGedeckt(a.PageMode, a.PageIndex, page);
}

TEST(PageDirectory, NamesWhatAWalkOfEveryAreaFindsOnEachPage)
{
    const std::vector<AreaSpec> specs = {
        {atPageBody, 0, 0},       {atHeader, 0, 1},          {atFooter, 0, 2},          {atPageBody, 3, 0},
        {atPageBody, 1, 7},       {atHeader, 2, 3},          {atFooter, 5, 4},          {atTextFrame, 2, 0},
        {atTextFrame, 2, 0, 1, 9}, {atTextFrame, 4, 0, 1, 0}, {atTextFrame, 1, 5},       {atPageBody, 2, 0},
        {atFooter, 3, 0},          {atHeader, 0, 6},          {atTextFrame, 0, 99},      {atPageBody, -4, 0},
        {atPageBody, 3, 0},        {atFooter, 1, 0},          {atTextFrame, 6, 0, 1, 3}, {atPageBody, 6, 0},
    };
    FrameState frame = StandardFrameState();
    TMDIChild w(frame);
    w.Areas.clear();
    for (const AreaSpec& s : specs) {
        TextArea a;
        a.AreaType = s.type;
        a.PageIndex = s.page;
        a.PageMode = s.mode;
        a.MoveWithText = s.moves;
        a.AnchorId = s.anchor;
        w.Areas.push_back(a);
    }

    const paint::PageDirectory dir(w);
    EXPECT_EQ(dir.pages(), w.GetAnzPages());
    EXPECT_FALSE(dir.outOf(w));
    std::vector<int32_t> bodies{0};
    for (const TextArea& a : w.Areas)
        if (a.AreaType == atPageBody && a.PageIndex > 0) bodies.push_back(a.PageIndex);
    std::sort(bodies.begin(), bodies.end());
    bodies.erase(std::unique(bodies.begin(), bodies.end()), bodies.end());
    EXPECT_EQ(dir.bodyPages(), bodies);

    std::vector<int32_t> on;
    for (int32_t page = -1; page <= dir.pages() + 1; ++page) {
        SCOPED_TRACE(page);
        EXPECT_EQ(dir.hasBody(page), std::binary_search(bodies.begin(), bodies.end(), page));
        dir.areasOn(page, on);
        EXPECT_TRUE(std::is_sorted(on.begin(), on.end()));
        EXPECT_EQ(std::adjacent_find(on.begin(), on.end()), on.end());
        for (int32_t k = 0; k < w.AreaCount(); ++k) {
            if (walkShows(w.Areas[size_t(k)], page)) {
                EXPECT_TRUE(std::binary_search(on.begin(), on.end(), k)) << k;
            }
        }
    }
    // Areas of one page are named for that page alone.
    dir.areasOn(5, on);
    EXPECT_FALSE(std::binary_search(on.begin(), on.end(), 8));
    EXPECT_FALSE(std::binary_search(on.begin(), on.end(), 9));

    w.Areas.push_back(TextArea{});
    EXPECT_TRUE(dir.outOf(w));
}

} // namespace
