#include "ui/card/CardChrome.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>
#include <cmath>
#include <tuple>

#include "core/card/CardGeometry.h"
#include "ui/card/RecentlyUsed.h"

namespace wystrand {

namespace {

constexpr qreal borderWidth = 0.5;

void paintChrome(QPainter& painter, const QRectF& bounds, const QColor& background,
                 const QColor& border) {
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath card;
    card.addRoundedRect(bounds, cardCornerRadius, cardCornerRadius);
    painter.fillPath(card, background);

    const qreal inset = borderWidth / 2;
    QPainterPath edge;
    edge.addRoundedRect(bounds.adjusted(inset, inset, -inset, -inset), cardCornerRadius - inset,
                        cardCornerRadius - inset);
    painter.setPen(QPen(border, borderWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(edge);
}

// Cards of one mode and look share an image.
QImage chromeImage(QSize size, const QColor& background, const QColor& border, qreal ratio) {
    // Three modes in two looks, and a few overflowing sizes.
    static RecentlyUsed<std::tuple<QSize, QColor, QColor, qreal>, QImage, 8> made;
    return made.get({size, background, border, ratio}, [&] {
        QImage image(size * static_cast<int>(ratio), QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        paintChrome(painter, QRectF(QPointF(), size), background, border);
        painter.end();
        return image;
    });
}

}  // namespace

void paintCardChrome(QPainter& painter, const QRect& bounds, const QColor& background,
                     const QColor& border) {
    // The scale to the device's pixels: the screen's ratio, or the target image's when the card
    // is rendered into one.
    const QTransform toDevice = painter.deviceTransform();
    const qreal ratio = toDevice.m11();
    if (toDevice.type() > QTransform::TxScale || toDevice.m22() != ratio || ratio < 1 ||
        ratio != std::floor(ratio)) {
        paintChrome(painter, QRectF(bounds), background, border);
        return;
    }
    painter.drawImage(bounds.topLeft(), chromeImage(bounds.size(), background, border, ratio));
}

}  // namespace wystrand
