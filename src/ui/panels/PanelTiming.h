#pragma once

#include <chrono>

#include "ui/card/TimerDelay.h"

namespace wystrand {

// Lengths of the card motions and of one second of a card's display time and countdown, and how
// long the column stays empty before the memory its cards used is handed back. Tests shorten
// them; the agent uses the defaults.
struct PanelTiming {
    std::chrono::milliseconds slideIn{280};
    std::chrono::milliseconds move{220};
    std::chrono::milliseconds close{220};
    std::chrono::milliseconds second{realSecond};
    std::chrono::milliseconds releaseMemory{1000};
};

}  // namespace wystrand
