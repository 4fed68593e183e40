#include "app/DocumentView.h"

#include "engine/Childwin.h"

namespace quillet {

DocumentView::DocumentView(FrameState& frame, FrameUi* ui, QWidget* parent)
    : QWidget(parent), Child(std::make_unique<TMDIChild>(frame))
{
    Child->setHost(this);
    Child->setFrameUi(ui);
}

DocumentView::~DocumentView() = default;

bool DocumentView::create()
{
    Creating = true;
    Child->FormCreate();
    Creating = false;
    return !CloseRequested;
}

void DocumentView::fireTimer1() { Child->Timer1Timer(); }
void DocumentView::fireTimer2() { Child->Timer2Timer(); }
bool DocumentView::timer2Active() const { return false; }

void DocumentView::restartTimer2() {}
void DocumentView::stopTimer2() {}
int32_t DocumentView::scrollX() const { return 0; }
int32_t DocumentView::scrollY() const { return 0; }
void DocumentView::setScrollPos(int32_t, int32_t) {}
int32_t DocumentView::clientWidth() const { return width(); }
int32_t DocumentView::clientHeight() const { return height(); }
bool DocumentView::hasFocus() const { return QWidget::hasFocus(); }
void DocumentView::setCaption(const std::string&) {}
void DocumentView::repaint() { update(); }
void DocumentView::stopTimer1() {}
void DocumentView::createCaret(int32_t, int32_t) {}
void DocumentView::setCaretPos(int32_t, int32_t) {}
void DocumentView::showCaret() {}
void DocumentView::destroyCaret() {}
void DocumentView::setFocus() { QWidget::setFocus(); }
void DocumentView::setRulersVisible(bool) {}
void DocumentView::closeWindow()
{
    CloseRequested = true;
    if (!Creating) emit closeRequestedSignal();
}

} // namespace quillet
