#include "engine/Settings.h"

#include "engine/FrameState.h"
#include "engine/RecentFiles.h"
#include "platform/SafeFile.h"
#include "platform/Win1252.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace quillet {

namespace fs = std::filesystem;

namespace {

constexpr double kDefaultLineWidthPt = 0.75;
constexpr int32_t kDefaultQuoteStyle = 4;
constexpr uint32_t kColourMask = 0x00FFFFFF;
// Every string takes at least its count.
constexpr size_t kStringCountSize = 4;

bool isValidUtf8(std::string_view s)
{
    size_t i = 0;
    while (i < s.size()) {
        const auto b = uint8_t(s[i]);
        size_t len = 0;
        char32_t cp = 0, min = 0;
        if (b < 0x80) { ++i; continue; }
        if ((b & 0xE0) == 0xC0) { len = 2; cp = b & 0x1F; min = 0x80; }
        else if ((b & 0xF0) == 0xE0) { len = 3; cp = b & 0x0F; min = 0x800; }
        else if ((b & 0xF8) == 0xF0) { len = 4; cp = b & 0x07; min = 0x10000; }
        else return false;
        if (len > s.size() - i) return false;
        for (size_t k = 1; k < len; ++k) {
            const auto c = uint8_t(s[i + k]);
            if ((c & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += len;
    }
    return true;
}

// Paths are UTF-8 in memory but Windows-1252 in the file, as the file's
// other strings are. A path that Windows-1252 cannot hold is stored as
// UTF-8 rather than losing characters; the reader tells the two apart by
// whether the bytes are valid UTF-8, so a Windows-1252 form that would
// read back as different UTF-8 is stored as UTF-8 as well.
std::string pathToFileBytes(const std::string& utf8)
{
    const std::string ansi = utf8ToAnsi(utf8);
    if (ansi == utf8) return ansi;
    if (ansiToUtf8(ansi) != utf8 || isValidUtf8(ansi)) return utf8;
    return ansi;
}

std::string pathFromFileBytes(const std::string& bytes)
{
    return isValidUtf8(bytes) ? bytes : ansiToUtf8(bytes);
}

uint8_t flag(bool b) { return b ? 1 : 0; }

// Reads fields in order until the first one that is not wholly there or
// cannot be right; every later read fails too, so each field is taken
// only when its own read succeeded.
class SettingsReader {
public:
    explicit SettingsReader(ByteReader& in) : in_(in) {}

    bool string(std::string& out) { return in_.lpString32(out); }
    bool boolean(uint8_t& out)
    {
        const uint8_t v = in_.u8();
        if (!in_) return false;
        out = flag(v != 0);
        return true;
    }
    bool integer(int32_t& out, int32_t lo, int32_t hi)
    {
        const int32_t v = in_.i32();
        if (!in_) return false;
        out = std::clamp(v, lo, hi);
        return true;
    }
    bool colour(uint32_t& out)
    {
        const uint32_t v = in_.u32();
        if (!in_) return false;
        out = v & kColourMask;
        return true;
    }
    bool lineWidth(double& out)
    {
        const double v = in_.f64();
        if (!in_) return false;
        // A width that cannot be one (negative, not a number) is not taken;
        // an absurdly wide one is kept to the widest line there is.
        out = std::isfinite(v) && v >= 0 ? std::min(v, kMaxLineWidthPt) : kDefaultLineWidthPt;
        return true;
    }
    // The list replaces the old one only when it is wholly there.
    bool pathList(std::vector<std::string>& out)
    {
        const int32_t n = in_.i32();
        if (!in_.fits(n, kStringCountSize)) return false;
        std::vector<std::string> list;
        list.reserve(size_t(n));
        for (int32_t i = 0; i < n; ++i) {
            std::string bytes;
            if (!string(bytes)) return false;
            // An empty entry would only make a menu item that opens nothing.
            if (!bytes.empty()) list.push_back(pathFromFileBytes(bytes));
        }
        out = std::move(list);
        return true;
    }

private:
    ByteReader& in_;
};

} // namespace

fs::path SettingsFilePath(const FrameState& frame) { return frame.ProgDir / kSettingsFileName; }

void SetDefaultSettings(FrameState& frame)
{
    FrameOptions& o = frame.Options;
    o.DatabaseFile.clear();
    o.UserName.clear();
    o.UserInitials.clear();
    o.UserAddress.clear();
    o.QuoteStyle = kDefaultQuoteStyle;
    o.ShowHelpLines = 1;
    o.UndoDepth = 10;
    o.ShowTab = o.ShowSpace = o.ShowParagraphEnd = o.ShowNonPrinting = 0;
    o.ShowRuler = 1;
    o.ShowStatusBar = 1;
    o.ToolBar1Visible = o.ToolBar2Visible = o.ToolBar3Visible = o.ToolBar4Visible = 1;
    o.TextColor = 0;
    o.TextBkColor = 0xFFFFFF;
    o.FillColor = 0xFFFFFF;
    o.LineColor = 0;
    o.TextBkTransparent = 1;
    o.NoFill = 0;
    o.LineWidth = kDefaultLineWidthPt;
    o.SpellWhileTyping = 1;
    frame.RecentFiles.clear();
    o.RecentFileCount = 4;
    o.AutoSave = 1;
    o.AutoSaveMinutes = 8;
    o.MakeBak = 0;
}

std::vector<uint8_t> EncodeSettings(const FrameState& frame)
{
    const FrameOptions& o = frame.Options;
    ByteWriter out;
    out.lpString32(pathToFileBytes(o.DatabaseFile));
    out.lpString32(o.UserName);
    out.lpString32(o.UserInitials);
    out.lpString32(o.UserAddress);
    out.i32(o.QuoteStyle);
    out.u8(flag(!o.ShowHelpLines));
    out.i32(o.UndoDepth);
    out.u8(flag(o.ShowTab));
    out.u8(flag(o.ShowSpace));
    out.u8(flag(o.ShowParagraphEnd));
    out.u8(flag(o.ShowNonPrinting));
    out.u8(flag(o.ShowRuler));
    out.u8(flag(o.ShowStatusBar));
    out.u8(flag(o.ToolBar1Visible));
    out.u8(flag(o.ToolBar2Visible));
    out.u8(flag(o.ToolBar3Visible));
    out.u32(o.TextColor);
    out.u32(o.TextBkColor);
    out.u32(o.FillColor);
    out.u32(o.LineColor);
    out.u8(flag(o.TextBkTransparent));
    out.u8(flag(o.NoFill));
    out.f64(o.LineWidth);
    out.u8(flag(o.SpellWhileTyping));
    out.i32(int32_t(frame.RecentFiles.size()));
    for (const std::string& path : frame.RecentFiles) out.lpString32(pathToFileBytes(path));
    out.i32(o.RecentFileCount);
    out.u8(flag(o.AutoSave));
    out.i32(o.AutoSaveMinutes);
    out.u8(flag(o.MakeBak));
    out.u8(flag(!o.ToolBar4Visible));
    return std::move(out.buffer());
}

namespace {

// The fields in file order; false at the first one that is not there.
bool decodeFields(FrameState& frame, SettingsReader& r)
{
    FrameOptions& o = frame.Options;
    std::string database;
    if (!r.string(database)) return false;
    o.DatabaseFile = pathFromFileBytes(database);
    if (!r.string(o.UserName) || !r.string(o.UserInitials) || !r.string(o.UserAddress)) return false;

    int32_t quotes = 0;
    if (!r.integer(quotes, INT32_MIN, INT32_MAX)) return false;
    o.QuoteStyle = quotes >= 0 && quotes <= kMaxQuoteStyle ? quotes : kDefaultQuoteStyle;
    uint8_t hideHelpLines = 0;
    if (!r.boolean(hideHelpLines)) return false;
    o.ShowHelpLines = flag(!hideHelpLines);
    if (!r.integer(o.UndoDepth, kMinUndoDepth, kMaxUndoDepth)) return false;

    for (uint8_t* f : {&o.ShowTab, &o.ShowSpace, &o.ShowParagraphEnd, &o.ShowNonPrinting, &o.ShowRuler,
                       &o.ShowStatusBar, &o.ToolBar1Visible, &o.ToolBar2Visible, &o.ToolBar3Visible}) {
        if (!r.boolean(*f)) return false;
    }
    for (uint32_t* c : {&o.TextColor, &o.TextBkColor, &o.FillColor, &o.LineColor}) {
        if (!r.colour(*c)) return false;
    }
    if (!r.boolean(o.TextBkTransparent) || !r.boolean(o.NoFill) || !r.lineWidth(o.LineWidth)
        || !r.boolean(o.SpellWhileTyping)) {
        return false;
    }

    if (!r.pathList(frame.RecentFiles) || !r.integer(o.RecentFileCount, 0, kMaxRecentFiles)) return false;
    if (!r.boolean(o.AutoSave) || !r.integer(o.AutoSaveMinutes, 0, kMaxAutoSaveMinutes)
        || !r.boolean(o.MakeBak)) {
        return false;
    }
    uint8_t toolBar4Hidden = 0;
    if (!r.boolean(toolBar4Hidden)) return false;
    o.ToolBar4Visible = flag(!toolBar4Hidden);
    return true;
}

} // namespace

void DecodeSettings(FrameState& frame, ByteReader& in)
{
    SettingsReader r(in);
    decodeFields(frame, r);
    TrimRecentFiles(frame.RecentFiles, frame.Options.RecentFileCount);
}

bool OpenSettings(FrameState& frame, const fs::path& file)
{
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(file, kMaxSettingsFileSize, bytes)) return false;
    ByteReader reader(bytes);
    DecodeSettings(frame, reader);
    return true;
}

bool SaveSettings(const FrameState& frame, const fs::path& file)
{
    const std::vector<uint8_t> bytes = EncodeSettings(frame);
    return ReplaceFileContents(file, bytes.data(), bytes.size());
}

int32_t AutoSaveIntervalMs(const FrameOptions& options)
{
    const int32_t minutes = std::clamp(options.AutoSaveMinutes, 0, kMaxAutoSaveMinutes);
    return minutes * 60000;
}

} // namespace quillet
