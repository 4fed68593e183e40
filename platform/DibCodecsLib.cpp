// Readers over the image libraries: PNG, JPEG, GIF and TIFF. Each library
// reports trouble its own way (longjmp, return codes, handlers); all of it
// ends here as a false result and an empty picture, never a message or exit.

#include "platform/DibCodecs.h"

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include <gif_lib.h>
#include <jerror.h>
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

namespace quillet::dibcodec {

namespace {

template <class T>
bool tryResize(std::vector<T>& v, size_t n)
{
    try {
        v.resize(n);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// ---------------------------------------------------------------- PNG

// All the decoder's state sits outside the frame that calls setjmp.
struct PngDecoder {
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t pos = 0;
    Dib* out = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::vector<uint8_t> pixels;
    std::vector<png_bytep> rows;
};

void pngRead(png_structp png, png_bytep dst, size_t n)
{
    auto* s = static_cast<PngDecoder*>(png_get_io_ptr(png));
    if (n > s->size - s->pos) png_error(png, "truncated");
    std::memcpy(dst, s->data + s->pos, n);
    s->pos += n;
}

[[noreturn]] void pngError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp) {}

bool decodePng(PngDecoder& s)
{
    s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, pngError, pngWarning);
    if (!s.png) return false;
    s.info = png_create_info_struct(s.png);
    if (!s.info) {
        png_destroy_read_struct(&s.png, nullptr, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(s.png))) {
        png_destroy_read_struct(&s.png, &s.info, nullptr);
        return false;
    }
    png_set_read_fn(s.png, &s, pngRead);
    png_read_info(s.png, s.info);
    png_uint_32 w = 0, h = 0;
    int depth = 0, type = 0, interlace = 0;
    png_get_IHDR(s.png, s.info, &w, &h, &depth, &type, &interlace, nullptr, nullptr);
    Dib& out = *s.out;

    // Palettes and greys of up to 8 bits stay indexed; everything else
    // becomes 24-bit colour.
    const bool indexed = type == PNG_COLOR_TYPE_PALETTE || (type == PNG_COLOR_TYPE_GRAY && depth <= 8);
    bool alpha = false;
    size_t channels = 1;
    if (indexed) {
        png_set_packing(s.png);
        if (!makeDib(out, w, h, 8)) png_error(s.png, "size");
        if (type == PNG_COLOR_TYPE_PALETTE) {
            png_colorp pal = nullptr;
            int count = 0;
            if (!png_get_PLTE(s.png, s.info, &pal, &count)) png_error(s.png, "palette");
            png_bytep trans = nullptr;
            int transCount = 0;
            png_get_tRNS(s.png, s.info, &trans, &transCount, nullptr);
            for (int i = 0; i < std::min(count, 256); ++i) {
                const unsigned a = trans && i < transCount ? trans[i] : 255u;
                out.ColorTable[size_t(i)] =
                    RgbQuad{overWhite(pal[i].blue, a), overWhite(pal[i].green, a), overWhite(pal[i].red, a), 0};
            }
            syncPalette(out);
        } else {
            const int levels = 1 << depth;
            greyTable(out, levels);
            png_color_16p trans = nullptr;
            if (png_get_tRNS(s.png, s.info, nullptr, nullptr, &trans) && trans && trans->gray < levels) {
                out.ColorTable[trans->gray] = RgbQuad{255, 255, 255, 0};
                syncPalette(out);
            }
        }
    } else {
        if (depth == 16) png_set_scale_16(s.png);
        alpha = (type & PNG_COLOR_MASK_ALPHA) || png_get_valid(s.png, s.info, PNG_INFO_tRNS);
        png_set_expand(s.png);
        if (!(type & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(s.png);
        png_set_bgr(s.png);
        channels = alpha ? 4 : 3;
        if (!makeDib(out, w, h, 24)) png_error(s.png, "size");
    }
    png_set_interlace_handling(s.png);
    png_read_update_info(s.png, s.info);
    if (png_get_rowbytes(s.png, s.info) != size_t(w) * channels) png_error(s.png, "layout");

    if (!tryResize(s.rows, h)) png_error(s.png, "memory");
    if (!alpha) {
        // Straight into the picture, bottom-up.
        for (png_uint_32 y = 0; y < h; ++y) s.rows[y] = out.row(int32_t(h - 1 - y));
        png_read_image(s.png, s.rows.data());
    } else {
        if (!tryResize(s.pixels, size_t(w) * 4 * h)) png_error(s.png, "memory");
        for (png_uint_32 y = 0; y < h; ++y) s.rows[y] = s.pixels.data() + size_t(y) * w * 4;
        png_read_image(s.png, s.rows.data());
        for (png_uint_32 y = 0; y < h; ++y) {
            const uint8_t* src = s.rows[y];
            uint8_t* dst = out.row(int32_t(h - 1 - y));
            for (png_uint_32 x = 0; x < w; ++x, src += 4, dst += 3) {
                dst[0] = overWhite(src[0], src[3]);
                dst[1] = overWhite(src[1], src[3]);
                dst[2] = overWhite(src[2], src[3]);
            }
        }
    }
    png_uint_32 xres = 0, yres = 0;
    int unit = 0;
    if (png_get_pHYs(s.png, s.info, &xres, &yres, &unit) && unit == PNG_RESOLUTION_METER) {
        out.Header.biXPelsPerMeter = int32_t(std::min<png_uint_32>(xres, INT32_MAX));
        out.Header.biYPelsPerMeter = int32_t(std::min<png_uint_32>(yres, INT32_MAX));
    }
    png_destroy_read_struct(&s.png, &s.info, nullptr);
    return true;
}

// ---------------------------------------------------------------- JPEG

struct JpegError {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

struct JpegDecoder {
    jpeg_decompress_struct cinfo;
    JpegError err;
    jpeg_progress_mgr progress;
    std::vector<uint8_t> row;
};

[[noreturn]] void jpegFail(j_common_ptr c)
{
    std::longjmp(reinterpret_cast<JpegError*>(c->err)->jump, 1);
}

void jpegMessage(j_common_ptr c, int level)
{
    // A file that ends early is truncated, not a picture with a grey tail;
    // other warnings (stray bytes between markers) are common and harmless.
    if (level < 0 && c->err->msg_code == JWRN_JPEG_EOF) jpegFail(c);
}

void jpegProgress(j_common_ptr c)
{
    // Progressive files can repeat scans without end; no real one needs many.
    auto* d = reinterpret_cast<j_decompress_ptr>(c);
    if (c->is_decompressor && d->input_scan_number > 1000) jpegFail(c);
}

bool decodeJpeg(const uint8_t* data, size_t size, JpegDecoder& s, Dib& out)
{
    s.cinfo.err = jpeg_std_error(&s.err.pub);
    s.err.pub.error_exit = jpegFail;
    s.err.pub.emit_message = jpegMessage;
    if (setjmp(s.err.jump)) {
        jpeg_destroy_decompress(&s.cinfo);
        return false;
    }
    jpeg_create_decompress(&s.cinfo);
    s.progress.progress_monitor = jpegProgress;
    s.cinfo.progress = &s.progress;
    s.cinfo.mem->max_memory_to_use = long(kMaxDibBytes) * 3;
    jpeg_mem_src(&s.cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&s.cinfo, TRUE);

    bool grey = false, cmyk = false;
    switch (s.cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
        s.cinfo.out_color_space = JCS_GRAYSCALE;
        grey = true;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        s.cinfo.out_color_space = JCS_CMYK;
        cmyk = true;
        break;
    default:
        s.cinfo.out_color_space = JCS_EXT_BGR;
        break;
    }
    const JDIMENSION w = s.cinfo.image_width, h = s.cinfo.image_height;
    if (!makeDib(out, w, h, grey ? 8 : 24)) jpegFail(reinterpret_cast<j_common_ptr>(&s.cinfo));
    if (grey) greyTable(out, 256);
    if (s.cinfo.saw_JFIF_marker && s.cinfo.X_density > 0 && s.cinfo.Y_density > 0) {
        if (s.cinfo.density_unit == 1) setResolutionDpi(out, s.cinfo.X_density, s.cinfo.Y_density);
        else if (s.cinfo.density_unit == 2) setResolutionDpi(out, s.cinfo.X_density * 2.54, s.cinfo.Y_density * 2.54);
    }
    jpeg_start_decompress(&s.cinfo);
    if (s.cinfo.output_width != w || s.cinfo.output_height != h ||
        s.cinfo.output_components != (grey ? 1 : cmyk ? 4 : 3))
        jpegFail(reinterpret_cast<j_common_ptr>(&s.cinfo));
    if (cmyk && !tryResize(s.row, size_t(w) * 4)) jpegFail(reinterpret_cast<j_common_ptr>(&s.cinfo));
    // Adobe writers store CMYK inverted.
    const bool inverted = s.cinfo.saw_Adobe_marker;
    while (s.cinfo.output_scanline < h) {
        uint8_t* dst = out.row(int32_t(h - 1 - s.cinfo.output_scanline));
        JSAMPROW target = cmyk ? s.row.data() : dst;
        if (jpeg_read_scanlines(&s.cinfo, &target, 1) != 1) jpegFail(reinterpret_cast<j_common_ptr>(&s.cinfo));
        if (!cmyk) continue;
        for (JDIMENSION x = 0; x < w; ++x) {
            const uint8_t* p = s.row.data() + 4 * size_t(x);
            unsigned c = p[0], m = p[1], y = p[2], k = p[3];
            if (!inverted) {
                c = 255 - c; m = 255 - m; y = 255 - y; k = 255 - k;
            }
            dst[3 * x] = uint8_t((y * k + 127) / 255);
            dst[3 * x + 1] = uint8_t((m * k + 127) / 255);
            dst[3 * x + 2] = uint8_t((c * k + 127) / 255);
        }
    }
    jpeg_destroy_decompress(&s.cinfo);
    return true;
}

// ---------------------------------------------------------------- GIF

struct GifSource {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

int gifRead(GifFileType* gif, GifByteType* dst, int n)
{
    auto* s = static_cast<GifSource*>(gif->UserData);
    if (n <= 0) return 0;
    const size_t take = std::min(size_t(n), s->size - s->pos);
    std::memcpy(dst, s->data + s->pos, take);
    s->pos += take;
    return int(take);
}

struct GifCloser {
    void operator()(GifFileType* g) const
    {
        int err = 0;
        DGifCloseFile(g, &err);
    }
};

// The first frame on its logical screen, as an 8-bit palette picture; the
// transparent colour shows as white.
bool decodeGif(const uint8_t* data, size_t size, Dib& out)
{
    GifSource src{data, size, 0};
    int err = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&src, gifRead, &err));
    if (!gif) return false;
    int transparent = -1;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) return false;
        if (type == TERMINATE_RECORD_TYPE) return false;
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* ext = nullptr;
            if (DGifGetExtension(gif.get(), &code, &ext) == GIF_ERROR) return false;
            if (code == GRAPHICS_EXT_FUNC_CODE && ext && ext[0] >= 4)
                transparent = (ext[1] & 1) ? int(ext[4]) : -1;
            while (ext) {
                if (DGifGetExtensionNext(gif.get(), &ext) == GIF_ERROR) return false;
            }
            continue;
        }
        if (type == IMAGE_DESC_RECORD_TYPE) break;
    }
    if (DGifGetImageDesc(gif.get()) == GIF_ERROR) return false;
    const GifImageDesc& desc = gif->Image;
    if (desc.Width <= 0 || desc.Height <= 0 || desc.Left < 0 || desc.Top < 0) return false;
    // Some writers put frames past the screen they declare; grow the screen.
    const int64_t cw = std::max<int64_t>(gif->SWidth, int64_t(desc.Left) + desc.Width);
    const int64_t ch = std::max<int64_t>(gif->SHeight, int64_t(desc.Top) + desc.Height);
    if (!makeDib(out, cw, ch, 8)) return false;

    const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
    if (map && map->Colors && map->ColorCount > 0) {
        for (int i = 0; i < std::min(map->ColorCount, 256); ++i)
            out.ColorTable[size_t(i)] = RgbQuad{map->Colors[i].Blue, map->Colors[i].Green, map->Colors[i].Red, 0};
    } else {
        greyTable(out, 256);
    }
    if (transparent >= 0) out.ColorTable[size_t(transparent)] = RgbQuad{255, 255, 255, 0};
    syncPalette(out);

    const auto fill = uint8_t(transparent >= 0 ? transparent : gif->SBackGroundColor);
    std::fill(out.Bits.begin(), out.Bits.end(), fill);

    std::vector<GifPixelType> line;
    if (!tryResize(line, size_t(desc.Width))) return false;
    auto storeRow = [&](int r) {
        uint8_t* dst = out.row(int32_t(ch - 1 - (desc.Top + r)));
        std::memcpy(dst + desc.Left, line.data(), line.size());
    };
    if (desc.Interlace) {
        static const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (int r = start[pass]; r < desc.Height; r += step[pass]) {
                if (DGifGetLine(gif.get(), line.data(), desc.Width) == GIF_ERROR) return false;
                storeRow(r);
            }
    } else {
        for (int r = 0; r < desc.Height; ++r) {
            if (DGifGetLine(gif.get(), line.data(), desc.Width) == GIF_ERROR) return false;
            storeRow(r);
        }
    }
    return true;
}

// ---------------------------------------------------------------- TIFF

struct TiffSource {
    const uint8_t* data;
    uint64_t size;
    uint64_t pos;
};

tmsize_t tiffRead(thandle_t h, void* dst, tmsize_t n)
{
    auto* s = static_cast<TiffSource*>(h);
    if (n <= 0 || s->pos >= s->size) return 0;
    const uint64_t take = std::min<uint64_t>(uint64_t(n), s->size - s->pos);
    std::memcpy(dst, s->data + s->pos, size_t(take));
    s->pos += take;
    return tmsize_t(take);
}

tmsize_t tiffWrite(thandle_t, void*, tmsize_t) { return 0; }

toff_t tiffSeek(thandle_t h, toff_t off, int whence)
{
    auto* s = static_cast<TiffSource*>(h);
    uint64_t base = 0;
    if (whence == SEEK_CUR) base = s->pos;
    else if (whence == SEEK_END) base = s->size;
    else if (whence != SEEK_SET) return toff_t(-1);
    if (off > UINT64_MAX / 2 - base) return toff_t(-1);
    s->pos = base + off;
    return s->pos;
}

int tiffClose(thandle_t) { return 0; }
toff_t tiffSize(thandle_t h) { return static_cast<TiffSource*>(h)->size; }
int tiffMap(thandle_t, void**, toff_t*) { return 0; }
void tiffUnmap(thandle_t, void*, toff_t) {}
int tiffQuiet(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TiffCloser {
    void operator()(TIFF* t) const { TIFFClose(t); }
};

bool decodeTiff(const uint8_t* data, size_t size, Dib& out)
{
    TiffSource src{data, size, 0};
    TIFFOpenOptions* opts = TIFFOpenOptionsAlloc();
    if (!opts) return false;
    TIFFOpenOptionsSetErrorHandlerExtR(opts, tiffQuiet, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(opts, tiffQuiet, nullptr);
    TIFFOpenOptionsSetMaxSingleMemAlloc(opts, tmsize_t(kMaxDibBytes));
    std::unique_ptr<TIFF, TiffCloser> tif(TIFFClientOpenExt("picture", "rm", &src, tiffRead, tiffWrite, tiffSeek,
                                                            tiffClose, tiffSize, tiffMap, tiffUnmap, opts));
    TIFFOpenOptionsFree(opts);
    if (!tif) return false;
    uint32_t w = 0, h = 0;
    if (!TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &w) || !TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &h))
        return false;
    char message[1024];
    if (!TIFFRGBAImageOK(tif.get(), message)) return false;
    if (!makeDib(out, w, h, 24)) return false;
    std::vector<uint32_t> raster;
    if (!tryResize(raster, size_t(w) * h)) return false;
    // Bottom-left origin gives the rows in our storage order.
    if (!TIFFReadRGBAImageOriented(tif.get(), w, h, raster.data(), ORIENTATION_BOTLEFT, 1)) return false;
    for (uint32_t y = 0; y < h; ++y) {
        const uint32_t* src = raster.data() + size_t(y) * w;
        uint8_t* dst = out.row(int32_t(y));
        for (uint32_t x = 0; x < w; ++x) {
            // The library hands out premultiplied alpha: over white is c + (255 - a).
            const uint32_t p = src[x];
            const unsigned a = TIFFGetA(p), back = 255 - a;
            dst[3 * x] = uint8_t(std::min(255u, TIFFGetB(p) + back));
            dst[3 * x + 1] = uint8_t(std::min(255u, TIFFGetG(p) + back));
            dst[3 * x + 2] = uint8_t(std::min(255u, TIFFGetR(p) + back));
        }
    }
    float xres = 0, yres = 0;
    uint16_t unit = RESUNIT_INCH;
    if (TIFFGetField(tif.get(), TIFFTAG_XRESOLUTION, &xres) && TIFFGetField(tif.get(), TIFFTAG_YRESOLUTION, &yres)) {
        TIFFGetFieldDefaulted(tif.get(), TIFFTAG_RESOLUTIONUNIT, &unit);
        if (unit == RESUNIT_INCH) setResolutionDpi(out, xres, yres);
        else if (unit == RESUNIT_CENTIMETER) setResolutionDpi(out, xres * 2.54, yres * 2.54);
    }
    return true;
}

} // namespace

bool readPng(const uint8_t* data, size_t size, Dib& out)
{
    auto s = std::make_unique<PngDecoder>();
    s->data = data;
    s->size = size;
    s->out = &out;
    return decodePng(*s);
}

bool readJpeg(const uint8_t* data, size_t size, Dib& out)
{
    if (size == 0 || size > ULONG_MAX) return false;
    auto s = std::make_unique<JpegDecoder>();
    return decodeJpeg(data, size, *s, out);
}

bool readGif(const uint8_t* data, size_t size, Dib& out) { return decodeGif(data, size, out); }

bool readTiff(const uint8_t* data, size_t size, Dib& out) { return decodeTiff(data, size, out); }

} // namespace quillet::dibcodec
