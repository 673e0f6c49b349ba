#include "platform/x11/X11CardWindow.h"

#include <QWidget>

#include "platform/x11/X11Window.h"

namespace wystrand::x11 {

bool X11CardWindow::translucent() const {
    return compositorRunning();
}

void X11CardWindow::prepare() {
    if (isActive()) {
        markAsNotification(card_.winId());
    }
}

void X11CardWindow::show(QPoint at, double opacity) {
    card_.move(at);
    card_.setWindowOpacity(opacity);
    card_.show();
    card_.raise();
}

void X11CardWindow::move(QPoint to) {
    card_.move(to);
}

void X11CardWindow::setOpacity(double opacity) {
    card_.setWindowOpacity(opacity);
}

void X11CardWindow::blurBehind(const QRect& region) {
    if (isActive()) {
        setBlurBehind(card_.winId(), region);
    }
}

void X11CardWindow::raise() {
    card_.raise();
}

}  // namespace wystrand::x11
