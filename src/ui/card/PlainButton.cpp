#include "ui/card/PlainButton.h"

#include <QFontMetrics>
#include <QPainter>

#include "ui/card/TextLayoutCache.h"

namespace wystrand {

namespace {

constexpr int textFlags = Qt::TextSingleLine | Qt::TextShowMnemonic;

}  // namespace

PlainButton::PlainButton(const QString& label, QWidget* parent) : QAbstractButton(parent) {
    QString escaped = label;
    escaped.replace(QLatin1Char('&'), QLatin1String("&&"));
    setText(escaped);
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
}

QSize PlainButton::sizeHint() const {
    return singleLineSize(text(), font(), textFlags);
}

QSize PlainButton::minimumSizeHint() const {
    return {0, QFontMetrics(font()).height()};
}

void PlainButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(font());
    // A pressed label dims, the only feedback a plain button gives.
    painter.setOpacity(isDown() ? 0.55 : 1.0);
    painter.setPen(palette().color(QPalette::ButtonText));
    const QString shown =
        QFontMetrics(font()).elidedText(text(), Qt::ElideRight, width(), textFlags);
    painter.drawText(rect(), Qt::AlignCenter | textFlags, shown);
}

}  // namespace wystrand
