#pragma once
// TMDIChild: the document window's logic and state. It owns one document and
// every piece of editing state; the Qt widget in app/ hosts one and forwards
// events to its handlers. Its methods live in one source file per area of
// behaviour (Storage.cpp, Selection.cpp, ...).
//
// Positions are indices (area, line, character); structural edits go through
// the storage primitives so stored positions stay valid.

#include "engine/FrameState.h"
#include "engine/HostView.h"
#include "engine/Records.h"
#include "engine/Undo.h"
#include "platform/Dib.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace quillet {

class WordList;
class HyphenPatternTable;

class TMDIChild {
public:
    explicit TMDIChild(FrameState& frame);
    ~TMDIChild();
    TMDIChild(const TMDIChild&) = delete;
    TMDIChild& operator=(const TMDIChild&) = delete;

    FrameState& Frame;
    // Host widget and frame UI; never null (defaults do nothing).
    HostView* Host;
    FrameUi* Ui;
    void setHost(HostView* host) { Host = host ? host : &NullHost; }
    void setFrameUi(FrameUi* ui) { Ui = ui ? ui : &NullUi; }

    // ---- Document state --------------------------------------------------
    double ZoomPercent = 100;
    int32_t ZoomMode = 0;
    std::vector<TextArea> Areas;
    TextPos Anchor;
    TextPos Cursor;
    int32_t CurrentPage = 0;
    uint8_t CaretAtLineEnd = 0;
    int32_t InsertMode = 0;
    int32_t CaretHeight = 14;
    CurrentFontState FontState;
    uint8_t UpdatingToolbar = 0;
    HyphenPatternTable* CurrentPatternTable = nullptr;
    uint8_t AutoHyphenation = 1;
    int32_t DocLanguage = 0;
    uint8_t NoRefresh = 0;
    uint8_t ProgramTyping = 0;
    std::string DocTitle;
    std::string DocPath;
    std::string ProgDir;
    uint8_t Modified = 0;
    int32_t FileFormatIndex = 0;
    WordList* CurrentWordList = nullptr;
    std::vector<std::string> SuggestionList;
    std::vector<std::string> AlwaysChangeFrom;
    std::vector<std::string> AlwaysChangeTo;
    std::vector<Dib> Pictures;
    std::vector<MouseObj> MouseObjs;
    std::vector<TableTrack> TableTracks;
    int32_t PrinterDpi = 600;
    double PageWidth = 210;
    double PageHeight = 297;
    // Page size in printer pixels (set with the printer properties).
    int32_t PageWidthPx = 4960;
    int32_t PageHeightPx = 7015;
    // Layout converts page sizes through a fixed logical screen resolution,
    // so page breaks never depend on the monitor.
    int32_t ScreenDpi = 96;
    std::vector<VorlageRecord> Vorlagen;
    int32_t FootnoteCounter = 0;
    std::array<std::string, 8> DocProperties;
    std::vector<FontEntry> Fonts;
    uint8_t RenderAllPages = 0;
    uint8_t RefreshAfterPaint = 0;
    std::vector<UndoCopy> UndoCopies;
    int32_t UndoPos = 0;             // copies 0..UndoPos-1 lie behind the current state

    void SetEditingDefaults();

    int32_t AreaCount() const { return static_cast<int32_t>(Areas.size()); }
    int32_t FontCount() const { return static_cast<int32_t>(Fonts.size()); }

    // ---- Storage (Storage.cpp) --------------------------------------------
    void NewField();
    void NewPage(bool withLine);
    void CreateHeaderFooter();
    void NewHeaderField();
    void NewFooterField();
    void DeleteField(int32_t index);
    void FreeFields();
    void InsertNewLine(int32_t area, int32_t index);
    // The new character at the cursor, or null when the cursor is outside the document.
    TextChar* NewChar();
    static void freezeichen(TextChar& c);
    static void SetPCharText(Boxed<std::string>& slot, std::string_view text);
    int32_t GetNewFontIndex(const FontEntry& format);
    void RenderChar(TextChar& c, bool superscript, std::string_view text);
    void SetAllDirtyFlags();
    void ClearAllDirtyFlags();
    void FreeBilderListe();
    void FreeBildInListe(int32_t index);
    void FreeBildInListeIfNotNeeded();
    void AddMouseObj(int32_t kind, int32_t left, int32_t top, int32_t right, int32_t bottom);
    void FreeMouseObjs();
    void AddTableTrack(int32_t area, int32_t cellLine, int32_t side);
    void FreeTableTrack();

    // ---- Undo (Undo.cpp) ---------------------------------------------------
    // A run of edits of one kind is open: its next edit takes no snapshot.
    uint8_t TypingRun = 0;
    // Snapshot of the whole document before an edit named by `label`.
    void MakeCopyForUndo(std::string_view label);
    // Undo k + 1 steps (k = index in the undo list, newest first).
    void RestoreCopyFromUndo(int32_t k);
    // Redo k + 1 steps.
    void RestoreBeforeRestoreCopyFromUndo(int32_t k);
    // Makes copy i the document; the copy stays intact.
    void RestoreCopyNrFromUndo(int32_t i);
    // Frees copy i's text; the slot stays.
    void FreeUndoCopy(int32_t i);
    void FreeAllUndoCops();
    void SetUndoHints();

    // ---- Document window (DocumentWindow.cpp) -----------------------------
    // What the form does when it is made: defaults, the empty document, the
    // styles, then the template or the file the frame names.
    void FormCreate();
    // Hands the frame's document menus and toolbars back and frees the document.
    void FormDestroy();
    enum class CloseAction { None, Hide, Free, Minimize };
    void FormClose(CloseAction& action);
    // Both act only when `sender` is the frame's active document window.
    void FormActivate(const TMDIChild* sender);
    void FormDeactivate(const TMDIChild* sender);
    void Timer1Timer();
    void Timer2Timer();
    void CompleteRefresh();
    void RefreshDirtyContent();
    void RefreshContent();
    void ScrollCursorinView();
    void SetFileChanged(bool changed);
    void FormMouseWheelDown();
    void FormMouseWheelUp();
    void ScrollBox1MouseDown();
    // Caret as the renderer last placed it (scroll box client pixels).
    int32_t CaretX = 0;
    int32_t CaretY = 0;
    int32_t CaretWidth = 2;
    // The renderer found the caret outside its text region.
    uint8_t CaretOutside = 0;
    // Filter of the picture file dialog.
    std::string PictureDialogFilter;

    // ---- Styles (Styles.cpp) ----------------------------------------------
    void AddVorlage(std::string_view name, uint8_t kind, const TextChar& sample,
                    const AbsatzFormat& para);
    void FreeVorlagen();
    void CreateStandartVorlagen();
    // Brings the frame's style box in line with the style list.
    void ListAllVorlagen();

    // ---- Printer and page setup (render/PrinterProps.cpp) -----------------
    // Measuring resolution and the page size in printer pixels.
    void SetPrinterProps();
    // The page setup command (PageSetupDialog.cpp); without the dialog it
    // re-applies the document's own values, so headers and footers follow
    // the body's margins.
    void PageSetup(uint8_t showDialog);

    // ---- Layout: line breaking (Layout.cpp) --------------------------------
    // The layout pass: joins the lines that belong together, breaks every
    // dirty line, sets heights and list numbers, marks misspelt words, then
    // places the lines (FlowGather before breaking, FlowPlace after). Ends
    // with every dirty flag cleared.
    void MakeSoftEnters();
    // Height of a just-broken line from the tallest character its walk
    // passed (< 0: none; a space of the measuring font is taken), with its
    // line spacing; a table run's last cell gives the whole run its height.
    void CalcLineHeight(int32_t area, int32_t line, double tallest);
    // Height of a space (mm) in the measuring font LayoutFontIndex.
    double LayoutSpaceHeight();
    // List numbering counters of one pass, by cell index; a new one starts at 1.
    int32_t getNumCounter(int32_t cellIndex);
    void setNumCounter(int32_t cellIndex, int32_t value);
    // Width (mm) of an area's text, and of one text column of a line in it.
    double AreaTextWidth(int32_t area) const;
    double ColumnWidth(int32_t area, const TextLine& line) const;
    // Spacing that placement applies to a line: in a table run the largest
    // of its cells' (layout-only, never written into the cells' formats),
    // outside tables the line's own.
    static double RowSpaceAbove(const std::vector<TextLine>& lines, int32_t line);
    static double RowSpaceBelow(const std::vector<TextLine>& lines, int32_t line);
    // Format of the last inline paragraph end the pass met, until the line
    // after it is split off.
    AbsatzFormat LayoutPara;
    // Measuring font of the pass: a font index, or -1 for the current format.
    int32_t LayoutFontIndex = -1;
    std::vector<int32_t> NumCounters;
    std::vector<double> LayoutSpaceHeights;  // slot 0 current format, i + 1 font i; < 0 unknown

    // ---- Layout: page flow (PageFlow.cpp) ----------------------------------
    // Gathering: every flow collapses into its first area before breaking.
    void FlowGather();
    // Footnote sizing, placement, flowing on, orphan and empty-page removal.
    void FlowPlace();

    // ---- Footnotes (Footnotes.cpp) -----------------------------------------
    // Insert > Footnote at the cursor (after the selection, if any).
    void FussnoteEinfuegen();
    // Last footnote area with this id; -1 if none.
    int32_t GetFootNoteField(int32_t id) const;
    // Last page body of this page; 0 if none.
    int32_t GetFieldofPage(int32_t page) const;

    // ---- Text columns (Columns.cpp) ----------------------------------------
    // Where a line of a column block falls, for a given available height.
    struct SpaltenInfo {
        int32_t IndexInBlock = 0;
        int32_t BlockLines = 0;
        bool BlockAtAreaStart = false;
        bool BlockAtAreaEnd = false;
        int32_t Column = 0;
        bool OpensColumn = false;
        bool ClosesColumn = false;
        double StepBack = 0;
        double FillUp = 0;
        int32_t ColumnsUsed = 0;
        bool BeyondLastColumn = false;
        double ColumnHeight = 0;
    };
    bool isfirstSpaltenrow(int32_t area, int32_t line) const;
    SpaltenInfo getspalteninfo(int32_t area, int32_t line, double available) const;

    // ---- Fields (Fields.cpp) -----------------------------------------------
    void FelderAktuallisieren();

    // ---- Floating areas (FloatingAreas.cpp) -------------------------------
    // Whether an area with page mode `mode` and PageIndex `ownPage` shows on `page`.
    static bool istOnAllPagesGedeckt(int32_t mode, int32_t ownPage, int32_t page);
    // An area's edges in page millimetres (x from the left, y from the top).
    struct AreaEdges { double Left = 0, Top = 0, Right = 0, Bottom = 0; };
    static AreaEdges FloatingAreaEdges(const TextArea& a, double pageWidthMm, double pageHeightMm);
    // Result of a wrap test. Hit: the box meets a floating area; then either
    // x has moved forward past it, or NextLine is set: the box may not stand
    // beside the area at all and belongs on a later line (x is then left as given).
    struct FieldCollision {
        bool Hit = false;
        bool NextLine = false;
        explicit operator bool() const { return Hit; }
    };
    // Lengths in page mm; the pixel sizes and resolution only place edges
    // measured from the right or bottom. Also offers (area, line) as anchor
    // candidate to every anchorable area on the page.
    FieldCollision iscolladingwithfield(int32_t page, int32_t pageWidthPx, bool anchorOnly,
                                        bool mayAnchor, double lineTopY, double lineLeftX,
                                        int32_t line, int32_t area, double boxHeight,
                                        double boxWidth, double boxTopY, double& x,
                                        int32_t resolution, int32_t pageHeightPx);
    // Smallest id >= 100 held neither by an anchored area nor by any line.
    int32_t getFreeAnkerID() const;
    // First anchored area at or after `start` (clamped to 0) holding `id`; -1 if none.
    int32_t getfieldWithAnkerID(int32_t start, int32_t id) const;

    // ---- Spelling (language/Spelling.cpp) ----------------------------------
    // All act on CurrentWordList; without one nothing is correct or added.
    void addwordtowordlist(std::string_view word);
    // Merges a string list of the frame (IgnoreList, UserDict).
    void addlisttowordlist(const WordList& words);
    bool istwortkorrekt(std::string_view word, uint8_t allowCapital);
    // Replaces SuggestionList.
    void findewortvorschlaege(std::string_view word);

    // ---- Hyphenation (language/Hyphenation.cpp) --------------------------
    // Words already hyphenated in this window: ASCII-uppercased word ->
    // its hyphenated form (in the letter case it was first asked in).
    std::unordered_map<std::string, std::string> HyphenCache;
    // Points CurrentWordList and CurrentPatternTable at the document
    // language's data, loading the patterns on the language's first use.
    void OpenHyphenData();
    void SetNewDokumentSprache(int32_t language);
    // Empties the hyphenation cache.
    void FreeHyphenData();
    // The word with "-" at every break point.
    std::string TrenneSilben(std::string_view word);

    // ---- Native format (formats/NativeFormat.cpp) -------------------------
    // Both report their failures in a message box and return false; a file
    // that fails to open leaves the document as it was, a failed save
    // leaves the file on disk as it was. Unless the frame's KeepName is
    // set, success takes the file's name into the window.
    bool SaveQDTFile(const std::string& path);
    bool OpenQDTFile(const std::string& path);

    // ---- Position fix-up (Positions.cpp) ----------------------------------
    // Every structural edit reports itself here so the cursor, the anchor
    // and every registered position keep pointing at the same text.
    std::vector<TextPos*> StoredPositions();
    // Extra positions to keep valid (e.g. a walk in progress); not owned.
    void RegisterPosition(TextPos* p);
    void UnregisterPosition(TextPos* p);
    void PositionsLinesInserted(int32_t area, int32_t index, int32_t count);
    // Line `index` was removed; positions on it move to (area, toLine, toChar + their char).
    void PositionsLineRemoved(int32_t area, int32_t index, int32_t toLine, int32_t toChar);
    void PositionsCharsInserted(int32_t area, int32_t line, int32_t at, int32_t count);
    // Characters [at, at+count) of a line were removed.
    void PositionsCharsRemoved(int32_t area, int32_t line, int32_t at, int32_t count);
    // Characters from `at` on moved to the start of line `newLine` (already inserted).
    void PositionsLineSplit(int32_t area, int32_t line, int32_t at, int32_t newLine);
    // Area `index` was removed; positions in it move to `fallbackArea` (index after removal), line 0.
    void PositionsAreaRemoved(int32_t index, int32_t fallbackArea);
    // Puts every stored position back inside the document.
    void ClampPositions();
    static void ClampPosition(const std::vector<TextArea>& areas, TextPos& p);

    // ---- Selection and walkers (Selection.cpp) ----------------------------
    // Positions of a flow are ordered by the place of their area in the flow
    // chain, then line, then char. A selection never leaves the anchor's
    // chain: a cursor in another chain counts as standing at the end of the
    // anchor's chain when its area index is above the anchor's, else at the
    // chain's start.
    //
    // A walk in progress. Its position belongs to the caller, so a paint
    // (which asks isinmarking) in the middle of a walk cannot move it. The
    // fields after Pos are a step budget against malformed tables, renewed
    // whenever Pos is set from outside.
    struct TextWalker {
        TextPos Pos;
        TextWalker() = default;
        explicit TextWalker(TextPos p) : Pos(p) {}
        TextPos Seen{-1, -1, -1};
        int64_t Budget = -1;
    };
    struct MarkingCache;
    TextPos MarkingStart;            // first selected position
    TextPos MarkingEnd;              // first position after the selection
    uint8_t CellMarking = 0;         // touches cells and spans more than one line
    uint8_t RowMarking = 0;          // whole rows within MarkColumnFirst..Last
    int32_t MarkColumnFirst = 0;
    int32_t MarkColumnLast = 0;
    uint8_t WalkAllAreas = 0;        // a walk leaving its chain goes on in the first unvisited area
    uint8_t WalkByLines = 0;         // an empty line is a stop
    int32_t WalkPrevArea = 0;        // the anchor's area, stored when a walk enters a linked area
    TextWalker Walk;                 // the walk of the argument-less walkers
    // The ordered selection is cached per anchor, cursor and revision: every
    // structural edit and the layout pass call InvalidateMarking().
    uint64_t DocRevision = 0;
    void InvalidateMarking() { ++DocRevision; }
    void GoToLine(int32_t& area, int32_t& line);
    bool isThereAmarking() const { return !(Anchor == Cursor); }
    // Orders and widens the selection; Walk starts at MarkingStart.
    void FindMarkingStart();
    // FindMarkingStart, and a fresh walker at MarkingStart.
    TextWalker MarkedWalk();
    bool isinmarking(int32_t area, int32_t line, int32_t ch);
    bool getnextchar(TextWalker& w);
    bool getnextcharTableBlind(TextWalker& w);
    bool getPrevsChar(TextWalker& w);
    bool getnextmarkedchar(TextWalker& w);
    bool getnextmarkedcharTableBlind(TextWalker& w);
    bool getnextmarkedline(TextWalker& w);
    bool getnextmarkedlineTableBlind(TextWalker& w);
    bool getnextchar();
    bool getnextcharTableBlind();
    bool getPrevsChar();
    bool getnextmarkedchar();
    bool getnextmarkedcharTableBlind();
    bool getnextmarkedline();
    bool getnextmarkedlineTableBlind();
    void AbsatzMarkieren();
    void WortMarkieren();
    void GetActualWord(uint8_t moveToStart, std::string& word);

private:
    std::shared_ptr<MarkingCache> MarkCache;
    uint8_t WalkRegistered = 0;
    const MarkingCache& currentMarking(bool recompute);
    bool nextMarked(TextWalker& w, bool tableBlind, bool byLines);
    TextWalker& windowWalk();

private:
    std::vector<TextPos*> ExtraPositions;
    HostView NullHost;
    FrameUi NullUi;
};

} // namespace quillet
