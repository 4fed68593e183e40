#pragma once
// Scanners: list the devices, scan one page into a picture, and a mailbox
// that holds finished scans until the document window that asked for one
// fetches it. The SANE library does the talking to the devices.

#include "platform/Dib.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quillet {

struct ScanDevice {
    std::string Name;   // what sane_open takes
    std::string Vendor;
    std::string Model;
    std::string Type;
    // "Vendor Model (name)" for a chooser.
    std::string label() const;
};

enum class ScanStatus { Ok, NoDevice, Busy, Cancelled, Failed };

struct ScanResult {
    ScanStatus Status = ScanStatus::Failed;
    Dib Picture;           // 8-bit grey (palette) or 24-bit BGR, bottom-up
    std::string Message;   // the user's text for anything but Ok
};

// One frame of SANE data as the library describes it.
struct ScanFrameFormat {
    enum Kind { Gray, Rgb } Format = Gray;
    int32_t BytesPerLine = 0;
    int32_t PixelsPerLine = 0;
    int32_t Lines = 0;       // rows actually delivered
    int32_t Depth = 8;       // 1, 8 or 16 bits a sample
    double Dpi = 0;          // 0 when unknown
};

// Turns the rows of one single-pass frame into a picture: depth 1 and 8
// grey become an 8-bit palette picture (1 = black, as SANE has it), 16-bit
// samples keep their high byte (host byte order), RGB becomes 24-bit BGR.
// False with `error` set for a format it cannot take or data that does not
// fill the rows it claims.
bool ScanFrameToDib(const ScanFrameFormat& f, const std::vector<uint8_t>& data, Dib& out, std::string& error);

class ScannerSource {
public:
    virtual ~ScannerSource() = default;
    // Devices present now; `error` says why when listing failed.
    virtual std::vector<ScanDevice> devices(std::string& error) = 0;
    // One page from `device` (empty: the chosen one, else the first found).
    // `cancel` (may be null) stops the scan when set from another thread.
    virtual ScanResult scan(const std::string& device, const std::atomic<bool>* cancel) = 0;
    // The device the chooser picked (empty: none yet).
    std::string Chosen;
};

// The program's scanner: SANE unless a test put another in place.
ScannerSource& scanner();
// Installs a source (not owned); null restores SANE.
void setScanner(ScannerSource* source);
// A SANE source of its own (sane_init on first use, never sane_exit).
std::unique_ptr<ScannerSource> MakeSaneScanner();

// Finished scans wait here under a handle until GetScanedDib takes them; a
// handle is used once. Safe to call from any thread.
int32_t PostScannedDib(Dib picture);
// The picture of `handle`, gone from the mailbox; empty for an unknown handle.
Dib GetScanedDib(int32_t handle);

} // namespace quillet
