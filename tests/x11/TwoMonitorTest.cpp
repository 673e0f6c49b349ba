// Cards on a desk of two monitors: one Xvfb root of 2880x875 cut into two RandR monitors,
// which Qt reports as two screens. No window manager: the test names the active window itself.
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QScreen>
#include <QStandardPaths>
#include <ostream>
#include <string>

#include "support/Cards.h"
#include "support/PrivateServers.h"
#include "support/Processes.h"
#include "support/TestMain.h"
#include "support/Wait.h"
#include "ui/panels/NotifyPanel.h"
#include "ui/panels/WindowManager.h"

void PrintTo(const QRect& r, std::ostream* os) {
    *os << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
}

namespace wystrand {
namespace {

using namespace std::chrono_literals;
using test::card;
using test::waitUntil;

std::string skipReason;  // set when the desk could not be built

bool xrandr(const QStringList& args) {
    return test::run(QStringList{"xrandr"} + args, {}).status == 0;
}

// L: 1440x875 at the left, primary. R: 1280x720 to its right, 100 px lower; nothing covers
// the root beyond x 2720 or above R.
bool buildDesk() {
    return xrandr({"--setmonitor", "*L", "1440/380x875/230+0+0", "screen"}) &&
           xrandr({"--setmonitor", "R", "1280/340x720/190+1440+100", "none"});
}
constexpr int onL = 1440 - 12 - 320;
constexpr int onR = 2720 - 12 - 320;

}  // namespace

// The desk is built before the application connects, so Qt starts with both screens. Without
// it the tests skip, on the offscreen platform.
void test::beforeApplication() {
    static test::XvfbServer xvfb("2880x875x24");
    const bool xrandrThere = !QStandardPaths::findExecutable("xrandr").isEmpty();
    qputenv("DISPLAY", xrandrThere ? xvfb.start().c_str() : "");
    skipReason = qgetenv("DISPLAY").isEmpty()
                     ? "needs Xvfb and xrandr (scripts/deps test installs them)"
                 : !buildDesk() ? "xrandr could not split the screen into two monitors"
                                : "";
    qputenv("QT_QPA_PLATFORM", skipReason.empty() ? "xcb" : "offscreen");
}

namespace {

struct TwoMonitorTest : testing::Test, test::CardStack {
    void SetUp() override {
        if (!skipReason.empty()) {
            GTEST_SKIP() << skipReason;
        }
        ASSERT_TRUE(waitUntil([] { return QGuiApplication::screens().size() == 2; }));
        c = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
        root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    }
    QRect show(const QString& id) {
        const NotifyPanel* panel = CardStack::show(id, NotifyMode::alert);
        return panel != nullptr ? panel->targetFrame() : QRect();
    }
    // On the connection that the cards ask, so the move comes first.
    void pointTo(int x, int y) {
        xcb_warp_pointer(c, XCB_WINDOW_NONE, root, 0, 0, 0, 0, x, y);
        xcb_flush(c);
    }
    void setActive(xcb_window_t w) {
        auto* atom =
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 18, "_NET_ACTIVE_WINDOW"), nullptr);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, root, atom->atom, XCB_ATOM_WINDOW, 32, 1, &w);
        xcb_flush(c);
        std::free(atom);
    }

    xcb_connection_t* c = nullptr;
    xcb_window_t root = 0;
};

TEST_F(TwoMonitorTest, ActiveWindowElsePointerElsePrimary) {
    // Mostly on R, while the pointer rests on L.
    const xcb_window_t w = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, root, 1300, 200, 800, 300, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_map_window(c, w);
    setActive(w);
    pointTo(100, 100);
    EXPECT_EQ(show("a"), QRect(onR, 108, 320, 128));

    xcb_unmap_window(c, w);
    setActive(w);
    EXPECT_EQ(show("b"), QRect(onL, 144, 320, 128)) << "an unmapped window does not count";

    xcb_destroy_window(c, w);
    setActive(w);
    pointTo(2000, 500);
    EXPECT_EQ(show("c").x(), onR) << "a window that is gone does not count";

    setActive(XCB_WINDOW_NONE);
    pointTo(2800, 50);
    EXPECT_EQ(show("d").x(), onL) << "on no screen: the primary";

    // Each card keeps its x; the column's tops come from the screen of the moment.
    pointTo(2000, 500);
    manager->dismiss("a");
    ASSERT_TRUE(waitUntil([&] { return results.size() == 1; }));
    EXPECT_EQ(manager->panel("b")->targetFrame(), QRect(onL, 108, 320, 128));
    EXPECT_EQ(manager->panel("d")->targetFrame(), QRect(onL, 380, 320, 128));
}

TEST_F(TwoMonitorTest, MonitorsThatComeAndGoLoseNoResult) {
    const auto monitors = [](qsizetype n, const char* primary) {
        return waitUntil([=] {
            return QGuiApplication::screens().size() == n &&
                   QGuiApplication::primaryScreen()->name() == QLatin1String(primary);
        });
    };
    pointTo(2000, 500);
    EXPECT_EQ(show("r1").x(), onR);
    show("r2");
    // R comes back as the primary, then is unplugged: L is left and is the primary again.
    ASSERT_TRUE(xrandr({"--delmonitor", "R"}));
    ASSERT_TRUE(xrandr({"--setmonitor", "*R", "1280/340x720/190+1440+100", "none"}));
    ASSERT_TRUE(monitors(2, "R"));
    ASSERT_TRUE(xrandr({"--delmonitor", "R"}));
    ASSERT_TRUE(monitors(1, "L"));
    manager->dismiss("r1");
    ASSERT_TRUE(waitUntil([&] { return results.size() == 1; }));
    EXPECT_EQ(manager->panel("r2")->targetFrame(), QRect(onR, 8, 320, 128)) << "keeps its x";
    EXPECT_EQ(show("l").x(), onL) << "the pointer is on no screen now";

    // Replugged at another resolution.
    ASSERT_TRUE(xrandr({"--setmonitor", "R", "1024/270x768/200+1440+0", "none"}));
    ASSERT_TRUE(monitors(2, "L"));
    EXPECT_EQ(show("n").x(), 1440 + 1024 - 332);

    manager->dismissAll();
    ASSERT_TRUE(waitUntil([&] { return results.size() == 4; }));
    for (const auto& [id, code] : results) {
        EXPECT_EQ(code, 2) << id.toStdString();
    }
    ASSERT_TRUE(xrandr({"--delmonitor", "R"}) && xrandr({"--delmonitor", "L"}) && buildDesk());
}

}  // namespace
}  // namespace wystrand
