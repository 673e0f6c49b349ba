#pragma once

#include <QRect>
#include <functional>
#include <memory>
#include <optional>

#include "platform/CardWindow.h"

class QWidget;

namespace wystrand {

// What the card stack asks of the window system: where its column lives and a window for each
// card. The stack never asks the toolkit which screens there are; an interface so that tests
// can give it screens of their own.
class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    // The visible frame (what panels and docks leave free) of the screen the column is on, in
    // the coordinates its card windows are placed in; nothing when there is no screen at all.
    // `newColumn`: no card is in the column, which may therefore start on the screen the user
    // works on now.
    virtual std::optional<QRect> columnFrame(bool newColumn) = 0;

    // The window of `card`. `onLost` runs, from the event loop, when the window system takes
    // the window away (its output went); the card then ends as if dismissed.
    virtual std::unique_ptr<CardWindow> createCardWindow(QWidget& card,
                                                         std::function<void()> onLost) = 0;

    // Lends the keyboard to the window of `card`, shown, as the person asked; from one card to
    // another, the window that had it before the first lend is the one remembered. False where
    // the window system cannot give a card the keyboard, as by default.
    virtual bool lendKeyboard(QWidget& card);
    // Gives it back to the window remembered.
    virtual void returnKeyboard() {}
};

// The window system the agent runs on, made at the first call: layer surfaces once
// wayland::chooseLayerShell() has been called, else Qt's own windows (X11, or Qt's offscreen
// platform in tests). Main thread only.
WindowSystem& windowSystem();

}  // namespace wystrand
