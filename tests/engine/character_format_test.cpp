// Applying character formats: which characters a format reaches (selection,
// the word at the caret), what the font table does, and how the formatted
// characters are measured again.

#include "engine/Childwin.h"
#include "engine/VirtualKeys.h"
#include "render/SelFont.h"
#include "tests/support/TypingWindow.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace quillet;

namespace {

class CharacterFormat : public test::TypingWindow {
protected:
    // The body keeps the width a new window gives it.
    CharacterFormat() : TypingWindowOf(Setup::Bare)
    {
        w.PrinterDpi = 600;
        resetFonts();
        layout();
    }

    const FontEntry& fontOf(const TextChar& c) { return w.Fonts.at(size_t(c.FontIndex)); }

    // The characters of the body in text order, each as its code followed by
    // 'B' when bold and '.' when not ("aBb." = bold a, plain b).
    std::string boldness()
    {
        std::string s;
        for (const TextLine& l : w.Areas[0].Lines)
            for (const TextChar& c : l.Chars) {
                s += char(c.Code);
                s += (fontOf(c).Style & 1) ? 'B' : '.';
            }
        return s;
    }

    void boldAt(TextPos caret)
    {
        w.Cursor = w.Anchor = caret;
        w.FontState.Style |= 1;
        TMDIChild::FormatSwitches s;
        s.Bold = 1;
        w.formatieren(s);
    }

    static double mm(int32_t px) { return double(px) / 600 * 25.39995; }
    static TextExtent extent(const FontEntry& f, double size, std::string_view text)
    {
        return selfont(f.Face, 600, f.Charset, f.Style, size, 100)->textExtent(text);
    }
};

TEST_F(CharacterFormat, ASelectionIsFormattedExceptItsPictures)
{
    type("abcd");
    TextChar& picture = w.Areas[0].Lines[0].Chars[2];
    picture.Kind = ckPicture;
    picture.FontIndex = 0;
    const double pictureWidth = picture.Width = 33;
    key(VK_HOME);
    key(VK_RIGHT, ssShift);
    key(VK_RIGHT, ssShift);
    key(VK_RIGHT, ssShift);
    const size_t before = w.UndoCopies.size();
    const int32_t plain = w.Areas[0].Lines[0].Chars[0].FontIndex;

    w.FontState.Style |= 1;
    TMDIChild::FormatSwitches s;
    s.Bold = 1;
    w.formatieren(s);
    const std::vector<TextChar>& cs = w.Areas[0].Lines[0].Chars;
    EXPECT_EQ(fontOf(cs[0]).Style & 1, 1);
    EXPECT_EQ(fontOf(cs[1]).Style & 1, 1);
    EXPECT_EQ(cs[2].FontIndex, plain);
    EXPECT_DOUBLE_EQ(cs[2].Width, pictureWidth);
    EXPECT_EQ(fontOf(cs[3]).Style & 1, 0);  // past the selection
    EXPECT_EQ(w.UndoCopies.size(), before + 1);
    EXPECT_EQ(w.UndoCopies.back().Label, "Character format");
    // Measured again in the bold face.
    EXPECT_DOUBLE_EQ(cs[0].Width, mm(extent(fontOf(cs[0]), 12, "a").cx));
    EXPECT_NE(cs[0].FontIndex, plain);
}

TEST_F(CharacterFormat, TheFontTableGainsOneEntryPerNewFormat)
{
    type("abc def");
    const size_t fonts = w.Fonts.size();
    key(VK_A, ssCtrl);
    w.FontState.Style |= 1;
    TMDIChild::FormatSwitches s;
    s.Bold = 1;
    w.formatieren(s);
    ASSERT_EQ(w.Fonts.size(), fonts + 1);
    const int32_t bold = w.Areas[0].Lines[0].Chars[0].FontIndex;
    for (const TextChar& c : w.Areas[0].Lines[0].Chars) EXPECT_EQ(c.FontIndex, bold);

    // The same value again finds the existing entry.
    w.formatieren(s);
    EXPECT_EQ(w.Fonts.size(), fonts + 1);
    EXPECT_EQ(w.Areas[0].Lines[0].Chars[0].FontIndex, bold);

    // Plain and italic characters: plain goes back to the existing entry,
    // italic gets one new entry of its own; other attributes stay.
    w.FontState.Style = 0;
    w.formatieren(s);
    const int32_t plain = w.Areas[0].Lines[0].Chars[0].FontIndex;
    FontEntry italic = w.Fonts[size_t(plain)];
    italic.Style = 2;
    italic.Color = 0xFF;
    w.Areas[0].Lines[0].Chars[5].FontIndex = w.GetNewFontIndex(italic);
    const size_t withItalic = w.Fonts.size();
    w.FontState.Style = 1;
    w.formatieren(s);
    EXPECT_EQ(w.Fonts.size(), withItalic + 1);
    EXPECT_EQ(w.Areas[0].Lines[0].Chars[0].FontIndex, bold);
    const FontEntry& e = fontOf(w.Areas[0].Lines[0].Chars[5]);
    EXPECT_EQ(e.Style, 3);
    EXPECT_EQ(e.Color, 0xFFu);
}

TEST_F(CharacterFormat, WithoutASelectionTheWordAtTheCaretWithTheSpaceBeforeIt)
{
    type("abc def ghi");
    // Between d and e: "def" and the space before it.
    boldAt(TextPos{0, 0, 5});
    EXPECT_EQ(boldness(), "a.b.c. BdBeBfB .g.h.i.");

    // Right after a word nothing changes, but the step is recorded.
    const std::string before = boldness();
    const size_t copies = w.UndoCopies.size();
    boldAt(TextPos{0, 0, 3});
    EXPECT_EQ(boldness(), before);
    EXPECT_EQ(w.UndoCopies.size(), copies + 1);
    // At a word's first letter: the space before it goes with it.
    boldAt(TextPos{0, 0, 8});
    EXPECT_EQ(boldness(), "a.b.c. BdBeBfB BgBhBiB");
    // The word at the very start has no separator before it.
    boldAt(TextPos{0, 0, 1});
    EXPECT_EQ(boldness(), "aBbBcB BdBeBfB BgBhBiB");
}

TEST_F(CharacterFormat, TheWordEndsAtParagraphEndsAndPageBreaksNotAtLineBreaks)
{
    type("abc");
    key(VK_RETURN);
    type("def");
    boldAt(TextPos{0, 1, 1});
    EXPECT_EQ(boldness(), "a.b.c.dBeBfB");

    key(VK_A, ssCtrl);
    key(VK_DELETE);
    w.FontState.Style = 0;
    type("abc");
    key(VK_RETURN, ssCtrl);
    type("def");
    const TextPos after = w.Cursor;
    boldAt(TextPos{after.Area, after.Line, 1});
    std::string all;
    for (int32_t a = 0; a >= 0; a = w.Areas[size_t(a)].NextInFlow)
        for (const TextLine& l : w.Areas[size_t(a)].Lines)
            for (const TextChar& c : l.Chars) all += (fontOf(c).Style & 1) ? 'B' : '.';
    EXPECT_EQ(all, "...BBB");

    key(VK_A, ssCtrl);
    key(VK_DELETE);
    w.FontState.Style = 0;
    type("abc");
    key(VK_RETURN, ssShift);
    type("def");
    boldAt(TextPos{0, 1, 1});
    EXPECT_EQ(boldness(), "aBbBcBdBeBfB");
}

TEST_F(CharacterFormat, TheWordStaysInItsTableCell)
{
    // A row of two cells over two runs; cell 1's word goes on from the
    // first run into the second.
    std::vector<TextLine>& ls = w.Areas[0].Lines;
    ls.assign(4, TextLine{});
    const char* texts[4] = {"ab", "cd", "ef", "gh"};
    for (int32_t i = 0; i < 4; ++i) {
        InitNewLine(ls, i);
        TextLine& l = ls[size_t(i)];
        l.IsCell = 1;
        l.CellsPerRow = 2;
        l.CellIndex = i % 2;
        l.CellWidth = 40;
        l.RowFirstRun = i < 2;
        l.RowLastRun = i >= 2;
        l.EndKind = i < 2 ? ekSoft : ekParagraph;
        for (const char* c = texts[i]; *c; ++c) {
            TextChar ch;
            ch.Code = uint8_t(*c);
            ch.Width = 1;
            ch.Height = 4;
            l.Chars.push_back(ch);
        }
    }
    boldAt(TextPos{0, 1, 1});
    std::string bold;
    for (const TextLine& l : ls)
        for (const TextChar& c : l.Chars)
            if (fontOf(c).Style & 1) bold += char(c.Code);
    EXPECT_EQ(bold, "cdgh");
}

TEST_F(CharacterFormat, RaisedAndSmallCharactersAreMeasuredAtTheirReducedSize)
{
    type("xa");
    // The keys take the format at the cursor into the current format: the
    // new values are written after them.
    key(VK_HOME);
    key(VK_RIGHT, ssShift);
    TMDIChild::FormatSwitches s;
    s.Size = 1;
    s.Options[foSuperscript] = 1;
    w.FontState.Size = 11;
    SettingOps(w.FontState.Options, foSuperscript, true);
    w.formatieren(s);
    const TextChar& x = w.Areas[0].Lines[0].Chars[0];
    const FontEntry& f = fontOf(x);
    EXPECT_DOUBLE_EQ(f.Size, 11);
    // 11 x 0.6 = 6.6: the width at 7 pt, the height at the full 11 pt.
    EXPECT_DOUBLE_EQ(x.Width, mm(extent(f, 7, "x").cx));
    EXPECT_DOUBLE_EQ(x.Height, mm(extent(f, 11, "x").cy));

    // Half a point reduces to nothing: measured at 1 pt.
    w.FontState.Size = 0.5;
    w.formatieren(s);
    EXPECT_DOUBLE_EQ(x.Width, mm(extent(fontOf(x), 1, "x").cx));

    // Small caps: the capital at three quarters of the size.
    key(VK_END);
    key(VK_LEFT, ssShift);
    w.FontState.Size = 12;
    w.FontState.Options = 0;
    SettingOps(w.FontState.Options, foSmallCaps, true);
    s = {};
    s.Size = 1;
    s.Options[foSuperscript] = 1;
    s.Options[foSmallCaps] = 1;
    w.formatieren(s);
    const TextChar& a = w.Areas[0].Lines[0].Chars[1];
    EXPECT_DOUBLE_EQ(a.Width, mm(extent(fontOf(a), 9, "A").cx));
    EXPECT_DOUBLE_EQ(a.Height, mm(extent(fontOf(a), 12, "A").cy));
}

TEST_F(CharacterFormat, FieldsAndFootnoteMarksAreMeasuredByTheTextTheyShow)
{
    type("ab");
    std::vector<TextChar>& cs = w.Areas[0].Lines[0].Chars;
    cs[0].Kind = ckField;
    cs[0].FieldResult = std::string("page 12");
    cs[1].Kind = ckFootnoteRef;
    cs[1].ShownNumber = 37;
    w.FontState.Options = 0;
    SettingOps(w.FontState.Options, foCapitals, true);
    TMDIChild::FormatSwitches s;
    s.Options[foCapitals] = 1;
    key(VK_A, ssCtrl);
    w.formatieren(s);
    EXPECT_DOUBLE_EQ(cs[0].Width, mm(extent(fontOf(cs[0]), 12, "PAGE 12").cx));
    EXPECT_DOUBLE_EQ(cs[1].Width, mm(extent(fontOf(cs[1]), 12, "37").cx));
    EXPECT_TRUE(GettingOps(fontOf(cs[1]).Options, foCapitals));

    // A character naming no font entry is formatted from the current format.
    cs[0].Kind = ckText;
    cs[0].Code = 'q';
    cs[0].FontIndex = 999;
    w.formatieren(s);
    EXPECT_LT(cs[0].FontIndex, w.FontCount());
}

TEST_F(CharacterFormat, TheStyleTogglesFlipTheCurrentFormatAndApplyIt)
{
    type("word");
    key(VK_LEFT);
    w.ToggleBold();
    EXPECT_EQ(w.FontState.Style & 1, 1);
    EXPECT_EQ(boldness(), "wBoBrBdB");
    w.ToggleBold();
    EXPECT_EQ(w.FontState.Style & 1, 0);
    EXPECT_EQ(boldness(), "w.o.r.d.");

    w.ToggleItalic();
    EXPECT_EQ(fontOf(w.Areas[0].Lines[0].Chars[0]).Style, 2);
    w.ToggleUnderline();
    const FontEntry& u = fontOf(w.Areas[0].Lines[0].Chars[0]);
    EXPECT_EQ(u.Style, 2 | 4);
    EXPECT_TRUE(GettingOps(u.Options, foUnderline));
    EXPECT_TRUE(GettingOps(w.FontState.Options, foUnderline));
    w.ToggleUnderline();
    EXPECT_FALSE(GettingOps(fontOf(w.Areas[0].Lines[0].Chars[0]).Options, foUnderline));

    // While the toolbar is being updated its buttons do nothing.
    const size_t copies = w.UndoCopies.size();
    w.UpdatingToolbar = 1;
    w.ToggleBold();
    w.UpdatingToolbar = 0;
    EXPECT_EQ(w.FontState.Style & 1, 0);
    EXPECT_EQ(w.UndoCopies.size(), copies);
}

} // namespace
