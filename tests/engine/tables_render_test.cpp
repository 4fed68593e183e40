// A table built through the window's operations and typed into through its
// key handlers, including a cell whose text takes several lines: it lays
// out into runs, paints its borders (written to PNG for a person to look
// at), and comes back from the native format as it was saved.

#include "engine/Childwin.h"
#include "engine/TableDialogs.h"
#include "formats/StandardServices.h"
#include "platform/VirtualKeys.h"
#include "tests/support/RenderHelpers.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace quillet::test {
namespace {

struct Dialogs : TableDialogUi {
    bool runInsertTableDialog(TInsertTableForm& f) override
    {
        f = {3, 2};
        return true;
    }
};

void typeKeys(TMDIChild& w, std::string_view text)
{
    for (char c : text) {
        if (c == '\t') {  // on to the next cell
            uint16_t k = VK_RIGHT;
            w.getkeysKeyDown(k, 0);
            continue;
        }
        uint8_t k = uint8_t(c);
        w.getkeysKeyPress(k);
    }
}

std::string words(int n)
{
    std::string s;
    for (int i = 0; i < n; ++i) s += i ? " word" : "word";
    return s;
}

// What a line is, as a file must keep it (a plain line's cell fields mean
// nothing and are left out).
auto cellView(TextLine l)
{
    if (!l.IsCell) {
        l.CellWidth = 0;
        l.Design = CellDesign{};
    }
    std::string text;
    for (const TextChar& c : l.Chars) text.push_back(char(c.Code));
    return std::tuple(text, l.IsCell, l.CellsPerRow, l.CellIndex, l.RowFirstRun, l.RowLastRun, l.CellWidth,
                      l.CellInsetLeft, l.CellInsetRight, l.Design, l.Para->LeftIndent, l.EndKind);
}

TEST(TablesRendered, ATypedTableLaysOutPaintsAndSurvivesTheNativeFormat)
{
    Dialogs dialogs;
    RenderDoc d;
    d.frame.Options.SpellWhileTyping = 0;
    d.w.AutoHyphenation = 0;
    d.w.TableDialogs = &dialogs;
    typeKeys(d.w, "Before");
    d.w.inserttable();
    typeKeys(d.w, "Alpha\t" + words(40) + "\tGamma\tone\ttwo");
    d.w.AddTableLines();
    typeKeys(d.w, "last row");
    d.w.Areas[0].Lines[1].Design.Background = 0xC0C0FF;
    d.w.Areas[0].Lines[1].Design.Transparent = 0;
    d.w.SetAllDirtyFlags();
    d.w.MakeSoftEnters();

    // The second cell's forty words need several runs of the first row.
    const std::vector<TextLine>& lines = d.w.Areas[0].Lines;
    int32_t firstRowRuns = 0, cells = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!lines[i].IsCell) continue;
        ++cells;
        EXPECT_EQ(lines[i].CellsPerRow, 3) << i;
        EXPECT_EQ(lines[i].CellIndex, int32_t(cells - 1) % 3) << i;
        if (i < 4 && lines[i].CellIndex == 0) {
            EXPECT_TRUE(lines[i].RowFirstRun);
        }
    }
    for (size_t i = 1; i < lines.size() && lines[i].IsCell; i += 3) {
        ++firstRowRuns;
        if (lines[i].RowLastRun) break;
    }
    EXPECT_GE(firstRowRuns, 3);
    EXPECT_EQ(cells % 3, 0);

    const ImageCanvas& image = d.paint();
    writePng(image, "tables_typed");
    // Every drawn cell registers its border zones; a left border is drawn
    // down the middle of its zone, and the shaded cell is filled.
    int32_t zones = 0, dark = 0;
    for (const MouseObj& z : d.w.MouseObjs) {
        if (z.Kind != 1) continue;
        ++zones;
        if (pixelAt(image, z.Left + 2, (z.Top + z.Bottom) / 2) == 0) ++dark;
    }
    EXPECT_GE(zones, 2 * cells);
    EXPECT_GT(dark, cells / 2);

    const auto dir = freshTestDir("tables");
    const std::string file = (dir / "typed.qdt").string();
    ASSERT_TRUE(d.w.SaveQDTFile(file));
    FrameState frame = StandardFrameState();
    TMDIChild back(frame);
    RecordingBoxes boxes;
    setMessageBoxes(&boxes);
    const bool opened = back.OpenQDTFile(file);
    setMessageBoxes(nullptr);
    ASSERT_TRUE(opened) << (boxes.texts.empty() ? "" : boxes.texts[0]);
    back.SetAllDirtyFlags();
    back.MakeSoftEnters();
    const std::vector<TextLine>& reread = back.Areas[0].Lines;
    ASSERT_EQ(reread.size(), lines.size());
    for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(cellView(reread[i]), cellView(lines[i])) << "line " << i;
}

} // namespace
} // namespace quillet::test
