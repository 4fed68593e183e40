#include "formats/StandardServices.h"

#include "formats/OpenSave.h"
#include "render/ScreenPass.h"

namespace quillet {

namespace {

class StandardServices final : public DocumentServices {
public:
    void PaintBox1Paint(TMDIChild& w) override { PaintScreen(w); }
    bool OpenQDTFile(TMDIChild& w, const std::string& path) override { return OpenNativeFile(w, path); }
    bool OpenFile(TMDIChild& w, const std::string& path, int32_t filterIndex) override
    {
        return OpenDocumentFile(w, path, filterIndex);
    }
};

} // namespace

DocumentServices& StandardDocumentServices()
{
    static StandardServices services;
    return services;
}

} // namespace quillet
