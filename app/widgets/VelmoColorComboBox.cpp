// The colour drop-down of the character, cell and text field dialogs.

#include "app/widgets/VelmoColorComboBox.h"

#include <QAbstractItemView>
#include <QColorDialog>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QStylePainter>

#include <algorithm>
#include <array>

namespace quillet {

namespace {

constexpr std::array<uint32_t, 16> kColors = {0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080,
                                              0x808000, 0x808080, 0xC0C0C0, 0x0000FF, 0x00FF00, 0x00FFFF,
                                              0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};

// English, German and French names; the last is the custom entry.
constexpr std::array<std::array<const char*, 17>, 3> kNames = {{
    {"Black", "Maroon", "Green", "Olive", "Navy", "Purple", "Teal", "Gray", "Silver", "Red", "Lime", "Yellow",
     "Blue", "Fuchsia", "Aqua", "White", "More..."},
    {"Schwarz", "Dunkelrot", "Grün", "Oliv", "Dunkelblau", "Purpur", "Grünblau", "Grau", "Silber", "Rot",
     "Hellgrün", "Gelb", "Blau", "Rosa", "Hellblau", "Weiß", "Mehr..."},
    {"Noir", "Rouge foncé", "Vert", "Marron clair", "Bleu foncé", "Violet", "Bleu-vert", "Gris", "Argenté",
     "Rouge", "Vert", "Jaune", "Bleu", "Fuchsia", "Vert d'eau", "Blanc", "Autres...."},
}};

QColor qcolor(uint32_t v) { return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF)); }
uint32_t colorref(const QColor& c) { return uint32_t(c.red()) | uint32_t(c.green()) << 8 | uint32_t(c.blue()) << 16; }

QString htmlOf(uint32_t v)
{
    return QStringLiteral("#%1%2%3")
        .arg(v & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((v >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((v >> 16) & 0xFF, 2, 16, QLatin1Char('0'))
        .toUpper();
}

int hexDigit(QChar c)
{
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) return c.unicode() - '0';
    if (c >= QLatin1Char('A') && c <= QLatin1Char('F')) return c.unicode() - 'A' + 10;
    return -1;
}

// Draws the list's entries the way the closed box draws the current one.
class ColorItemDelegate : public QStyledItemDelegate {
public:
    explicit ColorItemDelegate(TVelmoColorComboBox& box) : QStyledItemDelegate(&box), Box(box) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        const QPalette& pal = option.palette;
        Box.DrawItem(*painter, index.row(), option.rect, pal.color(selected ? QPalette::Highlight : QPalette::Base),
                     pal.color(selected ? QPalette::HighlightedText : QPalette::Text));
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override
    {
        // One fixed height for every entry.
        return {Box.width(), std::max(16, option.fontMetrics.height() + 2)};
    }

private:
    TVelmoColorComboBox& Box;
};

} // namespace

QRect ColorSwatchRect(const QRect& item)
{
    const int left = item.left() + 4;
    return QRect(left, item.top() + 1, std::max(0, 24 - left), std::max(0, item.height() - 2));
}

QRect ColorNameRect(const QRect& item)
{
    const int left = item.left() + 30;
    return QRect(left, item.top(), std::max(0, item.right() + 1 - left), item.height());
}

TVelmoColorComboBox::TVelmoColorComboBox(QWidget* parent) : QComboBox(parent)
{
    setMinimumWidth(120);
    setItemDelegate(new ColorItemDelegate(*this));
    for (int i = 0; i <= kCustomEntry; ++i) addItem(QString());
    refreshItems();
    setCurrentIndex(0);
    PickCustomColor = [this](uint32_t& value) {
        const QColor c = QColorDialog::getColor(qcolor(value), this);
        if (!c.isValid()) return false;
        value = colorref(c);
        return true;
    };
    connect(this, &QComboBox::activated, this, &TVelmoColorComboBox::userChose);
}

uint32_t TVelmoColorComboBox::entryColor(int index) const
{
    if (index >= 0 && index < int(kColors.size())) return kColors[size_t(index)];
    return Custom;
}

uint32_t TVelmoColorComboBox::swatchColor(int index) const { return index == kCustomEntry ? Value : entryColor(index); }

QString TVelmoColorComboBox::entryName(int index) const
{
    if (index < 0 || index > kCustomEntry) return {};
    return QString::fromUtf8(kNames[size_t(Lang)][size_t(index)]);
}

void TVelmoColorComboBox::refreshItems()
{
    for (int i = 0; i <= kCustomEntry; ++i) setItemText(i, entryName(i));
}

void TVelmoColorComboBox::DrawItem(QPainter& painter, int index, const QRect& rect, const QColor& background,
                                   const QColor& textColor) const
{
    painter.save();
    painter.fillRect(rect, background);
    const QRect swatch = ColorSwatchRect(rect);
    if (!swatch.isEmpty()) {
        painter.fillRect(swatch, qcolor(swatchColor(index)));
        painter.setPen(Qt::black);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(swatch.adjusted(0, 0, -1, -1));
    }
    // No mnemonic: an "&" in a name is drawn as it is.
    painter.setPen(textColor);
    painter.drawText(ColorNameRect(rect), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, entryName(index));
    painter.restore();
}

QSize TVelmoColorComboBox::sizeHint() const
{
    QSize size = QComboBox::sizeHint();
    size.rwidth() += ColorNameRect(QRect(0, 0, 1, 1)).left();
    return size;
}

void TVelmoColorComboBox::paintEvent(QPaintEvent*)
{
    QStylePainter p(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText.clear();
    option.currentIcon = QIcon();
    p.drawComplexControl(QStyle::CC_ComboBox, option);
    const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    const bool focused = hasFocus() && !view()->isVisible();
    DrawItem(p, currentIndex(), field, palette().color(focused ? QPalette::Highlight : QPalette::Base),
             palette().color(focused ? QPalette::HighlightedText : QPalette::Text));
}

void TVelmoColorComboBox::SetColorValue(uint32_t value)
{
    // The document knows no system colours: only the 24 colour bits count.
    value &= 0xFFFFFF;
    int found = -1;
    for (int i = 0; i < int(kColors.size()); ++i)
        if (kColors[size_t(i)] == value) found = i;
    if (found < 0) {
        Custom = value;
        found = kCustomEntry;
    }
    Value = value;
    Html = htmlOf(value);
    Shown = found;
    setCurrentIndex(found);
    update();
}

void TVelmoColorComboBox::SetHTMLcolor(const QString& text)
{
    QString t = text.toUpper();
    if (t.isEmpty()) t = QStringLiteral("#000000");
    if (t.size() != 7 || t[0] != QLatin1Char('#')) return;
    uint32_t rgb = 0;
    for (int i = 1; i < 7; ++i) {
        const int digit = hexDigit(t[i]);
        if (digit < 0) return;
        rgb = rgb << 4 | uint32_t(digit);
    }
    const uint32_t value = (rgb >> 16 & 0xFF) | (rgb & 0xFF00) | (rgb & 0xFF) << 16;
    if (value != Value || currentIndex() < 0) SetColorValue(value);
    Html = t;
}

void TVelmoColorComboBox::SetLanguage(TCLanguage language)
{
    if (language < lgEnglish || language > lgFrensh) return;
    Lang = language;
    const int index = currentIndex();
    refreshItems();
    setCurrentIndex(index);
    update();
}

void TVelmoColorComboBox::userChose(int index)
{
    if (index == kCustomEntry) {
        uint32_t value = Value;
        if (!PickCustomColor || !PickCustomColor(value)) {
            // Cancelled: nothing was chosen, so nothing changed.
            setCurrentIndex(Shown);
            return;
        }
        SetColorValue(value);
    } else if (index >= 0 && index < int(kColors.size())) {
        SetColorValue(kColors[size_t(index)]);
    } else {
        return;
    }
    emit Change();
}

} // namespace quillet
