#include "ui/card/ElidedTextLabel.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>
#include <QTextOption>
#include <cmath>

namespace wystrand {

namespace {

// The last allowed line of a text that goes on: as much of it as fits, then an ellipsis.
QString elideLastLine(const QString& own, QString rest, qreal width, const QFont& font) {
    const QFontMetricsF metrics(font);
    if (own.endsWith(QChar::LineSeparator)) {
        // A typed break ends the line; the text after it is cut off entirely.
        const QString ellipsis(QChar(0x2026));
        const QString kept = metrics.elidedText(own.chopped(1), Qt::ElideRight,
                                                width - metrics.horizontalAdvance(ellipsis));
        return kept.endsWith(ellipsis) ? kept : kept + ellipsis;
    }
    rest.replace(QChar::LineSeparator, QLatin1Char(' '));
    return metrics.elidedText(rest, Qt::ElideRight, width);
}

TextLines shapeLines(const QString& text, const QFont& font, int maxLines, qreal width) {
    TextLines out;
    std::vector<TextLines::Line>& lines = out.lines;
    if (text.isEmpty()) {
        return out;
    }
    // QTextLayout breaks lines only at U+2028; a typed line feed must become one.
    QString source = text;
    source.replace(QLatin1Char('\n'), QChar::LineSeparator);

    QTextLayout layout(source, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    const qreal lineWidth = std::max<qreal>(width, 1);
    qreal widest = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(lineWidth);
        widest = std::max(widest, line.naturalTextWidth());
        QString shown = source.mid(line.textStart(), line.textLength());
        const bool lastAllowed = maxLines > 0 && static_cast<int>(lines.size()) == maxLines - 1;
        if (lastAllowed && line.textStart() + line.textLength() < source.size()) {
            shown = elideLastLine(shown, source.mid(line.textStart()), lineWidth, font);
            out.cut = true;
        }
        shown.remove(QChar::LineSeparator);
        lines.push_back({shown, line.ascent(), line.height()});
        if (lastAllowed) {
            break;
        }
    }
    layout.endLayout();
    out.naturalWidth = static_cast<int>(std::ceil(widest));
    return out;
}

}  // namespace

ElidedTextLabel::ElidedTextLabel(const QString& text, int maxLines, QWidget* parent)
    : QLabel(parent), layouts_(maxLines, shapeLines) {
    setTextFormat(Qt::PlainText);
    setText(text);
    setWordWrap(true);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
}

const std::vector<TextLines::Line>& ElidedTextLabel::lines(int width) const {
    return layouts_.lines(text(), font(), width);
}

int ElidedTextLabel::marginsHeight() const {
    const QMargins m = contentsMargins();
    return m.top() + m.bottom();
}

int ElidedTextLabel::marginsWidth() const {
    const QMargins m = contentsMargins();
    return m.left() + m.right();
}

int ElidedTextLabel::heightForWidth(int width) const {
    qreal height = 0;
    for (const TextLines::Line& line : lines(width - marginsWidth())) {
        height += line.height;
    }
    return static_cast<int>(std::ceil(height)) + marginsHeight();
}

// The widest typed line, unwrapped, measured as the layout will draw it (letter spacing
// included), so that a label given this width does not wrap.
QSize ElidedTextLabel::sizeHint() const {
    const int w = layouts_.natural(text(), font()).naturalWidth + marginsWidth();
    return {w, heightForWidth(w)};
}

QSize ElidedTextLabel::minimumSizeHint() const {
    return {0, marginsHeight()};
}

QStringList ElidedTextLabel::shownLines(int width) const {
    QStringList texts;
    for (const TextLines::Line& line : lines(width)) {
        texts.append(line.text);
    }
    return texts;
}

void ElidedTextLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(foregroundRole()));
    const QRect area = contentsRect();
    qreal y = area.top();
    for (const TextLines::Line& line : lines(area.width())) {
        painter.drawText(QPointF(area.left(), y + line.ascent), line.text);
        y += line.height;
    }
}

}  // namespace wystrand
