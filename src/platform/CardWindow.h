#pragma once

#include <QPoint>
#include <QRect>

namespace wystrand {

// The window-system steps of one card's window. The card widget keeps its frame and runs its
// own animations; it hands each position and opacity to this seam, which applies them to an
// X11 window or to a Wayland layer surface.
class CardWindow {
public:
    virtual ~CardWindow() = default;

    // Whether the card can be see-through around its rounded shape. Asked before the widget
    // has a native window: translucency is chosen when that is created.
    virtual bool translucent() const = 0;
    // For a window made ahead of any card: readies what a show would otherwise wait for (where
    // the window system allows, maps the window now, out of sight and see-through), so that
    // show() only moves it into place.
    virtual void mapAhead() = 0;
    virtual void show(QPoint at, double opacity) = 0;
    virtual void move(QPoint to) = 0;
    virtual void setOpacity(double opacity) = 0;
    // Asks the compositor to blur what lies behind `region`, in the card's own coordinates.
    virtual void blurBehind(const QRect& region) = 0;
    // Above windows mapped since it was shown.
    virtual void raise() = 0;
    virtual void close() = 0;
};

}  // namespace wystrand
