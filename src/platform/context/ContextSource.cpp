#include "platform/context/ContextSource.h"

#include <utility>

namespace wystrand {

bool ContextSource::report(bool holds) {
    if (holds == holds_ && answered_) {
        return false;
    }
    holds_ = holds;
    answered_ = true;
    emit changed();
    return true;
}

void IdleSource::setThreshold(std::chrono::milliseconds threshold) {
    const auto previous = std::exchange(threshold_, threshold);
    if (present_ && previous != threshold) {
        rearm(previous);
    }
}

void IdleSource::awaitInput() {
    awaitingInput_ = true;
    if (present_) {
        armInput();
    }
}

void IdleSource::reportPresent(bool present) {
    const bool turned = std::exchange(present_, present) != present;
    if (present && turned && awaitingInput_) {
        armInput();
    }
    if (!report(present && holds()) && turned) {
        emit changed();
    }
}

void IdleSource::reportInput() {
    awaitingInput_ = false;
    report(false);
    emit input();
}

}  // namespace wystrand
