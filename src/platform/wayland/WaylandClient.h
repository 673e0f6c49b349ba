#pragma once

#include <QObject>
#include <QPointF>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "platform/wayland/Keymap.h"
#include "platform/wayland/Outputs.h"

struct wl_compositor;
struct wl_display;
struct wl_interface;
struct wl_keyboard;
struct wl_output;
struct wl_pointer;
struct wl_registry;
struct wl_seat;
struct wl_shm;
struct wl_surface;
struct org_kde_kwin_blur_manager;
struct wp_fractional_scale_manager_v1;
struct wp_viewporter;
struct zwlr_layer_shell_v1;
struct zxdg_output_manager_v1;
class QSocketNotifier;

namespace wystrand::wayland {

// Whether the compositor named by WAYLAND_DISPLAY offers layer-shell: a registry round trip
// on a connection of its own, closed again. False without a compositor.
bool offersLayerShell();

// Chosen once, before the application object exists: cards become layer surfaces (and Qt
// runs on its offscreen platform, only drawing them).
void chooseLayerShell();
bool layerShellChosen();

// Receives what the compositor says about one surface.
class SurfaceClient {
public:
    virtual void pointerMoved(QPointF at) = 0;
    virtual void pointerButton(Qt::MouseButton button, bool pressed) = 0;
    virtual void pointerLeft() = 0;
    // The surface has the keyboard, or no longer has it.
    virtual void keyboardEntered() = 0;
    virtual void keyboardLeft() = 0;
    // One of the keys Keymap knows, pressed while the surface has the keyboard.
    virtual void keyPressed(QKeyCombination key) = 0;
    virtual void outputsChanged() = 0;
    // Called just before the event loop sleeps: commit whatever changed.
    virtual void flushFrame() = 0;

protected:
    ~SurfaceClient() = default;
};

// The agent's one connection to the compositor, beside Qt's event loop: its descriptor is
// read on a socket notifier, and requests are flushed whenever the loop is about to sleep.
// Losing the connection is fatal (qFatal), as losing the X server is to Qt on X11: the cards
// cannot be shown anywhere else, and the agent ends rather than report cards nobody sees.
// Main thread only.
class WaylandClient : public QObject {
public:
    // Connects on first use and lives as long as the process. A compositor that cannot be
    // reached, or lacks layer-shell, wl_shm or wl_compositor, counts as lost.
    static WaylandClient& instance();

    wl_display* display() const { return display_; }
    wl_compositor* compositor() const { return compositor_; }
    wl_shm* shm() const { return shm_; }
    zwlr_layer_shell_v1* layerShell() const { return layerShell_; }
    // Optional: nullptr where the compositor does not offer them.
    org_kde_kwin_blur_manager* blurManager() const { return blurManager_; }
    wp_fractional_scale_manager_v1* fractionalScaleManager() const { return fractionalScale_; }
    wp_viewporter* viewporter() const { return viewporter_; }

    const Outputs& outputs() const { return outputs_; }
    wl_seat* seat() const { return seat_; }

    // Binds a global that only some compositors offer, and that only one unit uses, at
    // `highest` version or the compositor's if lower; nullptr where it is not offered.
    void* bind(const wl_interface* type, std::uint32_t highest);

    // Notices at once a compositor that has gone since the events were last read, before
    // anything is reported that would need it.
    void checkConnection();

    // Commits what changed and sends it once the events now queued have been handled, so that
    // the steps of one animation tick go out in one commit.
    void scheduleFlush();

    void attach(wl_surface* surface, SurfaceClient* client);
    void detach(wl_surface* surface);

    struct Listeners;

private:
    WaylandClient() = default;
    bool connect();
    void readEvents();
    void flush();
    void outputsChanged();
    [[noreturn]] static void lost();

    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    wl_compositor* compositor_ = nullptr;
    wl_shm* shm_ = nullptr;
    zwlr_layer_shell_v1* layerShell_ = nullptr;
    org_kde_kwin_blur_manager* blurManager_ = nullptr;
    wp_fractional_scale_manager_v1* fractionalScale_ = nullptr;
    wp_viewporter* viewporter_ = nullptr;
    wl_seat* seat_ = nullptr;
    wl_pointer* pointer_ = nullptr;
    wl_keyboard* keyboard_ = nullptr;
    Keymap keymap_;
    zxdg_output_manager_v1* xdgOutputs_ = nullptr;
    Outputs outputs_{[this] { outputsChanged(); }};
    struct Global {
        std::uint32_t name;
        std::uint32_t version;
    };
    // Every global of the registry's first round and after, by interface.
    std::map<std::string, Global, std::less<>> globals_;
    std::map<wl_surface*, SurfaceClient*> surfaces_;
    SurfaceClient* pointerFocus_ = nullptr;
    SurfaceClient* keyboardFocus_ = nullptr;
    std::unique_ptr<QSocketNotifier> notifier_;
    bool flushScheduled_ = false;
};

}  // namespace wystrand::wayland
