// The document's named styles: the standard set of a new document, adding,
// naming, deleting and applying them, and the frame's style box that lists
// them.

#include "engine/Childwin.h"

#include "engine/CharacterDialogs.h"

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
    v.Sample.setFontIndex(sample.FontIndex());
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
        sample.setFontIndex(GetNewFontIndex(f));
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

void TMDIChild::NeueVorlage(uint8_t kind)
{
    RenameVorlageModel m;
    m.Edit1 = "Format template " + std::to_string(Vorlagen.size() + 1);
    const TextLine* line = nullptr;
    if (Cursor.Area >= 0 && Cursor.Area < AreaCount() && Cursor.Line >= 0 &&
        Cursor.Line < Areas[size_t(Cursor.Area)].LineCount())
        line = &Areas[size_t(Cursor.Area)].Lines[size_t(Cursor.Line)];
    CharacterDialogsUi* dialogs = characterDialogsOf(*this);
    if (line && dialogs && dialogs->runRenameVorlageDialog(m) && !m.Edit1.empty()) {
        AbsatzFormat para = line->Para;
        para.ItemNumber = 0;
        TextChar sample;
        const int32_t ch = Cursor.Char;
        const bool onChar = ch >= 0 && ch < line->CharCount() - 1;
        const int32_t font = onChar ? line->Chars[size_t(ch)].FontIndex() : -1;
        if (font >= 0 && font < FontCount()) {
            sample.setFontIndex(font);
        } else {
            // At the line's end the typing format is what the user sees.
            FontEntry f = FontEntryFromState(FontState);
            f.Reserved = 0;
            sample.setFontIndex(GetNewFontIndex(f));
        }
        AddVorlage(m.Edit1, kind ? 1 : 0, sample, para);
    }
    ListAllVorlagen();
}

void TMDIChild::VorlagenVerwalten()
{
    VorlagenVerwaltenModel m(*this);
    m.FormShow();
    CharacterDialogsUi* dialogs = characterDialogsOf(*this);
    if (dialogs && dialogs->runVorlagenVerwaltenDialog(m) && m.hasSelection()) useVorlage(m.Selected);
    ListAllVorlagen();
}

void TMDIChild::DeleteVorlage(int32_t index)
{
    if (index < 0 || size_t(index) >= Vorlagen.size()) return;
    Vorlagen.erase(Vorlagen.begin() + index);
    if (Vorlagen.empty()) FreeVorlagen();
}

void TMDIChild::useVorlage(int32_t index)
{
    if (index < 0 || size_t(index) >= Vorlagen.size() || Areas.empty()) return;
    const VorlageRecord style = Vorlagen[size_t(index)];
    const bool paragraphStyle = style.StyleKind == 0;
    // One undo step takes back the whole style, paragraph and characters.
    if (paragraphStyle) {
        AbsatzWert value;
        value.Para = style.Para;
        setabsatzformat(value, false, false, true);
    }
    const int32_t font = style.Sample.FontIndex();
    if (font >= 0 && font < FontCount()) {
        FontState = StateFromFontEntry(Fonts[size_t(font)]);
        FormatSwitches all;
        all.Face = all.Size = all.Color = all.Bold = all.Italic = all.Underline = all.Strikeout = 1;
        all.BkColor = all.ShadowColor = all.OutlineColor = all.Charset = 1;
        all.Options.fill(1);
        formatieren(all, !paragraphStyle);
    } else {
        // A style whose format entry is gone sets no characters.
        if (!paragraphStyle) return;
        RefreshDirtyContent();
    }
    OvertakeFont();
}

} // namespace quillet
