// What a card's surface asks of a compositor that offers blur, fractional scale and viewports,
// which the headless sway does not: a compositor of the test's own, in a thread, takes every
// request generically and writes it down.
#include <gmock/gmock.h>
#include <unistd.h>
#include <wayland-server-core.h>
#include <wayland-server-protocol.h>

#include <QTemporaryDir>
#include <QWidget>
#include <atomic>
#include <cctype>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/card/CardGeometry.h"
#include "core/card/SurfaceGeometry.h"
#include "platform/wayland/LayerCardWindow.h"
#include "platform/wayland/LayerWindowSystem.h"
#include "platform/wayland/WaylandClient.h"
#include "protocols/fractional-scale-v1-client.h"
#include "protocols/kde-blur-client.h"
#include "protocols/viewporter-client.h"
#include "protocols/wlr-layer-shell-unstable-v1-client.h"
#include "support/TestMain.h"
#include "support/Wait.h"

namespace wystrand {
namespace {

class RecordingCompositor;
RecordingCompositor* compositor = nullptr;

// Keeps each request as "interface.request" and its number arguments, makes the objects asked
// for, and answers just enough for a card to draw: a configure for each layer surface and
// `scale` for each fractional-scale object.
class RecordingCompositor {
public:
    explicit RecordingCompositor(const char* socket) : display_(wl_display_create()) {
        wl_display_add_socket(display_, socket);
        for (const wl_interface* interface :
             {&wl_compositor_interface, &wl_shm_interface, &zwlr_layer_shell_v1_interface,
              &org_kde_kwin_blur_manager_interface, &wp_fractional_scale_manager_v1_interface,
              &wp_viewporter_interface}) {
            wl_global_create(display_, interface, interface->version,
                             const_cast<wl_interface*>(interface), bind);
        }
        thread_ = std::thread([this] {
            while (!stop_) {
                wl_event_loop_dispatch(wl_display_get_event_loop(display_), 10);
                if (const int to = rescale_.exchange(0); to > 0 && fractional_ != nullptr) {
                    wl_resource_post_event(fractional_, 0, static_cast<std::uint32_t>(to));
                }
                wl_display_flush_clients(display_);
            }
        });
    }
    ~RecordingCompositor() {
        stop_ = true;
        thread_.join();
        wl_display_destroy_clients(display_);
        wl_display_destroy(display_);
    }

    // Tells the last fractional-scale object a new scale, in 120ths.
    void rescale(int to) { rescale_ = to; }
    std::vector<std::string> requests() {
        const std::lock_guard lock(mutex_);
        return requests_;
    }
    // Whether `wanted` came, in this order, among the requests since the last call.
    bool saw(const std::vector<std::string>& wanted) {
        const std::lock_guard lock(mutex_);
        auto at = requests_.begin();
        for (const std::string& request : wanted) {
            at = std::find(at, requests_.end(), request);
            if (at == requests_.end()) {
                return false;
            }
        }
        return true;
    }
    void forget() {
        const std::lock_guard lock(mutex_);
        requests_.clear();
    }

private:
    // One compositor at a time: every object's user data is the one the test made.
    static void bind(wl_client* client, void* interface, std::uint32_t version, std::uint32_t id) {
        adopt(wl_resource_create(client, static_cast<const wl_interface*>(interface),
                                 static_cast<int>(version), id));
    }
    static void adopt(wl_resource* resource) {
        wl_resource_set_dispatcher(resource, dispatch, nullptr, compositor, nullptr);
    }
    static int dispatch(const void*, void* target, std::uint32_t, const wl_message* message,
                        wl_argument* args) {
        auto* resource = static_cast<wl_resource*>(target);
        RecordingCompositor* self = compositor;
        std::string line = std::string(wl_resource_get_class(resource)) + "." + message->name;
        wl_resource* made = nullptr;
        int i = 0;
        for (const char* type = message->signature; *type != '\0'; ++type) {
            if (std::isdigit(static_cast<unsigned char>(*type)) != 0 || *type == '?') {
                continue;
            }
            if (*type == 'i') {
                line += " " + std::to_string(args[i].i);
            } else if (*type == 'u') {
                line += " " + std::to_string(args[i].u);
            } else if (*type == 'h') {
                close(args[i].h);
            } else if (*type == 'n') {
                made = wl_resource_create(wl_resource_get_client(resource), message->types[i],
                                          wl_resource_get_version(resource), args[i].n);
                adopt(made);
            }
            ++i;
        }
        {
            const std::lock_guard lock(self->mutex_);
            self->requests_.push_back(line);
        }
        const std::string name = message->name;
        if (name == "get_layer_surface") {
            wl_resource_post_event(made, 0, 1U, 0U, 0U);  // configure
        } else if (name == "get_fractional_scale") {
            self->fractional_ = made;
            wl_resource_post_event(made, 0, 180U);  // preferred_scale
        } else if (name == "destroy" || name == "release") {
            if (resource == self->fractional_) {
                self->fractional_ = nullptr;
            }
            wl_resource_destroy(resource);
        }
        return 0;
    }

    wl_display* display_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<int> rescale_{0};
    wl_resource* fractional_ = nullptr;  // compositor thread only
    std::mutex mutex_;
    std::vector<std::string> requests_;
};

}  // namespace

// The application's cards are layer surfaces on the recording compositor.
void test::beforeApplication() {
    static QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    qputenv("WAYLAND_DISPLAY", "wystrand-recording");
    static RecordingCompositor recording("wystrand-recording");
    compositor = &recording;
    wayland::chooseLayerShell();
    qunsetenv("DISPLAY");
    qputenv("QT_QPA_PLATFORM", "offscreen");
}

namespace {

bool waitFor(const std::vector<std::string>& wanted) {
    return test::waitUntil([&] { return compositor->saw(wanted); });
}

std::vector<std::string> regionOf(const QRect& rect) {
    std::vector<std::string> lines{"org_kde_kwin_blur_manager.create",
                                   "wl_compositor.create_region"};
    for (const QRect& band : roundedRectBands(rect, cardCornerRadius)) {
        lines.push_back("wl_region.add " + std::to_string(band.x()) + " " +
                        std::to_string(band.y()) + " " + std::to_string(band.width()) + " " +
                        std::to_string(band.height()));
    }
    lines.insert(lines.end(), {"org_kde_kwin_blur.set_region", "wl_region.destroy",
                               "org_kde_kwin_blur.commit", "wl_surface.commit"});
    return lines;
}

TEST(SurfaceRequestsTest, BlurFollowsTheRoundedCardAndBuffersTheFractionalScale) {
    wayland::LayerWindowSystem system(wayland::WaylandClient::instance());
    QWidget card;
    card.setFixedSize(cardWidth, alertCardHeight);
    wayland::LayerCardWindow window(system, card, [] {});
    // Asked before the surface exists, sent once it does.
    const QRect region(0, 0, cardWidth, alertCardHeight);
    window.blurBehind(region);
    window.show({1108, 8}, 1.0);

    std::vector<std::string> shown = regionOf(region);
    shown.insert(shown.begin(), {"wp_fractional_scale_manager_v1.get_fractional_scale",
                                 "wp_viewporter.get_viewport"});
    EXPECT_TRUE(waitFor(shown)) << testing::PrintToString(compositor->requests());
    // 1.5 x 320 x 128, shown at the logical size.
    EXPECT_TRUE(
        waitFor({"wl_shm_pool.create_buffer 0 480 192 1920 0", "wl_surface.set_buffer_scale 1",
                 "wp_viewport.set_destination 320 128", "wl_surface.commit"}));
    EXPECT_EQ(window.pixelRatio(), 1.5);

    compositor->forget();
    compositor->rescale(120);
    EXPECT_TRUE(
        waitFor({"wl_shm_pool.create_buffer 0 320 128 1280 0", "wl_surface.set_buffer_scale 1",
                 "wp_viewport.set_destination 320 128", "wl_surface.commit"}));

    // An empty region takes the blur away rather than blurring the whole surface.
    compositor->forget();
    window.blurBehind(QRect());
    EXPECT_TRUE(waitFor(
        {"org_kde_kwin_blur_manager.unset", "org_kde_kwin_blur.release", "wl_surface.commit"}));
    const QRect lower(0, 24, cardWidth, 104);
    window.blurBehind(lower);
    EXPECT_TRUE(waitFor(regionOf(lower)));

    compositor->forget();
    window.close();
    EXPECT_TRUE(waitFor({"org_kde_kwin_blur.release", "wp_viewport.destroy",
                         "wp_fractional_scale_v1.destroy", "zwlr_layer_surface_v1.destroy",
                         "wl_surface.destroy"}));
}

}  // namespace
}  // namespace wystrand
