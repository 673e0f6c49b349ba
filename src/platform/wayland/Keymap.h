#pragma once

#include <QKeyCombination>
#include <cstdint>
#include <optional>

struct xkb_context;
struct xkb_keymap;
struct xkb_state;

namespace wystrand::wayland {

// The compositor's keymap and modifier state, turning the key codes of wl_keyboard into the few
// keys the cards are worked with: Tab (Backtab with Shift), the arrows, Return, Enter, Space and
// Escape. Any other key is nothing to the cards.
class Keymap {
public:
    Keymap();
    ~Keymap();
    Keymap(const Keymap&) = delete;
    Keymap& operator=(const Keymap&) = delete;

    // A keymap in the text format, `size` bytes mapped from `fd`, which is closed. A keymap that
    // cannot be read leaves no keymap: no key means anything until the next one.
    void load(int fd, std::uint32_t size);
    void setModifiers(std::uint32_t depressed, std::uint32_t latched, std::uint32_t locked,
                      std::uint32_t group);
    // `code`: the evdev code wl_keyboard.key carries.
    std::optional<QKeyCombination> press(std::uint32_t code) const;

private:
    xkb_context* context_ = nullptr;
    xkb_keymap* keymap_ = nullptr;
    xkb_state* state_ = nullptr;
};

}  // namespace wystrand::wayland
