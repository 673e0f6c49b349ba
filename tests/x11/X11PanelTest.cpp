#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QProcess>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "support/Cards.h"
#include "ui/card/NotifyView.h"
#include "ui/card/PlainButton.h"
#include "ui/panels/NotifyPanel.h"
#include "ui/panels/WindowManager.h"

namespace wystrand {
namespace {

using namespace std::chrono_literals;
using test::card;
using test::waitUntil;

xcb_connection_t* connection() {
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

// Takes an xcb reply, which the caller frees.
template <typename T>
std::unique_ptr<T, decltype(&std::free)> reply(T* r) {
    return {r, &std::free};
}

xcb_atom_t atom(const char* name) {
    const auto r = reply(xcb_intern_atom_reply(
        connection(), xcb_intern_atom(connection(), 0, std::strlen(name), name), nullptr));
    return r ? r->atom : 0;
}

std::vector<xcb_atom_t> atoms(xcb_window_t window, const char* property) {
    const auto r = reply(xcb_get_property_reply(
        connection(),
        xcb_get_property(connection(), 0, window, atom(property), XCB_ATOM_ATOM, 0, 64), nullptr));
    const auto* begin = static_cast<const xcb_atom_t*>(xcb_get_property_value(r.get()));
    return {begin, begin + xcb_get_property_value_length(r.get()) / 4};
}

// Without a window manager the card is a child of the root: its position is in root terms.
QRect serverFrame(const QWidget* widget) {
    const auto g = reply(xcb_get_geometry_reply(
        connection(), xcb_get_geometry(connection(), widget->winId()), nullptr));
    return {g->x, g->y, g->width, g->height};
}

xcb_window_t inputFocus() {
    return reply(
               xcb_get_input_focus_reply(connection(), xcb_get_input_focus(connection()), nullptr))
        ->focus;
}

TEST(X11PanelTest, CardIsAnUnmanagedNotificationThatReportsClicksWithoutFocus) {
    ASSERT_EQ(QGuiApplication::platformName(), "xcb");
    std::vector<std::int64_t> results;
    auto manager = std::make_unique<WindowManager>(PanelTiming{30ms, 30ms, 30ms, 1000ms});
    for (const char* id : {"a", "b"}) {
        manager->show(card(id, NotifyMode::alert), nullptr,
                      [&](std::int64_t code) { results.push_back(code); });
    }
    NotifyPanel* a = manager->panel("a");
    NotifyPanel* b = manager->panel("b");
    ASSERT_TRUE(waitUntil([&] { return b->pos() == QPoint(1108, 144); }));
    EXPECT_EQ(serverFrame(a), QRect(1108, 8, 320, 128));
    EXPECT_EQ(serverFrame(b), QRect(1108, 144, 320, 128));

    const auto attributes = reply(xcb_get_window_attributes_reply(
        connection(), xcb_get_window_attributes(connection(), a->winId()), nullptr));
    EXPECT_TRUE(attributes->override_redirect);
    EXPECT_EQ(attributes->map_state, XCB_MAP_STATE_VIEWABLE);
    EXPECT_EQ(atoms(a->winId(), "_NET_WM_WINDOW_TYPE"),
              std::vector<xcb_atom_t>{atom("_NET_WM_WINDOW_TYPE_NOTIFICATION")});
    const std::vector<xcb_atom_t> states = atoms(a->winId(), "_NET_WM_STATE");
    for (const char* state : {"_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER",
                              "_NET_WM_STATE_ABOVE", "_NET_WM_STATE_STICKY"}) {
        EXPECT_NE(std::find(states.begin(), states.end(), atom(state)), states.end()) << state;
    }

    const xcb_window_t focusBefore = inputFocus();
    auto* primary = b->view()->findChild<PlainButton*>("primary");
    const QPoint target = primary->mapToGlobal(primary->rect().center());
    QProcess xdotool;
    xdotool.start("xdotool", {"mousemove", "--sync", QString::number(target.x()),
                              QString::number(target.y()), "click", "1"});
    ASSERT_TRUE(waitUntil([&] { return !results.empty(); }))
        << "xdotool: " << xdotool.readAllStandardError().toStdString();
    xdotool.waitForFinished();
    EXPECT_EQ(results, std::vector<std::int64_t>{0});
    EXPECT_EQ(inputFocus(), focusBefore);
    EXPECT_EQ(QGuiApplication::focusWindow(), nullptr);
    EXPECT_TRUE(a->isVisible());
}

TEST(X11PanelTest, TranslucentOnlyWhileACompositorRuns) {
    // Stand in for a compositing manager: own its selection on screen 0.
    xcb_connection_t* c = connection();
    const xcb_window_t owner = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, owner,
                      xcb_setup_roots_iterator(xcb_get_setup(c)).data->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_set_selection_owner(c, owner, atom("_NET_WM_CM_S0"), XCB_CURRENT_TIME);
    xcb_flush(c);
    {
        NotifyPanel composited(card("c", NotifyMode::alert), nullptr);
        EXPECT_TRUE(composited.testAttribute(Qt::WA_TranslucentBackground));
        EXPECT_TRUE(composited.mask().isEmpty());
    }
    xcb_destroy_window(c, owner);
    xcb_flush(c);
    NotifyPanel shaped(card("s", NotifyMode::alert), nullptr);
    EXPECT_FALSE(shaped.testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_FALSE(shaped.mask().isEmpty()) << "shaped to the rounded card";
}

}  // namespace
}  // namespace wystrand
