#include <QApplication>
#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QMetaObject>
#include <QString>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <span>

#include "app/BackendChoice.h"
#include "app/CliArg.h"
#include "core/panels/HoldingStack.h"
#include "link/SocketDaemon.h"
#include "platform/commands/BusCommands.h"
#include "platform/context/ContextMonitor.h"
#include "platform/portal/DesktopSettings.h"
#include "platform/session/SessionEvents.h"
#include "platform/wayland/WaylandClient.h"
#include "ui/panels/WindowManager.h"

namespace {

using namespace wystrand;

// The usage line is the agent's only output; Qt's diagnostics are dropped. A fatal one (no
// display to open) ends the process quietly instead of aborting with a message.
void dropMessage(QtMsgType type, const QMessageLogContext&, const QString&) {
    if (type == QtFatalMsg) {
        std::_Exit(1);
    }
}

// Layer surfaces where the compositor has them, else X11 (XWayland on a Wayland desktop).
// False: no display at all.
bool selectBackend() {
    switch (chooseBackend(qgetenv("QT_QPA_PLATFORM").toStdString(),
                          !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"),
                          !qEnvironmentVariableIsEmpty("DISPLAY"), wayland::offersLayerShell)) {
        case Backend::layerShell:
            qputenv("QT_QPA_PLATFORM", "offscreen");
            wayland::chooseLayerShell();
            return true;
        case Backend::x11:
            qputenv("QT_QPA_PLATFORM", "xcb");
            return true;
        case Backend::asConfigured:
            return true;
        case Backend::none:
            return false;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    const auto socketPath = cliArg(std::span<const char* const>(argv, argc), "--pipe");
    if (!socketPath) {
        std::fputs("wystrand-notify: --pipe <socket-path> is required\n", stderr);
        return 1;
    }

    qInstallMessageHandler(dropMessage);
    if (!selectBackend()) {
        return 1;
    }
    // Qt acts on options of its own (-platform, -display, -reverse...); the agent ignores every
    // argument but --pipe, so the application object is given the program name alone.
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QApplication app(qtArgc, qtArgv);
    QApplication::setQuitOnLastWindowClosed(false);
    QCoreApplication::setQuitLockEnabled(false);

    const QString path = QFile::decodeName(QByteArray::fromStdString(*socketPath));
    QMetaObject::invokeMethod(
        &app,
        [path] {
            // Never deleted: they live as long as the process, which ends by being killed.
            auto* windowManager = new WindowManager();
            auto* desktop = new DesktopSettings(windowManager);
            auto* context = new ContextMonitor(windowManager);
            // Cards that may wait for the person wait here, in front of those on screen.
            auto* cards = new HoldingStack(*windowManager, *context);
            auto* socketDaemon = new SocketDaemon(path, *cards);
            socketDaemon->followContext(*context);
            // A watching controller hears "free" and "back" before the "ready" of held cards.
            const auto contextChanged = [cards, socketDaemon] {
                socketDaemon->contextChanged();
                cards->contextChanged();
            };
            QObject::connect(context, &ContextMonitor::changed, socketDaemon, contextChanged);
            QObject::connect(context, &ContextMonitor::settledNow, socketDaemon, contextChanged);
            socketDaemon->start();
            auto* sessionEvents = new SessionEvents([cards, context] {
                cards->dismissAll();
                context->screenLocked();
            });
            sessionEvents->start();
            (new BusCommands(*windowManager, windowManager))->start();
            QObject::connect(desktop, &DesktopSettings::colorSchemeChanged, windowManager,
                             &WindowManager::setColorScheme);
            QObject::connect(desktop, &DesktopSettings::reducedMotionChanged, windowManager,
                             &WindowManager::setReducedMotion);
            desktop->start();
            context->start();
        },
        Qt::QueuedConnection);

    return app.exec();
}
