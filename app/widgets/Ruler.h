#pragma once
// The document view's rulers and the tab-kind box between them. They draw
// what the window's ruler model works out (engine/RulerModel.h) and hand
// the horizontal ruler's mouse to the window; they hold no state of their own.

#include "engine/RulerModel.h"

#include <QImage>
#include <QWidget>

#include <functional>

namespace quillet {

class TMDIChild;

// Paints a composed ruler into `image` (its size is the ruler's): the
// button face, the band, the white scale, ticks, numbers and glyphs.
void paintRulerImage(QImage& image, const RulerPicture& picture, bool horizontal, const QColor& face);
// Draws image `image` (RulerImage) with its top-left at (x, y).
void paintRulerGlyph(class QPainter& p, int32_t image, int32_t x, int32_t y);

class RulerWidget : public QWidget {
    Q_OBJECT
public:
    RulerWidget(TMDIChild& child, Qt::Orientation orientation, QWidget* parent = nullptr);
    // Runs after each mouse event the ruler handed to the window (the view
    // shows the guide line and the new format).
    std::function<void()> AfterInput;
    // The image the last paint composed (tests look at it).
    const QImage& lastImage() const { return Image; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    template <class Fn> void input(Fn&& fn);
    TMDIChild& Child;
    Qt::Orientation Orientation;
    QImage Image;
};

// The corner box: shows the tab kind a click on the ruler makes; a click
// on it cycles the kind (for every window).
class TabKindWidget : public QWidget {
    Q_OBJECT
public:
    TabKindWidget(TMDIChild& child, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    TMDIChild& Child;
};

} // namespace quillet
