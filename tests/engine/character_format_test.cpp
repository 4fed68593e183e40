// Applying character formats: which characters a format reaches (selection,
// the word at the caret), what the font table does, and how the formatted
// characters are measured again.

#include "engine/CharacterDialogs.h"
#include "engine/Childwin.h"
#include "platform/VirtualKeys.h"
#include "platform/SelFont.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestFiles.h"
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

    const FontEntry& fontOf(const TextChar& c) { return w.Fonts.at(size_t(c.FontIndex())); }

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
    picture.setFontIndex(0);
    const double pictureWidth = picture.Width = 33;
    key(VK_HOME);
    key(VK_RIGHT, ssShift);
    key(VK_RIGHT, ssShift);
    key(VK_RIGHT, ssShift);
    const size_t before = w.UndoCopies.size();
    const int32_t plain = w.Areas[0].Lines[0].Chars[0].FontIndex();

    w.FontState.Style |= 1;
    TMDIChild::FormatSwitches s;
    s.Bold = 1;
    w.formatieren(s);
    const std::vector<TextChar>& cs = w.Areas[0].Lines[0].Chars;
    EXPECT_EQ(fontOf(cs[0]).Style & 1, 1);
    EXPECT_EQ(fontOf(cs[1]).Style & 1, 1);
    EXPECT_EQ(cs[2].FontIndex(), plain);
    EXPECT_DOUBLE_EQ(cs[2].Width, pictureWidth);
    EXPECT_EQ(fontOf(cs[3]).Style & 1, 0);  // past the selection
    EXPECT_EQ(w.UndoCopies.size(), before + 1);
    EXPECT_EQ(w.UndoCopies.back().Label, "Character format");
    // Measured again in the bold face.
    EXPECT_FLOAT_EQ(cs[0].Width, mm(extent(fontOf(cs[0]), 12, "a").cx));
    EXPECT_NE(cs[0].FontIndex(), plain);
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
    const int32_t bold = w.Areas[0].Lines[0].Chars[0].FontIndex();
    for (const TextChar& c : w.Areas[0].Lines[0].Chars) EXPECT_EQ(c.FontIndex(), bold);

    // The same value again finds the existing entry.
    w.formatieren(s);
    EXPECT_EQ(w.Fonts.size(), fonts + 1);
    EXPECT_EQ(w.Areas[0].Lines[0].Chars[0].FontIndex(), bold);

    // Plain and italic characters: plain goes back to the existing entry,
    // italic gets one new entry of its own; other attributes stay.
    w.FontState.Style = 0;
    w.formatieren(s);
    const int32_t plain = w.Areas[0].Lines[0].Chars[0].FontIndex();
    FontEntry italic = w.Fonts[size_t(plain)];
    italic.Style = 2;
    italic.Color = 0xFF;
    w.Areas[0].Lines[0].Chars[5].setFontIndex(w.GetNewFontIndex(italic));
    const size_t withItalic = w.Fonts.size();
    w.FontState.Style = 1;
    w.formatieren(s);
    EXPECT_EQ(w.Fonts.size(), withItalic + 1);
    EXPECT_EQ(w.Areas[0].Lines[0].Chars[0].FontIndex(), bold);
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

TEST_F(CharacterFormat, TheWordEndsAtEveryHardLineEndNotAtASoftWrap)
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
    // A manual line break ends the word as well.
    type("abc");
    key(VK_RETURN, ssShift);
    type("def");
    ASSERT_EQ(w.Areas[0].Lines[0].EndKind, ekLineBreak);
    boldAt(TextPos{0, 1, 1});
    EXPECT_EQ(boldness(), "a.b.c.dBeBfB");
    w.FontState.Style = 0;
    boldAt(TextPos{0, 0, 1});
    EXPECT_EQ(boldness(), "aBbBcBdBeBfB");

    // A word wrapped softly over two lines is one word, from either side.
    key(VK_A, ssCtrl);
    key(VK_DELETE);
    w.FontState.Style = 0;
    for (const TextPos caret : {TextPos{0, 1, 1}, TextPos{0, 0, 4}}) {
        std::vector<TextLine>& ls = w.Areas[0].Lines;
        ls.assign(2, TextLine{});
        InitNewLine(ls, 0);
        InitNewLine(ls, 1);
        ls[0].EndKind = ekSoft;
        putChars(ls[0], "ab cd");
        putChars(ls[1], "ef gh");
        boldAt(caret);
        EXPECT_EQ(boldness(), "a.b. BcBdBeBfB .g.h.");
    }
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
            ch.setHeight(4);
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
    EXPECT_FLOAT_EQ(x.Width, mm(extent(f, 7, "x").cx));
    EXPECT_FLOAT_EQ(x.Height(), mm(extent(f, 11, "x").cy));

    // Half a point reduces to nothing: measured at 1 pt.
    w.FontState.Size = 0.5;
    w.formatieren(s);
    EXPECT_FLOAT_EQ(x.Width, mm(extent(fontOf(x), 1, "x").cx));

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
    EXPECT_FLOAT_EQ(a.Width, mm(extent(fontOf(a), 9, "A").cx));
    EXPECT_FLOAT_EQ(a.Height(), mm(extent(fontOf(a), 12, "A").cy));
}

TEST_F(CharacterFormat, FieldsAndFootnoteMarksAreMeasuredByTheTextTheyShow)
{
    type("ab");
    std::vector<TextChar>& cs = w.Areas[0].Lines[0].Chars;
    cs[0].Kind = ckField;
    cs[0].FieldResult() = std::string("page 12");
    cs[1].Kind = ckFootnoteRef;
    cs[1].setShownNumber(37);
    w.FontState.Options = 0;
    SettingOps(w.FontState.Options, foCapitals, true);
    TMDIChild::FormatSwitches s;
    s.Options[foCapitals] = 1;
    key(VK_A, ssCtrl);
    w.formatieren(s);
    EXPECT_FLOAT_EQ(cs[0].Width, mm(extent(fontOf(cs[0]), 12, "PAGE 12").cx));
    EXPECT_FLOAT_EQ(cs[1].Width, mm(extent(fontOf(cs[1]), 12, "37").cx));
    EXPECT_TRUE(GettingOps(fontOf(cs[1]).Options, foCapitals));

    // A character naming no font entry is formatted from the current format.
    cs[0].Kind = ckText;
    cs[0].Code = 'q';
    cs[0].setFontIndex(999);
    w.formatieren(s);
    EXPECT_LT(cs[0].FontIndex(), w.FontCount());
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

// ---- The character dialog and the special-character dialog ------------------------

class CharacterDialog : public test::TypingWindowOf<test::ScriptedDialogs> {
protected:
    CharacterDialog() { setMessageBoxes(&boxes); }
    ~CharacterDialog() override { setMessageBoxes(nullptr); }

    const FontEntry& fontOf(int32_t ch) { return w.Fonts.at(size_t(w.Areas[0].Lines[0].Chars.at(size_t(ch)).FontIndex())); }

    // "ab cd" with a at 10 pt bold, b at 14 pt, the rest as typed; all selected.
    void mixedSelection()
    {
        type("ab cd");
        std::vector<TextChar>& cs = w.Areas[0].Lines[0].Chars;
        FontEntry f = w.Fonts[size_t(cs[0].FontIndex())];
        f.Size = 10;
        f.Style = 1;
        cs[0].setFontIndex(w.GetNewFontIndex(f));
        f.Size = 14;
        f.Style = 0;
        cs[1].setFontIndex(w.GetNewFontIndex(f));
        key(VK_A, ssCtrl);
    }

    test::RecordingBoxes boxes;
};

TEST_F(CharacterDialog, FillingShowsTheCurrentFormatAndArmsTheTracking)
{
    CurrentFontState st;
    st.Face = "Arial";
    st.Size = 10.5;
    st.Style = 1 | 8;
    st.BkColor = 0x00FF00;
    st.BkTransparent = 0;
    SettingOps(st.Options, foItalic, true);  // the style bits decide items 0..3
    SettingOps(st.Options, foSmallCaps, true);
    ZeichenFormatModel m;
    m.FaceChanged = m.OptionChanged[5] = 1;  // left over from the last showing
    m.fill(st);
    EXPECT_EQ(m.fontbox, "Arial");
    EXPECT_EQ(m.FontSize, "10.5");
    EXPECT_EQ(m.col2, 0x00FF00u);
    EXPECT_EQ(m.transcheckEnabled, 0);
    EXPECT_EQ(m.transcheck, 0);
    const std::array<uint8_t, 14> checked = {1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0};
    EXPECT_EQ(m.attrlist, checked);
    EXPECT_EQ(m.CheckedAtShow, checked);
    EXPECT_EQ(m.FaceChanged, 0);
    EXPECT_EQ(m.OptionChanged[5], 0);
    EXPECT_EQ(m.Armed, 1);

    // Each handler marks its own flag only; white enables "Transparent".
    struct Case { void (ZeichenFormatModel::*handler)(); uint8_t ZeichenFormatModel::*flag; };
    const Case cases[] = {
        {&ZeichenFormatModel::fontboxChange, &ZeichenFormatModel::FaceChanged},
        {&ZeichenFormatModel::FontSizeChange, &ZeichenFormatModel::SizeChanged},
        {&ZeichenFormatModel::col1Change, &ZeichenFormatModel::ColorChanged},
        {&ZeichenFormatModel::col2Change, &ZeichenFormatModel::BkChanged},
        {&ZeichenFormatModel::transcheckClick, &ZeichenFormatModel::BkChanged},
        {&ZeichenFormatModel::col3Change, &ZeichenFormatModel::OutlineChanged},
        {&ZeichenFormatModel::col4Change, &ZeichenFormatModel::ShadowChanged},
    };
    for (const Case& c : cases) {
        ZeichenFormatModel n;
        n.fill(st);
        n.col2 = 0xFFFFFF;
        (n.*c.handler)();
        EXPECT_EQ(n.*c.flag, 1);
        const int set = n.FaceChanged + n.SizeChanged + n.ColorChanged + n.BkChanged + n.OutlineChanged +
                        n.ShadowChanged;
        EXPECT_EQ(set, 1);
        n.Armed = 0;
        n.*c.flag = 0;
        (n.*c.handler)();
        EXPECT_EQ(n.*c.flag, 0) << "disarmed";
    }
    m.col2 = 0xFFFFFF;
    m.col2Change();
    EXPECT_EQ(m.transcheckEnabled, 1);

    // An item unchecked and checked again stays changed; items 0..3 also
    // mark their style flag.
    m.attrlist[0] = 0;
    m.attrlistClickCheck();
    m.attrlist[0] = 1;
    m.attrlistClickCheck();
    m.attrlist[8] = 1;
    m.attrlistClickCheck();
    EXPECT_EQ(m.BoldChanged, 1);
    EXPECT_EQ(m.OptionChanged[0], 1);
    EXPECT_EQ(m.OptionChanged[8], 1);
    EXPECT_EQ(m.ItalicChanged + m.UnderlineChanged + m.StrikeoutChanged, 0);
}

TEST_F(CharacterDialog, SizesTheBoxAccepts)
{
    const std::pair<const char*, double> good[] = {{"12", 12}, {"10.5", 10.5}, {"10,5", 10.5}, {" 1 ", 1}, {"999", 999}};
    for (const auto& [text, value] : good) {
        ZeichenFormatModel m;
        m.FontSize = text;
        ASSERT_TRUE(m.size().has_value()) << text;
        EXPECT_DOUBLE_EQ(*m.size(), value);
    }
    for (const char* text : {"0", "0.5", "1000", "10000", "-3", "abc", "", "12pt", "1e2", "nan", "inf"}) {
        ZeichenFormatModel m;
        m.FontSize = text;
        EXPECT_FALSE(m.size().has_value()) << text;
    }
}

TEST_F(CharacterDialog, CancelChangesNothing)
{
    mixedSelection();
    const auto fonts = w.Fonts;
    const auto lines = w.Areas[0].Lines;
    const CurrentFontState state = w.FontState;
    const size_t copies = w.UndoCopies.size();
    ui.zeichen = [](ZeichenFormatModel& m) {
        m.col1 = 0xFF;
        m.col1Change();
        return false;
    };
    w.ZeichenFormatieren();
    EXPECT_EQ(ui.shown, 1);
    EXPECT_EQ(w.Fonts, fonts);
    EXPECT_EQ(w.Areas[0].Lines, lines);
    EXPECT_EQ(w.FontState, state);
    EXPECT_EQ(w.UndoCopies.size(), copies);
}

TEST_F(CharacterDialog, OnlyWhatTheUserChangedReachesTheText)
{
    mixedSelection();
    ui.zeichen = [](ZeichenFormatModel& m) {
        m.col1 = 0x0000FF;
        m.col1Change();
        m.attrlist[foSuperscript] = 1;
        m.attrlistClickCheck();
        return true;
    };
    w.ZeichenFormatieren();
    EXPECT_EQ(w.UndoCopies.back().Label, "Character format");
    const double sizes[] = {10, 14, 12, 12, 12};
    for (int32_t i = 0; i < 5; ++i) {
        const FontEntry& f = fontOf(i);
        EXPECT_EQ(f.Color, 0x0000FFu) << i;
        EXPECT_TRUE(GettingOps(f.Options, foSuperscript)) << i;
        EXPECT_DOUBLE_EQ(f.Size, sizes[i]) << i;
        EXPECT_EQ(f.Style & 1, i == 0 ? 1 : 0) << i;
    }
    // The typing format took every value the dialog showed.
    EXPECT_EQ(w.FontState.Color, 0x0000FFu);
    EXPECT_EQ(w.ToolbarFormat.Face, w.FontState.Face);

    // Bold unchecked and checked again is still a change: bold everywhere.
    ui.zeichen = [](ZeichenFormatModel& m) {
        m.attrlist[0] = !m.attrlist[0];
        m.attrlistClickCheck();
        m.attrlist[0] = !m.attrlist[0];
        m.attrlistClickCheck();
        m.attrlist[0] = 1;
        return true;
    };
    w.ZeichenFormatieren();
    for (int32_t i = 0; i < 5; ++i) EXPECT_EQ(fontOf(i).Style & 1, 1) << i;
}

TEST_F(CharacterDialog, AnImpossibleSizeIsIgnoredWhileTheOtherChangesApply)
{
    for (const char* size : {"0", "1000", "10000", "abc"}) {
        SCOPED_TRACE(size);
        w.Areas[0].Lines.assign(1, TextLine{});
        InitNewLine(w.Areas[0].Lines, 0);
        w.Cursor = w.Anchor = TextPos{};
        mixedSelection();
        std::vector<double> sizes;
        for (int32_t i = 0; i < 5; ++i) sizes.push_back(fontOf(i).Size);
        const double typing = w.FontState.Size;
        const size_t copies = w.UndoCopies.size();
        boxes.texts.clear();
        ui.zeichen = [size](ZeichenFormatModel& m) {
            m.FontSize = size;
            m.FontSizeChange();
            m.col1 = 0xFF;
            m.col1Change();
            return true;
        };
        w.ZeichenFormatieren();
        EXPECT_TRUE(boxes.texts.empty());
        // The colour reached every character; the mixed sizes stay mixed.
        for (int32_t i = 0; i < 5; ++i) {
            EXPECT_EQ(fontOf(i).Color, 0xFFu) << i;
            EXPECT_DOUBLE_EQ(fontOf(i).Size, sizes[size_t(i)]) << i;
        }
        EXPECT_DOUBLE_EQ(w.FontState.Size, typing);
        EXPECT_EQ(w.UndoCopies.size(), copies + 1);
    }

    // A good size typed with a comma applies.
    ui.zeichen = [](ZeichenFormatModel& m) {
        m.FontSize = "10,5";
        m.FontSizeChange();
        return true;
    };
    w.ZeichenFormatieren();
    for (int32_t i = 0; i < 5; ++i) EXPECT_DOUBLE_EQ(fontOf(i).Size, 10.5) << i;
    EXPECT_DOUBLE_EQ(w.FontState.Size, 10.5);
}

TEST_F(CharacterDialog, AFaceThisMachineLacksIsKeptAndSaved)
{
    const std::string missing = "Qzx Nowhere Sans";
    type("ab");
    key(VK_A, ssCtrl);
    ui.zeichen = [&](ZeichenFormatModel& m) {
        m.fontbox = missing;
        m.fontboxChange();
        return true;
    };
    w.ZeichenFormatieren();
    EXPECT_EQ(fontOf(0).Face, missing);
    // Measured with whatever face stands in for it.
    EXPECT_GT(w.Areas[0].Lines[0].Chars[0].Width, 0);

    const std::filesystem::path file = test::freshTestDir("character_format") / "missing-face.qdt";
    ASSERT_TRUE(w.SaveQDTFile(file.string()));
    TMDIChild back(frame);
    ASSERT_TRUE(back.OpenQDTFile(file.string()));
    const TextChar& c = back.Areas[0].Lines[0].Chars[0];
    EXPECT_EQ(back.Fonts.at(size_t(c.FontIndex())).Face, missing);
}

TEST_F(CharacterDialog, ASpecialCharacterIsTypedInTheChosenFace)
{
    type("xy");
    key(VK_LEFT);
    ui.sonder = [](SonderzeichenModel& m) {
        EXPECT_EQ(m.Char, ' ');
        m.FontName = "Wingdings";
        // Row 1, column 1: the digit one.
        m.selectCell(1, 1);
        return true;
    };
    w.SonderzeichenEinfuegen();
    ASSERT_EQ(text(w.Areas[0].Lines[0]), "x1y");
    const FontEntry& f = fontOf(1);
    EXPECT_EQ(f.Face, "Wingdings");
    EXPECT_EQ(f.Charset, 1);
    EXPECT_EQ(w.FontState.Face, "Wingdings");
    EXPECT_EQ(w.Cursor.Char, 2);

    // Cancelled: nothing.
    const auto lines = w.Areas[0].Lines;
    ui.sonder = [](SonderzeichenModel& m) {
        m.selectCell(2, 2);
        return false;
    };
    w.SonderzeichenEinfuegen();
    EXPECT_EQ(w.Areas[0].Lines, lines);
}

TEST_F(CharacterDialog, ASpecialCharacterIsInsertedEvenInOverwriteModeAndNoQuoteIsReplaced)
{
    type("ab");
    key(VK_HOME);
    frame.Options.OverwriteMode = 1;
    frame.Options.QuoteStyle = 1;
    ui.sonder = [](SonderzeichenModel& m) {
        m.FontName = "Symbol";
        m.selectCell(2, 0);  // 34, the straight quote
        return true;
    };
    w.SonderzeichenEinfuegen();
    EXPECT_EQ(text(w.Areas[0].Lines[0]), "\"ab");
    EXPECT_EQ(fontOf(0).Face, "Symbol");
    EXPECT_EQ(fontOf(1).Face, "Times New Roman");
    EXPECT_EQ(frame.Options.OverwriteMode, 1);
    EXPECT_EQ(frame.Options.QuoteStyle, 1);
    // Typed quotes still turn typographic.
    type("\"");
    EXPECT_NE(w.Areas[0].Lines[0].Chars[1].Code, '"');
}

TEST_F(CharacterDialog, TheGridChoosesOnlyWhenNotBusy)
{
    SonderzeichenModel m;
    EXPECT_EQ(SonderzeichenModel::codeOfCell(0, 0), 32);
    EXPECT_EQ(SonderzeichenModel::codeOfCell(15, 13), 255);
    m.selectCell(1, 1);
    EXPECT_EQ(m.Char, 49);
    EXPECT_EQ(m.labelText(), "Character: 49");
    m.Busy = 1;
    m.selectCell(0, 0);
    EXPECT_EQ(m.Char, 49);
    m.Busy = 0;
    for (auto [c, r] : {std::pair{-1, 0}, {16, 0}, {0, 14}, {0, -1}}) m.selectCell(c, r);
    EXPECT_EQ(m.Char, 49);
    // The cell of a chosen character; below 32 the first cell.
    m.Char = 255;
    EXPECT_EQ(m.cellColumn(), 15);
    EXPECT_EQ(m.cellRow(), 13);
    m.Char = 7;
    EXPECT_EQ(m.cellColumn(), 0);
    EXPECT_EQ(m.cellRow(), 0);
}

} // namespace
