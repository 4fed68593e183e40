// The scanner: SANE frames turned into pictures, and whole scans through
// the library's test backend (configured from tests/data/sane, so no
// hardware and no system scanner setup is involved).

#include "platform/Scanner.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>
#include <sane/sane.h>

#include <cstdlib>
#include <cstring>

namespace quillet {
namespace {

// The library reads its configuration folder once, when it starts.
const bool kConfigured = [] {
    setenv("SANE_CONFIG_DIR", (test::dataDir() / "sane").c_str(), 1);
    return true;
}();

struct FrameCase {
    const char* what;
    ScanFrameFormat f;
    std::vector<uint8_t> data;
    bool ok;
    int32_t bpp;
    // Storage row 0 is the bottom row; expected first bytes of it.
    std::vector<uint8_t> bottomRow;
};

TEST(ScanFrames, GreyAndColourRowsBecomeBottomUpPictures)
{
    using K = ScanFrameFormat;
    const uint16_t hi = 0xAB12;
    std::vector<uint8_t> grey16(8);
    for (int i = 0; i < 4; ++i) std::memcpy(&grey16[size_t(2 * i)], &hi, 2);
    const FrameCase cases[] = {
        {"grey 8", {K::Gray, 2, 2, 2, 8, 0}, {1, 2, 3, 4}, true, 8, {3, 4}},
        {"grey 1: set bits are black", {K::Gray, 1, 3, 2, 1, 0}, {0xA0, 0x40}, true, 8, {255, 0, 255}},
        {"grey 16 keeps the high byte", {K::Gray, 4, 2, 2, 16, 0}, grey16, true, 8, {0xAB, 0xAB}},
        {"rgb 8 to bgr", {K::Rgb, 3, 1, 2, 8, 0}, {1, 2, 3, 4, 5, 6}, true, 24, {6, 5, 4}},
        {"depth 4", {K::Gray, 2, 4, 1, 4, 0}, {0, 0}, false, 0, {}},
        {"rgb of one bit", {K::Rgb, 1, 2, 1, 1, 0}, {0}, false, 0, {}},
        {"rows longer than the data", {K::Gray, 2, 2, 3, 8, 0}, {1, 2, 3, 4}, false, 0, {}},
        {"rows shorter than their pixels", {K::Rgb, 3, 2, 1, 8, 0}, {1, 2, 3}, false, 0, {}},
        {"no pixels", {K::Gray, 0, 0, 0, 8, 0}, {}, false, 0, {}},
        {"too large", {K::Gray, 1, 1, 1 << 30, 8, 0}, {0}, false, 0, {}},
    };
    for (const FrameCase& c : cases) {
        SCOPED_TRACE(c.what);
        Dib d;
        std::string error;
        EXPECT_EQ(ScanFrameToDib(c.f, c.data, d, error), c.ok);
        if (!c.ok) {
            EXPECT_TRUE(d.empty());
            EXPECT_FALSE(error.empty());
            continue;
        }
        EXPECT_EQ(dibwidth(d), c.f.PixelsPerLine);
        EXPECT_EQ(dibheight(d), c.f.Lines);
        EXPECT_EQ(dibbitcount(d), c.bpp);
        EXPECT_EQ(std::vector<uint8_t>(d.row(0), d.row(0) + c.bottomRow.size()), c.bottomRow);
    }
}

TEST(ScanFrames, TheResolutionGoesIntoTheHeader)
{
    Dib d;
    std::string error;
    ASSERT_TRUE(ScanFrameToDib({ScanFrameFormat::Gray, 1, 1, 1, 8, 300}, {0}, d, error));
    EXPECT_EQ(d.Header.biXPelsPerMeter, 11811);
}

TEST(ScanMailbox, AHandleGivesItsPictureOnce)
{
    Dib d;
    newdib(&d, 4, 4, 24, nullptr, 0);
    const int32_t h = PostScannedDib(std::move(d));
    const int32_t other = PostScannedDib(Dib());
    EXPECT_NE(h, other);
    EXPECT_EQ(dibwidth(GetScanedDib(h)), 4);
    EXPECT_TRUE(GetScanedDib(h).empty());
    EXPECT_TRUE(GetScanedDib(-1).empty());
}

TEST(SaneScanner, TheTestBackendScansAGreyPage)
{
    ASSERT_TRUE(kConfigured);
    ScannerSource& s = scanner();
    std::string error;
    const std::vector<ScanDevice> devices = s.devices(error);
    ASSERT_GE(devices.size(), 1u) << error;
    EXPECT_EQ(devices[0].Name.rfind("test:", 0), 0u);
    EXPECT_NE(devices[0].label().find(devices[0].Name), std::string::npos);

    const ScanResult r = s.scan("", nullptr);  // nothing chosen: the first device
    ASSERT_EQ(r.Status, ScanStatus::Ok) << r.Message;
    EXPECT_EQ(dibbitcount(r.Picture), 8);
    EXPECT_NEAR(dibwidth(r.Picture), 39, 2);
    EXPECT_NEAR(dibheight(r.Picture), 19, 2);
    EXPECT_EQ(r.Picture.Header.biXPelsPerMeter, 1969);  // 50 dpi
    EXPECT_EQ(r.Picture.row(0)[0], 0) << "solid black";
}

TEST(SaneScanner, FailuresSayWhatHappened)
{
    ScannerSource& s = scanner();
    std::atomic<bool> cancel{true};
    struct Case {
        const char* what;
        std::string device;
        const std::atomic<bool>* cancel;
        ScanStatus status;
    };
    const Case cases[] = {
        {"cancelled", "test:0", &cancel, ScanStatus::Cancelled},
        {"no such device", "nothing:here", nullptr, ScanStatus::NoDevice},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ScanResult r = s.scan(c.device, c.cancel);
        EXPECT_EQ(r.Status, c.status);
        EXPECT_TRUE(r.Picture.empty());
        EXPECT_FALSE(r.Message.empty());
    }

    // A device someone else holds open is busy.
    std::string error;
    ASSERT_FALSE(s.devices(error).empty());
    SANE_Handle h = nullptr;
    ASSERT_EQ(sane_open("test:1", &h), SANE_STATUS_GOOD);
    const ScanResult busy = s.scan("test:1", nullptr);
    sane_close(h);
    EXPECT_EQ(busy.Status, ScanStatus::Busy) << busy.Message;
    EXPECT_EQ(busy.Message, "The scanner test:1 is busy.");
}

} // namespace
} // namespace quillet
