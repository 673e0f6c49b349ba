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

    virtual ~PanelStack() = default;

    // onReady: at most once, before show() returns, once the slide-in has started.
    // onResult: at most once, later, when the card has finished closing.
    // Neither is called when there is no screen to show the card on.
    virtual void show(const ShowConfig& config, ReadyCallback onReady, ResultCallback onResult) = 0;
    virtual void dismiss(const QString& id) = 0;
    virtual void dismissAll() = 0;
};

}  // namespace wystrand
