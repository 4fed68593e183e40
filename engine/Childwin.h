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
    // Document window helpers the snapshots need (minimal versions in Undo.cpp).
    void SetFileChanged(bool changed);
    void ScrollCursorinView();

    // ---- Layout: page flow (PageFlow.cpp) ----------------------------------
    // Gathering: every flow collapses into its first area before breaking.
    void FlowGather();
    // Footnote sizing, placement, flowing on, orphan and empty-page removal.
    void FlowPlace();

    // ---- Fields (Fields.cpp) -----------------------------------------------
    void FelderAktuallisieren();

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

private:
    std::vector<TextPos*> ExtraPositions;
    HostView NullHost;
    FrameUi NullUi;
};

} // namespace quillet
