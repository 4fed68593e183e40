#include "platform/Dib.h"

#include "platform/ByteIO.h"

#include "platform/SafeFile.h"

#include "platform/DibCodecs.h"
#include "platform/LargeBlock.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

#include <jerror.h>
#include <jpeglib.h>

namespace quillet {

void encodeBitmapInfoHeader(ByteWriter& out, const BitmapInfoHeader& h)
{
    out.u32(uint32_t(kBitmapInfoHeaderSize));
    out.i32(h.biWidth);
    out.i32(h.biHeight);
    out.u16(h.biPlanes);
    out.u16(h.biBitCount);
    out.u32(h.biCompression);
    out.u32(h.biSizeImage);
    out.i32(h.biXPelsPerMeter);
    out.i32(h.biYPelsPerMeter);
    out.u32(h.biClrUsed);
    out.u32(h.biClrImportant);
}

namespace {

bool supportedDepth(int32_t bpp)
{
    return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
}

RgbQuad tableColour(const Dib& d, unsigned index)
{
    return index < d.ColorTable.size() ? d.ColorTable[index] : RgbQuad{};
}

// One stored row as blue, green, red bytes (3 x width), whatever the depth.
void rowToBgr(const Dib& d, int32_t storageRow, uint8_t* out)
{
    const int32_t w = d.Header.biWidth;
    const uint8_t* src = d.row(storageRow);
    auto putIndex = [&](int32_t x, unsigned idx) {
        const RgbQuad q = tableColour(d, idx);
        out[3 * x] = q.Blue;
        out[3 * x + 1] = q.Green;
        out[3 * x + 2] = q.Red;
    };
    switch (d.Header.biBitCount) {
    case 1:
        for (int32_t x = 0; x < w; ++x) putIndex(x, (src[x >> 3] >> (7 - (x & 7))) & 1);
        break;
    case 4:
        for (int32_t x = 0; x < w; ++x) putIndex(x, (x & 1) ? (src[x >> 1] & 0x0F) : (src[x >> 1] >> 4));
        break;
    case 8:
        for (int32_t x = 0; x < w; ++x) putIndex(x, src[x]);
        break;
    case 16:
        // Uncompressed 16-bit pictures are 5-5-5.
        for (int32_t x = 0; x < w; ++x) {
            const unsigned v = unsigned(src[2 * x]) | (unsigned(src[2 * x + 1]) << 8);
            const unsigned r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
            out[3 * x] = uint8_t((b << 3) | (b >> 2));
            out[3 * x + 1] = uint8_t((g << 3) | (g >> 2));
            out[3 * x + 2] = uint8_t((r << 3) | (r >> 2));
        }
        break;
    case 24:
        std::memcpy(out, src, size_t(w) * 3);
        break;
    case 32:
        for (int32_t x = 0; x < w; ++x) {
            out[3 * x] = src[4 * x];
            out[3 * x + 1] = src[4 * x + 1];
            out[3 * x + 2] = src[4 * x + 2];
        }
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------- JPEG out

struct JpegError {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void jpegErrorExit(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}

void jpegNoMessage(j_common_ptr) {}

// The encoder writes through a fixed chunk into a vector, so no allocation
// failure can surface inside the library's frames other than as its error.
struct JpegSink {
    jpeg_destination_mgr pub;
    std::vector<uint8_t>* out;
    uint8_t chunk[65536];
};

void sinkInit(j_compress_ptr cinfo)
{
    auto* s = reinterpret_cast<JpegSink*>(cinfo->dest);
    s->pub.next_output_byte = s->chunk;
    s->pub.free_in_buffer = sizeof s->chunk;
}

bool sinkFlush(JpegSink* s, size_t n)
{
    try {
        s->out->insert(s->out->end(), s->chunk, s->chunk + n);
    } catch (const std::bad_alloc&) {
        return false;
    }
    s->pub.next_output_byte = s->chunk;
    s->pub.free_in_buffer = sizeof s->chunk;
    return true;
}

boolean sinkEmpty(j_compress_ptr cinfo)
{
    auto* s = reinterpret_cast<JpegSink*>(cinfo->dest);
    if (!sinkFlush(s, sizeof s->chunk)) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
    return TRUE;
}

void sinkTerm(j_compress_ptr cinfo)
{
    auto* s = reinterpret_cast<JpegSink*>(cinfo->dest);
    if (!sinkFlush(s, sizeof s->chunk - s->pub.free_in_buffer)) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
}

// Everything the encoder touches lives here, outside the frame that calls
// setjmp, so nothing in that frame changes between setjmp and longjmp.
struct JpegEncoder {
    jpeg_compress_struct cinfo;
    JpegError err;
    JpegSink sink;
    std::vector<uint8_t> rowBuffer;
};

bool encodeJpeg(const Dib& d, int quality, JpegEncoder& e)
{
    e.cinfo.err = jpeg_std_error(&e.err.pub);
    e.err.pub.error_exit = jpegErrorExit;
    e.err.pub.output_message = jpegNoMessage;
    if (setjmp(e.err.jump)) {
        jpeg_destroy_compress(&e.cinfo);
        return false;
    }
    jpeg_create_compress(&e.cinfo);
    e.sink.pub.init_destination = sinkInit;
    e.sink.pub.empty_output_buffer = sinkEmpty;
    e.sink.pub.term_destination = sinkTerm;
    e.cinfo.dest = &e.sink.pub;

    const int32_t w = d.Header.biWidth, h = d.Header.biHeight;
    e.cinfo.image_width = JDIMENSION(w);
    e.cinfo.image_height = JDIMENSION(h);
    e.cinfo.input_components = 3;
    e.cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&e.cinfo);
    // PDF readers take an 8-bit, three-component baseline stream; grey
    // pictures too stay YCbCr so every image object is described alike.
    jpeg_set_colorspace(&e.cinfo, JCS_YCbCr);
    jpeg_set_quality(&e.cinfo, quality, TRUE);
    for (int c = 0; c < e.cinfo.num_components; ++c) {
        e.cinfo.comp_info[c].h_samp_factor = 1;
        e.cinfo.comp_info[c].v_samp_factor = 1;
    }
    e.cinfo.optimize_coding = FALSE;
    e.cinfo.dct_method = JDCT_ISLOW;
    jpeg_start_compress(&e.cinfo, TRUE);
    while (e.cinfo.next_scanline < e.cinfo.image_height) {
        // Stored rows run bottom-up; JPEG runs top-down.
        rowToBgr(d, h - 1 - int32_t(e.cinfo.next_scanline), e.rowBuffer.data());
        JSAMPROW rowPtr = e.rowBuffer.data();
        jpeg_write_scanlines(&e.cinfo, &rowPtr, 1);
    }
    jpeg_finish_compress(&e.cinfo);
    jpeg_destroy_compress(&e.cinfo);
    return true;
}


// ---------------------------------------------------------------- halftone

uint8_t cubeLevel(uint8_t v) { return uint8_t((unsigned(v) + 25) / 51); }

void cubePicture(Dib& out, int32_t w, int32_t h)
{
    if (!dibcodec::makeDib(out, w, h, 8)) return;
    for (int i = 0; i < 216; ++i) {
        RgbQuad& q = out.ColorTable[size_t(i)];
        q.Red = uint8_t((i / 36) * 51);
        q.Green = uint8_t((i / 6 % 6) * 51);
        q.Blue = uint8_t((i % 6) * 51);
    }
    dibcodec::syncPalette(out);
}

// Maps a row of BGR bytes to cube indices, sampling column map[i] for
// destination column i.
void cubeRow(const uint8_t* bgr, const std::vector<int32_t>& map, uint8_t* dst)
{
    for (size_t i = 0; i < map.size(); ++i) {
        const uint8_t* p = bgr + 3 * size_t(map[i]);
        dst[i] = uint8_t(cubeLevel(p[2]) * 36 + cubeLevel(p[1]) * 6 + cubeLevel(p[0]));
    }
}

void halftone(Dib* out, const Dib& in, int32_t w, int32_t h)
{
    if (!out) return;
    Dib result;
    if (dibUsable(in) && w > 0 && h > 0) {
        cubePicture(result, w, h);
        if (!result.empty()) {
            const int32_t sw = in.Header.biWidth, sh = in.Header.biHeight;
            std::vector<uint8_t> bgr;
            std::vector<int32_t> columns;
            try {
                bgr.resize(size_t(sw) * 3);
                columns.resize(size_t(w));
            } catch (const std::bad_alloc&) {
                *out = Dib{};
                return;
            }
            // Nearest neighbour on pixel centres.
            for (int32_t i = 0; i < w; ++i) columns[size_t(i)] = int32_t((2 * int64_t(i) + 1) * sw / (2 * int64_t(w)));
            int32_t lastSource = -1;
            for (int32_t j = 0; j < h; ++j) {
                const auto source = int32_t((2 * int64_t(j) + 1) * sh / (2 * int64_t(h)));
                if (source == lastSource) {
                    std::memcpy(result.row(j), result.row(j - 1), size_t(w));
                    continue;
                }
                rowToBgr(in, source, bgr.data());
                cubeRow(bgr.data(), columns, result.row(j));
                lastSource = source;
            }
        }
    }
    *out = std::move(result);
}

} // namespace

// ---------------------------------------------------------------- helpers

namespace dibcodec {

bool pixelsFit(int64_t width, int64_t height)
{
    return width > 0 && height > 0 && uint64_t(width) <= kMaxDibPixels / uint64_t(height);
}

bool makeDib(Dib& out, int64_t width, int64_t height, int32_t bpp)
{
    if (!pixelsFit(width, height)) {
        out = Dib{};
        return false;
    }
    newdib(&out, int32_t(width), int32_t(height), bpp, nullptr, 0);
    return !out.empty();
}

void syncPalette(Dib& d)
{
    d.Palette = {};
    if (d.Header.biBitCount > 8 || d.ColorTable.empty()) {
        d.HasPalette = 0;
        d.PaletteCount = 0;
        return;
    }
    const size_t n = std::min<size_t>(d.ColorTable.size(), d.Palette.size());
    for (size_t i = 0; i < n; ++i)
        d.Palette[i] = PaletteEntry{d.ColorTable[i].Red, d.ColorTable[i].Green, d.ColorTable[i].Blue, 0};
    d.HasPalette = 1;
    d.PaletteVersion = 0x300;
    d.PaletteCount = uint16_t(n);
}

void greyTable(Dib& d, int levels)
{
    if (levels < 2) return;
    const size_t n = std::min<size_t>(size_t(levels), d.ColorTable.size());
    for (size_t i = 0; i < n; ++i) {
        const auto v = uint8_t(i * 255 / size_t(levels - 1));
        d.ColorTable[i] = RgbQuad{v, v, v, 0};
    }
    syncPalette(d);
}

void setResolutionDpi(Dib& d, double xdpi, double ydpi)
{
    auto ppm = [](double dpi) -> int32_t {
        if (!(dpi > 0) || dpi > 1e6) return 0;
        return int32_t(std::lround(dpi / 0.0254));
    };
    d.Header.biXPelsPerMeter = ppm(xdpi);
    d.Header.biYPelsPerMeter = ppm(ydpi);
}

} // namespace dibcodec

// ---------------------------------------------------------------- record

Dib Dib::clone() const
{
    Dib c;
    c.Header = Header;
    c.ColorTable = ColorTable;
    c.Bits = Bits;
    c.BytesPerRow = BytesPerRow;
    c.HasPalette = HasPalette;
    c.PaletteVersion = PaletteVersion;
    c.Palette = Palette;
    c.PaletteCount = PaletteCount;
    c.ErrorText = ErrorText;
    return c;
}

int32_t dibwidth(const Dib& d) { return d.Header.biWidth; }
int32_t dibheight(const Dib& d) { return d.Header.biHeight; }
int32_t dibbitcount(const Dib& d) { return d.Header.biBitCount; }

int32_t PowerOfTwo(int32_t n)
{
    // 2^31 and beyond do not fit; callers only ask whether the result is
    // above 256, so the largest value answers that truthfully.
    if (n >= 31) return INT32_MAX;
    int32_t r = 1;
    for (int32_t i = 0; i < n; ++i) r *= 2;
    return r;
}

bool dibUsable(const Dib& d)
{
    const auto& h = d.Header;
    if (d.Bits.empty() || h.biWidth <= 0 || h.biHeight <= 0 || !supportedDepth(h.biBitCount)) return false;
    const uint64_t minStride = (uint64_t(h.biWidth) * h.biBitCount + 31) / 32 * 4;
    if (d.BytesPerRow <= 0 || uint64_t(d.BytesPerRow) < minStride) return false;
    return uint64_t(h.biHeight) <= d.Bits.size() / uint64_t(d.BytesPerRow);
}

int32_t dibcolors(const Dib& d) { return PowerOfTwo(dibbitcount(d)); }

void newdib(Dib* out, int32_t width, int32_t height, int32_t bpp,
            const std::vector<RgbQuad>* colourSource, int32_t count)
{
    if (!out) return;
    // The source may be the colour table of the very record being replaced.
    std::vector<RgbQuad> colours;
    const bool palette = bpp >= 1 && bpp <= 8;
    try {
        if (palette && colourSource && count > 0) {
            const size_t n = std::min({size_t(count), colourSource->size(), size_t(1) << bpp});
            colours.assign(colourSource->begin(), colourSource->begin() + std::ptrdiff_t(n));
        }
    } catch (const std::bad_alloc&) {
        *out = Dib{};
        return;
    }
    *out = Dib{};
    if (width <= 0 || height <= 0 || !supportedDepth(bpp)) return;
    const uint64_t stride = (uint64_t(width) * uint64_t(bpp) + 31) / 32 * 4;
    if (stride > kMaxDibBytes / uint64_t(height)) return;
    const uint64_t bytes = stride * uint64_t(height);

    Dib d;
    try {
        reserveLargeBlock(d.Bits, size_t(bytes));
        d.Bits.assign(size_t(bytes), 0);
        if (palette) {
            d.ColorTable.assign(size_t(1) << bpp, RgbQuad{});
            std::copy(colours.begin(), colours.end(), d.ColorTable.begin());
        }
    } catch (const std::bad_alloc&) {
        return;
    }
    d.Header.biWidth = width;
    d.Header.biHeight = height;
    d.Header.biPlanes = 1;
    d.Header.biBitCount = uint16_t(bpp);
    d.Header.biCompression = 0;
    d.Header.biSizeImage = uint32_t(bytes);
    d.BytesPerRow = int32_t(stride);
    dibcodec::syncPalette(d);
    *out = std::move(d);
}

void deldib(Dib& d) { d = Dib{}; }

uint32_t getpixel(const Dib& d, int32_t x, int32_t y)
{
    if (!dibUsable(d) || x < 0 || y < 0 || x >= d.Header.biWidth || y >= d.Header.biHeight) return 0;
    const uint8_t* r = d.row(y);
    switch (d.Header.biBitCount) {
    case 1: return (r[x >> 3] >> (7 - (x & 7))) & 1u;
    case 4: return (x & 1) ? (r[x >> 1] & 0x0Fu) : (r[x >> 1] >> 4);
    case 8: return r[x];
    case 16: return uint32_t(r[2 * x]) | (uint32_t(r[2 * x + 1]) << 8);
    case 24: {
        const uint8_t* p = r + 3 * size_t(x);
        return uint32_t(p[2]) | (uint32_t(p[1]) << 8) | (uint32_t(p[0]) << 16);
    }
    case 32: {
        const uint8_t* p = r + 4 * size_t(x);
        return uint32_t(p[2]) | (uint32_t(p[1]) << 8) | (uint32_t(p[0]) << 16);
    }
    default: return 0;
    }
}

void setpixel(Dib& d, int32_t x, int32_t y, uint32_t value)
{
    if (!dibUsable(d) || x < 0 || y < 0 || x >= d.Header.biWidth || y >= d.Header.biHeight) return;
    uint8_t* r = d.row(y);
    switch (d.Header.biBitCount) {
    case 1: {
        const auto bit = uint8_t(0x80u >> (x & 7));
        if (value) r[x >> 3] |= bit;
        else r[x >> 3] &= uint8_t(~bit);
        break;
    }
    case 4: {
        uint8_t& b = r[x >> 1];
        b = (x & 1) ? uint8_t((b & 0xF0) | (value & 0x0F)) : uint8_t((b & 0x0F) | ((value & 0x0F) << 4));
        break;
    }
    case 8: r[x] = uint8_t(value); break;
    case 16:
        r[2 * x] = uint8_t(value);
        r[2 * x + 1] = uint8_t(value >> 8);
        break;
    case 24:
    case 32: {
        uint8_t* p = r + size_t(x) * (d.Header.biBitCount / 8);
        p[0] = uint8_t(value >> 16);
        p[1] = uint8_t(value >> 8);
        p[2] = uint8_t(value);
        break;
    }
    default: break;
    }
}

// ---------------------------------------------------------------- load

namespace {

enum class Kind { Unknown, Bmp, Png, Jpeg, Gif, Tiff, Tga };

Kind recognise(const uint8_t* p, size_t n)
{
    static const uint8_t png[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (n >= 8 && std::memcmp(p, png, 8) == 0) return Kind::Png;
    if (n >= 3 && p[0] == 0xFF && p[1] == 0xD8 && p[2] == 0xFF) return Kind::Jpeg;
    if (n >= 6 && (std::memcmp(p, "GIF87a", 6) == 0 || std::memcmp(p, "GIF89a", 6) == 0)) return Kind::Gif;
    if (n >= 4 && ((p[0] == 'I' && p[1] == 'I' && (p[2] == 42 || p[2] == 43) && p[3] == 0) ||
                   (p[0] == 'M' && p[1] == 'M' && p[2] == 0 && (p[3] == 42 || p[3] == 43))))
        return Kind::Tiff;
    if (dibcodec::looksLikeBmp(p, n)) return Kind::Bmp;
    // TGA has no signature; it is the guess of last resort.
    if (dibcodec::looksLikeTga(p, n)) return Kind::Tga;
    return Kind::Unknown;
}

bool decode(Kind kind, const uint8_t* data, size_t size, Dib& out)
{
    switch (kind) {
    case Kind::Bmp: return dibcodec::readBmp(data, size, out);
    case Kind::Png: return dibcodec::readPng(data, size, out);
    case Kind::Jpeg: return dibcodec::readJpeg(data, size, out);
    case Kind::Gif: return dibcodec::readGif(data, size, out);
    case Kind::Tiff: return dibcodec::readTiff(data, size, out);
    case Kind::Tga: return dibcodec::readTga(data, size, out);
    case Kind::Unknown: break;
    }
    return false;
}

} // namespace

void OpenDibFromMemory(Dib* out, const uint8_t* data, size_t size, int32_t format)
{
    if (!out) return;
    *out = Dib{};
    if (!data || size == 0) return;
    Kind kind = Kind::Unknown;
    switch (format) {
    case 0: kind = recognise(data, size); break;
    case 7: kind = Kind::Jpeg; break;
    case 14: kind = Kind::Png; break;
    default: return;
    }
    Dib d;
    bool ok = false;
    try {
        ok = decode(kind, data, size, d);
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    if (ok && dibUsable(d)) *out = std::move(d);
}

void OpenDib(Dib* out, const std::filesystem::path& file, int32_t format, void* /*owner*/)
{
    if (!out) return;
    *out = Dib{};
    std::vector<uint8_t> bytes;
    // A FIFO or device in place of the picture is refused before it is
    // opened for good, and the size is checked before anything is read.
    const FileReadResult read = ReadWholeFile(file, kMaxPictureFileBytes, bytes);
    if (!read) {
        out->ErrorText = read.reason;
        return;
    }
    OpenDibFromMemory(out, bytes.data(), bytes.size(), format);
}

// ---------------------------------------------------------------- save

std::vector<uint8_t> SaveDibJpegToMemory(const Dib& d, int quality)
{
    std::vector<uint8_t> bytes;
    // Baseline JPEG cannot describe more than 65535 pixels a side.
    if (!dibUsable(d) || d.Header.biWidth > 65500 || d.Header.biHeight > 65500) return bytes;
    quality = std::clamp(quality, 1, 100);
    try {
        auto enc = std::make_unique<JpegEncoder>();
        enc->rowBuffer.resize(size_t(d.Header.biWidth) * 3);
        enc->sink.out = &bytes;
        if (!encodeJpeg(d, quality, *enc)) bytes.clear();
    } catch (const std::bad_alloc&) {
        bytes.clear();
    }
    return bytes;
}

int32_t SaveDib(const Dib& d, const std::filesystem::path& file, int32_t format, int32_t /*flags*/)
{
    if (format != 7) return 0;
    const std::vector<uint8_t> bytes = SaveDibJpegToMemory(d, 90);
    if (bytes.empty()) return 0;
    return ReplaceFileContents(file, bytes) ? 1 : 0;
}

// ---------------------------------------------------------------- halftone

void DIBHalftoneDIB(Dib* out, const Dib& in)
{
    halftone(out, in, in.Header.biWidth, in.Header.biHeight);
}

void DIBHalftoneDIBXY(Dib* out, const Dib& in, int32_t width, int32_t height)
{
    halftone(out, in, width, height);
}

} // namespace quillet
