// The models of the paragraph, tab stop and numbering dialogs: filling them
// from a paragraph's format, their handlers, the checks OK must pass, and
// writing them back.

#include "engine/AbsatzDialogs.h"

#include "platform/MessageBox.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace quillet {

namespace {

// Shortest decimal text of a number, independent of the locale; plain
// digits where they fit.
std::string shortestDecimal(double v)
{
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    if (r.ec != std::errc{}) r = std::to_chars(buf, buf + sizeof buf, v);
    return r.ec == std::errc{} ? std::string(buf, r.ptr) : std::string();
}

std::string cmText(double mm) { return shortestDecimal(std::round(mm) / 10); }

bool within(double v, double lo, double hi) { return v >= lo && v <= hi; }  // false for NaN

// The room for text a paragraph's first and further lines keep (mm).
double roomLeft(double width, double left, double right, double first)
{
    return std::min(width - left - right, width - (left + first) - right);
}

std::string noRoomMessage(double widthMm)
{
    return "The indents leave too little room for the text (the text is " + cmText(widthMm) + " cm wide).";
}

int32_t itemForSpacing(const AbsatzFormat& p)
{
    if (p.LineSpacingMode == 1) return 3;
    if (p.LineSpacingMode == 2) return 4;
    if (p.LineSpacing == 1.0) return 0;
    if (p.LineSpacing == 1.5) return 1;
    if (p.LineSpacing == 2.0) return 2;
    return 5;
}

std::string unitFor(int32_t item) { return item == 3 || item == 4 ? "mm" : "lines"; }

} // namespace

// ---- Paragraph ---------------------------------------------------------------

void AbsatzDialogModel::ZeilenabtChange()
{
    Label4 = unitFor(Zeilenabt);
    static constexpr double kFactors[] = {1.0, 1.5, 2.0};
    if (Zeilenabt >= 0 && Zeilenabt <= 2) massed = kFactors[Zeilenabt];
}

void AbsatzDialogModel::massedChange()
{
    if (Zeilenabt == 3 || Zeilenabt == 4) return;
    if (massed == 1.0) Zeilenabt = 0;
    else if (massed == 1.5) Zeilenabt = 1;
    else if (massed == 2.0) Zeilenabt = 2;
    else Zeilenabt = 5;
}

AbsatzDialogModel AbsatzDialogFromFormat(const AbsatzFormat& para, double textWidthMm)
{
    AbsatzDialogModel m;
    m.Ausricht = para.Alignment <= 3 ? para.Alignment : 0;
    m.Zeilenabt = itemForSpacing(para);
    m.massed = para.LineSpacing;
    m.aboben = para.SpaceAbove / 10;
    m.abunten = para.SpaceBelow / 10;
    m.ezlinks = para.LeftIndent / 10;
    m.ezrechts = para.RightIndent / 10;
    m.ezlinksfl = para.FirstLineIndent / 10;
    // The unit belongs to the choice shown now, not to whatever the dialog
    // showed the last time it was open.
    m.Label4 = unitFor(m.Zeilenabt);
    m.TextWidthMm = textWidthMm;
    m.FilledLeft = m.ezlinks;
    m.FilledRight = m.ezrechts;
    m.FilledFirst = m.ezlinksfl;
    return m;
}

std::string AbsatzDialogCheck(const AbsatzDialogModel& m)
{
    using M = AbsatzDialogModel;
    if (m.Ausricht < 0 || m.Ausricht >= int32_t(M::kAusrichtItems.size()) || m.Zeilenabt < 0 ||
        m.Zeilenabt >= int32_t(M::kZeilenabtItems.size()))
        return "Please choose an alignment and a line spacing.";
    if (m.Zeilenabt >= 3 && !within(m.massed, 0, M::kMassedMax))
        return "Please enter a line spacing from 0 to 1000.";
    if (!within(m.aboben, 0, M::kSpacingMaxCm) || !within(m.abunten, 0, M::kSpacingMaxCm))
        return "Please enter a spacing from 0 to 1000 cm.";
    for (double v : {m.ezlinks, m.ezrechts, m.ezlinksfl})
        if (!within(v, -M::kIndentLimitCm, M::kIndentLimitCm)) return "Please enter indents from -1000000 to 1000000 cm.";
    const bool indentsChanged =
        m.ezlinks != m.FilledLeft || m.ezrechts != m.FilledRight || m.ezlinksfl != m.FilledFirst;
    if (indentsChanged && m.TextWidthMm > 0 &&
        !(roomLeft(m.TextWidthMm, m.ezlinks * 10, m.ezrechts * 10, m.ezlinksfl * 10) >= kMinParagraphRoomMm))
        return noRoomMessage(m.TextWidthMm);
    return {};
}

void AbsatzDialogApply(const AbsatzDialogModel& m, AbsatzFormat& para)
{
    para.Alignment = uint8_t(std::clamp<int32_t>(m.Ausricht, 0, 3));
    switch (m.Zeilenabt) {
    case 0: para.LineSpacingMode = 0; para.LineSpacing = 1.0; break;
    case 1: para.LineSpacingMode = 0; para.LineSpacing = 1.5; break;
    case 2: para.LineSpacingMode = 0; para.LineSpacing = 2.0; break;
    case 3: para.LineSpacingMode = 1; para.LineSpacing = m.massed; break;
    case 4: para.LineSpacingMode = 2; para.LineSpacing = m.massed; break;
    default: para.LineSpacingMode = 0; para.LineSpacing = m.massed; break;
    }
    // Values the user left alone keep their millimetres exactly.
    auto mm = [](double cm, double filledCm, double old) { return cm == filledCm ? old : cm * 10; };
    para.SpaceAbove = m.aboben * 10;
    para.SpaceBelow = m.abunten * 10;
    para.LeftIndent = mm(m.ezlinks, m.FilledLeft, para.LeftIndent);
    para.RightIndent = mm(m.ezrechts, m.FilledRight, para.RightIndent);
    para.FirstLineIndent = mm(m.ezlinksfl, m.FilledFirst, para.FirstLineIndent);
}

// ---- Tab stops -----------------------------------------------------------------

std::optional<double> TabulatorDialogModel::parse(const std::string& text) const
{
    size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
    std::string s = text.substr(b, e - b);
    if (s.empty() || s.size() > 64) return std::nullopt;
    for (char& c : s)
        if (c == DecimalSeparator) c = '.';
    // Digits, one sign, one point and an exponent; no "inf", "nan" or hex.
    if (s.find_first_not_of("0123456789.+-eE") != std::string::npos) return std::nullopt;
    const char* first = s.data();
    if (*first == '+') ++first;
    double v = 0;
    const auto r = std::from_chars(first, s.data() + s.size(), v, std::chars_format::general);
    if (r.ec != std::errc{} || r.ptr != s.data() + s.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::string TabulatorDialogModel::format(double cm) const
{
    std::string s = shortestDecimal(cm);
    for (char& c : s)
        if (c == '.') c = DecimalSeparator;
    return s;
}

std::string TabulatorDialogModel::positionProblem(const std::string& text) const
{
    const std::optional<double> v = parse(text);
    if (!v) return kNotANumber;
    if (!(*v > 0) || *v > kMaxPositionCm) return kOutOfRange;
    if (TextWidthMm > 0 && *v * 10 > TextWidthMm) {
        // A stop the paragraph had already stays, wherever it lies.
        for (const TabStop& t : Filled)
            if (t.Position / 10 == *v) return {};
        return "Invalid value for a tab stop: the text is only " + format(std::round(TextWidthMm) / 10) +
               " cm wide.";
    }
    return {};
}

void TabulatorDialogModel::ComboBox1Change()
{
    if (ItemIndex < 0 || size_t(ItemIndex) >= Working.size()) return;
    RadioGroup1 = Working[size_t(ItemIndex)].Kind;
    RadioGroup2 = Working[size_t(ItemIndex)].Leader;
}

void TabulatorDialogModel::RadioGroup1Click()
{
    if (ItemIndex < 0 || size_t(ItemIndex) >= Working.size()) return;
    Working[size_t(ItemIndex)].Kind = RadioGroup1;
}

void TabulatorDialogModel::RadioGroup2Click()
{
    if (ItemIndex < 0 || size_t(ItemIndex) >= Working.size()) return;
    Working[size_t(ItemIndex)].Leader = RadioGroup2;
}

bool TabulatorDialogModel::AddBtnClick()
{
    if (const std::string problem = positionProblem(EditText); !problem.empty()) {
        errorBox(problem);
        return false;
    }
    const double v = *parse(EditText);
    const Entry chosen{std::clamp<int32_t>(RadioGroup1, 0, 3), std::clamp<int32_t>(RadioGroup2, 0, 3)};
    // The two lists stay parallel whatever happened to them.
    Working.resize(Items.size());
    size_t at = 0;
    for (size_t i = 0; i < Items.size(); ++i) {
        const std::optional<double> item = parse(Items[i]);
        if (!item) continue;
        if (*item == v) {
            Working[i] = chosen;
            ItemIndex = int32_t(i);
            return true;
        }
        if (*item < v) at = i + 1;
    }
    size_t b = 0, e = EditText.size();
    while (b < e && EditText[b] == ' ') ++b;
    while (e > b && EditText[e - 1] == ' ') --e;
    Items.insert(Items.begin() + std::ptrdiff_t(at), EditText.substr(b, e - b));
    Working.insert(Working.begin() + std::ptrdiff_t(at), chosen);
    ItemIndex = int32_t(at);
    return true;
}

void TabulatorDialogModel::DelBtnClick()
{
    if (ItemIndex < 0 || size_t(ItemIndex) >= Items.size()) return;
    Items.erase(Items.begin() + ItemIndex);
    if (size_t(ItemIndex) < Working.size()) Working.erase(Working.begin() + ItemIndex);
    ItemIndex = -1;
}

void TabulatorDialogModel::DelAllBtnClick()
{
    Items.clear();
    Working.clear();
    ItemIndex = -1;
}

TabulatorDialogModel TabulatorDialogFromFormat(const AbsatzFormat& para, double textWidthMm,
                                               char decimalSeparator)
{
    TabulatorDialogModel m;
    m.DecimalSeparator = decimalSeparator;
    m.StTabEd = para.DefaultTabStep / 10;
    m.FilledStTab = m.StTabEd;
    for (const TabStop& t : para.Tabs) {
        m.Items.push_back(m.format(t.Position / 10));
        // A kind or leader no radio item stands for (from a damaged file)
        // is what layout takes it for: a left stop, no leader.
        const int32_t kind = t.Kind >= 0 && t.Kind <= 3 ? t.Kind : 0;
        m.Working.push_back({kind, t.Leader <= 3 ? int32_t(t.Leader) : 0});
    }
    m.ItemIndex = m.Items.empty() ? -1 : 0;
    if (!m.Items.empty()) m.EditText = m.Items.front();
    m.TextWidthMm = textWidthMm;
    m.Filled = para.Tabs;
    return m;
}

std::string TabulatorDialogCheck(const TabulatorDialogModel& m)
{
    using M = TabulatorDialogModel;
    if (m.StTabEd != m.FilledStTab && !within(m.StTabEd, M::kStTabMinCm, M::kStTabMaxCm))
        return "Please enter a standard tab stop from 0.02 to 100 cm.";
    if (m.Working.size() != m.Items.size()) return M::kNotANumber;
    for (size_t i = 0; i < m.Items.size(); ++i) {
        if (std::string problem = m.positionProblem(m.Items[i]); !problem.empty()) return problem;
        const M::Entry& e = m.Working[i];
        if (e.Kind < 0 || e.Kind > 3 || e.Leader < 0 || e.Leader > 3) return "Please choose a kind and a fill character.";
    }
    return {};
}

void TabulatorDialogApply(const TabulatorDialogModel& m, AbsatzFormat& para)
{
    if (m.StTabEd != m.FilledStTab) para.DefaultTabStep = m.StTabEd * 10;
    std::vector<TabStop> tabs;
    tabs.reserve(m.Items.size());
    for (size_t i = 0; i < m.Items.size() && i < m.Working.size(); ++i) {
        const std::optional<double> cm = m.parse(m.Items[i]);
        if (!cm) continue;
        TabStop t;
        t.Position = *cm * 10;
        // A stop the paragraph had keeps its millimetres exactly.
        for (const TabStop& old : m.Filled)
            if (old.Position / 10 == *cm) t.Position = old.Position;
        t.Kind = m.Working[i].Kind;
        t.Leader = uint8_t(m.Working[i].Leader);
        tabs.push_back(t);
    }
    para.Tabs = std::move(tabs);
}

// ---- Bullets and numbering ---------------------------------------------------------

NummerierungDialogModel NummerierungDialogFromFormat(const AbsatzFormat& para, double textWidthMm)
{
    NummerierungDialogModel m;
    m.Kind = para.ListKind <= 2 ? para.ListKind : 0;
    m.AufzEzEd = para.ListIndent / 10;
    m.FilledIndentCm = m.AufzEzEd;
    m.Edit1 = para.BulletChar ? std::string(1, char(para.BulletChar)) : std::string();
    m.Edit1Font = para.BulletFace && !para.BulletFace->empty() ? *para.BulletFace
                                                                : NummerierungDialogModel::kDefaultFace;
    m.TextWidthMm = textWidthMm;
    m.FirstLineStartMm = para.LeftIndent + para.FirstLineIndent;
    m.RightIndentMm = para.RightIndent;
    return m;
}

std::string NummerierungDialogCheck(const NummerierungDialogModel& m)
{
    using M = NummerierungDialogModel;
    if (m.Kind < 0 || m.Kind > 2) return "Please choose the kind of list.";
    if (m.AufzEzEd == m.FilledIndentCm) return {};
    if (!within(m.AufzEzEd, M::kIndentMinCm, M::kIndentMaxCm)) return "Please enter a padding from 0.0001 to 100 cm.";
    if (m.Kind != 0 && m.TextWidthMm > 0 &&
        !(m.TextWidthMm - m.RightIndentMm - (m.FirstLineStartMm + m.AufzEzEd * 10) >= kMinParagraphRoomMm))
        return "The padding leaves too little room for the text (the text is " + cmText(m.TextWidthMm) +
               " cm wide).";
    return {};
}

void NummerierungDialogApply(const NummerierungDialogModel& m, AbsatzFormat& para)
{
    para.ListKind = uint8_t(std::clamp<int32_t>(m.Kind, 0, 2));
    if (m.AufzEzEd != m.FilledIndentCm) para.ListIndent = m.AufzEzEd * 10;
    para.BulletChar = m.Edit1.empty() ? NummerierungDialogModel::kStandardBullet : uint8_t(m.Edit1[0]);
    if (m.Edit1Font.empty() || m.Edit1Font == NummerierungDialogModel::kDefaultFace) para.BulletFace.reset();
    else para.BulletFace = m.Edit1Font;
}

} // namespace quillet
