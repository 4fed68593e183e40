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
#include "engine/MouseState.h"
#include "engine/Records.h"
#include "engine/Undo.h"
#include "platform/Dib.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace quillet {

class WordList;
class HyphenPatternTable;
class Canvas;
class ImageCanvas;

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
    // DocTitle as captions and messages show it (UTF-8): a file's name with
    // the letters the code page lacks. Set with SetDocTitle.
    std::string ShownTitle;
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
    static void SetPCharText(CharSlot<std::string> slot, std::string_view text);
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
    // Names the window: DocTitle the name in the code page, ShownTitle the
    // name as given (UTF-8).
    void SetDocTitle(const std::string& utf8Name);
    // The name to show: ShownTitle while it still names DocTitle, else
    // DocTitle in UTF-8.
    std::string ShownDocTitle() const;
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
    // A new style (0 paragraph, 1 character) from the format at the cursor,
    // named in the rename dialog.
    void NeueVorlage(uint8_t kind);
    // The manage-templates dialog; its "Use" applies the selected style.
    void VorlagenVerwalten();
    // Applies style `index` to the paragraphs and text the cursor or the
    // selection touches (an index outside the list does nothing); one undo step.
    void useVorlage(int32_t index);
    // Removes style `index`; the later ones move down one place.
    void DeleteVorlage(int32_t index);

    // ---- Printer and page setup (PrinterProps.cpp) --------------------------
    // Measuring resolution and the page size in printer pixels.
    void SetPrinterProps();
    // The page setup command (PageSetupDialog.cpp); without the dialog it
    // re-applies the document's own values, so headers and footers follow
    // the body's margins.
    void PageSetup(uint8_t showDialog);

    // ---- Layout: line breaking (Layout.cpp) --------------------------------
    // Depth of the follow-up passes a pass runs for lines placement marked.
    int32_t LayoutFollowUps = 0;
    // How many follow-up passes one pass may run; lines still marked after
    // them keep their mark, so the next pass breaks them, and a repaint is
    // asked for.
    int32_t LayoutFollowUpLimit = 2;
    // Passes in a row that ended with lines still marked (bounded, so a
    // document that never settles stops asking for more).
    int32_t LayoutCarryOvers = 0;
    // Whether placement or a page count marked a line in this pass. The
    // breaking walk leaves every line unmarked, so a pass that marked none
    // after it needs no walk over the document to know it.
    bool LayoutMarkedLines = false;
    // The layout pass: joins the lines that belong together, breaks every
    // dirty line, sets heights and list numbers, marks misspelt words, then
    // places the lines (FlowGather before breaking, FlowPlace after). Ends
    // with every dirty flag cleared, but for lines placement marked that
    // the follow-up passes left unsettled (see LayoutFollowUpLimit).
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

    // Whether a line's misspelt marks were set against the current word
    // list, with its characters and line end as they are (the walk that sets
    // marks passes over such a line).
    bool SpellMarksKnown(const TextLine& l) const;
    // Whether those marks were set with a word running in from the line
    // before (they are set again when that line changes).
    bool SpellMarksRunInFromBefore(const TextLine& l) const;
    // What a pass lays out with besides the lines: the page height, the
    // resolutions and the spelling state (0: no marks set).
    struct FlowStamp {
        int32_t PageHeightPx = 0, PrinterDpi = 0, ScreenDpi = 0;
        uint64_t SpellKey = 0;
        friend bool operator==(const FlowStamp&, const FlowStamp&) = default;
    };
    FlowStamp CurrentFlowStamp() const;
    // Set by a finished pass, cleared when gathering starts: while the stamp
    // still holds, a long flow of pages is gathered only around its marked
    // lines (see FlowGather).
    std::optional<FlowStamp> LastFlowStamp;

    // ---- Layout: page flow (PageFlow.cpp) ----------------------------------
    // Gathering: a flow collapses into its first area before breaking. A
    // flow of pages without tables or columns in a document laid out
    // before with the same stamp collapses only from the paragraph of its
    // first marked line to that of its last; the other pages keep their
    // lines (LinesLeftInPlace, per area: 1), and placement moves lines
    // between them where they no longer fit or now fit.
    void FlowGather();
    std::vector<uint8_t> LinesLeftInPlace;
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
    // Format > Columns on the cursor's paragraph.
    void spaltenformat();

    // ---- Fields (Fields.cpp) -----------------------------------------------
    // Brings every field's result up to date; the first step of each layout
    // pass. A result whose width changed marks its line for breaking.
    void FelderAktuallisieren();
    // After placement: marks the lines of page count fields when the page
    // count differs from the one they were given, so the pass's follow-up
    // shows the new count.
    void FieldsAfterPlacement();
    int32_t FieldPageCount = 0;
    bool FieldPageCountLines = false;
    // A field with `code` at the cursor (one undo step "Insert field").
    void InsertField(std::string_view code);
    // Insert > Field, Page number, Date and time, Form field; the form dialog.
    void FeldEinfuegen();
    void Seitenzahleinfuegen();
    void DateTimeEinfuegen();
    void FormularFeldEinfuegen();
    void Formulardialog();
    // The properties dialog on page 0 (properties) or 1 (statistics).
    void DokumentEigenschaften(int32_t page);
    // A manual page break at the cursor (Ctrl+Enter).
    void UmbruchEinfuegen();
    // Where the field dialogs show: this when set, else the frame UI when it
    // offers them, else nowhere (each counts as cancelled).
    class FieldDialogsUi* FieldDialogs = nullptr;

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
    // candidate to every anchorable area on the page. `onPage`, when given,
    // names in area order every area that may be floating on the page (a
    // pass asks for each character: a walk of every area would cost the
    // square of a document of many frames).
    FieldCollision iscolladingwithfield(int32_t page, int32_t pageWidthPx, bool anchorOnly,
                                        bool mayAnchor, double lineTopY, double lineLeftX,
                                        int32_t line, int32_t area, double boxHeight,
                                        double boxWidth, double boxTopY, double& x,
                                        int32_t resolution, int32_t pageHeightPx,
                                        const std::vector<int32_t>* onPage = nullptr);
    // Smallest id >= 100 held neither by an anchored area nor by any line.
    int32_t getFreeAnkerID() const;
    // First anchored area at or after `start` (clamped to 0) holding `id`; -1 if none.
    int32_t getfieldWithAnkerID(int32_t start, int32_t id) const;

    // ---- Frames, drawing objects and pictures (Objects.cpp) ----------------
    // Insert modes: 0 none, 1 text frame, 2 rectangle, 3 ellipse, 4 line,
    // 5 horizontal line, 6 vertical line, 7 graphic field. The mouse code
    // drags the box in the armed mode, then calls TextfeldEinfuegen (mode 1)
    // or InsertObject(mode - 2, ...) and clears the mode.
    void SetInsertObjMode(int32_t mode);
    // A text frame on page `page` (page millimetres from the top left), no
    // undo step; cursor and anchor go to its first line. Returns the new
    // area's index.
    int32_t TextfeldEinfuegenSimple(int32_t page, double left, double top, double right, double bottom);
    // The same as one undo step "Insert field", then the document is laid out.
    void TextfeldEinfuegen(int32_t page, double left, double top, double right, double bottom);
    // kind 0 rectangle, 1 ellipse, 2 line, 3 horizontal line, 4 vertical
    // line, 5 graphic field (asks for a picture; removed again without one).
    // rising: the line runs from bottom left to top right.
    void InsertObject(int32_t kind, int32_t page, uint8_t rising, double left, double top, double right,
                      double bottom);
    // The properties dialog of the cursor's area.
    void feldformatieren();
    // Arms link mode from the cursor's text frame (the next frame clicked follows it).
    void Textfeldverknuepfen();
    // Makes frame `next` follow frame `source`. Refused with a message when
    // either is no text frame, `source` already has a successor, `next`
    // already has a predecessor, or the link would close a circle.
    bool LinkTextFrames(int32_t source, int32_t next);
    // z-order: the cursor's object swaps places with the last area / with
    // the first object slot; links keep naming the same frames.
    void Objektnachvorne();
    void Objektnachhinten();
    static constexpr int32_t kFirstObjectSlot = 7;
    // Insert > Graphic: a picture file at the cursor.
    void GrafikEinfuegen();
    // Puts a loaded picture at the cursor as one undo step "Insert graphic";
    // sized by its own resolution, else `fallbackDpi`. False (nothing
    // changed) when the cursor's area takes no text or the list is full.
    bool InsertPictureAtCursor(Dib picture, int32_t fallbackDpi, bool useOwnResolution);
    // Size of the one selected picture character.
    void GrafikFormatieren();
    void GrafikFormat1Click() { GrafikFormatieren(); }
    // The scanner: choose a device; scan a page (the picture arrives
    // through WMUser2 with the handle of the scan's mailbox entry).
    void BildScannen();
    void ScannerWaehlen();
    void WMUser2(int32_t handle);
    // Where the object dialogs show: this when set, else the frame UI when
    // it offers them, else nowhere (each counts as cancelled).
    class ObjectDialogsUi* ObjectDialogs = nullptr;

    // ---- Spelling (Spelling.cpp, UserDictionary.cpp) ------------------------
    // All act on CurrentWordList; without one nothing is correct or added.
    void addwordtowordlist(std::string_view word);
    // Merges a string list of the frame (IgnoreList, UserDict).
    void addlisttowordlist(const WordList& words);
    bool istwortkorrekt(std::string_view word, uint8_t allowCapital);
    // Replaces SuggestionList.
    void findewortvorschlaege(std::string_view word);
    // The user dictionary dialog; OK replaces UserDict and saves "user.spe".
    void UserDictionary();

    // ---- Find, replace, go to (Search.cpp) ---------------------------------
    // The find (0), replace (1) or go to page (2) dialog in a loop until it
    // is cancelled or a search finds nothing more.
    void SuchenErsetzen(int32_t mode);
    // One search for `text` from `start` (that position included), forward
    // or backward; selects the match. False when the walk ran out.
    bool SearchStep(std::string_view text, uint8_t caps, uint8_t words, uint8_t back, TextPos start);
    // Types `replacement` over the selection (an empty one deletes it).
    void ReplaceSelection(std::string_view replacement);
    // Cursor and anchor to the start of page `page` (1-based) of the main
    // flow, or of its last page.
    void GoToPageNumber(int32_t page);
    // The dialog's texts and check boxes, kept for the window's life.
    struct SearchFormModel& searchForm();
    std::shared_ptr<struct SearchFormModel> SearchState;
    // Where the search dialog shows: this when set, else the frame UI when
    // it offers it, else nowhere (cancelled).
    class SearchDialogUi* SearchDialogs = nullptr;

    // ---- Word count (WordCount.cpp) ----------------------------------------
    struct WordCounts {
        int32_t Pages = 0, Words = 0, CharsNoSpace = 0, CharsAll = 0, Paragraphs = 0, Lines = 0;
        friend bool operator==(const WordCounts&, const WordCounts&) = default;
    };
    // Counts over the whole document (every area, every line).
    WordCounts CountWords() const;
    // The statistics grid: "Description"/"Value", then one row per count.
    static std::array<std::pair<std::string, std::string>, 7> WordCountGrid(const WordCounts& counts);

    // ---- Spell-check run and the popup's spelling items (SpellRun.cpp) -----
    // The run over the whole document (1) or from the word at the cursor (0).
    void Rechtschreibpruefung(uint8_t wholeDoc);
    // One collected word (with its characters' places) put to the word list
    // and, unknown, to the dialog: 0 go on, 1 replaced, 2 cancelled.
    int32_t CheckWord(std::string word, const std::vector<TextPos>& at);
    // Into the user dictionary (saved at once) / the ignore list, and the word list.
    void LearnWord(std::string_view word);
    void IgnoreWord(std::string_view word);
    // Replaces the characters at `at` (one word, in order) by `replacement`;
    // shared characters keep their format. Cursor and anchor end after it.
    // No undo step and no layout.
    void ReplaceWordAt(const std::vector<TextPos>& at, std::string_view replacement);
    void LearnActualWord();
    void IgnorActualWord();
    // tag - 100 indexes SuggestionList.
    void CorrectActualWord(int32_t tag);
    void SpellingPopupAction(const PopupItem& item);
    class SpellCheckUi* SpellCheckDialogs = nullptr;

    // ---- Clipboard (Clipboard.cpp) -----------------------------------------
    // Copy (0) or cut (1) the selected floating areas, else the selection.
    void KopierenInZwischenAblage(uint8_t cut);
    // Paste: 0 the best format there is, 1 the private format, 2 plain
    // text, 3 a picture. True when something was pasted.
    bool EinfuegenAusZwischenAblage(int32_t kind);
    // The paste-special dialog.
    void InhalteEinfuegenAusZwischenAblage();
    // The selection (or the selected areas) with what it needs, as copied.
    struct ClipFragment CopyFragment();
    // The plain text of a fragment (Windows-1252, CR LF line ends).
    static std::string FragmentText(const struct ClipFragment& fragment);
    // Whether a paste may put text at the cursor / at `at`.
    bool PasteAllowed();
    bool PasteAllowedAt(TextPos at);
    TextChar PastedChar(const TextChar& src, const struct ClipFragment& f, int32_t footnoteId,
                        std::vector<int32_t>& newFootnotes);
    TextArea PastedArea(const TextArea& src, const struct ClipFragment& f, int32_t footnoteId,
                        std::vector<int32_t>& newFootnotes);
    bool InsertPastedChar(const TextChar& c);
    void PasteBreak(int32_t endKind);
    // A checked fragment at the cursor; no undo step, no layout.
    void PasteFragment(const struct ClipFragment& f);
    void PasteText(const std::string& ansiText);
    class PasteSpecialUi* PasteDialogs = nullptr;

    // ---- Hyphenation (DocumentLanguage.cpp) ---------------------------------
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

    // ---- Open, save, plain text (formats/) --------------------------------
    // The reader by open filter index (1 native, 2 Word, 3 RTF, 4 text,
    // 5 text DOS, anything else by extension); FileFormatIndex takes the
    // matching save code. Success puts the file on the recent list.
    bool OpenFile(const std::string& path, int32_t filterIndex);
    // Writes DocPath with the writer FileFormatIndex names (1 native, 2 RTF,
    // 3 text, 4 text DOS, anything else by extension), after the optional
    // backup. A failed save leaves the file on disk and Modified as they were.
    bool SaveFile();
    bool OpenRTFFile(const std::string& path);
    bool SaveRTFFile(const std::string& path);
    // The window's close query: a changed document asks to be saved first.
    void FormCloseQuery(const TMDIChild* sender, bool& canClose);
    // Plain text in the ANSI code page, or with `dos` in code page 850.
    bool OpenTXTFile(const std::string& path, bool dos);
    bool SaveTXTFile(const std::string& path, bool dos);

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

    // ---- Keyboard (Keyboard.cpp) and deleting (DeleteMarking.cpp) ---------
    // Kind of the open typing run: 0 typing, 1 Enter, 2 Delete, 3 Backspace.
    int32_t LastEditKind = 0;
    // The last key down was an undo by Ctrl+Backspace: the 127 the keyboard
    // then delivers is no character.
    uint8_t UndoByCtrlBackspace = 0;
    // Set by cut around DeleteMarking: emptied cells of a row selection
    // leave their rows.
    uint8_t CutInProgress = 0;
    // What the frame's format toolbar shows, as OvertakeFont and
    // SmallOvertakeFont last set it (the toolbar reads it after each call).
    struct FormatToolbarView {
        std::string Face;
        std::string SizeText;  // shortest decimal text of the size
        uint8_t Bold = 0, Italic = 0, Underline = 0;
        uint8_t Bullets = 0, Numbering = 0;
        uint8_t Alignment = 0;  // 0 left, 1 centred, 2 right, 3 justified
    };
    FormatToolbarView ToolbarFormat;
    // Key codes and shift bits: platform/VirtualKeys.h.
    void getkeysKeyDown(uint16_t& key, uint8_t shift);
    // One typed Windows-1252 byte.
    void getkeysKeyPress(uint8_t& key);
    // Caret steps; true for a step that stays on its line.
    bool GoCharLeft();
    bool GoCharRight();
    bool GoLineUp();
    bool GoLineDown();
    // Splits the line at ch with `endKind`; the position ends at the new line's start.
    void InsertEnterOnThatPos(int32_t& area, int32_t& line, int32_t endKind, int32_t& ch);
    void OvertakeFont();
    void SmallOvertakeFont();
    void DeleteMarking();

    // ---- Mouse (Mouse.cpp) ------------------------------------------------
    // Buttons 0 left, 1 right; shift bits ssShift, ssAlt, ssCtrl; x, y in
    // paint-box pixels. Hits are found by a paint pass with a request set.
    void PaintBox1MouseDown(int32_t button, uint8_t shift, int32_t x, int32_t y);
    void PaintBox1MouseMove(uint8_t shift, int32_t x, int32_t y);
    void PaintBox1MouseUp(int32_t button, uint8_t shift, int32_t x, int32_t y);
    void PaintBox1DblClick();
    // Drags, marks, the mouse cursor and the popup (MouseState.h).
    MouseState Mouse;
    // A page drag is under way / is dropped without applying anything (a
    // second button, a lost capture).
    bool MouseDragActive() const;
    void CancelMouseDrag();
    // An item of the page popup's spelling block was chosen.
    void PopupItemChosen(const PopupItem& item);
    // Moves (or copies) the selected text to `drop`, one undo step; false
    // when the selection holds what a text move cannot carry.
    bool MoveMarkingTo(TextPos drop, bool copy);
    // Text dragged from another window: where a drop at paint-box point
    // (x, y) lands (the selection stays as it is), and the fragment
    // inserted there as one undo step, selected where it landed.
    std::optional<TextPos> LocateDrop(uint8_t shift, int32_t x, int32_t y);
    bool DropFragmentAt(const struct ClipFragment& f, TextPos drop);
    // The selection was dropped into another window: without `copy` it is
    // cut here, one undo step; the drag ends either way.
    void DroppedElsewhere(bool copy);
    // Rulers (Ruler.cpp): the horizontal ruler's mouse, the tab-kind box.
    void PaintBox3MouseDown(int32_t button, int32_t x, int32_t y, int32_t rulerWidth);
    void PaintBox3MouseMove(int32_t x, int32_t rulerWidth);
    void PaintBox3MouseUp(int32_t x, int32_t rulerWidth);
    void PaintBox2MouseDown();
    // Triple-click state: 0 none, 1 a double click just selected a word,
    // 2 its second press has arrived.
    uint8_t ClickCount = 0;
    uint32_t DoubleClickTick = 0;
    // Milliseconds of a steady clock; tests put their own clock in place.
    uint32_t (*TickSource)() = nullptr;
    uint32_t TickCount() const;
    // A drag on the horizontal ruler (the rulers set it; a key cancels it).
    struct RulerDragState {
        int32_t Kind = 0;  // 0 none, 1..4 indent markers, 99 cancelled, 100 tab stop
        int32_t TabIndex = 0;
        int32_t BestDistance = -1;
        uint8_t NoBlit = 0;
        uint8_t NewTab = 0;  // the drag's click created tab TabIndex on the cursor line
        double Value = 0;
    };
    static constexpr int32_t kRulerDragCancelled = 99;
    RulerDragState RulerDrag;
    // What releasing the mouse does to a cancelled drag: the guide line and
    // a tab stop the drag's click created go, nothing is applied.
    void FinishCancelledRulerDrag();

    // ---- Paragraph formatting (ParagraphFormat.cpp) ----------------------
    // A paragraph's format as commands read and write it: the line's format
    // (ItemNumber belongs to layout and is never written) and its columns.
    struct AbsatzWert {
        AbsatzFormat Para;
        int32_t ColumnCount = 0;
        int32_t ColumnRule = 0;
        double ColumnGap = 0;
    };
    // The cursor line's format.
    AbsatzWert getabsatzformat();
    // The one writer of paragraph formats: the cursor line alone, or every
    // line of each paragraph the selection (or the cursor) touches. Marks the
    // written lines dirty; lays nothing out.
    void setabsatzformat(const AbsatzWert& value, bool applyColumns, bool thisLineOnly, bool makeUndo);
    void formatleft();
    void formatcenter();
    void formatright();
    void formatblock();
    // 1 bullets, 2 numbering: on, or off when the paragraph has that kind
    // already; 0 always off. The bullet goes back to the standard one.
    void aufzaehlung(int32_t kind);
    // Line spacing 1, 1.5 and 2 lines; nothing else changes.
    void ZeilenAbstandEinfach();
    void ZeilenAbstandEinEinhalbfach();
    void ZeilenAbstandZweifach();
    // The paragraph, tab stop and numbering dialogs (AbsatzDialogs.h): the
    // cursor's paragraph is written only after OK and a check of the input;
    // refused input is reported and changes nothing.
    void absatzformatieren();
    void tabulator();
    void NummerierungundAufzaehlungen();
    // Where those dialogs show: this when set, else the frame UI when it
    // offers them, else nowhere (each counts as cancelled).
    class ParagraphDialogUi* ParagraphDialogs = nullptr;
    ParagraphDialogUi* paragraphDialogUi();
    // The narrowest text (mm, before indents) among the lines a write of
    // the paragraph format would reach now; 0 when there are none.
    double ParagraphTextWidth();

    // ---- Character formatting (CharacterFormat.cpp) ----------------------
    // Which attributes of FontState formatieren applies (non-zero = apply).
    struct FormatSwitches {
        uint8_t Face = 0, Size = 0, Color = 0, Bold = 0, Italic = 0, Underline = 0, Strikeout = 0;
        uint8_t BkColor = 0;  // with BkTransparent
        uint8_t ShadowColor = 0, OutlineColor = 0, Charset = 0;
        std::array<uint8_t, 16> Options{};  // one per option bit
    };
    // Applies the switched attributes of FontState to the selection, or to
    // the word at the caret; one undo step "Character format" unless the
    // caller has taken the step already.
    void formatieren(const FormatSwitches& switches, bool makeUndo = true);
    // Format > Characters: the character dialog filled from FontState; OK
    // applies exactly what the user changed. A size outside 1..999 points
    // is refused with a message and nothing is applied.
    void ZeichenFormatieren();
    // Insert > Special character: the chosen character typed in the chosen
    // face (always inserted, never turned into a typographic quote).
    void SonderzeichenEinfuegen();
    // What the frame's bold, italic and underline buttons do to the window:
    // flip the style in FontState and apply it. Nothing while the toolbar is
    // being updated.
    void ToggleBold();
    void ToggleItalic();
    void ToggleUnderline();

    // ---- Tables (Tables.cpp) ---------------------------------------------
    // A table is a stretch of cell lines: a row of N cells is one run of N
    // lines, or several runs when a cell's text needs several lines. Every
    // operation takes one undo step, marks the lines it makes or changes
    // dirty and lays them out; none leaves a text area without lines or the
    // cursor outside the document.
    // Insert > Table: the dialog, then inserttableXY. Nothing inside a table.
    void inserttable();
    // An empty table at the cursor; the cursor goes into its first cell.
    void inserttableXY(int32_t columns, int32_t rows);
    // A plain line above the cursor's row.
    void TabelleTeilen();
    // The insert-rows dialog, then the rows before or behind the cursor's row.
    void insertTableLines();
    // One row after the table's last row (also at the end of a flow).
    void AddTableLines();
    // 0 the selected cells, 1 their rows, 2 their columns.
    void DeleteTableCells(int32_t mode);
    // 0 the insert-columns dialog; 1 one column at the end of each row.
    void InsertTableCols(int32_t append);
    // Equal widths for the cells of the selected rows, or the whole table.
    void VerteileTableCols();
    // Collects into TableTracks the pressed border (side 0 the cell's left,
    // 1 its right) and every border of the same table within 1.5 mm of it.
    void FindAllTableTracks(int32_t area, int32_t line, int32_t side);
    // Moves the tracked borders to x (mm from the text region's left edge);
    // every cell keeps at least 5 mm and the table stays inside its region.
    void SetTableTrack(double x);
    // Format > Cells: the cell format dialog for the selected cells or the
    // cursor's cell; OK writes only what the user set.
    void Zellenformatieren();
    // Where the table dialogs show: this when set, else the frame UI when it
    // offers them, else nowhere (each counts as cancelled).
    class TableDialogUi* TableDialogs = nullptr;
    TableDialogUi* tableDialogUi();

    // ---- Renderer (render/) -------------------------------------------------
    // One paint pass. Screen (toPrinter 0): `target` is the scroll box's
    // client area onto the paint box; visible pages are composed in
    // PageBitmap and copied there. Printer (1): page `pageIndex` at zoom 100,
    // origin = the negated physical offsets. Answers the hit requests,
    // places the caret, writes wrap gaps and anchored positions back.
    void DrawPages(Canvas& target, uint8_t toPrinter, int32_t pageIndex, int32_t originX,
                   int32_t originY);
    // The screen pass into ViewImage (made at the host's client size).
    void PaintBox1Paint();
    // Zoom for the page-width and whole-page modes.
    void FormResize();
    // Page view on or off.
    void Seitenansicht();
    void FormShow() {}
    // Runs headless passes on `scratch` (laying out again after each pass
    // that moved something) until a pass changes nothing or the cap is
    // reached. Returns the passes run.
    int32_t SettleLayout(Canvas& scratch);
    // Pages of the document: the highest page-body PageIndex + 1.
    int32_t GetAnzPages() const;

    uint8_t PageView = 0;
    double SavedZoomPercent = 100;
    int32_t SavedZoomMode = 0;
    // The screen's real resolution (the host sets it).
    int32_t DisplayDpi = 96;
    struct PageLocateRec {
        uint8_t Request = 0, Found = 0;
        int32_t Page = 0, Y = 0, OriginX = 0, OriginY = 0;
    };
    PageLocateRec PageLocate;
    uint8_t CaretBelowMargin = 0;
    // Hit requests of the mouse code and the answers of the pass.
    uint8_t ClickRequest = 0, CursorRequest = 0, RightClickRequest = 0, DropLocateRequest = 0;
    uint8_t ObjectGrabbed = 0;
    int32_t MouseX = 0, MouseY = 0;
    uint8_t MouseShift = 0;
    uint8_t LineHit = 0, PictureClicked = 0, ColumnDragging = 0;
    int32_t ColumnDragOldX = -1;
    uint8_t LinkMode = 0;
    int32_t LinkSource = -1, LinkHead = -1;
    struct ObjectDragState {
        int32_t Handle = 0, Area = -1;
        int32_t GrabX = 0, GrabY = 0, GrabRightX = 0, GrabBottomY = 0;
        int32_t Left = 0, Top = 0, Right = 0, Bottom = 0, Width = 0, Height = 0;
        int32_t LastX = -9999;
        int32_t PageOriginX = 0, PageOriginY = 0;
        double MmPerPx = 0;
    };
    ObjectDragState ObjectDrag;
    struct PictureDragState {
        int32_t Handle = 0;
        int32_t Box[4]{};      // at the click
        int32_t Dragged[4]{};  // as currently dragged
        int32_t LastX = -9999;
        TextPos Char{-1, -1, -1};
        int32_t MouseX = 0, MouseY = 0;
    };
    PictureDragState PictureDrag;
    struct CaretCacheRec {
        uint8_t Valid = 0;
        int32_t Width = 0, Height = 0, X = 0, Y = 0;
    };
    CaretCacheRec CaretCache;
    uint8_t CaretShown = 0;
    struct RulerValuesRec {
        int32_t HLeftPx = 0, HRightPx = 0;
        double HStartMm = 0, HEndMm = 0;
        int32_t CellOffsetPx = 0, RightRestPx = 0;
        int32_t LeftIndentPx = 0, FirstIndentPx = 0, RightIndentPx = 0;
        double CellOffsetMm = 0, CellRightMm = 0;
        int32_t VTopPx = 0, VBottomPx = 0;
        double VStartMm = 0, VEndMm = 0;
    };
    RulerValuesRec RulerValues;
    // The non-printing marks and guide lines are the frame's options
    // (FrameState::Options), the same for every window.
    int32_t RubberBandX = -9999;
    // Drop caret found by the last pass (scroll box client pixels).
    struct DropCaretRec {
        uint8_t Found = 0;
        int32_t X = 0, Y = 0, Width = 0, Height = 0;
    };
    DropCaretRec DropCaret;
    // Paint box size (the scrollable extent) as the last screen pass set it.
    int32_t PaintBoxWidth = 0, PaintBoxHeight = 0;
    // Page image of the screen passes and the presented view image.
    std::shared_ptr<ImageCanvas> PageBitmap;
    std::shared_ptr<ImageCanvas> ViewImage;
    // Whether the last pass asked for a new layout.
    uint8_t LastPassChanged = 0;
    // Screen passes in a row that each asked for a new layout (capped, so
    // wrap gaps that oscillate cannot keep the repaint timer running).
    int32_t ChangedPassRun = 0;
    // A pass is running: a pass asked for from inside it (a modal loop
    // dispatching paint or timer events) does nothing.
    uint8_t InPaintPass = 0;

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
