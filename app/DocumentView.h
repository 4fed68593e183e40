#pragma once
// The document view widget: hosts one TMDIChild, shows the page image the
// window's paint pass makes, draws the caret over it and forwards keys,
// mouse, wheel, focus and resizing to the window's handlers. It owns no
// document logic.
//
// Layout: the rulers' panels (left, with the tab-kind box above the
// vertical ruler, and top) around the scroll box, whose viewport presents
// the window's view image. The image is made at the scroll box's size and
// already scrolled, so the viewport draws it at its origin.

#include "app/CommandGuard.h"
#include "engine/HostView.h"

#include <QImage>
#include <QRect>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QAbstractScrollArea;
class QFrame;
class QMenu;
class QTimer;

namespace quillet {

struct FrameState;
class TMDIChild;
class RulerWidget;
class TabKindWidget;

class DocumentView : public QWidget, public HostView {
    Q_OBJECT
public:
    // Makes the window (not yet FormCreate: the frame sets its inputs first).
    DocumentView(FrameState& frame, FrameUi* ui, QWidget* parent = nullptr);
    ~DocumentView() override;

    TMDIChild& child() { return *Child; }
    const TMDIChild& child() const { return *Child; }

    // Runs the window's FormCreate; false when the window asked to be closed
    // while it was made (a file that could not be opened).
    bool create();
    // The window asked to be closed (closeWindow) at some point.
    bool closeRequested() const { return CloseRequested; }

    // Whatever the timer would do now (tests; the timer still runs as well).
    void fireTimer1();
    void fireTimer2();
    bool timer2Active() const;

    // ---- What tests and the frame look at --------------------------------
    // No pass is pending: neither Timer2 nor one after scrolling or resizing.
    bool paintIdle() const;
    // Paint passes presented so far (each pass ends by presenting).
    int presentedPasses() const { return PresentedPasses; }
    // The scroll box and the viewport that shows the page image.
    QAbstractScrollArea* scrollBox() const;
    QWidget* pageViewport() const;
    // The last view image (a deep copy; null before the first pass).
    QImage viewImage() const;
    // The caret as the window last placed it (viewport pixels), and whether
    // it is on screen now (created, shown and the view has the focus).
    QRect caretRect() const { return QRect(CaretPos, CaretSize); }
    bool caretVisible() const;
    bool rulersVisible() const { return RulersShown; }
    RulerWidget* horizontalRuler() const { return HRuler; }
    RulerWidget* verticalRuler() const { return VRuler; }
    QWidget* tabKindBox() const;
    // The mark a drag shows over the page now (viewport pixels); empty when none.
    QRect overlayRect() const;
    // The popup the last right click showed (null before the first); the
    // frame adds its own items below the spelling block. Shown unless
    // tests turn popups off, which then only build them.
    QMenu* lastPopup() const { return Popup; }
    bool ShowPopups = true;
    // The popup's fixed items (the frame's page menu).
    std::function<void(QMenu&)> AddFixedPopupItems;

    // ---- HostView ---------------------------------------------------------
    void restartTimer2() override;
    void stopTimer2() override;
    int32_t scrollX() const override;
    int32_t scrollY() const override;
    void setScrollPos(int32_t x, int32_t y) override;
    int32_t clientWidth() const override;
    int32_t clientHeight() const override;
    int32_t horizontalBarHeight() const override;
    bool hasFocus() const override;
    void setCaption(const std::string& ansiCaption) override;
    void setCaptionUtf8(const std::string& utf8Caption) override;
    void repaint() override;
    void stopTimer1() override;
    void createCaret(int32_t width, int32_t height) override;
    void setCaretPos(int32_t x, int32_t y) override;
    void showCaret() override;
    void destroyCaret() override;
    void setFocus() override;
    void setRulersVisible(bool visible) override;
    void closeWindow() override;

signals:
    // The caption changed (the MDI subwindow shows it).
    void captionChanged(const QString& caption);
    // The window wants to go (after creation); the frame closes its subwindow.
    void closeRequestedSignal();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    // Tab belongs to the document, not to the focus chain.
    bool focusNextPrevChild(bool next) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    class ScrollBox;
    friend class ScrollBox;

    // Called by the scroll box.
    void paintViewport();
    bool viewportInput(QEvent* event);
    void boxResized();
    void scrolled();

    // The pass the platform's paint message would run: after scrolling or
    // resizing, once the queue is empty.
    void schedulePass();
    void runPass();
    void updateScrollRanges();
    void restartBlink();
    void updateCaretArea();
    // After every mouse event: cursor shape, overlay, rulers, popup.
    void afterMouse();
    // A text drag released over another document window: the text goes
    // there (moved, or copied with Ctrl). False when no other window's page
    // lies under the point.
    bool dropIntoOtherWindow(const QPoint& global, uint8_t shift);
    void showPopup();
    void autoScroll();
    template <class Fn> void guarded(const char* what, Fn&& fn);

    std::unique_ptr<TMDIChild> Child;
    bool CloseRequested = false;
    bool Creating = false;

    ScrollBox* Box = nullptr;
    QWidget* LeftPanel = nullptr;   // the tab-kind box above the vertical ruler
    TabKindWidget* TabKindBox = nullptr;
    RulerWidget* VRuler = nullptr;
    RulerWidget* HRuler = nullptr;
    QMenu* Popup = nullptr;
    // Selection drags past the viewport's edge scroll on by this timer.
    QTimer* AutoScrollTimer = nullptr;
    QPoint LastMouse;
    bool RulersShown = true;

    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;
    QTimer* PassTimer = nullptr;
    QTimer* BlinkTimer = nullptr;
    int PresentedPasses = 0;
    int PassDepth = 0;
    int RangeDepth = 0;

    // The caret of the scroll box (viewport pixels).
    bool CaretCreated = false;
    bool CaretShownFlag = false;
    bool BlinkOn = true;
    QPoint CaretPos;
    QSize CaretSize;

    // Mouse: whether the press went to the page (moves and the release
    // follow it there, as a captured mouse does), and the wheel's
    // remainder below one notch.
    bool PressOnPage = false;
    // Held while a press on the page drags (a selection, an object, a
    // column border): the frame's commands wait for its end.
    std::optional<FrameBusy::Scope> DragBusy;
    int WheelRemainder = 0;
};

} // namespace quillet
