#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "core/message/NotifyTypes.h"
#include "core/message/PipeMsg.h"

namespace wystrand {

enum class NotifyMode { alert, info, countdown };

enum class Placement { normal, elevated };

// One card, fully resolved from a "show" request: its type and variant are rows of their tables,
// found once, and the card takes its glyph from the one and its colours from the other. Built on
// the socket thread, then copied by value to the main thread.
struct ShowConfig {
    QString id;
    NotifyMode mode = NotifyMode::countdown;
    const NotifyType* type = &NotifyType::named(QString());
    QString locale;  // as the request wrote it
    QString eyebrow, title, message, primary, secondary, skip;
    std::optional<QString> detail;  // absent or non-empty
    Placement placement = Placement::normal;
    std::int64_t duration = 0;  // seconds
    bool sound = true;
    const NotifyVariant* variant = &NotifyVariant::named(QString());
    bool hold = false;  // may wait while the person is busy or away

    // Never fails: what the request leaves out or does not recognise comes from the type, the
    // mode and the locale. `m.id` is expected to be present (an absent id becomes the empty id).
    static ShowConfig from(const PipeMsg& m);

    friend bool operator==(const ShowConfig&, const ShowConfig&) = default;
};

}  // namespace wystrand
