// The paragraph, tab stop and numbering dialogs: their models (filling,
// handlers, checks, writing back) and the commands that show them through a
// scripted dialog UI.

#include "engine/AbsatzDialogs.h"
#include "engine/Childwin.h"
#include "platform/VirtualKeys.h"
#include "platform/MessageBox.h"
#include "tests/support/TypingWindow.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

using namespace quillet;

namespace {

struct RecordingBoxes : MessageBoxes {
    std::vector<std::string> texts;
    std::vector<std::string> captions;
    std::vector<MsgIcon> icons;
    RecordingBoxes() { setMessageBoxes(this); }
    ~RecordingBoxes() override { setMessageBoxes(nullptr); }
    MsgResult show(std::string_view text, std::string_view caption, MsgIcon icon, MsgButtons) override
    {
        texts.emplace_back(text);
        captions.emplace_back(caption);
        icons.push_back(icon);
        return MsgResult::Ok;
    }
};

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

AbsatzFormat spacing(uint8_t mode, double value)
{
    AbsatzFormat p = DefaultAbsatzFormat();
    p.LineSpacingMode = mode;
    p.LineSpacing = value;
    return p;
}

// ---- Paragraph dialog ---------------------------------------------------------

TEST(AbsatzDialog, FillShowsTheSpacingChoiceWithItsUnit)
{
    struct Case {
        uint8_t mode;
        double value;
        int32_t item;
        const char* unit;
    };
    const Case cases[] = {
        {0, 1.0, 0, "lines"}, {0, 1.5, 1, "lines"}, {0, 2.0, 2, "lines"}, {0, 1.2, 5, "lines"},
        {1, 4.0, 3, "mm"},    {2, 1.0, 4, "mm"},    {2, 6.5, 4, "mm"},
    };
    for (const Case& c : cases) {
        AbsatzDialogModel m = AbsatzDialogFromFormat(spacing(c.mode, c.value), 150);
        EXPECT_EQ(m.Zeilenabt, c.item) << int(c.mode) << " " << c.value;
        EXPECT_DOUBLE_EQ(m.massed, c.value);
        // The unit belongs to the item shown, whatever the dialog showed the
        // last time it was open.
        EXPECT_EQ(m.Label4, c.unit) << int(c.mode) << " " << c.value;
    }

    AbsatzFormat p = DefaultAbsatzFormat();
    p.Alignment = 3;
    p.SpaceAbove = 4;
    p.SpaceBelow = 12;
    p.LeftIndent = -5;
    p.RightIndent = 7.5;
    p.FirstLineIndent = 10;
    const AbsatzDialogModel m = AbsatzDialogFromFormat(p, 150);
    EXPECT_EQ(m.Ausricht, 3);
    EXPECT_DOUBLE_EQ(m.aboben, 0.4);
    EXPECT_DOUBLE_EQ(m.abunten, 1.2);
    EXPECT_DOUBLE_EQ(m.ezlinks, -0.5);
    EXPECT_DOUBLE_EQ(m.ezrechts, 0.75);
    EXPECT_DOUBLE_EQ(m.ezlinksfl, 1);
    EXPECT_EQ(AbsatzDialogCheck(m), "");
}

TEST(AbsatzDialog, TheSpacingChoiceAndTheValueFollowEachOther)
{
    AbsatzDialogModel m = AbsatzDialogFromFormat(spacing(0, 1.2), 150);
    ASSERT_EQ(m.Zeilenabt, 5);
    // Typing 2 into the value box picks "Double line spacing".
    m.massed = 2;
    m.massedChange();
    EXPECT_EQ(m.Zeilenabt, 2);
    m.massed = 1.5;
    m.massedChange();
    EXPECT_EQ(m.Zeilenabt, 1);
    m.massed = 3;
    m.massedChange();
    EXPECT_EQ(m.Zeilenabt, 5);
    // Choosing an item puts its factor into the value box.
    m.Zeilenabt = 0;
    m.ZeilenabtChange();
    EXPECT_DOUBLE_EQ(m.massed, 1);
    EXPECT_EQ(m.Label4, "lines");
    // "Exactly" keeps the value and its unit is millimetres; the value then
    // picks no item.
    m.Zeilenabt = 4;
    m.ZeilenabtChange();
    EXPECT_DOUBLE_EQ(m.massed, 1);
    EXPECT_EQ(m.Label4, "mm");
    m.massed = 2;
    m.massedChange();
    EXPECT_EQ(m.Zeilenabt, 4);
}

TEST(AbsatzDialog, OkWritesTheDialogsFieldsInMillimetres)
{
    struct Case {
        int32_t item;
        double massed;
        uint8_t mode;
        double spacing;
    };
    const Case cases[] = {{0, 7, 0, 1.0}, {1, 7, 0, 1.5}, {2, 7, 0, 2.0},
                          {3, 7, 1, 7},   {4, 0, 2, 0},   {5, 1.25, 0, 1.25}};
    for (const Case& c : cases) {
        AbsatzFormat p = DefaultAbsatzFormat();
        p.Tabs = {TabStop{20, 1, 2}};
        p.ListKind = 2;
        AbsatzDialogModel m = AbsatzDialogFromFormat(p, 150);
        m.Ausricht = 2;
        m.Zeilenabt = c.item;
        m.massed = c.massed;
        m.aboben = 0.3;
        m.abunten = 1000;
        m.ezlinks = 1;
        m.ezrechts = -0.5;
        m.ezlinksfl = -1;
        ASSERT_EQ(AbsatzDialogCheck(m), "") << c.item;
        AbsatzDialogApply(m, p);
        EXPECT_EQ(p.Alignment, 2);
        EXPECT_EQ(p.LineSpacingMode, c.mode) << c.item;
        EXPECT_DOUBLE_EQ(p.LineSpacing, c.spacing) << c.item;
        EXPECT_DOUBLE_EQ(p.SpaceAbove, 3);
        EXPECT_DOUBLE_EQ(p.SpaceBelow, 10000);
        EXPECT_DOUBLE_EQ(p.LeftIndent, 10);
        EXPECT_DOUBLE_EQ(p.RightIndent, -5);
        EXPECT_DOUBLE_EQ(p.FirstLineIndent, -10);
        // The fields the dialog does not show stay.
        EXPECT_EQ(p.Tabs, (std::vector<TabStop>{TabStop{20, 1, 2}}));
        EXPECT_EQ(p.ListKind, 2);
    }

    // Indents left alone keep their millimetres to the last digit.
    AbsatzFormat p = DefaultAbsatzFormat();
    p.LeftIndent = 12.345678;
    AbsatzDialogModel m = AbsatzDialogFromFormat(p, 150);
    AbsatzDialogApply(m, p);
    EXPECT_EQ(p.LeftIndent, 12.345678);
}

TEST(AbsatzDialog, ValuesOutsideSoundRangesAreRefused)
{
    // Text 100 mm wide.
    struct Case {
        const char* what;
        std::function<void(AbsatzDialogModel&)> change;
        bool refused;
    };
    const Case cases[] = {
        {"negative spacing above", [](AbsatzDialogModel& m) { m.aboben = -0.1; }, true},
        {"spacing below beyond the box", [](AbsatzDialogModel& m) { m.abunten = 1000.5; }, true},
        {"spacing NaN", [](AbsatzDialogModel& m) { m.aboben = kNaN; }, true},
        {"exact spacing negative", [](AbsatzDialogModel& m) { m.Zeilenabt = 4, m.massed = -1; }, true},
        {"multiple beyond 1000", [](AbsatzDialogModel& m) { m.Zeilenabt = 5, m.massed = 1000.5; }, true},
        {"single ignores the value box", [](AbsatzDialogModel& m) { m.Zeilenabt = 0, m.massed = -1; }, false},
        {"line spacing 0 is the box's floor", [](AbsatzDialogModel& m) { m.Zeilenabt = 3, m.massed = 0; }, false},
        {"indents leave 5 mm", [](AbsatzDialogModel& m) { m.ezlinks = 5, m.ezrechts = 4.5; }, false},
        {"indents leave 4 mm", [](AbsatzDialogModel& m) { m.ezlinks = 5, m.ezrechts = 4.6; }, true},
        {"left indent wider than the text", [](AbsatzDialogModel& m) { m.ezlinks = 12; }, true},
        {"first line pushed out", [](AbsatzDialogModel& m) { m.ezlinks = 2, m.ezlinksfl = 7.7; }, true},
        {"hanging first line", [](AbsatzDialogModel& m) { m.ezlinks = 2, m.ezlinksfl = -2; }, false},
        {"negative indents widen the text", [](AbsatzDialogModel& m) { m.ezlinks = -3, m.ezrechts = -3; }, false},
        {"indent NaN", [](AbsatzDialogModel& m) { m.ezrechts = kNaN; }, true},
        {"indent beyond the edit", [](AbsatzDialogModel& m) { m.ezlinks = -2e6; }, true},
        {"alignment out of the list", [](AbsatzDialogModel& m) { m.Ausricht = 4; }, true},
        {"no spacing item", [](AbsatzDialogModel& m) { m.Zeilenabt = -1; }, true},
    };
    for (const Case& c : cases) {
        AbsatzDialogModel m = AbsatzDialogFromFormat(DefaultAbsatzFormat(), 100);
        c.change(m);
        EXPECT_EQ(!AbsatzDialogCheck(m).empty(), c.refused) << c.what;
    }

    // A paragraph that has no room already may still get other settings;
    // only a change of its indents is held against the room.
    AbsatzFormat p = DefaultAbsatzFormat();
    p.LeftIndent = 120;
    AbsatzDialogModel m = AbsatzDialogFromFormat(p, 100);
    m.Ausricht = 1;
    EXPECT_EQ(AbsatzDialogCheck(m), "");
    m.ezlinks = 11;
    EXPECT_EQ(AbsatzDialogCheck(m), "The indents leave too little room for the text (the text is 10 cm wide).");
    // Without a known width nothing is held against it.
    m.TextWidthMm = 0;
    EXPECT_EQ(AbsatzDialogCheck(m), "");
}

// ---- Tab stop dialog ----------------------------------------------------------

TabulatorDialogModel tabsOf(std::vector<TabStop> stops, double widthMm = 0, char separator = '.')
{
    AbsatzFormat p = DefaultAbsatzFormat();
    p.Tabs = std::move(stops);
    return TabulatorDialogFromFormat(p, widthMm, separator);
}

TEST(TabulatorDialog, FillListsThePositionsInCentimetres)
{
    const TabulatorDialogModel m = tabsOf({TabStop{10, 1, 2}, TabStop{50, 3, 0}, TabStop{12.7, 2, 3}}, 0, ',');
    EXPECT_DOUBLE_EQ(m.StTabEd, 1.25);
    EXPECT_EQ(m.Items, (std::vector<std::string>{"1", "5", "1,27"}));
    EXPECT_EQ(m.Working, (std::vector<TabulatorDialogModel::Entry>{{1, 2}, {3, 0}, {2, 3}}));
    EXPECT_EQ(m.ItemIndex, 0);
    EXPECT_EQ(m.EditText, "1");
    EXPECT_EQ(TabulatorDialogCheck(m), "");

    // Kinds and leaders no radio item stands for show as left and none.
    const TabulatorDialogModel damaged = tabsOf({TabStop{10, 9, 7}, TabStop{20, -1, 2}});
    EXPECT_EQ(damaged.Working, (std::vector<TabulatorDialogModel::Entry>{{0, 0}, {0, 2}}));
    EXPECT_EQ(TabulatorDialogCheck(damaged), "");

    const TabulatorDialogModel none = tabsOf({});
    EXPECT_TRUE(none.Items.empty());
    EXPECT_EQ(none.ItemIndex, -1);
}

TEST(TabulatorDialog, SetKeepsTheListAscendingAndFreeOfDuplicates)
{
    RecordingBoxes boxes;
    TabulatorDialogModel m = tabsOf({TabStop{10, 0, 0}, TabStop{50, 0, 0}});
    m.RadioGroup1 = 2;
    m.RadioGroup2 = 1;
    m.EditText = "2.5";
    EXPECT_TRUE(m.AddBtnClick());
    EXPECT_EQ(m.Items, (std::vector<std::string>{"1", "2.5", "5"}));
    EXPECT_EQ(m.Working[1], (TabulatorDialogModel::Entry{2, 1}));
    EXPECT_EQ(m.ItemIndex, 1);
    // The same position again only takes the radio choices; typed another way.
    m.RadioGroup1 = 3;
    m.RadioGroup2 = 3;
    m.EditText = " 5.0 ";
    EXPECT_TRUE(m.AddBtnClick());
    EXPECT_EQ(m.Items, (std::vector<std::string>{"1", "2.5", "5"}));
    EXPECT_EQ(m.Working[2], (TabulatorDialogModel::Entry{3, 3}));
    EXPECT_EQ(m.Working[0], (TabulatorDialogModel::Entry{0, 0}));
    // Before the first and after the last.
    m.EditText = "0.5";
    EXPECT_TRUE(m.AddBtnClick());
    m.EditText = "100";
    EXPECT_TRUE(m.AddBtnClick());
    EXPECT_EQ(m.Items, (std::vector<std::string>{"0.5", "1", "2.5", "5", "100"}));
    EXPECT_EQ(m.Working.size(), m.Items.size());
    EXPECT_TRUE(boxes.texts.empty());

    AbsatzFormat p = DefaultAbsatzFormat();
    TabulatorDialogApply(m, p);
    ASSERT_EQ(p.Tabs.size(), 5u);
    EXPECT_DOUBLE_EQ(p.Tabs[0].Position, 5);
    EXPECT_EQ(p.Tabs[1], (TabStop{10, 0, 0}));
    EXPECT_EQ(p.Tabs[2], (TabStop{25, 2, 1}));
    EXPECT_EQ(p.Tabs[3], (TabStop{50, 3, 3}));
    EXPECT_DOUBLE_EQ(p.Tabs[4].Position, 1000);
}

TEST(TabulatorDialog, SetRefusesWhatIsNoUsablePosition)
{
    const std::string notANumber = "Invalid value for a tab stop. Please enter a numeric value!";
    const std::string range = "Invalid value for a tab stop (value range: x>0; x<=100 cm).";
    struct Case {
        const char* text;
        std::string message;
    };
    const Case cases[] = {{"0", range},         {"-1", range},        {"100.5", range},     {"1e3", range},
                          {"abc", notANumber},  {"", notANumber},     {"   ", notANumber},  {"2.5cm", notANumber},
                          {"inf", notANumber},  {"nan", notANumber},  {"0x10", notANumber}, {"1e400", notANumber},
                          {"1.2.3", notANumber}, {"--1", notANumber}};
    for (const Case& c : cases) {
        RecordingBoxes boxes;
        TabulatorDialogModel m = tabsOf({TabStop{10, 0, 0}});
        m.EditText = c.text;
        EXPECT_FALSE(m.AddBtnClick()) << c.text;
        ASSERT_EQ(boxes.texts.size(), 1u) << c.text;
        EXPECT_EQ(boxes.texts[0], c.message) << c.text;
        // The program's title, with the error icon.
        EXPECT_EQ(boxes.captions[0], "");
        EXPECT_EQ(boxes.icons[0], MsgIcon::Error);
        EXPECT_EQ(m.Items, (std::vector<std::string>{"1"}));
        EXPECT_EQ(m.Working.size(), 1u);
    }
}

TEST(TabulatorDialog, StopsBeyondTheTextAreRefusedButOnesThereStay)
{
    RecordingBoxes boxes;
    // 80 mm of text; the paragraph has a stop at 9 cm from before.
    TabulatorDialogModel m = tabsOf({TabStop{90, 2, 0}}, 80);
    m.EditText = "8";
    EXPECT_TRUE(m.AddBtnClick());
    m.EditText = "8.5";
    EXPECT_FALSE(m.AddBtnClick());
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0], "Invalid value for a tab stop: the text is only 8 cm wide.");
    EXPECT_EQ(m.Items, (std::vector<std::string>{"8", "9"}));
    EXPECT_EQ(TabulatorDialogCheck(m), "");
    // Setting the old one again changes its kind.
    m.RadioGroup1 = 1;
    m.EditText = "9";
    EXPECT_TRUE(m.AddBtnClick());
    EXPECT_EQ(m.Working[1].Kind, 1);

    // A list handed back with a stop beyond the text is refused on OK.
    m.Items.push_back("9.5");
    m.Working.push_back({});
    EXPECT_EQ(TabulatorDialogCheck(m), "Invalid value for a tab stop: the text is only 8 cm wide.");
    // ... and so are lists out of step, and broken kinds.
    m.Items.pop_back();
    EXPECT_EQ(TabulatorDialogCheck(m), "Invalid value for a tab stop. Please enter a numeric value!");
    m.Working.pop_back();
    m.Working[0].Leader = 4;
    EXPECT_NE(TabulatorDialogCheck(m), "");
}

TEST(TabulatorDialog, RadioChoicesGoToTheSelectedEntryOnly)
{
    TabulatorDialogModel m = tabsOf({TabStop{10, 0, 0}, TabStop{20, 1, 2}});
    // The first item is selected on fill, so a choice rewrites it.
    m.RadioGroup1 = 3;
    m.RadioGroup1Click();
    EXPECT_EQ(m.Working[0].Kind, 3);
    // Selecting an item shows its entry.
    m.ItemIndex = 1;
    m.ComboBox1Change();
    EXPECT_EQ(m.RadioGroup1, 1);
    EXPECT_EQ(m.RadioGroup2, 2);
    // Typing leaves no item selected: the handlers do nothing then.
    for (int32_t none : {-1, 2, 99}) {
        m.ItemIndex = none;
        m.RadioGroup1 = 2;
        m.RadioGroup2 = 3;
        m.ComboBox1Change();
        m.RadioGroup1Click();
        m.RadioGroup2Click();
        m.DelBtnClick();
        EXPECT_EQ(m.RadioGroup1, 2);
        EXPECT_EQ(m.Working, (std::vector<TabulatorDialogModel::Entry>{{3, 0}, {1, 2}}));
        EXPECT_EQ(m.Items.size(), 2u);
    }
    m.ItemIndex = 0;
    m.DelBtnClick();
    EXPECT_EQ(m.Items, (std::vector<std::string>{"2"}));
    EXPECT_EQ(m.Working, (std::vector<TabulatorDialogModel::Entry>{{1, 2}}));
    EXPECT_EQ(m.ItemIndex, -1);
    m.DelAllBtnClick();
    EXPECT_TRUE(m.Items.empty());
    EXPECT_TRUE(m.Working.empty());

    AbsatzFormat p = DefaultAbsatzFormat();
    p.Tabs = {TabStop{10, 0, 0}};
    TabulatorDialogApply(m, p);
    EXPECT_TRUE(p.Tabs.empty());
}

TEST(TabulatorDialog, PositionsFollowTheLocalesSeparator)
{
    RecordingBoxes boxes;
    TabulatorDialogModel m = tabsOf({TabStop{25, 0, 0}}, 0, ',');
    EXPECT_EQ(m.Items[0], "2,5");
    EXPECT_EQ(m.parse("2,5"), 2.5);
    EXPECT_EQ(m.parse("2.5"), 2.5);
    EXPECT_EQ(m.format(0.125), "0,125");
    m.EditText = "2,50";
    EXPECT_TRUE(m.AddBtnClick());
    EXPECT_EQ(m.Items.size(), 1u);
    m.EditText = "3,75";
    EXPECT_TRUE(m.AddBtnClick());
    AbsatzFormat p = DefaultAbsatzFormat();
    TabulatorDialogApply(m, p);
    ASSERT_EQ(p.Tabs.size(), 2u);
    EXPECT_DOUBLE_EQ(p.Tabs[1].Position, 37.5);
    // A stop the paragraph had keeps its millimetres exactly.
    TabulatorDialogModel odd = tabsOf({TabStop{12.7, 0, 0}});
    AbsatzFormat q = DefaultAbsatzFormat();
    TabulatorDialogApply(odd, q);
    EXPECT_EQ(q.Tabs[0].Position, 12.7);
}

TEST(TabulatorDialog, TheDefaultStepIsCheckedOnlyWhenChanged)
{
    AbsatzFormat p = DefaultAbsatzFormat();
    p.DefaultTabStep = 0;  // from a file: layout takes the standard step
    TabulatorDialogModel m = TabulatorDialogFromFormat(p, 0, '.');
    EXPECT_EQ(TabulatorDialogCheck(m), "");
    TabulatorDialogApply(m, p);
    EXPECT_EQ(p.DefaultTabStep, 0);
    for (double bad : {0.01, 100.5, -1.0, kNaN}) {
        m.StTabEd = bad;
        EXPECT_NE(TabulatorDialogCheck(m), "") << bad;
    }
    m.StTabEd = 2;
    EXPECT_EQ(TabulatorDialogCheck(m), "");
    TabulatorDialogApply(m, p);
    EXPECT_DOUBLE_EQ(p.DefaultTabStep, 20);
}

// ---- Numbering dialog -----------------------------------------------------------

TEST(NummerierungDialog, FillAndOkRoundTrip)
{
    struct Case {
        uint8_t kind;
        uint8_t bullet;
        std::optional<std::string> face;
        const char* shownFace;
    };
    const Case cases[] = {{0, 159, std::nullopt, "Wingdings"},
                          {1, 183, std::string("Symbol"), "Symbol"},
                          {2, 'o', std::string(), "Wingdings"}};
    for (const Case& c : cases) {
        AbsatzFormat p = DefaultAbsatzFormat();
        p.ListKind = c.kind;
        p.BulletChar = c.bullet;
        p.BulletFace = c.face;
        p.ListIndent = 8;
        const NummerierungDialogModel m = NummerierungDialogFromFormat(p, 150);
        EXPECT_EQ(m.Kind, c.kind);
        EXPECT_DOUBLE_EQ(m.AufzEzEd, 0.8);
        EXPECT_EQ(m.Edit1, std::string(1, char(c.bullet)));
        EXPECT_EQ(m.Edit1Font, c.shownFace);
        EXPECT_EQ(NummerierungDialogCheck(m), "");
        AbsatzFormat back = p;
        NummerierungDialogApply(m, back);
        EXPECT_EQ(back.ListKind, c.kind);
        EXPECT_EQ(back.BulletChar, c.bullet);
        EXPECT_DOUBLE_EQ(back.ListIndent, 8);
        // "Wingdings" is stored as no face at all.
        EXPECT_EQ(back.BulletFace, c.face && !c.face->empty() ? c.face : std::nullopt);
    }

    AbsatzFormat p = DefaultAbsatzFormat();
    NummerierungDialogModel m = NummerierungDialogFromFormat(p, 150);
    m.Kind = 1;
    m.Edit1.clear();
    m.Edit1Font = "Liberation Sans";
    m.AufzEzEd = 1.5;
    NummerierungDialogApply(m, p);
    EXPECT_EQ(p.BulletChar, 159);
    EXPECT_EQ(p.BulletFace, std::optional<std::string>("Liberation Sans"));
    EXPECT_DOUBLE_EQ(p.ListIndent, 15);
}

TEST(NummerierungDialog, AChangedIndentMustLeaveRoomForTheText)
{
    AbsatzFormat p = DefaultAbsatzFormat();
    p.LeftIndent = 20;
    p.FirstLineIndent = 10;
    p.RightIndent = 10;
    // 100 mm text: 60 mm left for indent and room.
    NummerierungDialogModel m = NummerierungDialogFromFormat(p, 100);
    m.Kind = 2;
    m.AufzEzEd = 5.5;
    EXPECT_EQ(NummerierungDialogCheck(m), "");
    m.AufzEzEd = 5.6;
    EXPECT_NE(NummerierungDialogCheck(m), "");
    // Without a list the indent does not show.
    m.Kind = 0;
    EXPECT_EQ(NummerierungDialogCheck(m), "");
    for (double bad : {0.0, -1.0, 100.5, kNaN}) {
        m.AufzEzEd = bad;
        EXPECT_NE(NummerierungDialogCheck(m), "") << bad;
    }
    m.Kind = 3;
    m.AufzEzEd = m.FilledIndentCm;
    EXPECT_NE(NummerierungDialogCheck(m), "");
}

// ---- The commands ------------------------------------------------------------------

struct ScriptedParagraphDialogs : ParagraphDialogUi {
    std::function<bool(AbsatzDialogModel&)> absatz;
    std::function<bool(TabulatorDialogModel&)> tabs;
    std::function<bool(NummerierungDialogModel&)> numbering;
    char separator = '.';
    int shown = 0;
    bool runAbsatzDialog(AbsatzDialogModel& m) override { return ++shown, absatz && absatz(m); }
    bool runTabulatorDialog(TabulatorDialogModel& m) override { return ++shown, tabs && tabs(m); }
    bool runNummerierungDialog(NummerierungDialogModel& m) override { return ++shown, numbering && numbering(m); }
    char decimalSeparator() const override { return separator; }
};

class ParagraphDialogCommands : public test::TypingWindow {
protected:
    ParagraphDialogCommands()
    {
        w.ParagraphDialogs = &dialogs;
        type(words(30));
        key(VK_RETURN);
        type(words(30, 'k'));
        w.Cursor = w.Anchor = TextPos{0, 0, 2};
    }

    std::vector<AbsatzFormat> formats()
    {
        std::vector<AbsatzFormat> out;
        for (const TextLine& l : w.Areas[0].Lines) out.push_back(l.Para);
        return out;
    }

    // Whether every line of the first paragraph has `pred` and every other line not.
    template <class Pred>
    void expectFirstParagraphOnly(Pred pred)
    {
        bool first = true;
        for (const TextLine& l : w.Areas[0].Lines) {
            EXPECT_EQ(pred(l.Para), first);
            if (l.EndKind == ekParagraph) first = false;
        }
    }

    ScriptedParagraphDialogs dialogs;
    RecordingBoxes boxes;
};

TEST_F(ParagraphDialogCommands, OkWritesTheParagraphAsOneUndoStep)
{
    ASSERT_GE(w.Areas[0].LineCount(), 4);
    dialogs.absatz = [](AbsatzDialogModel& m) {
        EXPECT_DOUBLE_EQ(m.TextWidthMm, 100);
        m.Ausricht = 3;
        m.Zeilenabt = 3;
        m.massed = 6;
        m.ezlinks = 1;
        return true;
    };
    const size_t before = w.UndoCopies.size();
    w.absatzformatieren();
    EXPECT_EQ(w.UndoCopies.size(), before + 1);
    EXPECT_EQ(undoLabels().back(), "Paragraph format");
    expectFirstParagraphOnly([](const AbsatzFormat& p) {
        return p.Alignment == 3 && p.LineSpacingMode == 1 && p.LineSpacing == 6 && p.LeftIndent == 10;
    });
    for (const TextLine& l : w.Areas[0].Lines) EXPECT_EQ(l.Dirty, 0);

    dialogs.tabs = [](TabulatorDialogModel& m) {
        m.StTabEd = 1;
        m.RadioGroup1 = 3;
        m.RadioGroup2 = 2;
        m.EditText = "4";
        m.AddBtnClick();
        return true;
    };
    w.Cursor = w.Anchor = TextPos{0, w.Areas[0].LineCount() - 1, 0};
    w.tabulator();
    EXPECT_EQ(undoLabels().back(), "Paragraph format");
    const AbsatzFormat last = w.Areas[0].Lines.back().Para;
    EXPECT_EQ(last.Tabs, (std::vector<TabStop>{TabStop{40, 3, 2}}));
    EXPECT_DOUBLE_EQ(last.DefaultTabStep, 10);
    EXPECT_TRUE(w.Areas[0].Lines.front().Para->Tabs.empty());

    // A selection over both paragraphs: every line of both.
    w.Anchor = TextPos{0, 0, 1};
    dialogs.numbering = [](NummerierungDialogModel& m) {
        m.Kind = 2;
        m.AufzEzEd = 1;
        return true;
    };
    w.NummerierungundAufzaehlungen();
    for (const TextLine& l : w.Areas[0].Lines) {
        EXPECT_EQ(l.Para->ListKind, 2);
        EXPECT_DOUBLE_EQ(l.Para->ListIndent, 10);
    }
    // Layout numbers the two paragraphs.
    const std::vector<TextLine>& ls = w.Areas[0].Lines;
    size_t second = 0;
    while (ls[second].EndKind != ekParagraph) ++second;
    EXPECT_EQ(ls[0].Para->ItemNumber, 1);
    EXPECT_EQ(ls[second + 1].Para->ItemNumber, 2);
    EXPECT_TRUE(boxes.texts.empty());
    EXPECT_EQ(dialogs.shown, 3);
}

TEST_F(ParagraphDialogCommands, CancelAndRefusedInputChangeNothing)
{
    const std::vector<AbsatzFormat> before = formats();
    const size_t undo = w.UndoCopies.size();
    dialogs.absatz = [](AbsatzDialogModel& m) {
        m.Ausricht = 1;
        return false;
    };
    dialogs.tabs = [](TabulatorDialogModel& m) {
        m.Items = {"3"};
        m.Working = {{1, 1}};
        return false;
    };
    dialogs.numbering = [](NummerierungDialogModel& m) {
        m.Kind = 1;
        return false;
    };
    w.absatzformatieren();
    w.tabulator();
    w.NummerierungundAufzaehlungen();
    EXPECT_EQ(formats(), before);
    EXPECT_EQ(w.UndoCopies.size(), undo);
    EXPECT_TRUE(boxes.texts.empty());

    // OK with input out of range: a message, the document as it was.
    dialogs.absatz = [](AbsatzDialogModel& m) {
        m.ezlinks = 6;
        m.ezrechts = 4;
        return true;
    };
    dialogs.tabs = [](TabulatorDialogModel& m) {
        m.Items = {"12"};  // beyond the 10 cm of text
        m.Working = {{0, 0}};
        return true;
    };
    dialogs.numbering = [](NummerierungDialogModel& m) {
        m.Kind = 1;
        m.AufzEzEd = -2;
        return true;
    };
    w.absatzformatieren();
    w.tabulator();
    w.NummerierungundAufzaehlungen();
    EXPECT_EQ(formats(), before);
    EXPECT_EQ(w.UndoCopies.size(), undo);
    ASSERT_EQ(boxes.texts.size(), 3u);
    EXPECT_EQ(boxes.texts[0], "The indents leave too little room for the text (the text is 10 cm wide).");
    EXPECT_EQ(boxes.texts[1], "Invalid value for a tab stop: the text is only 10 cm wide.");
    for (MsgIcon icon : boxes.icons) EXPECT_EQ(icon, MsgIcon::Error);
}

TEST_F(ParagraphDialogCommands, TheWidthCheckedIsTheNarrowestTouched)
{
    // A table cell with half the row is narrower than the text around it.
    std::vector<TextLine>& ls = w.Areas[0].Lines;
    TextLine cell = ls.back();
    cell.EndKind = ekParagraph;
    cell.IsCell = 1;
    cell.CellsPerRow = 2;
    cell.RowFirstRun = cell.RowLastRun = 1;
    cell.CellWidth = 1;
    cell.CellInsetLeft = cell.CellInsetRight = 0;
    cell.CellIndex = 0;
    ls.push_back(cell);
    cell.CellIndex = 1;
    ls.push_back(cell);
    const int32_t first = w.Areas[0].LineCount() - 2;
    w.Cursor = w.Anchor = TextPos{0, first, 0};
    EXPECT_DOUBLE_EQ(w.ParagraphTextWidth(), 50);
    w.Cursor = w.Anchor = TextPos{0, 0, 0};
    EXPECT_DOUBLE_EQ(w.ParagraphTextWidth(), 100);
    w.Cursor = TextPos{0, first + 1, 0};
    EXPECT_DOUBLE_EQ(w.ParagraphTextWidth(), 50);
    // Two columns with a 10 mm gap.
    w.Cursor = w.Anchor = TextPos{0, 0, 0};
    TMDIChild::AbsatzWert v = w.getabsatzformat();
    v.ColumnCount = 2;
    v.ColumnGap = 10;
    w.setabsatzformat(v, true, false, false);
    EXPECT_DOUBLE_EQ(w.ParagraphTextWidth(), 45);
}

// The frame offers the dialogs beside its FrameUi.
struct FrameWithDialogs : test::RecordingUi, ScriptedParagraphDialogs {};

class FrameDialogs : public test::TypingWindowOf<FrameWithDialogs> {};

TEST_F(FrameDialogs, TheWindowFindsTheDialogsOfItsFrame)
{
    type("text");
    ui.separator = ',';
    ui.tabs = [](TabulatorDialogModel& m) {
        EXPECT_EQ(m.DecimalSeparator, ',');
        m.EditText = "1,5";
        return m.AddBtnClick();
    };
    w.tabulator();
    EXPECT_EQ(ui.shown, 1);
    EXPECT_EQ(w.Areas[0].Lines[0].Para->Tabs, (std::vector<TabStop>{TabStop{15, 0, 0}}));
}

} // namespace
