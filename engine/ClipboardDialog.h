#pragma once
// The paste-special dialog (TInsertContentForm) as a model: one row per
// format the clipboard holds, with the paste kind it stands for.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace quillet {

class TMDIChild;

struct InsertContentModel {
    // ListBox1: the text shown and the paste kind (1 private, 2 text, 3 picture).
    std::vector<std::pair<std::string, int32_t>> Rows;
    int32_t Selected = 0;
};

class PasteSpecialUi {
public:
    virtual ~PasteSpecialUi() = default;
    // True when closed with OK; Selected then names the chosen row.
    virtual bool runInsertContentDialog(InsertContentModel& model) = 0;
};

PasteSpecialUi* pasteSpecialDialogOf(TMDIChild& window);

} // namespace quillet
