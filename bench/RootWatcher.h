#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "bench/Controller.h"

struct xcb_connection_t;

namespace wystrand::bench {

// Maps, unmaps and moves of the top-level windows of an X screen, seen through
// SubstructureNotify on the root window, and the drawing into them, seen through a DAMAGE object
// made for each top-level as it is created. Override-redirect windows (the cards, dunst's
// window) are top-levels too.
class RootWatcher {
public:
    struct Change {
        // moved: a mapped window changed place (a card window waiting out of sight, moved into
        // place for its card).
        enum Kind { mapped, unmapped, moved, drawn };
        Clock::time_point at;
        Kind kind;
        std::uint32_t window;
    };

    RootWatcher() = default;
    ~RootWatcher();
    RootWatcher(const RootWatcher&) = delete;
    RootWatcher& operator=(const RootWatcher&) = delete;

    bool open(const std::string& display);
    int fd() const;
    bool seesDrawing() const { return damageEvent_ != 0; }
    // While on, every top-level draws into a pixmap of its own, on screen or not, as under a
    // compositor (that shows nothing here): a card still beyond the screen's edge for its
    // slide-in reports its drawing too. False when the server lacks Composite.
    bool redirectWindows(bool on);
    // Appends every change that has arrived, without blocking.
    void drain(std::vector<Change>& out);

private:
    void watchDrawing(std::uint32_t window);

    xcb_connection_t* connection_ = nullptr;
    std::uint8_t damageEvent_ = 0;  // 0: the server has no DAMAGE extension
    std::uint32_t root_ = 0;
    // Where each top-level is, and whether it is mapped.
    struct Place {
        std::int16_t x = 0;
        std::int16_t y = 0;
        bool mapped = false;
    };
    std::map<std::uint32_t, Place> places_;
};

}  // namespace wystrand::bench
