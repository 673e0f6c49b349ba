#include "platform/wayland/Outputs.h"

#include <wayland-client.h>

#include <algorithm>

#include "protocols/wlr-layer-shell-unstable-v1-client.h"
#include "protocols/xdg-output-unstable-v1-client.h"

namespace wystrand::wayland {

struct Outputs::Output {
    Outputs* owner = nullptr;
    std::uint32_t name = 0;
    wl_output* output = nullptr;
    int scale = 1;
    std::int32_t transform = WL_OUTPUT_TRANSFORM_NORMAL;
    QSize mode;     // the current mode, in device pixels
    QSize logical;  // as xdg-output tells
    QSize room;     // as the compositor configures the probe
    zxdg_output_v1* xdg = nullptr;
    wl_surface* probeSurface = nullptr;
    zwlr_layer_surface_v1* probe = nullptr;

    void dropProbe() {
        if (probe != nullptr) {
            zwlr_layer_surface_v1_destroy(std::exchange(probe, nullptr));
        }
        if (probeSurface != nullptr) {
            wl_surface_destroy(std::exchange(probeSurface, nullptr));
        }
    }
    ~Output() {
        dropProbe();
        if (xdg != nullptr) {
            zxdg_output_v1_destroy(xdg);
        }
        wl_output_destroy(output);
    }

    std::optional<QSize> bestRoom() const {
        if (!room.isEmpty()) {
            return room;
        }
        if (!logical.isEmpty()) {
            return logical;
        }
        if (mode.isEmpty()) {
            return std::nullopt;
        }
        // The odd transforms turn the output a quarter.
        const QSize turned = (transform % 2) != 0 ? mode.transposed() : mode;
        return turned / scale;
    }
};

// C callbacks, friends of the outputs through this struct.
struct Outputs::Listeners {
    static void geometry(void* data, wl_output*, std::int32_t, std::int32_t, std::int32_t,
                         std::int32_t, std::int32_t, const char*, const char*,
                         std::int32_t transform) {
        static_cast<Output*>(data)->transform = transform;
    }
    static void mode(void* data, wl_output*, std::uint32_t flags, std::int32_t width,
                     std::int32_t height, std::int32_t) {
        if ((flags & WL_OUTPUT_MODE_CURRENT) != 0) {
            static_cast<Output*>(data)->mode = QSize(width, height);
        }
    }
    static void done(void* data, wl_output*) { static_cast<Output*>(data)->owner->onChanged_(); }
    static void scale(void* data, wl_output*, std::int32_t factor) {
        static_cast<Output*>(data)->scale = std::max(1, factor);
    }
    static constexpr wl_output_listener outputListener{geometry, mode,    done,
                                                       scale,    nullptr, nullptr};

    static void logicalPosition(void*, zxdg_output_v1*, std::int32_t, std::int32_t) {}
    static void logicalSize(void* data, zxdg_output_v1*, std::int32_t width, std::int32_t height) {
        static_cast<Output*>(data)->logical = QSize(width, height);
    }
    static void xdgDone(void*, zxdg_output_v1*) {}
    static void xdgName(void*, zxdg_output_v1*, const char*) {}
    static void description(void*, zxdg_output_v1*, const char*) {}
    static constexpr zxdg_output_v1_listener xdgListener{logicalPosition, logicalSize, xdgDone,
                                                         xdgName, description};

    static void configure(void* data, zwlr_layer_surface_v1* probe, std::uint32_t serial,
                          std::uint32_t width, std::uint32_t height) {
        zwlr_layer_surface_v1_ack_configure(probe, serial);
        static_cast<Output*>(data)->room = QSize(static_cast<int>(width), static_cast<int>(height));
    }
    // The compositor took the probe away (the output is going): its logical size stands in.
    static void closed(void* data, zwlr_layer_surface_v1*) {
        auto* output = static_cast<Output*>(data);
        output->dropProbe();
        output->room = QSize();
    }
    static constexpr zwlr_layer_surface_v1_listener probeListener{configure, closed};
};

Outputs::Outputs(std::function<void()> onChanged) : onChanged_(std::move(onChanged)) {}

Outputs::~Outputs() = default;

void Outputs::add(wl_registry* registry, std::uint32_t name, std::uint32_t version) {
    auto output = std::make_unique<Output>();
    output->owner = this;
    output->name = name;
    output->output = static_cast<wl_output*>(
        wl_registry_bind(registry, name, &wl_output_interface, std::min(version, 2U)));
    wl_output_add_listener(output->output, &Listeners::outputListener, output.get());
    if (started_) {
        ask(*output);
    }
    outputs_.push_back(std::move(output));
}

bool Outputs::remove(std::uint32_t name) {
    const auto removed = std::erase_if(outputs_, [name](const auto& o) { return o->name == name; });
    if (removed > 0) {
        onChanged_();
    }
    return removed > 0;
}

void Outputs::start(wl_compositor* compositor, zwlr_layer_shell_v1* layerShell,
                    zxdg_output_manager_v1* xdgOutputs) {
    compositor_ = compositor;
    layerShell_ = layerShell;
    xdgOutputs_ = xdgOutputs;
    started_ = true;
    for (const auto& output : outputs_) {
        ask(*output);
    }
}

void Outputs::ask(Output& output) {
    if (xdgOutputs_ != nullptr) {
        output.xdg = zxdg_output_manager_v1_get_xdg_output(xdgOutputs_, output.output);
        zxdg_output_v1_add_listener(output.xdg, &Listeners::xdgListener, &output);
    }
    // On the cards' own layer, so that it is given the room they are placed in. No keyboard,
    // no exclusive zone, and no buffer: it takes nothing from anyone and is never drawn.
    output.probeSurface = wl_compositor_create_surface(compositor_);
    output.probe =
        zwlr_layer_shell_v1_get_layer_surface(layerShell_, output.probeSurface, output.output,
                                              ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "wystrand-notify");
    zwlr_layer_surface_v1_add_listener(output.probe, &Listeners::probeListener, &output);
    zwlr_layer_surface_v1_set_size(output.probe, 0, 0);
    zwlr_layer_surface_v1_set_anchor(
        output.probe, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                          ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    zwlr_layer_surface_v1_set_exclusive_zone(output.probe, 0);
    zwlr_layer_surface_v1_set_keyboard_interactivity(
        output.probe, ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);
    wl_surface_commit(output.probeSurface);
}

int Outputs::scaleOf(const std::set<wl_output*>& outputs) const {
    int scale = 1;
    for (const auto& o : outputs_) {
        if (outputs.empty() || outputs.count(o->output) != 0) {
            scale = std::max(scale, o->scale);
        }
    }
    return scale;
}

std::optional<QSize> Outputs::room(std::uint32_t name) const {
    for (const auto& o : outputs_) {
        if (o->name == name) {
            return o->bestRoom();
        }
    }
    return std::nullopt;
}

std::optional<std::uint32_t> Outputs::nameOf(const wl_output* output) const {
    for (const auto& o : outputs_) {
        if (o->output == output) {
            return o->name;
        }
    }
    return std::nullopt;
}

wl_output* Outputs::output(std::uint32_t name) const {
    for (const auto& o : outputs_) {
        if (o->name == name) {
            return o->output;
        }
    }
    return nullptr;
}

std::vector<std::uint32_t> Outputs::names() const {
    std::vector<std::uint32_t> names;
    for (const auto& o : outputs_) {
        names.push_back(o->name);
    }
    return names;
}

}  // namespace wystrand::wayland
