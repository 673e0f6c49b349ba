#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/message/Locale.h"

namespace wystrand {

// The one record exchanged with the controller, in both directions. Every field is optional;
// an absent field is left out of the JSON. Field order is the encoding order.
struct PipeMsg {
    std::optional<QString> id;
    std::optional<QString> op;
    std::optional<QString> ev;
    std::optional<std::int64_t> code;
    std::optional<QString> mode;
    std::optional<QString> type;
    std::optional<QString> locale;
    std::optional<QString> eyebrow;
    std::optional<QString> title;
    std::optional<QString> message;
    std::optional<QString> primary;
    std::optional<QString> secondary;
    std::optional<QString> skip;
    std::optional<QString> detail;
    std::optional<QString> placement;
    std::optional<std::int64_t> duration;
    std::optional<bool> sound;
    std::optional<QString> variant;

    // All or nothing: any JSON that is not an object, or a known key with a value of the wrong
    // type, yields nullopt. `bytes` is one line without its line feed.
    static std::optional<PipeMsg> decode(std::string_view bytes);

    // One compact JSON object with the present fields in declaration order; never contains a
    // line break. No trailing newline.
    std::string encode() const;

    // The agent's events.
    static PipeMsg ready(const QString& id);
    static PipeMsg result(const QString& id, std::int64_t code);
    static PipeMsg pong();
    static PipeMsg heartbeat();

    friend bool operator==(const PipeMsg&, const PipeMsg&) = default;
};

// The record's fields by wire key, in encoding order; exactly one member pointer is set. The
// decoder and the encoder walk it, and so does the controller for the options of `show`.
struct PipeMsgField {
    std::string_view key;
    std::optional<QString> PipeMsg::*text = nullptr;
    std::optional<std::int64_t> PipeMsg::*integer = nullptr;
    std::optional<bool> PipeMsg::*flag = nullptr;
};

inline constexpr std::array<PipeMsgField, 18> kPipeMsgFields{{
    {"id", &PipeMsg::id},
    {"op", &PipeMsg::op},
    {"ev", &PipeMsg::ev},
    {"code", nullptr, &PipeMsg::code},
    {"mode", &PipeMsg::mode},
    {"type", &PipeMsg::type},
    {"locale", &PipeMsg::locale},
    {"eyebrow", &PipeMsg::eyebrow},
    {"title", &PipeMsg::title},
    {"message", &PipeMsg::message},
    {"primary", &PipeMsg::primary},
    {"secondary", &PipeMsg::secondary},
    {"skip", &PipeMsg::skip},
    {"detail", &PipeMsg::detail},
    {"placement", &PipeMsg::placement},
    {"duration", nullptr, &PipeMsg::duration},
    {"sound", nullptr, nullptr, &PipeMsg::sound},
    {"variant", &PipeMsg::variant},
}};

enum class NotifyMode { alert, info, countdown };

// Exact, case-sensitive: "alert", "info", "countdown".
std::optional<NotifyMode> notifyModeFromRaw(const QString& raw);
QString rawValue(NotifyMode mode);

// One card, fully resolved from a "show" request. Built on the socket thread, then copied by
// value to the main thread.
struct ShowConfig {
    QString id;
    NotifyMode mode = NotifyMode::countdown;
    QString notifyType;
    QString locale;
    QString eyebrow;
    QString title;
    QString message;
    QString primary;
    QString secondary;
    QString skip;
    std::optional<QString> detail;  // absent or non-empty
    QString placement;              // "default" or "elevated"
    std::int64_t duration = 0;      // seconds
    bool sound = true;
    QString variant;  // "warning", "achievement", "smart_suggestion" or "gentle_reminder"

    // Never fails; `m.id` is expected to be present (an absent id becomes the empty id).
    static ShowConfig from(const PipeMsg& m);

    static QString resolveVariant(const std::optional<QString>& raw, const QString& type,
                                  NotifyMode mode);
    static QString defaultEyebrow(const QString& variant, const QString& type,
                                  const LocaleStrings& ls);
    static QString defaultTitle(const QString& type, const LocaleStrings& ls);
    static QString defaultMessage(const QString& type, const LocaleStrings& ls);
    static QString defaultPrimary(const QString& type, const LocaleStrings& ls);

    friend bool operator==(const ShowConfig&, const ShowConfig&) = default;
};

}  // namespace wystrand
