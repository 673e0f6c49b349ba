#pragma once

#include "core/message/ShowConfig.h"

namespace wystrand::test {

// An eye break with every text given.
inline ShowConfig card(const QString& id, NotifyMode mode, std::int64_t duration = 90) {
    ShowConfig c;
    c.id = id;
    c.mode = mode;
    c.type = &NotifyType::named("eye");
    c.title = "Eye break";
    c.message = "Look away";
    c.primary = "Take a break";
    c.secondary = "Later";
    c.skip = "Skip";
    c.duration = duration;
    return c;
}

}  // namespace wystrand::test
