#include "platform/x11/X11CardWindow.h"

#include <QAccessible>
#include <QBackingStore>
#include <QPainter>
#include <QWidget>

#include "core/card/CardGeometry.h"
#include "platform/x11/X11Window.h"

namespace wystrand::x11 {

bool X11CardWindow::translucent() const {
    return compositorRunning();
}

void X11CardWindow::makeNative() {
    if (native_) {
        return;
    }
    native_ = true;
    if (isActive()) {
        markAsNotification(card_.winId());
        if (blur_) {
            setBlurBehind(card_.winId(), *blur_);
        }
    }
}

void X11CardWindow::mapAhead() {
    makeNative();
    // Mapped now, where it cannot be seen, so that a card's show does not wait for Qt's map,
    // which waits for the X server twice. With a screen reader listening, the map waits for the
    // card instead, so that the window is announced once, with its card in it.
    if (!QAccessible::isActive()) {
        card_.setWindowOpacity(0.0);
        card_.show();
    }
    // Its pixels made and touched too: a fresh shared-memory image takes its pages one fault at
    // a time at the first paint. At the tallest card's size they serve every mode.
    QBackingStore* store = card_.backingStore();
    if (store == nullptr) {
        return;
    }
    const QRect all(0, 0, cardWidth, tallestCardHeight);
    store->resize(all.size());
    store->beginPaint(all);
    if (QPaintDevice* device = store->paintDevice()) {
        QPainter painter(device);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(all, Qt::transparent);
    }
    store->endPaint();
}

void X11CardWindow::show(QPoint at, double opacity) {
    makeNative();
    card_.move(at);
    card_.setWindowOpacity(opacity);
    if (!card_.isVisible()) {
        card_.show();
    } else if (QAccessible::isActive()) {
        // Mapped before a screen reader came: it hears of the card now.
        QAccessibleEvent shown(&card_, QAccessible::ObjectShow);
        QAccessible::updateAccessibility(&shown);
    }
    card_.raise();
}

void X11CardWindow::move(QPoint to) {
    card_.move(to);
}

void X11CardWindow::setOpacity(double opacity) {
    card_.setWindowOpacity(opacity);
}

void X11CardWindow::blurBehind(const QRect& region) {
    blur_ = region;
    if (native_ && isActive()) {
        setBlurBehind(card_.winId(), region);
    }
}

void X11CardWindow::raise() {
    card_.raise();
}

}  // namespace wystrand::x11
