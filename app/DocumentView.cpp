#include "app/DocumentView.h"

#include "app/widgets/Ruler.h"
#include "engine/Childwin.h"
#include "engine/ClipboardStream.h"
#include "platform/MessageBox.h"
#include "platform/VirtualKeys.h"
#include "platform/qt/QtKeyAdapter.h"
#include "platform/qt/QtText.h"
#include "render/ImageCanvas.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QFocusEvent>
#include <QFrame>
#include <QGridLayout>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <exception>
#include <new>
#include <utility>

namespace quillet {

namespace {

// The window's two timers: the deferred first activation, and the one-shot
// repaint that every change restarts, so a burst of input paints once.
constexpr int kTimer1Ms = 100;
constexpr int kTimer2Ms = 1;
constexpr int kCaretBlinkMs = 500;
constexpr int kRulerSize = 24;
constexpr int kWheelNotch = 120;
// A selection dragged past the viewport's edge scrolls on at this pace.
constexpr int kAutoScrollMs = 50;
constexpr int kAutoScrollMaxStep = 40;
// The grey around the pages, also where the image does not reach yet.
const QColor kWorkspaceColour(0x80, 0x80, 0x80);

int buttonCode(Qt::MouseButton b)
{
    if (b == Qt::LeftButton) return 0;
    if (b == Qt::RightButton) return 1;
    return -1;
}

Qt::CursorShape cursorShape(MouseCursor c)
{
    switch (c) {
    case MouseCursor::Default: return Qt::ArrowCursor;
    case MouseCursor::HandPoint: return Qt::PointingHandCursor;
    case MouseCursor::Cross: return Qt::CrossCursor;
    case MouseCursor::IBeam: return Qt::IBeamCursor;
    case MouseCursor::SizeWE: return Qt::SizeHorCursor;
    case MouseCursor::SizeNS: return Qt::SizeVerCursor;
    case MouseCursor::SizeAll: return Qt::SizeAllCursor;
    case MouseCursor::SizeNWSE: return Qt::SizeFDiagCursor;
    case MouseCursor::SizeNESW: return Qt::SizeBDiagCursor;
    case MouseCursor::Drag: return Qt::DragMoveCursor;
    }
    return Qt::ArrowCursor;
}

// How far past the edge [0, size) a point lies, as a scroll step.
int edgeStep(int at, int size)
{
    if (at < 0) return std::max(at, -kAutoScrollMaxStep);
    if (at >= size) return std::min(at - size + 1, kAutoScrollMaxStep);
    return 0;
}

} // namespace

// The scroll box: its viewport shows the page image; painting, input and
// scrolling go to the view, which hands them to the window.
class DocumentView::ScrollBox final : public QAbstractScrollArea {
public:
    explicit ScrollBox(DocumentView& owner) : QAbstractScrollArea(&owner), Owner(owner)
    {
        setFrameShape(QFrame::NoFrame);
        setFocusPolicy(Qt::NoFocus);
        viewport()->setFocusPolicy(Qt::NoFocus);
        horizontalScrollBar()->setFocusPolicy(Qt::NoFocus);
        verticalScrollBar()->setFocusPolicy(Qt::NoFocus);
        viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
        viewport()->setCursor(Qt::IBeamCursor);
        // Hovering picks the cursor from the page's zones.
        viewport()->setMouseTracking(true);
    }

protected:
    bool viewportEvent(QEvent* e) override
    {
        switch (e->type()) {
        case QEvent::Paint:
            Owner.paintViewport();
            return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
            return Owner.viewportInput(e);
        case QEvent::Resize:
            Owner.updateScrollRanges();
            break;
        default:
            break;
        }
        return QAbstractScrollArea::viewportEvent(e);
    }
    void resizeEvent(QResizeEvent* e) override
    {
        QAbstractScrollArea::resizeEvent(e);
        Owner.boxResized();
    }
    // The image is drawn already scrolled: a new position needs a new pass.
    void scrollContentsBy(int, int) override { Owner.scrolled(); }

private:
    DocumentView& Owner;
};

template <class Fn> void DocumentView::guarded(const char* what, Fn&& fn)
{
    // Nothing may leave an event handler: a failure is reported and the
    // window goes on with what it has.
    try {
        fn();
    } catch (const std::exception& e) {
        errorBox(std::string("Internal error (") + what + "): " + e.what());
    } catch (...) {
        errorBox(std::string("Internal error (") + what + ")");
    }
}

DocumentView::DocumentView(FrameState& frame, FrameUi* ui, QWidget* parent)
    : QWidget(parent), Child(std::make_unique<TMDIChild>(frame))
{
    Child->setHost(this);
    Child->setFrameUi(ui);
    Child->DisplayDpi = logicalDpiX() > 0 ? logicalDpiX() : 96;

    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);

    LeftPanel = new QWidget(this);
    LeftPanel->setFixedWidth(kRulerSize);
    auto* left = new QVBoxLayout(LeftPanel);
    left->setContentsMargins(0, 0, 0, 0);
    left->setSpacing(0);
    TabKindBox = new TabKindWidget(*Child, LeftPanel);
    TabKindBox->setFixedSize(kRulerSize, kRulerSize);
    VRuler = new RulerWidget(*Child, Qt::Vertical, LeftPanel);
    left->addWidget(TabKindBox);
    left->addWidget(VRuler, 1);

    HRuler = new RulerWidget(*Child, Qt::Horizontal, this);
    HRuler->setFixedHeight(kRulerSize);
    // A ruler drag shows its guide line over the page and, at its end, the
    // paragraph's new format.
    HRuler->AfterInput = [this] {
        Box->viewport()->update();
        VRuler->update();
    };

    Box = new ScrollBox(*this);
    for (QWidget* w : {static_cast<QWidget*>(LeftPanel), static_cast<QWidget*>(TabKindBox),
                       static_cast<QWidget*>(VRuler), static_cast<QWidget*>(HRuler)})
        w->setFocusPolicy(Qt::NoFocus);

    grid->addWidget(LeftPanel, 0, 0, 2, 1);
    grid->addWidget(HRuler, 0, 1);
    grid->addWidget(Box, 1, 1);

    Timer1 = new QTimer(this);
    Timer1->setSingleShot(true);
    Timer1->setInterval(kTimer1Ms);
    connect(Timer1, &QTimer::timeout, this, [this] { fireTimer1(); });

    Timer2 = new QTimer(this);
    Timer2->setSingleShot(true);
    Timer2->setInterval(kTimer2Ms);
    connect(Timer2, &QTimer::timeout, this, [this] { fireTimer2(); });

    PassTimer = new QTimer(this);
    PassTimer->setSingleShot(true);
    PassTimer->setInterval(0);
    connect(PassTimer, &QTimer::timeout, this, [this] { runPass(); });

    AutoScrollTimer = new QTimer(this);
    AutoScrollTimer->setInterval(kAutoScrollMs);
    connect(AutoScrollTimer, &QTimer::timeout, this, [this] { autoScroll(); });

    BlinkTimer = new QTimer(this);
    BlinkTimer->setInterval(kCaretBlinkMs);
    connect(BlinkTimer, &QTimer::timeout, this, [this] {
        BlinkOn = !BlinkOn;
        updateCaretArea();
    });
}

DocumentView::~DocumentView()
{
    // The window may still talk to its host while it goes.
    Child->setHost(nullptr);
}

bool DocumentView::create()
{
    Creating = true;
    // A load that broke off half way leaves no document worth showing: the
    // window goes as one whose file could not be read does.
    try {
        Child->FormCreate();
    } catch (const std::bad_alloc&) {
        errorBox("Not enough memory to open the document.");
        CloseRequested = true;
    } catch (const std::exception& e) {
        errorBox(std::string("The document could not be opened: ") + e.what());
        CloseRequested = true;
    } catch (...) {
        errorBox("The document could not be opened.");
        CloseRequested = true;
    }
    Creating = false;
    if (!CloseRequested) Timer1->start();
    return !CloseRequested;
}

void DocumentView::fireTimer1()
{
    guarded("Timer1Timer", [this] { Child->Timer1Timer(); });
}

void DocumentView::fireTimer2()
{
    guarded("Timer2Timer", [this] { Child->Timer2Timer(); });
}

bool DocumentView::timer2Active() const { return Timer2->isActive(); }
bool DocumentView::paintIdle() const { return !Timer2->isActive() && !PassTimer->isActive(); }

QAbstractScrollArea* DocumentView::scrollBox() const { return Box; }
QWidget* DocumentView::pageViewport() const { return Box->viewport(); }

QImage DocumentView::viewImage() const
{
    const auto& img = Child->ViewImage;
    if (!img || img->width() <= 0 || img->height() <= 0) return {};
    // Pixels are 0x00BBGGRR, in memory R, G, B, X.
    const QImage view(reinterpret_cast<const uchar*>(std::as_const(*img).row(0)), img->width(), img->height(),
                      qsizetype(img->width()) * 4, QImage::Format_RGBX8888);
    return view.copy();
}

bool DocumentView::caretVisible() const { return CaretCreated && CaretShownFlag && QWidget::hasFocus(); }

// ---- HostView ------------------------------------------------------------

void DocumentView::restartTimer2() { Timer2->start(); }
void DocumentView::stopTimer2() { Timer2->stop(); }
void DocumentView::stopTimer1() { Timer1->stop(); }

int32_t DocumentView::scrollX() const { return Box->horizontalScrollBar()->value(); }
int32_t DocumentView::scrollY() const { return Box->verticalScrollBar()->value(); }

void DocumentView::setScrollPos(int32_t x, int32_t y)
{
    // The bars clamp to their ranges; a change asks for a pass by itself.
    Box->horizontalScrollBar()->setValue(x);
    Box->verticalScrollBar()->setValue(y);
}

// The scroll box's whole size, bars included: the pass leaves room for the
// vertical bar itself, and the size does not change when a bar comes or goes.
int32_t DocumentView::clientWidth() const { return Box->width(); }
int32_t DocumentView::clientHeight() const { return Box->height(); }
int32_t DocumentView::horizontalBarHeight() const
{
    const QScrollBar* h = Box->horizontalScrollBar();
    return h && h->isVisible() ? h->height() : 0;
}

bool DocumentView::hasFocus() const { return QWidget::hasFocus(); }

void DocumentView::setCaption(const std::string& ansiCaption)
{
    const QString caption = fromAnsi(ansiCaption);
    setWindowTitle(caption);
    emit captionChanged(caption);
}

void DocumentView::setCaptionUtf8(const std::string& utf8Caption)
{
    const QString caption = QString::fromStdString(utf8Caption);
    setWindowTitle(caption);
    emit captionChanged(caption);
}

void DocumentView::repaint()
{
    const auto& img = Child->ViewImage;
    const bool stale = !img || img->width() != std::max(1, clientWidth()) ||
                       img->height() != std::max(1, clientHeight());
    if (stale && PassDepth == 0) {
        runPass();
        return;
    }
    // The end of a pass: present its image.
    ++PresentedPasses;
    updateScrollRanges();
    Box->viewport()->update();
    // The pass hands the rulers the caret line's values.
    HRuler->update();
    VRuler->update();
}

void DocumentView::createCaret(int32_t width, int32_t height)
{
    updateCaretArea();
    CaretCreated = true;
    // A new caret is hidden until it is shown.
    CaretShownFlag = false;
    CaretSize = QSize(std::max(1, width), std::max(1, height));
    BlinkTimer->stop();
}

void DocumentView::setCaretPos(int32_t x, int32_t y)
{
    updateCaretArea();
    CaretPos = QPoint(x, y);
    restartBlink();
}

void DocumentView::showCaret()
{
    CaretShownFlag = true;
    restartBlink();
}

void DocumentView::destroyCaret()
{
    updateCaretArea();
    CaretCreated = false;
    CaretShownFlag = false;
    BlinkTimer->stop();
    // Whoever took the caret away, the next pass must make it anew.
    Child->CaretCache.Valid = 0;
    Child->CaretShown = 0;
}

void DocumentView::setFocus() { QWidget::setFocus(Qt::OtherFocusReason); }

void DocumentView::setRulersVisible(bool visible)
{
    RulersShown = visible;
    LeftPanel->setVisible(visible);
    HRuler->setVisible(visible);
}

void DocumentView::closeWindow()
{
    CloseRequested = true;
    if (!Creating) emit closeRequestedSignal();
}

// ---- Presenting ------------------------------------------------------------

void DocumentView::paintViewport()
{
    QPainter p(Box->viewport());
    const QRect all = Box->viewport()->rect();
    const auto& img = Child->ViewImage;
    if (img && img->width() > 0 && img->height() > 0) {
        const QImage view(reinterpret_cast<const uchar*>(std::as_const(*img).row(0)), img->width(),
                          img->height(), qsizetype(img->width()) * 4, QImage::Format_RGBX8888);
        p.drawImage(0, 0, view);
        if (img->width() < all.width())
            p.fillRect(QRect(img->width(), 0, all.width() - img->width(), all.height()), kWorkspaceColour);
        if (img->height() < all.height())
            p.fillRect(QRect(0, img->height(), all.width(), all.height() - img->height()), kWorkspaceColour);
    } else {
        p.fillRect(all, kWorkspaceColour);
    }
    if (caretVisible() && BlinkOn) p.fillRect(caretRect(), Qt::black);

    // The drag's mark, inverting what lies under it, so it shows on any page.
    const DragOverlay& o = Child->Mouse.Overlay;
    if (overlayRect().isNull()) return;
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.setPen(QPen(Qt::white, 1, Qt::DotLine));
    p.setBrush(Qt::NoBrush);
    const int dx = scrollX(), dy = scrollY();
    if (o.Shape == DragOverlay::VLine) {
        p.drawLine(o.X1 - dx, 0, o.X1 - dx, all.height());
    } else {
        const QRect r = QRect(QPoint(std::min(o.X1, o.X2) - dx, std::min(o.Y1, o.Y2) - dy),
                              QPoint(std::max(o.X1, o.X2) - dx - 1, std::max(o.Y1, o.Y2) - dy - 1));
        p.drawRect(r);
    }
}

QWidget* DocumentView::tabKindBox() const { return TabKindBox; }

QRect DocumentView::overlayRect() const
{
    const DragOverlay& o = Child->Mouse.Overlay;
    const bool rulerDrag = Child->RulerDrag.Kind > 0 && Child->RulerDrag.Kind != TMDIChild::kRulerDragCancelled;
    // A mark left behind by a drag that ended some other way is not shown.
    if (o.Shape == DragOverlay::None || !(Child->MouseDragActive() || rulerDrag)) return {};
    const int dx = scrollX(), dy = scrollY();
    if (o.Shape == DragOverlay::VLine) return QRect(o.X1 - dx, 0, 1, Box->viewport()->height());
    return QRect(QPoint(std::min(o.X1, o.X2) - dx, std::min(o.Y1, o.Y2) - dy),
                 QPoint(std::max(o.X1, o.X2) - dx - 1, std::max(o.Y1, o.Y2) - dy - 1));
}

void DocumentView::schedulePass()
{
    if (!PassTimer->isActive()) PassTimer->start();
}

void DocumentView::runPass()
{
    PassTimer->stop();
    ++PassDepth;
    guarded("PaintBox1Paint", [this] { Child->PaintBox1Paint(); });
    --PassDepth;
}

void DocumentView::updateScrollRanges()
{
    // Showing or hiding a bar resizes the viewport, which lands here again.
    if (RangeDepth > 2) return;
    ++RangeDepth;
    const QSize vp = Box->viewport()->size();
    QScrollBar* h = Box->horizontalScrollBar();
    QScrollBar* v = Box->verticalScrollBar();
    h->setRange(0, std::max(0, Child->PaintBoxWidth - vp.width()));
    h->setPageStep(std::max(1, vp.width()));
    h->setSingleStep(16);
    v->setRange(0, std::max(0, Child->PaintBoxHeight - vp.height()));
    v->setPageStep(std::max(1, vp.height()));
    v->setSingleStep(16);
    --RangeDepth;
}

void DocumentView::boxResized()
{
    guarded("FormResize", [this] { Child->FormResize(); });
    updateScrollRanges();
    // A new zoom repaints by Timer2; otherwise the new size needs a pass.
    if (!Timer2->isActive()) schedulePass();
}

void DocumentView::scrolled() { schedulePass(); }

void DocumentView::restartBlink()
{
    BlinkOn = true;
    if (caretVisible()) BlinkTimer->start();
    else BlinkTimer->stop();
    updateCaretArea();
}

void DocumentView::updateCaretArea()
{
    if (CaretSize.isEmpty()) return;
    Box->viewport()->update(caretRect().adjusted(-1, -1, 1, 1));
}

// ---- Input -----------------------------------------------------------------

void DocumentView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && PressOnPage && Child->MouseDragActive()) {
        // Esc drops a drag on the page; nothing it did so far is applied.
        guarded("cancel drag", [this] { Child->CancelMouseDrag(); });
        AutoScrollTimer->stop();
        PressOnPage = false;
        afterMouse();
        event->accept();
        return;
    }
    guarded("key", [&] {
        const KeyInput k = translateKeyPress(*event);
        if (k.VirtualKey) {
            uint16_t vk = k.VirtualKey;
            Child->getkeysKeyDown(vk, k.Shift);
        }
        for (char c : k.Typed) {
            uint8_t b = uint8_t(c);
            Child->getkeysKeyPress(b);
        }
    });
    event->accept();
    Box->viewport()->update();
    // A key ends a ruler drag.
    HRuler->update();
}

void DocumentView::inputMethodEvent(QInputMethodEvent* event)
{
    guarded("input method", [&] {
        for (char c : translateCommitText(*event)) {
            uint8_t b = uint8_t(c);
            Child->getkeysKeyPress(b);
        }
    });
    event->accept();
    Box->viewport()->update();
}

QVariant DocumentView::inputMethodQuery(Qt::InputMethodQuery query) const
{
    if (query == Qt::ImEnabled) return true;
    if (query == Qt::ImCursorRectangle)
        return QRect(Box->viewport()->mapTo(this, CaretPos), CaretSize.isEmpty() ? QSize(2, 14) : CaretSize);
    return QWidget::inputMethodQuery(query);
}

bool DocumentView::focusNextPrevChild(bool) { return false; }

void DocumentView::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    guarded("FormActivate", [this] { Child->FormActivate(Child.get()); });
    // A pass without the focus placed no caret; the next one will.
    if (!CaretCreated) schedulePass();
    restartBlink();
}

void DocumentView::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    guarded("FormDeactivate", [this] { Child->FormDeactivate(Child.get()); });
    // A release the view will not see ends no drag it knows of.
    DragBusy.reset();
    BlinkTimer->stop();
    updateCaretArea();
}

bool DocumentView::viewportInput(QEvent* e)
{
    if (e->type() == QEvent::Wheel) {
        auto* we = static_cast<QWheelEvent*>(e);
        // One wheel step per notch; fine-grained wheels add up to notches.
        WheelRemainder += we->angleDelta().y();
        guarded("mouse wheel", [this] {
            for (; WheelRemainder >= kWheelNotch; WheelRemainder -= kWheelNotch) Child->FormMouseWheelUp();
            for (; WheelRemainder <= -kWheelNotch; WheelRemainder += kWheelNotch) Child->FormMouseWheelDown();
        });
        we->accept();
        return true;
    }

    auto* me = static_cast<QMouseEvent*>(e);
    const QPoint at = me->position().toPoint();
    // Paint-box pixels: the paint box scrolls under the viewport.
    const int32_t x = at.x() + scrollX();
    const int32_t y = at.y() + scrollY();
    const uint8_t shift = shiftBitsFor(me->modifiers());
    const int button = buttonCode(me->button());

    LastMouse = at;
    switch (e->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        if (button < 0) break;
        if (PressOnPage && (me->buttons() & ~me->button() & (Qt::LeftButton | Qt::RightButton))) {
            // A second button during a drag ends the drag; it applies nothing.
            guarded("cancel drag", [this] { Child->CancelMouseDrag(); });
            AutoScrollTimer->stop();
            PressOnPage = false;
            break;
        }
        const bool onPage = x >= 0 && y >= 0 && x < Child->PaintBoxWidth && y < Child->PaintBoxHeight;
        PressOnPage = onPage;
        const bool dbl = e->type() == QEvent::MouseButtonDblClick;
        guarded("mouse down", [&] {
            if (!onPage) {
                Child->ScrollBox1MouseDown();
                return;
            }
            // The double click comes first, then the press that made it.
            if (dbl && button == 0) Child->PaintBox1DblClick();
            Child->PaintBox1MouseDown(button, shift, x, y);
        });
        break;
    }
    case QEvent::MouseMove: {
        const bool held = me->buttons() & (Qt::LeftButton | Qt::RightButton);
        // Hovering sets the cursor from the zones; a drag follows the press.
        if (!held || PressOnPage) guarded("mouse move", [&] { Child->PaintBox1MouseMove(shift, x, y); });
        const bool selecting = held && PressOnPage && (Child->CursorRequest || Child->DropLocateRequest) &&
                               !Child->ObjectGrabbed && !Child->ColumnDragging && Child->InsertMode == 0;
        const QSize vp = Box->viewport()->size();
        const bool outside = edgeStep(at.x(), vp.width()) || edgeStep(at.y(), vp.height());
        if (selecting && outside) {
            if (!AutoScrollTimer->isActive()) AutoScrollTimer->start();
        } else {
            AutoScrollTimer->stop();
        }
        break;
    }
    case QEvent::MouseButtonRelease:
        AutoScrollTimer->stop();
        if (PressOnPage && button == 0 && Child->DropLocateRequest &&
            dropIntoOtherWindow(me->globalPosition().toPoint(), shift))
            PressOnPage = false;
        if (PressOnPage && button >= 0) guarded("mouse up", [&] { Child->PaintBox1MouseUp(button, shift, x, y); });
        if (!(me->buttons() & (Qt::LeftButton | Qt::RightButton))) PressOnPage = false;
        break;
    default:
        break;
    }
    me->accept();
    afterMouse();
    return true;
}

bool DocumentView::dropIntoOtherWindow(const QPoint& global, uint8_t shift)
{
    DocumentView* target = nullptr;
    for (QWidget* w = QApplication::widgetAt(global); w && !target; w = w->parentWidget())
        target = qobject_cast<DocumentView*>(w);
    if (!target || target == this) return false;
    QWidget* port = target->pageViewport();
    const QPoint at = port->mapFromGlobal(global);
    if (!port->rect().contains(at)) return false;
    bool dropped = false;
    guarded("drop", [&] {
        TMDIChild& other = target->child();
        const std::optional<TextPos> drop =
            other.LocateDrop(shift, at.x() + target->scrollX(), at.y() + target->scrollY());
        // Through the same copy and paste as a drop inside one window, but
        // without the system clipboard.
        if (drop && other.DropFragmentAt(Child->CopyFragment(), *drop)) {
            Child->DroppedElsewhere((shift & ssCtrl) != 0);
            dropped = true;
        }
    });
    if (!dropped) return false;
    target->pageViewport()->update();
    target->activateWindow();
    target->setFocus();
    return true;
}

void DocumentView::afterMouse()
{
    if (!(PressOnPage && Child->MouseDragActive())) DragBusy.reset();
    else if (!DragBusy) DragBusy.emplace();
    Box->viewport()->setCursor(cursorShape(Child->Mouse.Cursor));
    Box->viewport()->update();
    HRuler->update();
    VRuler->update();
    if (Child->Mouse.PopupPending) showPopup();
}

void DocumentView::showPopup()
{
    Child->Mouse.PopupPending = 0;
    if (!Popup) Popup = new QMenu(this);
    Popup->clear();
    // The spelling block first, then the frame's own items.
    for (const PopupItem& item : Child->Mouse.PopupItems) {
        if (item.Kind == PopupItem::Separator) {
            Popup->addSeparator()->setData(item.Tag);
            continue;
        }
        QAction* a = Popup->addAction(fromAnsi(item.Text));
        a->setData(item.Tag);
        connect(a, &QAction::triggered, this,
                [this, item] { guarded("popup", [&] { Child->PopupItemChosen(item); }); });
    }
    if (AddFixedPopupItems) AddFixedPopupItems(*Popup);
    if (Popup->isEmpty() || !ShowPopups) return;
    const QPoint at(Child->Mouse.PopupX - scrollX(), Child->Mouse.PopupY - scrollY());
    Popup->popup(Box->viewport()->mapToGlobal(at));
}

void DocumentView::autoScroll()
{
    const QSize vp = Box->viewport()->size();
    const int dx = edgeStep(LastMouse.x(), vp.width()), dy = edgeStep(LastMouse.y(), vp.height());
    if ((!dx && !dy) || !PressOnPage || !(Child->CursorRequest || Child->DropLocateRequest)) {
        AutoScrollTimer->stop();
        return;
    }
    setScrollPos(scrollX() + dx, scrollY() + dy);
    // The mouse stands still while the page moves under it.
    guarded("mouse move", [&] {
        Child->PaintBox1MouseMove(0, LastMouse.x() + scrollX(), LastMouse.y() + scrollY());
    });
    afterMouse();
}

} // namespace quillet
