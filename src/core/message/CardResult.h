#pragma once

#include <cstdint>

namespace wystrand {

// How a card ended. Every place a card ends names one of these; the controller hears it as the
// code of the card's "result" record, which is the enumerator's value and nothing else.
enum class CardResult : std::int64_t {
    accepted = 0,  // its accepting button, or it ran its course
    putOff = 2,    // put off, skipped, left unanswered, dismissed, or its window was taken away
};

// The code of the "result" record that tells `result`.
constexpr std::int64_t resultCode(CardResult result) {
    return static_cast<std::int64_t>(result);
}

}  // namespace wystrand
