// The RTF reader: a byte loop with control-word scanning and a group stack,
// and the document building behind it. Text is written at the window's
// cursor and the cursor moves on; nothing takes an undo copy or refreshes.

#include "formats/rtf/Rtf.h"
#include "formats/rtf/RtfKeywords.h"
#include "formats/rtf/Wmf.h"

#include "engine/Childwin.h"
#include "engine/DocWalk.h"
#include "formats/ListMarks.h"
#include "formats/ReaderFields.h"
#include "formats/ReaderLines.h"
#include "formats/ReaderNotes.h"
#include "platform/ByteIO.h"
#include "platform/Win1252.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace quillet {

namespace {

using rtf::Destination;
using rtf::Keyword;
using rtf::KeywordKind;
using rtf::Prop;
using rtf::Special;

constexpr double kMmPerInch = 25.39995;
double twipsToMm(double twips) { return twips / 1440.0 * kMmPerInch; }
// Lengths from a file stay within a sheet of paper many times over, so a
// wild number cannot make layout arithmetic overflow.
double clampMm(double mm) { return std::clamp(mm, -5000.0, 5000.0); }
double lengthMm(int32_t twips) { return clampMm(twipsToMm(twips)); }

// Pictures larger than this are dropped, whatever their hex data claims.
constexpr size_t kMaxPictureBytes = size_t(64) << 20;
// Text collected for one field, form field or shape property.
constexpr size_t kMaxCollected = size_t(1) << 20;
// A table row holds at most this many cell boundaries.
constexpr size_t kMaxCellEntries = size_t(kMaxCellsPerRow);
constexpr int32_t kMaxFootnotes = 65535;
constexpr size_t kMaxTabs = 64;
// List definitions a file may give, and the levels each holds.
constexpr size_t kMaxLists = 4096;
constexpr size_t kMaxListLevels = 9;
// The standard bullet: this glyph of the standard bullet face.
constexpr uint8_t kStandardBullet = 159;
// Lines that hold a page-anchored shape are marked with ids from here on
// while the reader lays the document out to find their pages; real anchor
// ids count up from 100 and never reach them.
constexpr int32_t kPageMarkBase = 1 << 30;

// A paragraph's own numbering group: its kind (-1 none given), the font and
// text of its mark, and the distance from the mark to the text.
struct NumberingGroup {
    int32_t Kind = -1, Font = -1, Indent = 0;
    std::string Mark;
};

struct CharProps {
    uint8_t Bold = 0, Underline = 0, Italic = 0, Strike = 0;
    int32_t Size = 0, Foreground = 0, Background = 0, Font = 0;
    uint8_t SmallCaps = 0, Caps = 0, Super = 0, Sub = 0, Shadow = 0;
    // Highlight belongs to the group like every other character format.
    int32_t Highlight = -1;
    auto key() const
    {
        return std::tuple(Bold, Underline, Italic, Strike, Size, Foreground, Background, Font, SmallCaps, Caps,
                          Super, Sub, Shadow, Highlight);
    }
};

struct ParaProps {
    int32_t Left = 0, Right = 0, First = 0;
    uint8_t Alignment = 0;
    // Kept with the paragraph block so that every paragraph up to the next
    // "pard" has them, not only the one they were read in.
    int32_t SpaceBefore = 0, SpaceAfter = 0, LineSpacing = 0, DefTab = 0;
    std::vector<TabStop> Tabs;
    int32_t PendingTabKind = 0, PendingTabLeader = 0;
    // The list override and level the paragraph names, or its own
    // numbering group.
    int32_t ListOverride = 0, ListLevel = 0;
    NumberingGroup Numbering;
};

struct SectionProps {
    int32_t PageNumberX = 0, PageNumberY = 0;
    uint8_t PageNumberFormat = 0, BreakKind = 0;
};

struct DocProps {
    int32_t PaperWidth = 12240, PaperHeight = 15840, Left = 1800, Right = 1800, Top = 1440, Bottom = 1440;
    int32_t PageStart = 0;
    uint8_t Landscape = 0;
};

struct GroupNode {
    CharProps Char;
    ParaProps Para;
    SectionProps Section;
    DocProps Doc;
    Destination Dest = Destination::Text;
    int ScanMode = 0;
    uint8_t InfoIndex = 0;
    int32_t UnicodeSkip = 1;
    // Where the group's text went when it opened: a construct that moves
    // the cursor elsewhere (header, footnote, frame) brings it back here.
    TextPos Return;
    bool MovedCursor = false;
    // The instruction of the field the group stands in, and whether the
    // group is part of some field's instruction (a field there shows nothing).
    std::string FieldInstruction;
    bool InInstruction = false;
};

struct CellEntry {
    double Right = 0;
    std::array<uint8_t, 4> On{};  // left, top, bottom, right
    int32_t Shading = -1, Background = -1;
    std::array<std::pair<int32_t, int32_t>, 4> Slots{};  // width twips, colour index
};

// What the text has open where it goes: a table row and the list mark of
// its paragraph. A header, footnote or frame takes the text elsewhere with
// nothing open, and the text outside goes on with what it had.
struct OpenState {
    bool InTable = false, RowFinished = false;
    int32_t CellsInRow = 0;
    double RowLeft = 0;
    std::vector<CellEntry> Cells;
    CellEntry Pending;
    int32_t BorderSide = 0;
    std::optional<AbsatzFormat> SavedCellFormat;
    // The mark text of the paragraph being read and the font it is in.
    std::optional<std::pair<std::string, int32_t>> Mark;
    // Separators owed before the next text of a table nested in a cell.
    bool NestCellPending = false, NestRowPending = false;
};

// What the text outside had open, and where it went on, while a group
// takes the text elsewhere.
struct OuterState {
    OpenState Open;
    TextPos Back;
};

enum ScanMode { smNormal = 0, smBinary = 1, smHex = 2 };

// The reader is itself the state of what the text has open where it goes.
class Reader : private OpenState {
public:
    Reader(TMDIChild& w, const uint8_t* data, size_t size) : W(w), In(std::string_view(reinterpret_cast<const char*>(data), size)) {}
    int32_t run();

private:
    // ---- scanning
    int32_t scanControlWord();
    int32_t lookup(std::string_view word, int32_t param, bool hasParam);
    int32_t dispatch(uint8_t byte);
    int32_t push();
    int32_t pop();
    void applyProperty(Prop p, int32_t value);
    void changeDestination(Destination d, int32_t value);
    void endDestination(Destination d, GroupNode& outer);

    // ---- building
    void outputChar(uint8_t code);
    void breakLine(int32_t endKind);
    void inlineBreak(uint8_t code);
    void applyParagraph(TextLine& line);
    void applyList(AbsatzFormat& f);
    void paragraphEnded();
    const std::string* faceOf(int32_t number);
    int32_t fontIndex();
    TextChar* newChar(uint8_t code);
    void closeCell();
    void finishRow();
    void finishPicture();
    void finishFormField();
    void finishShapeProperty();
    void finishShape(TextPos anchorAt);
    void insertFootnote();
    void selectAreaEnd(int32_t area);
    void afterParse();
    void placePageShapes();
    void cursorMoved(const TextPos& before);
    OpenState takeOpenState();
    void restoreOpenState(OpenState&& s);
    bool hasDoc() const { return !W.Areas.empty(); }
    TextLine* cursorLine() { return lineAt(W, W.Cursor); }

    TMDIChild& W;
    ByteReader In;

    std::vector<GroupNode> Stack;
    GroupNode Cur;
    int32_t SkipFallback = 0;  // fallback characters of a \u still to drop
    bool SkipUnknown = false;
    int64_t BinaryLeft = 0;
    int HexValue = 0, HexDigits = 2;
    bool StayInHex = false;

    // colours, fonts
    std::vector<uint32_t> Colors;  // 0x00BBGGRR
    std::vector<std::pair<int32_t, std::string>> FontList;  // number, name
    std::map<int32_t, std::string> FontNames;
    bool FontNamesDirty = true;

    // sections and page setup
    int32_t ColumnCount = 1;
    int32_t ColumnRule = 0;
    double ColumnGap = 12.699975;
    double HeaderDistance = 12.699975, FooterDistance = 12.699975;
    bool TitlePage = false, FacingPages = false;
    bool BodySeen = false;
    DocProps BodyDoc;
    std::array<bool, 7> AreaFilled{};

    // shapes
    int32_t ShapeArea = -1;
    int32_t XAnchor = 0, YAnchor = 0, GroupWrap = 0;
    std::string ShapeName, ShapeValue;
    // A shape in a field's result stands in the text like a character: its
    // picture goes to the text at the size of the shape's rectangle.
    bool InlineShape = false;
    std::array<int32_t, 4> InlineRect{};  // left, top, right, bottom twips

    // pictures
    std::vector<uint8_t> Picture;
    bool PictureBad = false;
    int32_t PicKind = 0;  // 0 metafile, 1 png, 2 jpeg, 3 other
    int32_t MapMode = 8, PicW = 0, PicH = 0, PicGoalW = 0, PicGoalH = 0;

    // lists
    struct ListLevelDef {
        int32_t Format = -1;  // none given
        std::string Text;     // a length byte, then the mark
        int32_t Font = -1;
    };
    struct ListDef {
        int32_t Id = 0;
        bool Simple = false;
        std::vector<ListLevelDef> Levels;
    };
    std::vector<ListDef> Lists;
    std::map<int32_t, size_t> ListById;    // the last list given each id
    std::map<int32_t, int32_t> Overrides;  // override index -> list id
    int32_t OverrideIndex = 0, OverrideList = 0;
    NumberingGroup NumberingRead;
    std::string MarkRead;
    int32_t MarkReadFont = -1;
    ListLevelDef* levelRead();
    const ListLevelDef* levelOf(int32_t override, int32_t level) const;

    // What the text outside had open, by the depth of the group that took
    // the text elsewhere.
    std::vector<std::pair<size_t, OuterState>> OuterStates;

    // Page-anchored shapes and the mark of the body line they stood in.
    std::vector<std::pair<int32_t, int32_t>> PageShapes;
    int32_t NextPageMark = kPageMarkBase;

    // fields
    bool InFormField = false;
    std::string FormName, FormDefault, FieldResultText;

    // measuring
    std::map<decltype(CharProps{}.key()), int32_t> FontCache;
    std::map<std::pair<int32_t, uint8_t>, TextChar> Measures;  // measured samples
};

int32_t Reader::run()
{
    if (W.Areas.empty()) W.NewPage(true);
    if (W.Areas[0].Lines.empty()) W.InsertNewLine(0, 0);
    while (W.AreaCount() < 7) {
        if (W.AreaCount() % 2 == 1) W.NewHeaderField();
        else W.NewFooterField();
    }
    TMDIChild::ClampPosition(W.Areas, W.Cursor);
    // A file that does not begin like RTF is something else named .rtf.
    {
        size_t i = 0;
        const uint8_t* d = In.data();
        while (i < In.size() && (d[i] == ' ' || d[i] == '\r' || d[i] == '\n' || d[i] == '\t')) ++i;
        if (In.size() - i < 5 || std::string_view(reinterpret_cast<const char*>(d + i), 5) != "{\\rtf")
            return rtfNotRtf;
    }
    Colors.clear();
    while (!In.atEnd()) {
        const uint8_t b = In.u8();
        int32_t r = 0;
        if (Cur.ScanMode == smBinary) {
            r = dispatch(b);
            if (--BinaryLeft <= 0) Cur.ScanMode = StayInHex ? smHex : smNormal;
        } else if (b == '\\' && Cur.ScanMode != smHex) {
            r = scanControlWord();
        } else if (b == '{') {
            r = push();
        } else if (b == '}') {
            r = pop();
        } else if (b == '\n' || b == '\r') {
            continue;
        } else if (Cur.ScanMode == smNormal) {
            r = dispatch(b);
        } else if (Cur.ScanMode == smHex) {
            if (b == '\\') {
                // Control words between a picture's hex digits describe the
                // picture; the hex data goes on after them.
                if (!StayInHex) Cur.ScanMode = smNormal;
                r = scanControlWord();
            } else if (b == ' ' || b == '\t') {
                continue;  // writers wrap and indent hex data
            } else {
                int digit = -1;
                if (b >= '0' && b <= '9') digit = b - '0';
                else if (b >= 'a' && b <= 'f') digit = b - 'a' + 10;
                else if (b >= 'A' && b <= 'F') digit = b - 'A' + 10;
                if (digit < 0) {
                    if (Cur.Dest == Destination::Picture) {
                        // A broken picture is dropped; the document goes on.
                        PictureBad = true;
                        continue;
                    }
                    // A stray byte after "\'": the escape is dropped and the byte read as text.
                    Cur.ScanMode = smNormal;
                    HexDigits = 2;
                    HexValue = 0;
                    r = dispatch(b);
                } else {
                    HexValue = HexValue * 16 + digit;
                    if (--HexDigits == 0) {
                        const uint8_t value = uint8_t(HexValue);
                        HexDigits = 2;
                        HexValue = 0;
                        if (!StayInHex) Cur.ScanMode = smNormal;
                        r = dispatch(value);
                    }
                }
            }
        } else {
            r = rtfScanMode;
        }
        if (r != 0) {
            // The document stays as far as it was read, without page marks.
            for (TextLine& l : W.Areas[0].Lines)
                if (l.AnchorId >= kPageMarkBase) l.AnchorId = 0;
            return r;
        }
    }
    const int32_t result = Stack.empty() ? rtfOk : rtfUnclosed;
    // Close what is still open, so tables, fields and pictures read so far
    // end up in the document. A row the file never ends is ended here,
    // where its text is: its paragraph ends inside cells would otherwise
    // stand in lines that are no cells.
    if (InTable && !RowFinished) finishRow();
    while (!Stack.empty()) pop();
    // A header, footnote or frame begun outside every group has no group
    // end that takes the text back to where it was, and the row open there
    // would be left with paragraph ends in lines that are no cells.
    while (!OuterStates.empty()) {
        if (InTable && !RowFinished) finishRow();
        TextPos to = OuterStates.back().second.Back;
        restoreOpenState(std::move(OuterStates.back().second.Open));
        OuterStates.pop_back();
        TMDIChild::ClampPosition(W.Areas, to);
        W.Cursor = to;
    }
    if (InTable && !RowFinished) finishRow();
    afterParse();
    // Paragraphs were formatted one by one: equal neighbours now hold one block.
    for (TextArea& a : W.Areas) ShareRepeatedFormats(a.Lines);
    return result;
}

int32_t Reader::scanControlWord()
{
    if (In.atEnd()) return 0;
    uint8_t b = In.u8();
    auto isLetter = [](uint8_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    if (!isLetter(b)) {
        const char c = char(b);
        if (b == '\r' || b == '\n') return lookup("par", 0, false);
        return lookup(std::string_view(&c, 1), 0, false);
    }
    char word[kRtfMaxWordLength + 1];
    size_t length = 0;
    bool tooLong = false;
    while (true) {
        if (length < kRtfMaxWordLength) word[length++] = char(b);
        else tooLong = true;
        if (In.atEnd()) return 0;
        b = In.u8();
        if (!isLetter(b)) break;
    }
    bool negative = false;
    if (b == '-') {
        negative = true;
        if (In.atEnd()) return 0;
        b = In.u8();
    }
    bool hasParam = false;
    int64_t value = 0;
    bool overflow = false;
    while (b >= '0' && b <= '9') {
        hasParam = true;
        value = value * 10 + (b - '0');
        if (value > INT32_MAX) {
            overflow = true;
            value = 0;
        }
        if (In.atEnd()) {
            b = ' ';
            break;
        }
        b = In.u8();
    }
    if (overflow) value = 0;
    const int32_t param = hasParam ? int32_t(negative ? -value : value) : 0;
    if (b != ' ') In.seek(In.offset() - 1);
    if (tooLong) return lookup(std::string_view(), param, hasParam);
    return lookup(std::string_view(word, length), param, hasParam);
}

int32_t Reader::lookup(std::string_view word, int32_t param, bool hasParam)
{
    if (SkipFallback > 0 && word != "'") {
        --SkipFallback;
        return 0;
    }
    const Keyword* k = word.empty() ? nullptr : rtf::findKeyword(word);
    if (!k) {
        if (SkipUnknown) Cur.Dest = Destination::Skip;
        SkipUnknown = false;
        return 0;
    }
    SkipUnknown = false;
    switch (k->Kind) {
    case KeywordKind::Character: return dispatch(k->Index);
    case KeywordKind::Destination: changeDestination(Destination(k->Index), k->Default); return 0;
    case KeywordKind::Property:
        applyProperty(Prop(k->Index), (k->UseDefault || !hasParam) ? k->Default : param);
        return 0;
    case KeywordKind::Special:
        switch (Special(k->Index)) {
        case Special::Bin:
            // The word's own count; none or a count of 0 or less is no data.
            if (hasParam && param > 0) {
                BinaryLeft = param;
                Cur.ScanMode = smBinary;
            }
            return 0;
        case Special::Hex:
            if (Cur.Dest == Destination::Skip) return 0;
            Cur.ScanMode = smHex;
            HexDigits = 2;
            HexValue = 0;
            return 0;
        case Special::Star: SkipUnknown = true; return 0;
        case Special::Unicode: {
            if (Cur.Dest == Destination::Skip || !hasParam) return 0;
            // Negative values stand for code points above 32767.
            const char32_t cp = char32_t(param < 0 ? param + 65536 : param);
            // Symbol fonts' glyphs sit in a private range whose low byte is
            // the glyph's code in the font (bullets in list marks).
            const int mapped = cp >= 0xF020 && cp <= 0xF0FF ? int(cp & 0xFF) : unicodeToCp1252(cp);
            const int32_t r = dispatch(uint8_t(mapped >= 0 ? mapped : '?'));
            SkipFallback = std::clamp(Cur.UnicodeSkip, 0, 16);
            return r;
        }
        }
    }
    return 0;
}

int32_t Reader::push()
{
    if (int32_t(Stack.size()) >= kRtfMaxDepth) return rtfOverflow;
    Stack.push_back(Cur);
    Stack.back().Return = W.Cursor;
    Cur.ScanMode = smNormal;
    Cur.MovedCursor = false;
    SkipFallback = 0;
    return 0;
}

int32_t Reader::pop()
{
    if (Stack.empty()) return rtfUnderflow;
    SkipFallback = 0;
    GroupNode outer = std::move(Stack.back());
    Stack.pop_back();
    if (outer.Dest != Cur.Dest && Cur.Dest != Destination::Keep) endDestination(Cur.Dest, outer);
    const bool moved = Cur.MovedCursor;
    std::optional<TextPos> back;
    if (moved) {
        // A row left open inside the header, footnote or frame ends there.
        if (InTable && !RowFinished) finishRow();
        if (!OuterStates.empty() && OuterStates.back().first == Stack.size() + 1) {
            back = OuterStates.back().second.Back;
            restoreOpenState(std::move(OuterStates.back().second.Open));
            OuterStates.pop_back();
        }
    }
    // An instruction read in groups of its own belongs to its field.
    if (Cur.Dest == Destination::FieldInstruction) outer.FieldInstruction = std::move(Cur.FieldInstruction);
    Cur = std::move(outer);
    if (moved) {
        // Back to where the text was going before the header, footnote or
        // frame: a header table or a footnote in a cell stays where it is.
        // Where the text was when it was taken elsewhere: the group may
        // have held text before that.
        TextPos to = back ? *back : Cur.Return;
        TMDIChild::ClampPosition(W.Areas, to);
        W.Cursor = to;
    }
    if (Cur.ScanMode == smHex && Cur.Dest == Destination::Picture) StayInHex = true;
    return 0;
}

int32_t Reader::dispatch(uint8_t byte)
{
    if (SkipFallback > 0) {
        --SkipFallback;
        return 0;
    }
    switch (Cur.Dest) {
    case Destination::Text:
    case Destination::Footer:
    case Destination::FooterFirst:
    case Destination::FooterLeft:
    case Destination::FooterRight:
    case Destination::Header:
    case Destination::HeaderFirst:
    case Destination::HeaderLeft:
    case Destination::HeaderRight:
    case Destination::Footnote:
    case Destination::Keep:
    case Destination::Shape:
        outputChar(byte);
        break;
    case Destination::FieldResult:
        // A field's result is its text, in the formatting it carries; only
        // a form field keeps its result inside the field character.
        if (InFormField) {
            if (FieldResultText.size() < kMaxCollected) FieldResultText += char(byte);
        } else {
            outputChar(byte);
        }
        break;
    case Destination::Skip: break;
    case Destination::ColorTable:
        // Only ";" ends an entry; spaces and line ends between entries are not colours.
        if (byte == ';' && Colors.size() < 65536) Colors.push_back(0);
        break;
    case Destination::FontTable:
        if (FontList.empty()) FontList.emplace_back(0, std::string());
        if (byte == ';') {
            if (FontList.size() < 65536) FontList.emplace_back(FontList.back().first, std::string());
        } else if (FontList.back().second.size() < 255) {
            FontList.back().second += char(byte);
        }
        FontNamesDirty = true;
        break;
    case Destination::Info:
        if (Cur.InfoIndex >= 1 && Cur.InfoIndex <= 8) {
            std::string& p = W.DocProperties[Cur.InfoIndex - 1u];
            if (p.size() < 4096) p += char(byte);
        }
        break;
    case Destination::Picture:
        if (Picture.size() < kMaxPictureBytes) Picture.push_back(byte);
        else PictureBad = true;
        break;
    case Destination::ShapeValue:
        if (ShapeValue.size() < kMaxCollected) ShapeValue += char(byte);
        break;
    case Destination::ShapeName:
        if (ShapeName.size() < 255) ShapeName += char(byte);
        break;
    case Destination::FormFieldName:
        if (FormName.size() < 255) FormName += char(byte);
        break;
    case Destination::FormFieldDefault:
        if (FormDefault.size() < kMaxCollected) FormDefault += char(byte);
        break;
    case Destination::LevelText:
        if (ListLevelDef* level = levelRead(); level && level->Text.size() < 64) level->Text += char(byte);
        break;
    case Destination::NumberingText:
        if (NumberingRead.Mark.size() < 64) NumberingRead.Mark += char(byte);
        break;
    case Destination::ListText:
        if (MarkRead.size() < 64) {
            if (MarkReadFont < 0 && byte != 9 && byte != ' ') MarkReadFont = Cur.Char.Font;
            MarkRead += char(byte);
        }
        break;
    case Destination::FieldInstruction:
        if (Cur.FieldInstruction.size() < 255) Cur.FieldInstruction += char(byte);
        break;
    case Destination::ShapeInstance:
    case Destination::ShapeGroup:
    case Destination::ShapeProperty:
    case Destination::FormField:
    case Destination::Field:
    case Destination::ListTable:
    case Destination::List:
    case Destination::ListLevel:
    case Destination::ListOverrideTable:
    case Destination::ListOverride:
    case Destination::Numbering:
        break;
    }
    return 0;
}

void Reader::selectAreaEnd(int32_t area)
{
    if (!validIndex(area, W.Areas.size())) return;
    const TextPos before = W.Cursor;
    TextArea& a = W.Areas[size_t(area)];
    if (a.Lines.empty()) W.InsertNewLine(area, 0);
    const int32_t last = a.LineCount() - 1;
    W.Cursor = TextPos{area, last, a.Lines[size_t(last)].CharCount()};
    cursorMoved(before);
}

void Reader::cursorMoved(const TextPos& before)
{
    Cur.MovedCursor = true;
    if (!OuterStates.empty() && OuterStates.back().first == Stack.size()) return;
    OuterStates.emplace_back(Stack.size(), OuterState{takeOpenState(), before});
}

OpenState Reader::takeOpenState()
{
    OpenState& open = *this;
    OpenState s = std::move(open);
    open = OpenState{};
    return s;
}

void Reader::restoreOpenState(OpenState&& s)
{
    static_cast<OpenState&>(*this) = std::move(s);
}

void Reader::changeDestination(Destination d, int32_t value)
{
    if (Cur.Dest == Destination::Skip) return;
    auto headerFooter = [&](int32_t area) {
        // A later section's header would run on from the first one's; the
        // first one stands for the whole document.
        if (AreaFilled[size_t(area)]) {
            Cur.Dest = Destination::Skip;
            return;
        }
        AreaFilled[size_t(area)] = true;
        selectAreaEnd(area);
        Cur.Dest = d;
    };
    switch (d) {
    case Destination::Skip: Cur.Dest = d; break;
    case Destination::ColorTable:
        Colors.assign(1, 0);
        Cur.Dest = d;
        break;
    case Destination::FontTable: Cur.Dest = d; break;
    case Destination::Header: case Destination::HeaderRight: headerFooter(5); break;
    case Destination::HeaderFirst: headerFooter(1); break;
    case Destination::HeaderLeft: headerFooter(3); break;
    case Destination::Footer: case Destination::FooterRight: headerFooter(6); break;
    case Destination::FooterFirst: headerFooter(2); break;
    case Destination::FooterLeft: headerFooter(4); break;
    case Destination::Info:
        Cur.Dest = d;
        Cur.InfoIndex = uint8_t(std::clamp(value, 0, 8));
        if (Cur.InfoIndex >= 1) W.DocProperties[Cur.InfoIndex - 1u].clear();
        break;
    case Destination::Picture:
        // Of a shape's pictures only its own is shown; fill patterns and
        // the like are not pictures of the text.
        if (Cur.Dest == Destination::ShapeValue && asciiLower(ShapeName) != "pib") {
            Cur.Dest = Destination::Skip;
            break;
        }
        Cur.Dest = d;
        Cur.ScanMode = smHex;
        StayInHex = true;
        HexDigits = 2;
        HexValue = 0;
        Picture.clear();
        PictureBad = false;
        PicKind = 0;
        MapMode = 8;
        PicW = PicH = PicGoalW = PicGoalH = 0;
        break;
    case Destination::Shape: {
        if (!hasDoc()) break;
        if (Cur.Dest == Destination::FieldResult && !InFormField) {
            InlineShape = true;
            InlineRect = {};
            ShapeArea = -1;
            Cur.Dest = d;
            break;
        }
        const bool inGroup = Cur.Dest == Destination::ShapeGroup;
        const TextPos back = W.Cursor;
        const int32_t area = W.TextfeldEinfuegenSimple(0, 50, 50, 100, 100);
        W.Cursor = back;
        W.Anchor = back;
        if (!validIndex(area, W.Areas.size())) break;
        ShapeArea = area;
        if (inGroup) W.Areas[size_t(area)].WrapText = GroupWrap != 3;
        selectAreaEnd(area);
        XAnchor = YAnchor = 0;
        Cur.Dest = d;
        break;
    }
    case Destination::ShapeInstance:
        if (Cur.Dest == Destination::Shape) Cur.Dest = d;
        break;
    case Destination::ShapeGroup:
        Cur.Dest = d;
        GroupWrap = XAnchor = YAnchor = 0;
        break;
    case Destination::ShapeProperty:
        if (Cur.Dest == Destination::ShapeInstance) {
            Cur.Dest = d;
            ShapeName.clear();
            ShapeValue.clear();
        }
        break;
    case Destination::ShapeName:
    case Destination::ShapeValue:
        if (Cur.Dest == Destination::ShapeProperty) Cur.Dest = d;
        break;
    case Destination::Footnote:
        if (!hasDoc()) break;
        insertFootnote();
        break;
    case Destination::FormField:
        InFormField = true;
        Cur.Dest = d;
        FormName = "Feldname";
        FormDefault.clear();
        break;
    case Destination::FormFieldName:
        Cur.Dest = d;
        FormName.clear();
        break;
    case Destination::FormFieldDefault: Cur.Dest = d; break;
    case Destination::Field:
        Cur.Dest = d;
        InFormField = false;
        Cur.FieldInstruction.clear();
        break;
    case Destination::FieldInstruction:
        Cur.Dest = d;
        Cur.InInstruction = true;
        break;
    case Destination::FieldResult:
        Cur.Dest = d;
        FieldResultText.clear();
        if (const char* code = readerFieldCode(Cur.FieldInstruction); code && !InFormField && hasDoc()) {
            // The program's own field takes the place of the result text.
            if (!Cur.InInstruction)
                if (TextChar* ch = newChar(' ')) readerMakeField(W, *ch, code);
            Cur.Dest = Destination::Skip;
        }
        break;
    case Destination::Keep:
        // "shptxt": the frame's text goes into the frame.
        if (Cur.Dest == Destination::ShapeInstance || Cur.Dest == Destination::Shape) Cur.Dest = Destination::Shape;
        else Cur.Dest = d;
        break;
    case Destination::Text: Cur.Dest = d; break;
    case Destination::ListTable:
    case Destination::ListOverrideTable: Cur.Dest = d; break;
    case Destination::List:
        if (Cur.Dest == Destination::ListTable && Lists.size() < kMaxLists) {
            Lists.emplace_back();
            Cur.Dest = d;
        } else {
            Cur.Dest = Destination::Skip;
        }
        break;
    case Destination::ListLevel:
        if (Cur.Dest == Destination::List && !Lists.empty() && Lists.back().Levels.size() < kMaxListLevels) {
            Lists.back().Levels.emplace_back();
            Cur.Dest = d;
        } else {
            Cur.Dest = Destination::Skip;
        }
        break;
    case Destination::LevelText:
        Cur.Dest = Cur.Dest == Destination::ListLevel ? d : Destination::Skip;
        break;
    case Destination::ListOverride:
        Cur.Dest = Cur.Dest == Destination::ListOverrideTable ? d : Destination::Skip;
        OverrideIndex = OverrideList = 0;
        break;
    case Destination::Numbering:
        Cur.Dest = d;
        NumberingRead = NumberingGroup{};
        break;
    case Destination::NumberingText:
        Cur.Dest = Cur.Dest == Destination::Numbering ? d : Destination::Skip;
        break;
    case Destination::ListText:
        Cur.Dest = d;
        MarkRead.clear();
        MarkReadFont = -1;
        break;
    }
}

void Reader::endDestination(Destination d, GroupNode& outer)
{
    switch (d) {
    case Destination::ListOverride:
        if (OverrideIndex > 0 && (Overrides.size() < kMaxLists || Overrides.count(OverrideIndex)))
            Overrides[OverrideIndex] = OverrideList;
        break;
    // The numbering group belongs to the paragraph it stands in.
    case Destination::Numbering: outer.Para.Numbering = NumberingRead; break;
    case Destination::ListText: Mark.emplace(MarkRead, MarkReadFont); break;
    case Destination::Picture:
        StayInHex = false;
        finishPicture();
        break;
    case Destination::FormField: finishFormField(); break;
    case Destination::ShapeProperty: finishShapeProperty(); break;
    case Destination::Shape:
        if (outer.Dest != Destination::Shape && outer.Dest != Destination::ShapeInstance) {
            finishShape(outer.Return);
            InlineShape = false;
        }
        break;
    case Destination::Field: InFormField = false; break;
    default: break;
    }
}

void Reader::applyProperty(Prop p, int32_t v)
{
    if (Cur.Dest == Destination::Skip) return;
    CharProps& c = Cur.Char;
    ParaProps& pa = Cur.Para;
    DocProps& doc = Cur.Doc;
    auto on = [v] { return uint8_t(v != 0 ? 1 : 0); };
    switch (p) {
    case Prop::Bold: c.Bold = uint8_t(v); break;
    case Prop::Italic: c.Italic = uint8_t(v); break;
    case Prop::Underline: c.Underline = uint8_t(v); break;
    case Prop::Strike: c.Strike = uint8_t(v); break;
    case Prop::FontSize: c.Size = v; break;
    case Prop::Foreground: c.Foreground = v; break;
    case Prop::Background: c.Background = v; break;
    case Prop::SmallCaps: c.SmallCaps = on(); break;
    case Prop::Caps: c.Caps = on(); break;
    case Prop::Super: c.Super = on(); break;
    case Prop::Sub: c.Sub = on(); break;
    case Prop::Shadow: c.Shadow = on(); break;
    case Prop::NoSuperSub: c.Super = c.Sub = 0; break;
    case Prop::Highlight: c.Highlight = v; break;
    case Prop::Plain: c = CharProps{}; break;
    case Prop::Font:
        if (Cur.Dest == Destination::FontTable) {
            if (FontList.empty() || !FontList.back().second.empty()) FontList.emplace_back(v, std::string());
            else FontList.back().first = v;
            FontNamesDirty = true;
        } else {
            c.Font = v;
            if (Cur.Dest == Destination::ListLevel)
                if (ListLevelDef* level = levelRead()) level->Font = v;
        }
        break;
    case Prop::LeftIndent: pa.Left = v; break;
    case Prop::RightIndent: pa.Right = v; break;
    case Prop::FirstIndent: pa.First = v; break;
    case Prop::Alignment: pa.Alignment = uint8_t(v); break;
    case Prop::Pard: pa = ParaProps{}; break;
    case Prop::SpaceBefore: pa.SpaceBefore = v; break;
    case Prop::SpaceAfter: pa.SpaceAfter = v; break;
    case Prop::LineSpacing: pa.LineSpacing = v; break;
    case Prop::DefTab: pa.DefTab = v; break;
    case Prop::TabKind: pa.PendingTabKind = v; break;
    case Prop::TabLeader: pa.PendingTabLeader = v; break;
    case Prop::Tx:
        if (pa.Tabs.size() < kMaxTabs) {
            TabStop t;
            t.Position = std::max(0.0, lengthMm(v));
            t.Kind = pa.PendingTabKind;
            t.Leader = uint8_t(pa.PendingTabLeader);
            const auto at = std::upper_bound(pa.Tabs.begin(), pa.Tabs.end(), t.Position,
                                             [](double pos, const TabStop& s) { return pos < s.Position; });
            pa.Tabs.insert(at, t);
        }
        pa.PendingTabKind = pa.PendingTabLeader = 0;
        break;
    case Prop::PageNumberX: Cur.Section.PageNumberX = v; break;
    case Prop::PageNumberY: Cur.Section.PageNumberY = v; break;
    case Prop::PageNumberFormat: Cur.Section.PageNumberFormat = uint8_t(v); break;
    case Prop::SectionBreak: Cur.Section.BreakKind = uint8_t(v); break;
    case Prop::Sectd:
        ColumnCount = 1;
        ColumnRule = 0;
        ColumnGap = 12.699975;
        Cur.Section = SectionProps{};
        break;
    case Prop::Cols: ColumnCount = std::clamp(v, 1, 10); break;
    case Prop::ColumnGap: ColumnGap = std::clamp(lengthMm(v), 0.0, 500.0); break;
    case Prop::LineBetween: ColumnRule = v != 0; break;
    case Prop::PaperWidth: doc.PaperWidth = v; break;
    case Prop::PaperHeight: doc.PaperHeight = v; break;
    case Prop::MarginLeft: doc.Left = v; break;
    case Prop::MarginRight: doc.Right = v; break;
    case Prop::MarginTop: doc.Top = v; break;
    case Prop::MarginBottom: doc.Bottom = v; break;
    case Prop::PageStart: doc.PageStart = v; break;
    case Prop::Landscape: doc.Landscape = uint8_t(v); break;
    case Prop::FacingPages: FacingPages = true; break;
    case Prop::TitlePage: TitlePage = true; break;
    case Prop::HeaderY: HeaderDistance = std::clamp(lengthMm(v), 0.0, 500.0); break;
    case Prop::FooterY: FooterDistance = std::clamp(lengthMm(v), 0.0, 500.0); break;
    case Prop::Red:
    case Prop::Green:
    case Prop::Blue:
        if (Cur.Dest == Destination::ColorTable && !Colors.empty()) {
            const int shift = p == Prop::Red ? 0 : p == Prop::Green ? 8 : 16;
            Colors.back() = (Colors.back() & ~(0xFFu << shift)) | (uint32_t(uint8_t(v)) << shift);
        }
        break;
    case Prop::Trowd:
        if (InTable && !RowFinished && CellsInRow > 0) {
            // A row's definition repeated before its "row": only the cell
            // boundaries are read again; the cells read so far stay.
            Cells.clear();
            Pending = CellEntry{};
            break;
        }
        if (!InTable || RowFinished) {
            if (const TextLine* l = cursorLine(); l && l->CharCount() > 0) breakLine(ekParagraph);
        }
        InTable = true;
        RowFinished = false;
        CellsInRow = 0;
        RowLeft = 0;
        Cells.clear();
        Pending = CellEntry{};
        SavedCellFormat.reset();
        break;
    case Prop::InTable:
        // Cells whose row definition comes at the row's end.
        if (!InTable || RowFinished) {
            if (const TextLine* l = cursorLine(); l && l->CharCount() > 0 && !InTable) breakLine(ekParagraph);
            InTable = true;
            RowFinished = false;
            CellsInRow = 0;
            RowLeft = 0;
            Cells.clear();
            Pending = CellEntry{};
            SavedCellFormat.reset();
        }
        break;
    case Prop::RowLeft: RowLeft = lengthMm(v); break;
    case Prop::CellX:
        if (Cells.size() < kMaxCellEntries) {
            Pending.Right = lengthMm(v);
            Cells.push_back(Pending);
        }
        Pending.On = {};
        Pending.Shading = Pending.Background = -1;
        break;
    case Prop::CellBorderLeft:
    case Prop::CellBorderTop:
    case Prop::CellBorderBottom:
    case Prop::CellBorderRight: {
        BorderSide = p == Prop::CellBorderLeft ? bsLeft : p == Prop::CellBorderTop ? bsTop
                   : p == Prop::CellBorderBottom ? bsBottom : bsRight;
        Pending.On[size_t(BorderSide)] = 1;
        Pending.Slots[size_t(BorderSide)] = {15, 0};
        break;
    }
    case Prop::BorderNone: Pending.On[size_t(BorderSide)] = 0; break;
    case Prop::BorderWidth: Pending.Slots[size_t(BorderSide)].first = std::clamp(v, 0, 2000); break;
    case Prop::BorderColor: Pending.Slots[size_t(BorderSide)].second = v; break;
    case Prop::CellPattern: Pending.Background = v; break;
    case Prop::CellShading: Pending.Shading = std::clamp(v, 0, 10000); break;
    case Prop::Cell:
        if (InTable && !RowFinished) closeCell();
        break;
    case Prop::Row:
        if (InTable && !RowFinished) finishRow();
        break;
    case Prop::ShapeLeft:
    case Prop::ShapeTop:
    case Prop::ShapeRight:
    case Prop::ShapeBottom:
        if (InlineShape && (Cur.Dest == Destination::Shape || Cur.Dest == Destination::ShapeInstance))
            InlineRect[size_t(p == Prop::ShapeLeft ? 0 : p == Prop::ShapeTop ? 1 : p == Prop::ShapeRight ? 2 : 3)] = v;
        if ((Cur.Dest == Destination::Shape || Cur.Dest == Destination::ShapeInstance) &&
            validIndex(ShapeArea, W.Areas.size())) {
            TextArea& a = W.Areas[size_t(ShapeArea)];
            const double mm = lengthMm(v);
            (p == Prop::ShapeLeft ? a.Left : p == Prop::ShapeTop ? a.Top : p == Prop::ShapeRight ? a.Right : a.Bottom) = mm;
        }
        break;
    case Prop::ShapeWrap:
        if ((Cur.Dest == Destination::Shape || Cur.Dest == Destination::ShapeInstance) &&
            validIndex(ShapeArea, W.Areas.size()))
            W.Areas[size_t(ShapeArea)].WrapText = v != 3;
        else if (Cur.Dest == Destination::ShapeGroup)
            GroupWrap = v;
        break;
    case Prop::ShapeXPage: XAnchor = 0; break;
    case Prop::ShapeXMargin: XAnchor = 1; break;
    case Prop::ShapeXColumn: XAnchor = 2; break;
    case Prop::ShapeYPage: YAnchor = 0; break;
    case Prop::ShapeYMargin: YAnchor = 1; break;
    case Prop::ShapeYPara: YAnchor = 2; break;
    case Prop::MapMode: MapMode = v; break;
    case Prop::PicWidth: PicW = v; break;
    case Prop::PicHeight: PicH = v; break;
    case Prop::PicGoalWidth: PicGoalW = v; break;
    case Prop::PicGoalHeight: PicGoalH = v; break;
    case Prop::BlipPng: PicKind = 1; break;
    case Prop::BlipJpeg: PicKind = 2; break;
    case Prop::BlipOther: PicKind = 3; break;
    case Prop::UnicodeSkip: Cur.UnicodeSkip = std::clamp(v, 0, 16); break;
    case Prop::ListOverrideIndex:
        if (Cur.Dest == Destination::ListOverride) OverrideIndex = v;
        else pa.ListOverride = v;
        break;
    case Prop::ListLevelIndex: pa.ListLevel = std::clamp(v, 0, int32_t(kMaxListLevels) - 1); break;
    case Prop::ListId:
        if (Cur.Dest == Destination::List && !Lists.empty()) {
            Lists.back().Id = v;
            ListById[v] = Lists.size() - 1;
        } else if (Cur.Dest == Destination::ListOverride) OverrideList = v;
        break;
    case Prop::ListSimple:
        if (Cur.Dest == Destination::List && !Lists.empty()) Lists.back().Simple = v != 0;
        break;
    case Prop::LevelFormat:
        if (Cur.Dest == Destination::ListLevel)
            if (ListLevelDef* level = levelRead()) level->Format = v;
        break;
    case Prop::NumberingKind:
        if (Cur.Dest == Destination::Numbering) NumberingRead.Kind = v;
        break;
    case Prop::NumberingFont:
        if (Cur.Dest == Destination::Numbering) NumberingRead.Font = v;
        break;
    case Prop::NumberingIndent:
        if (Cur.Dest == Destination::Numbering) NumberingRead.Indent = v;
        break;
    // A table inside a cell runs on in the cell: its cells are kept apart
    // by tabs and its rows by paragraph ends, owed until text follows.
    case Prop::NestCell:
        // An empty nested cell still takes its column.
        if (NestCellPending) {
            NestCellPending = false;
            outputChar(9);
        }
        NestCellPending = true;
        break;
    case Prop::NestRow:
        NestCellPending = false;
        NestRowPending = true;
        break;
    case Prop::SoftHyphen:
        // An optional hyphen marks a break point in the word; the
        // character before it carries the mark.
        if (TextLine* l = cursorLine(); l && W.Cursor.Char > 0 && W.Cursor.Char <= l->CharCount())
            SettingOpsB(l->Chars[size_t(W.Cursor.Char - 1)].Flags, cfSoftHyphen, true);
        break;
    }
}

// ---- building ----------------------------------------------------------------

int32_t Reader::fontIndex()
{
    const CharProps& c = Cur.Char;
    const auto key = c.key();
    if (const auto it = FontCache.find(key); it != FontCache.end()) return it->second;
    FontEntry f = W.Fonts.empty() ? FontEntry{} : W.Fonts[0];
    f.Options = 0;
    f.Style = 0;
    f.Face = "Times New Roman";
    if (const std::string* face = faceOf(c.Font)) f.Face = *face;
    if (c.Foreground < 1) f.Color = 0;
    else if (size_t(c.Foreground) < Colors.size()) f.Color = Colors[size_t(c.Foreground)];
    static constexpr uint32_t kHighlights[17] = {0, 0x000000, 0xFF0000, 0xFFFF00, 0x00FF00, 0xFF00FF, 0x0000FF,
                                                 0x00FFFF, 0xFFFFFF, 0x800000, 0x808000, 0x008000, 0x800080,
                                                 0x000080, 0x008080, 0x808080, 0xC0C0C0};
    if (c.Highlight >= 1 && c.Highlight <= 16) {
        f.BkColor = kHighlights[c.Highlight];
        f.BkTransparent = 0;
    } else if (c.Background < 1) {
        f.BkColor = 0xFFFFFF;
        f.BkTransparent = 1;
    } else if (size_t(c.Background) < Colors.size()) {
        f.BkColor = Colors[size_t(c.Background)];
        f.BkTransparent = 0;
    }
    f.Size = c.Size / 2.0 > 0 ? std::min(c.Size / 2.0, 1638.0) : 12.0;
    if (c.Bold) f.Style |= 1;
    if (c.Italic) f.Style |= 2;
    // Italic text may be struck through too.
    if (c.Strike) f.Style |= 8;
    if (c.Underline == 1) {
        f.Style |= 4;
        SettingOps(f.Options, foUnderline, true);
    } else if (c.Underline == 2) {
        SettingOps(f.Options, foDoubleUnderline, true);
    } else if (c.Underline == 3) {
        f.Style |= 4;
        SettingOps(f.Options, foUnderline, true);
        SettingOps(f.Options, foWordUnderline, true);
    }
    if (c.Shadow) SettingOps(f.Options, foShaded, true);
    if (c.Super) SettingOps(f.Options, foSuperscript, true);
    else if (c.Sub) SettingOps(f.Options, foSubscript, true);
    if (c.SmallCaps) SettingOps(f.Options, foSmallCaps, true);
    else if (c.Caps) SettingOps(f.Options, foCapitals, true);
    int32_t index = 0;
    if (W.Fonts.size() < kRtfMaxFonts) {
        index = W.GetNewFontIndex(f);
    } else {
        // The table is full: the nearest match is an existing entry of the face.
        for (size_t i = 0; i < W.Fonts.size(); ++i)
            if (W.Fonts[i].Face == f.Face) { index = int32_t(i); break; }
    }
    FontCache.emplace(key, index);
    return index;
}

void Reader::applyParagraph(TextLine& line)
{
    const ParaProps& p = Cur.Para;
    AbsatzFormat& f = InTable && SavedCellFormat ? *SavedCellFormat : line.Para.edit();
    f.Alignment = p.Alignment == 1 ? 2 : p.Alignment == 2 ? 1 : p.Alignment == 3 ? 3 : 0;
    if (!InTable) {
        f.LeftIndent = lengthMm(p.Left);
        f.RightIndent = lengthMm(p.Right);
    }
    f.FirstLineIndent = lengthMm(p.First);
    f.SpaceAbove = std::max(0.0, lengthMm(p.SpaceBefore));
    f.SpaceBelow = std::max(0.0, lengthMm(p.SpaceAfter));
    const int32_t sl = p.LineSpacing == INT32_MIN ? 0 : std::abs(p.LineSpacing);
    f.LineSpacing = sl >= 240 && sl < 1000 ? sl / 240.0 : 1.0;
    f.LineSpacingMode = 0;
    if (p.DefTab > 0) f.DefaultTabStep = std::max(1.0, lengthMm(p.DefTab));
    if (f.Tabs != p.Tabs) f.Tabs = p.Tabs;
    applyList(f);
}

Reader::ListLevelDef* Reader::levelRead()
{
    if (Lists.empty() || Lists.back().Levels.empty()) return nullptr;
    return &Lists.back().Levels.back();
}

const Reader::ListLevelDef* Reader::levelOf(int32_t override, int32_t level) const
{
    const auto o = Overrides.find(override);
    if (o == Overrides.end()) return nullptr;
    const auto l = ListById.find(o->second);
    if (l == ListById.end() || l->second >= Lists.size()) return nullptr;
    const ListDef& list = Lists[l->second];
    if (list.Levels.empty()) return nullptr;
    // A simple list has one level; deeper items take its mark.
    const size_t i = list.Simple ? 0 : std::min(size_t(std::max(level, 0)), list.Levels.size() - 1);
    return &list.Levels[i];
}

const std::string* Reader::faceOf(int32_t number)
{
    if (FontNamesDirty) {
        FontNames.clear();
        for (const auto& [n, name] : FontList) {
            std::string face = name;
            while (!face.empty() && (face.back() == ' ' || face.back() == ';')) face.pop_back();
            while (!face.empty() && face.front() == ' ') face.erase(face.begin());
            if (!face.empty() && face != "default") FontNames[n] = face;
        }
        FontNamesDirty = false;
    }
    const auto it = FontNames.find(number);
    return it == FontNames.end() ? nullptr : &it->second;
}

// A paragraph is a list item when it names a list override and level, has
// a numbering group of its own, or only shows a mark. The mark itself is
// never text: the paragraph draws it.
void Reader::applyList(AbsatzFormat& f)
{
    const ParaProps& p = Cur.Para;
    if (p.ListOverride <= 0 && p.Numbering.Kind < 0 && !Mark) {
        f.ListKind = 0;
        return;
    }
    // What the mark shows, without the tab, spaces and breaks around it.
    std::string_view shown;
    if (Mark) {
        shown = Mark->first;
        while (!shown.empty() && uint8_t(shown.front()) <= ' ') shown.remove_prefix(1);
        while (!shown.empty() && uint8_t(shown.back()) <= ' ') shown.remove_suffix(1);
    }
    auto kindShown = [&]() -> uint8_t {
        if (shown.empty()) return 0;
        for (const char c : shown)
            if (c >= '0' && c <= '9') return 2;
        if (shown.size() >= 2 && (shown.back() == '.' || shown.back() == ')')) return 2;
        return 1;
    };
    uint8_t kind = 0;
    int32_t bullet = -1, font = -1, indent = 0;
    if (p.ListOverride > 0) {
        const ListLevelDef* level = levelOf(p.ListOverride, p.ListLevel);
        if (level && level->Format >= 0) {
            kind = listKindOfNumberFormat(level->Format);
            if (level->Text.size() >= 2) bullet = uint8_t(level->Text[1]);
            font = level->Font;
        } else {
            // A list the file does not describe gets bullets, unless its
            // mark says otherwise.
            kind = Mark ? kindShown() : 1;
        }
    } else if (p.Numbering.Kind >= 0) {
        kind = uint8_t(std::clamp(p.Numbering.Kind, 0, 2));
        if (!p.Numbering.Mark.empty()) bullet = uint8_t(p.Numbering.Mark[0]);
        font = p.Numbering.Font;
        indent = p.Numbering.Indent;
    } else {
        kind = kindShown();
    }
    f.ListKind = kind;
    if (kind == 0) return;
    if (kind == 1) {
        // The mark as the file showed it wins over the list's template.
        if (!shown.empty()) {
            bullet = uint8_t(shown[0]);
            font = Mark->second;
        }
        if (bullet <= ' ') {
            f.BulletChar = kStandardBullet;
            f.BulletFace.reset();
        } else {
            f.BulletChar = uint8_t(bullet);
            static const std::string kTextFace = "Times New Roman";
            const std::string* face = faceOf(font);
            const std::string& name = face ? *face : kTextFace;
            // The standard bullet face is kept as no face at all.
            auto standardFace = [](std::string_view n) {
                static constexpr std::string_view kStandard = "wingdings";
                if (n.size() != kStandard.size()) return false;
                for (size_t i = 0; i < n.size(); ++i)
                    if (asciiLower(uint8_t(n[i])) != uint8_t(kStandard[i])) return false;
                return true;
            };
            if (standardFace(name)) f.BulletFace.reset();
            else if (f.BulletFace != name) f.BulletFace = name;
        }
    }
    // The text starts where the mark's hanging indent ends.
    f.ListIndent = indent > 0 ? std::min(lengthMm(indent), 500.0)
                 : f.FirstLineIndent < 0 ? -f.FirstLineIndent : 6.3;
}

TextChar* Reader::newChar(uint8_t code)
{
    TextLine* l = cursorLine();
    if (!l || W.Cursor.Char < 0 || W.Cursor.Char > l->CharCount()) return nullptr;
    TextChar ch;
    ch.Kind = ckText;
    ch.Code = code;
    const auto key = std::pair(fontIndex(), code);
    if (const auto it = Measures.find(key); it != Measures.end()) {
        ch.Width = it->second.Width;
        ch.setLookOf(it->second);
    } else if (code == 9) {
        ch.Width = 12.5;
        ch.setLook(key.first, -1);
    } else {
        ch.setFontIndex(key.first);
        const char text = char(code == 13 || code == 14 || code == 15 ? ' ' : code);
        W.RenderChar(ch, false, std::string_view(&text, 1));
        Measures.emplace(key, ch);
    }
    TextChar& placed = *l->Chars.insert(l->Chars.begin() + W.Cursor.Char, std::move(ch));
    l->Dirty = 1;
    ++W.Cursor.Char;
    return &placed;
}

void Reader::outputChar(uint8_t code)
{
    if (!hasDoc()) return;
    if (InTable && RowFinished) InTable = false;
    TextLine* l = cursorLine();
    if (!l) return;
    l->ColumnCount = ColumnCount;
    l->ColumnRule = ColumnRule;
    l->ColumnGap = ColumnGap;
    if (NestCellPending || NestRowPending) {
        const bool row = NestRowPending;
        NestCellPending = NestRowPending = false;
        // A paragraph end of the file's own stands for the owed separator.
        if (code != 10 && code != 12) {
            outputChar(row ? 10 : 9);
            l = cursorLine();
            if (!l) return;
        }
    }
    if (code == 9 || code >= 32) {
        if (W.Cursor.Area == 0) {
            // The page as the body text found it: the document block ends
            // with its group, before the page is set up.
            BodySeen = true;
            BodyDoc = Cur.Doc;
        }
        applyParagraph(*l);
        newChar(code);
        return;
    }
    if (code < 10 || code > 12) return;
    if (InTable) {
        inlineBreak(code == 10 ? 13 : code == 11 ? 14 : 15);
    } else {
        applyParagraph(*l);
        breakLine(code == 10 ? ekParagraph : code == 11 ? ekLineBreak : ekPageBreak);
    }
    if (code != 11) paragraphEnded();
}

void Reader::paragraphEnded()
{
    // A mark belongs to the one paragraph it stood before.
    Mark.reset();
    NestCellPending = NestRowPending = false;
}

void Reader::breakLine(int32_t endKind)
{
    // A line grows a character at a time and has room for up to twice its
    // characters when it ends; it keeps that room through layout (its first
    // line holds the paragraph's array), so a long document would carry
    // the slack of every paragraph. The room goes before the line is ended.
    if (TextLine* l = cursorLine(); l && W.Cursor.Char == l->CharCount()) l->Chars.shrink_to_fit();
    readerBreakLine(W, endKind);
}

void Reader::inlineBreak(uint8_t code)
{
    TextLine* l = cursorLine();
    if (!l) return;
    AbsatzFormat copy = SavedCellFormat ? *SavedCellFormat : l->Para.get();
    TextChar* ch = newChar(code);
    if (!ch || code != 13) return;
    // The paragraph that follows inside the cell starts from a plain cell format.
    copy.LeftIndent = copy.RightIndent = 2.5;
    copy.LineSpacing = 1.0;
    copy.LineSpacingMode = 0;
    copy.SpaceAbove = copy.SpaceBelow = 0;
    copy.Tabs.clear();
    copy.BulletFace.reset();
    copy.ListKind = 0;
    ch->ParaCopy() = copy;
    SavedCellFormat = copy;
}

void Reader::closeCell()
{
    if (CellsInRow >= kMaxCellsPerRow) return;  // further cells run on in the last one
    TextLine* l = cursorLine();
    if (!l) return;
    applyParagraph(*l);
    // Every "cell" closes a cell, also an empty one.
    breakLine(ekParagraph);
    SavedCellFormat.reset();
    paragraphEnded();
    ++CellsInRow;
}

void Reader::finishRow()
{
    if (TextLine* l = cursorLine(); l && l->CharCount() > 0) closeCell();
    const int32_t n = CellsInRow;
    const int32_t area = W.Cursor.Area;
    if (n <= 0 || !validIndex(area, W.Areas.size())) {
        RowFinished = true;
        return;
    }
    std::vector<TextLine>& lines = W.Areas[size_t(area)].Lines;
    const int32_t first = W.Cursor.Line - n;
    if (first < 0) {
        RowFinished = true;
        return;
    }
    const double rowWidth = Cells.empty() ? 14000.0 : Cells.back().Right - RowLeft;
    for (int32_t i = 0; i < n; ++i) {
        TextLine& l = lines[size_t(first + i)];
        l.RowFirstRun = l.RowLastRun = l.IsCell = 1;
        l.CellsPerRow = n;
        l.CellIndex = i;
        l.EndKind = ekParagraph;
        l.CellInsetLeft = RowLeft;
        l.CellInsetRight = Cells.empty() ? 0 : rowWidth + 99999;
        double width = 0;
        if (Cells.empty()) width = 14000.0 / n;
        else if (i == 0) width = Cells[0].Right - RowLeft;
        else if (size_t(i) < Cells.size()) width = Cells[size_t(i)].Right - Cells[size_t(i) - 1].Right;
        else width = Cells.back().Right;
        // Boundaries out of order would give a cell no room at all.
        l.CellWidth = std::clamp(width, 1.0, 5000.0);
        SetStandardCellDesign(l.Design);
        AbsatzFormat& cellFormat = l.Para.edit();
        cellFormat.LeftIndent = cellFormat.RightIndent = 2.5;
        if (size_t(i) < Cells.size()) {
            const CellEntry& e = Cells[size_t(i)];
            for (int s = 0; s < 4; ++s) {
                l.Design.BorderOn[size_t(s)] = e.On[size_t(s)];
                l.Design.BorderWidth[size_t(s)] = e.Slots[size_t(s)].first / 20.0;
                const int32_t ci = e.Slots[size_t(s)].second;
                l.Design.BorderColor[size_t(s)] = validIndex(ci, Colors.size()) ? Colors[size_t(ci)] : 0;
            }
            uint32_t bg = validIndex(e.Background, Colors.size()) ? Colors[size_t(e.Background)] : 0xFFFFFF;
            if (e.Shading >= 0) {
                uint32_t shaded = 0;
                for (int s = 0; s < 3; ++s) {
                    const double comp = (bg >> (8 * s)) & 0xFF;
                    shaded |= uint32_t(std::trunc(comp - comp * e.Shading / 10000.0)) << (8 * s);
                }
                bg = shaded;
            }
            if (validIndex(e.Background, Colors.size()) || e.Shading >= 0) {
                l.Design.Background = bg;
                l.Design.Transparent = 0;
            }
        }
        l.Dirty = 1;
    }
    CellsInRow = 0;
    RowFinished = true;
    Cells.clear();
    SavedCellFormat.reset();
    paragraphEnded();
}

void Reader::insertFootnote()
{
    if (W.FootnoteCounter < 0 || W.FootnoteCounter >= kMaxFootnotes) {
        Cur.Dest = Destination::Skip;
        return;
    }
    // Footnotes have none of their own.
    const TextArea& here = W.Areas[size_t(std::clamp(W.Cursor.Area, 0, W.AreaCount() - 1))];
    if (here.AreaType == atFooter && here.FootnoteNumber > 0) {
        Cur.Dest = Destination::Skip;
        return;
    }
    const int32_t id = ++W.FootnoteCounter;
    const std::string number = std::to_string(id);
    if (TextChar* ref = newChar('1')) {
        ref->Kind = ckFootnoteRef;
        ref->setFootnoteId(uint16_t(id));
        ref->setShownNumber(uint16_t(id));
        W.RenderChar(*ref, true, number);
    }
    const TextPos after = W.Cursor;
    const int32_t fa = readerNewFootnoteArea(W, id);
    if (fa < 0) {
        Cur.Dest = Destination::Skip;
        return;
    }
    W.Cursor = TextPos{fa, 0, 0};
    if (TextChar* own = newChar('1')) {
        own->Kind = ckFootnoteNumber;
        own->setFootnoteId(uint16_t(id));
        own->setShownNumber(uint16_t(id));
        W.RenderChar(*own, true, number);
    }
    // The footnote's own text brings the space after its number.
    Cur.Dest = Destination::Footnote;
    cursorMoved(after);
    // The text after the footnote goes on behind its mark.
    if (!Stack.empty()) Stack.back().Return = after;
}

void Reader::finishFormField()
{
    InFormField = true;
    if (!hasDoc()) return;
    if (FormName.empty()) FormName = "Feldname";
    TextChar* ch = newChar(' ');
    if (!ch) return;
    ch->Kind = ckField;
    ch->Code = 'a';
    TMDIChild::SetPCharText(ch->FieldResult(), FormDefault.empty() ? "{" + FormName + "}" : FormDefault);
    TMDIChild::SetPCharText(ch->FieldCode(), "FormField" + FormName);
    W.RenderChar(*ch, false, *ch->FieldResult());
}

void Reader::finishShapeProperty()
{
    if (!validIndex(ShapeArea, W.Areas.size())) return;
    TextArea& a = W.Areas[size_t(ShapeArea)];
    const std::string name = asciiLower(ShapeName);
    int64_t value = 0;
    {
        size_t i = 0;
        bool negative = false;
        while (i < ShapeValue.size() && ShapeValue[i] == ' ') ++i;
        if (i < ShapeValue.size() && ShapeValue[i] == '-') negative = true, ++i;
        while (i < ShapeValue.size() && ShapeValue[i] >= '0' && ShapeValue[i] <= '9' && value < INT32_MAX)
            value = value * 10 + (ShapeValue[i++] - '0');
        value = std::min<int64_t>(value, INT32_MAX);
        if (negative) value = -value;
    }
    const double emuMm = clampMm(double(value) / 914400.0 * kMmPerInch);
    if (name == "dxtextleft") a.InnerLeft = std::max(0.0, emuMm);
    else if (name == "dytexttop") a.InnerTop = std::max(0.0, emuMm);
    else if (name == "dxtextright") a.InnerRight = std::max(0.0, emuMm);
    else if (name == "dytextbottom") a.InnerBottom = std::max(0.0, emuMm);
    else if (name == "relleft") a.Left = lengthMm(int32_t(value));
    else if (name == "reltop") a.Top = lengthMm(int32_t(value));
    else if (name == "relright") a.Right = lengthMm(int32_t(value));
    else if (name == "relbottom") a.Bottom = lengthMm(int32_t(value));
    else if (name == "fline") { if (value == 0) a.BorderWidth = 0; }
    else if (name == "linewidth") a.BorderWidth = std::clamp(value / 12700.0, 0.0, 100.0);
    else if (name == "linecolor") a.BorderColor = uint32_t(value) & 0xFFFFFF;
    else if (name == "ffilled") {
        if (value == 0) {
            a.Transparent = 1;
            a.FillColor = 0xFFFFFF;
        } else {
            a.Transparent = 0;
        }
    } else if (name == "fillcolor") a.FillColor = uint32_t(value) & 0xFFFFFF;
    else if (name == "shapetype") {
        if (value == 1 || value == 2) a.AreaType = atRectangle;
        else if (value == 3) a.AreaType = atEllipse;
        else if (value == 20) a.AreaType = atLine;
        else if (value == 75) a.AreaType = atGraphic;
    } else if (name == "fflipv" || name == "ffliph" || name == "frelflipv" || name == "frelfliph") {
        if (value > 0) a.Rising = !a.Rising;
    }
}

void Reader::finishShape(TextPos back)
{
    if (!validIndex(ShapeArea, W.Areas.size())) return;
    TextArea& a = W.Areas[size_t(ShapeArea)];
    if (YAnchor == 2) {
        const int32_t id = W.getFreeAnkerID();
        a.AnchorOffsetX = a.Left;
        a.AnchorOffsetY = a.Top;
        a.AnchorId = id;
        a.MoveWithText = 1;
        // The shape is anchored to the line its group stood in.
        TMDIChild::ClampPosition(W.Areas, back);
        if (TextLine* l = lineAt(W, back)) {
            if (l->AnchorId >= kPageMarkBase) {
                // The line's page mark gives way to the real anchor.
                for (auto& shape : PageShapes)
                    if (shape.second == l->AnchorId) shape.second = id;
                l->AnchorId = 0;
            }
            if (l->AnchorId == 0) l->AnchorId = id;
            else a.AnchorId = l->AnchorId;
        }
    } else {
        if (XAnchor == 1) {
            a.Left += W.Areas[0].InnerLeft;
            a.Right += W.Areas[0].InnerLeft;
        }
        if (YAnchor == 1) {
            a.Top += W.Areas[0].InnerTop;
            a.Bottom += W.Areas[0].InnerTop;
        }
        // A shape placed on the page shows on the page its paragraph lands
        // on; which page that is only layout can tell, so its line is
        // marked until then.
        TMDIChild::ClampPosition(W.Areas, back);
        if (TextLine* l = lineAt(W, back); l && back.Area == 0) {
            if (l->AnchorId == 0) l->AnchorId = NextPageMark++;
            PageShapes.emplace_back(ShapeArea, l->AnchorId);
        }
    }
    ShapeArea = -1;
}

void Reader::finishPicture()
{
    std::vector<uint8_t> bytes = std::move(Picture);
    Picture = {};
    if (PictureBad || bytes.empty() || !hasDoc()) return;
    Dib pic;
    if (PicKind == 1) OpenDibFromMemory(&pic, bytes.data(), bytes.size(), 14);
    else if (PicKind == 2) OpenDibFromMemory(&pic, bytes.data(), bytes.size(), 7);
    else if (PicKind == 0) playMetafile(bytes.data(), bytes.size(), pic);
    if (pic.empty() || W.Pictures.size() >= 65535) return;
    const int32_t w = PicW < 1 ? 1440 : PicW, h = PicH < 1 ? 1440 : PicH;
    int32_t gw = PicGoalW < 1 ? w : PicGoalW, gh = PicGoalH < 1 ? h : PicGoalH;
    if (PicKind != 0 && (PicW < 1 || PicGoalW < 1)) {
        // Without sizes a bitmap picture shows at 96 dots per inch.
        gw = PicGoalW < 1 ? dibwidth(pic) * 15 : gw;
        gh = PicGoalH < 1 ? dibheight(pic) * 15 : gh;
    }
    if (InlineShape && InlineRect[2] > InlineRect[0] && InlineRect[3] > InlineRect[1]) {
        // Edges far apart must not overflow; the size is clamped anyway.
        gw = int32_t(std::min<int64_t>(int64_t(InlineRect[2]) - InlineRect[0], INT32_MAX));
        gh = int32_t(std::min<int64_t>(int64_t(InlineRect[3]) - InlineRect[1], INT32_MAX));
    }
    W.Pictures.push_back(std::move(pic));
    TextChar* ch = newChar(' ');
    if (!ch) {
        W.Pictures.pop_back();
        return;
    }
    ch->Kind = ckPicture;
    ch->setPictureIndex(uint16_t(W.Pictures.size() - 1));
    ch->Width = std::clamp(lengthMm(gw), 0.5, 1000.0);
    ch->setHeight(std::clamp(lengthMm(gh), 0.5, 1000.0));
}

void Reader::afterParse()
{
    if (!hasDoc()) return;
    const DocProps& d = BodyDoc;
    TextArea& body = W.Areas[0];
    if (BodySeen) {
        W.PageWidth = std::clamp(lengthMm(d.PaperWidth), 10.0, 5000.0);
        W.PageHeight = std::clamp(lengthMm(d.PaperHeight), 10.0, 5000.0);
        body.InnerLeft = std::clamp(lengthMm(d.Left), 0.0, W.PageWidth / 2);
        body.InnerRight = std::clamp(lengthMm(d.Right), 0.0, W.PageWidth / 2);
        body.InnerTop = std::clamp(lengthMm(d.Top), 0.0, W.PageHeight / 2);
        body.InnerBottom = std::clamp(lengthMm(d.Bottom), 0.0, W.PageHeight / 2);
    }
    W.SetPrinterProps();
    // Rows store their width as "width + 99999" in the right inset while
    // the page is unknown; now that it is, the inset becomes what the row
    // leaves of the text width, as painting would make it, so that the
    // first layout already breaks cells at their real width.
    for (int32_t ai = 0; ai < W.AreaCount(); ++ai) {
        const double width = W.AreaTextWidth(ai);
        if (!std::isfinite(width) || width <= 0) continue;
        for (TextLine& l : W.Areas[size_t(ai)].Lines) {
            if (!l.IsCell || l.CellInsetRight <= 99999) continue;
            const double left = std::min(l.CellInsetLeft, width - 10);
            l.CellInsetRight = std::max(0.0, width - left - (l.CellInsetRight - 99999));
        }
    }
    // Headers stand between the page edge and the body; a distance that
    // would put them past the page edge is held at the edge.
    if (HeaderDistance + 1 > body.InnerTop)
        HeaderDistance = std::max(0.0, body.InnerTop - 0.5142857142857 * kMmPerInch);
    if (FooterDistance + 1 > body.InnerBottom)
        FooterDistance = std::max(0.0, body.InnerBottom - 0.5142857142857 * kMmPerInch);
    for (int i = 1; i <= 6 && i < W.AreaCount(); ++i) {
        TextArea& a = W.Areas[size_t(i)];
        a.InnerLeft = body.InnerLeft;
        a.InnerRight = body.InnerRight;
        if (i % 2 == 1) {
            a.InnerTop = HeaderDistance;
            a.Bottom = std::max(0.0, body.InnerTop - 0.5);
        } else {
            a.InnerBottom = FooterDistance;
            a.Top = std::max(0.0, body.InnerBottom - 0.5);
        }
    }
    for (TextArea& a : W.Areas)
        if (a.AreaType == atFooter && a.FootnoteNumber > 0) {
            a.InnerLeft = body.InnerLeft;
            a.InnerRight = body.InnerRight;
        }
    uint8_t m12 = 99, m34 = 99, m56 = 1;
    if (TitlePage && FacingPages) m12 = 0, m34 = 5, m56 = 6;
    else if (TitlePage) m12 = 0, m34 = 99, m56 = 2;
    else if (FacingPages) m12 = 99, m34 = 3, m56 = 4;
    const uint8_t modes[7] = {0, m12, m12, m34, m34, m56, m56};
    for (int i = 1; i <= 6 && i < W.AreaCount(); ++i) W.Areas[size_t(i)].PageMode = modes[i];
    placePageShapes();
}

void Reader::placePageShapes()
{
    if (PageShapes.empty()) return;
    // Layout breaks the body into pages and soft lines, which a freshly
    // read document does not have yet; it runs once to learn the pages,
    // and the document is then put back as it was read.
    std::vector<TextArea> asRead = W.Areas;
    std::vector<std::pair<TextPos*, TextPos>> positions;
    for (TextPos* p : W.StoredPositions()) positions.emplace_back(p, *p);
    W.SetAllDirtyFlags();
    W.MakeSoftEnters();
    std::map<int32_t, int32_t> pageOf;
    for (const TextArea& a : W.Areas) {
        if (a.AreaType != atPageBody) continue;
        for (const TextLine& l : a.Lines)
            if (l.AnchorId != 0) pageOf.emplace(l.AnchorId, a.PageIndex);
    }
    W.Areas = std::move(asRead);
    for (const auto& [p, value] : positions) *p = value;
    for (TextLine& l : W.Areas[0].Lines)
        if (l.AnchorId >= kPageMarkBase) l.AnchorId = 0;
    for (const auto& [area, mark] : PageShapes) {
        const auto it = pageOf.find(mark);
        if (it != pageOf.end() && validIndex(area, W.Areas.size())) W.Areas[size_t(area)].PageIndex = std::max(0, it->second);
    }
}

} // namespace

int32_t ReadRtfFile(TMDIChild& w, const uint8_t* data, size_t size)
{
    Reader r(w, data, size);
    const int32_t result = r.run();
    TMDIChild::ClampPosition(w.Areas, w.Cursor);
    w.Anchor = w.Cursor;
    w.InvalidateMarking();
    w.SetAllDirtyFlags();
    return result;
}

} // namespace quillet
