#include "platform/wayland/FrameProbe.h"

#include <utility>

namespace wystrand::wayland {

namespace {

std::function<void()>& frameObserver() {
    static std::function<void()> observer;
    return observer;
}

}  // namespace

void observeCardFrames(std::function<void()> observer) {
    frameObserver() = std::move(observer);
}

void cardFrameShown() {
    if (frameObserver()) {
        frameObserver()();
    }
}

}  // namespace wystrand::wayland
