#pragma once
// Device-independent pictures and the picture library over them: create,
// free, load, save, pixel access and halftoning. A Dib is move-only; copies
// are explicit (clone), so no picture is ever released twice.

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace quillet {

// The 40-byte bitmap information header, in memory.
struct BitmapInfoHeader {
    uint32_t biSize = 40;
    int32_t biWidth = 0;
    int32_t biHeight = 0;      // positive: rows stored bottom-up
    uint16_t biPlanes = 1;
    uint16_t biBitCount = 0;
    uint32_t biCompression = 0; // BI_RGB
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;
};

class ByteWriter;

// The header as files and the clipboard store it: 40 little-endian bytes,
// its size field always 40 whatever the record says.
inline constexpr size_t kBitmapInfoHeaderSize = 40;
void encodeBitmapInfoHeader(ByteWriter& out, const BitmapInfoHeader& h);

struct RgbQuad {
    uint8_t Blue = 0, Green = 0, Red = 0, Reserved = 0;
    friend bool operator==(const RgbQuad&, const RgbQuad&) = default;
};

struct PaletteEntry {
    uint8_t Red = 0, Green = 0, Blue = 0, Flags = 0;
};

class Dib {
public:
    Dib() = default;
    Dib(const Dib&) = delete;
    Dib& operator=(const Dib&) = delete;
    Dib(Dib&&) noexcept = default;
    Dib& operator=(Dib&&) noexcept = default;

    Dib clone() const;
    // No picture when the pixel block is empty (every creator's caller tests it).
    bool empty() const { return Bits.empty(); }
    explicit operator bool() const { return !Bits.empty(); }

    BitmapInfoHeader Header;
    std::vector<RgbQuad> ColorTable;   // 2^bpp entries for <= 8 bpp, else empty
    std::vector<uint8_t> Bits;         // rows in storage order (bottom-up)
    int32_t BytesPerRow = 0;
    uint8_t HasPalette = 0;
    uint16_t PaletteVersion = 0x300;
    std::array<PaletteEntry, 256> Palette{};
    uint16_t PaletteCount = 0;
    // Why the last load gave no picture, when the file could not be read
    // ("No such file or directory", "the file is larger than 512 MB");
    // empty otherwise, and for files that are not a picture we can read.
    std::string ErrorText;

    uint8_t* row(int32_t storageRow) { return Bits.data() + size_t(storageRow) * size_t(BytesPerRow); }
    const uint8_t* row(int32_t storageRow) const { return Bits.data() + size_t(storageRow) * size_t(BytesPerRow); }
};

// Largest pixel block newdib makes; anything larger comes from a bad file.
constexpr size_t kMaxDibBytes = size_t(1) << 28;
// Most pixels a picture file may give: four bytes each fit the block cap,
// so the decoders' working copies (at most four bytes a pixel) stay within
// it too, whatever the depth.
constexpr uint64_t kMaxDibPixels = kMaxDibBytes / 4;
// The largest picture file read.
constexpr uint64_t kMaxPictureFileBytes = uint64_t(kMaxDibBytes) * 2;

int32_t dibwidth(const Dib& d);
int32_t dibheight(const Dib& d);
int32_t dibbitcount(const Dib& d);
int32_t PowerOfTwo(int32_t n);
int32_t dibcolors(const Dib& d);
// Whether a picture's header, stride and pixel block agree, so its rows can
// be read without further checks (callers may have edited the public fields).
bool dibUsable(const Dib& d);

// A new zero-filled picture. colourSource (may be null) gives up to `count`
// colour-table entries; the rest are zero. An invalid size or depth leaves
// `out` empty.
void newdib(Dib* out, int32_t width, int32_t height, int32_t bpp,
            const std::vector<RgbQuad>* colourSource, int32_t count);
void deldib(Dib& d);
// format 0: recognise the file; 7 JPEG; 14 PNG. Failure leaves `out` empty,
// with the reason in ErrorText when the file itself could not be read
// (missing, not a regular file, over kMaxPictureFileBytes).
void OpenDib(Dib* out, const std::filesystem::path& file, int32_t format, void* owner = nullptr);
// Only format 7 (baseline 3-component JPEG). 1 on success.
int32_t SaveDib(const Dib& d, const std::filesystem::path& file, int32_t format, int32_t flags = 0);
// The same JPEG in memory; empty on failure.
std::vector<uint8_t> SaveDibJpegToMemory(const Dib& d, int quality = 90);
// Loads a picture from bytes in memory (format as for OpenDib).
void OpenDibFromMemory(Dib* out, const uint8_t* data, size_t size, int32_t format);
uint32_t getpixel(const Dib& d, int32_t x, int32_t y);
void setpixel(Dib& d, int32_t x, int32_t y, uint32_t value);
void DIBHalftoneDIB(Dib* out, const Dib& in);
void DIBHalftoneDIBXY(Dib* out, const Dib& in, int32_t width, int32_t height);

} // namespace quillet
