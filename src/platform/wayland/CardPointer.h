#pragma once

#include <QPointF>
#include <QPointer>
#include <QWidget>

namespace wystrand::wayland {

// The compositor's pointer over a card's surface, handed to the card's widgets as a real window
// would hand it: a press goes to the child widget under the pointer, which then keeps the pointer
// until the release. Points are in the card's coordinates.
class CardPointer {
public:
    explicit CardPointer(QWidget& card) : card_(card) {}

    void moved(QPointF at);
    void button(Qt::MouseButton button, bool pressed);
    void left();
    // The surface went: a press on it is forgotten.
    void forget() { grab_ = nullptr; }

private:
    QWidget& card_;
    QPointer<QWidget> grab_;
    QPointF at_;
};

}  // namespace wystrand::wayland
