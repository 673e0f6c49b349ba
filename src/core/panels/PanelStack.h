#pragma once

#include <QString>
#include <cstdint>
#include <functional>

#include "core/message/ShowConfig.h"

namespace wystrand {

// What the socket link drives on the main thread. WindowManager implements it; an interface
// so it can be replaced in tests of the link.
class PanelStack {
public:
    using ReadyCallback = std::function<void()>;
    using ResultCallback = std::function<void(std::int64_t code)>;
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
    virtual void dismiss(const QString& id) = 0;
    virtual void dismissAll() = 0;
};

}  // namespace wystrand
