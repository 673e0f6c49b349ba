#pragma once

#include <QString>
#include <functional>

#include "core/message/CardResult.h"
#include "core/message/ShowConfig.h"

namespace wystrand {

// The stack of cards as the socket link drives it on the main thread: show a card, dismiss the
// cards of an id, dismiss them all when the person has left the screen. WindowManager is the stack
// on screen and HoldingStack the one in front of it that keeps some cards waiting; an interface so
// that tests of the link can put a stack of their own in their place.
class PanelStack {
public:
    using ReadyCallback = std::function<void()>;
    using ResultCallback = std::function<void(CardResult result)>;
    using HeldCallback = std::function<void()>;

    virtual ~PanelStack() = default;

    // onReady: at most once, once the slide-in has started; before show() returns unless the
    // card waits (config.hold), then when it is shown.
    // onResult: at most once, later, when the card has finished closing or, waiting, was
    // dismissed.
    // onHeld: at most once, when the card starts to wait for the person.
    // Neither onReady nor onResult is called when there is no screen to show the card on.
    virtual void show(const ShowConfig& config, ReadyCallback onReady, ResultCallback onResult,
                      HeldCallback onHeld = nullptr) = 0;
    // The cards of `id` end, dismissed.
    virtual void dismiss(const QString& id) = 0;
    // Every card ends: the screens slept, or the session was locked or left.
    virtual void dismissAll() = 0;
};

}  // namespace wystrand
