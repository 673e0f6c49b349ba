#include "ui/card/CardFonts.h"

#include <QFontMetrics>
#include <QStringList>
#include <map>
#include <tuple>

namespace wystrand {

namespace {

struct Kept {
    QFont base;  // what it was made from
    QFont font;
};

// Loads the engine the font draws with, which the font then holds.
QFont loaded(QFont font) {
    (void)QFontMetrics(font).height();
    return font;
}

const QFont& keep(std::map<std::tuple<int, int, QString>, Kept>& fonts, const QFont& base,
                  int pixelSize, int weight, const auto& make) {
    const auto key = std::make_tuple(pixelSize, weight, base.key());
    auto it = fonts.find(key);
    if (it == fonts.end() || it->second.base != base) {
        it = fonts.insert_or_assign(key, Kept{base, loaded(make())}).first;
    }
    return it->second.font;
}

}  // namespace

QFont cardFont(int pixelSize, QFont::Weight weight, QFontDatabase::SystemFont kind) {
    static std::map<std::tuple<int, int, QString>, Kept> fonts;
    const QFont base = QFontDatabase::systemFont(kind);
    return keep(fonts, base, pixelSize, weight, [&] {
        QFont font = base;
        font.setPixelSize(pixelSize);
        font.setWeight(weight);
        return font;
    });
}

QFont glyphFont(const QFont& base, int pixelSize) {
    static std::map<std::tuple<int, int, QString>, Kept> fonts;
    return keep(fonts, base, pixelSize, 0, [&] {
        // Without the colour font first, U+2139 U+FE0F falls to a black-and-white glyph.
        QFont font = base;
        font.setFamilies({QStringLiteral("Noto Color Emoji"), base.family()});
        font.setPixelSize(pixelSize);
        return font;
    });
}

}  // namespace wystrand
