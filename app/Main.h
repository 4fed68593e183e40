#pragma once
// The frame window: menus, toolbars, status bar and the document windows.

#include <QMainWindow>

class QMdiArea;

namespace quillet {

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);

    QMdiArea* mdiArea() const { return MdiArea; }

private:
    QMdiArea* MdiArea = nullptr;
};

} // namespace quillet
