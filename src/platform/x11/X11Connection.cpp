#include "platform/x11/X11Connection.h"

#include <QByteArray>
#include <QGuiApplication>
#include <cstring>

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

xcb_window_t rootWindow(xcb_connection_t* c) {
    int number = screenNumber();
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (; it.rem > 0 && number > 0; --number) {
        xcb_screen_next(&it);
    }
    return it.rem > 0 ? it.data->root : static_cast<xcb_window_t>(XCB_WINDOW_NONE);
}

xcb_window_t windowIn(const xcb_get_property_reply_t* reply) {
    if (reply == nullptr || reply->type != XCB_ATOM_WINDOW || reply->format != 32 ||
        xcb_get_property_value_length(reply) < 4) {
        return XCB_WINDOW_NONE;
    }
    xcb_window_t window = XCB_WINDOW_NONE;
    std::memcpy(&window, xcb_get_property_value(reply), sizeof window);
    return window;
}

}  // namespace wystrand::x11
