#include "support/VirtualPointer.h"

#include <linux/input-event-codes.h>
#include <wayland-client.h>

#include <cstring>
#include <initializer_list>

#include "protocols/wlr-virtual-pointer-unstable-v1-client.h"

namespace wystrand::test {

VirtualPointer::VirtualPointer() : display_(wl_display_connect(nullptr)) {
    if (display_ == nullptr) {
        return;
    }
    static const wl_registry_listener listener{
        [](void* data, wl_registry* registry, std::uint32_t name, const char* interface,
           std::uint32_t) {
            if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0) {
                static_cast<VirtualPointer*>(data)->manager_ =
                    static_cast<zwlr_virtual_pointer_manager_v1*>(wl_registry_bind(
                        registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
            }
        },
        [](void*, wl_registry*, std::uint32_t) {}};
    wl_registry* registry = wl_display_get_registry(display_);
    wl_registry_add_listener(registry, &listener, this);
    wl_display_roundtrip(display_);
    if (manager_ != nullptr) {
        pointer_ = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager_, nullptr);
        wl_display_roundtrip(display_);
    }
    wl_registry_destroy(registry);
}

VirtualPointer::~VirtualPointer() {
    if (pointer_ != nullptr) {
        zwlr_virtual_pointer_v1_destroy(pointer_);
    }
    if (manager_ != nullptr) {
        zwlr_virtual_pointer_manager_v1_destroy(manager_);
    }
    if (display_ != nullptr) {
        wl_display_disconnect(display_);
    }
}

void VirtualPointer::click(int x, int y, int width, int height) {
    zwlr_virtual_pointer_v1_motion_absolute(pointer_, ++time_, std::uint32_t(x), std::uint32_t(y),
                                            std::uint32_t(width), std::uint32_t(height));
    zwlr_virtual_pointer_v1_frame(pointer_);
    wl_display_roundtrip(display_);
    for (const auto state : {WL_POINTER_BUTTON_STATE_PRESSED, WL_POINTER_BUTTON_STATE_RELEASED}) {
        zwlr_virtual_pointer_v1_button(pointer_, ++time_, BTN_LEFT, state);
        zwlr_virtual_pointer_v1_frame(pointer_);
    }
    wl_display_roundtrip(display_);
}

}  // namespace wystrand::test
