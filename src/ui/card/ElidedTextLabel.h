#pragma once

#include <QFont>
#include <QLabel>
#include <QStringList>
#include <optional>
#include <vector>

#include "ui/card/RecentlyUsed.h"

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
    struct Line {
        QString text;
        qreal ascent = 0;
        qreal height = 0;
    };
    struct LaidOut {
        std::vector<Line> lines;
        int naturalWidth = 0;  // of the widest line, rounded up
        bool cut = false;      // the last allowed line ends with an ellipsis
    };
    // Laid out once per width: the layout system asks for the same widths again and again, and
    // each paint too. Text and font are compared at every call, so a change cannot go stale.
    const std::vector<Line>& lines(int width) const;
    // The text unwrapped: its natural size, and its lines at any width at least as wide.
    const LaidOut& natural() const;
    void dropStaleLayouts() const;
    // The text's lines at `width`, from the layouts kept for every label or newly shaped.
    LaidOut layoutLines(qreal width) const;
    LaidOut shapeLines(qreal width) const;
    int marginsHeight() const;
    int marginsWidth() const;

    int maxLines_;
    mutable QString laidOutText_;
    mutable QFont laidOutFont_;
    mutable std::optional<LaidOut> natural_;
    // By width: a card asks for two or three; a resized label for more, of which the last few
    // are kept.
    mutable RecentlyUsed<int, std::vector<Line>, 4> layouts_;
};

}  // namespace wystrand
