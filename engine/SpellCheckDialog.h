#pragma once
// The spell-check dialog as a model: the unknown word, the suggestions and
// the replacement text the user may edit. The view closes with one of the
// result codes below.

#include <cstdint>
#include <string>
#include <vector>

namespace quillet {

class TMDIChild;

struct SpellCheckModel {
    static constexpr int32_t kCancel = 2;
    static constexpr int32_t kLearn = 4;        // "Learn word"
    static constexpr int32_t kChange = 6;       // "&Change" (also Enter or a double click in the box)
    static constexpr int32_t kIgnore = 7;       // "Ignore"
    static constexpr int32_t kNeverChange = 9;  // "Never change"
    static constexpr int32_t kAlwaysChange = 10;  // "Always change"

    std::string Unknown;                   // unknowned (Windows-1252)
    std::vector<std::string> Suggestions;  // the items of vorschlagbox
    std::string Replacement;               // the text of vorschlagbox
};

class SpellCheckUi {
public:
    virtual ~SpellCheckUi() = default;
    // Shows the dialog modally; the pressed button's result code (kCancel
    // when closed otherwise).
    virtual int32_t runSpellCheckDialog(SpellCheckModel& model) = 0;
};

// Where the dialog shows: the window's own when set, else the frame UI
// when it offers it, else nowhere (every showing counts as cancelled).
SpellCheckUi* spellCheckDialogOf(TMDIChild& window);

} // namespace quillet
