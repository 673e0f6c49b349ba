#pragma once

#include <optional>

#include "platform/CardWindow.h"

class QWidget;

namespace wystrand::x11 {

// A card as a top-level Qt window: an unmanaged notification window on xcb. It is also the card
// window of Qt's other platforms, among them the offscreen one every widget test runs on, where
// the card is a plain top-level widget and the X11 steps are skipped. The native window is made
// when the card is first shown or mapped ahead: one placed out of sight, below the screen, costs
// none until it comes up.
class X11CardWindow : public CardWindow {
public:
    explicit X11CardWindow(QWidget& card) : card_(card) {}

    bool translucent() const override;
    void mapAhead() override;
    void show(QPoint at, double opacity) override;
    void move(QPoint to) override;
    void setOpacity(double opacity) override;
    void blurBehind(const QRect& region) override;
    void raise() override;
    void close() override {}

private:
    // Makes the native window, marked as a notification, with what waited for it.
    void makeNative();

    QWidget& card_;
    bool native_ = false;
    std::optional<QRect> blur_;
};

}  // namespace wystrand::x11
