#pragma once

#include <QLabel>
#include <QStringList>
#include <vector>

#include "ui/card/TextLayoutCache.h"

namespace wystrand {

// A plain-text label that wraps at word boundaries (or anywhere inside a word too long for a
// line) and shows at most `maxLines` lines (0: no limit), the last allowed one cut with an
// ellipsis when text remains. QLabel alone has no line limit.
class ElidedTextLabel : public QLabel {
public:
    explicit ElidedTextLabel(const QString& text, int maxLines, QWidget* parent = nullptr);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The lines as drawn in a contents width of `width`, the ellipsis included.
    QStringList shownLines(int width) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const std::vector<TextLines::Line>& lines(int width) const;
    int marginsHeight() const;
    int marginsWidth() const;

    // The layout system asks for the same widths again and again, and each paint too.
    mutable TextLayoutCache layouts_;
};

}  // namespace wystrand
