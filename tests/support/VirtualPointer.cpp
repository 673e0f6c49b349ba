#include "support/VirtualPointer.h"

#include <linux/input-event-codes.h>
#include <wayland-client.h>

#include <cstring>

#include "protocols/wlr-virtual-pointer-unstable-v1-client.h"

namespace wystrand::test {

struct VirtualPointer::State {
    wl_display* display = nullptr;
    zwlr_virtual_pointer_manager_v1* manager = nullptr;
    zwlr_virtual_pointer_v1* pointer = nullptr;
    std::uint32_t time = 0;
};

VirtualPointer::VirtualPointer() : state_(std::make_unique<State>()) {
    state_->display = wl_display_connect(nullptr);
    if (state_->display == nullptr) {
        return;
    }
    static const wl_registry_listener listener{
        [](void* data, wl_registry* registry, std::uint32_t name, const char* interface,
           std::uint32_t) {
            if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0) {
                static_cast<State*>(data)->manager =
                    static_cast<zwlr_virtual_pointer_manager_v1*>(wl_registry_bind(
                        registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
            }
        },
        [](void*, wl_registry*, std::uint32_t) {}};
    wl_registry* registry = wl_display_get_registry(state_->display);
    wl_registry_add_listener(registry, &listener, state_.get());
    wl_display_roundtrip(state_->display);
    if (state_->manager != nullptr) {
        state_->pointer =
            zwlr_virtual_pointer_manager_v1_create_virtual_pointer(state_->manager, nullptr);
        wl_display_roundtrip(state_->display);
    }
    wl_registry_destroy(registry);
}

VirtualPointer::~VirtualPointer() {
    if (state_->pointer != nullptr) {
        zwlr_virtual_pointer_v1_destroy(state_->pointer);
    }
    if (state_->manager != nullptr) {
        zwlr_virtual_pointer_manager_v1_destroy(state_->manager);
    }
    if (state_->display != nullptr) {
        wl_display_disconnect(state_->display);
    }
}

bool VirtualPointer::valid() const {
    return state_->pointer != nullptr;
}

void VirtualPointer::click(int x, int y, int width, int height) {
    zwlr_virtual_pointer_v1* p = state_->pointer;
    zwlr_virtual_pointer_v1_motion_absolute(p, ++state_->time, std::uint32_t(x), std::uint32_t(y),
                                            std::uint32_t(width), std::uint32_t(height));
    zwlr_virtual_pointer_v1_frame(p);
    wl_display_roundtrip(state_->display);
    zwlr_virtual_pointer_v1_button(p, ++state_->time, BTN_LEFT, WL_POINTER_BUTTON_STATE_PRESSED);
    zwlr_virtual_pointer_v1_frame(p);
    zwlr_virtual_pointer_v1_button(p, ++state_->time, BTN_LEFT, WL_POINTER_BUTTON_STATE_RELEASED);
    zwlr_virtual_pointer_v1_frame(p);
    wl_display_roundtrip(state_->display);
}

}  // namespace wystrand::test
