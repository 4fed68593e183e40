// The frame's character and template commands: Format > Characters, Insert >
// Special character, the template items, the format toolbar's style, font
// and size boxes, its bold, italic and underline buttons, and the text and
// text background colour buttons with their palettes; the four dialogs they
// show. Each command acts on the active document window and does nothing
// without one; the toolbar controls also do nothing while that window is
// writing its format into the toolbar.

#include "app/Main.h"

#include "app/CommandGuard.h"
#include "app/DocumentView.h"
#include "app/dialogs/RenameVorlageFUnit.h"
#include "app/dialogs/SonderzeichenFUnit.h"
#include "app/dialogs/VorlagenVerwaltenFUnit.h"
#include "app/dialogs/ZeichenFormatFUnit.h"
#include "engine/Childwin.h"
#include "platform/qt/QtText.h"

#include <QAction>
#include <QColorDialog>
#include <QComboBox>
#include <QFontComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QToolBar>
#include <QToolButton>

#include <array>

namespace quillet {

struct TMainForm::CharacterControls {
    QMenu* InsertMenu = nullptr;
    QAction* Zeichen1 = nullptr;
    QAction* Sonderzeichen1 = nullptr;
    QAction* NeueAbsatzvorlage1 = nullptr;
    QAction* NeueZeichenvorlage1 = nullptr;
    QAction* Vorlagenverwalten1 = nullptr;
    QAction* FettBtn = nullptr;
    QAction* KursivBtn = nullptr;
    QAction* UnderlineBtn = nullptr;
    QToolButton* ToolButton25 = nullptr;
    QToolButton* ToolButton26 = nullptr;
    QMenu* TextColorPopup = nullptr;
    QMenu* TextBkColorPopup = nullptr;
    TZeichenFormatForm* ZeichenFormatForm = nullptr;
    TSonderzeichenForm* SonderzeichenForm = nullptr;
    TRenameVorlageForm* RenameVorlageForm = nullptr;
    TVorlagenVerwaltenForm* VorlagenVerwaltenForm = nullptr;
};

namespace {

// The palette of the colour buttons, by the menu items' Tag 1..16.
constexpr std::array<uint32_t, 16> kPalette = {0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080,
                                               0x808000, 0x808080, 0xC0C0C0, 0x0000FF, 0x00FF00, 0x00FFFF,
                                               0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};

QColor qcolor(uint32_t v) { return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF)); }
uint32_t colorref(const QColor& c) { return uint32_t(c.red()) | uint32_t(c.green()) << 8 | uint32_t(c.blue()) << 16; }

QIcon swatchIcon(uint32_t colour, int width, int height)
{
    QPixmap pm(width, height);
    pm.fill(qcolor(colour));
    QPainter p(&pm);
    p.setPen(Qt::black);
    p.drawRect(0, 0, width - 1, height - 1);
    return QIcon(pm);
}

// A letter for the bold, italic and underline buttons.
QIcon letterIcon(QChar letter, bool bold, bool italic, bool underline)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    QFont f(QStringLiteral("Liberation Serif"));
    f.setPixelSize(13);
    f.setBold(bold);
    f.setItalic(italic);
    f.setUnderline(underline);
    p.setFont(f);
    p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QString(letter));
    return QIcon(pm);
}

QAction* commandAction(QObject* parent, const char* name, const char* text)
{
    auto* a = new QAction(QString::fromLatin1(text), parent);
    a->setObjectName(QString::fromLatin1(name));
    return a;
}

} // namespace

void TMainForm::createCharacterCommands()
{
    Character = std::make_shared<CharacterControls>();
    CharacterControls& c = *Character;
    auto on = [this](QAction* a, void (TMainForm::*method)()) {
        connect(a, &QAction::triggered, this, [this, method] { guardedCommand([&] { (this->*method)(); }); });
    };

    c.ZeichenFormatForm = new TZeichenFormatForm(this);
    c.SonderzeichenForm = new TSonderzeichenForm(this);
    c.RenameVorlageForm = new TRenameVorlageForm(this);
    c.VorlagenVerwaltenForm = new TVorlagenVerwaltenForm(*c.RenameVorlageForm, this);

    // Insert menu, before the Format menu.
    c.InsertMenu = new QMenu(QStringLiteral("&Insert"), this);
    c.InsertMenu->setObjectName(QStringLiteral("Einfgen1"));
    menuBar()->insertMenu(FormatMenu->menuAction(), c.InsertMenu);
    c.InsertMenu->menuAction()->setVisible(EditMenu->menuAction()->isVisible());
    c.Sonderzeichen1 = commandAction(this, "Sonderzeichen1", "&Special character...");
    on(c.Sonderzeichen1, &TMainForm::Sonderzeichen1Click);
    c.InsertMenu->addAction(c.Sonderzeichen1);

    // Format menu: the character dialog first, the templates last.
    c.Zeichen1 = commandAction(this, "Zeichen1", "&Characters...");
    on(c.Zeichen1, &TMainForm::ZeichenM1Click);
    const QList<QAction*> formatItems = FormatMenu->actions();
    FormatMenu->insertAction(formatItems.isEmpty() ? nullptr : formatItems.front(), c.Zeichen1);
    c.NeueAbsatzvorlage1 = commandAction(this, "NeueAbsatzvorlage1", "New &parapraph template...");
    on(c.NeueAbsatzvorlage1, &TMainForm::NeueAbsatzvorlage1Click);
    c.NeueZeichenvorlage1 = commandAction(this, "NeueZeichenvorlage1", "New &character template");
    on(c.NeueZeichenvorlage1, &TMainForm::NeueZeichenvorlage1Click);
    c.Vorlagenverwalten1 = commandAction(this, "Vorlagenverwalten1", "&Manage templates...");
    on(c.Vorlagenverwalten1, &TMainForm::Vorlagenverwalten1Click);
    FormatMenu->addSeparator();
    FormatMenu->addActions({c.NeueAbsatzvorlage1, c.NeueZeichenvorlage1, c.Vorlagenverwalten1});

    // The style, font and size boxes act on the user's choice only, not
    // when the window writes its format into them.
    connect(VorlagenBox, &QComboBox::activated, this, [this] { guardedCommand([&] { VorlagenBoxChange(); }); });
    connect(FontComboBox1, &QComboBox::textActivated, this, [this] { guardedCommand([&] { FontComboBox1Click(); }); });
    // Enter in the size box applies once: no completer to activate too.
    FontSize->setCompleter(nullptr);
    connect(FontSize, &QComboBox::textActivated, this, [this] { guardedCommand([&] { FontSizeClick(); }); });
    if (QLineEdit* e = FontSize->lineEdit())
        connect(e, &QLineEdit::returnPressed, this, [this] { guardedCommand([&] { FontSizeClick(); }); });

    // Bold, italic, underline.
    auto styleButton = [this](const char* name, const char* hint, QChar letter, bool b, bool i, bool u) {
        QAction* a = commandAction(this, name, hint);
        a->setToolTip(QString::fromLatin1(hint));
        a->setIcon(letterIcon(letter, b, i, u));
        a->setCheckable(true);
        return a;
    };
    c.FettBtn = styleButton("FettBtn", "Bold", QLatin1Char('B'), true, false, false);
    c.KursivBtn = styleButton("KursivBtn", "Italic", QLatin1Char('I'), false, true, false);
    c.UnderlineBtn = styleButton("UnderlineBtn", "Underlined", QLatin1Char('U'), false, false, true);
    connect(c.FettBtn, &QAction::triggered, this, [this] { guardedCommand([&] { FettBtnClick(); }); });
    connect(c.KursivBtn, &QAction::triggered, this, [this] { guardedCommand([&] { KursivBtnClick(); }); });
    connect(c.UnderlineBtn, &QAction::triggered, this, [this] { guardedCommand([&] { UnderlineBtnClick(); }); });
    ToolBar1->addSeparator();
    ToolBar1->addActions({c.FettBtn, c.KursivBtn, c.UnderlineBtn});

    // Text colour and text background: the button applies the last colour,
    // its drop-down chooses another.
    auto colourButton = [this](const char* name, const char* hint, const char* popupName) {
        auto* b = new QToolButton(ToolBar1);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(QString::fromLatin1(hint));
        b->setPopupMode(QToolButton::MenuButtonPopup);
        auto* menu = new QMenu(b);
        menu->setObjectName(QString::fromLatin1(popupName));
        b->setMenu(menu);
        ToolBar1->addWidget(b);
        return b;
    };
    c.ToolButton25 = colourButton("ToolButton25", "Text color", "TextColorPopup");
    c.ToolButton26 = colourButton("ToolButton26", "Background color", "TextBkColorPopup");
    c.TextColorPopup = c.ToolButton25->menu();
    c.TextBkColorPopup = c.ToolButton26->menu();
    connect(c.ToolButton25, &QToolButton::clicked, this, [this] { guardedCommand([&] { AktiviereTextColor(); }); });
    connect(c.ToolButton26, &QToolButton::clicked, this, [this] { guardedCommand([&] { AktiviereTextBkColor(); }); });

    QAction* noFill = c.TextBkColorPopup->addAction(QStringLiteral("&No fill area"));
    noFill->setObjectName(QStringLiteral("KeinFllbereich1"));
    connect(noFill, &QAction::triggered, this, [this] {
        guardedCommand([&] {
            State.Options.TextBkColor = 0xFFFFFF;
            State.Options.TextBkTransparent = 1;
            AktiviereTextBkColor();
        });
    });
    for (QMenu* popup : {c.TextColorPopup, c.TextBkColorPopup}) {
        const bool background = popup == c.TextBkColorPopup;
        for (int tag = 1; tag <= int(kPalette.size()); ++tag) {
            QAction* item = popup->addAction(swatchIcon(kPalette[size_t(tag - 1)], 40, 10), QString());
            item->setData(tag);
            item->setToolTip(QString::number(tag));
            // MenuItem42Click
            connect(item, &QAction::triggered, this, [this, tag, background] {
                guardedCommand([&] {
                    const uint32_t colour = kPalette[size_t(tag - 1)];
                    if (background) {
                        State.Options.TextBkColor = colour;
                        State.Options.TextBkTransparent = 0;
                        AktiviereTextBkColor();
                    } else {
                        State.Options.TextColor = colour;
                        AktiviereTextColor();
                    }
                });
            });
        }
        QAction* more = popup->addAction(QStringLiteral("&More..."));
        more->setObjectName(background ? QStringLiteral("TextBkColorPopupMehr") : QStringLiteral("TextColorPopupMehr"));
        // TextBkColorPopupMehrClick
        connect(more, &QAction::triggered, this, [this, background] {
            guardedCommand([&] {
                uint32_t& colour = background ? State.Options.TextBkColor : State.Options.TextColor;
                const QColor chosen = QColorDialog::getColor(qcolor(colour), this);
                if (!chosen.isValid()) return;
                colour = colorref(chosen);
                if (background) {
                    State.Options.TextBkTransparent = 0;
                    AktiviereTextBkColor();
                } else {
                    AktiviereTextColor();
                }
            });
        });
    }
    showColourButtons();
}

// ---- Commands ----------------------------------------------------------------------

void TMainForm::ZeichenM1Click()
{
    if (TMDIChild* w = ActiveMDIChild()) w->ZeichenFormatieren();
}

void TMainForm::Sonderzeichen1Click()
{
    if (TMDIChild* w = ActiveMDIChild()) w->SonderzeichenEinfuegen();
}

void TMainForm::NeueAbsatzvorlage1Click()
{
    if (TMDIChild* w = ActiveMDIChild()) w->NeueVorlage(0);
}

void TMainForm::NeueZeichenvorlage1Click()
{
    if (TMDIChild* w = ActiveMDIChild()) w->NeueVorlage(1);
}

void TMainForm::Vorlagenverwalten1Click()
{
    if (TMDIChild* w = ActiveMDIChild()) w->VorlagenVerwalten();
}

namespace {

void focusDocument(DocumentView* v)
{
    if (v) v->setFocus();
}

} // namespace

void TMainForm::VorlagenBoxChange()
{
    TMDIChild* w = ActiveMDIChild();
    if (!w) return;
    const int index = VorlagenBox->currentIndex();
    if (index >= 0 && size_t(index) < w->Vorlagen.size()) w->useVorlage(index);
    focusDocument(activeView());
}

void TMainForm::FontComboBox1Change()
{
    TMDIChild* w = ActiveMDIChild();
    if (!w || w->UpdatingToolbar) return;
    const std::string face = toAnsi(FontComboBox1->currentText());
    if (face.empty()) return;
    w->FontState.Face = face;
    TMDIChild::FormatSwitches s;
    s.Face = 1;
    w->formatieren(s);
}

void TMainForm::FontComboBox1Click()
{
    FontComboBox1Change();
    focusDocument(activeView());
}

void TMainForm::FontSizeChange()
{
    TMDIChild* w = ActiveMDIChild();
    if (!w || w->UpdatingToolbar) return;
    const QString text = FontSize->currentText().trimmed();
    bool ok = false;
    double size = QLocale().toDouble(text, &ok);
    if (!ok) size = QLocale::c().toDouble(text, &ok);
    if (!ok || !(size >= 1 && size <= 999)) {
        // Not a size a character may take: the box shows the current one again.
        FontSize->setCurrentText(QString::number(w->FontState.Size, 'g', QLocale::FloatingPointShortest));
        return;
    }
    w->FontState.Size = size;
    TMDIChild::FormatSwitches s;
    s.Size = 1;
    w->formatieren(s);
}

void TMainForm::FontSizeClick()
{
    FontSizeChange();
    focusDocument(activeView());
}

bool TMainForm::FettBtnClick()
{
    TMDIChild* w = ActiveMDIChild();
    if (!w) return false;
    w->ToggleBold();
    showCharacterToolbar();
    return true;
}

bool TMainForm::KursivBtnClick()
{
    TMDIChild* w = ActiveMDIChild();
    if (!w) return false;
    w->ToggleItalic();
    showCharacterToolbar();
    return true;
}

bool TMainForm::UnderlineBtnClick()
{
    TMDIChild* w = ActiveMDIChild();
    if (!w) return false;
    w->ToggleUnderline();
    showCharacterToolbar();
    return true;
}

void TMainForm::AktiviereTextColor()
{
    showColourButtons();
    TMDIChild* w = ActiveMDIChild();
    if (!w || w->UpdatingToolbar) return;
    w->FontState.Color = State.Options.TextColor;
    TMDIChild::FormatSwitches s;
    s.Color = 1;
    w->formatieren(s);
}

void TMainForm::AktiviereTextBkColor()
{
    showColourButtons();
    TMDIChild* w = ActiveMDIChild();
    if (!w || w->UpdatingToolbar) return;
    w->FontState.BkColor = State.Options.TextBkColor;
    w->FontState.BkTransparent = State.Options.TextBkTransparent;
    TMDIChild::FormatSwitches s;
    s.BkColor = 1;
    w->formatieren(s);
}

// ---- Showing the format ------------------------------------------------------------

void TMainForm::showCharacterToolbar()
{
    if (!Character) return;
    const TMDIChild* w = ActiveMDIChild();
    if (!w) return;
    // The window's typing format, which the last command or move set.
    const uint8_t style = w->FontState.Style;
    Character->FettBtn->setChecked((style & 1) != 0);
    Character->KursivBtn->setChecked((style & 2) != 0);
    Character->UnderlineBtn->setChecked((style & 4) != 0);
}

void TMainForm::showColourButtons()
{
    if (!Character) return;
    Character->ToolButton25->setIcon(swatchIcon(State.Options.TextColor, 16, 16));
    Character->ToolButton26->setIcon(
        swatchIcon(State.Options.TextBkTransparent ? 0xFFFFFF : State.Options.TextBkColor, 16, 16));
}

QMenu* TMainForm::insertMenu() const { return Character ? Character->InsertMenu : nullptr; }
QAction* TMainForm::characterAction(const char* name) const
{
    return findChild<QAction*>(QString::fromLatin1(name));
}
TZeichenFormatForm* TMainForm::zeichenFormatForm() const { return Character ? Character->ZeichenFormatForm : nullptr; }
TSonderzeichenForm* TMainForm::sonderzeichenForm() const { return Character ? Character->SonderzeichenForm : nullptr; }
TRenameVorlageForm* TMainForm::renameVorlageForm() const { return Character ? Character->RenameVorlageForm : nullptr; }
TVorlagenVerwaltenForm* TMainForm::vorlagenVerwaltenForm() const
{
    return Character ? Character->VorlagenVerwaltenForm : nullptr;
}

// ---- The dialogs ---------------------------------------------------------------------

bool TMainForm::runZeichenFormatDialog(ZeichenFormatModel& model)
{
    return ShowZeichenFormatForm(*Character->ZeichenFormatForm, model);
}

bool TMainForm::runSonderzeichenDialog(SonderzeichenModel& model)
{
    return ShowSonderzeichenForm(*Character->SonderzeichenForm, model);
}

bool TMainForm::runRenameVorlageDialog(RenameVorlageModel& model)
{
    return ShowRenameVorlageForm(*Character->RenameVorlageForm, model);
}

bool TMainForm::runVorlagenVerwaltenDialog(VorlagenVerwaltenModel& model)
{
    return ShowVorlagenVerwaltenForm(*Character->VorlagenVerwaltenForm, model);
}

} // namespace quillet
