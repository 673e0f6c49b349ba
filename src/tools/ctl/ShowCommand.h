#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/message/Protocol.h"
#include "tools/ctl/Options.h"

namespace wystrand::ctl {

// What the options of `show` ask for. Declared here so that tests can read the options.
struct ShowRequest {
    PipeMsg record;  // the "show" record, with only the fields given (and the id)
    bool json = false;
    std::optional<std::string> agent;
};

// The options of `show`: one for each field of a "show" record, named by its key (a flag field
// gives --KEY and --no-KEY), then --json and --agent. They set `into`.
std::vector<Option> showOptions(ShowRequest& into);

}  // namespace wystrand::ctl
