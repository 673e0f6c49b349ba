#pragma once

#include <QPoint>
#include <QRect>

namespace wystrand {

// The card window: the window system's side of one card. NotifyView is the card itself and
// NotifyPanel its place on screen, which runs the card's motions and hands each position and
// opacity to this seam; the seam applies them to an X11 window (X11CardWindow) or to a Wayland
// layer surface (LayerCardWindow).
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
