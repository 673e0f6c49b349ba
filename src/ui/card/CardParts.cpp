#include "ui/card/CardParts.h"

#include <QAccessible>
#include <QFont>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QStringList>
#include <algorithm>
#include <cmath>

#include "core/card/CardGeometry.h"
#include "ui/card/CardFonts.h"

namespace wystrand {

namespace {

constexpr int tileSize = 32;
constexpr qreal tileRadius = 8;
constexpr int glyphPixelSize = 17;
constexpr int barHeight = 3;

void fillCapsule(QPainter& painter, const QRectF& rect, const QColor& color) {
    const qreal radius = rect.height() / 2;
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    painter.fillPath(path, color);
}

}  // namespace

GlyphTile::GlyphTile(const QString& glyph, const QColor& background, QWidget* parent)
    : QWidget(parent), glyph_(glyph), background_(background) {
    setFixedSize(tileSize, tileSize);
    setFont(glyphFont(font(), glyphPixelSize));
}

void GlyphTile::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QPainterPath tile;
    tile.addRoundedRect(QRectF(rect()), tileRadius, tileRadius);
    painter.setClipPath(tile);
    painter.fillPath(tile, background_);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, glyph_);
}

CapsuleFrame::CapsuleFrame(QWidget* child, const QColor& fill, QMargins padding, QWidget* parent)
    : QWidget(parent), fill_(fill) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(padding);
    layout->setSpacing(0);
    layout->addWidget(child);
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
}

void CapsuleFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    fillCapsule(painter, QRectF(rect()), fill_);
}

CountdownBar::CountdownBar(const QColor& accent, QWidget* parent)
    : QWidget(parent), accent_(accent) {
    setFixedHeight(barHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(&step_, &QTimer::timeout, this, &CountdownBar::advance);
}

QSize CountdownBar::sizeHint() const {
    return {0, barHeight};
}

void CountdownBar::animateTo(double target, int milliseconds) {
    step_.stop();
    if (milliseconds <= 0) {
        setFraction(target);
        return;
    }
    from_ = fraction_;
    to_ = target;
    length_ = milliseconds;
    clock_.start();
    // One step per pixel the fill moves rather than one per animation frame: a 20-second bar
    // moves about 15 px a second. Before the first layout the card's bar width stands in.
    const int span = width() > 0 ? width() : cardWidth;
    const double pixels = std::max(1.0, std::abs(to_ - from_) * span);
    step_.setInterval(std::clamp(static_cast<int>(milliseconds / pixels), 16, 250));
    step_.start();
}

void CountdownBar::advance() {
    const double t = std::min(1.0, static_cast<double>(clock_.elapsed()) / length_);
    setFraction(from_ + (to_ - from_) * t);
    if (t >= 1.0) {
        step_.stop();
    }
}

int CountdownBar::percent() const {
    return static_cast<int>(std::lround(std::clamp(fraction_, 0.0, 1.0) * 100));
}

void CountdownBar::setFraction(double fraction) {
    fraction_ = fraction;
    update();
    // Assistive technology hears whole percents, not every pixel of the fill.
    if (QAccessible::isActive() && percent() != announcedPercent_) {
        announcedPercent_ = percent();
        QAccessibleValueChangeEvent event(this, announcedPercent_);
        QAccessible::updateAccessibility(&event);
    }
}

void CountdownBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor track = accent_;
    track.setAlphaF(track.alphaF() * 0.12);
    const QRectF whole(rect());
    fillCapsule(painter, whole, track);
    const qreal fill = whole.width() * std::clamp(fraction_, 0.0, 1.0);
    if (fill > 0) {
        fillCapsule(painter, QRectF(whole.left(), whole.top(), fill, whole.height()), accent_);
    }
}

Divider::Divider(const QColor& color, QWidget* parent) : QWidget(parent), color_(color) {
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void Divider::setColor(const QColor& color) {
    color_ = color;
    update();
}

void Divider::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(contentsRect(), color_);
}

}  // namespace wystrand
