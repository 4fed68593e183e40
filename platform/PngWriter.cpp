#include "platform/PngWriter.h"

#include "platform/SafeFile.h"

#include <png.h>

#include <csetjmp>
#include <limits>
#include <new>
#include <vector>

namespace quillet {

namespace {

// Everything libpng touches lives here, outside the frame that calls
// setjmp, so nothing in that frame changes between setjmp and longjmp.
struct PngEncoder {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::vector<uint8_t> out;
    std::vector<uint8_t> row;
    bool failed = false;
};

void appendBytes(png_structp png, png_bytep data, png_size_t size)
{
    auto* e = static_cast<PngEncoder*>(png_get_io_ptr(png));
    try {
        e->out.insert(e->out.end(), data, data + size);
    } catch (const std::bad_alloc&) {
        e->failed = true;
        png_error(png, "out of memory");
    }
}

void noFlush(png_structp) {}
void silentWarning(png_structp, png_const_charp) {}
[[noreturn]] void jumpOnError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

bool encode(PngEncoder& e, const uint32_t* pixels, int32_t width, int32_t height, size_t stride)
{
    if (setjmp(png_jmpbuf(e.png))) return false;
    png_set_write_fn(e.png, &e, appendBytes, noFlush);
    png_set_IHDR(e.png, e.info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(e.png, e.info);
    for (int32_t y = 0; y < height; ++y) {
        const uint32_t* src = pixels + size_t(y) * stride;
        for (int32_t x = 0; x < width; ++x) {
            e.row[3 * size_t(x)] = uint8_t(src[x]);
            e.row[3 * size_t(x) + 1] = uint8_t(src[x] >> 8);
            e.row[3 * size_t(x) + 2] = uint8_t(src[x] >> 16);
        }
        png_write_row(e.png, e.row.data());
    }
    png_write_end(e.png, e.info);
    return !e.failed;
}

} // namespace

bool writePngFile(const std::filesystem::path& file, const uint32_t* pixels, int32_t width, int32_t height,
                  size_t stride)
{
    if (!pixels || width <= 0 || height <= 0 || stride < size_t(width)) return false;
    if (size_t(width) > std::numeric_limits<size_t>::max() / 3 / 2) return false;
    PngEncoder e;
    try {
        e.row.resize(size_t(width) * 3);
    } catch (const std::bad_alloc&) {
        return false;
    }
    e.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, jumpOnError, silentWarning);
    if (!e.png) return false;
    e.info = png_create_info_struct(e.png);
    bool ok = e.info && encode(e, pixels, width, height, stride);
    png_destroy_write_struct(&e.png, e.info ? &e.info : nullptr);
    return ok && ReplaceFileContents(file, e.out.data(), e.out.size());
}

} // namespace quillet
