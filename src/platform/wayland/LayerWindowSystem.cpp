#include "platform/wayland/LayerWindowSystem.h"

#include "platform/wayland/LayerCardWindow.h"

namespace wystrand::wayland {

std::optional<QRect> LayerWindowSystem::columnFrame(bool newColumn) {
    // A card is reported on screen once placed: a compositor gone ends the agent first.
    client_.checkConnection();
    if (newColumn) {
        column_.reset();
    }
    // The column's output; before its first card has been put on one, the output the last
    // column was on (most often the one the compositor still has focused), else the oldest.
    const Outputs& outputs = client_.outputs();
    std::optional<QSize> room;
    for (const std::optional<std::uint32_t>& output : {column_, last_}) {
        if (output && !room) {
            room = outputs.room(*output);
        }
    }
    for (const std::uint32_t output : outputs.names()) {
        if (!room) {
            room = outputs.room(output);
        }
    }
    if (!room) {
        return std::nullopt;
    }
    return QRect(-room->width(), 0, room->width(), room->height());
}

std::unique_ptr<CardWindow> LayerWindowSystem::createCardWindow(QWidget& card,
                                                                std::function<void()> onLost) {
    return std::make_unique<LayerCardWindow>(*this, card, std::move(onLost));
}

wl_output* LayerWindowSystem::columnOutput() const {
    return column_ ? client_.outputs().output(*column_) : nullptr;
}

void LayerWindowSystem::cardEntered(const wl_output* output) {
    if (const auto name = client_.outputs().nameOf(output)) {
        if (!column_ || !client_.outputs().output(*column_)) {
            column_ = name;
        }
        last_ = column_;
    }
}

}  // namespace wystrand::wayland
