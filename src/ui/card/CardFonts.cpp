#include "ui/card/CardFonts.h"

#include <QFontMetrics>
#include <QStringList>
#include <map>
#include <utility>

namespace wystrand {

namespace {

// Loads the engine the font draws with, which the font then holds.
QFont loaded(QFont font) {
    (void)QFontMetrics(font).height();
    return font;
}

// The fonts made from one base font. A new base (the desktop's font changed) replaces them;
// comparing fonts costs less than describing one as text for a key.
struct Kept {
    QFont base;
    std::map<std::pair<int, int>, QFont> fonts;
};

const QFont& keep(Kept& kept, const QFont& base, int pixelSize, int weight, const auto& make) {
    if (kept.fonts.empty() || kept.base != base) {
        kept.base = base;
        kept.fonts.clear();
    }
    const auto key = std::make_pair(pixelSize, weight);
    auto it = kept.fonts.find(key);
    if (it == kept.fonts.end()) {
        it = kept.fonts.emplace(key, loaded(make())).first;
    }
    return it->second;
}

}  // namespace

QFont cardFont(int pixelSize, QFont::Weight weight, QFontDatabase::SystemFont kind) {
    static std::map<QFontDatabase::SystemFont, Kept> byKind;
    const QFont base = QFontDatabase::systemFont(kind);
    return keep(byKind[kind], base, pixelSize, weight, [&] {
        QFont font = base;
        font.setPixelSize(pixelSize);
        font.setWeight(weight);
        return font;
    });
}

QFont glyphFont(const QFont& base, int pixelSize) {
    static Kept kept;
    return keep(kept, base, pixelSize, 0, [&] {
        // Without the colour font first, U+2139 U+FE0F falls to a black-and-white glyph.
        QFont font = base;
        font.setFamilies({QStringLiteral("Noto Color Emoji"), base.family()});
        font.setPixelSize(pixelSize);
        return font;
    });
}

}  // namespace wystrand
