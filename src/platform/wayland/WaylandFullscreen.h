#pragma once

#include <memory>
#include <vector>

#include "platform/context/ContextSource.h"

struct wl_callback;
struct zwlr_foreign_toplevel_handle_v1;
struct zwlr_foreign_toplevel_manager_v1;

namespace wystrand::wayland {

// Whether a window on a wlroots compositor is both focused and full screen: the compositor
// lists every toplevel with its state through zwlr_foreign_toplevel_manager_v1. Answered once
// the first list is in; missing (answered at once, never holds) where the compositor does not
// offer it. On the agent's WaylandClient, so only with cards as layer surfaces.
class WaylandFullscreen : public ContextSource {
public:
    using ContextSource::ContextSource;
    ~WaylandFullscreen() override;

    void start() override;

    struct Listeners;

private:
    struct Toplevel {
        WaylandFullscreen* owner;
        zwlr_foreign_toplevel_handle_v1* handle;
        // The state since the last "done", and the one that counts.
        bool pending = false;
        bool fullscreen = false;
    };
    void update();
    void forget(Toplevel* toplevel);

    zwlr_foreign_toplevel_manager_v1* manager_ = nullptr;
    wl_callback* firstList_ = nullptr;
    std::vector<std::unique_ptr<Toplevel>> toplevels_;
};

}  // namespace wystrand::wayland
