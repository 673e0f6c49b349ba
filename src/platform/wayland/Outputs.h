#pragma once

#include <QSize>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <vector>

struct wl_compositor;
struct wl_output;
struct wl_registry;
struct zwlr_layer_shell_v1;
struct zxdg_output_manager_v1;

namespace wystrand::wayland {

// The compositor's outputs, each known by its global name: its integer scale and the room it
// leaves for cards. The room is what the compositor itself says is left once panels have taken
// their exclusive zones: a layer surface of no size anchored to all four edges, never given a
// buffer and so never shown, is configured to exactly that size, and again whenever it changes.
// Until that answer comes, the output's logical size stands in (xdg-output, else its mode over
// its scale). Main thread only.
class Outputs {
public:
    // `onChanged`: an output's scale may have changed, or an output went.
    explicit Outputs(std::function<void()> onChanged);
    ~Outputs();
    Outputs(const Outputs&) = delete;
    Outputs& operator=(const Outputs&) = delete;

    // A wl_output global; its room is asked for once start() has run.
    void add(wl_registry* registry, std::uint32_t name, std::uint32_t version);
    // Forgets the output of that global name; false when it was none.
    bool remove(std::uint32_t name);
    // With every global of the first registry round bound (the manager may be null): asks each
    // output, and every output added later, for its logical size and its room.
    void start(wl_compositor* compositor, zwlr_layer_shell_v1* layerShell,
               zxdg_output_manager_v1* xdgOutputs);

    // The largest scale among `outputs`, or among every output when `outputs` is empty.
    int scaleOf(const std::set<wl_output*>& outputs) const;
    // The room on output `name`, in logical pixels; nothing when it is gone or not yet known.
    std::optional<QSize> room(std::uint32_t name) const;
    std::optional<std::uint32_t> nameOf(const wl_output* output) const;
    // Nullptr when it is gone.
    wl_output* output(std::uint32_t name) const;
    // Oldest first.
    std::vector<std::uint32_t> names() const;

    struct Output;
    struct Listeners;

private:
    void ask(Output& output);

    std::function<void()> onChanged_;
    std::vector<std::unique_ptr<Output>> outputs_;
    wl_compositor* compositor_ = nullptr;
    zwlr_layer_shell_v1* layerShell_ = nullptr;
    zxdg_output_manager_v1* xdgOutputs_ = nullptr;
    bool started_ = false;
};

}  // namespace wystrand::wayland
