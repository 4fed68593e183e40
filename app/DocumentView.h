#pragma once
// The document view widget: hosts one TMDIChild, shows the page image the
// window's paint pass makes, draws the caret over it and forwards keys,
// mouse, wheel, focus and resizing to the window's handlers. It owns no
// document logic.

#include "engine/HostView.h"

#include <QWidget>

#include <memory>
#include <string>

class QTimer;

namespace quillet {

struct FrameState;
class TMDIChild;

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

    // ---- HostView ---------------------------------------------------------
    void restartTimer2() override;
    void stopTimer2() override;
    int32_t scrollX() const override;
    int32_t scrollY() const override;
    void setScrollPos(int32_t x, int32_t y) override;
    int32_t clientWidth() const override;
    int32_t clientHeight() const override;
    bool hasFocus() const override;
    void setCaption(const std::string& ansiCaption) override;
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

private:
    std::unique_ptr<TMDIChild> Child;
    bool CloseRequested = false;
    bool Creating = false;
};

} // namespace quillet
