#pragma once
// The system clipboard as the core sees it: plain text in the document code
// page, the program's private format as bytes, and pictures. The Qt layer
// puts the real clipboard behind it; tests use MemoryClipboard.

#include "platform/Dib.h"
#include "platform/SharedBytes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillet {

class Clipboard {
public:
    virtual ~Clipboard() = default;
    // What the clipboard holds now.
    virtual bool hasPrivate() const = 0;
    virtual bool hasText() const = 0;
    virtual bool hasPicture() const = 0;
    // Replaces the whole contents: text (Windows-1252) always, the private
    // stream when not empty. The clipboard keeps the stream's block itself,
    // never a copy of it.
    virtual void set(const std::string& ansiText, SharedBytes privateStream) = 0;
    // The private stream, empty when there is none. The bytes stay valid
    // for as long as the caller holds them, whatever the clipboard does.
    virtual SharedBytes privateData() const = 0;
    // Empties the clipboard. Returns the private stream this program had
    // put there (empty when the contents came from elsewhere), so a copy
    // can write its stream into the same memory.
    virtual SharedBytes clear() = 0;
    // The text in Windows-1252; characters the code page lacks are replaced.
    virtual std::string text() const = 0;
    // A picture as a 24- or 8-bit bottom-up Dib; empty when there is none.
    virtual Dib picture() const = 0;
};

// A clipboard inside the process, for tests and for a program without a
// system clipboard.
class MemoryClipboard : public Clipboard {
public:
    bool hasPrivate() const override { return !Private.empty(); }
    bool hasText() const override { return HasText; }
    bool hasPicture() const override { return !Picture.empty(); }
    void set(const std::string& ansiText, SharedBytes privateStream) override
    {
        Text = ansiText;
        HasText = true;
        Private = std::move(privateStream);
        Picture = Dib();
    }
    SharedBytes privateData() const override { return Private; }
    SharedBytes clear() override
    {
        SharedBytes last = std::move(Private);
        Private.clear();
        Text.clear();
        HasText = false;
        Picture = Dib();
        return last;
    }
    std::string text() const override { return Text; }
    Dib picture() const override { return Picture.clone(); }

    std::string Text;
    bool HasText = false;
    SharedBytes Private;
    Dib Picture;
};

// The clipboard the program uses; a MemoryClipboard until one is installed.
Clipboard& clipboard();
// Installs a clipboard (not owned); null restores the built-in one.
void setClipboard(Clipboard* board);

} // namespace quillet
