#include "ui/card/CardFonts.h"

#include <QFontMetrics>
#include <QStringList>
#include <map>
#include <tuple>

namespace wystrand {

namespace {

// Loads the engine the font draws with, which the font then holds.
QFont loaded(QFont font) {
    (void)QFontMetrics(font).height();
    return font;
}

// Keyed by the base font's full description too, so a new desktop font makes new fonts.
using Fonts = std::map<std::tuple<int, int, QString>, QFont>;

const QFont& keep(Fonts& fonts, const QFont& base, int pixelSize, int weight, const auto& make) {
    const auto key = std::make_tuple(pixelSize, weight, base.key());
    auto it = fonts.find(key);
    if (it == fonts.end()) {
        it = fonts.emplace(key, loaded(make())).first;
    }
    return it->second;
}

}  // namespace

QFont cardFont(int pixelSize, QFont::Weight weight, QFontDatabase::SystemFont kind) {
    static Fonts fonts;
    const QFont base = QFontDatabase::systemFont(kind);
    return keep(fonts, base, pixelSize, weight, [&] {
        QFont font = base;
        font.setPixelSize(pixelSize);
        font.setWeight(weight);
        return font;
    });
}

QFont glyphFont(const QFont& base, int pixelSize) {
    static Fonts fonts;
    return keep(fonts, base, pixelSize, 0, [&] {
        // Without the colour font first, U+2139 U+FE0F falls to a black-and-white glyph.
        QFont font = base;
        font.setFamilies({QStringLiteral("Noto Color Emoji"), base.family()});
        font.setPixelSize(pixelSize);
        return font;
    });
}

}  // namespace wystrand
