#include "platform/x11/X11Connection.h"

#include <QByteArray>
#include <QGuiApplication>

namespace wystrand::x11 {

xcb_connection_t* connection() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        return nullptr;
    }
    auto* app = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return app ? app->connection() : nullptr;
}

int screenNumber() {
    const QByteArray display = qgetenv("DISPLAY");
    const int colon = display.lastIndexOf(':');
    const int dot = display.indexOf('.', colon < 0 ? 0 : colon);
    if (dot < 0) {
        return 0;
    }
    bool ok = false;
    const int n = display.mid(dot + 1).toInt(&ok);
    return ok && n >= 0 ? n : 0;
}

}  // namespace wystrand::x11
