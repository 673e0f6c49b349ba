#include "bench/ScreenChoice.h"

#include <xcb/xcb.h>

#include <QString>
#include <chrono>
#include <cstdlib>
#include <memory>

#include "bench/Controller.h"
#include "bench/Figures.h"
#include "bench/Harness.h"
#include "bench/Measures.h"
#include "bench/RootWatcher.h"
#include "support/PrivateServers.h"

namespace wystrand::bench {

namespace {

using namespace std::chrono_literals;

bool xrandr(const std::string& display, const std::string& args) {
    return std::system(("DISPLAY=" + display + " xrandr " + args + " >/dev/null 2>&1").c_str()) ==
           0;
}

// The left edge of `window` on the root, or -1.
int leftEdge(xcb_connection_t* c, std::uint32_t window) {
    std::unique_ptr<xcb_get_geometry_reply_t, decltype(&std::free)> g(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr), &std::free);
    return g ? g->x : -1;
}

}  // namespace

ScreenChoice measureScreenChoice(const std::string& agent, const EnvChanges& env,
                                 const std::string& dir, int cards) {
    ScreenChoice r;
    test::XvfbServer xvfb("2880x875x24");
    const std::string display = xvfb.start();
    const std::string right = "--setmonitor R 1440/380x875/230+1440+0 none";
    if (display.empty() || !xrandr(display, "--setmonitor '*L' 1440/380x875/230+0+0 screen") ||
        !xrandr(display, right)) {
        r.failure = "no second Xvfb, or xrandr missing";
        return r;
    }
    xcb_connection_t* c = xcb_connect(display.c_str(), nullptr);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_window_t active = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, active, root, 1600, 100, 800, 500, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_map_window(c, active);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 18, "_NET_ACTIVE_WINDOW"), nullptr),
        &std::free);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, root, atom->atom, XCB_ATOM_WINDOW, 32, 1,
                        &active);
    xcb_flush(c);

    EnvChanges ownEnv = env;
    ownEnv["DISPLAY"] = display;
    RootWatcher watcher;
    Controller controller(dir + "/screens.sock");
    Process process;
    if (!watcher.open(display) || !process.start({agent, "--pipe", controller.path()}, ownEnv) ||
        !controller.accept(10s)) {
        r.failure = "the agent did not connect";
        xcb_disconnect(c);
        return r;
    }
    Harness h(controller, &watcher);
    int n = 0;
    auto card = [&](std::vector<double>* into) {
        const std::string id = "screen-" + std::to_string(n);
        const QString key = QString::fromStdString(id);
        const std::size_t from = h.received.size();
        const std::size_t changesFrom = h.changes.size();
        const auto sent = Clock::now();
        h.controller.send(showLine(id, n++, 600) + "\n");
        const bool ready = h.pumpUntil(
            [&] {
                return h.count("ready", key, from) > 0 && h.firstPlaced(changesFrom) != nullptr;
            },
            5s);
        if (ready && into != nullptr) {
            into->push_back(ms(*h.firstAt("ready", key, from) - sent));
            // At rest on the second monitor a card's left edge is at 2880 - 12 - 320, and its
            // slide starts further right; on the first it is never right of 1440 + 18.
            if (into == &r.twoMonitorsMs &&
                leftEdge(c, h.firstPlaced(changesFrom)->window) >= 2548) {
                ++r.onSecond;
            }
        }
        h.controller.sendLine(R"({"op":"dismiss","id":")" + id + R"("})");
        if (!ready || !h.pumpUntil([&] { return h.count("result", key, from) > 0; }, 5s)) {
            ++r.lost;
        }
    };
    for (int i = 0; i < 10; ++i) {
        card(nullptr);
    }
    constexpr int block = 10;
    for (int done = 0; done < cards; done += block) {
        for (int i = 0; i < block; ++i) {
            card(&r.twoMonitorsMs);
        }
        xrandr(display, "--delmonitor R");
        h.pumpFor(300ms);
        for (int i = 0; i < block; ++i) {
            card(&r.oneMonitorMs);
        }
        xrandr(display, right);
        h.pumpFor(300ms);
    }
    process.stop();
    xcb_disconnect(c);
    return r;
}

void addRows(Table& t, const ScreenChoice& r) {
    if (!r.failure.empty()) {
        t.row("show → ready, two monitors", "not measured: " + r.failure);
        return;
    }
    const Summary two = summarize(r.twoMonitorsMs);
    const Summary one = summarize(r.oneMonitorMs);
    const auto cell = [](const Summary& s) {
        return fixed(s.median, 2) + " / " + fixed(s.p99, 2) + " ms";
    };
    t.row("show → ready, 2 monitors, active window on the 2nd (" + std::to_string(two.n) + ")",
          cell(two), cell(one) + " (1 monitor, same server)",
          fixed(two.median / one.median, 2) + "×");
    t.row("cards placed on the 2nd monitor",
          std::to_string(r.onSecond) + " of " + std::to_string(two.n) +
              (r.lost > 0 ? ", " + std::to_string(r.lost) + " lost" : ""));
}

}  // namespace wystrand::bench
