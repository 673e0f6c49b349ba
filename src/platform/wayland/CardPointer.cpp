#include "platform/wayland/CardPointer.h"

#include <QCoreApplication>
#include <QMouseEvent>

namespace wystrand::wayland {

void CardPointer::moved(QPointF at) {
    at_ = at;
    if (grab_) {
        QMouseEvent move(QEvent::MouseMove, grab_->mapFrom(&card_, at), at, card_.mapToGlobal(at),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(grab_, &move);
    }
}

void CardPointer::button(Qt::MouseButton button, bool pressed) {
    if (pressed && !grab_) {
        QWidget* target = card_.childAt(at_.toPoint());
        grab_ = target != nullptr ? target : &card_;
    }
    QPointer<QWidget> target = grab_;
    if (!target) {
        return;
    }
    if (!pressed) {
        grab_ = nullptr;
    }
    QMouseEvent event(pressed ? QEvent::MouseButtonPress : QEvent::MouseButtonRelease,
                      target->mapFrom(&card_, at_), at_, card_.mapToGlobal(at_), button,
                      pressed ? Qt::MouseButtons(button) : Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
}

void CardPointer::left() {
    at_ = QPointF(-1, -1);
}

}  // namespace wystrand::wayland
