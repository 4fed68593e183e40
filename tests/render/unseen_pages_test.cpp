// A record move on a long document repaints only what can be seen, but the
// pass over the other pages must leave the document exactly as a pass that
// draws every area of every page: wrap gaps beside a wrapping frame (and
// gaps left where the frame no longer stands), a frame moving with its
// line, table cell widths, page numbers in the footer, and the database
// fields' new results.

#include "engine/Childwin.h"
#include "platform/DbfTable.h"
#include "render/PaintPass.h"
#include "tests/support/RenderHelpers.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>
#include <shapefil.h>

#include <filesystem>
#include <sstream>
#include <string>

using namespace quillet;
using namespace quillet::test;

namespace {

std::filesystem::path makeTable()
{
    const auto path = outputDir() / "unseen_pages.dbf";
    std::filesystem::remove(path);
    DBFHandle h = DBFCreate(path.c_str());
    DBFAddField(h, "WORD", FTString, 40, 0);
    const char* words[] = {"short", "a considerably longer value that wraps the line differently", "mid size"};
    for (int r = 0; r < 3; ++r) DBFWriteStringAttribute(h, r, 0, words[r]);
    DBFClose(h);
    return path;
}

// Everything the pass writes back, as text.
std::string state(const TMDIChild& w)
{
    std::ostringstream out;
    for (const TextArea& a : w.Areas) {
        out << "A" << int(a.AreaType) << " p" << a.PageIndex << " " << a.Left << "," << a.Top << "," << a.Right << ","
            << a.Bottom << " id" << a.AnchorId << " cand" << a.CandDistance << "\n";
        for (const TextLine& l : a.Lines) {
            out << " L" << l.CharCount() << " d" << int(l.Dirty) << " h" << l.Height << " cw" << l.CellWidth << " ci"
                << l.CellInsetLeft << "/" << l.CellInsetRight << " id" << l.AnchorId << ":";
            for (const TextChar& c : l.Chars) {
                if (c.GapBefore() != 0) out << " g" << c.GapBefore();
                if (c.FieldResult()) out << " [" << *c.FieldResult() << " " << c.Width << "]";
            }
            out << "\n";
        }
    }
    return out.str();
}

// The same document each time: pages of text with a database field on
// several of them, a footer with the page number, a table, a frame the text
// wraps around and one that moves with its line, far from the view.
std::string moveRecords(bool skipUnseen)
{
    paint::SkipUnseenAreas = skipUnseen;
    RenderDoc d;
    d.frame.MergeTable = std::make_shared<DbfTable>();
    EXPECT_EQ(d.frame.MergeTable->open(makeTable(), false), "");
    for (int32_t a = 0; a < d.w.AreaCount(); ++a)
        if (d.w.Areas[size_t(a)].AreaType == atFooter && d.w.Areas[size_t(a)].PageMode == 1) {
            d.w.Cursor = d.w.Anchor = TextPos{a, 0, 0};
            d.w.InsertField("page");
        }
    d.w.Cursor = d.w.Anchor = TextPos{0, 0, 0};
    for (int page = 0; page < 12; ++page) {
        for (int para = 0; para < 6; ++para) {
            d.type("words of some length fill the line until it breaks and goes on ");
            if (para % 2 == 1) d.w.InsertField("dbfield1");
            d.type(" and further words follow the field to the end of the paragraph\n");
        }
        if (page == 5) d.w.inserttableXY(3, 2);
        if (page == 5) d.w.Cursor = d.w.Anchor = TextPos{d.w.Cursor.Area, d.w.Areas[size_t(d.w.Cursor.Area)].LineCount() - 1, 0};
        d.w.UmbruchEinfuegen();
    }
    const int32_t wrap = addTextFrame(d.w, 40, 60, 120, 110);
    d.w.Areas[size_t(wrap)].WrapText = 1;
    d.w.Areas[size_t(wrap)].PageIndex = 8;
    const int32_t moving = addTextFrame(d.w, 30, 150, 90, 170);
    d.w.Areas[size_t(moving)].MoveWithText = 1;
    d.w.Areas[size_t(moving)].PageIndex = 10;
    for (int i = 0; i < 6; ++i) d.paint();

    std::string out;
    DbfTable& t = *d.frame.MergeTable;
    for (int step = 0; step < 4; ++step) {
        // The wrapping frame leaves its page once: its old page keeps gaps
        // until a pass takes them away.
        if (step == 2) d.w.Areas[size_t(wrap)].PageIndex = 9;
        t.next();
        d.w.RenderAllPages = 1;
        d.w.RefreshDirtyContent();
        for (int pass = 0; pass < 10 && d.w.RenderAllPages; ++pass) d.paint();
        out += "step " + std::to_string(step) + "\n" + state(d.w);
    }
    paint::SkipUnseenAreas = true;
    return out;
}

TEST(UnseenPages, ARecordMoveLeavesTheDocumentAsAPassOverEveryAreaDoes)
{
    const std::string full = moveRecords(false);
    const std::string skipping = moveRecords(true);
    EXPECT_NE(full.find("considerably longer"), std::string::npos);
    EXPECT_NE(full.find(" g"), std::string::npos) << "the frame made the text wrap";
    EXPECT_EQ(skipping, full);
}

} // namespace
