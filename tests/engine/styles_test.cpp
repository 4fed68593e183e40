// Named styles: making them from the format at the cursor, renaming and
// deleting them in the manage dialog, and applying them to paragraphs and
// text.

#include "engine/CharacterDialogs.h"
#include "engine/Childwin.h"
#include "platform/VirtualKeys.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TypingWindow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace quillet;

namespace {

class Styles : public test::TypingWindowOf<test::ScriptedDialogs> {
protected:
    Styles() { w.CreateStandartVorlagen(); }

    const FontEntry& fontOf(const TextChar& c) { return w.Fonts.at(size_t(c.FontIndex())); }
    const FontEntry& styleFont(int32_t i) { return w.Fonts.at(size_t(w.Vorlagen.at(size_t(i)).Sample.FontIndex())); }

    std::vector<std::string> names() const
    {
        std::vector<std::string> out;
        for (const VorlageRecord& v : w.Vorlagen) out.push_back(v.Name);
        return out;
    }

    // Answers the rename dialog with `name` after recording what it proposed.
    void answerRename(std::string name, bool ok = true)
    {
        ui.rename = [this, name, ok](RenameVorlageModel& m) {
            proposed = m.Edit1;
            m.Edit1 = name;
            return ok;
        };
    }

    std::string proposed;
};

TEST_F(Styles, ANewStyleIsProposedByCountAndTakesTheFormatAtTheCursor)
{
    type("abc");
    FontEntry red = fontOf(w.Areas[0].Lines[0].Chars[0]);
    red.Color = 0xFF;
    w.Areas[0].Lines[0].Chars[0].setFontIndex(w.GetNewFontIndex(red));
    w.Areas[0].Lines[0].Para.edit().Alignment = 2;
    w.Areas[0].Lines[0].Para.edit().ItemNumber = 4;

    // On a character that is not the line's last: that character's format.
    w.Cursor = w.Anchor = TextPos{0, 0, 0};
    answerRename("Red");
    w.NeueVorlage(0);
    EXPECT_EQ(proposed, "Format template 6");
    ASSERT_EQ(w.Vorlagen.size(), 6u);
    EXPECT_EQ(w.Vorlagen[5].StyleKind, 0);
    EXPECT_EQ(styleFont(5).Color, 0xFFu);
    EXPECT_EQ(w.Vorlagen[5].Para.Alignment, 2);
    EXPECT_EQ(w.Vorlagen[5].Para.ItemNumber, 0);
    EXPECT_EQ(ui.styleItems.back(), "Red");

    // On the last character, after it, or before the line: the typing format.
    for (int32_t ch : {2, 3, -1}) {
        w.Cursor = w.Anchor = TextPos{0, 0, 0};
        w.FontState.Size = 20 + ch;
        w.Cursor.Char = ch;
        answerRename("At " + std::to_string(ch));
        w.NeueVorlage(1);
        EXPECT_EQ(w.Vorlagen.back().StyleKind, 1);
        EXPECT_DOUBLE_EQ(styleFont(int32_t(w.Vorlagen.size()) - 1).Size, 20 + ch) << ch;
    }
    EXPECT_EQ(proposed, "Format template 9");

    // Cancel, an empty name, or a cursor on no line: nothing is added.
    const size_t count = w.Vorlagen.size();
    w.Cursor = w.Anchor = TextPos{0, 0, 1};
    answerRename("No", false);
    w.NeueVorlage(0);
    answerRename("");
    w.NeueVorlage(0);
    const int shown = ui.shown;
    w.Cursor = TextPos{0, 99, 0};
    w.NeueVorlage(0);
    EXPECT_EQ(ui.shown, shown);
    EXPECT_EQ(w.Vorlagen.size(), count);
}

TEST_F(Styles, TheManageDialogRenamesDeletesAndUses)
{
    // Rename the second, delete the first; Close.
    ui.verwalten = [](VorlagenVerwaltenModel& m) {
        EXPECT_EQ(m.Selected, 0);
        m.Selected = 1;
        EXPECT_EQ(m.selectedName(), "Caption 1");
        m.rename(std::string(300, 'h'));
        m.rename("");  // refused by the rename dialog; never empties a name
        m.Selected = 0;
        m.deleteSelected();
        EXPECT_EQ(m.Selected, 0);
        EXPECT_EQ(m.names().size(), 4u);
        return false;
    };
    w.VorlagenVerwalten();
    const std::vector<std::string> expect = {std::string(255, 'h'), "Caption 2", "Caption 3", "Default font"};
    EXPECT_EQ(names(), expect);
    EXPECT_EQ(ui.styleItems, expect);

    // "Use" on "Caption 2" applies it to the word at the caret.
    type("word");
    key(VK_LEFT);
    ui.verwalten = [](VorlagenVerwaltenModel& m) {
        m.Selected = 1;
        return true;
    };
    w.VorlagenVerwalten();
    const FontEntry& f = fontOf(w.Areas[0].Lines[0].Chars[0]);
    EXPECT_EQ(f.Face, "Arial");
    EXPECT_EQ(f.Style, 3);

    // Deleting the last row moves the selection up; deleting all empties
    // the box, and the next new style counts from 1 again.
    ui.verwalten = [](VorlagenVerwaltenModel& m) {
        m.Selected = int32_t(m.names().size()) - 1;
        m.deleteSelected();
        EXPECT_EQ(m.Selected, int32_t(m.names().size()) - 1);
        while (m.hasSelection()) m.deleteSelected();
        m.deleteSelected();
        return true;  // "Use" with nothing selected
    };
    w.VorlagenVerwalten();
    EXPECT_TRUE(w.Vorlagen.empty());
    EXPECT_TRUE(ui.styleItems.empty());
    answerRename("First");
    w.NeueVorlage(0);
    EXPECT_EQ(proposed, "Format template 1");
}

TEST_F(Styles, AParagraphStyleSetsTheParagraphAndACharacterStyleOnlyTheCharacters)
{
    type("one two");
    key(VK_RETURN);
    type("three");
    // A paragraph style with a format of its own.
    AbsatzFormat para = DefaultAbsatzFormat();
    para.Alignment = 1;
    para.LeftIndent = 12;
    para.Tabs = {TabStop{30, 2, 2}};
    para.ListKind = 1;
    para.BulletChar = 183;
    para.BulletFace = std::string("Symbol");
    w.AddVorlage("Centred", 0, w.Vorlagen[1].Sample, para);
    const int32_t centred = int32_t(w.Vorlagen.size()) - 1;

    // The caret in "two": the first paragraph and the word "two" with the space.
    w.Cursor = w.Anchor = TextPos{0, 0, 5};
    const size_t copies = w.UndoCopies.size();
    const std::vector<TextLine> before = w.Areas[0].Lines;
    w.useVorlage(centred);
    EXPECT_EQ(w.UndoCopies.size(), copies + 1) << "one step for the whole style";
    const TextLine& first = w.Areas[0].Lines[0];
    AbsatzFormat got = first.Para;
    got.ItemNumber = 0;
    EXPECT_EQ(got, para);
    EXPECT_EQ(w.Areas[0].Lines[1].Para, before[1].Para);
    std::string caption;
    for (const TextChar& c : first.Chars) caption += fontOf(c).Face == "Arial" ? 'A' : '.';
    EXPECT_EQ(caption, "...AAAA");
    EXPECT_DOUBLE_EQ(fontOf(first.Chars[4]).Size, 14);
    // The typing format follows the formatted text.
    EXPECT_EQ(w.FontState.Face, "Arial");

    // Undo takes back both halves.
    w.RestoreCopyFromUndo(0);
    EXPECT_EQ(w.Areas[0].Lines[0].Para->Alignment, before[0].Para->Alignment);
    EXPECT_EQ(fontOf(w.Areas[0].Lines[0].Chars[4]).Face, "Times New Roman");

    // "Default font" over a selection of both paragraphs: characters only.
    w.useVorlage(centred);
    key(VK_A, ssCtrl);
    const AbsatzFormat firstPara = w.Areas[0].Lines[0].Para;
    w.useVorlage(4);
    EXPECT_EQ(w.UndoCopies.back().Label, "Character format");
    EXPECT_EQ(w.Areas[0].Lines[0].Para, firstPara);
    for (const TextLine& l : w.Areas[0].Lines)
        for (const TextChar& c : l.Chars) {
            EXPECT_EQ(fontOf(c).Face, "Times New Roman");
            EXPECT_DOUBLE_EQ(fontOf(c).Size, 12);
        }
}

TEST_F(Styles, AStyleOutsideTheListOrWithoutItsFontChangesNothing)
{
    type("abc");
    const size_t copies = w.UndoCopies.size();
    const std::vector<TextLine> lines = w.Areas[0].Lines;
    w.useVorlage(-1);
    w.useVorlage(5);
    w.Vorlagen[4].Sample.setFontIndex(999);
    w.useVorlage(4);
    EXPECT_EQ(w.UndoCopies.size(), copies);
    EXPECT_EQ(w.Areas[0].Lines, lines);

    // A paragraph style without its font still sets the paragraph.
    w.Vorlagen[0].Sample.setFontIndex(-3);
    w.Vorlagen[0].Para.Alignment = 3;
    w.useVorlage(0);
    EXPECT_EQ(w.Areas[0].Lines[0].Para->Alignment, 3);
    EXPECT_EQ(w.Areas[0].Lines[0].Chars, lines[0].Chars);
}

} // namespace
