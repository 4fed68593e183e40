#include "app/Main.h"

#include <QMdiArea>
#include <QStatusBar>

namespace quillet {

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Quillet"));
    MdiArea = new QMdiArea(this);
    MdiArea->setViewMode(QMdiArea::SubWindowView);
    setCentralWidget(MdiArea);
    statusBar();
    resize(1024, 768);
}

} // namespace quillet
