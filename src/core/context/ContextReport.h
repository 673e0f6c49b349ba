#pragma once

#include <optional>
#include <vector>

#include "core/context/Context.h"
#include "core/message/PipeMsg.h"

namespace wystrand {

// What a watching controller hears of the person's context: first the whole state, as two
// events ("busy" with its causes or "free", then "away" or "back"); after that one event for
// each half that changed, and never one that repeats what it last heard.
class ContextReport {
public:
    // The next report is the whole state again.
    void restart() { told_.reset(); }
    // The records that tell a controller `now`; none when it already knows.
    std::vector<PipeMsg> report(const Context& now);

private:
    std::optional<Context> told_;
};

}  // namespace wystrand
