// quillet-inspect [--pdf OUT | --save OUT] FILE [FILTER]: opens a file the
// way the program does (headless, through the open dispatch; FILTER is an
// Open dialog filter index, 0 = by extension), lays it out and prints the
// document in a stable text form, for checking readers and layout from a
// shell. With --pdf it exports the document to OUT instead of printing it;
// with --save it writes it to OUT in the format OUT's extension names
// (.qdt, .rtf, .txt).
//
// Output, one record a line, two-space indents for nesting:
//   quillet-inspect 1
//   document format F modified M title "T"
//   page W x H mm zoom Z language L footnotes N
//   cursor A,L,C anchor A,L,C
//   fonts N / font I face "F" size S style S color 0xRRGGBB charset C options 0xO
//   styles N / style I "NAME" kind K font F
//   pictures N / picture I WxH bits B | picture I empty
//   areas N / area I type T page P mode M frame L T R B inner L T R B prev P next N lines N
//     line J end E height H chars N para align A indent L R F space A B spacing S/M list K/I tabs N [cell I/N width W run F/L]
//       char K code C ['x'] kind K width W height H font F
// Lengths are millimetres with two decimals.

#include "engine/Childwin.h"
#include "formats/StandardServices.h"
#include "platform/MessageBox.h"
#include "platform/LargeBlock.h"
#include "platform/Win1252.h"
#include "render/pdf/PDFExport.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <ostream>
#include <string>
#include <vector>

namespace quillet::inspect {

inline std::string mm(double v)
{
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 2);
    std::string s = r.ec == std::errc() ? std::string(buf, r.ptr) : std::string("nan");
    if (s == "-0.00") s = "0.00";
    return s;
}

inline std::string hex(uint32_t v, int digits)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%0*X", digits, v);
    return buf;
}

inline std::string quoted(const std::string& ansi)
{
    std::string out = "\"";
    for (const char c : ansiToUtf8(ansi)) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

inline const char* areaTypeName(uint8_t t)
{
    static const char* const names[] = {"page-body", "header",  "footer", "text-frame", "rectangle",
                                        "ellipse",   "line",    "h-line", "v-line",     "graphic"};
    return t < 10 ? names[t] : "unknown";
}

inline std::string endKindName(int32_t k)
{
    switch (k) {
    case ekSoft: return "soft";
    case ekParagraph: return "paragraph";
    case ekLineBreak: return "line-break";
    case ekPageBreak: return "page-break";
    default: return std::to_string(k);
    }
}

inline std::string charKindName(uint8_t k)
{
    switch (k) {
    case ckText: return "text";
    case ckPicture: return "picture";
    case ckFootnoteRef: return "footnote-ref";
    case ckFootnoteNumber: return "footnote-number";
    case ckField: return "field";
    default: return std::to_string(k);
    }
}

inline std::string pos(const TextPos& p)
{
    return std::to_string(p.Area) + "," + std::to_string(p.Line) + "," + std::to_string(p.Char);
}

inline void printDocument(const TMDIChild& w, std::ostream& out)
{
    out << "quillet-inspect 1\n";
    out << "document format " << w.FileFormatIndex << " modified " << int(w.Modified) << " title "
        << quoted(w.DocTitle) << "\n";
    out << "page " << mm(w.PageWidth) << " x " << mm(w.PageHeight) << " mm zoom " << mm(w.ZoomPercent)
        << " language " << w.DocLanguage << " footnotes " << w.FootnoteCounter << "\n";
    out << "cursor " << pos(w.Cursor) << " anchor " << pos(w.Anchor) << "\n";

    out << "fonts " << w.Fonts.size() << "\n";
    for (size_t i = 0; i < w.Fonts.size(); ++i) {
        const FontEntry& f = w.Fonts[i];
        out << "  font " << i << " face " << quoted(f.Face) << " size " << mm(f.Size) << " style "
            << int(f.Style) << " color " << hex(f.Color, 6) << " charset " << int(f.Charset) << " options "
            << hex(f.Options, 4) << "\n";
    }

    out << "styles " << w.Vorlagen.size() << "\n";
    for (size_t i = 0; i < w.Vorlagen.size(); ++i) {
        const VorlageRecord& s = w.Vorlagen[i];
        out << "  style " << i << " " << quoted(s.Name) << " kind " << int(s.StyleKind) << " font "
            << s.Sample.FontIndex() << "\n";
    }

    out << "pictures " << w.Pictures.size() << "\n";
    for (size_t i = 0; i < w.Pictures.size(); ++i) {
        const Dib& d = w.Pictures[i];
        if (d.empty()) out << "  picture " << i << " empty\n";
        else
            out << "  picture " << i << " " << d.Header.biWidth << "x" << d.Header.biHeight << " bits "
                << d.Header.biBitCount << "\n";
    }

    out << "areas " << w.Areas.size() << "\n";
    for (size_t a = 0; a < w.Areas.size(); ++a) {
        const TextArea& ar = w.Areas[a];
        out << "area " << a << " type " << areaTypeName(ar.AreaType) << " page " << ar.PageIndex << " mode "
            << int(ar.PageMode) << " frame " << mm(ar.Left) << " " << mm(ar.Top) << " " << mm(ar.Right) << " "
            << mm(ar.Bottom) << " inner " << mm(ar.InnerLeft) << " " << mm(ar.InnerTop) << " "
            << mm(ar.InnerRight) << " " << mm(ar.InnerBottom) << " prev " << ar.PrevInFlow << " next "
            << ar.NextInFlow << " lines " << ar.Lines.size() << "\n";
        for (size_t l = 0; l < ar.Lines.size(); ++l) {
            const TextLine& ln = ar.Lines[l];
            const AbsatzFormat& p = ln.Para;
            out << "  line " << l << " end " << endKindName(ln.EndKind) << " height " << mm(ln.Height)
                << " chars " << ln.Chars.size() << " para align " << int(p.Alignment) << " indent "
                << mm(p.LeftIndent) << " " << mm(p.RightIndent) << " " << mm(p.FirstLineIndent) << " space "
                << mm(p.SpaceAbove) << " " << mm(p.SpaceBelow) << " spacing " << mm(p.LineSpacing) << "/"
                << int(p.LineSpacingMode) << " list " << int(p.ListKind) << "/" << p.ItemNumber << " tabs "
                << p.Tabs.size();
            if (ln.IsCell)
                out << " cell " << ln.CellIndex << "/" << ln.CellsPerRow << " width " << mm(ln.CellWidth)
                    << " run " << int(ln.RowFirstRun) << "/" << int(ln.RowLastRun);
            out << "\n";
            for (size_t k = 0; k < ln.Chars.size(); ++k) {
                const TextChar& c = ln.Chars[k];
                out << "    char " << k << " code " << int(c.Code);
                if ((c.Code > 32 && c.Code < 127) || c.Code > 0xA0)
                    out << " '" << ansiToUtf8(std::string(1, char(c.Code))) << "'";
                out << " kind " << charKindName(c.Kind) << " width " << mm(c.Width) << " height "
                    << mm(c.Height()) << " font " << c.FontIndex() << "\n";
            }
        }
    }
}

// Messages go to stderr; every question gets its negative answer.
struct StderrBoxes : MessageBoxes {
    MsgResult show(std::string_view text, std::string_view, MsgIcon, MsgButtons buttons) override
    {
        std::cerr << "message: " << ansiToUtf8(text) << "\n";
        switch (buttons) {
        case MsgButtons::YesNo:
        case MsgButtons::YesNoCancel: return MsgResult::No;
        case MsgButtons::OkCancel: return MsgResult::Cancel;
        default: return MsgResult::Ok;
        }
    }
};

// How a command wants the opened document: laid out once more (the
// printed form shows every line of a fresh layout), or as the open left
// it, which is what the program's own export and save start from.
enum class Layout { Again, AsOpened };

// Opens the file in a fresh headless window and hands the window to `use`;
// the exit code (1 when the file cannot be opened).
template <class Use>
int withDocument(const std::filesystem::path& programDir, const std::string& file, int32_t filter, Layout layout,
                 Use&& use)
{
    StderrBoxes boxes;
    setMessageBoxes(&boxes);
    int rc = 1;
    {
        FrameState frame = StandardFrameState();
        frame.ProgDir = programDir;
        TMDIChild w(frame);
        // A new window with the template; the file is opened afterwards, so
        // the window is the one the program would have.
        w.FormCreate();
        if (w.OpenFile(file, filter)) {
            // Every reader lays the document out as it opens it; a second
            // layout of a long document costs as much as the first.
            if (layout == Layout::Again) {
                w.SetAllDirtyFlags();
                w.MakeSoftEnters();
            }
            rc = use(w);
        }
    }
    setMessageBoxes(nullptr);
    return rc;
}

// Opens the file and prints it; the exit code.
inline int run(const std::filesystem::path& programDir, const std::string& file, int32_t filter,
               std::ostream& out)
{
    return withDocument(programDir, file, filter, Layout::Again, [&](TMDIChild& w) {
        printDocument(w, out);
        return 0;
    });
}

// Opens the file and exports it as PDF; the exit code (1 when the file
// cannot be opened or the PDF cannot be written).
inline int exportPdf(const std::filesystem::path& programDir, const std::string& file, int32_t filter,
                     const std::filesystem::path& pdf)
{
    // The export settles the layout itself, as it does in the program.
    return withDocument(programDir, file, filter, Layout::AsOpened,
                        [&](TMDIChild& w) { return SavePDFFile(w, pdf) ? 0 : 1; });
}

// Opens the file and writes it again in the format the target's extension
// names; the exit code (1 when the file cannot be opened or written, 2 for
// an extension that names no format we write).
inline int saveAs(const std::filesystem::path& programDir, const std::string& file, int32_t filter,
                  const std::filesystem::path& target)
{
    std::string ext = target.extension().string();
    for (char& ch : ext) ch = char(std::tolower(static_cast<unsigned char>(ch)));
    if (ext != ".qdt" && ext != ".rtf" && ext != ".txt") {
        std::cerr << "quillet-inspect: " << target.string() << ": the extension names no format (.qdt, .rtf, .txt)\n";
        return 2;
    }
    return withDocument(programDir, file, filter, Layout::AsOpened, [&](TMDIChild& w) {
        const std::string path = target.string();
        const bool ok = ext == ".qdt" ? w.SaveQDTFile(path) : ext == ".rtf" ? w.SaveRTFFile(path)
                                                                          : w.SaveTXTFile(path, false);
        return ok ? 0 : 1;
    });
}

} // namespace quillet::inspect

#ifndef QUILLET_INSPECT_NO_MAIN
int main(int argc, char** argv)
{
    quillet::useHugePageHeap(argv);
    std::vector<std::string> args;
    std::string pdf, save;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--pdf" && i + 1 < argc && pdf.empty()) pdf = argv[++i];
        else if (a == "--save" && i + 1 < argc && save.empty()) save = argv[++i];
        else args.push_back(a);
    }
    const bool writes = !pdf.empty() || !save.empty();
    if (args.empty() || args.size() > 2 || (writes && args[0].rfind("--", 0) == 0) || (!pdf.empty() && !save.empty())) {
        std::cerr << "usage: quillet-inspect [--pdf OUT | --save OUT] FILE [FILTER]\n"
                     "  FILTER: 1 native, 2 Word, 3 RTF, 4 text, 5 text DOS, 0 by extension (default)\n"
                     "  --pdf OUT: export the document as PDF to OUT instead of printing it\n"
                     "  --save OUT: write the document to OUT in the format of its extension (.qdt, .rtf, .txt)\n";
        return 2;
    }
    int32_t filter = 0;
    {
        // The template and recovery files are native documents under their
        // own extensions, which the dispatch would read as text.
        std::string ext = std::filesystem::path(args[0]).extension().string();
        for (char& ch : ext) ch = char(std::tolower(static_cast<unsigned char>(ch)));
        if (ext == ".qdm" || ext == ".whi") filter = 1;
    }
    if (args.size() == 2) {
        const std::string& s = args[1];
        const auto r = std::from_chars(s.data(), s.data() + s.size(), filter);
        if (r.ec != std::errc() || r.ptr != s.data() + s.size()) {
            std::cerr << "quillet-inspect: bad filter index " << s << "\n";
            return 2;
        }
    }
    // The template for new documents lies in the build's program folder.
#ifdef QUILLET_INSPECT_PROGRAM_DIR
    const std::filesystem::path programDir = QUILLET_INSPECT_PROGRAM_DIR;
#else
    std::error_code ec;
    const std::filesystem::path programDir = std::filesystem::read_symlink("/proc/self/exe", ec).parent_path();
#endif
    try {
        if (!pdf.empty()) return quillet::inspect::exportPdf(programDir, args[0], filter, pdf);
        if (!save.empty()) return quillet::inspect::saveAs(programDir, args[0], filter, save);
        return quillet::inspect::run(programDir, args[0], filter, std::cout);
    } catch (const std::exception& e) {
        std::cerr << "quillet-inspect: " << e.what() << "\n";
        return 1;
    }
}
#endif
