#pragma once

#include <deque>

#include "core/context/ContextFeed.h"
#include "core/panels/PanelStack.h"

namespace wystrand {

// Lets through to the stack of cards on screen every card but those that may wait (hold) while
// the person is busy or away: those wait here, nothing on screen and no time running, and are
// shown in the order they came once the person is free and back. While the context is not yet
// known (its sources have not all answered), such a card waits without being told held. Main
// thread only.
class HoldingStack : public PanelStack {
public:
    HoldingStack(PanelStack& shown, const ContextFeed& context)
        : shown_(shown), context_(context) {}

    void show(const ShowConfig& config, ReadyCallback onReady, ResultCallback onResult,
              HeldCallback onHeld = nullptr) override;
    // A waiting card ends at once, put off, and never shows.
    void dismiss(const QString& id) override;
    void dismissAll() override;

    // The context changed, or became known: waiting cards are told they are held, or shown.
    void contextChanged();

    std::size_t waiting() const { return waiting_.size(); }

private:
    struct Waiting {
        ShowConfig config;
        ReadyCallback onReady;
        ResultCallback onResult;
        HeldCallback onHeld;  // null once called
    };

    PanelStack& shown_;
    const ContextFeed& context_;
    std::deque<Waiting> waiting_;
};

}  // namespace wystrand
