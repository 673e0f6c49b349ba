#include "ui/panels/WindowAhead.h"

#include "ui/panels/NotifyPanel.h"

namespace wystrand {

namespace {

// Made at once, the window would hold up the first paint of the card just shown.
constexpr std::chrono::milliseconds makeDelay{50};

}  // namespace

WindowAhead::WindowAhead(PanelTiming timing, WindowSystem& windows)
    : timing_(timing), windows_(windows) {
    timer_.setSingleShot(true);
    timer_.setInterval(makeDelay);
    QObject::connect(&timer_, &QTimer::timeout, [this] { make(); });
    timer_.start();
}

WindowAhead::~WindowAhead() = default;

NotifyPanel* WindowAhead::take() {
    timer_.start();
    return ready_ ? ready_.release() : new NotifyPanel(timing_, windows_);
}

void WindowAhead::make() {
    if (!ready_) {
        ready_ = std::make_unique<NotifyPanel>(timing_, windows_);
        ready_->mapAhead();
    }
}

}  // namespace wystrand
