#pragma once

#include <cstdint>
#include <optional>

#include "platform/WindowSystem.h"
#include "platform/wayland/WaylandClient.h"

struct wl_output;

namespace wystrand::wayland {

// Cards as layer surfaces (LayerCardWindow), in one column on one output. A column that starts
// empty goes where the compositor puts a surface that names no output, the output it has
// focused; the output its first card is put on holds the column until the column is empty
// again. Frames are measured from the top right corner of the room the output leaves, which
// the cards are anchored to: the column's frame is (-width, 0, width, height), so a card's x
// says how far from the right edge it is, whatever the output's width, now or after a resize.
class LayerWindowSystem : public WindowSystem {
public:
    explicit LayerWindowSystem(WaylandClient& client) : client_(client) {}

    std::optional<QRect> columnFrame(bool newColumn) override;
    std::unique_ptr<CardWindow> createCardWindow(QWidget& card,
                                                 std::function<void()> onLost) override;

    WaylandClient& client() const { return client_; }
    // The output a card's new surface names: the column's, or nullptr for the compositor's own
    // choice while the column has none.
    wl_output* columnOutput() const;
    // Told by each card's surface when the compositor has put it on `output`.
    void cardEntered(const wl_output* output);

private:
    WaylandClient& client_;
    // Global names: the output the column is on, once known, and the one it was last on.
    std::optional<std::uint32_t> column_;
    std::optional<std::uint32_t> last_;
};

}  // namespace wystrand::wayland
