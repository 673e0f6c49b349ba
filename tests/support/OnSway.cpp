#include <QtGlobal>

#include "platform/wayland/WaylandClient.h"
#include "support/Sway.h"
#include "support/TestMain.h"

namespace wystrand::test {

WaylandServer& sway() {
    static WaylandServer server(WaylandServer::Kind::sway);
    return server;
}

void beforeApplication() {
    if (sway().start()) {
        qputenv("XDG_RUNTIME_DIR", sway().runtimeDir().c_str());
        qputenv("WAYLAND_DISPLAY", sway().display().c_str());
        wayland::chooseLayerShell();
    }
    qunsetenv("DISPLAY");
    qputenv("QT_QPA_PLATFORM", "offscreen");
}

}  // namespace wystrand::test
