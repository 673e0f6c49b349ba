// gtest main for the layer-shell tests: a private headless sway, then one QApplication on
// Qt's offscreen platform with cards as layer surfaces, as the agent runs on Wayland. Without
// sway every test reports itself skipped, saying why.
#include <gtest/gtest.h>

#include <QApplication>

#include "platform/wayland/WaylandClient.h"
#include "support/WaylandServer.h"

namespace wystrand {
test::WaylandServer* sway = nullptr;
}

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) {
        return RUN_ALL_TESTS();
    }
    wystrand::test::WaylandServer server(wystrand::test::WaylandServer::Kind::sway);
    wystrand::sway = &server;
    if (server.start()) {
        qputenv("XDG_RUNTIME_DIR", server.runtimeDir().c_str());
        qputenv("WAYLAND_DISPLAY", server.display().c_str());
        wystrand::wayland::chooseLayerShell();
    }
    qunsetenv("DISPLAY");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    return RUN_ALL_TESTS();
}
