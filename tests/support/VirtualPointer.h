#pragma once

#include <cstdint>

struct wl_display;
struct zwlr_virtual_pointer_manager_v1;
struct zwlr_virtual_pointer_v1;

namespace wystrand::test {

// A pointer device of its own on a wlroots compositor (headless sway has none), on a
// connection of its own: it moves to a point of the output layout and clicks there.
class VirtualPointer {
public:
    VirtualPointer();
    ~VirtualPointer();
    VirtualPointer(const VirtualPointer&) = delete;
    VirtualPointer& operator=(const VirtualPointer&) = delete;
    bool valid() const { return pointer_ != nullptr; }
    // A left click at (x, y) of a layout `width` by `height` logical pixels.
    void click(int x, int y, int width, int height);

private:
    wl_display* display_ = nullptr;
    zwlr_virtual_pointer_manager_v1* manager_ = nullptr;
    zwlr_virtual_pointer_v1* pointer_ = nullptr;
    std::uint32_t time_ = 0;
};

}  // namespace wystrand::test
