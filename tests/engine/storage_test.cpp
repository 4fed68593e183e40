#include "engine/Childwin.h"

#include "formats/StandardServices.h"
#include "platform/SelFont.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace quillet;

namespace {

struct Doc {
    FrameState frame = StandardFrameState();
    std::unique_ptr<TMDIChild> w = std::make_unique<TMDIChild>(frame);
    TMDIChild* operator->() { return w.get(); }
};

double pxToMm(int32_t px) { return double(px) / 600 * 25.39995; }

int32_t widthPx(const FontEntry& f, double size, std::string_view text)
{
    return selfont(f.Face, 600, f.Charset, f.Style, size, 100)->textExtent(text).cx;
}

int32_t heightPx(const FontEntry& f, double size, std::string_view text)
{
    return selfont(f.Face, 600, f.Charset, f.Style, size, 100)->textExtent(text).cy;
}

// Makes area `i` a text frame holding one line.
void makeFrame(TMDIChild& w, int32_t i)
{
    TextArea& a = w.Areas[size_t(i)];
    a.AreaType = atTextFrame;
    a.PageMode = 1;
}

} // namespace

TEST(NewDocument, HasPageBodyAndSixHeaderFooterAreasOfWhichTwoShow)
{
    Doc d;
    TMDIChild& w = *d.w;
    ASSERT_EQ(w.AreaCount(), 7);
    const uint8_t types[7] = {atPageBody, atHeader, atFooter, atHeader, atFooter, atHeader, atFooter};
    const uint8_t modes[7] = {0, 99, 99, 99, 99, 1, 1};
    for (int i = 0; i < 7; ++i) {
        const TextArea& a = w.Areas[size_t(i)];
        EXPECT_EQ(a.AreaType, types[i]) << i;
        EXPECT_EQ(a.PageMode, modes[i]) << i;
        ASSERT_EQ(a.LineCount(), 1) << i;
        EXPECT_EQ(a.Lines[0].CharCount(), 0);
        EXPECT_EQ(a.Lines[0].CellsPerRow, 1);
        EXPECT_EQ(a.Lines[0].Dirty, 1);
        EXPECT_EQ(a.PrevInFlow, -1);
        EXPECT_EQ(a.NextInFlow, -1);
        EXPECT_EQ(a.PageIndex, 0);
    }

    const TextArea& body = w.Areas[0];
    EXPECT_EQ(body.Left, 0);
    EXPECT_EQ(body.Top, 0);
    EXPECT_EQ(body.Right, 0);
    EXPECT_EQ(body.Bottom, 0);
    EXPECT_EQ(body.InnerLeft, 25);
    EXPECT_EQ(body.InnerTop, 25);
    EXPECT_EQ(body.InnerRight, 25);
    EXPECT_EQ(body.InnerBottom, 25);
    EXPECT_EQ(body.AnchorRight, 1);
    EXPECT_EQ(body.AnchorBottom, 1);
    EXPECT_EQ(body.AnchorTopToBottom, 0);
    EXPECT_EQ(body.WrapText, 1);
    EXPECT_EQ(body.MoveWithText, 1);
    EXPECT_EQ(body.WrapDistanceX, 3.2);
    EXPECT_EQ(body.WrapDistanceY, 3.2);
    EXPECT_EQ(body.FillColor, 0xFFFFFFu);
    EXPECT_EQ(body.Transparent, 1);
    EXPECT_EQ(body.KeepAspect, 1);

    const TextArea& header = w.Areas[5];
    EXPECT_EQ(header.Bottom, 24.5);
    EXPECT_EQ(header.Top, 0);
    EXPECT_EQ(header.AnchorBottom, 0);
    EXPECT_EQ(header.AnchorTopToBottom, 0);
    EXPECT_EQ(header.AnchorRight, 1);
    EXPECT_EQ(header.InnerTop, 11);
    EXPECT_EQ(header.InnerBottom, 0);
    EXPECT_EQ(header.InnerLeft, 25);
    EXPECT_EQ(header.KeepAspect, 1);  // from the page body

    const TextArea& footer = w.Areas[6];
    EXPECT_EQ(footer.Top, 24.5);
    EXPECT_EQ(footer.Bottom, 0);
    EXPECT_EQ(footer.AnchorBottom, 1);
    EXPECT_EQ(footer.AnchorTopToBottom, 1);
    EXPECT_EQ(footer.InnerTop, 0);
    EXPECT_EQ(footer.InnerBottom, 11);

    EXPECT_EQ(w.FontState.Face, "Times New Roman");
    EXPECT_EQ(w.FontState.Size, 12);
    EXPECT_EQ(w.FontState.Charset, 1);
    EXPECT_EQ(w.FontState.BkColor, 0xFFFFFFu);
    EXPECT_EQ(w.FontState.ShadowColor, 0x808080u);
    EXPECT_EQ(w.FontState.OutlineColor, 0x00FFFFu);
    EXPECT_EQ(w.FontState.BkTransparent, 1);
    EXPECT_EQ(w.PrinterDpi, 600);
    EXPECT_EQ(w.CaretHeight, 14);
    EXPECT_EQ(w.Cursor, TextPos{});
    EXPECT_NE(w.Host, nullptr);
    EXPECT_NE(w.Ui, nullptr);
    w.setHost(nullptr);
    EXPECT_NE(w.Host, nullptr);
}

TEST(NewDocument, ProgDirGetsTrailingSeparator)
{
    FrameState frame = StandardFrameState();
    frame.ProgDir = "/opt/quillet";
    TMDIChild w(frame);
    EXPECT_EQ(w.ProgDir, "/opt/quillet/");
    frame.ProgDir = "/opt/quillet/";
    TMDIChild w2(frame);
    EXPECT_EQ(w2.ProgDir, "/opt/quillet/");
}

TEST(NewPage, LaterPageCopiesAreaZeroWithoutLinesOrLinks)
{
    Doc d;
    TMDIChild& w = *d.w;
    TextArea& body = w.Areas[0];
    body.InnerLeft = 31;
    body.InnerBottom = 17;
    body.BorderWidth = 1.5;
    body.FillColor = 0x123456;
    body.WrapMode = 2;
    body.NextInFlow = 7;
    w.InsertNewLine(0, 1);
    ASSERT_EQ(body.LineCount(), 2);

    w.NewPage(false);
    ASSERT_EQ(w.AreaCount(), 8);
    const TextArea& page = w.Areas[7];
    EXPECT_EQ(page.LineCount(), 0);
    EXPECT_EQ(page.PrevInFlow, -1);
    EXPECT_EQ(page.NextInFlow, -1);
    EXPECT_EQ(page.InnerLeft, 31);
    EXPECT_EQ(page.InnerBottom, 17);
    EXPECT_EQ(page.BorderWidth, 1.5);
    EXPECT_EQ(page.FillColor, 0x123456u);
    EXPECT_EQ(page.WrapMode, 2);
    EXPECT_EQ(page.AreaType, atPageBody);
    // Area 0 keeps its own text and link.
    EXPECT_EQ(w.Areas[0].LineCount(), 2);
    EXPECT_EQ(w.Areas[0].NextInFlow, 7);

    w.NewPage(true);
    EXPECT_EQ(w.Areas[8].LineCount(), 1);
}

TEST(DeleteField, MiddleOfThreeLinkedFramesCutsBothEndsAndRenumbers)
{
    Doc d;
    TMDIChild& w = *d.w;
    for (int i = 0; i < 5; ++i) w.NewPage(true);   // areas 7..11
    for (int i = 7; i <= 11; ++i) makeFrame(w, i);
    // Chain 7 -> 8 -> 9, and a second chain 10 -> 11.
    w.Areas[7].NextInFlow = 8;
    w.Areas[8].PrevInFlow = 7;
    w.Areas[8].NextInFlow = 9;
    w.Areas[9].PrevInFlow = 8;
    w.Areas[10].NextInFlow = 11;
    w.Areas[11].PrevInFlow = 10;
    w.Areas[9].AnchorId = 123;

    w.DeleteField(8);
    ASSERT_EQ(w.AreaCount(), 11);
    EXPECT_EQ(w.Areas[7].NextInFlow, -1);
    EXPECT_EQ(w.Areas[7].PrevInFlow, -1);
    EXPECT_EQ(w.Areas[8].PrevInFlow, -1);   // old area 9
    EXPECT_EQ(w.Areas[8].NextInFlow, -1);
    EXPECT_EQ(w.Areas[8].AnchorId, 123);
    EXPECT_EQ(w.Areas[9].NextInFlow, 10);   // old 10 -> 11
    EXPECT_EQ(w.Areas[10].PrevInFlow, 9);

    // Out of range: nothing happens.
    w.DeleteField(11);
    w.DeleteField(-1);
    EXPECT_EQ(w.AreaCount(), 11);
}

TEST(DeleteField, OneSidedLinkToTheDeletedAreaIsDropped)
{
    Doc d;
    TMDIChild& w = *d.w;
    for (int i = 0; i < 3; ++i) w.NewPage(true);   // areas 7..9
    // Area 9 claims 8 as its predecessor, but 8 does not link back.
    w.Areas[9].PrevInFlow = 8;
    w.Areas[7].NextInFlow = 42;  // bad link from a file: ignored by the cut
    w.Areas[8].PrevInFlow = 42;
    w.DeleteField(8);
    EXPECT_EQ(w.Areas[8].PrevInFlow, -1);
    EXPECT_EQ(w.Areas[7].NextInFlow, 41);
}

TEST(InsertNewLine, TakesOverCallerFieldsOfThePreviousOccupant)
{
    Doc d;
    TMDIChild& w = *d.w;
    TextLine& l = w.Areas[0].Lines[0];
    l.CellWidth = 2.5;
    l.CellInsetLeft = 1.25;
    l.Height = 4.75;
    l.Dirty = 0;
    l.IsCell = 1;
    l.CellsPerRow = 3;
    l.EndKind = ekParagraph;
    l.Para.edit().LeftIndent = 10;
    l.Para.edit().Tabs.push_back(TabStop{20, 0, 0});
    SetStandardCellDesign(l.Design);
    l.Chars.resize(2);
    l.Chars[0].Code = 'x';

    w.InsertNewLine(0, 0);
    ASSERT_EQ(w.Areas[0].LineCount(), 2);
    const TextLine& fresh = w.Areas[0].Lines[0];
    const TextLine& moved = w.Areas[0].Lines[1];
    EXPECT_EQ(moved.CharCount(), 2);
    EXPECT_EQ(moved.Chars[0].Code, 'x');
    EXPECT_EQ(moved.Para->LeftIndent, 10);
    // Kept from the line that stood there.
    EXPECT_EQ(fresh.CellWidth, 2.5);
    EXPECT_EQ(fresh.CellInsetLeft, 1.25);
    EXPECT_EQ(fresh.Height, 4.75);
    EXPECT_EQ(fresh.Design, moved.Design);
    EXPECT_EQ(fresh.Dirty, 0);
    // Set by InitNewLine.
    EXPECT_EQ(fresh.CharCount(), 0);
    EXPECT_EQ(fresh.IsCell, 0);
    EXPECT_EQ(fresh.CellsPerRow, 1);
    EXPECT_EQ(fresh.EndKind, 0);
    EXPECT_EQ(fresh.Para, DefaultAbsatzFormat());

    // At the end there was no line: the fields start at zero.
    w.InsertNewLine(0, 2);
    ASSERT_EQ(w.Areas[0].LineCount(), 3);
    EXPECT_EQ(w.Areas[0].Lines[2].CellWidth, 0);
    EXPECT_EQ(w.Areas[0].Lines[2].CellsPerRow, 1);

    // Out of range: nothing.
    w.InsertNewLine(0, 4);
    w.InsertNewLine(0, -1);
    w.InsertNewLine(7, 0);
    EXPECT_EQ(w.Areas[0].LineCount(), 3);
}

TEST(NewChar, TypingAtTheEndOfAnAreaAppendsALineFirst)
{
    Doc d;
    TMDIChild& w = *d.w;
    w.Cursor = TextPos{0, 1, 0};            // line index == line count
    TextChar* c = w.NewChar();
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(w.Areas[0].LineCount(), 2);
    EXPECT_EQ(w.Areas[0].Lines[1].CharCount(), 1);
    EXPECT_EQ(c, &w.Areas[0].Lines[1].Chars[0]);
    EXPECT_EQ(c->Kind, ckText);
    EXPECT_EQ(c->Code, 'a');
    EXPECT_EQ(c->FontIndex(), 0);
    EXPECT_EQ(w.Cursor, (TextPos{0, 1, 0}));  // the caller advances it
}

TEST(NewChar, InsertsBeforeTheCursorCharacter)
{
    Doc d;
    TMDIChild& w = *d.w;
    for (uint8_t code : {'x', 'y'}) {
        TextChar* c = w.NewChar();
        ASSERT_NE(c, nullptr);
        c->Code = code;
        c->Flags = 0x07;
        c->FieldCode() = std::string("page");
        ++w.Cursor.Char;
    }
    w.Cursor.Char = 1;
    TextChar* c = w.NewChar();
    ASSERT_NE(c, nullptr);
    const auto& chars = w.Areas[0].Lines[0].Chars;
    ASSERT_EQ(chars.size(), 3u);
    EXPECT_EQ(chars[0].Code, 'x');
    EXPECT_EQ(chars[1].Code, 'a');
    EXPECT_EQ(chars[2].Code, 'y');
    EXPECT_EQ(chars[1].Flags & 1, 0);
    EXPECT_FALSE(chars[1].FieldCode().has_value());
    EXPECT_TRUE(chars[2].FieldCode().has_value());
    EXPECT_EQ(w.FontCount(), 1);
}

TEST(NewChar, CursorOutsideTheDocumentChangesNothing)
{
    Doc d;
    TMDIChild& w = *d.w;
    const auto before = w.Areas;
    for (TextPos p : {TextPos{7, 0, 0}, TextPos{-1, 0, 0}, TextPos{0, 2, 0}, TextPos{0, -1, 0},
                      TextPos{0, 0, 1}, TextPos{0, 0, -1}, TextPos{0, 1, 1}}) {
        w.Cursor = p;
        EXPECT_EQ(w.NewChar(), nullptr) << p.Area << "," << p.Line << "," << p.Char;
    }
    EXPECT_EQ(w.Areas, before);
    EXPECT_EQ(w.FontCount(), 0);
}

TEST(FontTable, EqualFormatsShareAndAnyChangedFieldAppends)
{
    Doc d;
    TMDIChild& w = *d.w;
    const FontEntry base = FontEntryFromState(w.FontState);
    EXPECT_EQ(w.GetNewFontIndex(base), 0);
    EXPECT_EQ(w.GetNewFontIndex(base), 0);

    std::vector<std::function<void(FontEntry&)>> changes = {
        [](FontEntry& f) { f.Face = "times new roman"; },   // case counts
        [](FontEntry& f) { f.Color = 1; },
        [](FontEntry& f) { f.Size = 12.000001; },
        [](FontEntry& f) { f.Style = 1; },
        [](FontEntry& f) { f.Charset = 0; },
        [](FontEntry& f) { f.BkColor = 0xFFFFFE; },
        [](FontEntry& f) { f.ShadowColor = 0; },
        [](FontEntry& f) { f.OutlineColor = 0; },
        [](FontEntry& f) { f.BkTransparent = 0; },
        [](FontEntry& f) { f.Reserved = 1; },
    };
    for (int bit = 0; bit < 16; ++bit)
        changes.push_back([bit](FontEntry& f) { SettingOps(f.Options, bit, true); });

    for (size_t i = 0; i < changes.size(); ++i) {
        FontEntry f = base;
        changes[i](f);
        EXPECT_EQ(w.GetNewFontIndex(f), int32_t(i + 1)) << i;
        EXPECT_EQ(w.GetNewFontIndex(f), int32_t(i + 1)) << i;
    }
    EXPECT_EQ(w.Fonts[0], base);  // the first entry keeps its meaning
    EXPECT_EQ(w.GetNewFontIndex(base), 0);

    // Two typed characters with one format share the entry; a change of the
    // current format gives the next one a new entry.
    TextChar* a = w.NewChar();
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->FontIndex(), 0);
    w.FontState.BkTransparent = 0;
    TextChar* b = w.NewChar();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->FontIndex(), 9);  // the entry made above for this change
    w.FontState.Color = 0x0000FF;
    const int32_t count = w.FontCount();
    b = w.NewChar();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->FontIndex(), count);
    EXPECT_EQ(w.Fonts[size_t(b->FontIndex())].BkTransparent, 0);
    EXPECT_EQ(w.Fonts[size_t(b->FontIndex())].Color, 0x0000FFu);
}

class RenderCharTest : public ::testing::Test {
protected:
    Doc d;
    TMDIChild& w = *d.w;

    TextChar charWith(double size, uint16_t options, uint8_t code = 'a')
    {
        FontEntry f = FontEntryFromState(w.FontState);
        f.Size = size;
        f.Options = options;
        TextChar c;
        c.Code = code;
        c.setFontIndex(w.GetNewFontIndex(f));
        return c;
    }
    const FontEntry& font(const TextChar& c) { return w.Fonts[size_t(c.FontIndex())]; }
};

TEST_F(RenderCharTest, PlainCharacterAtFullSize)
{
    TextChar c = charWith(12, 0);
    w.RenderChar(c, false, "a");
    const FontEntry& f = font(c);
    ASSERT_GT(widthPx(f, 12, "a"), 0);
    EXPECT_FLOAT_EQ(c.Width, pxToMm(widthPx(f, 12, "a")));
    EXPECT_FLOAT_EQ(c.Height(), pxToMm(heightPx(f, 12, "a")));
}

TEST_F(RenderCharTest, SmallCapsMeasuresUpperCaseAtThreeQuarters)
{
    uint16_t opts = 0;
    SettingOps(opts, foSmallCaps, true);
    TextChar c = charWith(12, opts, 'a');
    w.RenderChar(c, false, "a");
    const FontEntry& f = font(c);
    ASSERT_NE(widthPx(f, 9, "A"), widthPx(f, 12, "A"));
    EXPECT_FLOAT_EQ(c.Width, pxToMm(widthPx(f, 9, "A")));
    EXPECT_FLOAT_EQ(c.Height(), pxToMm(heightPx(f, 12, "A")));
}

TEST_F(RenderCharTest, SuperscriptSizesRoundHalfToEvenAndNeverBelowOne)
{
    uint16_t sup = 0;
    SettingOps(sup, foSuperscript, true);
    struct Case { double size, measured; };
    // 5 * 0.6 = 3; 7.5 * 0.6 = 4.5 -> 4; 1 * 0.6 -> 1; 0.4 * 0.6 -> 0 -> 1.
    for (Case k : {Case{5, 3}, Case{7.5, 4}, Case{1, 1}, Case{0.4, 1}}) {
        TextChar c = charWith(k.size, sup, 'W');
        w.RenderChar(c, false, "W");
        EXPECT_FLOAT_EQ(c.Width, pxToMm(widthPx(font(c), k.measured, "W"))) << k.size;
        EXPECT_FLOAT_EQ(c.Height(), pxToMm(heightPx(font(c), k.size, "W"))) << k.size;
    }
    // The two sizes really measure differently, so the checks above mean something.
    EXPECT_NE(widthPx(font(charWith(5, 0)), 3, "W"), widthPx(font(charWith(5, 0)), 5, "W"));

    uint16_t sub = 0;
    SettingOps(sub, foSubscript, true);
    TextChar c = charWith(20, sub, 'W');
    w.RenderChar(c, false, "W");
    EXPECT_FLOAT_EQ(c.Width, pxToMm(widthPx(font(c), 12, "W")));

    // Superscript and small caps together: 20 * 0.75 * 0.6 = 9.
    uint16_t both = sup;
    SettingOps(both, foSmallCaps, true);
    c = charWith(20, both, 'w');
    w.RenderChar(c, false, "w");
    EXPECT_FLOAT_EQ(c.Width, pxToMm(widthPx(font(c), 9, "W")));
}

TEST_F(RenderCharTest, FootnoteNumberSwitchesToASuperscriptEntryAndLeavesTheTextEntry)
{
    TextChar text = charWith(10, 0, 'x');
    const int32_t textIndex = text.FontIndex();
    const FontEntry textEntry = font(text);

    TextChar number = text;
    number.Kind = ckFootnoteNumber;
    number.Code = '1';
    w.RenderChar(number, true, "1");
    EXPECT_NE(number.FontIndex(), textIndex);
    EXPECT_EQ(w.Fonts[size_t(textIndex)], textEntry);
    EXPECT_EQ(GettingOps(font(number).Options, foSuperscript), 1);
    FontEntry expected = textEntry;
    SettingOps(expected.Options, foSuperscript, true);
    EXPECT_EQ(font(number), expected);
    EXPECT_FLOAT_EQ(number.Width, pxToMm(widthPx(textEntry, 6, "1")));

    // Measuring the next number reuses the superscript entry.
    const int32_t count = w.FontCount();
    TextChar again = text;
    w.RenderChar(again, true, "2");
    EXPECT_EQ(again.FontIndex(), number.FontIndex());
    EXPECT_EQ(w.FontCount(), count);
    w.RenderChar(again, true, "2");  // already superscript: stays
    EXPECT_EQ(again.FontIndex(), number.FontIndex());
}

TEST_F(RenderCharTest, CasingOptionsMeasureTheCasedCode)
{
    uint16_t caps = 0, lower = 0, bothCasings = 0;
    SettingOps(caps, foCapitals, true);
    SettingOps(lower, foNoCapitals, true);
    SettingOps(bothCasings, foCapitals, true);
    SettingOps(bothCasings, foNoCapitals, true);

    TextChar c = charWith(12, caps, 0xE4);  // a umlaut
    w.RenderChar(c, false, "\xE4");
    EXPECT_FLOAT_EQ(c.Width, pxToMm(widthPx(font(c), 12, "\xC4")));

    c = charWith(12, lower, 'M');
    w.RenderChar(c, false, "M");
    EXPECT_FLOAT_EQ(c.Width, pxToMm(widthPx(font(c), 12, "m")));

    c = charWith(12, bothCasings, 'm');  // capitals win
    w.RenderChar(c, false, "m");
    EXPECT_FLOAT_EQ(c.Width, pxToMm(widthPx(font(c), 12, "M")));

    // Without a casing option the given text is measured, not the code.
    c = charWith(12, 0, 'a');
    w.RenderChar(c, false, "12345");
    EXPECT_FLOAT_EQ(c.Width, pxToMm(widthPx(font(c), 12, "12345")));
}

TEST_F(RenderCharTest, CharacterWithoutAFontEntryIsLeftAlone)
{
    TextChar c;
    c.setFontIndex(99);
    c.Width = 7;
    w.RenderChar(c, true, "a");
    EXPECT_EQ(c.Width, 7);
    EXPECT_EQ(c.FontIndex(), 99);
}

namespace {

Dib pictureWithBits()
{
    Dib d;
    d.Header.biWidth = 1;
    d.Header.biHeight = 1;
    d.Header.biBitCount = 24;
    d.BytesPerRow = 4;
    d.Bits.assign(4, 0x80);
    return d;
}

TextChar pictureChar(uint16_t index)
{
    TextChar c;
    c.Kind = ckPicture;
    c.setPictureIndex(index);
    return c;
}

} // namespace

TEST(PictureSlots, OnlySlotsNoCharacterOrSnapshotUsesAreReleased)
{
    Doc d;
    TMDIChild& w = *d.w;
    for (int i = 0; i < 5; ++i) w.Pictures.push_back(pictureWithBits());
    // Slot 1 in the text, slot 3 only in an undo snapshot, slot 2 only as the
    // index of a non-picture character.
    w.Areas[5].Lines[0].Chars.push_back(pictureChar(1));
    TextChar notPicture;
    notPicture.Kind = ckText;
    notPicture.setPictureIndex(2);
    w.Areas[0].Lines[0].Chars.push_back(notPicture);
    std::vector<TextArea> snapText = w.Areas;
    snapText[0].Lines[0].Chars.push_back(pictureChar(3));
    snapText[0].Lines[0].Chars.push_back(pictureChar(700));  // beyond the list: ignored
    UndoCopy snap;
    for (TextArea& a : snapText) snap.Areas.push_back(std::make_shared<TextArea>(std::move(a)));
    w.UndoCopies.push_back(std::move(snap));

    w.FreeBildInListeIfNotNeeded();
    ASSERT_EQ(w.Pictures.size(), 5u);  // never compacted
    EXPECT_TRUE(w.Pictures[0].empty());
    EXPECT_FALSE(w.Pictures[1].empty());
    EXPECT_TRUE(w.Pictures[2].empty());
    EXPECT_FALSE(w.Pictures[3].empty());
    EXPECT_TRUE(w.Pictures[4].empty());  // past a used slot, released as well

    // Dropping the snapshot frees its picture on the next call.
    w.UndoCopies.clear();
    w.FreeBildInListeIfNotNeeded();
    EXPECT_TRUE(w.Pictures[3].empty());
    EXPECT_FALSE(w.Pictures[1].empty());

    // Direct release: out of range and already-empty slots do nothing.
    w.FreeBildInListe(5);
    w.FreeBildInListe(-1);
    w.FreeBildInListe(0);
    w.FreeBildInListe(1);
    EXPECT_TRUE(w.Pictures[1].empty());
    EXPECT_EQ(w.Pictures.size(), 5u);

    w.FreeBilderListe();
    EXPECT_TRUE(w.Pictures.empty());
}

TEST(Lists, TableTracksAreDeduplicatedAndDirtyFlagsCoverEveryLine)
{
    Doc d;
    TMDIChild& w = *d.w;
    w.AddTableTrack(0, 3, 1);
    w.AddTableTrack(0, 3, 1);
    w.AddTableTrack(0, 3, 0);
    EXPECT_EQ(w.TableTracks.size(), 2u);
    w.FreeTableTrack();
    EXPECT_TRUE(w.TableTracks.empty());

    w.AddMouseObj(2, 1, 2, 3, 4);
    ASSERT_EQ(w.MouseObjs.size(), 1u);
    EXPECT_EQ(w.MouseObjs[0], (MouseObj{2, 1, 2, 3, 4}));
    w.FreeMouseObjs();
    EXPECT_TRUE(w.MouseObjs.empty());

    w.InsertNewLine(3, 1);
    w.ClearAllDirtyFlags();
    for (const TextArea& a : w.Areas)
        for (const TextLine& l : a.Lines) EXPECT_EQ(l.Dirty, 0);
    w.SetAllDirtyFlags();
    for (const TextArea& a : w.Areas)
        for (const TextLine& l : a.Lines) EXPECT_EQ(l.Dirty, 1);

    w.FreeFields();
    EXPECT_EQ(w.AreaCount(), 0);
}
