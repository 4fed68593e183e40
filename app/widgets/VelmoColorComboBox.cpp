// The colour drop-down of the character and cell dialogs.

#include "app/widgets/VelmoColorComboBox.h"

#include <QColorDialog>
#include <QPainter>
#include <QPixmap>

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

QIcon swatch(uint32_t v)
{
    QPixmap pm(20, 12);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(Qt::black);
    p.setBrush(qcolor(v));
    p.drawRect(0, 0, 19, 11);
    return QIcon(pm);
}

QString htmlOf(uint32_t v)
{
    return QStringLiteral("#%1%2%3")
        .arg(v & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((v >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((v >> 16) & 0xFF, 2, 16, QLatin1Char('0'))
        .toUpper();
}

} // namespace

TVelmoColorComboBox::TVelmoColorComboBox(QWidget* parent) : QComboBox(parent)
{
    setMinimumWidth(120);
    setIconSize(QSize(20, 12));
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

void TVelmoColorComboBox::refreshItems()
{
    for (int i = 0; i <= kCustomEntry; ++i) {
        setItemText(i, QString::fromUtf8(kNames[size_t(Lang)][size_t(i)]));
        // The custom entry shows the current colour.
        setItemIcon(i, swatch(i == kCustomEntry ? Value : kColors[size_t(i)]));
    }
}

void TVelmoColorComboBox::SetColorValue(uint32_t value)
{
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
    setItemIcon(kCustomEntry, swatch(Value));
    setCurrentIndex(found);
}

void TVelmoColorComboBox::SetHTMLcolor(const QString& text)
{
    QString t = text.toUpper();
    if (t.isEmpty()) t = QStringLiteral("#000000");
    if (t.size() != 7 || t[0] != QLatin1Char('#')) return;
    bool ok = false;
    const uint32_t rgb = t.mid(1).toUInt(&ok, 16);
    if (!ok) return;
    const uint32_t value = (rgb >> 16 & 0xFF) | (rgb & 0xFF00) | (rgb & 0xFF) << 16;
    if (value != Value || currentIndex() < 0) SetColorValue(value);
    Html = t;
}

void TVelmoColorComboBox::SetLanguage(TCLanguage language)
{
    Lang = language;
    const int index = currentIndex();
    refreshItems();
    setCurrentIndex(index);
}

void TVelmoColorComboBox::userChose(int index)
{
    if (index == kCustomEntry) {
        uint32_t value = Value;
        if (PickCustomColor && PickCustomColor(value)) SetColorValue(value);
        else setCurrentIndex(kCustomEntry);
    } else if (index >= 0 && index < int(kColors.size())) {
        SetColorValue(kColors[size_t(index)]);
    }
    emit Change();
}

} // namespace quillet
