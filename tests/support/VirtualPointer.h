#pragma once

#include <memory>

namespace wystrand::test {

// A pointer device of its own on a wlroots compositor (headless sway has none), on a
// connection of its own: it moves to a point of the output layout and clicks there.
class VirtualPointer {
public:
    VirtualPointer();
    ~VirtualPointer();
    bool valid() const;
    // A left click at (x, y) of a layout `width` by `height` logical pixels.
    void click(int x, int y, int width, int height);

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace wystrand::test
