// The window methods whose work lives above the engine: each hands the
// window to the services its frame state carries.

#include "engine/DocumentServices.h"

#include "engine/Childwin.h"

namespace quillet {

void TMDIChild::PaintBox1Paint()
{
    if (Frame.Services) Frame.Services->PaintBox1Paint(*this);
}

bool TMDIChild::OpenQDTFile(const std::string& path)
{
    return Frame.Services && Frame.Services->OpenQDTFile(*this, path);
}

bool TMDIChild::OpenFile(const std::string& path, int32_t filterIndex)
{
    return Frame.Services && Frame.Services->OpenFile(*this, path, filterIndex);
}

} // namespace quillet
