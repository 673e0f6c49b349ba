#include "platform/wayland/Keymap.h"

#include <sys/mman.h>
#include <unistd.h>
#include <xkbcommon/xkbcommon.h>

#include <utility>

namespace wystrand::wayland {

namespace {

// xkbcommon's keycodes are the evdev codes shifted by the 8 of X11.
constexpr std::uint32_t evdevOffset = 8;

std::optional<Qt::Key> cardKey(xkb_keysym_t sym) {
    switch (sym) {
        case XKB_KEY_Tab:
            return Qt::Key_Tab;
        case XKB_KEY_ISO_Left_Tab:
            return Qt::Key_Backtab;
        case XKB_KEY_Left:
        case XKB_KEY_KP_Left:
            return Qt::Key_Left;
        case XKB_KEY_Right:
        case XKB_KEY_KP_Right:
            return Qt::Key_Right;
        case XKB_KEY_Up:
        case XKB_KEY_KP_Up:
            return Qt::Key_Up;
        case XKB_KEY_Down:
        case XKB_KEY_KP_Down:
            return Qt::Key_Down;
        case XKB_KEY_Return:
            return Qt::Key_Return;
        case XKB_KEY_KP_Enter:
            return Qt::Key_Enter;
        case XKB_KEY_space:
        case XKB_KEY_KP_Space:
            return Qt::Key_Space;
        case XKB_KEY_Escape:
            return Qt::Key_Escape;
        default:
            return std::nullopt;
    }
}

}  // namespace

Keymap::Keymap() : context_(xkb_context_new(XKB_CONTEXT_NO_FLAGS)) {}

Keymap::~Keymap() {
    xkb_state_unref(state_);
    xkb_keymap_unref(keymap_);
    xkb_context_unref(context_);
}

void Keymap::load(int fd, std::uint32_t size) {
    xkb_state_unref(std::exchange(state_, nullptr));
    xkb_keymap_unref(std::exchange(keymap_, nullptr));
    void* text = size > 0 ? mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0) : MAP_FAILED;
    close(fd);
    if (text == MAP_FAILED || context_ == nullptr) {
        return;
    }
    // The text ends with its NUL within `size`; the length form stops at it all the same.
    keymap_ = xkb_keymap_new_from_buffer(context_, static_cast<const char*>(text), size - 1,
                                         XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
    munmap(text, size);
    if (keymap_ != nullptr) {
        state_ = xkb_state_new(keymap_);
    }
}

void Keymap::setModifiers(std::uint32_t depressed, std::uint32_t latched, std::uint32_t locked,
                          std::uint32_t group) {
    if (state_ != nullptr) {
        xkb_state_update_mask(state_, depressed, latched, locked, 0, 0, group);
    }
}

std::optional<QKeyCombination> Keymap::press(std::uint32_t code) const {
    if (state_ == nullptr) {
        return std::nullopt;
    }
    const xkb_keycode_t key = code + evdevOffset;
    std::optional<Qt::Key> qtKey = cardKey(xkb_state_key_get_one_sym(state_, key));
    if (!qtKey) {
        return std::nullopt;
    }
    Qt::KeyboardModifiers modifiers;
    if (xkb_state_mod_name_is_active(state_, XKB_MOD_NAME_SHIFT, XKB_STATE_MODS_EFFECTIVE) > 0) {
        modifiers |= Qt::ShiftModifier;
        // As Qt names it wherever the keymap gives Shift+Tab no keysym of its own.
        if (*qtKey == Qt::Key_Tab) {
            qtKey = Qt::Key_Backtab;
        }
    }
    return QKeyCombination(modifiers, *qtKey);
}

}  // namespace wystrand::wayland
