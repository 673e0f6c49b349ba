// show → card on screen, on Wayland (cards as layer surfaces on a private headless sway: the
// compositor's first frame callback for a card's picture) beside X11 (Xvfb: the card's window
// exposed). Each backend runs in a process of its own, this program started again with
// --native or --x11; the parent prints both.
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QProcess>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/wayland/FrameProbe.h"
#include "platform/wayland/WaylandClient.h"
#include "support/Cards.h"
#include "support/PrivateServers.h"
#include "support/Wait.h"
#include "support/WaylandServer.h"
#include "ui/panels/NotifyPanel.h"
#include "ui/panels/WindowManager.h"

namespace {

using namespace wystrand;
constexpr int cards = 40;

// Sets `*seen` at the first expose of the window it watches.
class ExposeWatch : public QObject {
public:
    explicit ExposeWatch(bool* seen) : seen_(seen) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Expose) {
            *seen_ = true;
        }
        return false;
    }

private:
    bool* seen_;
};

// Milliseconds from show to screen for each card, shown one at a time.
std::vector<double> measure(bool native) {
    std::vector<double> ms;
    bool onScreen = false;
    ExposeWatch watch(&onScreen);
    if (native) {
        wayland::observeCardFrames([&] { onScreen = true; });
    }
    WindowManager manager;
    for (int i = 0; i < cards; ++i) {
        const QString id = QString::number(i);
        bool ended = false;
        onScreen = false;
        QElapsedTimer clock;
        clock.start();
        manager.show(test::card(id, NotifyMode::info), nullptr, [&](CardResult) { ended = true; });
        if (!native) {
            manager.panel(id)->windowHandle()->installEventFilter(&watch);
        }
        if (!test::waitUntil([&] { return onScreen; })) {
            return {};
        }
        ms.push_back(double(clock.nsecsElapsed()) / 1e6);
        manager.dismiss(id);
        test::waitUntil([&] { return ended; });
    }
    return ms;
}

int child(bool native, int argc, char** argv) {
    if (native) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        wayland::chooseLayerShell();
    } else {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    std::vector<double> ms = measure(native);
    if (ms.empty()) {
        return 1;
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%.2f %.2f %zu\n", ms[ms.size() / 2], ms[ms.size() * 99 / 100], ms.size());
    return 0;
}

QString runChild(const char* flag, const QProcessEnvironment& env, const char* self) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(self, {flag});
    process.waitForFinished(120000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && (std::strcmp(argv[1], "--native") == 0 || std::strcmp(argv[1], "--x11") == 0)) {
        return child(std::strcmp(argv[1], "--native") == 0, argc, argv);
    }
    test::WaylandServer sway(test::WaylandServer::Kind::sway);
    test::XvfbServer xvfb;
    const std::string display = xvfb.start();
    if (!sway.start() || display.empty()) {
        std::fprintf(stderr, "bench-wayland: %s\n",
                     display.empty() ? "Xvfb did not start" : sway.why().c_str());
        return 1;
    }
    QProcessEnvironment base = QProcessEnvironment::systemEnvironment();
    base.remove("QT_QPA_PLATFORM");
    QProcessEnvironment native = base;
    native.remove("DISPLAY");
    native.insert("XDG_RUNTIME_DIR", QString::fromStdString(sway.runtimeDir()));
    native.insert("WAYLAND_DISPLAY", QString::fromStdString(sway.display()));
    QProcessEnvironment x11 = base;
    x11.remove("WAYLAND_DISPLAY");
    x11.insert("DISPLAY", QString::fromStdString(display));

    std::printf("show → card on screen, one info card at a time (median / p99 ms, cards)\n");
    std::printf("  Wayland layer surface, first frame callback (headless sway): %s\n",
                qPrintable(runChild("--native", native, argv[0])));
    std::printf("  X11 window exposed (Xvfb):                                   %s\n",
                qPrintable(runChild("--x11", x11, argv[0])));
    return 0;
}
