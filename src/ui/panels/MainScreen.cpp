#include "ui/panels/MainScreen.h"

#include <QGuiApplication>
#include <QList>
#include <QScreen>
#include <QSizeF>
#include <cstdint>
#include <vector>

#include "platform/x11/X11Focus.h"

namespace wystrand {

namespace {

std::int64_t area(const QRect& r) {
    return r.isEmpty() ? 0 : std::int64_t{r.width()} * r.height();
}

// A screen's rectangle in the window system's device pixels, where the X server reports
// windows and the pointer: Qt keeps a screen's top-left corner unscaled and divides its size
// by the device pixel ratio.
QRect deviceRect(const QScreen& screen) {
    const QRect logical = screen.geometry();
    return {logical.topLeft(), (QSizeF(logical.size()) * screen.devicePixelRatio()).toSize()};
}

}  // namespace

std::optional<std::size_t> chooseScreen(std::span<const QRect> screens,
                                        const std::optional<QRect>& activeWindow,
                                        const std::optional<QPoint>& pointer) {
    if (activeWindow) {
        std::optional<std::size_t> best;
        std::int64_t most = 0;
        for (std::size_t i = 0; i < screens.size(); ++i) {
            if (const std::int64_t shared = area(screens[i].intersected(*activeWindow));
                shared > most) {
                best = i;
                most = shared;
            }
        }
        if (best) {
            return best;
        }
    }
    if (pointer) {
        for (std::size_t i = 0; i < screens.size(); ++i) {
            if (screens[i].contains(*pointer)) {
                return i;
            }
        }
    }
    return std::nullopt;
}

QScreen* mainScreen() {
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.size() > 1) {
        const x11::UserFocus focus = x11::userFocus();
        std::vector<QRect> rects;
        rects.reserve(static_cast<std::size_t>(screens.size()));
        for (const QScreen* screen : screens) {
            rects.push_back(deviceRect(*screen));
        }
        if (const auto index = chooseScreen(rects, focus.activeWindow, focus.pointer)) {
            return screens[static_cast<qsizetype>(*index)];
        }
    }
    return QGuiApplication::primaryScreen();
}

}  // namespace wystrand
