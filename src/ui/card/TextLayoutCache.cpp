#include "ui/card/TextLayoutCache.h"

#include <QFontMetrics>

namespace wystrand {

namespace {

// Wide enough for any single line.
constexpr qreal unboundedWidth = 1e6;

}  // namespace

const TextLines& TextLayoutCache::natural(const QString& text, const QFont& font) {
    if (text != text_ || font != font_) {
        text_ = text;
        font_ = font;
        byWidth_.clear();
        natural_.reset();
    }
    if (!natural_) {
        natural_ = shaped(unboundedWidth);
    }
    return *natural_;
}

const std::vector<TextLines::Line>& TextLayoutCache::lines(const QString& text, const QFont& font,
                                                           int width) {
    if (const TextLines& whole = natural(text, font); !whole.cut && width >= whole.naturalWidth) {
        return whole.lines;
    }
    return byWidth_.get(width, [&] { return shaped(width).lines; });
}

TextLines TextLayoutCache::shaped(qreal width) const {
    // A card has up to four labels; a few cards' worth.
    static RecentlyUsed<std::tuple<QString, QFont, int, qreal>, TextLines, 32> shapedTexts;
    return shapedTexts.get({text_, font_, maxLines_, width},
                           [&] { return shape_(text_, font_, maxLines_, width); });
}

QSize singleLineSize(const QString& text, const QFont& font, int flags) {
    static RecentlyUsed<std::tuple<QString, QFont, int>, QSize, 16> measured;
    return measured.get({text, font, flags}, [&] {
        const QFontMetrics metrics(font);
        return QSize(metrics.size(flags, text).width(), metrics.height());
    });
}

}  // namespace wystrand
