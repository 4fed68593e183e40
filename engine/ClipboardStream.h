#pragma once
// The program's private clipboard format: a selection's lines (or selected
// floating areas) with everything their characters need, as a little-endian
// stream of record images. The reader trusts nothing: any count, length,
// tag or size that does not agree with the rest fails the whole stream, so
// a paste either gets a complete fragment or nothing.

#include "engine/Records.h"
#include "platform/Dib.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quillet {

class TMDIChild;

// The clipboard format's name; the Qt layer turns it into its MIME type.
inline constexpr const char* kClipboardFormatName = "VADAZEZOVEZUDADEZE10";

struct ClipFragment {
    static constexpr int32_t kAreas = 1;
    static constexpr int32_t kText = 2;
    int32_t Mode = kText;
    uint8_t RowMarking = 0;  // whole table rows were copied
    struct Line {
        TextLine Text;            // the copied characters only
        uint8_t EndSelected = 0;  // the line's end was part of the selection
    };
    std::vector<Line> Lines;         // text mode
    std::vector<TextArea> Areas;     // areas mode, with their lines
    // One area per footnote reference of the copied text, in text order.
    std::vector<TextArea> Footnotes;
    // What the characters' FontIndex and PictureIndex name here.
    std::vector<FontEntry> Fonts;
    std::vector<Dib> Pictures;
};

// How a stream's writing is shared among threads: it is cut into runs of
// items of at least `BytesPerRun` bytes (a few per thread), written by up to
// `MaxThreads` threads (0: one per core, up to eight). A stream under two
// runs' bytes is written on the calling thread. The bytes are the same
// however they are shared.
struct ClipWriteRuns {
    size_t BytesPerRun = size_t(1) << 20;
    unsigned MaxThreads = 0;
    unsigned Used = 0;  // set by the writer: the runs it wrote
};

std::vector<uint8_t> WriteClipStream(const ClipFragment& fragment, ClipWriteRuns* runs = nullptr);

// A copied text selection whose characters still lie in the document, so a
// large copy never holds them twice: each line with the stretch of it that
// was copied, and, in text order, the characters the copy alters.
struct ClipTextView {
    struct Line {
        const TextLine* Source = nullptr;
        int32_t From = 0, To = 0;  // the copied characters [From, To)
        uint8_t EndSelected = 0;
        size_t FirstAltered = 0;  // where this line's characters start in Altered
    };
    std::vector<Line> Lines;
    std::vector<TextChar> Altered;
};
// Whether a copy alters the character (pictures are renumbered into the
// fragment's own list, spelling marks are not copied).
// (Asked of every copied character, so it is spelt out here to be inlined.)
inline bool clipAltersChar(const TextChar& c) { return c.Kind == ckPicture || (c.Flags >> cfMisspelt & 1) != 0; }
// The stream of `fragment` with its text lines taken from `view` (the
// fragment's own Lines are not read); the same bytes as the fragment with
// those lines copied into it. A `spare` block with room is written into
// rather than fresh memory.
std::vector<uint8_t> WriteClipStream(const ClipFragment& fragment, const ClipTextView& view,
                                     std::vector<uint8_t> spare = {}, ClipWriteRuns* runs = nullptr);
// Copies the window's selection (or selected areas) as a copy does: the
// fragment, with the selected text left in the document and named by `view`.
ClipFragment CopyClipView(TMDIChild& window, ClipTextView& view);
// The plain text of such a fragment (Windows-1252, CR LF line ends).
std::string ClipText(const ClipFragment& fragment, const ClipTextView* view);
// Nothing when the stream is damaged in any way.
std::optional<ClipFragment> ReadClipStream(std::span<const uint8_t> bytes);

// Most of each thing one stream may hold; a stream claiming more is refused
// before anything is allocated for it.
inline constexpr int32_t kClipMaxChars = 1 << 24;
inline constexpr int32_t kClipMaxTabs = 1000;
inline constexpr int32_t kClipMaxPaletteBytes = 1024;

} // namespace quillet
