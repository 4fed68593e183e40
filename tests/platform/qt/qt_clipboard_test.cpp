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

#include <functional>
#include <memory>
#include <vector>

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
    board.set("gr\xfc\xdf \x80", std::vector<uint8_t>{2, 0, 0, 0, 9});
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

// The private stream is handed on as the block the copy wrote, and a paste
// that holds it keeps reading valid bytes while the clipboard moves on:
// another copy, text from another program, or bytes another program put
// under the private format.
TEST(Clipboard, StreamBlockIsSharedAndOutlivesTheContents)
{
    QtClipboard qt;
    MemoryClipboard memory;
    struct Case {
        const char* name;
        Clipboard* board;
        std::function<void()> replace;
    };
    const std::vector<uint8_t> later{2, 0, 0, 0, 7, 7};
    const Case cases[] = {
        {"system, copied again", &qt, [&] { qt.set("b", later); }},
        {"system, text from elsewhere", &qt, [] { QGuiApplication::clipboard()->setText(QStringLiteral("b")); }},
        {"system, stream from elsewhere", &qt,
         [] {
             auto* m = new QMimeData;
             m->setData(privateClipboardMimeType(), QByteArray("\x02\0\0\0\x07", 5));
             QGuiApplication::clipboard()->setMimeData(m);
         }},
        {"memory, copied again", &memory, [&] { memory.set("b", later); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> bytes(1 << 20);
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 7);
        const std::vector<uint8_t> expected = bytes;
        const SharedBytes written(std::move(bytes));
        c.board->set("a", written);
        const SharedBytes held = c.board->privateData();
        EXPECT_TRUE(held.sameBlock(written));
        c.replace();
        EXPECT_TRUE(held == expected);
        EXPECT_FALSE(c.board->privateData().sameBlock(written));
    }
}

// Other programs get the stream's bytes as their own copy, which stays
// valid after this program's clipboard contents are gone; their bytes come
// back here unchanged.
TEST(QtClipboard, OtherProgramsGetTheirOwnCopy)
{
    QtClipboard board;
    const std::vector<uint8_t> stream{2, 0, 0, 0, 1, 2, 3};
    board.set("a", stream);
    const QMimeData* m = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(m);
    EXPECT_TRUE(m->formats().contains(privateClipboardMimeType()));
    const QByteArray theirs = m->data(privateClipboardMimeType());
    board.set("b", {});
    EXPECT_FALSE(board.hasPrivate());
    EXPECT_EQ(theirs, QByteArray("\x02\0\0\0\x01\x02\x03", 7));

    auto* foreign = new QMimeData;
    foreign->setData(privateClipboardMimeType(), theirs);
    QGuiApplication::clipboard()->setMimeData(foreign);
    EXPECT_TRUE(board.hasPrivate());
    EXPECT_TRUE(board.privateData() == stream);

    // Emptying gives back only a stream of this program's own.
    EXPECT_TRUE(board.clear().empty());
    EXPECT_FALSE(board.hasPrivate());
    const SharedBytes mine(std::vector<uint8_t>{stream});
    board.set("c", mine);
    EXPECT_TRUE(board.clear().sameBlock(mine));
    EXPECT_FALSE(board.hasPrivate());
    EXPECT_FALSE(board.hasText());
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
