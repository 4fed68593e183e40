#pragma once
// Doubles for the document window's host view and frame UI that record
// what the window asks of them. Scroll positions are clamped the way a
// scroll box clamps them (0..scrollMaxY).

#include "engine/HostView.h"
#include "engine/PageSetupDialog.h"

#include <functional>
#include <string>
#include <vector>

namespace quillet::test {

struct RecordingHost : HostView {
    int timer1Stops = 0;
    int timer2Restarts = 0;
    int timer2Stops = 0;
    bool timer2Running = false;
    int repaints = 0;
    int32_t x = 0;
    int32_t y = 0;
    int32_t scrollMaxY = 1 << 30;
    int32_t width = 800;
    int32_t height = 600;
    int32_t barHeight = 0;  // a horizontal scroll bar over the bottom edge
    bool focused = true;
    int focusRequests = 0;
    std::string caption;
    // Caret calls in order: "create WxH", "pos X,Y", "show", "destroy".
    std::vector<std::string> caretCalls;
    int rulersVisible = -1;  // -1 never set
    int closeRequests = 0;

    void restartTimer2() override;
    void stopTimer2() override;
    void stopTimer1() override { ++timer1Stops; }
    int32_t scrollX() const override { return x; }
    int32_t scrollY() const override { return y; }
    void setScrollPos(int32_t nx, int32_t ny) override;
    int32_t clientWidth() const override { return width; }
    int32_t clientHeight() const override { return height; }
    int32_t horizontalBarHeight() const override { return barHeight; }
    bool hasFocus() const override { return focused; }
    void setFocus() override;
    void setCaption(const std::string& c) override { caption = c; }
    void repaint() override { ++repaints; }
    void createCaret(int32_t w, int32_t h) override;
    void setCaretPos(int32_t cx, int32_t cy) override;
    void showCaret() override { caretCalls.push_back("show"); }
    void destroyCaret() override { caretCalls.push_back("destroy"); }
    void setRulersVisible(bool v) override { rulersVisible = v ? 1 : 0; }
    void closeWindow() override { ++closeRequests; }
};

struct RecordingUi : FrameUi {
    const TMDIChild* active = nullptr;
    std::vector<std::string> undo;
    std::vector<std::string> redo;
    int hintUpdates = 0;
    int fileMenuUpdates = 0;
    int editMenuUpdates = 0;
    double zoomShown = -1;
    int menusVisible = -1;       // -1 never set
    int toolbarsEnabled = -1;
    int buttonsEnabled = -1;
    int clipboardEnabled = -1;
    std::vector<std::string> styleItems;
    int styleBoxRefills = 0;
    int32_t styleShown = -1;
    // Answers the page setup dialog: edits the model, returns OK or Cancel.
    std::function<bool(TPageSetupForm&)> pageSetup;
    int pageSetupShown = 0;

    void setUndoHints(const std::vector<std::string>& u, const std::vector<std::string>& r) override;
    void fileMenuChanged() override { ++fileMenuUpdates; }
    void editMenuChanged() override { ++editMenuUpdates; }
    const TMDIChild* activeChild() const override { return active; }
    void showZoom(double percent) override { zoomShown = percent; }
    void setDocumentMenusVisible(bool v) override { menusVisible = v; }
    void setDocumentToolbarsEnabled(bool v) override { toolbarsEnabled = v; }
    void setDocumentButtonsEnabled(bool v) override { buttonsEnabled = v; }
    void setClipboardActionsEnabled(bool v) override { clipboardEnabled = v; }
    std::vector<std::string> styleBoxItems() const override { return styleItems; }
    void setStyleBoxItems(const std::vector<std::string>& names) override;
    void showStyleBoxItem(int32_t index) override { styleShown = index; }
    bool runPageSetupDialog(TPageSetupForm& form) override;
};

} // namespace quillet::test
