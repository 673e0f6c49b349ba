#include "core/message/ShowConfig.h"

#include <QStringView>
#include <array>

#include "core/message/Locale.h"
#include "core/message/NotifyTypes.h"

namespace wystrand {
namespace {

struct ModeRow {
    QStringView name;
    NotifyMode mode;
    std::int64_t duration;  // seconds, when the request gives none
};

// The last row is also the mode of any name that is none of these.
constexpr std::array<ModeRow, 3> modes{{
    {u"alert", NotifyMode::alert, 90},
    {u"info", NotifyMode::info, 5},
    {u"countdown", NotifyMode::countdown, 20},
}};

// Exact, case-sensitive.
const ModeRow& modeNamed(const QString& name) {
    for (const ModeRow& row : modes) {
        if (name == row.name) {
            return row;
        }
    }
    return modes.back();
}

// The request's variant when it names one of the four in any letter case, else the type's.
const NotifyVariant* resolveVariant(const std::optional<QString>& raw, const NotifyType& type) {
    if (raw) {
        const QString lower = raw->toLower();
        if (NotifyVariant::exists(lower)) {
            return &NotifyVariant::named(lower);
        }
    }
    return type.variant;
}

}  // namespace

ShowConfig ShowConfig::from(const PipeMsg& m) {
    const NotifyType& kind = NotifyType::named(m.type ? m.type->toLower() : QStringLiteral("eye"));
    const ModeRow& mode = modeNamed(m.mode ? m.mode->toLower() : QStringLiteral("countdown"));

    ShowConfig c;
    c.id = m.id.value_or(QString());
    c.mode = mode.mode;
    c.type = &kind;
    c.locale = m.locale.value_or(QStringLiteral("vi-VN"));
    c.variant = resolveVariant(m.variant, kind);

    // A text given empty stays empty; only an absent one takes the default.
    const LocaleStrings ls = LocaleStrings::get(c.locale);
    c.eyebrow = m.eyebrow.value_or(ls.*(kind.eyebrow ? kind.eyebrow : c.variant->eyebrow));
    c.title = m.title.value_or(ls.*kind.title);
    c.message = m.message.value_or(ls.*kind.message);
    c.primary = m.primary.value_or(ls.*kind.accept);
    c.secondary = m.secondary.value_or(ls.*kind.snooze);
    c.skip = m.skip.value_or(ls.skip);
    if (m.detail && !m.detail->isEmpty()) {
        c.detail = m.detail;
    }

    c.placement = m.placement && m.placement->toLower() == u"elevated" ? Placement::elevated
                                                                       : Placement::normal;
    c.duration = m.duration.value_or(mode.duration);
    c.sound = m.sound.value_or(true);
    c.hold = m.hold.value_or(false);
    return c;
}

}  // namespace wystrand
