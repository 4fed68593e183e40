#pragma once
// What a document window asks of the widget that hosts it and of the frame.
// The Qt view and frame implement these; tests use recording doubles. Every
// method has a harmless default so a headless window needs no host at all.

#include "platform/Win1252.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quillet {

class TMDIChild;
struct TPageSetupForm;
struct SpaltenDialogModel;

class HostView {
public:
    virtual ~HostView() = default;
    // The one-shot repaint timer: stop it and start it again.
    virtual void restartTimer2() {}
    virtual void stopTimer2() {}
    virtual int32_t scrollX() const { return 0; }
    virtual int32_t scrollY() const { return 0; }
    virtual void setScrollPos(int32_t /*x*/, int32_t /*y*/) {}
    virtual int32_t clientWidth() const { return 800; }
    virtual int32_t clientHeight() const { return 600; }
    // Height of the horizontal scroll bar while it is shown over the client
    // area's bottom edge, 0 otherwise.
    virtual int32_t horizontalBarHeight() const { return 0; }
    virtual bool hasFocus() const { return false; }
    virtual void setCaption(const std::string& /*ansiCaption*/) {}
    // The caption in UTF-8 (file names need not fit the code page); hosts
    // that take only setCaption get it in the code page.
    virtual void setCaptionUtf8(const std::string& utf8Caption) { setCaption(utf8ToAnsi(utf8Caption)); }
    virtual void repaint() {}
    // The deferred first activation.
    virtual void stopTimer1() {}
    // The system caret on the scroll box (scroll box client coordinates).
    virtual void createCaret(int32_t /*width*/, int32_t /*height*/) {}
    virtual void setCaretPos(int32_t /*x*/, int32_t /*y*/) {}
    virtual void showCaret() {}
    virtual void destroyCaret() {}
    virtual void setFocus() {}
    // Horizontal and vertical ruler panels.
    virtual void setRulersVisible(bool /*visible*/) {}
    // Closes (and so frees) the window, e.g. after a failed open.
    virtual void closeWindow() {}
};

class FrameUi {
public:
    virtual ~FrameUi() = default;
    // Undo and redo buttons: labels newest first.
    virtual void setUndoHints(const std::vector<std::string>& /*undo*/,
                              const std::vector<std::string>& /*redo*/) {}
    virtual void fileMenuChanged() {}
    virtual void editMenuChanged() {}
    virtual void setStatusText(int /*panel*/, const std::string& /*ansiText*/) {}
    // The frame's active document window; null when there is none.
    virtual const TMDIChild* activeChild() const { return nullptr; }
    // The zoom box shows the active window's zoom.
    virtual void showZoom(double /*percent*/) {}
    // Menus Edit, View, Insert, Format, Extras and Table.
    virtual void setDocumentMenusVisible(bool /*visible*/) {}
    // ToolBar1, ToolBar3 and ToolBar4.
    virtual void setDocumentToolbarsEnabled(bool /*enabled*/) {}
    // The drawing toolbar's print, save and page-view buttons (when it exists).
    virtual void setDocumentButtonsEnabled(bool /*enabled*/) {}
    virtual void setClipboardActionsEnabled(bool /*enabled*/) {}
    // The style box.
    virtual std::vector<std::string> styleBoxItems() const { return {}; }
    virtual void setStyleBoxItems(const std::vector<std::string>& /*ansiNames*/) {}
    virtual void showStyleBoxItem(int32_t /*index*/) {}
    // Modal dialogs: true when closed with OK (the model then holds the input).
    virtual bool runPageSetupDialog(TPageSetupForm& /*form*/) { return false; }
    // The Save dialog: file name (UTF-8 path) and format filter index (1 native,
    // 2 RTF, 3 text, 4 text DOS) in and out.
    virtual bool runSaveDialog(std::string& /*fileName*/, int32_t& /*filterIndex*/) { return false; }
    // The user dictionary dialog: shows the words (Windows-1252), lets the
    // user delete some; true on OK with the remaining words written back.
    virtual bool runUserDictDialog(std::vector<std::string>& /*words*/) { return false; }
    virtual bool runSpaltenDialog(SpaltenDialogModel& /*model*/) { return false; }
    // The bold, italic and underline buttons, pressed through their keyboard
    // shortcuts. True when the frame acted (on its active window, as a click
    // does, and set its buttons); false leaves the work to the window.
    virtual bool FettBtnClick() { return false; }
    virtual bool KursivBtnClick() { return false; }
    virtual bool UnderlineBtnClick() { return false; }
};

} // namespace quillet
