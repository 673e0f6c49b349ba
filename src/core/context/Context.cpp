#include "core/context/Context.h"

#include <QStringList>

namespace wystrand {

QString Context::causes() const {
    QStringList held;
    if (doNotDisturb) {
        held << QStringLiteral("do-not-disturb");
    }
    if (fullscreen) {
        held << QStringLiteral("fullscreen");
    }
    if (inhibited) {
        held << QStringLiteral("inhibited");
    }
    return held.join(u',');
}

}  // namespace wystrand
