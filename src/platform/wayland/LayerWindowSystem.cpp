#include "platform/wayland/LayerWindowSystem.h"

#include <utility>

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

bool LayerWindowSystem::lendKeyboard(QWidget& card) {
    const auto it = windows_.find(&card);
    if (it == windows_.end() || !it->second->askKeyboard(true)) {
        return false;
    }
    if (keyboard_ != nullptr && keyboard_ != it->second) {
        keyboard_->askKeyboard(false);
    }
    keyboard_ = it->second;
    return true;
}

void LayerWindowSystem::returnKeyboard() {
    if (keyboard_ != nullptr) {
        std::exchange(keyboard_, nullptr)->askKeyboard(false);
    }
}

void LayerWindowSystem::remove(const QWidget& card) {
    const auto it = windows_.find(&card);
    if (it != windows_.end()) {
        if (keyboard_ == it->second) {
            keyboard_ = nullptr;
        }
        windows_.erase(it);
    }
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
