#pragma once
// A picture turned into a Windows metafile: what a document writer embeds
// where a reader expects a metafile picture. The canvas keeps the picture
// transfers drawn on it (DrawDibOnDC draws whole pictures here, as on a
// printer) and writes them as one metafile: the header, the window origin
// and extent, one stretch record per transfer carrying the picture, and the
// end record. Nothing else is drawn into a metafile, so the other drawing
// calls leave no trace.

#include "render/Canvas.h"

#include <cstdint>
#include <vector>

namespace quillet {

class MetafileCanvas final : public Canvas {
public:
    // The metafile's window: logical units (one per picture pixel as the
    // writer sizes it) from (0, 0) to (width, height).
    MetafileCanvas(int32_t width, int32_t height, int32_t dpi = 96);

    CanvasKind kind() const override { return CanvasKind::Metafile; }
    int32_t dpi() const override { return Dpi; }
    int32_t width() const override { return W; }
    int32_t height() const override { return H; }

    void fillRect(int32_t, int32_t, int32_t, int32_t, uint32_t) override {}
    void invertRect(int32_t, int32_t, int32_t, int32_t) override {}
    void line(int32_t, int32_t, int32_t, int32_t, uint32_t, int32_t) override {}
    void rectangle(int32_t, int32_t, int32_t, int32_t, std::optional<uint32_t>, std::optional<uint32_t>,
                   int32_t) override {}
    void ellipse(int32_t, int32_t, int32_t, int32_t, std::optional<uint32_t>, std::optional<uint32_t>,
                 int32_t) override {}
    void text(int32_t, int32_t, const FontHandle&, std::string_view, uint32_t) override {}
    void setClip(int32_t, int32_t, int32_t, int32_t) override {}
    void setClipRegion(const std::vector<ClipBox>&) override {}
    void clearClip() override {}
    void drawImage(const ImageCanvas&, int32_t, int32_t) override {}
    // Keeps the transfer; 0 when it cannot stand in a metafile (coordinates
    // beyond 16 bits, a source outside the picture, another operation).
    int32_t stretchDib(int32_t x, int32_t y, int32_t width, int32_t height, const Dib& picture, int32_t sourceX,
                       int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight, uint32_t rop) override;
    bool stretchBitmap(int32_t, int32_t, int32_t, int32_t, const Bitmap32&, int32_t, int32_t, int32_t, int32_t,
                       uint32_t) override
    {
        return false;
    }

    // How many transfers the metafile holds.
    size_t records() const { return Records.size(); }
    // The metafile's bytes (little-endian, 16-bit words throughout).
    std::vector<uint8_t> wmf() const;

private:
    struct Stretch {
        int16_t X, Y, Width, Height;
        int16_t SourceX, SourceY, SourceWidth, SourceHeight;
        uint32_t Rop;
        std::vector<uint8_t> Picture;  // packed: header, colour table, rows
    };
    int32_t Dpi, W, H;
    std::vector<Stretch> Records;
};

// A picture as one block: its 40-byte header, its colour table and its rows
// in storage order (bottom-up), as metafiles and clipboards carry pictures.
// Empty for a picture that holds none.
std::vector<uint8_t> packedDib(const Dib& picture);

} // namespace quillet
