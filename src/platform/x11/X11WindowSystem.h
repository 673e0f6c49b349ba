#pragma once

#include "platform/WindowSystem.h"
#include "platform/x11/X11Keyboard.h"

namespace wystrand::x11 {

// Cards as Qt's own top-level windows (X11CardWindow) on the screen the user works on, among
// the screens Qt reports: on xcb the one holding most of the active window, else the one under
// the pointer, else the primary; on other Qt platforms (offscreen, in tests) the primary. The
// screen is asked afresh for every card and every restack; a card keeps the x it was given.
class X11WindowSystem : public WindowSystem {
public:
    std::optional<QRect> columnFrame(bool newColumn) override;
    std::unique_ptr<CardWindow> createCardWindow(QWidget& card,
                                                 std::function<void()> onLost) override;
    // On Qt's other platforms only Qt's own focus moves.
    bool lendKeyboard(QWidget& card) override;
    void returnKeyboard() override;

private:
    KeyboardLoan keyboard_;
};

}  // namespace wystrand::x11
