// Frames, drawing objects and pictures: each kind made through the window's
// operations, painted and read back from the native format; picture files
// good and bad; the z-order, frame links and the two dialogs.

#include "engine/Childwin.h"
#include "engine/ObjectDialogs.h"
#include "formats/StandardServices.h"
#include "platform/MessageBox.h"
#include "platform/Scanner.h"
#include "tests/support/RenderHelpers.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>

namespace quillet {
namespace {

using test::RenderDoc;

struct Boxes : MessageBoxes {
    struct Shown {
        std::string text, caption;
    };
    std::vector<Shown> shown;
    MsgResult show(std::string_view text, std::string_view caption, MsgIcon, MsgButtons) override
    {
        shown.push_back({std::string(text), std::string(caption)});
        return MsgResult::Ok;
    }
    MsgResult showUtf8(std::string_view text, std::string_view caption, MsgIcon i, MsgButtons b) override
    {
        return show(text, caption, i, b);
    }
};

// Dialog answers from the test; an unanswered dialog is cancelled.
struct Dialogs : ObjectDialogsUi {
    std::string pictureFile;
    std::function<bool(FeldFormatModel&)> feld;
    std::function<bool(GrafikPropsModel&)> grafik;
    int pictureDialogs = 0;
    bool runFeldFormatDialog(FeldFormatModel& m) override { return feld && feld(m); }
    bool runGrafikPropsDialog(GrafikPropsModel& m) override { return grafik && grafik(m); }
    bool runPictureOpenDialog(const std::string&, std::string& name) override
    {
        ++pictureDialogs;
        name = pictureFile;
        return !name.empty();
    }
    bool runScannerChoice(const std::vector<ScanDevice>&, int32_t&) override { return false; }
    ScanResult runScan(ScannerSource& s, const std::string& d) override { return s.scan(d, nullptr); }
};

// A 24-bit BMP of one colour (0x00BBGGRR) with the given density.
std::vector<uint8_t> bmpBytes(int32_t w, int32_t h, uint32_t colour, int32_t ppm)
{
    const uint32_t stride = (uint32_t(w) * 3 + 3) & ~3u;
    std::vector<uint8_t> b;
    auto u16 = [&](uint32_t v) { b.push_back(uint8_t(v)); b.push_back(uint8_t(v >> 8)); };
    auto u32 = [&](uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); };
    b.push_back('B');
    b.push_back('M');
    u32(54 + stride * uint32_t(h));
    u32(0);
    u32(54);
    u32(40);
    u32(uint32_t(w));
    u32(uint32_t(h));
    u16(1);
    u16(24);
    u32(0);
    u32(stride * uint32_t(h));
    u32(uint32_t(ppm));
    u32(uint32_t(ppm));
    u32(0);
    u32(0);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            b.push_back(uint8_t(colour >> 16));
            b.push_back(uint8_t(colour >> 8));
            b.push_back(uint8_t(colour));
        }
        for (uint32_t p = uint32_t(w) * 3; p < stride; ++p) b.push_back(0);
    }
    return b;
}

std::string writeFile(const std::string& name, const std::vector<uint8_t>& bytes)
{
    const auto path = test::outputDir() / name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path.string();
}

struct Objects : ::testing::Test {
    RenderDoc d;
    TMDIChild& w = d.w;
    Boxes boxes;
    Dialogs dialogs;
    Objects()
    {
        setMessageBoxes(&boxes);
        w.ObjectDialogs = &dialogs;
    }
    ~Objects() override { setMessageBoxes(nullptr); }

    // Page pixel of page millimetres (x, y) on the first page, zoom 100 at 96 dpi.
    std::pair<int32_t, int32_t> pagePx(double x, double y)
    {
        w.PageLocate = {};
        w.PageLocate.Request = 1;
        w.PageLocate.Y = 5;
        d.paint();
        w.PageLocate.Request = 0;
        const double perMm = 96 / 25.39995;
        return {w.PageLocate.OriginX + 1 + int32_t(x * perMm), w.PageLocate.OriginY + 1 + int32_t(y * perMm)};
    }
    int32_t lastArea() const { return w.AreaCount() - 1; }
};

bool dark(uint32_t c) { return (c & 0xFF) < 0x60 && ((c >> 8) & 0xFF) < 0x60 && ((c >> 16) & 0xFF) < 0x60; }

// Whether a pixel of `want` lies within r pixels of (x, y).
bool near(const ImageCanvas& img, int32_t x, int32_t y, const std::function<bool(uint32_t)>& want, int32_t r = 2)
{
    for (int32_t dy = -r; dy <= r; ++dy)
        for (int32_t dx = -r; dx <= r; ++dx)
            if (want(test::pixelAt(img, x + dx, y + dy))) return true;
    return false;
}

// ---- Every kind: made, painted, saved and read back ------------------------------

TEST_F(Objects, EveryKindIsMadePaintedAndReadBack)
{
    const std::string green = writeFile("objects_green.bmp", bmpBytes(60, 60, 0x00FF00, 0));
    const uint32_t red = 0x0000FF;
    auto isRed = [](uint32_t c) { return c == 0x0000FF; };
    auto isGreen = [](uint32_t c) { return c == 0x00FF00; };
    struct Case {
        const char* name;
        int32_t mode;      // insert mode
        uint8_t rising;
        double sx, sy;     // page mm where the object shows
        std::function<bool(uint32_t)> want;
    };
    const Case cases[] = {
        {"frame", 1, 0, 40, 100, dark},  // its left border
        {"rectangle", 2, 0, 80, 100, isRed},
        {"ellipse", 3, 0, 80, 100, isRed},
        {"line", 4, 0, 80, 100, dark},
        {"rising_line", 4, 1, 80, 100, dark},
        {"hline", 5, 0, 60, 100, dark},
        {"vline", 6, 0, 80, 80, dark},
        {"graphic", 7, 0, 45, 65, isGreen},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RenderDoc doc;
        TMDIChild& win = doc.w;
        win.ObjectDialogs = &dialogs;
        dialogs.pictureFile = green;
        doc.frame.Options.FillColor = red;
        doc.frame.Options.NoFill = 0;
        doc.frame.Options.LineWidth = 2;
        const int32_t areasBefore = win.AreaCount();
        win.SetInsertObjMode(c.mode);
        EXPECT_EQ(win.InsertMode, c.mode);
        if (c.mode == 1) win.TextfeldEinfuegen(0, 40, 60, 120, 140);
        else win.InsertObject(c.mode - 2, 0, c.rising, 40, 60, 120, 140);
        ASSERT_EQ(win.AreaCount(), areasBefore + 1);
        const TextArea& a = win.Areas.back();
        EXPECT_EQ(a.AreaType, c.mode + 2);
        EXPECT_EQ(a.Rising, c.rising);
        EXPECT_EQ(win.Cursor.Area, win.AreaCount() - 1);
        EXPECT_EQ(win.UndoCopies.back().Label, c.mode == 1 ? "Insert field" : c.mode == 7 ? "Insert graphic" : "Insert drawing object");
        if (c.mode == 1) {
            EXPECT_EQ(a.WrapText, 1);
            EXPECT_EQ(a.FillColor, 0xFFFFFFu);
        } else {
            EXPECT_EQ(a.WrapText, 0);
            EXPECT_EQ(a.FillColor, red);
            EXPECT_EQ(a.BorderWidth, 2);
        }
        win.Cursor = win.Anchor = TextPos{0, 0, 0};

        // Where it must show.
        win.PageLocate = {};
        win.PageLocate.Request = 1;
        win.PageLocate.Y = 5;
        const ImageCanvas& img = doc.paint();
        win.PageLocate.Request = 0;
        const double perMm = 96 / 25.39995;
        const int32_t x = win.PageLocate.OriginX + 1 + int32_t(c.sx * perMm);
        const int32_t y = win.PageLocate.OriginY + 1 + int32_t(c.sy * perMm);
        EXPECT_TRUE(near(img, x, y, c.want)) << std::hex << test::pixelAt(img, x, y);
        test::writePng(img, std::string("objects_") + c.name);

        // Saved and opened again.
        const std::string file = (test::outputDir() / (std::string("objects_") + c.name + ".qdt")).string();
        ASSERT_TRUE(win.SaveQDTFile(file));
        FrameState frame = StandardFrameState();
        TMDIChild back(frame);
        ASSERT_TRUE(back.OpenQDTFile(file));
        ASSERT_EQ(back.AreaCount(), win.AreaCount());
        const TextArea& b = back.Areas.back();
        EXPECT_EQ(b.AreaType, a.AreaType);
        EXPECT_EQ(b.Rising, a.Rising);
        EXPECT_DOUBLE_EQ(b.Left, a.Left);
        EXPECT_DOUBLE_EQ(b.Bottom, a.Bottom);
        EXPECT_EQ(b.FillColor, a.FillColor);
        EXPECT_EQ(b.BorderWidth, a.BorderWidth);
        if (c.mode == 7) {
            ASSERT_EQ(b.Lines[0].CharCount(), 1);
            const TextChar& pc = b.Lines[0].Chars[0];
            EXPECT_EQ(pc.Kind, ckPicture);
            ASSERT_LT(pc.PictureIndex(), back.Pictures.size());
            EXPECT_EQ(dibwidth(back.Pictures[pc.PictureIndex()]), 60);
        }
    }
}

TEST_F(Objects, AGraphicFieldWithoutAPictureIsTakenAwayAgain)
{
    const int32_t before = w.AreaCount();
    const TextPos cursor = w.Cursor;
    const std::string notAPicture = writeFile("objects_text.bmp", {'h', 'e', 'l', 'l', 'o'});
    for (const std::string& file : {std::string(), notAPicture}) {
        dialogs.pictureFile = file;
        w.InsertObject(5, 0, 0, 40, 60, 120, 140);
        EXPECT_EQ(w.AreaCount(), before);
        EXPECT_EQ(w.Cursor, cursor);
        EXPECT_EQ(w.UndoCopies.back().Label, "Insert drawing object");
    }
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Error: Could not open file " + notAPicture + "!");
    EXPECT_EQ(boxes.shown[0].caption, "Fehler");
    EXPECT_TRUE(w.Pictures.empty());
}

// ---- Pictures from files ------------------------------------------------------------

TEST_F(Objects, PicturesAreSizedByTheirOwnResolutionElseTheScreens)
{
    struct Case {
        int32_t ppm;
        double width, height;
    };
    const Case cases[] = {
        {11811, 25.39995, 12.699975},                             // 300 dpi
        {0, 300 / 96.0 * 25.39995, 150 / 96.0 * 25.39995},        // none: the screen's
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ppm);
        dialogs.pictureFile = writeFile("objects_ppm.bmp", bmpBytes(300, 150, 0xFF0000, c.ppm));
        const TextPos at = w.Cursor;
        w.GrafikEinfuegen();
        const TextChar& p = w.Areas[size_t(at.Area)].Lines[size_t(at.Line)].Chars[size_t(at.Char)];
        EXPECT_EQ(p.Kind, ckPicture);
        EXPECT_FLOAT_EQ(p.Width, c.width);
        EXPECT_FLOAT_EQ(p.Height(), c.height);
        EXPECT_EQ(w.Cursor.Char, at.Char + 1);
        EXPECT_EQ(w.UndoCopies.back().Label, "Insert graphic");
    }
    EXPECT_EQ(w.Pictures.size(), 2u);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Objects, BadPictureFilesInsertNothing)
{
    std::vector<uint8_t> truncated = bmpBytes(40, 40, 0, 0);
    truncated.resize(200);
    std::vector<uint8_t> huge = bmpBytes(2, 2, 0, 0);
    for (int i : {18, 22}) {  // 60000 x 60000 pixels claimed by a tiny file
        huge[size_t(i)] = 0x60;
        huge[size_t(i) + 1] = 0xEA;
    }
    const std::vector<uint8_t> lying = [] {
        auto b = bmpBytes(10, 10, 0, 0);
        b[22] = 0xE8;  // height 1000 over the rows of ten
        b[23] = 0x03;
        return b;
    }();
    const std::pair<const char*, std::vector<uint8_t>> files[] = {
        {"truncated", truncated}, {"huge", huge}, {"lying", lying}, {"text", {'n', 'o', 'p', 'e'}}};
    d.type("ab");
    const auto areas = w.Areas;
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        boxes.shown.clear();
        dialogs.pictureFile = writeFile(std::string("objects_bad_") + name + ".bmp", bytes);
        w.GrafikEinfuegen();
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].caption, "Fehler");
        EXPECT_TRUE(w.Areas == areas);
        EXPECT_TRUE(w.Pictures.empty());
    }
    // A file that is gone: the reason is the text, the file the caption.
    boxes.shown.clear();
    dialogs.pictureFile = (test::outputDir() / "objects_missing.bmp").string();
    w.GrafikEinfuegen();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, "Error: Could not open file " + dialogs.pictureFile + "!");
}

TEST_F(Objects, OverwriteReusesOnlyTextCharacters)
{
    dialogs.pictureFile = writeFile("objects_small.bmp", bmpBytes(10, 10, 0, 0));
    d.frame.Options.OverwriteMode = 1;
    d.type("ab");
    w.InsertField("page");
    // Caret before the field: the field stays and the picture goes before it.
    w.Cursor = w.Anchor = TextPos{0, 0, 2};
    w.GrafikEinfuegen();
    const auto& chars = w.Areas[0].Lines[0].Chars;
    ASSERT_EQ(chars.size(), 4u);
    EXPECT_EQ(chars[2].Kind, ckPicture);
    EXPECT_EQ(chars[3].Kind, ckField);
    EXPECT_TRUE(chars[3].FieldCode());
    // Caret before a letter: the letter becomes the picture.
    w.Cursor = w.Anchor = TextPos{0, 0, 0};
    w.GrafikEinfuegen();
    ASSERT_EQ(chars.size(), 4u);
    EXPECT_EQ(chars[0].Kind, ckPicture);
    EXPECT_EQ(chars[1].Code, 'b');
}

// ---- The picture dialog -----------------------------------------------------------------

TEST(GrafikProps, SizeBoxesFollowEachOtherWhileTheAspectIsKept)
{
    struct Case {
        const char* what;
        uint8_t keep;
        std::function<void(GrafikPropsModel&)> act;
        double width, height;
    };
    const Case cases[] = {
        {"width typed", 1, [](GrafikPropsModel& m) { m.BreitEd = 5; m.BreitEdChange(); }, 5, 2.5},
        {"height typed", 1, [](GrafikPropsModel& m) { m.HochEd = 1; m.HochEdChange(); }, 2, 1},
        {"not kept", 0, [](GrafikPropsModel& m) { m.BreitEd = 5; m.BreitEdChange(); }, 5, 2},
        {"original", 1, [](GrafikPropsModel& m) { m.SverhBtnClick(); }, 4, 1},
        {"busy", 1, [](GrafikPropsModel& m) { m.Busy = 1; m.BreitEd = 8; m.BreitEdChange(); }, 8, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GrafikPropsModel m;  // a 40 x 20 mm character of a 400 x 100 pixel picture
        m.BreitEd = 4;
        m.HochEd = 2;
        m.CurrentRatio = 2;
        m.PixelRatio = 4;
        m.SverHCheck = c.keep;
        c.act(m);
        EXPECT_DOUBLE_EQ(m.BreitEd, c.width);
        EXPECT_DOUBLE_EQ(m.HochEd, c.height);
    }
}

TEST_F(Objects, PictureSizeIsOneUndoStepAndHeldToItsRange)
{
    dialogs.pictureFile = writeFile("objects_40x20.bmp", bmpBytes(40, 20, 0, 0));
    w.GrafikEinfuegen();
    w.Anchor = TextPos{w.Cursor.Area, w.Cursor.Line, w.Cursor.Char - 1};
    w.Modified = 0;
    dialogs.grafik = [](GrafikPropsModel& m) {
        m.BreitEd = 5;
        m.BreitEdChange();
        return true;
    };
    w.GrafikFormatieren();
    const TextChar& p = w.Areas[0].Lines[0].Chars[0];
    EXPECT_DOUBLE_EQ(p.Width, 50);
    EXPECT_DOUBLE_EQ(p.Height(), 25);
    EXPECT_EQ(w.UndoCopies.back().Label, "Format graphic");
    EXPECT_EQ(w.Modified, 1);
    dialogs.grafik = [](GrafikPropsModel& m) {
        m.BreitEd = 0;
        m.HochEd = 1e9;
        return true;
    };
    w.GrafikFormatieren();
    EXPECT_DOUBLE_EQ(w.Areas[0].Lines[0].Chars[0].Width, 1);
    EXPECT_DOUBLE_EQ(w.Areas[0].Lines[0].Chars[0].Height(), 10000);
    // Without exactly one picture selected nothing shows.
    w.Anchor = w.Cursor;
    const size_t steps = w.UndoCopies.size();
    w.GrafikFormatieren();
    EXPECT_EQ(w.UndoCopies.size(), steps);
}

// ---- z-order and links -------------------------------------------------------------------

TEST_F(Objects, ZOrderSwapsRecordsAndKeepsLinksOnTheirFrames)
{
    ASSERT_EQ(w.AreaCount(), TMDIChild::kFirstObjectSlot);
    std::vector<int32_t> frames;
    for (int i = 0; i < 5; ++i) frames.push_back(w.TextfeldEinfuegenSimple(0, 10 + i, 10, 50 + i, 50));
    // A chain 7 -> 9 -> 11.
    w.Areas[7].NextInFlow = 9;
    w.Areas[9].PrevInFlow = 7;
    w.Areas[9].NextInFlow = 11;
    w.Areas[11].PrevInFlow = 9;
    struct Case {
        const char* what;
        int32_t from;
        bool front;
        int32_t to;
    };
    const Case cases[] = {{"third to the front", 9, true, 11}, {"last to the back", 11, false, 7},
                          {"first slot to the back", 7, false, 7}, {"last to the front", 11, true, 11}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const double left = w.Areas[size_t(c.from)].Left;
        auto order = [&] {
            std::vector<double> v;
            for (int32_t i = w.Areas[0].AreaType == atPageBody ? 7 : 0; i != -1;) {
                const TextArea& a = w.Areas[size_t(i)];
                if (a.PrevInFlow == -1 && a.AreaType == atTextFrame && a.NextInFlow != -1) {
                    for (int32_t k = i; k != -1; k = w.Areas[size_t(k)].NextInFlow) v.push_back(w.Areas[size_t(k)].Left);
                    return v;
                }
                i = i + 1 < w.AreaCount() ? i + 1 : -1;
            }
            return v;
        };
        const std::vector<double> chain = order();
        w.Cursor = w.Anchor = TextPos{c.from, 0, 0};
        if (c.front) w.Objektnachvorne();
        else w.Objektnachhinten();
        EXPECT_EQ(w.Cursor.Area, c.to);
        EXPECT_DOUBLE_EQ(w.Areas[size_t(c.to)].Left, left);
        EXPECT_EQ(order(), chain) << "the chain runs through the same frames";
    }
}

TEST_F(Objects, ZOrderLeavesBodiesHeadersAndFootersInPlace)
{
    const auto areas = w.Areas;
    for (int32_t area : {0, 1, 2}) {
        w.Cursor = w.Anchor = TextPos{area, 0, 0};
        w.Objektnachvorne();
        w.Objektnachhinten();
    }
    EXPECT_TRUE(w.Areas == areas);
    EXPECT_TRUE(w.UndoCopies.empty());
}

TEST_F(Objects, LinksAreRefusedWhenTakenOrCircular)
{
    const int32_t a = w.TextfeldEinfuegenSimple(0, 10, 10, 50, 50);
    const int32_t b = w.TextfeldEinfuegenSimple(0, 60, 10, 100, 50);
    const int32_t c = w.TextfeldEinfuegenSimple(0, 110, 10, 150, 50);
    const int32_t rect = [&] {
        w.InsertObject(0, 0, 0, 10, 60, 50, 100);
        return w.AreaCount() - 1;
    }();
    struct Case {
        int32_t from, to;
        bool ok;
        const char* message;
    };
    const Case cases[] = {
        {a, a, false, kFieldLinkCircle},      {a, b, true, nullptr},
        {b, c, true, nullptr},                {c, a, false, kFieldLinkCircle},
        {a, c, false, kFieldAlreadyConnected}, {rect, a, false, kNoTextFieldSelected},
        {0, a, false, kNoTextFieldSelected},  {c, 999, false, kNoTextFieldSelected},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::to_string(k.from) + " -> " + std::to_string(k.to));
        boxes.shown.clear();
        EXPECT_EQ(w.LinkTextFrames(k.from, k.to), k.ok);
        if (k.message) {
            ASSERT_EQ(boxes.shown.size(), 1u);
            EXPECT_EQ(boxes.shown[0].text, k.message);
        }
    }
    EXPECT_EQ(w.Areas[size_t(a)].NextInFlow, b);
    EXPECT_EQ(w.Areas[size_t(c)].PrevInFlow, b);
    EXPECT_EQ(w.Areas[size_t(c)].NextInFlow, -1);

    // Link mode starts only from a frame without successor.
    boxes.shown.clear();
    w.Cursor = TextPos{a, 0, 0};
    w.Textfeldverknuepfen();
    EXPECT_EQ(w.LinkMode, 0);
    w.Cursor = TextPos{c, 0, 0};
    w.Textfeldverknuepfen();
    EXPECT_EQ(w.LinkMode, 1);
    EXPECT_EQ(w.LinkSource, c);
    EXPECT_EQ(w.LinkHead, a);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, kFieldAlreadyConnected);
}

// ---- The properties dialog ----------------------------------------------------------------

TEST_F(Objects, PropertiesShowEdgesFromTheTopLeftWhateverTheyAreMeasuredFrom)
{
    const double pageW = double(w.PageWidthPx) / w.PrinterDpi * 25.39995;
    const double pageH = double(w.PageHeightPx) / w.PrinterDpi * 25.39995;
    struct Case {
        uint8_t topToBottom, bottom, right;
    };
    for (const Case c : {Case{0, 0, 0}, Case{0, 1, 0}, Case{1, 1, 1}, Case{0, 0, 1}}) {
        SCOPED_TRACE(int(c.topToBottom) * 100 + c.bottom * 10 + c.right);
        const int32_t i = w.TextfeldEinfuegenSimple(0, 30, 40, 130, 90);
        TextArea& a = w.Areas[size_t(i)];
        a.AnchorTopToBottom = c.topToBottom;
        a.AnchorBottom = c.bottom;
        a.AnchorRight = c.right;
        if (c.topToBottom && c.bottom) a.Top = pageH - 40;
        if (c.bottom) a.Bottom = pageH - 90;
        if (c.right) a.Right = pageW - 130;
        const TextArea before = a;
        FeldFormatModel shown;
        dialogs.feld = [&](FeldFormatModel& m) {
            shown = m;
            return true;
        };
        w.feldformatieren();
        EXPECT_NEAR(shown.posx, 3, 1e-9);
        EXPECT_NEAR(shown.posy, 4, 1e-9);
        EXPECT_NEAR(shown.breit, 10, 1e-9);
        EXPECT_NEAR(shown.hoch, 5, 1e-9);
        EXPECT_TRUE(shown.positionPagesShown());
        // OK without changes writes the same edges back.
        const TextArea& after = w.Areas[size_t(i)];
        EXPECT_NEAR(after.Top, before.Top, 1e-9);
        EXPECT_NEAR(after.Right, before.Right, 1e-9);
        EXPECT_NEAR(after.Bottom, before.Bottom, 1e-9);
        EXPECT_EQ(w.UndoCopies.back().Label, "Format field");
    }
}

TEST_F(Objects, PropertiesOfTheFirstHeaderSetTheBodyMargins)
{
    ASSERT_GE(w.AreaCount(), 7);
    ASSERT_EQ(w.Areas[1].AreaType, atHeader);
    const TextArea secondHeader = w.Areas[3];
    struct Case {
        int32_t area;
        bool sync;
    };
    for (const Case c : {Case{1, true}, Case{3, false}}) {
        SCOPED_TRACE(c.area);
        dialogs.feld = [](FeldFormatModel& m) {
            EXPECT_FALSE(m.positionPagesShown());
            m.randl = 3;
            m.randr = 4;
            m.rando = 5;
            return true;
        };
        w.Cursor = w.Anchor = TextPos{c.area, 0, 0};
        w.feldformatieren();
        const TextArea& body = w.Areas[0];
        if (c.sync) {
            EXPECT_DOUBLE_EQ(body.InnerLeft, 30);
            EXPECT_DOUBLE_EQ(body.InnerRight, 40);
            EXPECT_GE(body.InnerTop, 50);
            EXPECT_DOUBLE_EQ(w.Areas[1].Bottom, body.InnerTop - 0.5);
            EXPECT_DOUBLE_EQ(w.Areas[2].Top, body.InnerBottom - 0.5);
            EXPECT_DOUBLE_EQ(w.Areas[2].InnerLeft, 30);
        } else {
            EXPECT_DOUBLE_EQ(w.Areas[3].InnerLeft, 30);
            EXPECT_DOUBLE_EQ(w.Areas[3].Bottom, secondHeader.Bottom);
        }
    }
}

TEST(FeldFormat, ValuesAreHeldToTheirEditsRanges)
{
    FeldFormatModel m;
    m.posx = -4;
    m.breit = 5000;
    m.AbstandED = 11;
    m.LineStarkEd = std::nan("");
    m.ShowOn = 9;
    m.WrapMode = -1;
    m.clampToRanges();
    EXPECT_EQ(m.posx, 0);
    EXPECT_EQ(m.breit, 1000);
    EXPECT_EQ(m.AbstandED, 10);
    EXPECT_EQ(m.LineStarkEd, 0);
    EXPECT_EQ(m.ShowOn, 6);
    EXPECT_EQ(m.WrapMode, 0);
    m.BkCol = 0x00FF00;
    m.BkColChange();
    EXPECT_EQ(m.TranspEnabled, 0);
    m.BkCol = 0xFFFFFF;
    m.BkColChange();
    EXPECT_EQ(m.TranspEnabled, 1);
}


TEST_F(Objects, AFrameWithoutRoomForTextIsLaidOutAndPainted)
{
    struct Case {
        double width, height, margin;
    };
    for (const Case c : {Case{0, 0, 0}, Case{2, 1, 50}, Case{0, 5, 1000}}) {
        SCOPED_TRACE(c.margin);
        const int32_t i = w.TextfeldEinfuegenSimple(0, 30, 40, 130, 90);
        dialogs.feld = [&](FeldFormatModel& m) {
            m.breit = c.width;
            m.hoch = c.height;
            m.randl = m.randr = m.rando = m.randu = c.margin;
            return true;
        };
        w.feldformatieren();
        d.type("some words in a frame");
        d.paint();
        EXPECT_EQ(w.Cursor.Area, i);
        EXPECT_GE(w.Areas[size_t(i)].LineCount(), 1);
    }
}

// ---- Scans delivered later ---------------------------------------------------------------

TEST_F(Objects, ADeliveredScanGoesOnlyIntoText)
{
    auto scanned = [] {
        Dib d;
        newdib(&d, 96, 48, 24, nullptr, 0);
        return PostScannedDib(std::move(d));
    };
    w.InsertObject(0, 0, 0, 10, 60, 50, 100);  // the cursor now stands in a rectangle
    const int32_t lost = scanned();
    w.WMUser2(lost);
    EXPECT_TRUE(w.Pictures.empty());
    EXPECT_TRUE(GetScanedDib(lost).empty()) << "the dropped scan is freed";

    w.Cursor = w.Anchor = TextPos{0, 0, 0};
    w.WMUser2(scanned());
    ASSERT_EQ(w.Pictures.size(), 1u);
    const TextChar& p = w.Areas[0].Lines[0].Chars[0];
    EXPECT_FLOAT_EQ(p.Width, 25.39995);  // 96 pixels at the screen's 96 dpi
    w.WMUser2(12345678);                   // unknown handle: nothing
    EXPECT_EQ(w.Pictures.size(), 1u);
}


struct FakeScanner : ScannerSource {
    ScanStatus status = ScanStatus::Ok;
    std::vector<ScanDevice> list{{"fake:0", "Maker", "Flatbed", "flatbed scanner"},
                                 {"fake:1", "Maker", "Other", "flatbed scanner"}};
    std::vector<ScanDevice> devices(std::string&) override { return list; }
    ScanResult scan(const std::string&, const std::atomic<bool>*) override
    {
        ScanResult r;
        r.Status = status;
        if (status == ScanStatus::Ok) newdib(&r.Picture, 48, 48, 8, nullptr, 0);
        else r.Message = "it did not work";
        return r;
    }
};

TEST_F(Objects, AScanThatFailsSaysSoAndChangesNothing)
{
    FakeScanner fake;
    setScanner(&fake);
    struct Case {
        ScanStatus status;
        size_t pictures, messages;
    };
    for (const Case c : {Case{ScanStatus::NoDevice, 0, 1}, Case{ScanStatus::Busy, 0, 1},
                         Case{ScanStatus::Cancelled, 0, 1}, Case{ScanStatus::Failed, 0, 1},
                         Case{ScanStatus::Ok, 1, 0}}) {
        SCOPED_TRACE(int(c.status));
        boxes.shown.clear();
        w.Pictures.clear();
        w.Areas[0].Lines[0].Chars.clear();
        w.Cursor = w.Anchor = TextPos{0, 0, 0};
        fake.status = c.status;
        w.BildScannen();
        EXPECT_EQ(w.Pictures.size(), c.pictures);
        EXPECT_EQ(w.Areas[0].Lines[0].Chars.size(), c.pictures);
        ASSERT_EQ(boxes.shown.size(), c.messages);
        if (c.messages) {
            EXPECT_EQ(boxes.shown[0].text, "it did not work");
        }
    }
    // The chooser's answer is remembered for the next scan; no devices: a message.
    struct Chooser : Dialogs {
        bool runScannerChoice(const std::vector<ScanDevice>& d, int32_t& chosen) override
        {
            EXPECT_EQ(d.size(), 2u);
            chosen = 1;
            return true;
        }
    } chooser;
    w.ObjectDialogs = &chooser;
    w.ScannerWaehlen();
    EXPECT_EQ(fake.Chosen, "fake:1");
    fake.list.clear();
    boxes.shown.clear();
    w.ScannerWaehlen();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text.rfind("No scanner was found.", 0), 0u);
    setScanner(nullptr);
}

} // namespace
} // namespace quillet
