#include "platform/x11/X11WindowSystem.h"

#include <QGuiApplication>
#include <QList>
#include <QScreen>
#include <QSizeF>
#include <QWidget>
#include <cstdint>
#include <vector>

#include "core/panels/ScreenChoice.h"
#include "platform/x11/X11CardWindow.h"
#include "platform/x11/X11Focus.h"
#include "platform/x11/X11Window.h"

namespace wystrand::x11 {

namespace {

// A screen's rectangle in the window system's device pixels, where the X server reports
// windows and the pointer: Qt keeps a screen's top-left corner unscaled and divides its size
// by the device pixel ratio.
QRect deviceRect(const QScreen& screen) {
    const QRect logical = screen.geometry();
    return {logical.topLeft(), (QSizeF(logical.size()) * screen.devicePixelRatio()).toSize()};
}

const QScreen* mainScreen() {
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.size() > 1) {
        const UserFocus focus = userFocus();
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

}  // namespace

std::optional<QRect> X11WindowSystem::columnFrame(bool) {
    const QScreen* screen = mainScreen();
    if (screen == nullptr) {
        return std::nullopt;
    }
    return screen->availableGeometry();
}

std::unique_ptr<CardWindow> X11WindowSystem::createCardWindow(QWidget& card,
                                                              std::function<void()>) {
    return std::make_unique<X11CardWindow>(card);
}

bool X11WindowSystem::lendKeyboard(QWidget& card) {
    if (isActive()) {
        keyboard_.lend(static_cast<std::uint32_t>(card.winId()));
    }
    return true;
}

void X11WindowSystem::returnKeyboard() {
    keyboard_.giveBack();
}

}  // namespace wystrand::x11
