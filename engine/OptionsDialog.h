#pragma once
// The Options dialog as a model: the frame fills it from its state, the
// view shows and edits it, and after OK OptionsDialogApply takes it over.
// Anything but OK leaves the frame as it was.

#include <array>
#include <cstdint>
#include <string>

namespace quillet {

struct FrameState;

struct OptionsDialogModel {
    // Page "User information" (Windows-1252; the address may hold "\r\n").
    std::string UserName;      // Edit1
    std::string UserInitials;  // Edit2
    std::string UserAddress;   // Memo1
    // Page "General".
    int32_t QuoteStyle = 4;     // ComboBox1; -1 = nothing selected
    bool HelpLines = true;      // helplinescheck
    int32_t UndoDepth = 10;     // UndoEd
    int32_t RecentMax = 4;      // LastOpenEd
    bool ShowTab = false;       // tabcheck
    bool ShowSpace = false;     // leercheck
    bool ShowParagraphEnd = false;  // absatzcheck
    bool ShowAll = false;       // AllCheck
    // Page "Save".
    bool AutoSave = true;       // AutoSaveCheck
    int32_t AutoSaveMinutes = 8;  // SaveTimeEd
    bool MakeBak = false;       // BackUpCheck
    friend bool operator==(const OptionsDialogModel&, const OptionsDialogModel&) = default;
};

// The edits' ranges.
inline constexpr int32_t kOptionsMinUndo = 1;
inline constexpr int32_t kOptionsMaxUndo = 1000;
inline constexpr int32_t kOptionsMinRecent = 0;
inline constexpr int32_t kOptionsMaxRecent = 1000;
inline constexpr int32_t kOptionsMinSaveTime = 0;
inline constexpr int32_t kOptionsMaxSaveTime = 1000;

// The quote styles in the order of ComboBox1.
inline constexpr std::array<const char*, 5> kQuoteStyleNames = {
    "Neutral", "German", "Swiss German", "French", "English"};

OptionsDialogModel OptionsDialogFromFrame(const FrameState& frame);
// Takes the dialog's values over after OK, each kept to its edit's range
// (QuoteStyle 0 when nothing or nothing valid is selected). The recent-file
// list itself is trimmed the next time the File menu is built. The caller
// then saves the settings, restarts the auto-save timer with
// AutoSaveIntervalMs and refreshes the active document window.
void OptionsDialogApply(const OptionsDialogModel& model, FrameState& frame);

} // namespace quillet
