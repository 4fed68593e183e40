#pragma once
// The program's document services: the renderer's screen pass and the
// open dispatch. The frame, the tools, the benchmarks and the tests put
// them into the frame state they build.

#include "engine/DocumentServices.h"
#include "engine/FrameState.h"

namespace quillet {

DocumentServices& StandardDocumentServices();

// A frame state whose windows get the standard services.
inline FrameState StandardFrameState()
{
    FrameState frame;
    frame.Services = &StandardDocumentServices();
    return frame;
}

} // namespace quillet
