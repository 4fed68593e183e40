// The models of the character, special-character and template dialogs.

#include "engine/CharacterDialogs.h"

#include "engine/Childwin.h"

#include <charconv>
#include <cmath>

namespace quillet {

namespace {

// Shortest decimal text of a number, independent of the locale.
std::string shortestDecimal(double v)
{
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return r.ec == std::errc{} ? std::string(buf, r.ptr) : std::string();
}

constexpr size_t kMaxStyleName = 255;

} // namespace

CharacterDialogsUi* characterDialogsOf(TMDIChild& window)
{
    // The frame that hosts the window shows its dialogs too.
    return dynamic_cast<CharacterDialogsUi*>(window.Ui);
}

// ---- Characters ------------------------------------------------------------

void ZeichenFormatModel::fontboxChange()
{
    if (Armed) FaceChanged = 1;
}

void ZeichenFormatModel::FontSizeChange()
{
    if (Armed) SizeChanged = 1;
}

void ZeichenFormatModel::col1Change()
{
    if (Armed) ColorChanged = 1;
}

void ZeichenFormatModel::col2Change()
{
    // "Transparent" only means something over white.
    transcheckEnabled = col2 == kWhite ? 1 : 0;
    if (Armed) BkChanged = 1;
}

void ZeichenFormatModel::transcheckClick()
{
    if (Armed) BkChanged = 1;
}

void ZeichenFormatModel::col3Change()
{
    if (Armed) OutlineChanged = 1;
}

void ZeichenFormatModel::col4Change()
{
    if (Armed) ShadowChanged = 1;
}

void ZeichenFormatModel::attrlistClickCheck()
{
    if (!Armed) return;
    // A flag once set stays set: unchecking and checking again still counts.
    uint8_t* styleFlags[4] = {&BoldChanged, &ItalicChanged, &UnderlineChanged, &StrikeoutChanged};
    for (size_t i = 0; i < attrlist.size(); ++i) {
        if ((attrlist[i] != 0) == (CheckedAtShow[i] != 0)) continue;
        OptionChanged[i] = 1;
        if (i < 4) *styleFlags[i] = 1;
    }
}

void ZeichenFormatModel::fill(const CurrentFontState& state)
{
    Armed = 0;
    FaceChanged = SizeChanged = ColorChanged = 0;
    BoldChanged = ItalicChanged = UnderlineChanged = StrikeoutChanged = 0;
    BkChanged = ShadowChanged = OutlineChanged = 0;
    OptionChanged.fill(0);

    fontbox = state.Face;
    FontSize = shortestDecimal(state.Size);
    col1 = state.Color;
    col2 = state.BkColor;
    col2Change();
    col3 = state.OutlineColor;
    col4 = state.ShadowColor;
    transcheck = state.BkTransparent ? 1 : 0;
    for (size_t i = 0; i < attrlist.size(); ++i) attrlist[i] = GettingOps(state.Options, int(i)) ? 1 : 0;
    for (size_t i = 0; i < 4; ++i) attrlist[i] = (state.Style >> i) & 1;

    CheckedAtShow = attrlist;
    Armed = 1;
}

std::optional<double> ZeichenFormatModel::size() const
{
    size_t first = FontSize.find_first_not_of(" \t");
    size_t last = FontSize.find_last_not_of(" \t");
    if (first == std::string::npos) return std::nullopt;
    std::string text = FontSize.substr(first, last - first + 1);
    // Either decimal separator, whichever the user's habit.
    for (char& c : text)
        if (c == ',') c = '.';
    double v = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v, std::chars_format::fixed);
    if (r.ec != std::errc{} || r.ptr != text.data() + text.size()) return std::nullopt;
    if (!(v >= kMinSize && v <= kMaxSize)) return std::nullopt;
    return v;
}

// ---- Templates ---------------------------------------------------------------

std::vector<std::string> VorlagenVerwaltenModel::names() const
{
    std::vector<std::string> out;
    out.reserve(Window.Vorlagen.size());
    for (const VorlageRecord& v : Window.Vorlagen) out.push_back(v.Name);
    return out;
}

void VorlagenVerwaltenModel::FormShow() { Selected = Window.Vorlagen.empty() ? -1 : 0; }

bool VorlagenVerwaltenModel::hasSelection() const
{
    return Selected >= 0 && size_t(Selected) < Window.Vorlagen.size();
}

std::string VorlagenVerwaltenModel::selectedName() const
{
    return hasSelection() ? Window.Vorlagen[size_t(Selected)].Name : std::string();
}

void VorlagenVerwaltenModel::rename(const std::string& name)
{
    if (!hasSelection() || name.empty()) return;
    Window.Vorlagen[size_t(Selected)].Name = name.substr(0, kMaxStyleName);
}

void VorlagenVerwaltenModel::deleteSelected()
{
    if (!hasSelection()) return;
    Window.DeleteVorlage(Selected);
    if (size_t(Selected) >= Window.Vorlagen.size()) Selected = int32_t(Window.Vorlagen.size()) - 1;
}

} // namespace quillet
