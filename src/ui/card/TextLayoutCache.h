#pragma once

#include <QFont>
#include <QSize>
#include <QString>
#include <QtGlobal>
#include <optional>
#include <tuple>
#include <vector>

#include "ui/card/RecentlyUsed.h"

// Text layout caches: cards come and go with the same few texts (a reminder's title and message,
// its eyebrow, its buttons), and shaping a text is most of the time a card takes to lay itself
// out, so a text once shaped is found again rather than shaped anew. Main thread only.
namespace wystrand {

// A text broken into the lines a label draws.
struct TextLines {
    struct Line {
        QString text;
        qreal ascent = 0;
        qreal height = 0;
    };
    std::vector<Line> lines;
    int naturalWidth = 0;  // of the widest line, rounded up
    bool cut = false;      // the last allowed line ends with an ellipsis
};

// The lines of one label's text at any width. Guarantees that each text, font, line limit and
// width is shaped once among the last 32 that any label asked for, that a label asking again
// for one of its last 4 widths is answered without a lookup, and that a text that fits
// unwrapped keeps its natural lines at every wider width. Given a new text or font, the label's
// own widths are forgotten, so nothing it is answered can be stale.
class TextLayoutCache {
public:
    // Breaks `text` into its lines in `width`, at most `maxLines` of them (0: no limit).
    using Shape = TextLines (*)(const QString& text, const QFont& font, int maxLines, qreal width);

    TextLayoutCache(int maxLines, Shape shape) : maxLines_(maxLines), shape_(shape) {}

    // The text unwrapped: its natural width, and its lines at any width at least as wide.
    const TextLines& natural(const QString& text, const QFont& font);
    const std::vector<TextLines::Line>& lines(const QString& text, const QFont& font, int width);

private:
    TextLines shaped(qreal width) const;

    int maxLines_;
    Shape shape_;
    QString text_;
    QFont font_;
    std::optional<TextLines> natural_;
    RecentlyUsed<int, std::vector<TextLines::Line>, 4> byWidth_;
};

// The size of one line of `text` as drawn with `flags`, measured once among the last 16 asked:
// every card measures the same few button labels, and measuring one shapes it.
QSize singleLineSize(const QString& text, const QFont& font, int flags);

}  // namespace wystrand
