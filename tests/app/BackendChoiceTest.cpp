#include <gtest/gtest.h>

#include "app/BackendChoice.h"

namespace wystrand {
namespace {

struct Case {
    const char* platform;
    bool wayland, x11, layerShell;
    Backend expected;
    bool probes;  // whether the compositor is asked at all
};

TEST(BackendChoiceTest, LayerShellFirstThenX11ThenNothingWhileAUserPlatformStands) {
    using enum Backend;
    for (const Case& c : {
             Case{"", true, true, true, layerShell, true},
             Case{"", true, false, true, layerShell, true},
             Case{"", true, true, false, x11, true},  // GNOME: XWayland
             Case{"", true, false, false, none, true},
             Case{"", false, true, true, x11, false},
             Case{"", false, false, true, none, false},
             Case{"xcb", true, true, true, asConfigured, false},
             Case{"offscreen", false, false, false, asConfigured, false},
             // Qt's own Wayland platform would make each card an ordinary window.
             Case{"wayland", true, false, true, layerShell, true},
             Case{"wayland-egl", true, true, false, x11, true},
             Case{"wayland", true, false, false, none, true},
         }) {
        int probes = 0;
        const auto probe = [&] {
            ++probes;
            return c.layerShell;
        };
        const std::string what = std::string(c.platform) + (c.wayland ? " wayland" : "") +
                                 (c.x11 ? " x11" : "") + (c.layerShell ? " layer-shell" : "");
        EXPECT_EQ(chooseBackend(c.platform, c.wayland, c.x11, probe), c.expected) << what;
        EXPECT_EQ(probes, c.probes ? 1 : 0) << what;
    }
}

}  // namespace
}  // namespace wystrand
