#include "core/context/ContextReport.h"

namespace wystrand {

std::vector<PipeMsg> ContextReport::report(const Context& now) {
    std::vector<PipeMsg> records;
    if (!told_ || told_->causes() != now.causes()) {
        records.push_back(PipeMsg::busyOrFree(now));
    }
    if (!told_ || told_->away != now.away) {
        records.push_back(PipeMsg::awayOrBack(now));
    }
    told_ = now;
    return records;
}

}  // namespace wystrand
