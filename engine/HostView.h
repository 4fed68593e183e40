#pragma once
// What a document window asks of the widget that hosts it and of the frame.
// The Qt view and frame implement these; tests use recording doubles. Every
// method has a harmless default so a headless window needs no host at all.

#include <cstdint>
#include <string>
#include <vector>

namespace quillet {

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
    virtual bool hasFocus() const { return false; }
    virtual void setCaption(const std::string& /*ansiCaption*/) {}
    virtual void repaint() {}
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
};

} // namespace quillet
