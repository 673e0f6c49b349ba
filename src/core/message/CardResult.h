#pragma once

#include <cstdint>
#include <string_view>

namespace wystrand {

// What ended a card, as a controller that asks hears it in the "reason" of the card's result.
enum class EndReason : std::uint8_t {
    primary,    // the accepting button: a click, a screen reader's press or a key
    secondary,  // an alert's deferring button
    skip,       // a countdown's skip button
    expired,    // its time ran out
    dismissed,  // the controller dismissed it, shown or waiting
    screen,     // the screen saver, sleep, a lock or a switch of session closed every card
    output,     // the output it was on went away
};

// How a card ended: the code the controller hears in its "result" record, and why. Every place a
// card ends names one of the values below; the code and the reason's wire name are derived from
// it, never written where the card ends.
struct CardResult {
    enum class Code : std::int64_t {
        accepted = 0,  // its accepting button, or it ran its course
        putOff = 2,    // put off, skipped, left unanswered, dismissed, or taken away
    };

    Code code;
    EndReason reason;

    friend constexpr bool operator==(CardResult, CardResult) = default;
};

namespace cardEnd {
inline constexpr CardResult primary{CardResult::Code::accepted, EndReason::primary};
inline constexpr CardResult secondary{CardResult::Code::putOff, EndReason::secondary};
inline constexpr CardResult skip{CardResult::Code::putOff, EndReason::skip};
// An info card or a countdown whose time ran out has run its course...
inline constexpr CardResult ranItsCourse{CardResult::Code::accepted, EndReason::expired};
// ...an alert whose time ran out was left unanswered.
inline constexpr CardResult unanswered{CardResult::Code::putOff, EndReason::expired};
inline constexpr CardResult dismissed{CardResult::Code::putOff, EndReason::dismissed};
inline constexpr CardResult screen{CardResult::Code::putOff, EndReason::screen};
inline constexpr CardResult output{CardResult::Code::putOff, EndReason::output};
}  // namespace cardEnd

// The code of the "result" record that tells `result`.
constexpr std::int64_t resultCode(CardResult result) {
    return static_cast<std::int64_t>(result.code);
}

// The reason's name on the wire.
constexpr std::string_view reasonName(EndReason reason) {
    switch (reason) {
        case EndReason::primary:
            return "primary";
        case EndReason::secondary:
            return "secondary";
        case EndReason::skip:
            return "skip";
        case EndReason::expired:
            return "expired";
        case EndReason::dismissed:
            return "dismissed";
        case EndReason::screen:
            return "screen";
        case EndReason::output:
            return "output";
    }
    return "";
}

}  // namespace wystrand
