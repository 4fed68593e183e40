#pragma once
// A drop-down of sixteen fixed colours and one custom entry ("More..."),
// each drawn as a swatch with the colour's name. Choosing the custom entry
// asks for any colour. Colours are 0x00BBGGRR values, as in the document.

#include <QComboBox>

#include <cstdint>
#include <functional>

namespace quillet {

class TVelmoColorComboBox : public QComboBox {
    Q_OBJECT
public:
    enum TCLanguage { lgEnglish = 0, lgDeutsch = 1, lgFrensh = 2 };
    static constexpr int kCustomEntry = 16;

    explicit TVelmoColorComboBox(QWidget* parent = nullptr);

    uint32_t ColorValue() const { return Value; }
    // Selects the fixed entry of that colour, or shows it as the custom
    // entry. Fires no change: only the user's choice does.
    void SetColorValue(uint32_t value);
    // "#RRGGBB" in capitals.
    QString HTMLcolor() const { return Html; }
    // Takes "#RRGGBB" in either case (empty means black); anything else is ignored.
    void SetHTMLcolor(const QString& text);
    TCLanguage Language() const { return Lang; }
    void SetLanguage(TCLanguage language);

    // Asks for a custom colour, preset to the current one; true on OK.
    // The colour dialog by default; tests put their own answer in.
    std::function<bool(uint32_t&)> PickCustomColor;

    // The fixed colour of an entry (the custom entry's last colour for 16).
    uint32_t entryColor(int index) const;

signals:
    // The user chose an entry (also after a cancelled custom colour).
    void Change();

private:
    void userChose(int index);
    void refreshItems();
    uint32_t Value = 0;
    uint32_t Custom = 0xFFFFFF;
    QString Html = QStringLiteral("#000000");
    TCLanguage Lang = lgEnglish;
};

} // namespace quillet
