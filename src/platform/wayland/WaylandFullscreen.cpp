#include "platform/wayland/WaylandFullscreen.h"

#include <wayland-client.h>

#include <algorithm>

#include "platform/wayland/WaylandClient.h"
#include "protocols/wlr-foreign-toplevel-management-unstable-v1-client.h"

namespace wystrand::wayland {

struct WaylandFullscreen::Listeners {
    static void toplevel(void* data, zwlr_foreign_toplevel_manager_v1*,
                         zwlr_foreign_toplevel_handle_v1* handle) {
        auto* self = static_cast<WaylandFullscreen*>(data);
        self->toplevels_.push_back(std::make_unique<Toplevel>(Toplevel{self, handle}));
        zwlr_foreign_toplevel_handle_v1_add_listener(handle, &handleListener,
                                                     self->toplevels_.back().get());
    }
    static void finished(void* data, zwlr_foreign_toplevel_manager_v1* manager) {
        auto* self = static_cast<WaylandFullscreen*>(data);
        zwlr_foreign_toplevel_manager_v1_destroy(manager);
        self->manager_ = nullptr;
        while (!self->toplevels_.empty()) {
            self->forget(self->toplevels_.back().get());
        }
        self->update();
    }
    static constexpr zwlr_foreign_toplevel_manager_v1_listener managerListener{toplevel, finished};

    static void state(void* data, zwlr_foreign_toplevel_handle_v1*, wl_array* states) {
        bool activated = false;
        bool fullscreen = false;
        const auto* begin = static_cast<const std::uint32_t*>(states->data);
        for (const auto* s = begin; s < begin + states->size / sizeof *s; ++s) {
            activated |= *s == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED;
            fullscreen |= *s == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_FULLSCREEN;
        }
        static_cast<Toplevel*>(data)->pending = activated && fullscreen;
    }
    static void done(void* data, zwlr_foreign_toplevel_handle_v1*) {
        auto* toplevel = static_cast<Toplevel*>(data);
        toplevel->fullscreen = toplevel->pending;
        toplevel->owner->update();
    }
    static void closed(void* data, zwlr_foreign_toplevel_handle_v1*) {
        auto* toplevel = static_cast<Toplevel*>(data);
        WaylandFullscreen* self = toplevel->owner;
        self->forget(toplevel);
        self->update();
    }
    static void text(void*, zwlr_foreign_toplevel_handle_v1*, const char*) {}
    static void output(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
    static void parent(void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*) {}
    static constexpr zwlr_foreign_toplevel_handle_v1_listener handleListener{
        text, text, output, output, state, done, closed, parent};

    static void firstListDone(void* data, wl_callback* callback, std::uint32_t) {
        auto* self = static_cast<WaylandFullscreen*>(data);
        wl_callback_destroy(callback);
        self->firstList_ = nullptr;
        self->update();
    }
    static constexpr wl_callback_listener callbackListener{firstListDone};
};

WaylandFullscreen::~WaylandFullscreen() {
    if (firstList_ != nullptr) {
        wl_callback_destroy(firstList_);
    }
    while (!toplevels_.empty()) {
        forget(toplevels_.back().get());
    }
    if (manager_ != nullptr) {
        zwlr_foreign_toplevel_manager_v1_stop(manager_);
        zwlr_foreign_toplevel_manager_v1_destroy(manager_);
    }
}

void WaylandFullscreen::start() {
    WaylandClient& client = WaylandClient::instance();
    manager_ = static_cast<zwlr_foreign_toplevel_manager_v1*>(
        client.bind(&zwlr_foreign_toplevel_manager_v1_interface, 3));
    if (manager_ == nullptr) {
        report(false);
        return;
    }
    zwlr_foreign_toplevel_manager_v1_add_listener(manager_, &Listeners::managerListener, this);
    // The compositor lists the toplevels there are as soon as the manager is bound: the answer
    // to a sync sent after it comes once they are all in.
    firstList_ = wl_display_sync(client.display());
    wl_callback_add_listener(firstList_, &Listeners::callbackListener, this);
    client.scheduleFlush();
}

void WaylandFullscreen::update() {
    if (firstList_ == nullptr) {
        report(std::any_of(toplevels_.begin(), toplevels_.end(),
                           [](const auto& toplevel) { return toplevel->fullscreen; }));
    }
}

void WaylandFullscreen::forget(Toplevel* toplevel) {
    zwlr_foreign_toplevel_handle_v1_destroy(toplevel->handle);
    std::erase_if(toplevels_, [toplevel](const auto& t) { return t.get() == toplevel; });
}

}  // namespace wystrand::wayland
