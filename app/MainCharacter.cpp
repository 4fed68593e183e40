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
#include <QComboBox>
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
    TZeichenFormatForm* ZeichenFormatForm = nullptr;
    TSonderzeichenForm* SonderzeichenForm = nullptr;
    TRenameVorlageForm* RenameVorlageForm = nullptr;
    TVorlagenVerwaltenForm* VorlagenVerwaltenForm = nullptr;
};

namespace {

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
    c.ToolButton25 = makeColourButton(ToolBar1, ColourTarget::Text);
    c.ToolButton26 = makeColourButton(ToolBar1, ColourTarget::TextBk);
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
