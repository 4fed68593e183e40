// RTF files laid out as desktop word processors write them (see
// tests/data/rtf/README): what they hold arrives in the document.

#include "formats/rtf/Rtf.h"

#include "engine/Childwin.h"
#include "formats/OpenSave.h"
#include "formats/StandardServices.h"
#include "platform/MessageBox.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace quillet;

namespace {

// Area text with paragraph ends "|", line breaks "/", cell ends "¦".
std::string text(const TMDIChild& w, int32_t area)
{
    std::string s;
    for (const TextLine& l : w.Areas.at(size_t(area)).Lines) {
        for (const TextChar& c : l.Chars) s += char(c.Code);
        if (l.IsCell) s += '\xA6';
        else if (l.EndKind == ekParagraph) s += '|';
        else if (l.EndKind == ekLineBreak) s += '/';
    }
    return s;
}

class RtfFixture : public ::testing::Test {
protected:
    void SetUp() override { setMessageBoxes(&boxes); }
    void TearDown() override { setMessageBoxes(nullptr); }
    // Opens the fixture the way the program opens a file.
    std::unique_ptr<TMDIChild> open(const char* name)
    {
        frame.ProgDir = test::programDir();
        auto w = std::make_unique<TMDIChild>(frame);
        w->FormCreate();
        EXPECT_TRUE(w->OpenFile((test::dataDir() / "rtf" / name).string(), ofByExtension));
        EXPECT_TRUE(boxes.texts.empty()) << (boxes.texts.empty() ? "" : boxes.texts[0]);
        return w;
    }
    test::RecordingBoxes boxes;
    FrameState frame = StandardFrameState();
};

TEST_F(RtfFixture, Letter)
{
    const auto w = open("letter.rtf");
    EXPECT_EQ(w->FileFormatIndex, sfRtf);
    EXPECT_EQ(text(*w, 0), "Dear M\xFCller|"
                           "It\x92s a \"test\" with \x93quotes\x94, an en\x96" "dash and a price of 20\x80.|"
                           "First point|Second point|Total\t42|Yours,/A. Writer|");
    // The page number is a field of ours (code "a"), numbered by layout.
    EXPECT_EQ(text(*w, 5), "Page a|");
    EXPECT_EQ(*w->Areas[5].Lines[0].Chars.at(5).FieldCode(), "page");
    EXPECT_EQ(w->DocProperties[0], "Letter to M\xFCller");
    EXPECT_EQ(w->DocProperties[2], "A. Writer");
    const TextLine& heading = w->Areas[0].Lines[0];
    EXPECT_EQ(w->Fonts.at(size_t(heading.Chars[0].FontIndex())).Face, "Arial");
    EXPECT_EQ(w->Fonts.at(size_t(heading.Chars[0].FontIndex())).Style & 1, 1);
    EXPECT_NEAR(w->PageWidth, 210.0, 0.01);
    EXPECT_NEAR(w->Areas[2 + 0].Lines.size(), 1u, 0);
    const AbsatzFormat& bullet = w->Areas[0].Lines[2].Para;
    EXPECT_NEAR(bullet.LeftIndent, 12.7, 0.01);
    EXPECT_NEAR(bullet.FirstLineIndent, -6.35, 0.01);
    const AbsatzFormat& total = w->Areas[0].Lines[4].Para;
    ASSERT_EQ(total.Tabs.size(), 1u);
    EXPECT_EQ(total.Tabs[0].Kind, 2);
    EXPECT_EQ(total.Tabs[0].Leader, 2);
}

TEST_F(RtfFixture, TableRowsKeepTheirCells)
{
    const auto w = open("table.rtf");
    // The paragraph inside the second row's cell starts a second run of
    // that row once laid out.
    EXPECT_EQ(text(*w, 0), "Before the table.|Name\xA6Value\xA6\xA6Width\xA6" "12\xA6\xA6\xA6" "cm\xA6\xA6" "After the table.|");
    const TextLine& name = w->Areas[0].Lines.at(1);
    EXPECT_EQ(name.CellsPerRow, 3);
    EXPECT_EQ(name.Design.BorderOn, (std::array<uint8_t, 4>{1, 1, 1, 1}));
    EXPECT_DOUBLE_EQ(name.Design.BorderWidth[bsTop], 0.5);
    EXPECT_EQ(name.Design.Background, 0xD9D9D9u);
    EXPECT_EQ(name.Design.Transparent, 0);
    // Cells whose sides have no border style draw none.
    EXPECT_EQ(w->Areas[0].Lines.at(3).Design.BorderOn, (std::array<uint8_t, 4>{}));
    EXPECT_EQ(w->Fonts.at(size_t(name.Chars.at(0).FontIndex())).Style & 1, 1);
}

TEST_F(RtfFixture, PicturesAndFrames)
{
    const auto w = open("picture.rtf");
    ASSERT_EQ(w->Pictures.size(), 1u);  // the metafile stand-in is not read as a second picture
    EXPECT_EQ(dibwidth(w->Pictures[0]), 4);
    EXPECT_EQ(dibheight(w->Pictures[0]), 3);
    const TextLine& first = w->Areas[0].Lines[0];
    ASSERT_GE(first.Chars.size(), 12u);
    EXPECT_EQ(first.Chars[11].Kind, ckPicture);
    EXPECT_FLOAT_EQ(first.Chars[11].Width, 600 / 1440.0 * 25.39995);
    // The frame holds its own text; the body goes on after it.
    int32_t frames = 0;
    for (int32_t i = 7; i < w->AreaCount(); ++i)
        if (w->Areas[size_t(i)].AreaType == atTextFrame) {
            ++frames;
            EXPECT_EQ(text(*w, i).substr(0, 10), "In a frame");
            EXPECT_NEAR(w->Areas[size_t(i)].BorderWidth, 1.0, 1e-9);
            EXPECT_NE(w->Areas[size_t(i)].AnchorId, 0);
        }
    EXPECT_EQ(frames, 1);
    EXPECT_NE(text(*w, 0).find("After the frame."), std::string::npos) << text(*w, 0);
}

} // namespace
