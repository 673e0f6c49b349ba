#pragma once

#include <cstdint>
#include <map>
#include <optional>

#include "platform/WindowSystem.h"
#include "platform/wayland/WaylandClient.h"

struct wl_output;

namespace wystrand::wayland {

class LayerCardWindow;

// Cards as layer surfaces (LayerCardWindow), in one column on one output. A column that starts
// empty goes where the compositor puts a surface that names no output, the output it has
// focused; the output its first card is put on holds the column until the column is empty
// again. Frames are measured from the top right corner of the room the output leaves, which
// the cards are anchored to: the column's frame is (-width, 0, width, height), so a card's x
// says how far from the right edge it is, whatever the output's width, now or after a resize.
// The keyboard is lent to a card by its surface asking for it; the compositor gives it back to
// where it was when the surface asks for none again or goes.
class LayerWindowSystem : public WindowSystem {
public:
    explicit LayerWindowSystem(WaylandClient& client) : client_(client) {}

    std::optional<QRect> columnFrame(bool newColumn) override;
    std::unique_ptr<CardWindow> createCardWindow(QWidget& card,
                                                 std::function<void()> onLost) override;
    bool lendKeyboard(QWidget& card) override;
    void returnKeyboard() override;

    WaylandClient& client() const { return client_; }
    // The output a card's new surface names: the column's, or nullptr for the compositor's own
    // choice while the column has none.
    wl_output* columnOutput() const;
    // Told by each card's surface when the compositor has put it on `output`.
    void cardEntered(const wl_output* output);
    // Each card window while it lives.
    void add(const QWidget& card, LayerCardWindow& window) { windows_[&card] = &window; }
    void remove(const QWidget& card);

private:
    WaylandClient& client_;
    // Global names: the output the column is on, once known, and the one it was last on.
    std::optional<std::uint32_t> column_;
    std::optional<std::uint32_t> last_;
    std::map<const QWidget*, LayerCardWindow*> windows_;
    LayerCardWindow* keyboard_ = nullptr;  // the window that asked for the keyboard
};

}  // namespace wystrand::wayland
