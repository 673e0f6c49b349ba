#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QProcess>
#include <QTest>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "support/EventLoop.h"
#include "ui/card/NotifyView.h"
#include "ui/card/PlainButton.h"
#include "ui/panels/NotifyPanel.h"
#include "ui/panels/WindowManager.h"

namespace wystrand {
namespace {

using namespace std::chrono_literals;
using test::waitUntil;

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

xcb_connection_t* connection() {
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

xcb_atom_t atom(const char* name) {
    xcb_connection_t* c = connection();
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : 0;
}

std::vector<xcb_atom_t> atomList(xcb_window_t window, const char* property) {
    xcb_connection_t* c = connection();
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, atom(property), XCB_ATOM_ATOM, 0, 64), nullptr));
    if (!reply || reply->format != 32) {
        return {};
    }
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
    return {atoms, atoms + xcb_get_property_value_length(reply.get()) / 4};
}

// Where the X server has the window, in root coordinates.
QRect serverFrame(xcb_window_t window) {
    xcb_connection_t* c = connection();
    Reply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
    if (!geometry) {
        return {};
    }
    Reply<xcb_translate_coordinates_reply_t> origin(xcb_translate_coordinates_reply(
        c, xcb_translate_coordinates(c, window, geometry->root, 0, 0), nullptr));
    return {origin->dst_x, origin->dst_y, geometry->width, geometry->height};
}

xcb_window_t inputFocus() {
    xcb_connection_t* c = connection();
    Reply<xcb_get_input_focus_reply_t> reply(
        xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    return reply ? reply->focus : 0;
}

ShowConfig alertCard(const QString& id) {
    ShowConfig c;
    c.id = id;
    c.mode = NotifyMode::alert;
    c.notifyType = "info";
    c.title = "Eye break";
    c.message = "Look away";
    c.primary = "Take a break";
    c.secondary = "Later";
    c.duration = 90;
    return c;
}

class X11PanelTest : public testing::Test {
protected:
    void TearDown() override {
        manager.reset();
        test::drainEvents();
    }
    NotifyPanel* showAlert(const QString& id) {
        manager->show(alertCard(id), nullptr,
                      [this](std::int64_t code) { results.push_back(code); });
        NotifyPanel* panel = manager->panel(id);
        const QPoint resting = panel->targetFrame().topLeft();
        EXPECT_TRUE(waitUntil([&] { return panel->pos() == resting; }));
        return panel;
    }

    std::unique_ptr<WindowManager> manager =
        std::make_unique<WindowManager>(PanelTiming{30ms, 30ms, 30ms, 1000ms});
    std::vector<std::int64_t> results;
};

TEST_F(X11PanelTest, CardIsAnUnmanagedNotificationAtTheReferenceFrame) {
    ASSERT_EQ(QGuiApplication::platformName(), "xcb");
    NotifyPanel* panel = showAlert("a");
    const auto window = static_cast<xcb_window_t>(panel->winId());

    xcb_connection_t* c = connection();
    Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
    ASSERT_TRUE(attributes);
    EXPECT_TRUE(attributes->override_redirect);
    EXPECT_EQ(attributes->map_state, XCB_MAP_STATE_VIEWABLE);

    EXPECT_EQ(atomList(window, "_NET_WM_WINDOW_TYPE"),
              std::vector<xcb_atom_t>{atom("_NET_WM_WINDOW_TYPE_NOTIFICATION")});
    const std::vector<xcb_atom_t> states = atomList(window, "_NET_WM_STATE");
    for (const char* state : {"_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER",
                              "_NET_WM_STATE_ABOVE", "_NET_WM_STATE_STICKY"}) {
        EXPECT_NE(std::find(states.begin(), states.end(), atom(state)), states.end()) << state;
    }
    EXPECT_EQ(serverFrame(window), QRect(1108, 8, 320, 128));
}

TEST_F(X11PanelTest, ClickOnThePrimaryButtonReportsZeroWithoutFocus) {
    NotifyPanel* first = showAlert("a");
    NotifyPanel* panel = showAlert("b");
    EXPECT_EQ(serverFrame(static_cast<xcb_window_t>(panel->winId())), QRect(1108, 144, 320, 128));
    const xcb_window_t focusBefore = inputFocus();

    auto* primary = panel->view()->findChild<PlainButton*>("primary");
    ASSERT_NE(primary, nullptr);
    const QPoint target = primary->mapToGlobal(primary->rect().center());
    QProcess xdotool;
    xdotool.start("xdotool", {"mousemove", "--sync", QString::number(target.x()),
                              QString::number(target.y()), "click", "1"});
    ASSERT_TRUE(waitUntil([&] { return !results.empty(); }))
        << "xdotool: " << xdotool.readAllStandardError().toStdString();
    EXPECT_EQ(results, std::vector<std::int64_t>{0});
    xdotool.waitForFinished();

    EXPECT_EQ(inputFocus(), focusBefore);
    EXPECT_EQ(QGuiApplication::focusWindow(), nullptr);
    EXPECT_TRUE(first->isVisible());
    EXPECT_TRUE(waitUntil([&] { return first->pos() == QPoint(1108, 8); }));
}

TEST_F(X11PanelTest, TranslucentOnlyWhileACompositorRuns) {
    // Stand in for a compositing manager: own its selection on screen 0.
    xcb_connection_t* c = connection();
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t owner = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, owner, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_set_selection_owner(c, owner, atom("_NET_WM_CM_S0"), XCB_CURRENT_TIME);
    xcb_flush(c);
    {
        NotifyPanel composited(alertCard("c"), nullptr);
        EXPECT_TRUE(composited.testAttribute(Qt::WA_TranslucentBackground));
        EXPECT_TRUE(composited.mask().isEmpty());
    }
    xcb_destroy_window(c, owner);
    xcb_flush(c);
    NotifyPanel shaped(alertCard("s"), nullptr);
    EXPECT_FALSE(shaped.testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_FALSE(shaped.mask().isEmpty());
}

}  // namespace
}  // namespace wystrand
