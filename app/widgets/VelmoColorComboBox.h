#pragma once
// A drop-down of sixteen fixed colours and one custom entry ("More..."),
// each drawn as a swatch with the colour's name. Choosing the custom entry
// asks for any colour. Colours are 0x00BBGGRR values, as in the document.

#include <QComboBox>

#include <cstdint>
#include <functional>

class QPainter;

namespace quillet {

// Where an entry draws its swatch and its name inside the item rectangle:
// the swatch ends at x = 24 wherever the item begins.
QRect ColorSwatchRect(const QRect& item);
QRect ColorNameRect(const QRect& item);

class TVelmoColorComboBox : public QComboBox {
    Q_OBJECT
public:
    enum TCLanguage { lgEnglish = 0, lgDeutsch = 1, lgFrensh = 2 };
    static constexpr int kCustomEntry = 16;

    explicit TVelmoColorComboBox(QWidget* parent = nullptr);

    uint32_t ColorValue() const { return Value; }
    // Selects the last fixed entry of that colour, or shows it as the custom
    // entry. Fires no change: only the user's choice does.
    void SetColorValue(uint32_t value);
    // "#RRGGBB" in capitals.
    QString HTMLcolor() const { return Html; }
    // Takes "#" and exactly six hexadecimal digits in either case (empty
    // means black); anything else leaves both values as they are.
    void SetHTMLcolor(const QString& text);
    TCLanguage Language() const { return Lang; }
    void SetLanguage(TCLanguage language);

    // Asks for a custom colour, preset to the current one; true on OK.
    // The colour dialog by default; tests put their own answer in.
    std::function<bool(uint32_t&)> PickCustomColor;

    // The fixed colour of an entry (the custom entry's last colour for 16).
    uint32_t entryColor(int index) const;
    // The colour an entry's swatch shows: the current colour for the custom
    // entry.
    uint32_t swatchColor(int index) const;
    // The name of an entry in the current language.
    QString entryName(int index) const;

    // One entry on `background`: the swatch, then its name.
    void DrawItem(QPainter& painter, int index, const QRect& rect, const QColor& background,
                  const QColor& textColor) const;

    // Room for the swatch before the longest name.
    QSize sizeHint() const override;

signals:
    // The user chose an entry. A custom colour the user cancelled is no
    // change: the box goes back to what it showed and stays silent.
    void Change();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void userChose(int index);
    void refreshItems();
    uint32_t Value = 0;
    uint32_t Custom = 0xFFFFFF;
    int Shown = 0;  // the entry of Value, to go back to after a cancelled custom colour
    QString Html = QStringLiteral("#000000");
    TCLanguage Lang = lgEnglish;
};

} // namespace quillet
