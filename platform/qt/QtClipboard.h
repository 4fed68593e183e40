#pragma once
// The system clipboard through QClipboard: plain text as UTF-8 for other
// programs, the private stream under the program's own MIME type (the same
// in every running copy), pictures as images.

#include "platform/Clipboard.h"

#include <QString>

class QImage;

namespace quillet {

// The MIME type of the private format.
QString privateClipboardMimeType();

class QtClipboard final : public Clipboard {
public:
    bool hasPrivate() const override;
    bool hasText() const override;
    bool hasPicture() const override;
    void set(const std::string& ansiText, SharedBytes privateStream) override;
    SharedBytes privateData() const override;
    SharedBytes clear() override;
    std::string text() const override;
    Dib picture() const override;
};

// A picture of the clipboard as the core takes it: up to 256 colours stay
// indexed with 8 bits a pixel, everything else becomes 24 bits; rows bottom
// up, the resolution from the image's own. Empty for a null image.
Dib dibFromImage(const QImage& image);

} // namespace quillet
