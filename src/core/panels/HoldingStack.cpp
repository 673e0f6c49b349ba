#include "core/panels/HoldingStack.h"

#include <utility>
#include <vector>

namespace wystrand {

void HoldingStack::show(const ShowConfig& config, ReadyCallback onReady, ResultCallback onResult,
                        HeldCallback onHeld) {
    if (!config.hold ||
        (waiting_.empty() && context_.settled() && context_.context().available())) {
        shown_.show(config, std::move(onReady), std::move(onResult));
        return;
    }
    waiting_.push_back({config, std::move(onReady), std::move(onResult), std::move(onHeld)});
    contextChanged();
}

void HoldingStack::contextChanged() {
    if (!context_.settled()) {
        return;
    }
    if (!context_.context().available()) {
        for (Waiting& card : waiting_) {
            if (card.onHeld) {
                std::exchange(card.onHeld, nullptr)();
            }
        }
        return;
    }
    // One at a time off the front: a card's callbacks may dismiss another.
    while (!waiting_.empty() && context_.context().available()) {
        Waiting card = std::move(waiting_.front());
        waiting_.pop_front();
        shown_.show(card.config, std::move(card.onReady), std::move(card.onResult));
    }
}

void HoldingStack::dismiss(const QString& id) {
    std::vector<ResultCallback> ended;
    for (auto card = waiting_.begin(); card != waiting_.end();) {
        if (card->config.id == id) {
            ended.push_back(std::move(card->onResult));
            card = waiting_.erase(card);
        } else {
            ++card;
        }
    }
    for (const ResultCallback& onResult : ended) {
        if (onResult) {
            onResult(cardEnd::dismissed);
        }
    }
    shown_.dismiss(id);
}

void HoldingStack::dismissAll() {
    for (Waiting& card : std::exchange(waiting_, {})) {
        if (card.onResult) {
            card.onResult(cardEnd::screen);
        }
    }
    shown_.dismissAll();
}

}  // namespace wystrand
