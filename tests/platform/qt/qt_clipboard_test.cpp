// The system clipboard under the offscreen platform: text goes out as UTF-8
// and comes back in the code page, the private stream survives under its
// MIME type, pictures come back as bottom-up pictures, and a copy in one
// window pastes in another through the real clipboard.

#include "platform/qt/QtClipboard.h"

#include "engine/Childwin.h"
#include "formats/StandardServices.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include <gtest/gtest.h>

#include <memory>

using namespace quillet;

namespace {

class GuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app_ = std::make_unique<QGuiApplication>(argc_, argv_);
    }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char arg0_[8] = "test";
    char* argv_[2] = {arg0_, nullptr};
    std::unique_ptr<QGuiApplication> app_;
};

const auto* const env = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

TEST(QtClipboard, TextStreamAndPicturesRoundTrip)
{
    QtClipboard board;
    board.set("gr\xfc\xdf \x80", {2, 0, 0, 0, 9});
    EXPECT_TRUE(board.hasText());
    EXPECT_TRUE(board.hasPrivate());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("grüß €"));
    EXPECT_EQ(board.privateData(), (std::vector<uint8_t>{2, 0, 0, 0, 9}));

    // Text from another program: letters outside the code page become '?'.
    QGuiApplication::clipboard()->setText(QString::fromUtf8("a\u0436b"));
    EXPECT_FALSE(board.hasPrivate());
    EXPECT_EQ(board.text(), "a?b");

    QImage img(3, 2, QImage::Format_RGB32);
    img.fill(qRgb(10, 20, 30));
    img.setPixel(0, 0, qRgb(200, 100, 50));
    img.setDotsPerMeterX(3780);
    QGuiApplication::clipboard()->setImage(img);
    ASSERT_TRUE(board.hasPicture());
    const Dib d = board.picture();
    ASSERT_FALSE(d.empty());
    EXPECT_EQ(dibwidth(d), 3);
    EXPECT_EQ(dibheight(d), 2);
    EXPECT_EQ(dibbitcount(d), 24);
    EXPECT_EQ(d.Header.biXPelsPerMeter, 3780);
    // The image's top row is the picture's last stored row, blue first.
    const uint8_t* top = d.row(1);
    EXPECT_EQ(top[0], 50);
    EXPECT_EQ(top[1], 100);
    EXPECT_EQ(top[2], 200);
}

TEST(QtClipboard, CopyInOneWindowPastesInAnother)
{
    QtClipboard board;
    setClipboard(&board);
    FrameState frame = StandardFrameState();
    frame.Options.SpellWhileTyping = 0;
    TMDIChild a(frame), b(frame);
    for (char c : std::string("copied")) {
        uint8_t k = uint8_t(c);
        a.getkeysKeyPress(k);
    }
    a.Anchor = TextPos{0, 0, 0};
    a.Cursor = TextPos{0, 0, 6};
    a.KopierenInZwischenAblage(0);
    EXPECT_TRUE(board.hasPrivate());
    EXPECT_TRUE(b.EinfuegenAusZwischenAblage(0));
    std::string text;
    for (const TextChar& c : b.Areas[0].Lines[0].Chars) text.push_back(char(c.Code));
    EXPECT_EQ(text, "copied");
    setClipboard(nullptr);
}

} // namespace
