#pragma once

#include <QAbstractNativeEventFilter>
#include <array>
#include <cstdint>

#include "platform/context/ContextSource.h"

namespace wystrand::x11 {

// Whether the window that the root's _NET_ACTIVE_WINDOW names is full screen: its
// _NET_WM_STATE holds _NET_WM_STATE_FULLSCREEN. Follows PropertyNotify on the root and on that
// window, through Qt's connection. Off the xcb platform it is missing: answered at once, never
// holds.
class X11Fullscreen : public ContextSource, private QAbstractNativeEventFilter {
public:
    using ContextSource::ContextSource;
    ~X11Fullscreen() override;

    void start() override;

private:
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;
    void readActive();
    void follow(std::uint32_t window);
    void readState();

    enum Atom { activeWindowAtom, wmStateAtom, fullscreenAtom, atoms };
    std::array<std::uint32_t, atoms> atoms_{};
    std::uint32_t root_ = 0;
    // The window followed, and the event mask that this connection had selected on it before.
    std::uint32_t active_ = 0;
    std::uint32_t activeMask_ = 0;
    bool filtering_ = false;
};

}  // namespace wystrand::x11
