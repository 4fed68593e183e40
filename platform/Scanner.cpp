// The scanner through SANE. Scans may run on a worker thread (SANE blocks
// while the device works); one lock keeps the library to one call at a time.

#include "platform/Scanner.h"

#include <sane/sane.h>
#include <sane/saneopts.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>

namespace quillet {

std::string ScanDevice::label() const
{
    std::string s = Vendor;
    if (!Model.empty()) s += (s.empty() ? "" : " ") + Model;
    if (s.empty()) return Name;
    return s + " (" + Name + ")";
}

// ---- Frames to pictures ------------------------------------------------------------

namespace {

// The most rows a page may have: far beyond any flatbed at its finest
// resolution, yet it keeps a device that never says EOF from filling memory.
constexpr int64_t kMaxScanBytes = int64_t(kMaxDibBytes);

uint8_t sampleAt(const uint8_t* row, int32_t index, int32_t depth)
{
    if (depth == 8) return row[index];
    if (depth == 16) {
        uint16_t v;
        std::memcpy(&v, row + 2 * size_t(index), 2);  // host byte order, as SANE sends it
        return uint8_t(v >> 8);
    }
    // Depth 1: a set bit is black.
    const bool set = (row[index / 8] >> (7 - index % 8)) & 1;
    return set ? 0 : 255;
}

} // namespace

bool ScanFrameToDib(const ScanFrameFormat& f, const std::vector<uint8_t>& data, Dib& out, std::string& error)
{
    out = Dib();
    const int32_t channels = f.Format == ScanFrameFormat::Rgb ? 3 : 1;
    if (f.Depth != 1 && f.Depth != 8 && f.Depth != 16) {
        error = "The scanner delivers " + std::to_string(f.Depth) + " bits per sample, which cannot be read.";
        return false;
    }
    if (f.Format == ScanFrameFormat::Rgb && f.Depth == 1) {
        error = "The scanner delivers a colour picture of one bit per sample, which cannot be read.";
        return false;
    }
    if (f.PixelsPerLine <= 0 || f.Lines <= 0 || f.BytesPerLine <= 0) {
        error = "The scanner delivered an empty picture.";
        return false;
    }
    const int64_t needBits = int64_t(f.PixelsPerLine) * channels * f.Depth;
    if (int64_t(f.BytesPerLine) * 8 < needBits) {
        error = "The scanner delivered rows shorter than their pixels.";
        return false;
    }
    if (int64_t(f.Lines) > int64_t(data.size()) / f.BytesPerLine) {
        error = "The scanner delivered less data than the picture needs.";
        return false;
    }
    newdib(&out, f.PixelsPerLine, f.Lines, channels == 3 ? 24 : 8, nullptr, 0);
    if (out.empty()) {
        error = "The scanned picture is too large.";
        return false;
    }
    if (channels == 1) {
        for (int i = 0; i < 256; ++i) out.ColorTable[size_t(i)] = RgbQuad{uint8_t(i), uint8_t(i), uint8_t(i), 0};
        out.HasPalette = 1;
        out.PaletteCount = 256;
        for (int i = 0; i < 256; ++i) out.Palette[size_t(i)] = PaletteEntry{uint8_t(i), uint8_t(i), uint8_t(i), 0};
    }
    for (int32_t y = 0; y < f.Lines; ++y) {
        const uint8_t* src = data.data() + size_t(y) * size_t(f.BytesPerLine);
        uint8_t* dst = out.row(f.Lines - 1 - y);  // bottom-up
        for (int32_t x = 0; x < f.PixelsPerLine; ++x) {
            if (channels == 1) {
                dst[x] = sampleAt(src, x, f.Depth);
            } else {
                dst[3 * x + 0] = sampleAt(src, 3 * x + 2, f.Depth);
                dst[3 * x + 1] = sampleAt(src, 3 * x + 1, f.Depth);
                dst[3 * x + 2] = sampleAt(src, 3 * x + 0, f.Depth);
            }
        }
    }
    if (f.Dpi > 0) {
        const int32_t ppm = int32_t(f.Dpi / 25.4 * 1000 + 0.5);
        out.Header.biXPelsPerMeter = ppm;
        out.Header.biYPelsPerMeter = ppm;
    }
    return true;
}

// ---- SANE ------------------------------------------------------------------------

namespace {

std::mutex& saneLock()
{
    static std::mutex m;
    return m;
}

// sane_init on first use. sane_exit is never called: the backends the
// library loads keep C++ statics of their own, which the runtime destroys
// before a static of ours made earlier, so a sane_exit from our destructor
// at the program's end ran into freed memory. The end of the process frees
// what the backends hold.
struct SaneLibrary {
    bool Ready = false;
    SANE_Status InitStatus = SANE_STATUS_GOOD;
    SaneLibrary()
    {
        SANE_Int version = 0;
        InitStatus = sane_init(&version, nullptr);
        Ready = InitStatus == SANE_STATUS_GOOD;
    }
};

SaneLibrary& sane()
{
    static SaneLibrary* lib = new SaneLibrary;
    return *lib;
}

std::string statusText(SANE_Status s) { return sane_strstatus(s); }

// The scan's resolution when the device offers the standard option.
double resolutionOf(SANE_Handle h)
{
    for (SANE_Int i = 1;; ++i) {
        const SANE_Option_Descriptor* d = sane_get_option_descriptor(h, i);
        if (!d) return 0;
        if (!d->name || std::strcmp(d->name, SANE_NAME_SCAN_RESOLUTION) != 0) continue;
        if (d->size < SANE_Int(sizeof(SANE_Word))) return 0;
        SANE_Word v = 0;
        if (sane_control_option(h, i, SANE_ACTION_GET_VALUE, &v, nullptr) != SANE_STATUS_GOOD) return 0;
        if (d->type == SANE_TYPE_FIXED) return SANE_UNFIX(v);
        if (d->type == SANE_TYPE_INT) return double(v);
        return 0;
    }
}

ScanResult failed(ScanStatus status, std::string message)
{
    ScanResult r;
    r.Status = status;
    r.Message = std::move(message);
    return r;
}

class SaneScanner : public ScannerSource {
public:
    std::vector<ScanDevice> devices(std::string& error) override
    {
        std::lock_guard<std::mutex> lock(saneLock());
        return listDevices(error);
    }

    ScanResult scan(const std::string& device, const std::atomic<bool>* cancel) override
    {
        std::lock_guard<std::mutex> lock(saneLock());
        auto cancelled = [&] { return cancel && cancel->load(); };
        std::string name = device.empty() ? Chosen : device;
        if (name.empty()) {
            std::string error;
            const std::vector<ScanDevice> found = listDevices(error);
            if (found.empty()) return failed(ScanStatus::NoDevice, noDeviceText(error));
            name = found.front().Name;
        }
        if (cancelled()) return failed(ScanStatus::Cancelled, "The scan was cancelled.");

        SANE_Handle h = nullptr;
        const SANE_Status open = sane_open(name.c_str(), &h);
        if (open == SANE_STATUS_DEVICE_BUSY) return failed(ScanStatus::Busy, "The scanner " + name + " is busy.");
        if (open == SANE_STATUS_INVAL) return failed(ScanStatus::NoDevice, "There is no scanner " + name + ".");
        if (open != SANE_STATUS_GOOD || !h)
            return failed(ScanStatus::Failed, "Could not open the scanner " + name + ": " + statusText(open));
        struct Closer {
            SANE_Handle H;
            ~Closer() { sane_close(H); }
        } closer{h};

        const double dpi = resolutionOf(h);
        const SANE_Status start = sane_start(h);
        // Every way out of a started or refused scan cancels before the
        // close: a backend may keep a reader thread until it is cancelled.
        if (start != SANE_STATUS_GOOD) sane_cancel(h);
        if (start == SANE_STATUS_CANCELLED) return failed(ScanStatus::Cancelled, "The scan was cancelled.");
        if (start == SANE_STATUS_DEVICE_BUSY) return failed(ScanStatus::Busy, "The scanner " + name + " is busy.");
        if (start != SANE_STATUS_GOOD)
            return failed(ScanStatus::Failed, "The scan could not start: " + statusText(start));
        SANE_Parameters p{};
        if (sane_get_parameters(h, &p) != SANE_STATUS_GOOD) {
            sane_cancel(h);
            return failed(ScanStatus::Failed, "The scanner gave no picture format.");
        }
        if ((p.format != SANE_FRAME_GRAY && p.format != SANE_FRAME_RGB) || !p.last_frame) {
            sane_cancel(h);
            return failed(ScanStatus::Failed,
                          "The scanner sends its colours in separate passes, which cannot be read.");
        }

        std::vector<uint8_t> data;
        std::vector<uint8_t> buffer(64 * 1024);
        for (;;) {
            if (cancelled()) {
                sane_cancel(h);
                return failed(ScanStatus::Cancelled, "The scan was cancelled.");
            }
            SANE_Int got = 0;
            const SANE_Status s = sane_read(h, buffer.data(), SANE_Int(buffer.size()), &got);
            if (s == SANE_STATUS_EOF) break;
            if (s == SANE_STATUS_CANCELLED) {
                sane_cancel(h);
                return failed(ScanStatus::Cancelled, "The scan was cancelled.");
            }
            if (s != SANE_STATUS_GOOD) {
                sane_cancel(h);
                return failed(ScanStatus::Failed, "The scan failed: " + statusText(s));
            }
            if (got < 0 || size_t(got) > buffer.size()) got = 0;
            if (int64_t(data.size()) + got > kMaxScanBytes) {
                sane_cancel(h);
                return failed(ScanStatus::Failed, "The scanned picture is too large.");
            }
            data.insert(data.end(), buffer.begin(), buffer.begin() + got);
        }
        sane_cancel(h);

        ScanFrameFormat f;
        f.Format = p.format == SANE_FRAME_RGB ? ScanFrameFormat::Rgb : ScanFrameFormat::Gray;
        f.BytesPerLine = p.bytes_per_line;
        f.PixelsPerLine = p.pixels_per_line;
        f.Depth = p.depth;
        f.Dpi = dpi;
        // Hand scanners do not know their length beforehand: the rows read decide.
        const int64_t rows = p.bytes_per_line > 0 ? int64_t(data.size()) / p.bytes_per_line : 0;
        f.Lines = int32_t(p.lines > 0 && p.lines < rows ? p.lines : rows);
        ScanResult r;
        if (!ScanFrameToDib(f, data, r.Picture, r.Message)) {
            r.Status = ScanStatus::Failed;
            return r;
        }
        r.Status = ScanStatus::Ok;
        return r;
    }

private:
    static std::string noDeviceText(const std::string& error)
    {
        return error.empty() ? "No scanner was found." : "No scanner was found: " + error;
    }

    std::vector<ScanDevice> listDevices(std::string& error)
    {
        std::vector<ScanDevice> out;
        SaneLibrary& lib = sane();
        if (!lib.Ready) {
            error = "the scanner library could not start (" + statusText(lib.InitStatus) + ")";
            return out;
        }
        const SANE_Device** list = nullptr;
        const SANE_Status s = sane_get_devices(&list, SANE_FALSE);
        if (s != SANE_STATUS_GOOD || !list) {
            error = statusText(s);
            return out;
        }
        for (size_t i = 0; list[i]; ++i) {
            const SANE_Device& d = *list[i];
            if (!d.name) continue;
            out.push_back(ScanDevice{d.name, d.vendor ? d.vendor : "", d.model ? d.model : "",
                                     d.type ? d.type : ""});
        }
        return out;
    }
};

ScannerSource* installed = nullptr;

std::mutex& mailboxLock()
{
    static std::mutex m;
    return m;
}

std::map<int32_t, Dib>& mailbox()
{
    static std::map<int32_t, Dib> m;
    return m;
}

} // namespace

std::unique_ptr<ScannerSource> MakeSaneScanner() { return std::make_unique<SaneScanner>(); }

ScannerSource& scanner()
{
    if (installed) return *installed;
    static std::unique_ptr<ScannerSource> own = MakeSaneScanner();
    return *own;
}

void setScanner(ScannerSource* source) { installed = source; }

int32_t PostScannedDib(Dib picture)
{
    std::lock_guard<std::mutex> lock(mailboxLock());
    static int32_t next = 0;
    // Handles start at 1 and are never reused within a run (a wrap after
    // two billion scans skips the ones still waiting).
    do {
        next = next == INT32_MAX ? 1 : next + 1;
    } while (mailbox().count(next));
    mailbox().emplace(next, std::move(picture));
    return next;
}

Dib GetScanedDib(int32_t handle)
{
    std::lock_guard<std::mutex> lock(mailboxLock());
    auto it = mailbox().find(handle);
    if (it == mailbox().end()) return Dib();
    Dib d = std::move(it->second);
    mailbox().erase(it);
    return d;
}

} // namespace quillet
