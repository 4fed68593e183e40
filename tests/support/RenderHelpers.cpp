#include "tests/support/RenderHelpers.h"

#include "tests/support/TestPaths.h"

#include <zlib.h>

#include <fstream>
#include <vector>

namespace quillet::test {

RenderDoc::RenderDoc(int32_t width, int32_t height)
    : win(std::make_unique<TMDIChild>(frame)), w(*win)
{
    host.width = width;
    host.height = height;
    w.setHost(&host);
    w.setFrameUi(&ui);
    ui.active = &w;
    w.PrinterDpi = 600;
    w.DisplayDpi = 96;
    w.MakeSoftEnters();
}

void RenderDoc::type(std::string_view text)
{
    for (char ch : text) {
        if (ch == '\n') {
            // Paragraphs are typed at the end of the text only.
            TextArea& a = w.Areas[size_t(w.Cursor.Area)];
            if (w.Cursor.Line >= a.LineCount()) w.InsertNewLine(w.Cursor.Area, w.Cursor.Line);
            a.Lines[size_t(w.Cursor.Line)].EndKind = ekParagraph;
            w.InsertNewLine(w.Cursor.Area, w.Cursor.Line + 1);
            w.Cursor = TextPos{w.Cursor.Area, w.Cursor.Line + 1, 0};
            continue;
        }
        TextChar* c = w.NewChar();
        if (!c) return;
        c->Code = uint8_t(ch);
        w.RenderChar(*c, false, std::string(1, ch));
        ++w.Cursor.Char;
    }
    w.Anchor = w.Cursor;
    w.SetAllDirtyFlags();
    w.MakeSoftEnters();
}

const ImageCanvas& RenderDoc::paint()
{
    w.PaintBox1Paint();
    return *w.ViewImage;
}

void RenderDoc::click(int32_t x, int32_t y, bool shift)
{
    w.ClickRequest = 1;
    w.RightClickRequest = 0;
    w.CursorRequest = w.isThereAmarking() ? 0 : 1;
    w.MouseShift = shift ? 1 : 0;
    w.LineHit = 0;
    w.PictureClicked = 0;
    w.MouseX = x;
    w.MouseY = y;
    w.PaintBox1Paint();
    w.CursorRequest = 0;
}

namespace {

void put32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(v >> s));
}

void chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data)
{
    put32(out, uint32_t(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    put32(out, uint32_t(crc32(0, out.data() + start, uInt(out.size() - start))));
}

} // namespace

std::string writePng(const ImageCanvas& image, const std::string& name)
{
    const int32_t w = image.width(), h = image.height();
    std::vector<uint8_t> raw;
    raw.reserve(size_t(w * 3 + 1) * size_t(h));
    for (int32_t y = 0; y < h; ++y) {
        raw.push_back(0);
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t c = pixelAt(image, x, y);
            raw.push_back(uint8_t(c));
            raw.push_back(uint8_t(c >> 8));
            raw.push_back(uint8_t(c >> 16));
        }
    }
    uLongf size = compressBound(uLong(raw.size()));
    std::vector<uint8_t> z(size);
    compress(z.data(), &size, raw.data(), uLong(raw.size()));
    z.resize(size);

    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::vector<uint8_t> ihdr;
    put32(ihdr, uint32_t(w));
    put32(ihdr, uint32_t(h));
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});
    chunk(png, "IHDR", ihdr);
    chunk(png, "IDAT", z);
    chunk(png, "IEND", {});
    const std::string path = (outputDir() / (name + ".png")).string();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
    return path;
}

TextArea& addArea(TMDIChild& w, int32_t type, double left, double top, double right, double bottom)
{
    w.NewField();
    TextArea& f = w.Areas.back();
    SetStandardAreaLook(f);
    f.AreaType = type;
    f.Left = left;
    f.Top = top;
    f.Right = right;
    f.Bottom = bottom;
    f.PageMode = 0;
    f.PageIndex = 0;
    f.WrapText = 0;
    f.MoveWithText = 0;
    f.PrevInFlow = f.NextInFlow = -1;
    f.Lines.assign(1, TextLine{});
    InitNewLine(f.Lines, 0);
    return f;
}

int32_t addTextFrame(TMDIChild& w, double left, double top, double right, double bottom)
{
    addArea(w, atTextFrame, left, top, right, bottom);
    return w.AreaCount() - 1;
}

uint32_t pixelAt(const ImageCanvas& image, int32_t x, int32_t y) { return image.pixel(x, y); }

} // namespace quillet::test

