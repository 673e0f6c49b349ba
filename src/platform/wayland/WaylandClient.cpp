#include "platform/wayland/WaylandClient.h"

#include <linux/input-event-codes.h>
#include <poll.h>
#include <unistd.h>
#include <wayland-client.h>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QtGlobal>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "protocols/fractional-scale-v1-client.h"
#include "protocols/kde-blur-client.h"
#include "protocols/viewporter-client.h"
#include "protocols/wlr-layer-shell-unstable-v1-client.h"
#include "protocols/xdg-output-unstable-v1-client.h"

namespace wystrand::wayland {

namespace {

bool chosen = false;

}  // namespace

bool offersLayerShell() {
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        return false;
    }
    bool found = false;
    static const wl_registry_listener listener{
        [](void* data, wl_registry*, std::uint32_t, const char* interface, std::uint32_t) {
            if (std::strcmp(interface, zwlr_layer_shell_v1_interface.name) == 0) {
                *static_cast<bool*>(data) = true;
            }
        },
        [](void*, wl_registry*, std::uint32_t) {}};
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &listener, &found);
    wl_display_roundtrip(display);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return found;
}

void chooseLayerShell() {
    chosen = true;
}

bool layerShellChosen() {
    return chosen;
}

// C callbacks, friends of the client through this struct.
struct WaylandClient::Listeners {
    static void global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                       std::uint32_t version) {
        auto* self = static_cast<WaylandClient*>(data);
        self->globals_[interface] = {name, version};
        const auto bind = [&](const wl_interface* type, std::uint32_t highest) {
            return wl_registry_bind(registry, name, type, std::min(version, highest));
        };
        if (std::strcmp(interface, wl_compositor_interface.name) == 0) {
            self->compositor_ = static_cast<wl_compositor*>(bind(&wl_compositor_interface, 4));
        } else if (std::strcmp(interface, wl_shm_interface.name) == 0) {
            self->shm_ = static_cast<wl_shm*>(bind(&wl_shm_interface, 1));
        } else if (std::strcmp(interface, zwlr_layer_shell_v1_interface.name) == 0) {
            self->layerShell_ =
                static_cast<zwlr_layer_shell_v1*>(bind(&zwlr_layer_shell_v1_interface, 3));
        } else if (std::strcmp(interface, org_kde_kwin_blur_manager_interface.name) == 0) {
            self->blurManager_ = static_cast<org_kde_kwin_blur_manager*>(
                bind(&org_kde_kwin_blur_manager_interface, 1));
        } else if (std::strcmp(interface, wp_fractional_scale_manager_v1_interface.name) == 0) {
            self->fractionalScale_ = static_cast<wp_fractional_scale_manager_v1*>(
                bind(&wp_fractional_scale_manager_v1_interface, 1));
        } else if (std::strcmp(interface, wp_viewporter_interface.name) == 0) {
            self->viewporter_ = static_cast<wp_viewporter*>(bind(&wp_viewporter_interface, 1));
        } else if (std::strcmp(interface, wl_seat_interface.name) == 0 && !self->seat_) {
            self->seat_ = static_cast<wl_seat*>(bind(&wl_seat_interface, 5));
            wl_seat_add_listener(self->seat_, &seatListener, self);
        } else if (std::strcmp(interface, zxdg_output_manager_v1_interface.name) == 0) {
            self->xdgOutputs_ =
                static_cast<zxdg_output_manager_v1*>(bind(&zxdg_output_manager_v1_interface, 3));
        } else if (std::strcmp(interface, wl_output_interface.name) == 0 && version >= 2) {
            self->outputs_.add(registry, name, version);
        }
    }
    static void globalRemove(void* data, wl_registry*, std::uint32_t name) {
        auto* self = static_cast<WaylandClient*>(data);
        self->outputs_.remove(name);
        std::erase_if(self->globals_,
                      [name](const auto& global) { return global.second.name == name; });
    }
    static constexpr wl_registry_listener registryListener{global, globalRemove};

    static void capabilities(void* data, wl_seat* seat, std::uint32_t caps) {
        auto* self = static_cast<WaylandClient*>(data);
        const bool hasPointer = (caps & WL_SEAT_CAPABILITY_POINTER) != 0;
        if (hasPointer && !self->pointer_) {
            self->pointer_ = wl_seat_get_pointer(seat);
            wl_pointer_add_listener(self->pointer_, &pointerListener, self);
        } else if (!hasPointer && self->pointer_) {
            wl_pointer_release(self->pointer_);
            self->pointer_ = nullptr;
            self->pointerFocus_ = nullptr;
        }
        const bool hasKeyboard = (caps & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
        if (hasKeyboard && !self->keyboard_) {
            self->keyboard_ = wl_seat_get_keyboard(seat);
            wl_keyboard_add_listener(self->keyboard_, &keyboardListener, self);
        } else if (!hasKeyboard && self->keyboard_) {
            wl_keyboard_release(self->keyboard_);
            self->keyboard_ = nullptr;
            self->keyboardFocus_ = nullptr;
        }
    }
    static void seatName(void*, wl_seat*, const char*) {}
    static constexpr wl_seat_listener seatListener{capabilities, seatName};

    static void enter(void* data, wl_pointer*, std::uint32_t, wl_surface* surface, wl_fixed_t x,
                      wl_fixed_t y) {
        auto* self = static_cast<WaylandClient*>(data);
        const auto it = self->surfaces_.find(surface);
        self->pointerFocus_ = it == self->surfaces_.end() ? nullptr : it->second;
        if (self->pointerFocus_) {
            self->pointerFocus_->pointerMoved({wl_fixed_to_double(x), wl_fixed_to_double(y)});
        }
    }
    static void leave(void* data, wl_pointer*, std::uint32_t, wl_surface*) {
        auto* self = static_cast<WaylandClient*>(data);
        if (self->pointerFocus_) {
            std::exchange(self->pointerFocus_, nullptr)->pointerLeft();
        }
    }
    static void motion(void* data, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y) {
        auto* self = static_cast<WaylandClient*>(data);
        if (self->pointerFocus_) {
            self->pointerFocus_->pointerMoved({wl_fixed_to_double(x), wl_fixed_to_double(y)});
        }
    }
    static void button(void* data, wl_pointer*, std::uint32_t, std::uint32_t, std::uint32_t code,
                       std::uint32_t state) {
        auto* self = static_cast<WaylandClient*>(data);
        const Qt::MouseButton button = code == BTN_LEFT     ? Qt::LeftButton
                                       : code == BTN_RIGHT  ? Qt::RightButton
                                       : code == BTN_MIDDLE ? Qt::MiddleButton
                                                            : Qt::NoButton;
        if (self->pointerFocus_ && button != Qt::NoButton) {
            self->pointerFocus_->pointerButton(button, state == WL_POINTER_BUTTON_STATE_PRESSED);
        }
    }
    static void axis(void*, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) {}
    static void frame(void*, wl_pointer*) {}
    static void axisSource(void*, wl_pointer*, std::uint32_t) {}
    static void axisStop(void*, wl_pointer*, std::uint32_t, std::uint32_t) {}
    static void axisDiscrete(void*, wl_pointer*, std::uint32_t, std::int32_t) {}
    static constexpr wl_pointer_listener pointerListener{
        enter, leave, motion, button, axis, frame, axisSource, axisStop, axisDiscrete, nullptr};

    static void keymap(void* data, wl_keyboard*, std::uint32_t format, std::int32_t fd,
                       std::uint32_t size) {
        auto* self = static_cast<WaylandClient*>(data);
        if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1) {
            self->keymap_.load(fd, size);
        } else {
            close(fd);
        }
    }
    // Keys already down as the surface gets the keyboard (the one that ran the command, say)
    // are not pressed on it.
    static void keyboardEnter(void* data, wl_keyboard*, std::uint32_t, wl_surface* surface,
                              wl_array*) {
        auto* self = static_cast<WaylandClient*>(data);
        const auto it = self->surfaces_.find(surface);
        self->keyboardFocus_ = it == self->surfaces_.end() ? nullptr : it->second;
        if (self->keyboardFocus_) {
            self->keyboardFocus_->keyboardEntered();
        }
    }
    static void keyboardLeave(void* data, wl_keyboard*, std::uint32_t, wl_surface*) {
        auto* self = static_cast<WaylandClient*>(data);
        if (self->keyboardFocus_) {
            std::exchange(self->keyboardFocus_, nullptr)->keyboardLeft();
        }
    }
    static void key(void* data, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t code,
                    std::uint32_t state) {
        auto* self = static_cast<WaylandClient*>(data);
        if (self->keyboardFocus_ && state == WL_KEYBOARD_KEY_STATE_PRESSED) {
            if (const auto pressed = self->keymap_.press(code)) {
                self->keyboardFocus_->keyPressed(*pressed);
            }
        }
    }
    static void modifiers(void* data, wl_keyboard*, std::uint32_t, std::uint32_t depressed,
                          std::uint32_t latched, std::uint32_t locked, std::uint32_t group) {
        static_cast<WaylandClient*>(data)->keymap_.setModifiers(depressed, latched, locked, group);
    }
    static void repeatInfo(void*, wl_keyboard*, std::int32_t, std::int32_t) {}
    static constexpr wl_keyboard_listener keyboardListener{keymap, keyboardEnter, keyboardLeave,
                                                           key,    modifiers,     repeatInfo};
};

WaylandClient& WaylandClient::instance() {
    static WaylandClient* client = [] {
        auto* c = new WaylandClient();
        if (!c->connect()) {
            lost();
        }
        return c;
    }();
    return *client;
}

void WaylandClient::lost() {
    qFatal("wystrand-notify: the Wayland compositor has gone");
}

bool WaylandClient::connect() {
    display_ = wl_display_connect(nullptr);
    if (display_ == nullptr) {
        return false;
    }
    registry_ = wl_display_get_registry(display_);
    wl_registry_add_listener(registry_, &Listeners::registryListener, this);
    // The globals, then the first events of each (output sizes and scales, the room each output
    // leaves, seat capabilities).
    wl_display_roundtrip(display_);
    if (!compositor_ || !shm_ || !layerShell_) {
        return false;
    }
    outputs_.start(compositor_, layerShell_, xdgOutputs_);
    if (wl_display_roundtrip(display_) < 0) {
        return false;
    }
    notifier_ =
        std::make_unique<QSocketNotifier>(wl_display_get_fd(display_), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, this,
                     &WaylandClient::readEvents);
    // Requests queue up in the connection until flushed; whatever was not sent with a commit
    // goes out before the loop sleeps.
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock,
                     this, &WaylandClient::flush);
    return true;
}

void* WaylandClient::bind(const wl_interface* type, std::uint32_t highest) {
    const auto it = globals_.find(std::string_view(type->name));
    return it == globals_.end() ? nullptr
                                : wl_registry_bind(registry_, it->second.name, type,
                                                   std::min(it->second.version, highest));
}

void WaylandClient::readEvents() {
    while (wl_display_prepare_read(display_) != 0) {
        if (wl_display_dispatch_pending(display_) < 0) {
            lost();
        }
    }
    if (wl_display_read_events(display_) != 0 || wl_display_dispatch_pending(display_) < 0) {
        lost();
    }
}

void WaylandClient::checkConnection() {
    pollfd peer{wl_display_get_fd(display_), POLLIN, 0};
    if (wl_display_get_error(display_) != 0 ||
        (poll(&peer, 1, 0) > 0 && (peer.revents & (POLLHUP | POLLERR)) != 0)) {
        lost();
    }
}

void WaylandClient::flush() {
    if (wl_display_dispatch_pending(display_) < 0) {
        lost();
    }
    // A surface may detach itself while committing.
    std::vector<SurfaceClient*> clients;
    for (const auto& [surface, client] : surfaces_) {
        clients.push_back(client);
    }
    for (SurfaceClient* client : clients) {
        if (std::any_of(surfaces_.begin(), surfaces_.end(),
                        [client](const auto& entry) { return entry.second == client; })) {
            client->flushFrame();
        }
    }
    // A full socket (EAGAIN) keeps the rest for the next flush; any other failure is a
    // compositor gone.
    if (wl_display_flush(display_) < 0 && errno != EAGAIN) {
        lost();
    }
}

void WaylandClient::scheduleFlush() {
    if (std::exchange(flushScheduled_, true)) {
        return;
    }
    QMetaObject::invokeMethod(
        this,
        [this] {
            flushScheduled_ = false;
            flush();
        },
        Qt::QueuedConnection);
}

void WaylandClient::outputsChanged() {
    std::vector<SurfaceClient*> clients;
    for (const auto& [surface, client] : surfaces_) {
        clients.push_back(client);
    }
    for (SurfaceClient* client : clients) {
        client->outputsChanged();
    }
}

void WaylandClient::attach(wl_surface* surface, SurfaceClient* client) {
    surfaces_[surface] = client;
}

void WaylandClient::detach(wl_surface* surface) {
    const auto it = surfaces_.find(surface);
    if (it == surfaces_.end()) {
        return;
    }
    if (pointerFocus_ == it->second) {
        pointerFocus_ = nullptr;
    }
    if (keyboardFocus_ == it->second) {
        keyboardFocus_ = nullptr;
    }
    surfaces_.erase(it);
}

}  // namespace wystrand::wayland
