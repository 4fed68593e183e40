// The document's named styles: the standard set of a new document, adding
// and freeing, and the frame's style box that lists them.

#include "engine/Childwin.h"

namespace quillet {

namespace {

constexpr size_t kMaxStyleName = 255;

struct StandardStyle {
    const char* Name;
    uint8_t Kind;
    const char* Face;
    double Size;
    uint8_t Style;
};

constexpr StandardStyle kStandardStyles[] = {
    {"Standard", 0, "Times New Roman", 12, 0},
    {"Caption 1", 0, "Arial", 14, 1},
    {"Caption 2", 0, "Arial", 12, 3},
    {"Caption 3", 0, "Arial", 12, 0},
    {"Default font", 1, "Times New Roman", 12, 0},
};

} // namespace

void TMDIChild::AddVorlage(std::string_view name, uint8_t kind, const TextChar& sample,
                           const AbsatzFormat& para)
{
    VorlageRecord v;
    v.Name = std::string(name.substr(0, kMaxStyleName));
    v.StyleKind = kind;
    // The record owns copies of the tab array and the bullet face.
    v.Para = para;
    // Only the font index of the sample counts.
    v.Sample.FontIndex = sample.FontIndex;
    Vorlagen.push_back(std::move(v));
}

void TMDIChild::FreeVorlagen()
{
    Vorlagen.clear();
    Vorlagen.shrink_to_fit();
}

void TMDIChild::CreateStandartVorlagen()
{
    AbsatzFormat para = DefaultAbsatzFormat();
    if (Cursor.Area >= 0 && size_t(Cursor.Area) < Areas.size()) {
        const auto& lines = Areas[size_t(Cursor.Area)].Lines;
        if (Cursor.Line >= 0 && size_t(Cursor.Line) < lines.size()) para = lines[size_t(Cursor.Line)].Para;
    }

    for (const StandardStyle& s : kStandardStyles) {
        // The current format's colours and options, with the style's face,
        // size and style in black.
        FontEntry f = FontEntryFromState(FontState);
        f.Face = s.Face;
        f.Size = s.Size;
        f.Style = s.Style;
        f.Color = 0;
        f.Charset = 1;
        TextChar sample;
        sample.FontIndex = GetNewFontIndex(f);
        AddVorlage(s.Name, s.Kind, sample, para);
    }
    ListAllVorlagen();
}

void TMDIChild::ListAllVorlagen()
{
    const std::vector<std::string> items = Ui->styleBoxItems();
    bool same = items.size() == Vorlagen.size();
    for (size_t i = 0; same && i < items.size(); ++i) same = items[i] == Vorlagen[i].Name;
    if (!same) {
        std::vector<std::string> names;
        names.reserve(Vorlagen.size());
        for (const VorlageRecord& v : Vorlagen) names.push_back(v.Name);
        Ui->setStyleBoxItems(names);
    }
    Ui->showStyleBoxItem(0);
}

} // namespace quillet
