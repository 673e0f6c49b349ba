#pragma once

#include <QString>
#include <QStringView>

#include "core/message/Locale.h"
#include "core/message/Theme.h"

// The notification types and the variants that the agent knows by name, one row each. A card
// that leaves a text or its look to its type or variant takes it from here.
namespace wystrand {

struct NotifyVariant {
    QStringView name;
    QString LocaleStrings::*eyebrow;
    VariantTheme theme;

    // Exact, case-sensitive. Any other name gets "gentle_reminder".
    static const NotifyVariant& named(const QString& name);
    static bool exists(const QString& name);
};

struct NotifyType {
    QStringView name;
    const NotifyVariant* variant;  // when the request names none of the variants
    // The default texts, as fields of the card's LocaleStrings.
    QString LocaleStrings::*title;
    QString LocaleStrings::*message;
    QString LocaleStrings::*accept;
    QString LocaleStrings::*snooze;
    QStringView glyph;
    // An eyebrow of the type's own whatever the variant; nullptr: the variant's.
    QString LocaleStrings::*eyebrow = nullptr;

    // Exact, case-sensitive. Any other type gets the texts and glyph of "eye" but the general
    // accepting label.
    static const NotifyType& named(const QString& type);
};

}  // namespace wystrand
