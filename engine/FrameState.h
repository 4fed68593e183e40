#pragma once
// Program-wide state that every document window reads: options, word lists,
// pattern tables, user dictionary, ignore list, mail-merge table. The Qt frame
// owns one; tests make their own.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace quillet {

class WordList;
class HyphenPatternTable;
class DocumentServices;
class DbfTable;

struct FrameOptions {
    uint8_t OverwriteMode = 0;
    uint8_t SpellWhileTyping = 0;
    int32_t QuoteStyle = 0;
    int32_t UndoDepth = 10;
    int32_t RulerTabKind = 0;
    uint8_t ShowNonPrinting = 0;
    uint8_t ShowHelpLines = 1;
    uint8_t ShowRuler = 1;
    // Non-printing marks shown one kind at a time (ShowNonPrinting shows all).
    uint8_t ShowTab = 0;
    uint8_t ShowSpace = 0;
    uint8_t ShowParagraphEnd = 0;
    uint8_t ShowStatusBar = 1;
    // Visibility of the format, standard, drawing and extended format bars.
    uint8_t ToolBar1Visible = 1;
    uint8_t ToolBar2Visible = 1;
    uint8_t ToolBar3Visible = 1;
    uint8_t ToolBar4Visible = 1;
    // The frame's text colour buttons (0x00BBGGRR).
    uint32_t TextColor = 0;
    uint32_t TextBkColor = 0xFFFFFF;
    uint8_t TextBkTransparent = 1;
    uint32_t FillColor = 0xFFFFFF;
    uint32_t LineColor = 0;
    uint8_t NoFill = 0;
    double LineWidth = 0.75;
    std::string UserName;
    std::string UserInitials;
    std::string UserAddress;
    // Path of the mail-merge table (UTF-8, empty = none).
    std::string DatabaseFile;
    // Write recovery files every AutoSaveMinutes (0 = never).
    uint8_t AutoSave = 1;
    int32_t AutoSaveMinutes = 8;
    int32_t RecentFileCount = 4;
    // Keep the previous file as name.bak when saving over it.
    uint8_t MakeBak = 0;
};

struct FrameState {
    // The paint pass and the readers every window of this frame reaches
    // through (engine/DocumentServices.h); null: windows paint nothing and
    // open nothing. Not owned.
    DocumentServices* Services = nullptr;
    FrameOptions Options;
    // The program folder (the executable's folder); data files live there.
    std::filesystem::path ProgDir;
    // Where the program writes its own files (settings, user dictionary,
    // recovery files): ProgDir when that can be written, else a per-user
    // state folder. Empty = ProgDir.
    std::filesystem::path StateDir;
    const std::filesystem::path& writableDir() const { return StateDir.empty() ? ProgDir : StateDir; }
    std::string OpenFileName;
    int32_t OpenFilterIndex = 0;
    uint8_t KeepName = 0;
    // Full paths, newest first, at most Options.RecentFileCount.
    std::vector<std::string> RecentFiles;
    uint8_t PrintAfterOpen = 0;
    // Table > Grid lines: the screen shows the edges of table cells that
    // have no border, in every window.
    uint8_t GridLines = 1;

    // Spelling and hyphenation data of both languages (loaded on first use).
    std::shared_ptr<WordList> WordListGerman;
    std::shared_ptr<WordList> WordListEnglish;
    std::shared_ptr<WordList> UserDict;
    std::shared_ptr<WordList> IgnoreList;
    std::shared_ptr<HyphenPatternTable> PatternsGerman;
    std::shared_ptr<HyphenPatternTable> PatternsEnglish;
    // The mail-merge table named by Options.DatabaseFile, while it is open
    // (null or closed: none is bound).
    std::shared_ptr<DbfTable> MergeTable;
};

} // namespace quillet
