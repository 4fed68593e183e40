#pragma once
// Documents built the way typing builds them, painted headless into the
// window's view image, and written out as PNG so a person can look.

#include "engine/Childwin.h"
#include "formats/StandardServices.h"
#include "render/ImageCanvas.h"
#include "tests/support/RecordingHost.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace quillet::test {

// A document window with a recording host, sized like a normal view.
struct RenderDoc {
    FrameState frame = StandardFrameState();
    RecordingHost host;
    RecordingUi ui;
    std::unique_ptr<TMDIChild> win;
    TMDIChild& w;
    explicit RenderDoc(int32_t width = 900, int32_t height = 700);
    // Types text at the cursor, measured as typing measures it; '\n' ends
    // a paragraph. Then lays the document out.
    void type(std::string_view text);
    // The screen pass, and the view image it left.
    const ImageCanvas& paint();
    // A click at paint-box pixels (x, y), as the mouse code sets it up.
    void click(int32_t x, int32_t y, bool shift = false);
};

// A text frame on page 0, measured from the page's top left, with one empty
// line; the text does not wrap around it and it does not move with the
// text. Returns its area index.
// An area of `type` on page 0 at these page millimetres, with one empty line.
TextArea& addArea(TMDIChild& w, int32_t type, double left, double top, double right, double bottom);
int32_t addTextFrame(TMDIChild& w, double left, double top, double right, double bottom);

// Colour 0x00BBGGRR of a pixel of an image canvas.
uint32_t pixelAt(const ImageCanvas& image, int32_t x, int32_t y);
// Writes the image as <output dir>/<name>.png; returns the path.
std::string writePng(const ImageCanvas& image, const std::string& name);

} // namespace quillet::test
