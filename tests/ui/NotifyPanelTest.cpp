#include <gtest/gtest.h>

#include <QPointer>
#include <QTest>
#include <vector>

#include "support/EventLoop.h"
#include "ui/card/NotifyView.h"
#include "ui/card/PlainButton.h"
#include "ui/panels/NotifyPanel.h"

namespace wystrand {
namespace {

using namespace std::chrono_literals;
using test::waitUntil;

const PanelTiming fast{30ms, 30ms, 30ms, 1000ms};
const QRect resting(1108, 8, 320, 128);

ShowConfig alertCard() {
    ShowConfig c;
    c.id = "p1";
    c.mode = NotifyMode::alert;
    c.notifyType = "eye";
    c.title = "Eye break";
    c.message = "Look away";
    c.primary = "Take a break";
    c.secondary = "Later";
    c.duration = 90;
    return c;
}

struct Closing {
    std::vector<std::int64_t> codes;
    bool closedBeforeTold = false;
    QPointer<NotifyPanel> panel;

    explicit Closing(const ShowConfig& config = alertCard()) {
        panel = new NotifyPanel(
            config,
            [this](std::int64_t code) {
                closedBeforeTold = panel && !panel->isVisible();
                codes.push_back(code);
            },
            fast);
    }
    ~Closing() {
        delete panel.data();
        test::drainEvents();
    }
    bool gone() const { return panel.isNull(); }
};

TEST(NotifyPanelTest, BuiltOffScreenAndShapedToTheCard) {
    Closing c;
    NotifyPanel& p = *c.panel;
    EXPECT_FALSE(p.isVisible());
    EXPECT_EQ(p.pos(), QPoint(-30000, -30000));
    EXPECT_EQ(p.size(), QSize(320, 128));
    // No compositor here: the window is shaped to the rounded card.
    EXPECT_FALSE(p.mask().isEmpty());
    EXPECT_FALSE(p.mask().contains(QPoint(0, p.view()->y())));
    EXPECT_TRUE(p.mask().contains(QPoint(160, 64)));
}

TEST(NotifyPanelTest, SlidesInFromTheRightThenMovesOnlyVertically) {
    Closing c;
    c.panel->slideIn(resting);
    EXPECT_EQ(c.panel->targetFrame(), resting);
    EXPECT_TRUE(c.panel->isVisible());
    EXPECT_EQ(c.panel->pos(), QPoint(1458, 8));
    EXPECT_EQ(c.panel->windowOpacity(), 0.0);
    ASSERT_TRUE(waitUntil(
        [&] { return c.panel->pos() == resting.topLeft() && c.panel->windowOpacity() == 1.0; }));
    c.panel->animateTo(600);
    EXPECT_EQ(c.panel->targetFrame(), QRect(1108, 600, 320, 128));
    ASSERT_TRUE(waitUntil([&] { return c.panel->pos() == QPoint(1108, 600); }));
}

TEST(NotifyPanelTest, ClosesOnceWithTheFirstCode) {
    Closing c;
    c.panel->slideIn(resting);
    ASSERT_TRUE(waitUntil([&] { return c.panel->pos() == resting.topLeft(); }));
    c.panel->closeWithCode(0);
    c.panel->closeWithCode(2);
    EXPECT_TRUE(c.panel->isDismissed());
    EXPECT_TRUE(c.codes.empty()) << "told only once the slide-out has run";
    ASSERT_TRUE(waitUntil([&] { return c.gone(); }));
    EXPECT_EQ(c.codes, std::vector<std::int64_t>{0});
    EXPECT_TRUE(c.closedBeforeTold);
}

TEST(NotifyPanelTest, ClosingWhileSlidingInStartsWhereTheCardIs) {
    Closing c;
    c.panel->slideIn(resting);
    c.panel->closeWithCode(2);
    ASSERT_TRUE(waitUntil([&] { return c.gone(); }));
    EXPECT_EQ(c.codes, std::vector<std::int64_t>{2});
}

TEST(NotifyPanelTest, AMoveDuringTheCloseDoesNotStopIt) {
    Closing c;
    c.panel->slideIn(resting);
    ASSERT_TRUE(waitUntil([&] { return c.panel->pos() == resting.topLeft(); }));
    c.panel->closeWithCode(0);
    QTest::qWait(5);
    c.panel->animateTo(300);
    EXPECT_EQ(c.panel->targetFrame().y(), 300);
    c.panel->animateTo(200);
    ASSERT_TRUE(waitUntil([&] { return c.gone(); }));
    QTest::qWait(50);
    EXPECT_EQ(c.codes, std::vector<std::int64_t>{0});
}

TEST(NotifyPanelTest, TheViewsResultClosesThePanel) {
    Closing c;
    c.panel->slideIn(resting);
    auto* primary = c.panel->view()->findChild<PlainButton*>("primary");
    ASSERT_NE(primary, nullptr);
    QTest::mouseClick(primary, Qt::LeftButton);
    QTest::mouseClick(primary, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return c.gone(); }));
    EXPECT_EQ(c.codes, std::vector<std::int64_t>{0});
}

TEST(NotifyPanelTest, CardTallerThanItsFrameKeepsItsShape) {
    ShowConfig config = alertCard();
    config.mode = NotifyMode::info;
    config.title = QString("A title that runs on and on for quite some way ").repeated(4);
    config.message = QString("A message that goes on and on for a good while ").repeated(6);
    config.detail = "A detail line";
    Closing c(config);
    NotifyView* view = c.panel->view();
    ASSERT_GT(view->naturalHeight(), c.panel->height());
    EXPECT_NEAR(view->y() + view->height() / 2.0, c.panel->height() / 2.0, 0.5) << "centred";
    // The rounded shape follows the frame, not the overflowing card.
    EXPECT_FALSE(c.panel->mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(c.panel->mask().contains(QPoint(160, 0)));
}

}  // namespace
}  // namespace wystrand
