#include "core/message/Theme.h"

#include <QLatin1String>

namespace wystrand {

QString typeEmoji(const QString& type) {
    if (type == QLatin1String("sitting")) {
        return QStringLiteral(u"\U0001F6B6");
    }
    if (type == QLatin1String("stress")) {
        return QStringLiteral(u"\U0001F32C");
    }
    if (type == QLatin1String("exercise")) {
        return QStringLiteral(u"\U0001F4AA");
    }
    if (type == QLatin1String("app_feedback")) {
        return QStringLiteral(u"\U0001F9E0");
    }
    if (type == QLatin1String("info")) {
        return QStringLiteral(u"\u2139\uFE0F");
    }
    if (type == QLatin1String("morning_energy")) {
        return QStringLiteral(u"\U0001F343");
    }
    if (type == QLatin1String("water")) {
        return QStringLiteral(u"\U0001F4A7");
    }
    return QStringLiteral(u"\U0001F441");
}

VariantTheme VariantTheme::get(const QString& variant) {
    if (variant == QLatin1String("warning")) {
        return {{0.9, 0.3, 0.1, 1.0}, {1.0, 0.88, 0.78, 1.0}};
    }
    if (variant == QLatin1String("achievement")) {
        return {{0.52, 0.18, 0.86, 1.0}, {0.94, 0.88, 1.0, 1.0}};
    }
    if (variant == QLatin1String("smart_suggestion")) {
        return {{0.28, 0.56, 0.92, 1.0}, {0.88, 0.93, 1.0, 1.0}};
    }
    return {{0.08, 0.6, 0.27, 1.0}, {0.84, 0.97, 0.88, 1.0}};
}

}  // namespace wystrand
