#pragma once
// The "Find and replace" dialog as a model. The window keeps one for its
// whole life, so the texts and check boxes a user set are there again the
// next time the dialog opens; the view shows it, edits it and closes with
// one of the result codes below.

#include <array>
#include <cstdint>
#include <string>

namespace quillet {

class TMDIChild;

struct SearchFormModel {
    // Result codes of the dialog's buttons.
    static constexpr int32_t kFindAgain = 1;    // find page "Find again"
    static constexpr int32_t kCancel = 2;
    static constexpr int32_t kReplace = 4;      // "&Replace"
    static constexpr int32_t kGoToPage = 5;     // "Go to page"
    static constexpr int32_t kSearchAgain = 6;  // replace page "Search again"
    static constexpr int32_t kReplaceAll = 8;   // "Relace all"

    // The check boxes of the find (0) and replace (1) pages.
    struct Options {
        uint8_t Caps = 0;   // "Case sensitive"
        uint8_t Words = 0;  // "Only complete words"
        uint8_t Start = 0;  // "Start at begin of document "
        uint8_t Back = 0;   // "Revers search"
        uint8_t Whole = 0;  // "Search on all fields"
        friend bool operator==(const Options&, const Options&) = default;
    };

    int32_t Page = 0;  // 0 find, 1 replace, 2 go to page
    std::string Find1;     // finded1 (Windows-1252)
    std::string Find2;     // finded2
    std::string Replace;   // replaceed
    std::array<Options, 2> Opts{};
    int32_t PageNo = 1;    // PageEd, 1..100000

    static constexpr int32_t kMinPage = 1;
    static constexpr int32_t kMaxPage = 100000;
};

class SearchDialogUi {
public:
    virtual ~SearchDialogUi() = default;
    // Shows the dialog modally on model.Page; returns the pressed button's
    // result code (kCancel when closed otherwise).
    virtual int32_t runSearchDialog(SearchFormModel& model) = 0;
};

// The window's frame as the one who shows the dialog; null-safe: without
// one every showing counts as cancelled.
SearchDialogUi* searchDialogOf(TMDIChild& window);

} // namespace quillet
