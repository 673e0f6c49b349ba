#include "core/message/Theme.h"

#include "core/message/NotifyTypes.h"

namespace wystrand {

QString typeEmoji(const QString& type) {
    return NotifyType::named(type).glyph.toString();
}

VariantTheme VariantTheme::get(const QString& variant) {
    return NotifyVariant::named(variant).theme;
}

}  // namespace wystrand
