// The metafile writer and player behind RTF pictures.

#include "formats/rtf/Wmf.h"

#include "platform/ByteIO.h"

#include <gtest/gtest.h>

#include <functional>

using namespace quillet;

namespace {

Dib picture(int32_t w, int32_t h)
{
    Dib d;
    newdib(&d, w, h, 24, nullptr, 0);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) setpixel(d, x, y, uint32_t((x * 40) | (y * 50) << 8 | 0x300000));
    return d;
}

void put32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b.at(at + size_t(i)) = uint8_t(v >> (8 * i));
}

TEST(Metafile, APictureComesBackAsItWas)
{
    const Dib pic = picture(5, 3);
    const std::vector<uint8_t> wmf = metafileOfPicture(pic);
    ASSERT_FALSE(wmf.empty());
    Dib back;
    const MetafileInfo info = playMetafile(wmf.data(), wmf.size(), back);
    ASSERT_TRUE(info.ok) << info.error;
    EXPECT_EQ(info.pictures, 1);
    EXPECT_EQ(info.windowWidth, 5);
    EXPECT_EQ(info.windowHeight, 3);
    ASSERT_EQ(dibwidth(back), 5);
    ASSERT_EQ(dibheight(back), 3);
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 5; ++x) EXPECT_EQ(getpixel(back, x, y), getpixel(pic, x, y));
    // Behind a placeable header it is the same picture.
    std::vector<uint8_t> placed = {0xD7, 0xCD, 0xC6, 0x9A};
    placed.resize(22, 0);
    placed.insert(placed.end(), wmf.begin(), wmf.end());
    Dib again;
    EXPECT_TRUE(playMetafile(placed.data(), placed.size(), again).ok);
    EXPECT_EQ(dibwidth(again), 5);
}

TEST(Metafile, BrokenFilesGiveNoPictureAndNoFault)
{
    const std::vector<uint8_t> good = metafileOfPicture(picture(4, 4));
    // Offsets: header 18 bytes, window origin record 18..27, extent 28..37,
    // the picture record from 38 (its size word, function, then parameters).
    const struct {
        const char* name;
        std::function<void(std::vector<uint8_t>&)> breakIt;
        bool ok;
    } cases[] = {
        {"empty", [](std::vector<uint8_t>& b) { b.clear(); }, false},
        {"not a metafile", [](std::vector<uint8_t>& b) { b.assign(40, 'x'); }, false},
        {"header only", [](std::vector<uint8_t>& b) { b.resize(18); }, true},
        {"record larger than the file", [](std::vector<uint8_t>& b) { put32(b, 38, 0x7FFFFFFF); }, false},
        {"record shorter than its header", [](std::vector<uint8_t>& b) { put32(b, 38, 2); }, false},
        {"picture cut short", [](std::vector<uint8_t>& b) { b.resize(b.size() - 20); }, false},
        {"picture of absurd size", [](std::vector<uint8_t>& b) { put32(b, 38 + 6 + 22 + 4, 40000); put32(b, 38 + 6 + 22 + 8, 40000); }, true},
        {"colour count beyond the record", [](std::vector<uint8_t>& b) { put32(b, 38 + 6 + 22 + 14, 0x00080000); put32(b, 38 + 6 + 22 + 32, 0xFFFFFF); }, true},
        {"no end record", [](std::vector<uint8_t>& b) { b.resize(b.size() - 6); }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> bytes = good;
        c.breakIt(bytes);
        Dib out;
        const MetafileInfo info = playMetafile(bytes.data(), bytes.size(), out);
        EXPECT_EQ(info.ok, c.ok) << info.error;
        if (std::string(c.name) == "no end record") EXPECT_EQ(dibwidth(out), 4);
        else EXPECT_TRUE(out.empty());
    }
}

} // namespace
