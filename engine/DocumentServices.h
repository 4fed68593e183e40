#pragma once
// What the document window has done for it by the layers above the engine:
// the screen paint pass (the mouse code runs it as its hit tester, the
// timer to show what changed) and reading a file into the window (the
// template when it is made, the file the frame names). Whoever builds the
// frame state hands the services in (FrameState::Services); the formats
// layer offers the program's own (formats/StandardServices.h). A window
// without services paints nothing and opens nothing: it keeps its empty
// document.

#include <cstdint>
#include <string>

namespace quillet {

class TMDIChild;

class DocumentServices {
public:
    virtual ~DocumentServices() = default;
    // The screen pass into the window's view image.
    virtual void PaintBox1Paint(TMDIChild& w) = 0;
    // Reads a native document (also the template) into the window.
    virtual bool OpenQDTFile(TMDIChild& w, const std::string& path) = 0;
    // Opens a file with the reader the open filter index names.
    virtual bool OpenFile(TMDIChild& w, const std::string& path, int32_t filterIndex) = 0;
};

} // namespace quillet
