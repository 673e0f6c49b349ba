#pragma once

#include "platform/CardWindow.h"

namespace wystrand::x11 {

// A card as a top-level Qt window: an unmanaged notification window on xcb, a plain widget on
// other Qt platforms (offscreen in tests).
class X11CardWindow : public CardWindow {
public:
    explicit X11CardWindow(QWidget& card) : card_(card) {}

    bool translucent() const override;
    void prepare() override;
    void mapAhead() override;
    void show(QPoint at, double opacity) override;
    void move(QPoint to) override;
    void setOpacity(double opacity) override;
    void blurBehind(const QRect& region) override;
    void raise() override;
    void close() override {}

private:
    QWidget& card_;
};

}  // namespace wystrand::x11
