// The colour drop-down: HTML text, presetting by value, names, swatch
// placement, and which changes the user's choice reports.

#include "app/widgets/VelmoColorComboBox.h"
#include "app/dialogs/ZeichenFormatFUnit.h"
#include "engine/Childwin.h"
#include "tests/app/DialogTestSupport.h"

#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace quillet;
using quillet::test::app;

namespace {

TEST(ColorCombo, HtmlTextIsTakenOnlyAsHashAndSixHexDigits)
{
    app();
    const struct {
        const char* text;
        const char* html;
        uint32_t value;
        int index;
    } cases[] = {
        {"#00ff00", "#00FF00", 0x00FF00, 10},
        {"#FF0000", "#FF0000", 0x0000FF, 9},
        {"#ABCDEF", "#ABCDEF", 0xEFCDAB, 16},
        {"", "#000000", 0x000000, 0},
        // Refused: both values stay at the preset #563412.
        {"#FFF", "#563412", 0x123456, 16},
        {"AFF0000", "#563412", 0x123456, 16},
        {"#GG0000", "#563412", 0x123456, 16},
        {"#0X1234", "#563412", 0x123456, 16},
        {"#+12345", "#563412", 0x123456, 16},
        {"# 12345", "#563412", 0x123456, 16},
        {"#FF00001", "#563412", 0x123456, 16},
        {"#12345\xC3\x9F", "#563412", 0x123456, 16},
    };
    for (const auto& t : cases) {
        TVelmoColorComboBox box;
        box.SetColorValue(0x123456);
        box.SetHTMLcolor(QString::fromUtf8(t.text));
        EXPECT_EQ(box.HTMLcolor(), QString::fromLatin1(t.html)) << t.text;
        EXPECT_EQ(box.ColorValue(), t.value) << t.text;
        EXPECT_EQ(box.currentIndex(), t.index) << t.text;
    }
}

TEST(ColorCombo, PresetByValueSelectsTheFixedEntryElseTheCustomOne)
{
    app();
    const struct {
        uint32_t value;
        int index;
        const char* text;
        const char* html;
    } cases[] = {
        {0x0000FF, 9, "Red", "#FF0000"},
        {0xFFFFFF, 15, "White", "#FFFFFF"},  // the custom entry starts white too: the fixed one wins
        {0x000000, 0, "Black", "#000000"},
        {0x0080FF, 16, "More...", "#FF8000"},
        {0xFF0000FF, 9, "Red", "#FF0000"},  // only the colour bits count
    };
    for (const auto& t : cases) {
        TVelmoColorComboBox box;
        box.SetColorValue(t.value);
        EXPECT_EQ(box.currentIndex(), t.index) << t.text;
        EXPECT_EQ(box.currentText(), t.text);
        EXPECT_EQ(box.HTMLcolor(), t.html) << t.text;
        EXPECT_EQ(box.swatchColor(16), t.value & 0xFFFFFF) << "the custom swatch shows the current colour";
    }
    TVelmoColorComboBox box;
    box.SetColorValue(0x0080FF);
    box.SetColorValue(0x00FF00);
    EXPECT_EQ(box.entryColor(16), 0x0080FFu) << "the custom entry keeps its last custom colour";
    EXPECT_EQ(box.swatchColor(16), 0x00FF00u);
}

TEST(ColorCombo, NamesInEachLanguage)
{
    app();
    const struct {
        TVelmoColorComboBox::TCLanguage language;
        int index;
        const char* name;
    } cases[] = {
        {TVelmoColorComboBox::lgEnglish, 1, "Maroon"},     {TVelmoColorComboBox::lgEnglish, 16, "More..."},
        {TVelmoColorComboBox::lgDeutsch, 10, "Hellgrün"},  {TVelmoColorComboBox::lgDeutsch, 15, "Weiß"},
        {TVelmoColorComboBox::lgDeutsch, 16, "Mehr..."},   {TVelmoColorComboBox::lgFrensh, 2, "Vert"},
        {TVelmoColorComboBox::lgFrensh, 10, "Vert"},       {TVelmoColorComboBox::lgFrensh, 8, "Argenté"},
        {TVelmoColorComboBox::lgFrensh, 3, "Marron clair"}, {TVelmoColorComboBox::lgFrensh, 16, "Autres...."},
    };
    TVelmoColorComboBox box;
    box.SetColorValue(0x00FF00);
    for (const auto& t : cases) {
        box.SetLanguage(t.language);
        EXPECT_EQ(box.itemText(t.index), QString::fromUtf8(t.name));
        EXPECT_EQ(box.currentIndex(), 10) << "the language keeps the choice";
    }
}

TEST(ColorCombo, SwatchAndNamePlacement)
{
    const struct {
        QRect item, swatch, name;
    } cases[] = {
        {{0, 0, 120, 16}, {4, 1, 20, 14}, {30, 0, 90, 16}},
        {{3, 2, 100, 18}, {7, 3, 17, 16}, {33, 2, 70, 18}},
        {{0, 16, 120, 16}, {4, 17, 20, 14}, {30, 16, 90, 16}},
        {{30, 0, 100, 16}, {34, 1, 0, 14}, {60, 0, 70, 16}},  // past x = 24: no swatch, never a negative one
    };
    for (const auto& t : cases) {
        EXPECT_EQ(ColorSwatchRect(t.item), t.swatch) << t.item.x();
        EXPECT_EQ(ColorNameRect(t.item), t.name) << t.item.x();
    }
    app();
    TVelmoColorComboBox box;
    QImage image(120, 16, QImage::Format_RGB32);
    {
        QPainter p(&image);
        box.DrawItem(p, 9, image.rect(), Qt::white, Qt::black);
    }
    EXPECT_EQ(image.pixel(10, 8), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(4, 1), qRgb(0, 0, 0)) << "outlined in black";
    EXPECT_EQ(image.pixel(23, 14), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(2, 8), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(26, 8), qRgb(255, 255, 255));
}

TEST(ColorCombo, OnlyTheUsersChoiceIsAChange)
{
    app();
    TVelmoColorComboBox box;
    int changes = 0;
    QObject::connect(&box, &TVelmoColorComboBox::Change, [&] { ++changes; });
    box.SetColorValue(0x0000FF);
    box.SetHTMLcolor("#00FF00");
    box.setCurrentIndex(3);
    box.SetLanguage(TVelmoColorComboBox::lgDeutsch);
    EXPECT_EQ(changes, 0) << "presetting from code";

    box.SetColorValue(0x00FF00);
    const struct {
        const char* what;
        int entry;
        bool pickOk;
        uint32_t picked;
        int changes;
        uint32_t value;
        int index;
    } steps[] = {
        {"a fixed entry", 12, false, 0, 1, 0xFF0000, 12},
        {"a cancelled custom colour is no change", 16, false, 0, 1, 0xFF0000, 12},
        {"a custom colour", 16, true, 0x123456, 2, 0x123456, 16},
        {"cancelled while on the custom entry", 16, false, 0, 2, 0x123456, 16},
        {"a custom colour that is a fixed one", 16, true, 0x0000FF, 3, 0x0000FF, 9},
    };
    for (const auto& s : steps) {
        box.PickCustomColor = [&s](uint32_t& v) {
            if (s.pickOk) v = s.picked;
            return s.pickOk;
        };
        box.setCurrentIndex(s.entry);  // what the list does before it reports the choice
        emit box.activated(s.entry);
        EXPECT_EQ(changes, s.changes) << s.what;
        EXPECT_EQ(box.ColorValue(), s.value) << s.what;
        EXPECT_EQ(box.currentIndex(), s.index) << s.what;
    }
}

// A custom colour the user cancelled must not count as a colour change in
// the character dialog: OK would then recolour a selection of mixed
// colours with the box's old colour.
TEST(ColorCombo, ACancelledCustomColourChangesNothingInTheCharacterDialog)
{
    app();
    CurrentFontState st;
    st.Face = "Qzx Nowhere Sans";
    st.Size = 10;
    st.Color = 0x008000;
    ZeichenFormatModel m;
    m.fill(st);
    ASSERT_TRUE(test::runAndPressDialog<TZeichenFormatForm>(
        [](TZeichenFormatForm& f) {
            for (TVelmoColorComboBox* box : {f.col1, f.col2, f.col3, f.col4}) {
                box->PickCustomColor = [](uint32_t&) { return false; };
                box->setCurrentIndex(TVelmoColorComboBox::kCustomEntry);
                emit box->activated(TVelmoColorComboBox::kCustomEntry);
            }
            f.OkButton->click();
        },
        [&m] {
            TZeichenFormatForm form;
            return ShowZeichenFormatForm(form, m);
        }));
    EXPECT_EQ(m.ColorChanged + m.BkChanged + m.ShadowChanged + m.OutlineChanged, 0);
    EXPECT_EQ(m.col1, 0x008000u);
}

} // namespace
