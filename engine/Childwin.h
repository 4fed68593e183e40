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

private:
    HostView NullHost;
    FrameUi NullUi;
};

} // namespace quillet
