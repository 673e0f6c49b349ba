#pragma once

#include <QFont>
#include <QFontDatabase>

namespace wystrand {

// The fonts a card draws with, made once per size and weight and kept with their font engines
// loaded. Qt frees an engine as soon as no font holds it, so without these every card would
// match and open its fonts again (fontconfig, FreeType and the colour emoji font), the costliest
// step of building a card. A change of the desktop's font is followed.
QFont cardFont(int pixelSize, QFont::Weight weight,
               QFontDatabase::SystemFont kind = QFontDatabase::GeneralFont);

// The type glyph's font: the colour emoji font first, `base` behind it.
QFont glyphFont(const QFont& base, int pixelSize);

}  // namespace wystrand
