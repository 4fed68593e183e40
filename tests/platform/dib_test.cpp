#include "platform/Dib.h"

#include "platform/ByteIO.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <sys/stat.h>
#include <tiffio.h>
#include <zlib.h>

using namespace quillet;

namespace {

using Bytes = std::vector<uint8_t>;

// A colour per pixel that differs in every channel, as 0x00BBGGRR.
uint32_t sample(int x, int y) { return uint32_t(x * 40 + 10) | (uint32_t(y * 50 + 20) << 8) | (uint32_t(200 - x * 10 - y * 5) << 16); }
uint8_t red(uint32_t c) { return uint8_t(c); }
uint8_t green(uint32_t c) { return uint8_t(c >> 8); }
uint8_t blue(uint32_t c) { return uint8_t(c >> 16); }

// Colour of a pixel through the colour table for palette pictures.
uint32_t colourAt(const Dib& d, int x, int y)
{
    const uint32_t v = getpixel(d, x, y);
    if (dibbitcount(d) > 8) return v;
    const RgbQuad q = d.ColorTable.at(v);
    return q.Red | (q.Green << 8) | (uint32_t(q.Blue) << 16);
}

bool near(uint32_t a, uint32_t b, int tol)
{
    for (int s = 0; s < 24; s += 8)
        if (std::abs(int((a >> s) & 255) - int((b >> s) & 255)) > tol) return false;
    return true;
}

Dib load(const Bytes& b, int32_t format = 0)
{
    Dib d;
    OpenDibFromMemory(&d, b.data(), b.size(), format);
    return d;
}

// Every proper prefix of a file (some, for long files) must load as nothing.
void expectPrefixesRejected(const Bytes& file, int32_t format = 0)
{
    const size_t step = std::max<size_t>(1, file.size() / 300);
    for (size_t n = 0; n < file.size(); n += step) {
        Bytes cut(file.begin(), file.begin() + std::ptrdiff_t(n));
        EXPECT_TRUE(load(cut, format).empty()) << "prefix of " << n << " bytes of " << file.size();
    }
}

Dib picture24(int w, int h, const std::function<uint32_t(int, int)>& colour = sample)
{
    Dib d;
    newdib(&d, w, h, 24, nullptr, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) setpixel(d, x, y, colour(x, y));
    return d;
}

// ---------------------------------------------------------------- BMP encoder

struct BmpSpec {
    int32_t width = 0, height = 0; // negative height: top-down file
    uint16_t bpp = 24;
    uint32_t compression = 0;
    uint32_t headerSize = 40;
    bool fileHeader = true;
    uint32_t clrUsed = 0;
    int32_t xppm = 0;
    std::vector<RgbQuad> palette;
    std::vector<uint32_t> masks; // after a 40-byte header, inside longer ones
    Bytes pixels;                // in file order, already padded
};

Bytes bmpFile(const BmpSpec& s)
{
    ByteWriter info;
    info.u32(s.headerSize);
    if (s.headerSize == 12) {
        info.u16(uint16_t(s.width));
        info.u16(uint16_t(s.height));
        info.u16(1);
        info.u16(s.bpp);
    } else {
        info.i32(s.width);
        info.i32(s.height);
        info.u16(1);
        info.u16(s.bpp);
        info.u32(s.compression);
        info.u32(uint32_t(s.pixels.size()));
        info.i32(s.xppm);
        info.i32(s.xppm);
        info.u32(s.clrUsed);
        info.u32(0);
        for (size_t i = 0; s.headerSize > 40 && i < 4; ++i) info.u32(i < s.masks.size() ? s.masks[i] : 0);
        info.zeros(s.headerSize - std::min<size_t>(s.headerSize, info.size()));
        if (s.headerSize == 40)
            for (uint32_t m : s.masks) info.u32(m);
    }
    for (const RgbQuad& q : s.palette) {
        info.u8(q.Blue);
        info.u8(q.Green);
        info.u8(q.Red);
        if (s.headerSize != 12) info.u8(0);
    }
    ByteWriter f;
    if (s.fileHeader) {
        f.u8('B');
        f.u8('M');
        f.u32(uint32_t(14 + info.size() + s.pixels.size()));
        f.u32(0);
        f.u32(uint32_t(14 + info.size()));
    }
    f.bytes(info.buffer().data(), info.size());
    f.bytes(s.pixels.data(), s.pixels.size());
    return f.buffer();
}

// Packs values (palette indices or 0x00BBGGRR colours) into file rows.
Bytes packRows(int w, int h, int bpp, bool topDown, const std::function<uint32_t(int, int)>& value)
{
    const size_t stride = size_t((w * bpp + 31) / 32 * 4);
    Bytes out(stride * size_t(h), 0);
    for (int fy = 0; fy < h; ++fy) {
        const int y = topDown ? h - 1 - fy : fy; // storage row
        uint8_t* r = out.data() + size_t(fy) * stride;
        for (int x = 0; x < w; ++x) {
            const uint32_t v = value(x, y);
            switch (bpp) {
            case 1: r[x / 8] |= uint8_t((v & 1) << (7 - x % 8)); break;
            case 4: r[x / 2] |= uint8_t((v & 15) << ((x % 2) ? 0 : 4)); break;
            case 8: r[x] = uint8_t(v); break;
            case 16: r[2 * x] = uint8_t(v); r[2 * x + 1] = uint8_t(v >> 8); break;
            case 24: r[3 * x] = blue(v); r[3 * x + 1] = green(v); r[3 * x + 2] = red(v); break;
            case 32: r[4 * x] = blue(v); r[4 * x + 1] = green(v); r[4 * x + 2] = red(v); r[4 * x + 3] = uint8_t(v >> 24); break;
            }
        }
    }
    return out;
}

std::vector<RgbQuad> rampPalette(int n)
{
    std::vector<RgbQuad> p(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) p[size_t(i)] = RgbQuad{uint8_t(i * 7), uint8_t(255 - i), uint8_t(i * 3 + 1), 0};
    return p;
}

// ---------------------------------------------------------------- PNG encoder

void pngSink(png_structp png, png_bytep data, size_t n)
{
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}

struct PngSpec {
    int width = 0, height = 0, type = PNG_COLOR_TYPE_RGB, depth = 8;
    bool interlace = false;
    std::vector<png_color> palette;
    std::vector<png_byte> paletteAlpha;
    int transparentGrey = -1;
    uint32_t ppm = 0;
    std::vector<Bytes> rows; // top-down, in the PNG's own row format
};

Bytes pngFile(const PngSpec& s)
{
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        ADD_FAILURE() << "png encoder failed";
        return {};
    }
    png_set_write_fn(png, &out, pngSink, nullptr);
    png_set_IHDR(png, info, png_uint_32(s.width), png_uint_32(s.height), s.depth, s.type,
                 s.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!s.palette.empty()) png_set_PLTE(png, info, s.palette.data(), int(s.palette.size()));
    if (!s.paletteAlpha.empty())
        png_set_tRNS(png, info, s.paletteAlpha.data(), int(s.paletteAlpha.size()), nullptr);
    if (s.transparentGrey >= 0) {
        png_color_16 c{};
        c.gray = png_uint_16(s.transparentGrey);
        png_set_tRNS(png, info, nullptr, 0, &c);
    }
    if (s.ppm) png_set_pHYs(png, info, s.ppm, s.ppm, PNG_RESOLUTION_METER);
    png_write_info(png, info);
    std::vector<png_bytep> rows;
    for (const Bytes& r : s.rows) rows.push_back(const_cast<png_bytep>(r.data()));
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

// ---------------------------------------------------------------- JPEG codec

struct JpegTestError {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

void jpegTestFail(j_common_ptr c) { std::longjmp(reinterpret_cast<JpegTestError*>(c->err)->jump, 1); }

// Top-down rows of `components` bytes per pixel.
Bytes jpegFile(int w, int h, int components, J_COLOR_SPACE space, const Bytes& pixels, bool adobe = false,
               int dpi = 0)
{
    jpeg_compress_struct c;
    JpegTestError err;
    c.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = jpegTestFail;
    unsigned char* mem = nullptr;
    unsigned long size = 0;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&c);
        ADD_FAILURE() << "jpeg encoder failed";
        return {};
    }
    jpeg_create_compress(&c);
    jpeg_mem_dest(&c, &mem, &size);
    c.image_width = JDIMENSION(w);
    c.image_height = JDIMENSION(h);
    c.input_components = components;
    c.in_color_space = space;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 95, TRUE);
    if (space == JCS_CMYK) jpeg_set_colorspace(&c, JCS_CMYK);
    c.write_Adobe_marker = adobe ? TRUE : FALSE;
    if (dpi) {
        c.density_unit = 1;
        c.X_density = c.Y_density = UINT16(dpi);
    }
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels.data() + size_t(c.next_scanline) * size_t(w * components));
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    Bytes out(mem, mem + size);
    free(mem);
    return out;
}

struct DecodedJpeg {
    bool ok = false;
    int width = 0, height = 0, components = 0, precision = 0;
    J_COLOR_SPACE space = JCS_UNKNOWN;
    bool progressive = false, arithmetic = false;
    int sampling[3][2] = {};
    Bytes rgb; // top-down RGB
};

DecodedJpeg decodeJpeg(const Bytes& b)
{
    DecodedJpeg r;
    jpeg_decompress_struct d;
    JpegTestError err;
    d.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = jpegTestFail;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&d);
        return DecodedJpeg{};
    }
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, b.data(), static_cast<unsigned long>(b.size()));
    jpeg_read_header(&d, TRUE);
    r.width = int(d.image_width);
    r.height = int(d.image_height);
    r.components = d.num_components;
    r.precision = d.data_precision;
    r.space = d.jpeg_color_space;
    r.progressive = d.progressive_mode;
    r.arithmetic = d.arith_code;
    for (int i = 0; i < std::min(3, d.num_components); ++i) {
        r.sampling[i][0] = d.comp_info[i].h_samp_factor;
        r.sampling[i][1] = d.comp_info[i].v_samp_factor;
    }
    d.out_color_space = JCS_RGB;
    jpeg_start_decompress(&d);
    r.rgb.resize(size_t(r.width) * size_t(r.height) * 3);
    while (d.output_scanline < d.output_height) {
        JSAMPROW row = r.rgb.data() + size_t(d.output_scanline) * size_t(r.width) * 3;
        jpeg_read_scanlines(&d, &row, 1);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    r.ok = true;
    return r;
}

uint32_t decodedAt(const DecodedJpeg& j, int x, int topDownY)
{
    const uint8_t* p = j.rgb.data() + (size_t(topDownY) * size_t(j.width) + size_t(x)) * 3;
    return p[0] | (p[1] << 8) | (uint32_t(p[2]) << 16);
}

// ---------------------------------------------------------------- GIF encoder

int gifSink(GifFileType* gif, const GifByteType* data, int n)
{
    auto* out = static_cast<Bytes*>(gif->UserData);
    out->insert(out->end(), data, data + n);
    return n;
}

struct GifFrame {
    int left = 0, top = 0, width = 0, height = 0;
    bool interlace = false;
    int transparent = -1;
    Bytes indices; // top-down, width x height
};

Bytes gifFile(int sw, int sh, const std::vector<GifColorType>& colours, const std::vector<GifFrame>& frames)
{
    Bytes out;
    int err = 0;
    GifFileType* gif = EGifOpen(&out, gifSink, &err);
    EGifSetGifVersion(gif, true);
    ColorMapObject* map = GifMakeMapObject(int(colours.size()), colours.data());
    EGifPutScreenDesc(gif, sw, sh, 8, 0, map);
    for (const GifFrame& f : frames) {
        if (f.transparent >= 0) {
            const GifByteType ext[4] = {1, 0, 0, GifByteType(f.transparent)};
            EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, ext);
        }
        EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlace, nullptr);
        std::vector<int> order;
        if (f.interlace) {
            const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
            for (int p = 0; p < 4; ++p)
                for (int r = start[p]; r < f.height; r += step[p]) order.push_back(r);
        } else {
            for (int r = 0; r < f.height; ++r) order.push_back(r);
        }
        for (int r : order)
            EGifPutLine(gif, const_cast<GifPixelType*>(f.indices.data() + size_t(r) * size_t(f.width)), f.width);
    }
    EGifCloseFile(gif, &err);
    GifFreeMapObject(map);
    return out;
}

// ---------------------------------------------------------------- TIFF encoder

Bytes readFile(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

Bytes tiffFile(int w, int h, int samples, bool unassociatedAlpha, const Bytes& pixels, float dpi = 0)
{
    const auto path = test::outputDir() / "dib_test_write.tif";
    TIFF* t = TIFFOpen(path.c_str(), "w");
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(w));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(h));
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 2);
    if (unassociatedAlpha) {
        const uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    if (dpi > 0) {
        TIFFSetField(t, TIFFTAG_XRESOLUTION, dpi);
        TIFFSetField(t, TIFFTAG_YRESOLUTION, dpi);
        TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    }
    for (int y = 0; y < h; ++y)
        TIFFWriteScanline(t, const_cast<uint8_t*>(pixels.data() + size_t(y) * size_t(w * samples)), uint32_t(y), 0);
    TIFFClose(t);
    return readFile(path);
}

// Top-down interleaved bytes from a colour function (R, G, B order).
Bytes interleaved(int w, int h, int samples, const std::function<uint32_t(int, int)>& colour,
                  const std::function<uint8_t(int, int)>& alpha = nullptr)
{
    Bytes out;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t c = colour(x, y);
            if (samples == 1) {
                out.push_back(red(c));
                continue;
            }
            out.push_back(red(c));
            out.push_back(green(c));
            out.push_back(blue(c));
            if (samples == 4) out.push_back(alpha ? alpha(x, y) : 255);
        }
    return out;
}

} // namespace

// ================================================================ record

TEST(NewDib, SizesStrideAndZeroFillForEveryDepth)
{
    struct Case { int bpp; int width; int32_t stride; };
    for (const Case c : {Case{1, 33, 8}, Case{4, 9, 8}, Case{8, 5, 8}, Case{16, 3, 8}, Case{24, 5, 16}, Case{32, 3, 12}}) {
        Dib d;
        newdib(&d, c.width, 7, c.bpp, nullptr, 0);
        ASSERT_FALSE(d.empty()) << c.bpp;
        EXPECT_EQ(d.BytesPerRow, c.stride) << c.bpp;
        EXPECT_EQ(d.Bits.size(), size_t(c.stride) * 7);
        EXPECT_TRUE(std::all_of(d.Bits.begin(), d.Bits.end(), [](uint8_t b) { return b == 0; }));
        EXPECT_EQ(d.Header.biSize, 40u);
        EXPECT_EQ(d.Header.biWidth, c.width);
        EXPECT_EQ(d.Header.biHeight, 7);
        EXPECT_EQ(d.Header.biPlanes, 1);
        EXPECT_EQ(d.Header.biBitCount, c.bpp);
        EXPECT_EQ(d.Header.biCompression, 0u);
        EXPECT_EQ(d.Header.biSizeImage, uint32_t(c.stride) * 7);
        EXPECT_EQ(dibwidth(d), c.width);
        EXPECT_EQ(dibheight(d), 7);
        EXPECT_EQ(dibbitcount(d), c.bpp);
        if (c.bpp <= 8) {
            EXPECT_EQ(d.ColorTable.size(), size_t(1) << c.bpp);
            EXPECT_EQ(d.HasPalette, 1);
            EXPECT_EQ(d.PaletteCount, 1u << c.bpp);
        } else {
            EXPECT_TRUE(d.ColorTable.empty());
            EXPECT_EQ(d.HasPalette, 0);
        }
    }
}

TEST(NewDib, ColourTableTakesWhatTheSourceHasAndZerosTheRest)
{
    const auto src = rampPalette(10);
    Dib d;
    newdib(&d, 2, 2, 4, &src, 200); // count beyond both source and table
    ASSERT_EQ(d.ColorTable.size(), 16u);
    for (size_t i = 0; i < 10; ++i) EXPECT_EQ(d.ColorTable[i], src[i]);
    for (size_t i = 10; i < 16; ++i) EXPECT_EQ(d.ColorTable[i], RgbQuad{});
    EXPECT_EQ(d.Palette[3].Red, src[3].Red);
    EXPECT_EQ(d.Palette[3].Blue, src[3].Blue);

    newdib(&d, 2, 2, 8, &src, 4); // count shorter than the source
    ASSERT_EQ(d.ColorTable.size(), 256u);
    EXPECT_EQ(d.ColorTable[3], src[3]);
    EXPECT_EQ(d.ColorTable[4], RgbQuad{});

    newdib(&d, 2, 2, 1, nullptr, 2); // a count without source
    EXPECT_EQ(d.ColorTable, std::vector<RgbQuad>(2));

    // The source may be the table of the record being replaced.
    Dib e;
    newdib(&e, 1, 1, 8, &src, 10);
    newdib(&e, 3, 3, 8, &e.ColorTable, 256);
    ASSERT_FALSE(e.empty());
    EXPECT_EQ(e.ColorTable[9], src[9]);

    newdib(&d, 2, 2, 24, &src, 10); // no table above 8 bits
    EXPECT_TRUE(d.ColorTable.empty());
}

TEST(NewDib, RejectsBadSizesDepthsAndHugeBlocks)
{
    struct Case { int32_t w, h, bpp; };
    for (const Case c : {Case{0, 5, 8}, Case{5, 0, 8}, Case{-3, 5, 24}, Case{5, -3, 24}, Case{5, 5, 0}, Case{5, 5, 2},
                         Case{5, 5, 7}, Case{5, 5, 48}, Case{70000, 70000, 32}, Case{INT32_MAX, INT32_MAX, 32},
                         Case{INT32_MAX, 1, 32}, Case{1, INT32_MAX, 1}, Case{16385, 4096, 32}}) {
        Dib d;
        newdib(&d, 1, 1, 8, nullptr, 0);
        newdib(&d, c.w, c.h, c.bpp, nullptr, 0);
        EXPECT_TRUE(d.empty()) << c.w << "x" << c.h << "x" << c.bpp;
        EXPECT_TRUE(d.ColorTable.empty());
        EXPECT_EQ(d.Header.biWidth, 0);
    }
    newdib(nullptr, 4, 4, 8, nullptr, 0); // no record: nothing happens
}

TEST(Dib, CloneIsDeepAndDeldibClears)
{
    const auto src = rampPalette(16);
    Dib a;
    newdib(&a, 4, 3, 4, &src, 16);
    setpixel(a, 1, 1, 9);
    Dib b = a.clone();
    setpixel(b, 1, 1, 2);
    b.ColorTable[0].Red = 99;
    EXPECT_EQ(getpixel(a, 1, 1), 9u);
    EXPECT_EQ(a.ColorTable[0], src[0]);
    EXPECT_EQ(b.BytesPerRow, a.BytesPerRow);
    EXPECT_EQ(b.Header.biSizeImage, a.Header.biSizeImage);
    deldib(b);
    EXPECT_TRUE(b.empty());
    EXPECT_TRUE(b.ColorTable.empty());
    EXPECT_EQ(b.HasPalette, 0);
    deldib(b); // harmless on an empty record
    EXPECT_TRUE(Dib{}.clone().empty());
}

TEST(Dib, PowerOfTwoAndColourCount)
{
    EXPECT_EQ(PowerOfTwo(0), 1);
    EXPECT_EQ(PowerOfTwo(1), 2);
    EXPECT_EQ(PowerOfTwo(8), 256);
    EXPECT_EQ(PowerOfTwo(24), 1 << 24);
    EXPECT_GT(PowerOfTwo(32), 256); // no wrap to a small "colour count"
    for (int bpp : {1, 4, 8, 16, 24, 32}) {
        Dib d;
        newdib(&d, 2, 2, bpp, nullptr, 0);
        EXPECT_EQ(dibcolors(d), PowerOfTwo(bpp));
    }
}

TEST(PixelAccess, PaletteDepthsStoreIndicesInStorageOrder)
{
    Dib one;
    newdib(&one, 10, 2, 1, nullptr, 0);
    setpixel(one, 0, 0, 1);
    setpixel(one, 9, 1, 77); // any non-zero value sets the bit
    EXPECT_EQ(one.Bits[0], 0x80);
    EXPECT_EQ(one.row(1)[1], 0x40);
    EXPECT_NE(getpixel(one, 9, 1), 0u);
    EXPECT_EQ(getpixel(one, 8, 1), 0u);
    setpixel(one, 0, 0, 0);
    EXPECT_EQ(one.Bits[0], 0);

    Dib four;
    newdib(&four, 3, 1, 4, nullptr, 0);
    setpixel(four, 0, 0, 0xA);
    setpixel(four, 1, 0, 0x3);
    setpixel(four, 2, 0, 0x1F); // only the nibble is kept
    EXPECT_EQ(four.Bits[0], 0xA3);
    EXPECT_EQ(four.Bits[1], 0xF0);
    EXPECT_EQ(getpixel(four, 0, 0), 0xAu);
    EXPECT_EQ(getpixel(four, 1, 0), 0x3u);
    EXPECT_EQ(getpixel(four, 2, 0), 0xFu);

    Dib eight;
    newdib(&eight, 3, 2, 8, nullptr, 0);
    setpixel(eight, 2, 1, 200);
    EXPECT_EQ(eight.row(1)[2], 200);
    EXPECT_EQ(getpixel(eight, 2, 1), 200u);
}

TEST(PixelAccess, TrueColourIsBgrInStorageAndBbggrrAsValue)
{
    for (int bpp : {24, 32}) {
        Dib d;
        newdib(&d, 3, 2, bpp, nullptr, 0);
        setpixel(d, 1, 1, 0x00332211);
        const uint8_t* p = d.row(1) + (bpp / 8);
        EXPECT_EQ(p[0], 0x33);
        EXPECT_EQ(p[1], 0x22);
        EXPECT_EQ(p[2], 0x11);
        EXPECT_EQ(getpixel(d, 1, 1), 0x00332211u);
        EXPECT_EQ(getpixel(d, 0, 1), 0u);
    }
    Dib d16;
    newdib(&d16, 2, 1, 16, nullptr, 0);
    setpixel(d16, 1, 0, 0x7FFF);
    EXPECT_EQ(getpixel(d16, 1, 0), 0x7FFFu);
}

TEST(PixelAccess, OutOfRangeAndInconsistentRecordsAreHarmless)
{
    for (int bpp : {1, 4, 8, 16, 24, 32}) {
        Dib d;
        newdib(&d, 4, 3, bpp, nullptr, 0);
        const Bytes before = d.Bits;
        for (auto [x, y] : {std::pair{-1, 0}, {4, 0}, {0, -1}, {0, 3}, {INT32_MAX, INT32_MAX}, {INT32_MIN, 0}}) {
            setpixel(d, x, y, 0xFFFFFF);
            EXPECT_EQ(getpixel(d, x, y), 0u);
        }
        EXPECT_EQ(d.Bits, before) << bpp;
    }
    Dib empty;
    setpixel(empty, 0, 0, 1);
    EXPECT_EQ(getpixel(empty, 0, 0), 0u);
    // A record whose pixel block no longer matches its header.
    Dib bad;
    newdib(&bad, 8, 8, 24, nullptr, 0);
    bad.Bits.resize(10);
    setpixel(bad, 7, 7, 1);
    EXPECT_EQ(getpixel(bad, 7, 7), 0u);
}

// ================================================================ loading: BMP

TEST(OpenBmp, PaletteDepthsKeepTheirDepthAndTable)
{
    for (int bpp : {1, 4, 8}) {
        const int colours = 1 << bpp;
        auto index = [&](int x, int y) { return uint32_t((x * 3 + y * 5) % colours); };
        BmpSpec s;
        s.width = 13;
        s.height = 5;
        s.bpp = uint16_t(bpp);
        s.palette = rampPalette(colours);
        s.xppm = 3780;
        s.pixels = packRows(13, 5, bpp, false, index);
        const Dib d = load(bmpFile(s));
        ASSERT_FALSE(d.empty()) << bpp;
        EXPECT_EQ(dibbitcount(d), bpp);
        EXPECT_EQ(d.ColorTable, s.palette);
        EXPECT_EQ(d.HasPalette, 1);
        EXPECT_EQ(d.Palette[1].Green, s.palette[1].Green);
        EXPECT_EQ(d.Header.biXPelsPerMeter, 3780);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 13; ++x) ASSERT_EQ(getpixel(d, x, y), index(x, y)) << bpp;
    }
}

TEST(OpenBmp, ShortColourTableAndOs2CoreHeader)
{
    BmpSpec s;
    s.width = 4;
    s.height = 2;
    s.bpp = 8;
    s.clrUsed = 3;
    s.palette = rampPalette(3);
    s.pixels = packRows(4, 2, 8, false, [](int x, int) { return uint32_t(x % 3); });
    Dib d = load(bmpFile(s));
    ASSERT_FALSE(d.empty());
    EXPECT_EQ(d.ColorTable.size(), 256u);
    EXPECT_EQ(d.ColorTable[2], s.palette[2]);
    EXPECT_EQ(d.ColorTable[3], RgbQuad{});

    s.headerSize = 12;
    s.clrUsed = 0;
    s.bpp = 4;
    s.palette = rampPalette(16);
    s.pixels = packRows(4, 2, 4, false, [](int x, int y) { return uint32_t(x + 4 * y); });
    d = load(bmpFile(s));
    ASSERT_FALSE(d.empty());
    EXPECT_EQ(d.ColorTable, s.palette);
    EXPECT_EQ(getpixel(d, 3, 1), 7u);
}

TEST(OpenBmp, TrueColourVariantsBecome24Bit)
{
    const int w = 5, h = 4;
    auto c555 = [](uint32_t c) {
        return uint32_t(((red(c) >> 3) << 10) | ((green(c) >> 3) << 5) | (blue(c) >> 3));
    };
    auto c565 = [](uint32_t c) {
        return uint32_t(((red(c) >> 3) << 11) | ((green(c) >> 2) << 5) | (blue(c) >> 3));
    };
    struct Case { const char* name; BmpSpec spec; int tolerance; };
    std::vector<Case> cases;
    BmpSpec s;
    s.width = w;
    s.height = h;
    s.bpp = 24;
    s.pixels = packRows(w, h, 24, false, sample);
    cases.push_back({"24 bottom-up", s, 0});
    s.height = -h;
    s.pixels = packRows(w, h, 24, true, sample);
    cases.push_back({"24 top-down", s, 0});
    s.height = h;
    s.bpp = 32; // the fourth byte of plain 32-bit pixels is not alpha
    s.pixels = packRows(w, h, 32, false, [](int x, int y) { return sample(x, y) | 0x7F000000u; });
    cases.push_back({"32 plain", s, 0});
    s.bpp = 16;
    s.pixels = packRows(w, h, 16, false, [&](int x, int y) { return c555(sample(x, y)); });
    cases.push_back({"16 plain", s, 8});
    s.compression = 3;
    s.masks = {0xF800, 0x07E0, 0x001F};
    s.pixels = packRows(w, h, 16, false, [&](int x, int y) { return c565(sample(x, y)); });
    cases.push_back({"16 bitfields", s, 8});
    s.headerSize = 124;
    s.height = -h;
    s.pixels = packRows(w, h, 16, true, [&](int x, int y) { return c565(sample(x, y)); });
    cases.push_back({"16 bitfields v5 top-down", s, 8});
    s.headerSize = 40;
    s.height = h;
    s.bpp = 32;
    s.masks = {0x0000FF00, 0x00FF0000, 0xFF000000};
    s.pixels.clear();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t c = sample(x, y);
            const uint32_t v = uint32_t(red(c)) << 8 | uint32_t(green(c)) << 16 | uint32_t(blue(c)) << 24;
            for (int k = 0; k < 4; ++k) s.pixels.push_back(uint8_t(v >> (8 * k)));
        }
    cases.push_back({"32 bitfields odd masks", s, 0});

    for (const Case& c : cases) {
        const Dib d = load(bmpFile(c.spec));
        ASSERT_FALSE(d.empty()) << c.name;
        EXPECT_EQ(dibbitcount(d), 24) << c.name;
        EXPECT_TRUE(d.ColorTable.empty());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_TRUE(near(getpixel(d, x, y), sample(x, y), c.tolerance)) << c.name << " " << x << "," << y;
    }
}

TEST(OpenBmp, DeclaredAlphaIsCompositedOnWhiteOnlyWhenUsed)
{
    BmpSpec s;
    s.width = 3;
    s.height = 1;
    s.bpp = 32;
    s.compression = 3;
    s.headerSize = 108;
    s.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
    s.pixels = packRows(3, 1, 32, false, [](int x, int) {
        const uint32_t alpha[3] = {0, 128, 255};
        return 0x000000FFu | (alpha[x] << 24); // pure red at three opacities
    });
    Dib d = load(bmpFile(s));
    ASSERT_FALSE(d.empty());
    EXPECT_EQ(getpixel(d, 0, 0), 0x00FFFFFFu);
    EXPECT_TRUE(near(getpixel(d, 1, 0), 0x007F7FFFu, 1));
    EXPECT_EQ(getpixel(d, 2, 0), 0x000000FFu);

    // All-zero alpha: the writer did not mean transparency.
    s.pixels = packRows(3, 1, 32, false, [](int, int) { return 0x000000FFu; });
    d = load(bmpFile(s));
    ASSERT_FALSE(d.empty());
    EXPECT_EQ(getpixel(d, 0, 0), 0x000000FFu);
}

TEST(OpenBmp, RunLengthCodings)
{
    // 8-bit: a run, an absolute run with padding, end of line, a delta,
    // a run clipped at the right edge, end of picture.
    BmpSpec s;
    s.width = 6;
    s.height = 3;
    s.bpp = 8;
    s.compression = 1;
    s.palette = rampPalette(256);
    s.pixels = {3, 7, 0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 1, 1, 9, 5, 0, 1};
    Dib d = load(bmpFile(s));
    ASSERT_FALSE(d.empty());
    EXPECT_EQ(dibbitcount(d), 8);
    const uint32_t row0[6] = {7, 7, 7, 1, 2, 3};
    for (int x = 0; x < 6; ++x) EXPECT_EQ(getpixel(d, x, 0), row0[x]) << x;
    for (int x = 0; x < 6; ++x) EXPECT_EQ(getpixel(d, x, 1), 0u);
    const uint32_t row2[6] = {0, 5, 5, 5, 5, 5};
    for (int x = 0; x < 6; ++x) EXPECT_EQ(getpixel(d, x, 2), row2[x]) << x;

    // 4-bit: alternating nibbles in a run and an absolute run of 3.
    s.bpp = 4;
    s.compression = 2;
    s.palette = rampPalette(16);
    s.pixels = {4, 0x12, 0, 3, 0xAB, 0xC0, 0, 1};
    d = load(bmpFile(s));
    ASSERT_FALSE(d.empty());
    EXPECT_EQ(dibbitcount(d), 4);
    const uint32_t four[6] = {1, 2, 1, 2, 0xA, 0xB};
    for (int x = 0; x < 6; ++x) EXPECT_EQ(getpixel(d, x, 0), four[x]) << x;

    // No end-of-picture code before the data runs out: truncated.
    s.pixels = {4, 0x12, 0, 3, 0xAB};
    EXPECT_TRUE(load(bmpFile(s)).empty());
    // Run-length pictures cannot be top-down.
    s.pixels = {4, 0x12, 0, 1};
    s.height = -3;
    EXPECT_TRUE(load(bmpFile(s)).empty());
}

TEST(OpenBmp, PackedBitmapWithoutFileHeader)
{
    BmpSpec s;
    s.fileHeader = false;
    s.width = 3;
    s.height = 2;
    s.bpp = 8;
    s.clrUsed = 2;
    s.palette = rampPalette(2);
    s.pixels = packRows(3, 2, 8, false, [](int x, int y) { return uint32_t((x + y) & 1); });
    const Dib d = load(bmpFile(s));
    ASSERT_FALSE(d.empty());
    EXPECT_EQ(getpixel(d, 1, 0), 1u);
    EXPECT_EQ(getpixel(d, 1, 1), 0u);
    EXPECT_EQ(d.ColorTable[1], s.palette[1]);
}

TEST(OpenBmp, HostileHeadersGiveNoPicture)
{
    BmpSpec good;
    good.width = 4;
    good.height = 4;
    good.bpp = 24;
    good.pixels = packRows(4, 4, 24, false, sample);
    ASSERT_FALSE(load(bmpFile(good)).empty());
    expectPrefixesRejected(bmpFile(good));

    auto broken = [&](const std::function<void(BmpSpec&)>& edit) {
        BmpSpec s = good;
        edit(s);
        return load(bmpFile(s)).empty();
    };
    EXPECT_TRUE(broken([](BmpSpec& s) { s.width = 0; }));
    EXPECT_TRUE(broken([](BmpSpec& s) { s.width = -4; }));
    EXPECT_TRUE(broken([](BmpSpec& s) { s.height = 0; }));
    EXPECT_TRUE(broken([](BmpSpec& s) { s.height = INT32_MIN; }));
    EXPECT_TRUE(broken([](BmpSpec& s) { s.width = 70000; s.height = 70000; }));
    EXPECT_TRUE(broken([](BmpSpec& s) { s.width = INT32_MAX; s.height = -INT32_MAX; s.bpp = 32; }));
    EXPECT_TRUE(broken([](BmpSpec& s) { s.width = 40000; s.height = 1; })); // rows longer than the file
    EXPECT_TRUE(broken([](BmpSpec& s) { s.bpp = 2; }));
    EXPECT_TRUE(broken([](BmpSpec& s) { s.bpp = 64; }));
    EXPECT_TRUE(broken([](BmpSpec& s) { s.compression = 3; })); // bitfields need 16 or 32 bits
    EXPECT_TRUE(broken([](BmpSpec& s) { s.compression = 4; })); // embedded JPEG
    EXPECT_TRUE(broken([](BmpSpec& s) { s.headerSize = 200; }));
    EXPECT_TRUE(broken([](BmpSpec& s) { s.clrUsed = 0xFFFFFFFF; s.fileHeader = false; }));

    Bytes f = bmpFile(good);
    f[10] = 0xFF; // pixel offset far past the end
    f[13] = 0x7F;
    EXPECT_TRUE(load(f).empty());

    // A palette count larger than the depth allows is capped, not trusted.
    BmpSpec s = good;
    s.bpp = 8;
    s.clrUsed = 0xFFFFFFFF;
    s.palette = rampPalette(256);
    s.pixels = packRows(4, 4, 8, false, [](int x, int) { return uint32_t(x); });
    const Dib d = load(bmpFile(s));
    ASSERT_FALSE(d.empty());
    EXPECT_EQ(d.ColorTable.size(), 256u);
}

// ================================================================ loading: PNG

TEST(OpenPng, ColourTypesConvertAsExpected)
{
    const int w = 7, h = 5;
    // RGB, interlaced and not.
    for (bool interlace : {false, true}) {
        PngSpec s;
        s.width = w;
        s.height = h;
        s.interlace = interlace;
        s.ppm = 11811; // 300 dpi
        for (int y = 0; y < h; ++y) {
            const Bytes all = interleaved(w, h, 3, sample);
            s.rows.emplace_back(all.begin() + y * w * 3, all.begin() + (y + 1) * w * 3);
        }
        const Dib d = load(pngFile(s), interlace ? 14 : 0);
        ASSERT_FALSE(d.empty());
        EXPECT_EQ(dibbitcount(d), 24);
        EXPECT_EQ(d.Header.biXPelsPerMeter, 11811);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) ASSERT_EQ(getpixel(d, x, h - 1 - y), sample(x, y));
    }
    // RGBA over white.
    {
        PngSpec s;
        s.width = 3;
        s.height = 1;
        s.type = PNG_COLOR_TYPE_RGB_ALPHA;
        s.rows = {{255, 0, 0, 0, 255, 0, 0, 128, 0, 0, 255, 255}};
        const Dib d = load(pngFile(s));
        ASSERT_FALSE(d.empty());
        EXPECT_EQ(getpixel(d, 0, 0), 0x00FFFFFFu);
        EXPECT_TRUE(near(getpixel(d, 1, 0), 0x007F7FFFu, 1));
        EXPECT_EQ(getpixel(d, 2, 0), 0x00FF0000u);
    }
    // 16-bit colour.
    {
        PngSpec s;
        s.width = 1;
        s.height = 1;
        s.depth = 16;
        s.rows = {{0x12, 0x34, 0x80, 0x00, 0xFF, 0xFF}};
        const Dib d = load(pngFile(s));
        ASSERT_FALSE(d.empty());
        EXPECT_TRUE(near(getpixel(d, 0, 0), 0x00FF8012u, 1));
    }
    // Palette with transparency: stays 8-bit, table composited on white.
    {
        PngSpec s;
        s.width = 4;
        s.height = 1;
        s.type = PNG_COLOR_TYPE_PALETTE;
        s.depth = 2;
        s.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
        s.paletteAlpha = {0, 255};
        s.rows = {{0b00011000}};
        const Dib d = load(pngFile(s));
        ASSERT_FALSE(d.empty());
        EXPECT_EQ(dibbitcount(d), 8);
        EXPECT_EQ(getpixel(d, 0, 0), 0u);
        EXPECT_EQ(getpixel(d, 1, 0), 1u);
        EXPECT_EQ(getpixel(d, 2, 0), 2u);
        EXPECT_EQ(colourAt(d, 0, 0), 0x00FFFFFFu);
        EXPECT_EQ(colourAt(d, 1, 0), 0x0000FF00u);
        EXPECT_EQ(colourAt(d, 2, 0), 0x00FF0000u);
        EXPECT_EQ(d.HasPalette, 1);
    }
    // Grey of two bits with a transparent level, and plain 8-bit grey.
    {
        PngSpec s;
        s.width = 3;
        s.height = 1;
        s.type = PNG_COLOR_TYPE_GRAY;
        s.depth = 2;
        s.transparentGrey = 1;
        s.rows = {{0b00011000}};
        Dib d = load(pngFile(s));
        ASSERT_FALSE(d.empty());
        EXPECT_EQ(colourAt(d, 0, 0), 0x00000000u);
        EXPECT_EQ(colourAt(d, 1, 0), 0x00FFFFFFu);
        EXPECT_EQ(colourAt(d, 2, 0), 0x00AAAAAAu);
        s.transparentGrey = -1;
        s.depth = 8;
        s.rows = {{0, 100, 255}};
        d = load(pngFile(s));
        ASSERT_FALSE(d.empty());
        EXPECT_EQ(dibbitcount(d), 8);
        EXPECT_EQ(colourAt(d, 1, 0), 0x00646464u);
    }
}

TEST(OpenPng, TruncatedAndCorruptFilesGiveNoPicture)
{
    PngSpec s;
    s.width = 20;
    s.height = 20;
    const Bytes all = interleaved(20, 20, 3, sample);
    for (int y = 0; y < 20; ++y) s.rows.emplace_back(all.begin() + y * 60, all.begin() + (y + 1) * 60);
    const Bytes file = pngFile(s);
    ASSERT_FALSE(load(file).empty());
    // Everything up to the end of the image data is needed.
    const size_t iend = file.size() - 12;
    expectPrefixesRejected(Bytes(file.begin(), file.begin() + std::ptrdiff_t(iend)));
    Bytes bad = file;
    bad[30] ^= 0x55; // inside IHDR: its checksum no longer matches
    EXPECT_TRUE(load(bad).empty());
    bad = file;
    bad[16] = 0x7F; // width of 2 billion
    EXPECT_TRUE(load(bad).empty());
    // A PNG handed in as JPEG is not a JPEG.
    EXPECT_TRUE(load(file, 7).empty());
    EXPECT_TRUE(load(file, 99).empty());
}

// ================================================================ loading: JPEG

TEST(OpenJpeg, ColourGreyAndCmyk)
{
    const int w = 16, h = 8;
    auto flat = [](int x, int) { return x < 8 ? 0x00204080u : 0x00C0A060u; };
    Dib d = load(jpegFile(w, h, 3, JCS_RGB, interleaved(w, h, 3, flat), false, 200), 7);
    ASSERT_FALSE(d.empty());
    EXPECT_EQ(dibbitcount(d), 24);
    EXPECT_EQ(d.Header.biXPelsPerMeter, 7874);
    EXPECT_TRUE(near(getpixel(d, 2, 0), 0x00204080u, 6));
    EXPECT_TRUE(near(getpixel(d, 13, h - 1), 0x00C0A060u, 6));

    d = load(jpegFile(w, h, 1, JCS_GRAYSCALE, Bytes(size_t(w * h), 90)));
    ASSERT_FALSE(d.empty());
    EXPECT_EQ(dibbitcount(d), 8);
    EXPECT_TRUE(near(colourAt(d, 3, 3), 0x005A5A5Au, 2));

    // Adobe CMYK is stored inverted: bytes (255, 0, 255, 255) -> cyan 0,
    // magenta full, yellow 0, black 0 -> magenta.
    Bytes cmyk;
    for (int i = 0; i < w * h; ++i) cmyk.insert(cmyk.end(), {255, 0, 255, 255});
    d = load(jpegFile(w, h, 4, JCS_CMYK, cmyk, true));
    ASSERT_FALSE(d.empty());
    EXPECT_EQ(dibbitcount(d), 24);
    EXPECT_TRUE(near(getpixel(d, 5, 5), 0x00FF00FFu, 6));
}

TEST(OpenJpeg, TruncatedAndCorruptFilesGiveNoPicture)
{
    const Bytes file = jpegFile(32, 32, 3, JCS_RGB, interleaved(32, 32, 3, sample));
    ASSERT_FALSE(load(file).empty());
    expectPrefixesRejected(Bytes(file.begin(), file.end() - 2));
    Bytes bad = file;
    for (size_t i = 2; i + 1 < bad.size(); ++i)
        if (bad[i] == 0xFF && bad[i + 1] == 0xC0) {
            bad[i + 5] = 0; // image height 0
            bad[i + 6] = 0;
            break;
        }
    EXPECT_TRUE(load(bad).empty());
    EXPECT_TRUE(load(file, 14).empty());
}

// ================================================================ loading: GIF

TEST(OpenGif, FirstFrameOnItsScreenWithTransparencyAsWhite)
{
    const std::vector<GifColorType> colours = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    GifFrame f;
    f.left = 1;
    f.top = 1;
    f.width = 3;
    f.height = 9;
    f.interlace = true;
    f.transparent = 3;
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 3; ++x) f.indices.push_back(uint8_t((x + y) % 4));
    GifFrame second = f;
    second.transparent = -1;
    std::fill(second.indices.begin(), second.indices.end(), 1);
    const Bytes file = gifFile(5, 11, colours, {f, second});
    const Dib d = load(file);
    ASSERT_FALSE(d.empty());
    EXPECT_EQ(dibwidth(d), 5);
    EXPECT_EQ(dibheight(d), 11);
    EXPECT_EQ(dibbitcount(d), 8);
    // Frame pixel (x, y) lands at column 1 + x, storage row 11 - 1 - (1 + y).
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 3; ++x) ASSERT_EQ(getpixel(d, 1 + x, 9 - y), uint32_t((x + y) % 4)) << x << "," << y;
    EXPECT_EQ(colourAt(d, 2, 9), 0x000000FFu);  // index 1 red
    EXPECT_EQ(colourAt(d, 1, 6), 0x00FFFFFFu);  // index 3 transparent
    EXPECT_EQ(colourAt(d, 0, 0), 0x00FFFFFFu);  // outside the frame
    EXPECT_EQ(d.HasPalette, 1);

    // Everything up to the end of the first frame's data is needed.
    const Bytes single = gifFile(5, 11, colours, {f});
    ASSERT_FALSE(load(single).empty());
    expectPrefixesRejected(Bytes(single.begin(), single.end() - 1));
    Bytes noImage(file.begin(), file.begin() + 13 + 12); // header, screen, table
    noImage.push_back(0x3B);
    EXPECT_TRUE(load(noImage).empty());
}

// ================================================================ loading: TIFF

TEST(OpenTiff, RgbAndAlphaThroughTheLibrary)
{
    const int w = 6, h = 5;
    Dib d = load(tiffFile(w, h, 3, false, interleaved(w, h, 3, sample), 150));
    ASSERT_FALSE(d.empty());
    EXPECT_EQ(dibbitcount(d), 24);
    EXPECT_EQ(d.Header.biXPelsPerMeter, 5906);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) ASSERT_EQ(getpixel(d, x, h - 1 - y), sample(x, y));

    d = load(tiffFile(2, 1, 4, true, {0, 0, 255, 0, 0, 0, 255, 255}));
    ASSERT_FALSE(d.empty());
    EXPECT_EQ(getpixel(d, 0, 0), 0x00FFFFFFu);
    EXPECT_EQ(getpixel(d, 1, 0), 0x00FF0000u);

    d = load(tiffFile(2, 2, 1, false, {0, 80, 160, 255}));
    ASSERT_FALSE(d.empty());
    EXPECT_EQ(getpixel(d, 1, 1), 0x00505050u);

    const Bytes file = tiffFile(w, h, 3, false, interleaved(w, h, 3, sample));
    expectPrefixesRejected(file);
    Bytes bad = file;
    bad[2] = 99; // not a TIFF version
    EXPECT_TRUE(load(bad).empty());
}

// ================================================================ loading: TGA and files

TEST(OpenTga, UncompressedRunLengthAndMapped)
{
    auto header = [](uint8_t type, uint8_t mapType, uint16_t mapLen, uint8_t mapDepth, uint16_t w, uint16_t h,
                     uint8_t depth, uint8_t desc) {
        ByteWriter b;
        b.u8(0);
        b.u8(mapType);
        b.u8(type);
        b.u16(0);
        b.u16(mapLen);
        b.u8(mapDepth);
        b.u16(0);
        b.u16(0);
        b.u16(w);
        b.u16(h);
        b.u8(depth);
        b.u8(desc);
        return b;
    };
    // 24-bit, top-down (descriptor bit 5).
    ByteWriter t = header(2, 0, 0, 0, 2, 2, 24, 0x20);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) {
            const uint32_t c = sample(x, y);
            t.u8(blue(c));
            t.u8(green(c));
            t.u8(red(c));
        }
    Dib d = load(t.buffer());
    ASSERT_FALSE(d.empty());
    EXPECT_EQ(getpixel(d, 1, 1), sample(1, 0));
    EXPECT_EQ(getpixel(d, 0, 0), sample(0, 1));
    expectPrefixesRejected(t.buffer());

    // Run-length 32-bit with alpha: one run of three transparent pixels and
    // one literal opaque blue.
    t = header(10, 0, 0, 0, 2, 2, 32, 0x08);
    for (uint8_t b : {0x82, 0, 0, 255, 0, 0x00, 255, 0, 0, 255}) t.u8(b);
    d = load(t.buffer());
    ASSERT_FALSE(d.empty());
    EXPECT_EQ(getpixel(d, 0, 0), 0x00FFFFFFu);
    EXPECT_EQ(getpixel(d, 1, 1), 0x00FF0000u);
    Bytes cut = t.buffer();
    cut.pop_back();
    EXPECT_TRUE(load(cut).empty());

    // Colour-mapped.
    t = header(1, 1, 2, 24, 2, 1, 8, 0);
    for (uint8_t b : {0, 0, 255, 0, 255, 0, 1, 0}) t.u8(b);
    d = load(t.buffer());
    ASSERT_FALSE(d.empty());
    EXPECT_EQ(dibbitcount(d), 8);
    EXPECT_EQ(colourAt(d, 0, 0), 0x0000FF00u);
    EXPECT_EQ(colourAt(d, 1, 0), 0x000000FFu);
}

TEST(OpenDibFile, LoadsFromDiskAndFailsQuietly)
{
    BmpSpec s;
    s.width = 2;
    s.height = 2;
    s.pixels = packRows(2, 2, 24, false, sample);
    const auto path = test::outputDir() / "dib_test_open.bmp";
    {
        std::ofstream out(path, std::ios::binary);
        const Bytes b = bmpFile(s);
        out.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
    }
    Dib d;
    OpenDib(&d, path, 0);
    ASSERT_FALSE(d.empty());
    EXPECT_EQ(getpixel(d, 1, 1), sample(1, 1));
    OpenDib(&d, test::outputDir() / "no such picture.bmp", 0);
    EXPECT_TRUE(d.empty());
    OpenDib(&d, test::outputDir(), 0); // a folder
    EXPECT_TRUE(d.empty());
    const Bytes junk = {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'};
    EXPECT_TRUE(load(junk).empty());
    EXPECT_TRUE(load({}).empty());
}

// ================================================================ saving

TEST(SaveJpeg, BaselineThreeComponentsCloseToTheInput)
{
    const int w = 24, h = 16;
    auto blocks = [](int x, int y) { return (x / 8 + y / 8) % 2 ? 0x00306090u : 0x00E0C020u; };
    Dib grey;
    newdib(&grey, w, h, 24, nullptr, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) setpixel(grey, x, y, 0x00808080u);
    Dib mapped;
    const std::vector<RgbQuad> two = {{0x30, 0x60, 0x90, 0}, {0xE0, 0xC0, 0x20, 0}};
    newdib(&mapped, w, h, 1, &two, 2);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) setpixel(mapped, x, y, blocks(x, y) == 0x00E0C020u);
    Dib wide;
    newdib(&wide, w, h, 32, nullptr, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) setpixel(wide, x, y, blocks(x, y));

    struct Case { const char* name; const Dib* dib; std::function<uint32_t(int, int)> expect; };
    const Dib colour = picture24(w, h, blocks);
    for (const Case& c : {Case{"24", &colour, blocks}, Case{"grey", &grey, [](int, int) { return 0x00808080u; }},
                          Case{"1-bit", &mapped, blocks}, Case{"32", &wide, blocks}}) {
        const Bytes jpeg = SaveDibJpegToMemory(*c.dib);
        ASSERT_FALSE(jpeg.empty()) << c.name;
        // Baseline frame marker present, no progressive or arithmetic one.
        bool sof0 = false, other = false;
        for (size_t i = 0; i + 1 < jpeg.size(); ++i)
            if (jpeg[i] == 0xFF) {
                sof0 |= jpeg[i + 1] == 0xC0;
                other |= jpeg[i + 1] == 0xC1 || jpeg[i + 1] == 0xC2 || jpeg[i + 1] == 0xC9 || jpeg[i + 1] == 0xCA;
            }
        EXPECT_TRUE(sof0) << c.name;
        EXPECT_FALSE(other) << c.name;
        const DecodedJpeg j = decodeJpeg(jpeg);
        ASSERT_TRUE(j.ok) << c.name;
        EXPECT_EQ(j.width, w);
        EXPECT_EQ(j.height, h);
        EXPECT_EQ(j.components, 3) << c.name;
        EXPECT_EQ(j.precision, 8);
        EXPECT_EQ(j.space, JCS_YCbCr) << c.name;
        EXPECT_FALSE(j.progressive);
        EXPECT_FALSE(j.arithmetic);
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(j.sampling[k][0], 1) << c.name;
            EXPECT_EQ(j.sampling[k][1], 1) << c.name;
        }
        // Storage row 0 is the bottom of the picture: top-down row h - 1.
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_TRUE(near(decodedAt(j, x, h - 1 - y), c.expect(x, y), 12))
                    << c.name << " " << x << "," << y << " " << std::hex << decodedAt(j, x, h - 1 - y);
        EXPECT_EQ(SaveDibJpegToMemory(*c.dib), jpeg) << "same picture, same bytes";
    }
    EXPECT_TRUE(SaveDibJpegToMemory(Dib{}).empty());
    // And the result loads back through our own reader.
    const Dib back = load(SaveDibJpegToMemory(colour));
    ASSERT_FALSE(back.empty());
    EXPECT_TRUE(near(getpixel(back, 3, 3), blocks(3, 3), 12));
}

TEST(SaveJpeg, SaveDibWritesTheFileOrReportsFailure)
{
    const Dib d = picture24(9, 7);
    const auto dir = test::outputDir() / "dib_save";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const auto file = dir / "tempim0.jpg";
    {
        std::ofstream old(file);
        old << "old contents";
    }
    EXPECT_EQ(SaveDib(d, file, 7, 0), 1);
    EXPECT_EQ(readFile(file), SaveDibJpegToMemory(d, 90));
    // Only the picture is left in the folder: no temporary behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);

    EXPECT_EQ(SaveDib(d, dir / "missing folder" / "x.jpg", 7, 0), 0);
    EXPECT_EQ(SaveDib(d, dir / "other.png", 14, 0), 0);
    EXPECT_EQ(SaveDib(Dib{}, dir / "empty.jpg", 7, 0), 0);
    std::filesystem::create_directories(dir / "a folder");
    EXPECT_EQ(SaveDib(d, dir / "a folder", 7, 0), 0);
    EXPECT_FALSE(std::filesystem::exists(dir / "empty.jpg"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 2);
}

// ================================================================ halftoning

TEST(Halftone, CubePaletteNearestColourAndScaling)
{
    const int w = 6, h = 4;
    auto colour = [](int x, int y) { return uint32_t(x * 51) | (uint32_t(y * 80) << 8) | (uint32_t(255 - x * 40) << 16); };
    const Dib in = picture24(w, h, colour);
    Dib out;
    DIBHalftoneDIB(&out, in);
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(dibbitcount(out), 8);
    EXPECT_EQ(dibwidth(out), w);
    EXPECT_EQ(dibheight(out), h);
    EXPECT_EQ(out.HasPalette, 1);
    ASSERT_EQ(out.ColorTable.size(), 256u);
    // The colour cube: every level pair 51 apart.
    std::set<uint32_t> distinct;
    for (int i = 0; i < 216; ++i) {
        const RgbQuad q = out.ColorTable[size_t(i)];
        EXPECT_EQ(q.Red % 51, 0);
        EXPECT_EQ(q.Green % 51, 0);
        EXPECT_EQ(q.Blue % 51, 0);
        EXPECT_EQ(out.Palette[size_t(i)].Red, q.Red);
        EXPECT_EQ(out.Palette[size_t(i)].Green, q.Green);
        EXPECT_EQ(out.Palette[size_t(i)].Blue, q.Blue);
        distinct.insert(q.Red | (q.Green << 8) | (uint32_t(q.Blue) << 16));
    }
    EXPECT_EQ(distinct.size(), 216u);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) ASSERT_TRUE(near(colourAt(out, x, y), colour(x, y), 25)) << x << "," << y;

    Dib small;
    DIBHalftoneDIBXY(&small, in, 3, 2);
    ASSERT_FALSE(small.empty());
    EXPECT_EQ(dibwidth(small), 3);
    EXPECT_EQ(dibheight(small), 2);
    // Column i samples source column 2i + 1, row j source row 2j + 1.
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_TRUE(near(colourAt(small, x, y), colour(2 * x + 1, 2 * y + 1), 25));
    Dib big;
    DIBHalftoneDIBXY(&big, in, 12, 8);
    ASSERT_FALSE(big.empty());
    EXPECT_EQ(getpixel(big, 11, 7), getpixel(out, 5, 3));
    EXPECT_EQ(getpixel(big, 0, 1), getpixel(out, 0, 0));

    DIBHalftoneDIB(&out, Dib{});
    EXPECT_TRUE(out.empty());
    DIBHalftoneDIBXY(&small, in, 0, 5);
    EXPECT_TRUE(small.empty());
    DIBHalftoneDIBXY(&small, in, 70000, 70000);
    EXPECT_TRUE(small.empty());
}

// ================================================================ hostile input

namespace {

void putBe(Bytes& b, size_t at, uint64_t v, int n)
{
    for (int i = 0; i < n; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * (n - 1 - i)));
}
void putLe(Bytes& b, size_t at, uint64_t v, int n)
{
    for (int i = 0; i < n; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

// The header field at `at` inside IHDR's data, with the chunk's checksum
// made good again so the reader meets the field and not a bad checksum.
Bytes pngHeaderField(Bytes f, size_t at, uint64_t v, int n)
{
    putBe(f, 16 + at, v, n);
    putBe(f, 29, crc32(0, f.data() + 12, 17), 4);
    return f;
}

// A TIFF with one tag of its first directory set to `v` (the directory
// entries written for these pictures hold their values in place).
Bytes tiffTag(Bytes f, uint16_t tag, uint32_t v)
{
    ByteReader in(f);
    in.skip(4);
    const uint32_t ifd = in.u32();
    in.seek(ifd);
    const uint16_t count = in.u16();
    for (uint16_t i = 0; i < count && in; ++i) {
        const size_t at = in.offset();
        const uint16_t t = in.u16(), type = in.u16();
        in.skip(8);
        if (t != tag) continue;
        putLe(f, at + 8, v, type == 3 ? 2 : 4);
        return f;
    }
    ADD_FAILURE() << "no tag " << tag;
    return f;
}

size_t jpegMarker(const Bytes& f, uint8_t marker)
{
    for (size_t i = 2; i + 1 < f.size(); ++i)
        if (f[i] == 0xFF && f[i + 1] == marker) return i;
    ADD_FAILURE() << "no marker " << int(marker);
    return 0;
}

Bytes tgaFile(uint8_t idLength, uint8_t mapType, uint8_t type, uint16_t mapLength, uint8_t mapDepth, uint16_t w,
              uint16_t h, uint8_t depth, const Bytes& rest)
{
    ByteWriter b;
    for (uint8_t v : {idLength, mapType, type}) b.u8(v);
    b.u16(0);
    b.u16(mapLength);
    b.u8(mapDepth);
    b.u32(0);
    b.u16(w);
    b.u16(h);
    b.u8(depth);
    b.u8(0);
    b.bytes(rest.data(), rest.size());
    return b.buffer();
}

} // namespace

TEST(HostileInput, OneBrokenFieldGivesNoPicture)
{
    BmpSpec rle;
    rle.width = 6;
    rle.height = 3;
    rle.bpp = 8;
    rle.compression = 1;
    rle.palette = rampPalette(4);
    auto rleWith = [&](Bytes codes, int32_t w = 6, int32_t h = 3) {
        BmpSpec s = rle;
        s.pixels = std::move(codes);
        s.width = w;
        s.height = h;
        return bmpFile(s);
    };

    const Bytes tga = tgaFile(0, 0, 2, 0, 0, 2, 2, 24, Bytes(12, 0x40));

    PngSpec ps;
    ps.width = 4;
    ps.height = 4;
    ps.rows.assign(4, Bytes(12, 0x80));
    const Bytes png = pngFile(ps);
    Bytes pngLongChunk(png.begin(), png.begin() + 33); // signature and IHDR
    const Bytes longText = {0x00, 0xFF, 0xFF, 0xFF, 't', 'E', 'X', 't', 'a', 0, 'b'};
    pngLongChunk.insert(pngLongChunk.end(), longText.begin(), longText.end());

    const Bytes jpeg = jpegFile(16, 16, 3, JCS_RGB, interleaved(16, 16, 3, sample));
    const size_t sof = jpegMarker(jpeg, 0xC0);
    auto jpegAt = [&](size_t at, uint64_t v, int n) {
        Bytes f = jpeg;
        putBe(f, at, v, n);
        return f;
    };
    Bytes jpegLongComment = {0xFF, 0xD8, 0xFF, 0xFE, 0xFF, 0xF0};
    jpegLongComment.insert(jpegLongComment.end(), jpeg.begin() + 2, jpeg.end());

    const std::vector<GifColorType> colours = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    GifFrame frame;
    frame.width = 3;
    frame.height = 2;
    frame.indices = {0, 1, 2, 3, 2, 1};
    const Bytes gif = gifFile(3, 2, colours, {frame});
    const size_t desc = 13 + 12; // header, screen, four-colour table
    auto gifAt = [&](size_t at, uint64_t v, int n) {
        Bytes f = gif;
        putLe(f, at, v, n);
        return f;
    };

    const Bytes tiff = tiffFile(2, 2, 3, false, interleaved(2, 2, 3, sample));
    Bytes tiffFarDirectory = tiff;
    putLe(tiffFarDirectory, 4, 0x7FFFFFF0, 4);

    ASSERT_FALSE(load(rleWith({0, 1})).empty());
    ASSERT_FALSE(load(tga).empty());
    ASSERT_FALSE(load(png).empty());
    ASSERT_FALSE(load(jpeg).empty());
    ASSERT_EQ(gif[desc], 0x2C);
    ASSERT_FALSE(load(gif).empty());
    ASSERT_FALSE(load(tiff).empty());

    const struct Case {
        const char* name;
        Bytes file;
    } cases[] = {
        {"bmp run-length absolute run past the data", rleWith({0, 10, 1, 2, 3})},
        {"bmp run-length delta cut short", rleWith({0, 2, 5})},
        {"bmp run-length over the pixel cap", rleWith({0, 1}, 10000, 10000)},
        {"tga identification past the end", tgaFile(200, 0, 2, 0, 0, 2, 2, 24, Bytes(12, 0x40))},
        {"tga colour map past the end", tgaFile(0, 1, 1, 1000, 24, 2, 2, 8, Bytes(8, 0))},
        {"tga run-length far too short for its size", tgaFile(0, 0, 10, 0, 0, 65535, 1000, 24, {0xFF, 1, 2, 3})},
        {"tga depth of 7 bits", tgaFile(0, 0, 2, 0, 0, 2, 2, 7, Bytes(12, 0x40))},
        {"png width 0", pngHeaderField(png, 0, 0, 4)},
        {"png height past 2^31", pngHeaderField(png, 4, 0x80000000u, 4)},
        {"png over the pixel cap", pngHeaderField(pngHeaderField(png, 0, 9000, 4), 4, 9000, 4)},
        {"png far too short for its size", pngHeaderField(pngHeaderField(png, 0, 8192, 4), 4, 8192, 4)},
        {"png depth 3", pngHeaderField(png, 8, 3, 1)},
        {"png colour type 1", pngHeaderField(png, 9, 1, 1)},
        {"png palette type without a palette", pngHeaderField(png, 9, 3, 1)},
        {"png compression method 1", pngHeaderField(png, 10, 1, 1)},
        {"png interlace method 2", pngHeaderField(png, 12, 2, 1)},
        {"png chunk longer than the file", pngLongChunk},
        {"jpeg width 0", jpegAt(sof + 7, 0, 2)},
        {"jpeg over the pixel cap", jpegAt(sof + 5, 0xFDE8FDE8u, 4)},
        {"jpeg no components", jpegAt(sof + 9, 0, 1)},
        {"jpeg marker longer than the file", jpegLongComment},
        {"gif screen over the pixel cap", gifAt(6, 0x2328'2328u, 4)},
        {"gif frame width 0", gifAt(desc + 5, 0, 2)},
        {"gif frame taller than its data", gifAt(desc + 7, 200, 2)},
        {"gif code size 13", gifAt(desc + 10, 13, 1)},
        {"tiff width 0", tiffTag(tiff, TIFFTAG_IMAGEWIDTH, 0)},
        {"tiff over the pixel cap", tiffTag(tiffTag(tiff, TIFFTAG_IMAGEWIDTH, 100000), TIFFTAG_IMAGELENGTH, 100000)},
        {"tiff strip past the end", tiffTag(tiff, TIFFTAG_STRIPOFFSETS, 0x7FFFFFF0)},
        {"tiff strip longer than the file", tiffTag(tiff, TIFFTAG_STRIPBYTECOUNTS, 0x7FFFFFF0)},
        {"tiff directory past the end", tiffFarDirectory},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(load(c.file).empty()) << c.name;
        // The data sources meet the same bytes cut anywhere.
        for (size_t cut : {c.file.size() / 2, c.file.size() - 1})
            EXPECT_TRUE(load(Bytes(c.file.begin(), c.file.begin() + std::ptrdiff_t(cut))).empty()) << c.name;
    }
}

TEST(HostileInput, PixelCapHoldsForEveryDepth)
{
    // A run-length picture that ends at once is legal and all zero: a few
    // bytes may ask for the largest picture we make, and no more.
    BmpSpec s;
    s.bpp = 8;
    s.compression = 1;
    s.pixels = {0, 1};
    s.width = 8192;
    s.height = 8192;
    static_assert(8192 * 8192 == kMaxDibPixels);
    const Dib d = load(bmpFile(s));
    ASSERT_FALSE(d.empty());
    EXPECT_EQ(d.Bits.size(), size_t(kMaxDibPixels));
    s.width = 8193;
    EXPECT_TRUE(load(bmpFile(s)).empty());
    // One bit a pixel is no way round it.
    s.bpp = 4;
    s.compression = 2;
    s.width = 8192 * 2;
    EXPECT_TRUE(load(bmpFile(s)).empty());
}

TEST(HostileInput, AShortReadDoesNotSpoilTheNextOne)
{
    // A grey 3 x 2 TIFF with its directory last. The library reads the
    // next-directory offset as optional: a file that ends right before it
    // still loads, so the failed read must leave the source able to seek
    // back to the strip.
    ByteWriter t;
    t.str("II");
    t.u16(42);
    t.u32(8 + 6);
    for (uint8_t v : {10, 20, 30, 40, 50, 60}) t.u8(v);
    const uint16_t tags[][3] = {{256, 3, 3}, {257, 3, 2}, {258, 3, 8}, {259, 3, 1}, {262, 3, 1},
                                {273, 4, 8}, {277, 3, 1}, {278, 3, 2}, {279, 4, 6}};
    t.u16(uint16_t(std::size(tags)));
    for (const auto& tag : tags) {
        t.u16(tag[0]);
        t.u16(tag[1]);
        t.u32(1);
        t.u32(tag[2]);
    }
    Bytes file = t.buffer();
    Dib d = load(file);
    ASSERT_FALSE(d.empty());
    EXPECT_EQ(getpixel(d, 2, 0), 0x003C3C3Cu);
    file.resize(file.size() + 4, 0);
    d = load(file);
    ASSERT_FALSE(d.empty());
    EXPECT_EQ(getpixel(d, 0, 1), 0x000A0A0Au);
}

TEST(OpenDibFile, SaysWhyAFileCouldNotBeRead)
{
    const auto dir = test::outputDir() / "dib_reasons";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const auto fifo = dir / "pipe.bmp";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto huge = dir / "huge.bmp";
    { std::ofstream(huge).put('B'); }
    std::filesystem::resize_file(huge, kMaxPictureFileBytes + 1); // sparse: nothing is written
    const auto junk = dir / "junk.bmp";
    { std::ofstream(junk) << "not a picture"; }

    const struct {
        std::filesystem::path path;
        std::string reason;
    } cases[] = {
        {dir / "missing.bmp", "No such file or directory"},
        {dir, "Is a directory"},
        {fifo, "it is not a regular file"}, // would block for ever if opened plainly
        {huge, "the file is larger than 512 MB"},
        {junk, ""}, // read, but not a picture
    };
    for (const auto& c : cases) {
        Dib d;
        newdib(&d, 1, 1, 24, nullptr, 0);
        OpenDib(&d, c.path, 0);
        EXPECT_TRUE(d.empty()) << c.path;
        EXPECT_EQ(d.ErrorText, c.reason) << c.path;
    }
    std::filesystem::remove_all(dir);
}
