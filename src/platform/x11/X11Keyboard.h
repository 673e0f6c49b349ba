#pragma once

#include <cstdint>
#include <optional>

namespace wystrand::x11 {

// The keyboard lent to card windows on the person's command: X input focus moves to a card's
// window, and back to the window that had it before the first lend (the root when that was
// none or is gone). The keyboard is never grabbed; should the agent die meanwhile, the X server
// reverts focus to the parent. Off xcb, nothing happens.
class KeyboardLoan {
public:
    // `window`: an X window id.
    void lend(std::uint32_t window);
    void giveBack();

private:
    std::optional<std::uint32_t> previous_;
};

}  // namespace wystrand::x11
