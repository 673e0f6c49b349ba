#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/message/CardResult.h"

namespace wystrand {

struct Context;

// The one record exchanged with the controller, in both directions. Every field is optional;
// an absent field is left out of the JSON, and the present ones are encoded in the order of
// kPipeMsgFields below.
struct PipeMsg {
    using Text = std::optional<QString>;
    using Number = std::optional<std::int64_t>;

    Text id, op, ev;
    Number code;
    // Why a card ended, beside its code, and the agent's release: events only.
    Text reason, version;
    // The card of a "show" request.
    Text mode, type, locale;
    Text eyebrow, title, message, primary, secondary, skip, detail;
    Text placement;
    Number duration;
    std::optional<bool> sound;
    Text variant;
    // Whether a card may wait while the person is busy or away.
    std::optional<bool> hold;

    // All or nothing: any JSON that is not an object, or a known key with a value of the wrong
    // type, yields nullopt. `bytes` is one line without its line feed.
    static std::optional<PipeMsg> decode(std::string_view bytes);

    // One compact JSON object with the present fields in order; never contains a line break.
    // No trailing newline.
    std::string encode() const;

    // The agent's events.
    static PipeMsg ready(const QString& id);
    // `code`: how the card ended, as resultCode() gives it; with its reason for a controller
    // that said hello.
    static PipeMsg result(const QString& id, std::int64_t code,
                          std::optional<EndReason> reason = std::nullopt);
    // The answer to "hello": the release, and what this agent understands beyond the first
    // requests and events, in `detail`.
    static PipeMsg hello();
    static PipeMsg pong();
    static PipeMsg heartbeat();
    static PipeMsg held(const QString& id);
    // The person's context as a watching controller hears it, in two halves: "busy" with its
    // causes in `detail`, or "free"; "away" or "back".
    static PipeMsg busyOrFree(const Context& context);
    static PipeMsg awayOrBack(const Context& context);

    friend bool operator==(const PipeMsg&, const PipeMsg&) = default;
};

// What "hello" announces, in this order: the requests and fields beyond the first ones.
inline constexpr std::string_view kFeatures = "watch,hold,reasons,answer";

// The record's fields by wire key, in encoding order; exactly one member pointer is set. The
// decoder and the encoder walk it, and so does the controller for the options of `show`.
struct PipeMsgField {
    std::string_view key;
    PipeMsg::Text PipeMsg::*text = nullptr;
    PipeMsg::Number PipeMsg::*integer = nullptr;
    std::optional<bool> PipeMsg::*flag = nullptr;
};

inline constexpr std::array<PipeMsgField, 21> kPipeMsgFields{{
    {"id", &PipeMsg::id},
    {"op", &PipeMsg::op},
    {"ev", &PipeMsg::ev},
    {"code", nullptr, &PipeMsg::code},
    {"reason", &PipeMsg::reason},
    {"version", &PipeMsg::version},
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
    {"hold", nullptr, nullptr, &PipeMsg::hold},
}};

}  // namespace wystrand
