#include "platform/CardWindow.h"

#include "platform/wayland/LayerCardWindow.h"
#include "platform/wayland/WaylandClient.h"
#include "platform/x11/X11CardWindow.h"

namespace wystrand {

std::unique_ptr<CardWindow> createCardWindow(QWidget& card, std::function<void()> onLost) {
    if (wayland::layerShellChosen()) {
        if (wayland::WaylandClient* client = wayland::WaylandClient::instance()) {
            return std::make_unique<wayland::LayerCardWindow>(*client, card, std::move(onLost));
        }
    }
    return std::make_unique<x11::X11CardWindow>(card);
}

}  // namespace wystrand
