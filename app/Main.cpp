#include "app/Main.h"

#include "app/DocumentView.h"
#include "engine/Childwin.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStatusBar>

namespace quillet {

bool FrameFileDialogs::getOpenFileName(QWidget*, const std::string&, std::string&, int32_t&) { return false; }
bool FrameFileDialogs::getSaveFileName(QWidget*, const std::string&, std::string&, int32_t&) { return false; }

TMainForm::TMainForm(StartOptions options, QWidget* parent) : QMainWindow(parent), Start(std::move(options))
{
    setWindowTitle(QStringLiteral("Quillet"));
    MdiArea = new QMdiArea(this);
    MdiArea->setViewMode(QMdiArea::SubWindowView);
    setCentralWidget(MdiArea);
    statusBar();
    resize(1024, 768);
    OwnDialogs = std::make_unique<FrameFileDialogs>();
    Dialogs = Start.Dialogs ? Start.Dialogs : OwnDialogs.get();
}

TMainForm::~TMainForm() = default;

TMDIChild* TMainForm::ActiveMDIChild() const
{
    DocumentView* v = activeView();
    return v ? &v->child() : nullptr;
}

DocumentView* TMainForm::activeView() const
{
    QMdiSubWindow* sub = MdiArea->currentSubWindow();
    return sub ? qobject_cast<DocumentView*>(sub->widget()) : nullptr;
}

std::vector<DocumentView*> TMainForm::documentViews() const
{
    std::vector<DocumentView*> views;
    for (QMdiSubWindow* sub : MdiArea->subWindowList(QMdiArea::CreationOrder))
        if (auto* v = qobject_cast<DocumentView*>(sub->widget())) views.push_back(v);
    return views;
}

void TMainForm::FormCreate() {}
void TMainForm::FormShow() {}
bool TMainForm::FormCloseQuery() { return true; }
void TMainForm::FormClose() {}
DocumentView* TMainForm::CreateMDIChild(const std::string&) { return nullptr; }
DocumentView* TMainForm::OpenMDIChild(const std::string&) { return nullptr; }
DocumentView* TMainForm::makeWindow(const std::string&, bool) { return nullptr; }
void TMainForm::FileNew1Execute() {}
void TMainForm::FileOpen1Execute() {}
void TMainForm::LastUsedFilesClick(int32_t) {}
void TMainForm::FileExit1Execute() { close(); }
void TMainForm::HelpAbout1Execute() {}
void TMainForm::Optionen1Click() {}
QLabel* TMainForm::statusPanel(int panel) const
{
    return panel >= 0 && panel < static_cast<int>(StatusPanels.size()) ? StatusPanels[panel] : nullptr;
}
void TMainForm::showEvent(QShowEvent* event) { QMainWindow::showEvent(event); }
void TMainForm::closeEvent(QCloseEvent* event) { QMainWindow::closeEvent(event); }

void TMainForm::setUndoHints(const std::vector<std::string>&, const std::vector<std::string>&) {}
void TMainForm::fileMenuChanged() {}
void TMainForm::editMenuChanged() {}
void TMainForm::setStatusText(int, const std::string&) {}
const TMDIChild* TMainForm::activeChild() const { return ActiveMDIChild(); }
void TMainForm::showZoom(double) {}
void TMainForm::setDocumentMenusVisible(bool) {}
void TMainForm::setDocumentToolbarsEnabled(bool) {}
void TMainForm::setDocumentButtonsEnabled(bool) {}
void TMainForm::setClipboardActionsEnabled(bool) {}
std::vector<std::string> TMainForm::styleBoxItems() const { return {}; }
void TMainForm::setStyleBoxItems(const std::vector<std::string>&) {}
void TMainForm::showStyleBoxItem(int32_t) {}
bool TMainForm::runPageSetupDialog(TPageSetupForm&) { return false; }
bool TMainForm::runUserDictDialog(std::vector<std::string>&) { return false; }

} // namespace quillet
