// The frame's paragraph commands: the Format menu's paragraph, tab stop and
// numbering items, the format toolbar's alignment and list buttons, the
// extended toolbar's line spacing buttons, and the three dialogs they show.
// Each command acts on the active document window and does nothing without
// one; the toolbar buttons also do nothing while that window is writing its
// format into the toolbar.

#include "app/Main.h"

#include "app/CommandGuard.h"
#include "app/dialogs/AbsatzFUnit.h"
#include "app/dialogs/NummerierungFUnit.h"
#include "app/dialogs/TabulatorFUnit.h"
#include "engine/Childwin.h"

#include <QAction>
#include <QActionGroup>
#include <QLocale>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QToolBar>

namespace quillet {

struct TMainForm::ParagraphControls {
    QAction* Absatz1 = nullptr;
    QAction* Tabulator1 = nullptr;
    QAction* NummerierungundAufzhlungen1 = nullptr;
    QAction* LinksbBtn = nullptr;
    QAction* ZentrBtn = nullptr;
    QAction* RechtsbBtn = nullptr;
    QAction* BlockBtn = nullptr;
    QAction* AufBtn = nullptr;
    QAction* NumBtn = nullptr;
    QAction* ToolButton2 = nullptr;
    QAction* ToolButton29 = nullptr;
    QAction* ToolButton30 = nullptr;
    TAbsatzForm* AbsatzForm = nullptr;
    TTabulatorForm* TabulatorForm = nullptr;
    TNummerierungForm* NummerierungForm = nullptr;
};

namespace {

// A 16 x 16 button face: text lines of the given widths (of 12 pixels),
// placed by the alignment, or list marks in front of short lines.
enum class Face { Left, Center, Right, Block, Bullets, Numbers };

QIcon paragraphIcon(Face face)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QPen(Qt::black, 1));
    static constexpr int kWidths[] = {12, 8, 12, 6, 12, 9};
    for (int i = 0; i < 6; ++i) {
        const int y = 2 + i * 2;
        int w = kWidths[i];
        int x = 2;
        switch (face) {
        case Face::Center: x = 2 + (12 - w) / 2; break;
        case Face::Right: x = 14 - w; break;
        case Face::Block: w = i == 5 ? 7 : 12; break;
        case Face::Bullets:
        case Face::Numbers:
            if (i % 2) continue;
            if (face == Face::Bullets) p.fillRect(2, y - 1, 2, 2, Qt::black);
            else p.drawLine(2, y - 1, 2, y + 1);
            x = 6;
            w = 8;
            break;
        default: break;
        }
        p.drawLine(x, y, x + w - 1, y);
    }
    return QIcon(pm);
}

QAction* commandAction(QObject* parent, const char* name, const char* text)
{
    auto* a = new QAction(QString::fromLatin1(text), parent);
    a->setObjectName(QString::fromLatin1(name));
    return a;
}

QAction* toolAction(QObject* parent, const char* name, const char* hint, Face face)
{
    QAction* a = commandAction(parent, name, hint);
    a->setToolTip(QString::fromLatin1(hint));
    a->setIcon(paragraphIcon(face));
    a->setCheckable(true);
    return a;
}

} // namespace

void TMainForm::createParagraphCommands()
{
    Paragraph = std::make_shared<ParagraphControls>();
    ParagraphControls& c = *Paragraph;
    auto on = [this](QAction* a, void (TMainForm::*method)()) {
        connect(a, &QAction::triggered, this, [this, method] { guardedCommand([&] { (this->*method)(); }); });
    };

    c.AbsatzForm = new TAbsatzForm(this);
    c.TabulatorForm = new TTabulatorForm(this);
    c.NummerierungForm = new TNummerierungForm(this);
    // The list character comes from the special-character table, preset to
    // the edit's font and character.
    c.NummerierungForm->chooseCharacter = [this](std::string& face, uint8_t& code) {
        SonderzeichenModel table;
        table.FontName = face;
        if (code) table.Char = code;
        if (!runSonderzeichenDialog(table)) return false;
        face = table.FontName;
        code = table.Char;
        return true;
    };

    // Format menu.
    c.Absatz1 = commandAction(this, "Absatz1", "&Paragraph...");
    on(c.Absatz1, &TMainForm::AbsatzM1Click);
    c.Tabulator1 = commandAction(this, "Tabulator1", "&Tab stops...");
    on(c.Tabulator1, &TMainForm::TabulatorM1Click);
    c.NummerierungundAufzhlungen1 = commandAction(this, "NummerierungundAufzhlungen1", "&Numeration....");
    on(c.NummerierungundAufzhlungen1, &TMainForm::NummerierungundAufzhlungenM1Click);
    FormatMenu->insertAction(Spalten1, c.Absatz1);
    FormatMenu->insertAction(Spalten1, c.Tabulator1);
    FormatMenu->addAction(c.NummerierungundAufzhlungen1);

    // Format toolbar: the alignment buttons are one radio group; "List" and
    // "Numeration" another that may have no button down.
    c.LinksbBtn = toolAction(this, "LinksbBtn", "Left justify", Face::Left);
    c.ZentrBtn = toolAction(this, "ZentrBtn", "Center justify", Face::Center);
    c.RechtsbBtn = toolAction(this, "RechtsbBtn", "Only right justify", Face::Right);
    c.BlockBtn = toolAction(this, "BlockBtn", "Justify on both sides", Face::Block);
    auto* alignment = new QActionGroup(this);
    alignment->setExclusive(true);
    for (QAction* a : {c.LinksbBtn, c.ZentrBtn, c.RechtsbBtn, c.BlockBtn}) alignment->addAction(a);
    c.LinksbBtn->setChecked(true);
    on(c.LinksbBtn, &TMainForm::Button1Click);
    on(c.ZentrBtn, &TMainForm::Button2Click);
    on(c.RechtsbBtn, &TMainForm::Button3Click);
    on(c.BlockBtn, &TMainForm::BlockBtnClick);
    c.AufBtn = toolAction(this, "AufBtn", "List", Face::Bullets);
    c.NumBtn = toolAction(this, "NumBtn", "Numeration", Face::Numbers);
    auto* lists = new QActionGroup(this);
    lists->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    lists->addAction(c.AufBtn);
    lists->addAction(c.NumBtn);
    on(c.AufBtn, &TMainForm::AufBtnClick);
    on(c.NumBtn, &TMainForm::NumBtnClick);
    ToolBar1->addSeparator();
    ToolBar1->addActions({c.LinksbBtn, c.ZentrBtn, c.RechtsbBtn, c.BlockBtn});
    ToolBar1->addSeparator();
    ToolBar1->addActions({c.AufBtn, c.NumBtn});

    // Extended format toolbar: line spacing.
    c.ToolButton2 = commandAction(this, "ToolButton2", "1");
    c.ToolButton2->setToolTip(QStringLiteral("Single line spacing"));
    c.ToolButton29 = commandAction(this, "ToolButton29", "1.5");
    c.ToolButton29->setToolTip(QStringLiteral("1.5 x line spacing"));
    c.ToolButton30 = commandAction(this, "ToolButton30", "2");
    c.ToolButton30->setToolTip(QStringLiteral("Double line spacing"));
    on(c.ToolButton2, &TMainForm::ToolButton2Click);
    on(c.ToolButton29, &TMainForm::ToolButton29Click);
    on(c.ToolButton30, &TMainForm::ToolButton30Click);
    ToolBar4->addActions({c.ToolButton2, c.ToolButton29, c.ToolButton30});
}

TAbsatzForm* TMainForm::absatzForm() const { return Paragraph ? Paragraph->AbsatzForm : nullptr; }
TTabulatorForm* TMainForm::tabulatorForm() const { return Paragraph ? Paragraph->TabulatorForm : nullptr; }
TNummerierungForm* TMainForm::nummerierungForm() const { return Paragraph ? Paragraph->NummerierungForm : nullptr; }

namespace {

// A toolbar command on the active window, unless it is updating its
// toolbar; afterwards the toolbar shows the paragraph as it now is.
template <class Command>
void toolbarCommand(TMDIChild* w, Command command)
{
    if (!w || w->UpdatingToolbar) return;
    command(*w);
    w->SmallOvertakeFont();
}

template <class Command>
void menuCommand(TMDIChild* w, Command command)
{
    if (!w) return;
    command(*w);
    w->SmallOvertakeFont();
}

} // namespace

void TMainForm::Button1Click() { toolbarCommand(ActiveMDIChild(), [](TMDIChild& w) { w.formatleft(); }); }
void TMainForm::Button2Click() { toolbarCommand(ActiveMDIChild(), [](TMDIChild& w) { w.formatcenter(); }); }
void TMainForm::Button3Click() { toolbarCommand(ActiveMDIChild(), [](TMDIChild& w) { w.formatright(); }); }
void TMainForm::BlockBtnClick() { toolbarCommand(ActiveMDIChild(), [](TMDIChild& w) { w.formatblock(); }); }
void TMainForm::AufBtnClick() { toolbarCommand(ActiveMDIChild(), [](TMDIChild& w) { w.aufzaehlung(1); }); }
void TMainForm::NumBtnClick() { toolbarCommand(ActiveMDIChild(), [](TMDIChild& w) { w.aufzaehlung(2); }); }

void TMainForm::ToolButton2Click()
{
    toolbarCommand(ActiveMDIChild(), [](TMDIChild& w) { w.ZeilenAbstandEinfach(); });
}

void TMainForm::ToolButton29Click()
{
    toolbarCommand(ActiveMDIChild(), [](TMDIChild& w) { w.ZeilenAbstandEinEinhalbfach(); });
}

void TMainForm::ToolButton30Click()
{
    toolbarCommand(ActiveMDIChild(), [](TMDIChild& w) { w.ZeilenAbstandZweifach(); });
}

void TMainForm::AbsatzM1Click() { menuCommand(ActiveMDIChild(), [](TMDIChild& w) { w.absatzformatieren(); }); }
void TMainForm::TabulatorM1Click() { menuCommand(ActiveMDIChild(), [](TMDIChild& w) { w.tabulator(); }); }

void TMainForm::NummerierungundAufzhlungenM1Click()
{
    menuCommand(ActiveMDIChild(), [](TMDIChild& w) { w.NummerierungundAufzaehlungen(); });
}

void TMainForm::showParagraphToolbar()
{
    const TMDIChild* w = ActiveMDIChild();
    if (!w || !Paragraph) return;
    const TMDIChild::FormatToolbarView& f = w->ToolbarFormat;
    ParagraphControls& c = *Paragraph;
    QAction* const aligned[] = {c.LinksbBtn, c.ZentrBtn, c.RechtsbBtn, c.BlockBtn};
    aligned[f.Alignment <= 3 ? f.Alignment : 0]->setChecked(true);
    c.AufBtn->setChecked(f.Bullets != 0);
    c.NumBtn->setChecked(f.Numbering != 0);
}

// ---- ParagraphDialogUi -----------------------------------------------------------------

bool TMainForm::runAbsatzDialog(AbsatzDialogModel& model)
{
    return Paragraph && ShowAbsatzForm(*Paragraph->AbsatzForm, model);
}

bool TMainForm::runTabulatorDialog(TabulatorDialogModel& model)
{
    return Paragraph && ShowTabulatorForm(*Paragraph->TabulatorForm, model);
}

bool TMainForm::runNummerierungDialog(NummerierungDialogModel& model)
{
    return Paragraph && ShowNummerierungForm(*Paragraph->NummerierungForm, model);
}

char TMainForm::decimalSeparator() const
{
    const QString point = QLocale().decimalPoint();
    return point.size() == 1 && point[0].unicode() < 128 ? char(point[0].unicode()) : '.';
}

} // namespace quillet
