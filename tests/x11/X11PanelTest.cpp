// The card window against a real X server: a private Xvfb (OnXvfb.cpp), no window manager.
#include <gmock/gmock.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <QGuiApplication>
#include <cstdlib>

#include "support/Cards.h"
#include "support/Processes.h"
#include "ui/card/NotifyView.h"
#include "ui/card/PlainButton.h"
#include "ui/panels/NotifyPanel.h"
#include "ui/panels/WindowManager.h"

namespace wystrand {
namespace {

using test::card;
using testing::AllOf;
using testing::HasSubstr;

// The output of an X utility, run against the server that the application uses.
std::string run(const QStringList& argv) {
    const test::RunResult result = test::run(argv, {});
    return result.out + result.err;
}

struct X11PanelTest : testing::Test, test::CardStack {};

TEST_F(X11PanelTest, CardIsAnUnmanagedNotificationThatReportsClicksWithoutFocus) {
    const QString a = QString::number(show("a", NotifyMode::alert)->winId());
    NotifyPanel* b = show("b", NotifyMode::alert);
    ASSERT_TRUE(test::waitUntil([&] { return b->pos().x() == 1108; }));
    // 12 px from the right edge of the screen.
    EXPECT_THAT(run({"xwininfo", "-id", a}), AllOf(HasSubstr("Override Redirect State: yes"),
                                                   HasSubstr("-geometry 320x128-12+8\n")));
    // The property atoms are looked up once; the second card reuses them.
    for (const char* id : {"a", "b"}) {
        const std::string props =
            run({"xprop", "-id", QString::number(manager->panel(id)->winId()), "-notype"});
        EXPECT_THAT(props, HasSubstr("_NET_WM_WINDOW_TYPE = _NET_WM_WINDOW_TYPE_NOTIFICATION\n"))
            << id;
        for (const char* state : {"SKIP_TASKBAR", "SKIP_PAGER", "ABOVE", "STICKY"}) {
            EXPECT_THAT(props, HasSubstr(std::string("_NET_WM_STATE_") + state)) << id;
        }
    }

    const std::string focus = run({"xdotool", "getwindowfocus", "-f"});
    auto* primary = b->view()->findChild<PlainButton*>("primary");
    const QPoint at = primary->mapToGlobal(primary->rect().center());
    run({"xdotool", "mousemove", "--sync", QString::number(at.x()), QString::number(at.y()),
         "click", "1"});
    EXPECT_TRUE(test::waitUntil([&] { return !results.empty(); }));
    EXPECT_EQ(results, (Results{{"b", 0}}));
    EXPECT_EQ(run({"xdotool", "getwindowfocus", "-f"}), focus);
    EXPECT_EQ(QGuiApplication::focusWindow(), nullptr);
}

// The window made ahead of the next card: shown, but with no card in it yet.
NotifyPanel* waitingWindow() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* panel = qobject_cast<NotifyPanel*>(w);
        if (panel != nullptr && panel->view() == nullptr && panel->isVisible()) {
            return panel;
        }
    }
    return nullptr;
}

TEST_F(X11PanelTest, AWindowWaitsMappedOutOfSightAndSeeThroughForTheNextCard) {
    NotifyPanel* waiting = nullptr;
    ASSERT_TRUE(test::waitUntil([&] { return (waiting = waitingWindow()) != nullptr; }));
    const QString id = QString::number(waiting->winId());
    EXPECT_THAT(run({"xwininfo", "-id", id}),
                AllOf(HasSubstr("Map State: IsViewable"), HasSubstr("+-30000+-30000")));
    EXPECT_THAT(run({"xprop", "-id", id, "-notype", "_NET_WM_WINDOW_OPACITY"}),
                HasSubstr("_NET_WM_WINDOW_OPACITY = 0\n"));

    // Two cards in one turn: the first takes the waiting window, the second gets its own.
    EXPECT_EQ(show("a", NotifyMode::alert), waiting);
    NotifyPanel* b = show("b", NotifyMode::info);
    EXPECT_NE(b, waiting);
    ASSERT_TRUE(
        test::waitUntil([&] { return b->pos().x() == 1108 && waiting->pos().x() == 1108; }));
    EXPECT_THAT(run({"xwininfo", "-id", id}), HasSubstr("-geometry 320x128-12+8\n"));
    EXPECT_THAT(run({"xprop", "-id", id, "-notype", "_NET_WM_WINDOW_OPACITY"}),
                HasSubstr("_NET_WM_WINDOW_OPACITY = 4294967295\n"));
    // Another waits for the card after these.
    ASSERT_TRUE(test::waitUntil([&] { return waitingWindow() != nullptr; }));
}

TEST_F(X11PanelTest, TranslucentOnlyWhileACompositorRuns) {
    // Stand in for a compositing manager: own its selection on screen 0.
    xcb_connection_t* c =
        qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    const xcb_window_t owner = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, owner,
                      xcb_setup_roots_iterator(xcb_get_setup(c)).data->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    auto* cm = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 13, "_NET_WM_CM_S0"), nullptr);
    xcb_set_selection_owner(c, owner, cm->atom, XCB_CURRENT_TIME);
    std::free(cm);
    const auto blur = [](const NotifyPanel& panel) {
        return run({"xprop", "-id", QString::number(panel.winId()), "-notype",
                    "_KDE_NET_WM_BLUR_BEHIND_REGION"});
    };
    {
        NotifyPanel composited(card("c", NotifyMode::alert), nullptr);
        composited.slideIn();
        EXPECT_TRUE(composited.testAttribute(Qt::WA_TranslucentBackground));
        EXPECT_TRUE(composited.mask().isEmpty());
        // Behind the card's rounded rectangle, in window coordinates.
        const QRect shown = composited.view()->geometry();
        EXPECT_EQ(blur(composited), QString("_KDE_NET_WM_BLUR_BEHIND_REGION = 0, %1, 320, %2\n")
                                        .arg(shown.y())
                                        .arg(shown.height())
                                        .toStdString());
    }
    xcb_destroy_window(c, owner);
    NotifyPanel shaped(card("s", NotifyMode::alert), nullptr);
    shaped.slideIn();
    EXPECT_FALSE(shaped.testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_FALSE(shaped.mask().isEmpty()) << "shaped to the rounded card";
    EXPECT_THAT(blur(shaped), HasSubstr("not found"));
}

}  // namespace
}  // namespace wystrand
