#include "platform/WindowSystem.h"

#include "platform/wayland/LayerWindowSystem.h"
#include "platform/wayland/WaylandClient.h"
#include "platform/x11/X11WindowSystem.h"

namespace wystrand {

bool WindowSystem::lendKeyboard(QWidget&) {
    return false;
}

WindowSystem& windowSystem() {
    static WindowSystem* const system = []() -> WindowSystem* {
        if (wayland::layerShellChosen()) {
            return new wayland::LayerWindowSystem(wayland::WaylandClient::instance());
        }
        return new x11::X11WindowSystem();
    }();
    return *system;
}

}  // namespace wystrand
