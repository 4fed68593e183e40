#include "engine/Settings.h"

#include "engine/FrameState.h"
#include "formats/StandardServices.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>

#include <sys/stat.h>

using namespace quillet;
namespace fs = std::filesystem;

namespace {

FrameState defaults()
{
    FrameState f = StandardFrameState();
    SetDefaultSettings(f);
    return f;
}

// A state with every field away from its default.
FrameState sample()
{
    FrameState f = defaults();
    FrameOptions& o = f.Options;
    o.DatabaseFile = "db";
    o.UserName = "Ann";
    o.UserInitials = "";
    o.UserAddress = "a\r\nb";
    o.QuoteStyle = 1;
    o.ShowHelpLines = 0;
    o.UndoDepth = 20;
    o.ShowTab = 1;
    o.ShowSpace = 0;
    o.ShowParagraphEnd = 1;
    o.ShowNonPrinting = 0;
    o.ShowRuler = 1;
    o.ShowStatusBar = 0;
    o.ToolBar1Visible = 1;
    o.ToolBar2Visible = 0;
    o.ToolBar3Visible = 1;
    o.TextColor = 0x0000FF;
    o.TextBkColor = 0xFFFFFF;
    o.FillColor = 0x00FF00;
    o.LineColor = 0x123456;
    o.TextBkTransparent = 0;
    o.NoFill = 1;
    o.LineWidth = 1.5;
    o.SpellWhileTyping = 0;
    f.RecentFiles = {"/x/\xC3\xA9.qdt", "/b"};  // UTF-8 e-acute
    o.RecentFileCount = 3;
    o.AutoSave = 0;
    o.AutoSaveMinutes = 5;
    o.MakeBak = 1;
    o.ToolBar4Visible = 0;
    return f;
}

const std::vector<uint8_t> kSampleImage = {
    0x02, 0, 0, 0, 'd', 'b',                      // DatabaseFile
    0x03, 0, 0, 0, 'A', 'n', 'n',                 // UserName
    0x00, 0, 0, 0,                                // UserInitials
    0x04, 0, 0, 0, 'a', 0x0D, 0x0A, 'b',          // UserAddress
    0x01, 0, 0, 0,                                // QuoteStyle
    0x01,                                         // HideHelpLines
    0x14, 0, 0, 0,                                // UndoDepth
    0x01, 0x00, 0x01, 0x00,                       // tab, space, paragraph end, all
    0x01, 0x00,                                   // ruler, status bar
    0x01, 0x00, 0x01,                             // ToolBar1..3
    0xFF, 0x00, 0x00, 0x00,                       // TextColor
    0xFF, 0xFF, 0xFF, 0x00,                       // TextBkColor
    0x00, 0xFF, 0x00, 0x00,                       // FillColor
    0x56, 0x34, 0x12, 0x00,                       // LineColor
    0x00, 0x01,                                   // TextBkTransparent, NoFill
    0, 0, 0, 0, 0, 0, 0xF8, 0x3F,                 // LineWidth 1.5
    0x00,                                         // SpellWhileTyping
    0x02, 0, 0, 0,                                // recent count
    0x08, 0, 0, 0, '/', 'x', '/', 0xE9, '.', 'q', 'd', 't',
    0x02, 0, 0, 0, '/', 'b',
    0x03, 0, 0, 0,                                // RecentMax
    0x00,                                         // AutoSave
    0x05, 0, 0, 0,                                // AutoSaveMinutes
    0x01,                                         // MakeBak
    0x01,                                         // ToolBar4 hidden
};

FrameState decoded(const std::vector<uint8_t>& bytes, FrameState into = defaults())
{
    ByteReader in(bytes);
    DecodeSettings(into, in);
    return into;
}

// Compares what the file holds, field by field, through the encoder.
void expectSameSettings(const FrameState& a, const FrameState& b)
{
    EXPECT_EQ(EncodeSettings(a), EncodeSettings(b));
    EXPECT_EQ(a.RecentFiles, b.RecentFiles);
    EXPECT_EQ(a.Options.DatabaseFile, b.Options.DatabaseFile);
}

// The file image written by hand from raw values, to build damaged files.
struct RawImage {
    int32_t quoteStyle = 4;
    int32_t undoDepth = 10;
    uint8_t showTab = 0;
    uint32_t textColor = 0;
    double lineWidth = 0.75;
    std::vector<std::string> recent;
    int32_t recentCount = -2;  // -2: the list's size
    int32_t recentMax = 4;
    int32_t autoSaveMinutes = 8;

    std::vector<uint8_t> bytes() const
    {
        ByteWriter w;
        for (int i = 0; i < 4; ++i) w.i32(0);  // four empty strings
        w.i32(quoteStyle);
        w.u8(0);
        w.i32(undoDepth);
        w.u8(showTab);
        for (int i = 0; i < 8; ++i) w.u8(1);
        w.u32(textColor);
        w.u32(0xFFFFFF);
        w.u32(0xFFFFFF);
        w.u32(0);
        w.u8(1);
        w.u8(0);
        w.f64(lineWidth);
        w.u8(1);
        w.i32(recentCount == -2 ? int32_t(recent.size()) : recentCount);
        for (const std::string& s : recent) {
            w.i32(int32_t(s.size()));
            w.str(s);
        }
        w.i32(recentMax);
        w.u8(1);
        w.i32(autoSaveMinutes);
        w.u8(0);
        w.u8(0);
        return w.buffer();
    }
};

TEST(Settings, WrittenImageIsByteExact)
{
    EXPECT_EQ(EncodeSettings(sample()), kSampleImage);
}

TEST(Settings, TheDefaultImageHasItsFieldsAtTheirOffsets)
{
    const std::vector<uint8_t> img = EncodeSettings(defaults());
    ASSERT_EQ(img.size(), 76u);
    ByteReader in(img);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(in.i32(), 0) << "string " << i;
    EXPECT_EQ(in.offset(), 16u);
    EXPECT_EQ(in.i32(), 4);   // QuoteStyle
    EXPECT_EQ(in.u8(), 0);    // HideHelpLines
    EXPECT_EQ(in.i32(), 10);  // UndoDepth
    EXPECT_EQ(in.offset(), 25u);
    for (int want : {0, 0, 0, 0, 1, 1, 1, 1, 1}) EXPECT_EQ(in.u8(), want);  // show flags, ToolBar1..3
    EXPECT_EQ(in.offset(), 34u);
    for (uint32_t want : {0u, 0xFFFFFFu, 0xFFFFFFu, 0u}) EXPECT_EQ(in.u32(), want);
    EXPECT_EQ(in.u8(), 1);  // TextBkTransparent
    EXPECT_EQ(in.u8(), 0);  // NoFill
    EXPECT_EQ(in.offset(), 52u);
    EXPECT_DOUBLE_EQ(in.f64(), 0.75);
    EXPECT_EQ(in.u8(), 1);  // SpellWhileTyping
    EXPECT_EQ(in.offset(), 61u);
    EXPECT_EQ(in.i32(), 0);  // no recent files
    EXPECT_EQ(in.i32(), 4);  // RecentMax
    EXPECT_EQ(in.u8(), 1);   // AutoSave
    EXPECT_EQ(in.offset(), 70u);
    EXPECT_EQ(in.i32(), 8);  // AutoSaveMinutes
    EXPECT_EQ(in.u8(), 0);   // MakeBak
    EXPECT_EQ(in.u8(), 0);   // ToolBar4 hidden
    EXPECT_TRUE(in);
    EXPECT_EQ(in.remaining(), 0u);
}

TEST(Settings, DefaultsWithoutAFile)
{
    FrameState f = defaults();
    const FrameOptions& o = f.Options;
    EXPECT_EQ(o.QuoteStyle, 4);
    EXPECT_EQ(o.UndoDepth, 10);
    EXPECT_EQ(o.RecentFileCount, 4);
    EXPECT_EQ(o.AutoSave, 1);
    EXPECT_EQ(o.AutoSaveMinutes, 8);
    EXPECT_EQ(AutoSaveIntervalMs(o), 480000);
    EXPECT_EQ(o.SpellWhileTyping, 1);
    EXPECT_EQ(o.ShowHelpLines, 1);
    EXPECT_DOUBLE_EQ(o.LineWidth, 0.75);
    EXPECT_EQ(o.TextBkColor, 0xFFFFFFu);
    EXPECT_EQ(o.NoFill, 0);
    EXPECT_TRUE(o.ToolBar1Visible && o.ToolBar2Visible && o.ToolBar3Visible && o.ToolBar4Visible);

    // No file, a folder, a FIFO (which must not wait for a writer) and a
    // file beyond the size any settings take are all no file.
    const fs::path dir = test::outputDir() / "settings-nofile";
    fs::remove_all(dir);
    fs::create_directories(dir / "folder" / kSettingsFileName);
    fs::create_directories(dir / "fifo");
    ASSERT_EQ(::mkfifo((dir / "fifo" / kSettingsFileName).c_str(), 0600), 0);
    fs::create_directories(dir / "huge");
    {
        std::ofstream huge(dir / "huge" / kSettingsFileName, std::ios::binary);
        const std::vector<uint8_t> img = EncodeSettings(sample());
        huge.write(reinterpret_cast<const char*>(img.data()), std::streamsize(img.size()));
    }
    fs::resize_file(dir / "huge" / kSettingsFileName, kMaxSettingsFileSize + 1);
    for (const char* sub : {"missing", "folder", "fifo", "huge"}) {
        EXPECT_FALSE(OpenSettings(f, dir / sub / kSettingsFileName)) << sub;
        expectSameSettings(f, defaults());
    }
}

TEST(Settings, ReadBackGivesTheSameState)
{
    expectSameSettings(decoded(kSampleImage), sample());
    EXPECT_EQ(decoded(kSampleImage).RecentFiles[0], "/x/\xC3\xA9.qdt");

    // Paths Windows-1252 cannot hold, and one whose Windows-1252 form would
    // read back as different UTF-8, survive unchanged.
    FrameState f = sample();
    f.RecentFiles = {"/home/\xD0\x96/a.qdt", "/t/\xC3\x83\xC2\xA9.qdt", "/plain.qdt"};
    f.Options.DatabaseFile = "/m/\xE2\x82\xAC\xE4\xB8\xAD.dbf";  // euro sign and a CJK character
    expectSameSettings(decoded(EncodeSettings(f)), f);

    // Through the file functions, replacing an older file.
    const fs::path dir = test::outputDir() / "settings-roundtrip";
    fs::create_directories(dir);
    const fs::path file = dir / kSettingsFileName;
    ASSERT_TRUE(SaveSettings(defaults(), file));
    ASSERT_TRUE(SaveSettings(f, file));
    FrameState back = defaults();
    ASSERT_TRUE(OpenSettings(back, file));
    expectSameSettings(back, f);
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec)) EXPECT_EQ(e.path().filename(), kSettingsFileName);
}

TEST(Settings, WriteFailureIsReported)
{
    const fs::path dir = test::outputDir() / "settings-nowhere" / "missing-folder";
    fs::remove_all(dir);
    EXPECT_FALSE(SaveSettings(sample(), dir / kSettingsFileName));
    EXPECT_FALSE(fs::exists(dir));
}

TEST(Settings, ShortFileTakesWhatIsWhollyThere)
{
    // Cut after UserName's count: nothing but the database path is taken.
    std::vector<uint8_t> cut(kSampleImage.begin(), kSampleImage.begin() + 10);
    FrameState f = decoded(cut);
    EXPECT_EQ(f.Options.DatabaseFile, "db");
    EXPECT_EQ(f.Options.UserName, "");
    EXPECT_EQ(f.Options.QuoteStyle, 4);

    // Cut inside the second recent entry: the list stays as it was, the
    // fields before it are taken.
    FrameState before = defaults();
    before.RecentFiles = {"/kept"};
    cut.assign(kSampleImage.begin(), kSampleImage.end() - 22);
    f = decoded(cut, before);
    EXPECT_EQ(f.RecentFiles, std::vector<std::string>{"/kept"});
    EXPECT_EQ(f.Options.SpellWhileTyping, 0);
    EXPECT_DOUBLE_EQ(f.Options.LineWidth, 1.5);
    EXPECT_EQ(f.Options.RecentFileCount, 4);

    // An older file without the last field keeps the extended bar shown.
    cut.assign(kSampleImage.begin(), kSampleImage.end() - 1);
    f = decoded(cut);
    EXPECT_EQ(f.Options.ToolBar4Visible, 1);
    EXPECT_EQ(f.Options.MakeBak, 1);

    // Every prefix reads without harm, and a field is taken exactly when
    // it is wholly in the prefix.
    const size_t undoEnd = 6 + 7 + 4 + 8 + 4 + 1 + 4;
    for (size_t n = 0; n <= kSampleImage.size(); ++n) {
        const FrameState g = decoded({kSampleImage.begin(), kSampleImage.begin() + long(n)});
        EXPECT_EQ(g.Options.UndoDepth, n >= undoEnd ? 20 : 10) << n;
        EXPECT_EQ(g.Options.MakeBak, n >= kSampleImage.size() - 1 ? 1 : 0) << n;
        EXPECT_LE(g.RecentFiles.size(), 2u);
    }

    // An empty file changes nothing.
    const fs::path dir = test::outputDir() / "settings-empty";
    fs::create_directories(dir);
    std::ofstream(dir / kSettingsFileName, std::ios::binary | std::ios::trunc).close();
    f = defaults();
    EXPECT_TRUE(OpenSettings(f, dir / kSettingsFileName));
    expectSameSettings(f, defaults());
}

TEST(Settings, DamagedCountsStopReading)
{
    // A negative string length.
    std::vector<uint8_t> bad = kSampleImage;
    bad[6] = 0xFF, bad[7] = 0xFF, bad[8] = 0xFF, bad[9] = 0xFF;
    FrameState f = decoded(bad);
    EXPECT_EQ(f.Options.DatabaseFile, "db");
    EXPECT_EQ(f.Options.UserName, "");
    EXPECT_EQ(f.Options.UndoDepth, 10);

    // A length running past the end.
    bad = kSampleImage;
    bad[6] = 0x00, bad[7] = 0x00, bad[8] = 0x00, bad[9] = 0x40;
    f = decoded(bad);
    EXPECT_EQ(f.Options.UserName, "");
    EXPECT_EQ(f.Options.QuoteStyle, 4);

    // Recent counts that cannot fit the rest, or are negative.
    for (int32_t count : {-1, 1 << 30, INT32_MAX, 100}) {
        RawImage raw;
        raw.recent = {"/a", "/b"};
        raw.recentCount = count;
        raw.recentMax = 2;
        FrameState before = defaults();
        before.RecentFiles = {"/kept"};
        f = decoded(raw.bytes(), before);
        EXPECT_EQ(f.RecentFiles, std::vector<std::string>{"/kept"}) << count;
        EXPECT_EQ(f.Options.RecentFileCount, 4) << count;
        EXPECT_EQ(f.Options.SpellWhileTyping, 1) << count;
    }
}

TEST(Settings, ValuesArePulledIntoTheirRanges)
{
    struct Case {
        int32_t undo, recentMax, minutes, quotes;
        int32_t wantUndo, wantRecentMax, wantMinutes, wantQuotes;
    };
    for (const Case& c : {Case{0, -3, -1, -1, 1, 0, 0, 4}, Case{5000, 2000, 100000, 5, 1000, 1000, 1000, 4},
                          Case{INT32_MIN, INT32_MAX, INT32_MAX, 0, 1, 1000, 1000, 0},
                          Case{1000, 0, 0, 3, 1000, 0, 0, 3}}) {
        RawImage raw;
        raw.undoDepth = c.undo;
        raw.recentMax = c.recentMax;
        raw.autoSaveMinutes = c.minutes;
        raw.quoteStyle = c.quotes;
        const FrameState f = decoded(raw.bytes());
        EXPECT_EQ(f.Options.UndoDepth, c.wantUndo);
        EXPECT_EQ(f.Options.RecentFileCount, c.wantRecentMax);
        EXPECT_EQ(f.Options.AutoSaveMinutes, c.wantMinutes);
        EXPECT_EQ(f.Options.QuoteStyle, c.wantQuotes);
        EXPECT_EQ(AutoSaveIntervalMs(f.Options), c.wantMinutes * 60000);
    }

    RawImage raw;
    raw.showTab = 7;
    raw.textColor = 0x80000005;
    raw.lineWidth = std::numeric_limits<double>::quiet_NaN();
    raw.recent = {"/1", "", "/2", "/3", "/4"};
    raw.recentMax = 2;
    FrameState f = decoded(raw.bytes());
    EXPECT_EQ(f.Options.ShowTab, 1);
    EXPECT_EQ(f.Options.TextColor, 0x000005u);
    EXPECT_DOUBLE_EQ(f.Options.LineWidth, 0.75);
    // Empty entries are dropped and the list fits its length.
    EXPECT_EQ(f.RecentFiles, (std::vector<std::string>{"/1", "/2"}));

    for (double w : {-1.0, 1e300, std::numeric_limits<double>::infinity()}) {
        raw.lineWidth = w;
        f = decoded(raw.bytes());
        EXPECT_TRUE(f.Options.LineWidth >= 0 && f.Options.LineWidth <= kMaxLineWidthPt) << w;
    }
    // A width that cannot be one is not taken; a wide one is kept to the widest.
    for (double w : {-1.0, -0.25, -std::numeric_limits<double>::infinity(),
                     std::numeric_limits<double>::infinity()}) {
        raw.lineWidth = w;
        EXPECT_DOUBLE_EQ(decoded(raw.bytes()).Options.LineWidth, 0.75) << w;
    }
    raw.lineWidth = 1e300;
    EXPECT_DOUBLE_EQ(decoded(raw.bytes()).Options.LineWidth, kMaxLineWidthPt);
    raw.lineWidth = 0;
    EXPECT_DOUBLE_EQ(decoded(raw.bytes()).Options.LineWidth, 0.0);

    FrameOptions o;
    o.AutoSaveMinutes = INT32_MAX;  // set by hand, never from the file
    EXPECT_EQ(AutoSaveIntervalMs(o), kMaxAutoSaveMinutes * 60000);
    o.AutoSaveMinutes = 0;
    EXPECT_EQ(AutoSaveIntervalMs(o), 0);
}

} // namespace
