// Format > Columns on the cursor's paragraph: what the dialog is shown, and
// what its OK writes (through the paragraph writer, as one undo step).

#include "engine/Childwin.h"
#include "engine/ColumnsDialog.h"
#include "platform/VirtualKeys.h"
#include "tests/support/TypingWindow.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

using namespace quillet;

namespace {

struct ColumnsUi : test::RecordingUi {
    std::function<bool(SpaltenDialogModel&)> answer;
    SpaltenDialogModel shown;
    int shows = 0;
    bool runSpaltenDialog(SpaltenDialogModel& m) override
    {
        shown = m;
        ++shows;
        return answer && answer(m);
    }
};

class Columns : public test::TypingWindowOf<ColumnsUi> {
protected:
    // The new window's body width, not laid out before the typing.
    Columns() : TypingWindowOf(Setup::Bare)
    {
        resetFonts();
        // Two paragraphs; the cursor in the first.
        type("first paragraph");
        key(VK_RETURN);
        type("second");
        w.Cursor = w.Anchor = TextPos{0, 0, 3};
        w.UndoCopies.clear();
        w.UndoPos = 0;
        w.Modified = 0;
    }

    const TextLine& line(int32_t i) { return w.Areas[0].Lines[size_t(i)]; }
};

TEST_F(Columns, OkWritesTheDialogsSettingsToTheParagraph)
{
    w.Areas[0].Lines[0].ColumnGap = 12.5;
    ui.answer = [](SpaltenDialogModel& m) {
        m.ColumnCount = 3;
        m.Rule = true;
        m.GapCm = 0.8;
        return true;
    };
    w.spaltenformat();
    // A new paragraph's count of 0 is shown as one column, the gap in cm.
    EXPECT_EQ(ui.shows, 1);
    EXPECT_EQ(ui.shown.ColumnCount, 1);
    EXPECT_FALSE(ui.shown.Rule);
    EXPECT_DOUBLE_EQ(ui.shown.GapCm, 1.25);

    EXPECT_EQ(line(0).ColumnCount, 3);
    EXPECT_EQ(line(0).ColumnRule, 1);
    EXPECT_DOUBLE_EQ(line(0).ColumnGap, 8);
    EXPECT_EQ(line(1).ColumnCount, 0);
    ASSERT_EQ(w.UndoPos, 1);
    EXPECT_EQ(w.UndoCopies[0].Label, "Paragraph format");
    EXPECT_EQ(line(0).Dirty, 0);  // laid out

    // Shown again, the dialog reads what was written.
    w.spaltenformat();
    EXPECT_EQ(ui.shown.ColumnCount, 3);
    EXPECT_TRUE(ui.shown.Rule);
    EXPECT_DOUBLE_EQ(ui.shown.GapCm, 0.8);
}

TEST_F(Columns, CancelChangesNothingAndACountBelowOneKeepsTheSettings)
{
    w.Areas[0].Lines[0].ColumnCount = 2;
    w.Areas[0].Lines[0].ColumnGap = 10;
    const TextLine before = line(0);
    ui.answer = [](SpaltenDialogModel& m) {
        m.ColumnCount = 5;
        return false;
    };
    w.spaltenformat();
    EXPECT_EQ(line(0), before);
    EXPECT_EQ(w.UndoPos, 0);
    EXPECT_FALSE(w.Modified);

    ui.answer = [](SpaltenDialogModel& m) {
        m.ColumnCount = 0;
        m.GapCm = 3;
        return true;
    };
    w.spaltenformat();
    EXPECT_EQ(line(0).ColumnCount, 2);
    EXPECT_DOUBLE_EQ(line(0).ColumnGap, 10);
    EXPECT_EQ(w.UndoPos, 1);
}

} // namespace
