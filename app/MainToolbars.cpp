// The four toolbars: standard, format, drawing and extended format.
#include "app/Main.h"

#include "app/CommandGuard.h"
#include "app/DocumentView.h"
#include "engine/Childwin.h"
#include "platform/qt/QtText.h"

#include <QAction>
#include <QComboBox>
#include <QFontComboBox>
#include <QMenu>
#include <QToolBar>

namespace quillet {

void TMainForm::createToolbars()
{
    ToolBar1 = new QToolBar(QStringLiteral("Formatleiste"), this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar2 = new QToolBar(QStringLiteral("Standartleiste"), this);
    ToolBar2->setObjectName(QStringLiteral("ToolBar2"));
    ToolBar3 = new QToolBar(QStringLiteral("Zeichnenleiste"), this);
    ToolBar3->setObjectName(QStringLiteral("ToolBar3"));
    ToolBar4 = new QToolBar(QStringLiteral("Format erweitert"), this);
    ToolBar4->setObjectName(QStringLiteral("ToolBar4"));

    ToolBar2->addAction(FileNew1);
    ToolBar2->addAction(FileOpen1);
    ToolBar2->addAction(FileSave1);
    ToolBar2->addSeparator();
    ToolBar2->addAction(SeitenansichtM1);
    ToolBar2->addSeparator();
    ToolBar2->addAction(Rckgngig1);
    ToolBar2->addAction(Wiederholen1);
    ToolBar2->addSeparator();
    ZoomBox = new QComboBox(ToolBar2);
    ZoomBox->setObjectName(QStringLiteral("ZoomBox"));
    ZoomBox->setToolTip(QStringLiteral("Zoom"));
    ZoomBox->setEditable(true);
    ZoomBox->setInsertPolicy(QComboBox::NoInsert);
    for (const char* item : {"250%", "200%", "150%", "100%", "75%", "50%", "25%", "10%", "Page width",
                             "Complete page"})
        ZoomBox->addItem(QString::fromLatin1(item));
    ZoomBox->setCurrentText(QStringLiteral("100%"));
    ToolBar2->addWidget(ZoomBox);
    connect(ZoomBox, &QComboBox::textActivated, this, [this] { guardedCommand([&] { ZoomBoxChange(); }); });

    VorlagenBox = new QComboBox(ToolBar1);
    VorlagenBox->setObjectName(QStringLiteral("VorlagenBox"));
    VorlagenBox->setMinimumContentsLength(14);
    ToolBar1->addWidget(VorlagenBox);
    FontComboBox1 = new QFontComboBox(ToolBar1);
    FontComboBox1->setObjectName(QStringLiteral("FontComboBox1"));
    FontComboBox1->setToolTip(QStringLiteral("Font"));
    ToolBar1->addWidget(FontComboBox1);
    FontSize = new QComboBox(ToolBar1);
    FontSize->setObjectName(QStringLiteral("FontSize"));
    FontSize->setToolTip(QStringLiteral("Font size"));
    FontSize->setEditable(true);
    FontSize->setInsertPolicy(QComboBox::NoInsert);
    for (int size : {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72})
        FontSize->addItem(QString::number(size));
    ToolBar1->addWidget(FontSize);

    if (auto* bars = ViewMenu->findChild<QMenu*>(QStringLiteral("Sysmbolleisten1"))) {
        const std::pair<QToolBar*, const char*> items[] = {
            {ToolBar2, "&Standard"}, {ToolBar1, "&Format"}, {ToolBar3, "&Draw"}, {ToolBar4, "Format &extented"}};
        for (const auto& [bar, text] : items) {
            QAction* a = bars->addAction(QString::fromLatin1(text));
            a->setCheckable(true);
            QToolBar* b = bar;
            connect(a, &QAction::triggered, this, [this, b](bool checked) {
                guardedCommand([&] {
                    setToolbarVisible(b, checked);
                    writeSettings();
                });
            });
            connect(bars, &QMenu::aboutToShow, a, [this, a, b] { a->setChecked(b->isVisibleTo(this)); });
        }
    }

    addToolBar(Qt::TopToolBarArea, ToolBar2);
    addToolBarBreak(Qt::TopToolBarArea);
    addToolBar(Qt::TopToolBarArea, ToolBar1);
    addToolBar(Qt::TopToolBarArea, ToolBar4);
    addToolBar(Qt::BottomToolBarArea, ToolBar3);
    setDocumentToolbarsEnabled(false);
}

QToolBar* TMainForm::toolBar(int number) const
{
    switch (number) {
    case 1: return ToolBar1;
    case 2: return ToolBar2;
    case 3: return ToolBar3;
    case 4: return ToolBar4;
    default: return nullptr;
    }
}

void TMainForm::setToolbarVisible(QToolBar* bar, bool visible)
{
    if (bar) bar->setVisible(visible);
}

void TMainForm::applyToolbarSettings()
{
    const FrameOptions& o = State.Options;
    setToolbarVisible(ToolBar1, o.ToolBar1Visible != 0);
    setToolbarVisible(ToolBar2, o.ToolBar2Visible != 0);
    setToolbarVisible(ToolBar3, o.ToolBar3Visible != 0);
    setToolbarVisible(ToolBar4, o.ToolBar4Visible != 0);
}

void TMainForm::setDocumentToolbarsEnabled(bool enabled)
{
    for (QToolBar* bar : {ToolBar1, ToolBar3, ToolBar4})
        if (bar) bar->setEnabled(enabled);
}

void TMainForm::showToolbarFormat()
{
    const TMDIChild* w = ActiveMDIChild();
    if (!w) return;
    const TMDIChild::FormatToolbarView& f = w->ToolbarFormat;
    const QString face = fromAnsi(f.Face);
    if (FontComboBox1->currentText() != face) FontComboBox1->setCurrentText(face);
    const QString size = QString::fromStdString(f.SizeText);
    if (FontSize->currentText() != size) FontSize->setCurrentText(size);
    showCharacterToolbar();
    showParagraphToolbar();
}

} // namespace quillet
