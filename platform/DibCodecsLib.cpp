// Readers over the image libraries: PNG, JPEG, GIF and TIFF. Each library
// reports trouble its own way (longjmp, return codes, handlers); all of it
// ends here as a false result and an empty picture, never a message or exit.

#include "platform/DibCodecs.h"

#include "platform/ByteIO.h"

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

// The file's bytes as each library asks for them, through one cursor. A
// request for more than is left gives nothing and leaves the cursor where it
// was: libtiff probes past the end (an optional next-directory offset) and
// then goes on reading elsewhere, so a short read must not spoil the rest.
// A seek past the end is refused.
class LibrarySource {
public:
    LibrarySource(const uint8_t* data, size_t size) : in_(data, size) {}

    // The next n bytes in place, or nullptr when fewer are left.
    const uint8_t* take(size_t n) { return n <= in_.remaining() ? in_.view(n) : nullptr; }
    bool read(void* dst, size_t n)
    {
        const uint8_t* p = take(n);
        if (!p) return false;
        if (n > 0) std::memcpy(dst, p, n);
        return true;
    }
    // Up to n bytes (fewer only at the end of the data).
    const uint8_t* takeSome(size_t& n)
    {
        n = std::min(n, in_.remaining());
        return in_.view(n);
    }
    bool skip(uint64_t n)
    {
        if (n > in_.remaining()) return false;
        in_.skip(size_t(n));
        return true;
    }
    bool seekTo(uint64_t off)
    {
        if (off > in_.size()) return false;
        in_.seek(size_t(off));
        return true;
    }
    uint64_t offset() const { return in_.offset(); }
    uint64_t size() const { return in_.size(); }
    uint64_t remaining() const { return in_.remaining(); }

private:
    ByteReader in_;
};

// ---------------------------------------------------------------- PNG

// The most the library may allocate for one chunk, inflated or not.
constexpr png_alloc_size_t kMaxPngChunkBytes = 8u << 20;
// Ancillary chunks kept before the library gives up on a file.
constexpr png_uint_32 kMaxPngChunks = 1000;

// All the decoder's state sits outside the frame that calls setjmp.
struct PngDecoder {
    explicit PngDecoder(const uint8_t* data, size_t size) : src(data, size) {}
    LibrarySource src;
    Dib* out = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::vector<uint8_t> pixels;
};

void pngRead(png_structp png, png_bytep dst, size_t n)
{
    auto* s = static_cast<PngDecoder*>(png_get_io_ptr(png));
    if (!s->src.read(dst, n)) png_error(png, "truncated");
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
    png_set_chunk_malloc_max(s.png, kMaxPngChunkBytes);
    png_set_chunk_cache_max(s.png, kMaxPngChunks);
    // Only the header, palette, transparency, resolution and pixels matter
    // here. The library would make room for a text or profile chunk as
    // long as its length field says (1.4 GB for a 44-byte file) before
    // finding the file too short; skipped chunks are read past in small
    // pieces instead.
    png_set_keep_unknown_chunks(s.png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    static const png_byte kept[] = {'p', 'H', 'Y', 's', 0};
    png_set_keep_unknown_chunks(s.png, PNG_HANDLE_CHUNK_AS_DEFAULT, kept, 1);
    png_read_info(s.png, s.info);
    png_uint_32 w = 0, h = 0;
    int depth = 0, type = 0, interlace = 0;
    png_get_IHDR(s.png, s.info, &w, &h, &depth, &type, &interlace, nullptr, nullptr);
    // Deflate packs at most 1032 bytes into one: a file too short to hold
    // its pixels is refused before room is made for them.
    if (!pixelsFit(w, h)) png_error(s.png, "size");
    const uint64_t packedBits = uint64_t(w) * h * png_get_channels(s.png, s.info) * uint64_t(depth);
    if (packedBits / 8 / 1032 > s.src.remaining()) png_error(s.png, "truncated");
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
    const int passes = png_set_interlace_handling(s.png);
    png_read_update_info(s.png, s.info);
    if (png_get_rowbytes(s.png, s.info) != size_t(w) * channels) png_error(s.png, "layout");

    // Row by row, each pass over the same rows, so no table of row
    // pointers as long as the picture is tall is needed.
    if (alpha && !tryResize(s.pixels, size_t(w) * 4 * h)) png_error(s.png, "memory");
    auto target = [&](png_uint_32 y) -> png_bytep {
        // Straight into the picture, bottom-up, unless alpha needs mixing.
        return alpha ? s.pixels.data() + size_t(y) * w * 4 : out.row(int32_t(h - 1 - y));
    };
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < h; ++y) png_read_row(s.png, target(y), nullptr);
    if (alpha) {
        for (png_uint_32 y = 0; y < h; ++y) {
            const uint8_t* src = target(y);
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

// The compressed stream through the shared cursor, a chunk at a time.
struct JpegSource {
    jpeg_source_mgr pub;
    LibrarySource* src;
};

struct JpegDecoder {
    explicit JpegDecoder(const uint8_t* data, size_t size) : src(data, size) {}
    jpeg_decompress_struct cinfo;
    JpegError err;
    jpeg_progress_mgr progress;
    LibrarySource src;
    JpegSource source;
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

constexpr size_t kJpegChunk = 64 * 1024;

void jpegSourceInit(j_decompress_ptr) {}

boolean jpegSourceFill(j_decompress_ptr c)
{
    auto* s = reinterpret_cast<JpegSource*>(c->src);
    size_t n = kJpegChunk;
    const uint8_t* p = s->src->takeSome(n);
    if (n == 0) {
        // Out of data: a truncated file (jpegMessage turns this into failure).
        static const JOCTET eoi[2] = {0xFF, JPEG_EOI};
        WARNMS(c, JWRN_JPEG_EOF);
        s->pub.next_input_byte = eoi;
        s->pub.bytes_in_buffer = 2;
        return TRUE;
    }
    s->pub.next_input_byte = p;
    s->pub.bytes_in_buffer = n;
    return TRUE;
}

void jpegSourceSkip(j_decompress_ptr c, long count)
{
    auto* s = reinterpret_cast<JpegSource*>(c->src);
    if (count <= 0) return;
    const auto n = size_t(count);
    if (n <= s->pub.bytes_in_buffer) {
        s->pub.next_input_byte += n;
        s->pub.bytes_in_buffer -= n;
        return;
    }
    const size_t beyond = n - s->pub.bytes_in_buffer;
    s->pub.bytes_in_buffer = 0;
    // Skipping past the end is the same truncation as reading past it.
    if (!s->src->skip(beyond)) {
        s->src->seekTo(s->src->size());
        jpegSourceFill(c);
    }
}

void jpegSourceTerm(j_decompress_ptr) {}

void jpegProgress(j_common_ptr c)
{
    // Progressive files can repeat scans without end; no real one needs many.
    auto* d = reinterpret_cast<j_decompress_ptr>(c);
    if (c->is_decompressor && d->input_scan_number > 1000) jpegFail(c);
}

bool decodeJpeg(JpegDecoder& s, Dib& out)
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
    s.source.pub.init_source = jpegSourceInit;
    s.source.pub.fill_input_buffer = jpegSourceFill;
    s.source.pub.skip_input_data = jpegSourceSkip;
    s.source.pub.resync_to_restart = jpeg_resync_to_restart;
    s.source.pub.term_source = jpegSourceTerm;
    s.source.pub.next_input_byte = nullptr;
    s.source.pub.bytes_in_buffer = 0;
    s.source.src = &s.src;
    s.cinfo.src = &s.source.pub;
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

// The library treats any short read as a damaged file.
int gifRead(GifFileType* gif, GifByteType* dst, int n)
{
    auto* s = static_cast<LibrarySource*>(gif->UserData);
    if (n <= 0) return 0;
    return s->read(dst, size_t(n)) ? n : 0;
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
    LibrarySource src(data, size);
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

tmsize_t tiffRead(thandle_t h, void* dst, tmsize_t n)
{
    // All or nothing: the library takes any short count as a read error.
    auto* s = static_cast<LibrarySource*>(h);
    if (n <= 0) return 0;
    return s->read(dst, size_t(n)) ? n : 0;
}

tmsize_t tiffWrite(thandle_t, void*, tmsize_t) { return 0; }

toff_t tiffSeek(thandle_t h, toff_t off, int whence)
{
    auto* s = static_cast<LibrarySource*>(h);
    uint64_t base = 0;
    if (whence == SEEK_CUR) base = s->offset();
    else if (whence == SEEK_END) base = s->size();
    else if (whence != SEEK_SET) return toff_t(-1);
    // Nothing is read past the end, so nothing may be sought there.
    if (off > s->size() - base || !s->seekTo(base + off)) return toff_t(-1);
    return s->offset();
}

int tiffClose(thandle_t) { return 0; }
toff_t tiffSize(thandle_t h) { return static_cast<LibrarySource*>(h)->size(); }
int tiffMap(thandle_t, void**, toff_t*) { return 0; }
void tiffUnmap(thandle_t, void*, toff_t) {}
int tiffQuiet(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TiffCloser {
    void operator()(TIFF* t) const { TIFFClose(t); }
};

bool decodeTiff(const uint8_t* data, size_t size, Dib& out)
{
    LibrarySource src(data, size);
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
    if (!pixelsFit(w, h) || !TIFFRGBAImageOK(tif.get(), message)) return false;
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
    auto s = std::make_unique<PngDecoder>(data, size);
    s->out = &out;
    return decodePng(*s);
}

bool readJpeg(const uint8_t* data, size_t size, Dib& out)
{
    if (size == 0) return false;
    auto s = std::make_unique<JpegDecoder>(data, size);
    return decodeJpeg(*s, out);
}

bool readGif(const uint8_t* data, size_t size, Dib& out) { return decodeGif(data, size, out); }

bool readTiff(const uint8_t* data, size_t size, Dib& out) { return decodeTiff(data, size, out); }

} // namespace quillet::dibcodec
