#pragma once
// Fields of other writers that the program keeps as its own fields.

#include "engine/Childwin.h"

#include <string_view>

namespace quillet {

// The program's field code for a file's field instruction, or null when the
// field is kept as the text of its result. A page number or page count
// must follow the page it lands on: as text, a footer would show the
// number the writer saw on every page.
inline const char* readerFieldCode(std::string_view instruction)
{
    size_t i = 0;
    while (i < instruction.size() && (instruction[i] == ' ' || instruction[i] == '\t')) ++i;
    size_t end = i;
    while (end < instruction.size() && instruction[end] != ' ' && instruction[end] != '\t' && instruction[end] != '\\')
        ++end;
    std::string_view name = instruction.substr(i, end - i);
    const auto is = [&](std::string_view upper) {
        if (name.size() != upper.size()) return false;
        for (size_t k = 0; k < name.size(); ++k)
            if ((name[k] >= 'a' && name[k] <= 'z' ? char(name[k] - 32) : name[k]) != upper[k]) return false;
        return true;
    };
    if (is("PAGE")) return "page";
    if (is("NUMPAGES")) return "pagecount";
    return nullptr;
}

// Makes `c`, a character just placed in the text, the program's field
// `code`; the layout gives it its number.
inline void readerMakeField(TMDIChild& w, TextChar& c, const char* code)
{
    c.Kind = ckField;
    c.Code = 'a';
    TMDIChild::SetPCharText(c.FieldResult(), "1");
    TMDIChild::SetPCharText(c.FieldCode(), code);
    w.RenderChar(c, false, "1");
}

} // namespace quillet
