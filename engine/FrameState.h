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

struct FrameOptions {
    uint8_t OverwriteMode = 0;
    uint8_t SpellWhileTyping = 0;
    int32_t QuoteStyle = 0;
    int32_t UndoDepth = 10;
    int32_t RulerTabKind = 0;
    uint8_t ShowNonPrinting = 0;
    uint8_t ShowHelpLines = 1;
    uint8_t ShowRuler = 1;
    uint32_t FillColor = 0xFFFFFF;
    uint32_t LineColor = 0;
    uint8_t NoFill = 1;
    double LineWidth = 0.75;
    std::string UserName;
    std::string UserInitials;
    std::string UserAddress;
    int32_t AutoSaveMinutes = 8;
    int32_t RecentFileCount = 4;
    // Keep the previous file as name.bak when saving over it.
    uint8_t MakeBak = 0;
};

struct FrameState {
    FrameOptions Options;
    // The program folder (the executable's folder); data files live there.
    std::filesystem::path ProgDir;
    std::string OpenFileName;
    int32_t OpenFilterIndex = 0;
    uint8_t KeepName = 0;
    // Full paths, newest first, at most Options.RecentFileCount.
    std::vector<std::string> RecentFiles;
    uint8_t PrintAfterOpen = 0;

    // Spelling and hyphenation data of both languages (loaded on first use).
    std::shared_ptr<WordList> WordListGerman;
    std::shared_ptr<WordList> WordListEnglish;
    std::shared_ptr<WordList> UserDict;
    std::shared_ptr<WordList> IgnoreList;
    std::shared_ptr<HyphenPatternTable> PatternsGerman;
    std::shared_ptr<HyphenPatternTable> PatternsEnglish;
};

} // namespace quillet
