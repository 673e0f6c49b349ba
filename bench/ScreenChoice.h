#pragma once

#include <string>
#include <vector>

#include "bench/Figures.h"
#include "bench/Process.h"

namespace wystrand::bench {

struct ScreenChoice {
    std::vector<double> twoMonitorsMs;  // show → ready, the active window on the second monitor
    std::vector<double> oneMonitorMs;   // show → ready, the same server cut back to one monitor
    int onSecond = 0;                   // cards of the two-monitor blocks mapped there
    int lost = 0;
    std::string failure;  // why nothing was measured
};

// On a private Xvfb of 2880x875 cut into two RandR monitors side by side, with a window on the
// right one named as the active window: `cards` cards each way, in alternating blocks, from a
// second agent of its own.
ScreenChoice measureScreenChoice(const std::string& agent, const EnvChanges& env,
                                 const std::string& dir, int cards);
// Two rows: both figures side by side, and how many cards went to the second monitor.
void addRows(Table& t, const ScreenChoice& r);

}  // namespace wystrand::bench
