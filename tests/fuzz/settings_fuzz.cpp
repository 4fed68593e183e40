// libFuzzer entry for the settings file reader (see tests/fuzz/CMakeLists.txt).
// Seeds: the default file, one with every field set, a short one, and one
// with recent files in both path encodings.
//
// Whatever the bytes, every value read is within its range, and the state
// written back reads as the same state.

#include "engine/FrameState.h"
#include "engine/Settings.h"
#include "formats/StandardServices.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

using namespace quillet;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FrameState f = StandardFrameState();
    SetDefaultSettings(f);
    ByteReader in(data, size);
    DecodeSettings(f, in);

    const FrameOptions& o = f.Options;
    if (o.UndoDepth < kMinUndoDepth || o.UndoDepth > kMaxUndoDepth) std::abort();
    if (o.RecentFileCount < 0 || o.RecentFileCount > kMaxRecentFiles) std::abort();
    if (o.AutoSaveMinutes < 0 || o.AutoSaveMinutes > kMaxAutoSaveMinutes) std::abort();
    if (o.QuoteStyle < 0 || o.QuoteStyle > kMaxQuoteStyle) std::abort();
    if (!(o.LineWidth >= 0 && o.LineWidth <= kMaxLineWidthPt)) std::abort();
    for (const uint32_t c : {o.TextColor, o.TextBkColor, o.FillColor, o.LineColor})
        if (c > 0xFFFFFF) std::abort();
    for (const uint8_t b : {o.ShowHelpLines, o.ShowTab, o.ShowSpace, o.ShowParagraphEnd, o.ShowNonPrinting,
                            o.ShowRuler, o.ShowStatusBar, o.ToolBar1Visible, o.ToolBar2Visible, o.ToolBar3Visible,
                            o.ToolBar4Visible, o.TextBkTransparent, o.NoFill, o.SpellWhileTyping, o.AutoSave,
                            o.MakeBak})
        if (b > 1) std::abort();
    if (f.RecentFiles.size() > size_t(o.RecentFileCount)) std::abort();
    for (const std::string& path : f.RecentFiles)
        if (path.empty()) std::abort();

    const std::vector<uint8_t> image = EncodeSettings(f);
    FrameState g = StandardFrameState();
    SetDefaultSettings(g);
    ByteReader again(image);
    DecodeSettings(g, again);
    if (!again || !again.atEnd() || EncodeSettings(g) != image || g.RecentFiles != f.RecentFiles
        || g.Options.DatabaseFile != o.DatabaseFile) {
        std::abort();
    }
    return 0;
}
