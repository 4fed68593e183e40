// The View menu: zoom modes, the toolbar items, ruler and status bar, and
// the zoom box that goes with them.
#include "app/Main.h"

#include "app/CommandGuard.h"
#include "app/DocumentView.h"
#include "app/dialogs/ZoomFUnit.h"
#include "engine/Childwin.h"

#include <QAction>
#include <QComboBox>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

namespace quillet {

namespace {

QString shortestDecimal(double v) { return QString::number(v, 'g', QLocale::FloatingPointShortest); }

} // namespace

void TMainForm::createViewMenu()
{
    ViewMenu = menuBar()->addMenu(QStringLiteral("&View"));
    ViewMenu->setObjectName(QStringLiteral("Anischt1"));
    Seitenbreite1 = ViewMenu->addAction(QStringLiteral("Page &width"));
    Seitenbreite1->setObjectName(QStringLiteral("Seitenbreite1"));
    GanzeSeite1 = ViewMenu->addAction(QStringLiteral("&Complete page"));
    GanzeSeite1->setObjectName(QStringLiteral("GanzeSeite1"));
    Zoom1001 = ViewMenu->addAction(QStringLiteral("Zoom &100%"));
    Zoom1001->setObjectName(QStringLiteral("Zoom1001"));
    auto zoomMode = [this](int32_t mode) {
        guardedCommand([&] {
            TMDIChild* w = ActiveMDIChild();
            if (!w) return;
            w->ZoomMode = mode;
            if (mode == 0) {
                ZoomBox->setEditText(QStringLiteral("100%"));
                ZoomBoxChange();
            } else {
                w->FormResize();
            }
        });
    };
    connect(Seitenbreite1, &QAction::triggered, this, [zoomMode] { zoomMode(1); });
    connect(GanzeSeite1, &QAction::triggered, this, [zoomMode] { zoomMode(2); });
    connect(Zoom1001, &QAction::triggered, this, [zoomMode] { zoomMode(0); });
    Zoomstufe1 = ViewMenu->addAction(QStringLiteral("&Zoom..."));
    Zoomstufe1->setObjectName(QStringLiteral("Zoomstufe1"));
    connect(Zoomstufe1, &QAction::triggered, this, [this] { guardedCommand([&] { Zoomstufe1Click(); }); });
    ZoomForm = new TZoomForm(this);
    ViewMenu->addSeparator();
    QMenu* bars = ViewMenu->addMenu(QStringLiteral("Toolbars"));
    bars->setObjectName(QStringLiteral("Sysmbolleisten1"));
    ViewMenu->addSeparator();
    Lineal1 = ViewMenu->addAction(QStringLiteral("&Ruler"));
    Lineal1->setObjectName(QStringLiteral("Lineal1"));
    Lineal1->setCheckable(true);
    connect(Lineal1, &QAction::triggered, this, [this](bool checked) {
        guardedCommand([&] {
            State.Options.ShowRuler = checked ? 1 : 0;
            for (DocumentView* v : documentViews()) v->setRulersVisible(checked);
            writeSettings();
        });
    });
    Statuszeile1 = ViewMenu->addAction(QStringLiteral("S&tatus bar"));
    Statuszeile1->setObjectName(QStringLiteral("Statuszeile1"));
    Statuszeile1->setCheckable(true);
    connect(Statuszeile1, &QAction::triggered, this, [this](bool checked) {
        guardedCommand([&] {
            State.Options.ShowStatusBar = checked ? 1 : 0;
            statusBar()->setVisible(checked);
            writeSettings();
        });
    });
    connect(ViewMenu, &QMenu::aboutToShow, this, [this, bars] {
        const bool doc = ActiveMDIChild() != nullptr;
        for (QAction* a : {Seitenbreite1, GanzeSeite1, Zoom1001, Zoomstufe1, Lineal1}) a->setEnabled(doc);
        bars->setEnabled(doc);
        Lineal1->setChecked(State.Options.ShowRuler != 0);
        Statuszeile1->setChecked(State.Options.ShowStatusBar != 0);
    });
    ViewMenu->insertAction(Seitenbreite1, SeitenansichtM1);
    ViewMenu->insertSeparator(Seitenbreite1);
}

void TMainForm::ZoomBoxChange()
{
    TMDIChild* w = ActiveMDIChild();
    if (!w) return;
    const QString text = ZoomBox->currentText();
    if (text == QLatin1String("Page width")) {
        w->ZoomMode = 1;
    } else if (text == QLatin1String("Complete page")) {
        w->ZoomMode = 2;
    } else if (!text.isEmpty()) {
        QString number = text.trimmed();
        if (number.endsWith(QLatin1Char('%'))) number.chop(1);
        bool ok = false;
        double value = QLocale().toDouble(number, &ok);
        if (!ok) value = QLocale::c().toDouble(number, &ok);
        if (ok && value >= 10 && value <= 250 && value != w->ZoomPercent) {
            w->ZoomPercent = value;
            w->ZoomMode = 0;
            w->CompleteRefresh();
        }
    }
    if (w->ZoomMode != 0) w->FormResize();
}

void TMainForm::ZoomBoxExit()
{
    if (const TMDIChild* w = ActiveMDIChild()) showZoom(w->ZoomPercent);
}

void TMainForm::showZoom(double percent)
{
    ZoomBox->setEditText(shortestDecimal(percent) + QLatin1Char('%'));
}

void TMainForm::Zoomstufe1Click()
{
    TMDIChild* w = ActiveMDIChild();
    if (!w) return;
    ZoomForm->setZoom(w->ZoomMode, w->ZoomPercent);
    if (ZoomForm->exec() != QDialog::Accepted) return;
    // The window may have gone while the dialog was up.
    w = ActiveMDIChild();
    if (!w) return;
    w->ZoomMode = ZoomForm->mode();
    if (w->ZoomMode == 0) {
        ZoomBox->setEditText(QString::number(ZoomForm->percent(), 'f', 2) + QLatin1Char('%'));
        ZoomBoxChange();
    } else {
        w->FormResize();
    }
}

TZoomForm* TMainForm::zoomForm() const { return ZoomForm; }

QAction* TMainForm::viewAction(const char* name) const
{
    return ViewMenu ? ViewMenu->findChild<QAction*>(QString::fromLatin1(name)) : nullptr;
}

} // namespace quillet
