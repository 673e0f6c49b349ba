#pragma once

#include <chrono>

#include "core/context/Context.h"

namespace wystrand {

// What the link and the stack read of the person's context. ContextMonitor implements it; an
// interface so that tests can set the context themselves.
class ContextFeed {
public:
    // Without a controller's say, no input for this long counts as away.
    static constexpr std::chrono::milliseconds defaultAwayThreshold{120'000};

    virtual ~ContextFeed() = default;

    virtual const Context& context() const = 0;
    // False until every source has answered once: context() may not be the truth yet.
    virtual bool settled() const = 0;
    // No input for this long counts as away.
    virtual void setAwayThreshold(std::chrono::milliseconds threshold) = 0;
};

}  // namespace wystrand
