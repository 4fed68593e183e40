// What a paint pass must not do, whatever the document or the window:
// print more than its own sheet, change the document it prints, repaint
// for ever, show a modal box in the middle of drawing, scale marks and
// bullets by the wrong format, or let a Shift click select a line.

#include "engine/Childwin.h"
#include "platform/MessageBox.h"
#include "render/ImageCanvas.h"
#include "render/PaintPass.h"
#include "render/RecordingCanvas.h"
#include "tests/support/RenderHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

using namespace quillet;
using namespace quillet::test;

namespace {

constexpr double kMmPerPx96 = 25.39995 / 96;
int32_t px96(double mm) { return int32_t(std::trunc(mm / kMmPerPx96)); }

// Every text drawn, in order.
std::vector<std::string> texts(const RecordingCanvas& c)
{
    std::vector<std::string> out;
    for (const CanvasCall& call : c.callsOf(CanvasOp::Text)) out.push_back(call.Text);
    return out;
}

bool drew(const RecordingCanvas& c, const std::string& text)
{
    const auto t = texts(c);
    return std::find(t.begin(), t.end(), text) != t.end();
}

// The calls one screen pass makes on its page image.
std::unique_ptr<RecordingCanvas> screenPass(RenderDoc& d)
{
    ImageCanvas view(d.host.width, d.host.height, 96);
    std::unique_ptr<RecordingCanvas> rec;
    const paint::PageCanvasTap tap = [&](ImageCanvas& image) -> Canvas& {
        rec = std::make_unique<RecordingCanvas>(image);
        return *rec;
    };
    if (!paint::drawPages(d.w, view, RenderPolicy::screen(), 0, 0, 0, tap))
        paint::drawPages(d.w, view, RenderPolicy::screen(), 0, 0, 0, tap);
    return rec;
}

// A second page whose body holds `text`, typed there.
void secondPage(RenderDoc& d, const std::string& text)
{
    d.w.NewPage(true);
    d.w.Areas.back().PageIndex = 1;
    d.w.Cursor = d.w.Anchor = TextPos{d.w.AreaCount() - 1, 0, 0};
    d.type(text);
}

// Records the boxes shown, and whether a pass was running at the time.
struct Boxes : MessageBoxes {
    const TMDIChild* w = nullptr;
    std::vector<std::string> shown;
    int duringPass = 0;
    Boxes() { setMessageBoxes(this); }
    ~Boxes() override { setMessageBoxes(nullptr); }
    // Texts in UTF-8 as they arrived, each marked.
    std::vector<std::string> shownUtf8;
    MsgResult show(std::string_view text, std::string_view, MsgIcon, MsgButtons) override
    {
        shown.emplace_back(text);
        if (w && w->InPaintPass) ++duringPass;
        return MsgResult::Ok;
    }
    MsgResult showUtf8(std::string_view text, std::string_view, MsgIcon, MsgButtons) override
    {
        shownUtf8.emplace_back(text);
        if (w && w->InPaintPass) ++duringPass;
        return MsgResult::Ok;
    }
};

// A two-cell row on page 0 as readers leave it: weights, a right inset
// stored with 99999 added, a left inset wider than the block.
void rawRow(TMDIChild& w)
{
    std::vector<TextLine>& lines = w.Areas[0].Lines;
    lines.assign(2, TextLine{});
    for (int i = 0; i < 2; ++i) {
        InitNewLine(lines, i);
        TextLine& l = lines[size_t(i)];
        l.IsCell = 1;
        l.CellsPerRow = 2;
        l.CellIndex = i;
        l.RowFirstRun = l.RowLastRun = 1;
        l.CellWidth = i == 0 ? 1 : 3;
        l.CellInsetLeft = 0;
        l.CellInsetRight = 99999 + 40;
        l.EndKind = ekParagraph;
        SetStandardCellDesign(l.Design);
        l.Height = 6;
        l.Dirty = 0;
    }
    w.Cursor = w.Anchor = TextPos{0, 0, 0};
}

} // namespace

TEST(PassGuards, APrintedSheetCarriesItsOwnPageOnlyAndTheDocumentStaysAsItWas)
{
    RenderDoc d;
    d.type("abc");
    secondPage(d, "xyz");
    // Flags a reader or a record change leaves for the screen.
    d.w.RenderAllPages = 1;
    d.w.RefreshAfterPaint = 1;

    RecordingCanvas sheet(CanvasKind::Printer, 100, 826, 1169);
    d.w.DrawPages(sheet, 1, 1, 0, 0);
    EXPECT_TRUE(drew(sheet, "x"));
    EXPECT_FALSE(drew(sheet, "a")) << "page 0 stacked onto the sheet of page 1:\n" << sheet.describe();
    EXPECT_EQ(d.w.RefreshAfterPaint, 1) << "the screen's refresh is the screen's";
    EXPECT_EQ(d.w.RenderAllPages, 1);

    // Printing writes nothing back: a raw table row and a "page" field
    // with another page's number keep what they hold, yet the sheet shows
    // the row's real geometry and the page's own number.
    RenderDoc t;
    rawRow(t.w);
    TextLine& first = t.w.Areas[0].Lines[0];
    first.CellInsetLeft = 1000;
    t.w.Cursor = TextPos{0, 1, 0};
    TextChar* field = t.w.NewChar();
    ASSERT_NE(field, nullptr);
    field->Kind = ckField;
    field->FieldCode() = "page";
    field->FieldResult() = "7";
    t.w.RenderChar(*field, false, "7");
    const std::vector<TextLine> before = t.w.Areas[0].Lines;

    RecordingCanvas paper(CanvasKind::Printer, 100, 826, 1169);
    t.w.DrawPages(paper, 1, 0, 0, 0);
    const std::vector<TextLine>& after = t.w.Areas[0].Lines;
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(after[i].CellWidth, before[i].CellWidth);
        EXPECT_EQ(after[i].CellInsetLeft, before[i].CellInsetLeft);
        EXPECT_EQ(after[i].CellInsetRight, before[i].CellInsetRight);
        EXPECT_EQ(after[i].Dirty, before[i].Dirty);
    }
    EXPECT_EQ(*after[1].Chars[0].FieldResult(), "7");
    EXPECT_TRUE(drew(paper, "1")) << paper.describe();
    EXPECT_FALSE(drew(paper, "7"));

    // The screen pass is the one that stores them.
    t.paint();
    EXPECT_LT(t.w.Areas[0].Lines[0].CellInsetRight, 99999);
    EXPECT_EQ(*t.w.Areas[0].Lines[1].Chars[0].FieldResult(), "1");
}

TEST(PassGuards, ARefreshPassDrawsEachAreaOffItsPageOnceAndSettlesLikeAnyOther)
{
    // Page k's body holds the one letter k: how often a letter is drawn is
    // how often its body is.
    RenderDoc d;
    d.type("A");
    const int32_t pages = 8;
    for (int32_t k = 1; k < pages; ++k) {
        secondPage(d, std::string(1, char('A' + k)));
        d.w.Areas.back().PageIndex = k;
    }
    d.w.RenderAllPages = 1;
    d.w.RefreshAfterPaint = 1;
    const auto rec = screenPass(d);
    ASSERT_NE(rec, nullptr);
    const auto t = texts(*rec);
    for (int32_t k = 0; k < pages; ++k) {
        const auto n = std::count(t.begin(), t.end(), std::string(1, char('A' + k)));
        EXPECT_GE(n, 1) << "page " << k;
        EXPECT_LE(n, 2) << "page " << k << "'s body drawn on every page";
    }
    EXPECT_EQ(d.w.RefreshAfterPaint, 0);

    // A settle that starts with the refresh ends where one without it does.
    RenderDoc e;
    e.type("A");
    for (int32_t k = 1; k < pages; ++k) {
        secondPage(e, std::string(1, char('A' + k)));
        e.w.Areas.back().PageIndex = k;
    }
    ImageCanvas scratch(10, 10, 96);
    d.w.RefreshAfterPaint = 1;
    d.w.SettleLayout(scratch);
    e.w.SettleLayout(scratch);
    ASSERT_EQ(d.w.AreaCount(), e.w.AreaCount());
    for (int32_t k = 0; k < d.w.AreaCount(); ++k)
        EXPECT_EQ(d.w.Areas[size_t(k)].LineCount(), e.w.Areas[size_t(k)].LineCount()) << "area " << k;
}

TEST(PassGuards, AHeaderPageFieldShowsTheNumberOfEachPageItIsDrawnOn)
{
    RenderDoc d(900, 2600);
    secondPage(d, "x");
    // A header on every page.
    d.w.NewField();
    const int32_t header = d.w.AreaCount() - 1;
    {
        TextArea& h = d.w.Areas.back();
        SetStandardAreaLook(h);
        h.AreaType = atHeader;
        h.Left = 20;
        h.Top = 5;
        h.Right = 190;
        h.Bottom = 20;
        h.PageMode = 1;
        h.PageIndex = 0;
        h.PrevInFlow = h.NextInFlow = -1;
        h.Lines.assign(1, TextLine{});
        InitNewLine(h.Lines, 0);
    }
    d.w.Cursor = d.w.Anchor = TextPos{header, 0, 0};
    TextChar* field = d.w.NewChar();
    ASSERT_NE(field, nullptr);
    field->Kind = ckField;
    field->FieldCode() = "page";
    field->FieldResult() = "1";
    d.w.RenderChar(*field, false, "1");
    d.w.RenderAllPages = 1;
    const auto rec = screenPass(d);
    ASSERT_TRUE(rec);
    EXPECT_TRUE(drew(*rec, "1"));
    EXPECT_TRUE(drew(*rec, "2")) << rec->describe();
}

TEST(PassGuards, ChangingPassesStopRestartingTheTimerAfterTheCap)
{
    RenderDoc d;
    rawRow(d.w);
    d.paint();  // sizes the paint box, settles the row
    // Each clamp of the inset is a change the next layout must see.
    auto change = [&] {
        d.w.Areas[0].Lines[0].CellInsetLeft = 1000;
        d.host.timer2Restarts = 0;
        d.w.RenderAllPages = 1;
        d.paint();
    };
    d.w.ChangedPassRun = 0;
    change();
    EXPECT_EQ(d.w.LastPassChanged, 1);
    EXPECT_GE(d.host.timer2Restarts, 1) << "a changing pass asks for the next one";
    EXPECT_EQ(d.w.RenderAllPages, 1);

    // A run of changing passes as long as the cap: the last one stands.
    d.w.ChangedPassRun = kMaxSettlePasses - 1;
    change();
    EXPECT_EQ(d.host.timer2Restarts, 0) << "an oscillating layout must not keep the timer running";
    EXPECT_EQ(d.w.RenderAllPages, 0) << "a print run waiting for the flag goes on";
    EXPECT_EQ(d.w.ChangedPassRun, 0);

    // Timer ticks as the host would deliver them end.
    int ticks = 0;
    d.host.timer2Running = true;
    while (d.host.timer2Running && ticks < 100) {
        d.host.timer2Running = false;
        d.w.Timer2Timer();
        ++ticks;
    }
    EXPECT_LE(ticks, kMaxSettlePasses + 1);
}

TEST(PassGuards, MessagesOfAPassComeAfterItOncePerText)
{
    Boxes boxes;
    RenderDoc d;
    boxes.w = &d.w;

    // Pictures a printer refuses every way: two of them, one message.
    Dib pic;
    newdib(&pic, 4, 4, 24, nullptr, 0);
    d.w.Pictures.push_back(std::move(pic));
    d.type("ab");
    for (int j = 0; j < 2; ++j) {
        TextChar& c = d.w.Areas[0].Lines[0].Chars[size_t(j)];
        c.Kind = ckPicture;
        c.setPictureIndex(uint16_t(d.w.Pictures.size() - 1));
    }
    RecordingCanvas sheet(CanvasKind::Printer, 100, 826, 1169);
    sheet.StretchDibResult = 0;
    sheet.SendsDib = false;
    sheet.StretchBitmapResult = false;
    d.w.DrawPages(sheet, 1, 0, 0, 0);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0], "Das Ger\xE4t unterst\xFCtzt die Funktion StretchBlt nicht!");
    EXPECT_EQ(boxes.duringPass, 0) << "a modal box inside the pass lets paints run inside it";

    // A refused frame link: the same, after the pass.
    boxes.shown.clear();
    const int32_t a = addTextFrame(d.w, 30, 60, 90, 100);
    const int32_t b = addTextFrame(d.w, 110, 60, 170, 100);
    d.w.Areas[size_t(b)].PrevInFlow = 0;  // already has a predecessor
    d.w.LinkMode = 1;
    d.w.LinkSource = d.w.LinkHead = a;
    d.w.PageLocate = {};
    d.w.PageLocate.Request = 1;
    d.w.PageLocate.Y = 5;
    d.paint();
    d.w.PageLocate.Request = 0;
    const int32_t ox = d.w.PageLocate.OriginX, oy = d.w.PageLocate.OriginY;
    const int32_t undos = int32_t(d.w.UndoCopies.size());
    d.click(ox + px96(140), oy + px96(80));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(boxes.shownUtf8, std::vector<std::string>{"This field is already connected!"})
        << "a UTF-8 text stays UTF-8 through the wait";
    EXPECT_EQ(boxes.duringPass, 0);
    EXPECT_EQ(int32_t(d.w.UndoCopies.size()), undos) << "a refused link changes nothing";
}

TEST(PassGuards, LinkingAFrameCanBeUndoneAndMarksTheDocumentChanged)
{
    RenderDoc d;
    const int32_t a = addTextFrame(d.w, 30, 60, 90, 100);
    const int32_t b = addTextFrame(d.w, 110, 60, 170, 100);
    d.w.PageLocate = {};
    d.w.PageLocate.Request = 1;
    d.w.PageLocate.Y = 5;
    d.paint();
    d.w.PageLocate.Request = 0;
    const int32_t ox = d.w.PageLocate.OriginX, oy = d.w.PageLocate.OriginY;
    d.w.Modified = 0;
    d.w.LinkMode = 1;
    d.w.LinkSource = d.w.LinkHead = a;
    const size_t undos = d.w.UndoCopies.size();
    d.click(ox + px96(140), oy + px96(80));
    ASSERT_EQ(d.w.Areas[size_t(b)].PrevInFlow, a);
    EXPECT_EQ(d.w.Areas[size_t(a)].NextInFlow, b);
    EXPECT_EQ(d.w.Modified, 1);
    ASSERT_EQ(d.w.UndoCopies.size(), undos + 1);
    d.w.RestoreCopyFromUndo(0);
    EXPECT_EQ(d.w.Areas[size_t(b)].PrevInFlow, -1);
    EXPECT_EQ(d.w.Areas[size_t(a)].NextInFlow, -1);
}

TEST(PassGuards, ZoomFittingStaysInTheZoomBoxRangeAndPageViewKeepsTheMode)
{
    RenderDoc tiny(30, 30);
    tiny.w.ZoomMode = 1;
    tiny.w.FormResize();
    EXPECT_DOUBLE_EQ(tiny.w.ZoomPercent, 10);
    tiny.w.ZoomMode = 2;
    tiny.w.FormResize();
    EXPECT_DOUBLE_EQ(tiny.w.ZoomPercent, 10);
    tiny.paint();
    EXPECT_GT(tiny.w.PaintBoxWidth, 0);

    RenderDoc huge(20000, 30000);
    huge.w.ZoomMode = 1;
    huge.w.FormResize();
    EXPECT_DOUBLE_EQ(huge.w.ZoomPercent, 250);

    // A minimised window keeps the zoom it had.
    RenderDoc gone(900, 700);
    gone.w.ZoomMode = 1;
    gone.w.FormResize();
    const double fitted = gone.w.ZoomPercent;
    gone.host.width = gone.host.height = 0;
    gone.w.FormResize();
    EXPECT_DOUBLE_EQ(gone.w.ZoomPercent, fitted);

    // Page view off gives page-width zoom back as page-width zoom.
    RenderDoc v(900, 700);
    v.w.ZoomMode = 1;
    v.w.FormResize();
    const double width = v.w.ZoomPercent;
    v.w.Seitenansicht();
    EXPECT_EQ(v.w.ZoomMode, 2);
    v.w.Seitenansicht();
    EXPECT_EQ(v.w.ZoomMode, 1);
    EXPECT_DOUBLE_EQ(v.w.ZoomPercent, width);
    v.host.width = 700;
    v.w.FormResize();
    EXPECT_LT(v.w.ZoomPercent, width) << "still following the window";
}

TEST(PassGuards, ParagraphMarksGrowWithTheZoomOnceAndBulletsTakeTheParagraphsLook)
{
    RenderDoc d;
    d.frame.Options.ShowParagraphEnd = 1;
    d.type("ab\ncd");
    auto markPixels = [&](double zoom) {
        d.w.ZoomPercent = zoom;
        const auto rec = screenPass(d);
        for (const CanvasCall& c : rec->callsOf(CanvasOp::Text))
            if (c.Text == "\xB6") return c.FontPixels;
        ADD_FAILURE() << "no paragraph mark at zoom " << zoom;
        return 0;
    };
    const int32_t at100 = markPixels(100), at200 = markPixels(200);
    ASSERT_GT(at100, 0);
    EXPECT_NEAR(double(at200) / at100, 2.0, 0.35) << at100 << " -> " << at200;

    // A bulleted paragraph whose text has a shadow; the cursor stands in
    // plain text elsewhere. The bullet gets the paragraph's shadow.
    RenderDoc b;
    b.type("xy");
    TextLine& line = b.w.Areas[0].Lines[0];
    line.Para.edit().ListKind = 1;
    line.Para.edit().BulletChar = 'o';
    line.Para.edit().ListIndent = 6;
    FontEntry shaded = FontEntryFromState(b.w.FontState);
    SettingOps(shaded.Options, foShaded, true);
    const int32_t fi = b.w.GetNewFontIndex(shaded);
    for (TextChar& c : line.Chars) c.setFontIndex(fi);
    SettingOps(b.w.FontState.Options, foShaded, false);
    auto bulletRuns = [&] {
        const auto rec = screenPass(b);
        int n = 0;
        for (const CanvasCall& c : rec->callsOf(CanvasOp::Text)) n += c.Text == "o";
        return n;
    };
    EXPECT_EQ(bulletRuns(), 2) << "shadow and text";
    // And a shadowed cursor format does not give a plain paragraph's bullet one.
    for (TextChar& c : line.Chars) c.setFontIndex(b.w.GetNewFontIndex(FontEntryFromState(b.w.FontState)));
    SettingOps(b.w.FontState.Options, foShaded, true);
    EXPECT_EQ(bulletRuns(), 1);
}

TEST(PassGuards, AShiftClickLeftOfALineMovesOnlyTheCursor)
{
    RenderDoc d;
    d.type("First line\nSecond line\nThird");
    d.w.PageLocate = {};
    d.w.PageLocate.Request = 1;
    d.w.PageLocate.Y = 5;
    d.paint();
    d.w.PageLocate.Request = 0;
    const TextArea& body = d.w.Areas[0];
    const int32_t left = d.w.PageLocate.OriginX + 1;
    const int32_t top = d.w.PageLocate.OriginY + 2;
    const double lineH = body.Lines[0].Height;
    const int32_t mid1 = int32_t(std::trunc((body.InnerTop + lineH * 1.5) / kMmPerPx96)) + top;
    d.w.Cursor = d.w.Anchor = TextPos{0, 2, 2};
    d.click(left + 3, mid1, true);
    EXPECT_EQ(d.w.LineHit, 0);
    EXPECT_EQ(d.w.Cursor, (TextPos{0, 1, 0}));
    EXPECT_EQ(d.w.Anchor, (TextPos{0, 2, 2}));
}

TEST(PassGuards, BrokenGraphicFieldsDrawNothing)
{
    RenderDoc d;
    auto graphic = [&](int32_t pictureIndex, bool withLine) {
        d.w.NewField();
        TextArea& g = d.w.Areas.back();
        SetStandardAreaLook(g);
        g.AreaType = atGraphic;
        g.Left = 20;
        g.Top = 40;
        g.Right = 80;
        g.Bottom = 90;
        g.PageMode = 0;
        g.PageIndex = 0;
        g.KeepAspect = 1;
        g.PrevInFlow = g.NextInFlow = -1;
        g.Lines.clear();
        if (withLine) {
            g.Lines.assign(1, TextLine{});
            InitNewLine(g.Lines, 0);
            TextChar c;
            c.Kind = ckPicture;
            c.setPictureIndex(uint16_t(pictureIndex));
            g.Lines[0].Chars.push_back(c);
        }
    };
    graphic(0, false);                                   // no line at all
    graphic(77, true);                                   // index past the list
    d.w.Pictures.emplace_back();                         // a freed slot
    graphic(int32_t(d.w.Pictures.size() - 1), true);
    const auto rec = screenPass(d);
    ASSERT_TRUE(rec);
    EXPECT_EQ(rec->count(CanvasOp::StretchDib) + rec->count(CanvasOp::SetDibToDevice) +
                  rec->count(CanvasOp::StretchBitmap),
              0u);
}

TEST(PassGuards, APageBodyFarBeyondTheOthersDoesNotMakeAPassWalkEveryPage)
{
    RenderDoc d;
    d.type("first");
    // What a damaged file can leave: a body two billion pages on.
    d.w.NewPage(true);
    d.w.Areas.back().PageIndex = 0x7FFFFFF0;
    d.w.RenderAllPages = 1;
    ImageCanvas scratch(10, 10, 96);
    paint::drawPages(d.w, scratch, RenderPolicy::settle(), 0, 0, 0);
    d.w.RenderAllPages = 1;
    const auto rec = screenPass(d);
    ASSERT_TRUE(rec);
    EXPECT_TRUE(drew(*rec, "f")) << "the real page is still drawn";
}

TEST(PassGuards, TheCaretStaysWhenAPageAfterItsPageIsDrawn)
{
    RenderDoc d(900, 2600);
    d.type("one");
    secondPage(d, "two");
    d.w.Cursor = d.w.Anchor = TextPos{0, 0, 2};
    d.host.caretCalls.clear();
    d.paint();
    ASSERT_FALSE(d.host.caretCalls.empty());
    EXPECT_EQ(d.host.caretCalls.back(), "show");
    EXPECT_EQ(d.w.CaretShown, 1);
}

