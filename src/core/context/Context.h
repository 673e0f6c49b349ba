#pragma once

#include <QString>

namespace wystrand {

// What the agent knows of the person at the desktop: whether they are busy (do-not-disturb is
// on, the focused window is full screen, an application keeps the session from going idle) and
// whether they are away (no keyboard or pointer input for a while, or the screen saver or lock
// since their last input). Plain data: the sources fill it in, the stack and the link read it.
struct Context {
    bool doNotDisturb = false;
    bool fullscreen = false;
    bool inhibited = false;
    bool away = false;

    bool busy() const { return doNotDisturb || fullscreen || inhibited; }
    // Free and back: a card that asked to wait may show.
    bool available() const { return !busy() && !away; }
    // The causes that hold, comma-separated, in this order: "do-not-disturb", "fullscreen",
    // "inhibited". Empty when free.
    QString causes() const;

    friend bool operator==(const Context&, const Context&) = default;
};

}  // namespace wystrand
