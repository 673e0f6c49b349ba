#pragma once

#include <chrono>

#include "core/context/ContextFeed.h"

namespace wystrand::test {

// The person's context as a test sets it; the last away threshold asked for.
class FakeContext : public ContextFeed {
public:
    const Context& context() const override { return context_; }
    bool settled() const override { return settled_; }
    void setAwayThreshold(std::chrono::milliseconds threshold) override { threshold_ = threshold; }

    Context context_;
    bool settled_ = true;
    std::chrono::milliseconds threshold_ = defaultAwayThreshold;
};

}  // namespace wystrand::test
