#include <gtest/gtest.h>

#include <QLabel>
#include <QPointer>
#include <QPropertyAnimation>
#include <QTest>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "support/Cards.h"
#include "support/Wait.h"
#include "ui/card/NotifyView.h"
#include "ui/card/PlainButton.h"
#include "ui/panels/NotifyPanel.h"
#include "ui/panels/WindowManager.h"

namespace wystrand {
namespace {

using namespace std::chrono_literals;
using test::card;
using test::waitUntil;

struct WindowManagerTest : testing::Test, test::CardStack {
    // Waits for n results, then a while longer for any late extra one.
    bool resultsAre(std::size_t n) {
        const bool reached = waitUntil([&] { return results.size() >= n; });
        QTest::qWait(60);
        return reached && results.size() == n;
    }
};

TEST_F(WindowManagerTest, StacksAtTheTopRightAndClosesTheGap) {
    bool readyInShow = false;
    QPointer<NotifyPanel> a;
    std::pair<int, bool> whenAEnded;  // where b was, whether a's window was closed
    manager->show(
        card("a", NotifyMode::alert), [&] { readyInShow = manager->panel("a")->isVisible(); },
        [&](CardResult code) {
            whenAEnded = {manager->panel("b")->targetFrame().y(), !a || !a->isVisible()};
            results.push_back({"a", resultCode(code)});
        });
    a = manager->panel("a");
    EXPECT_TRUE(readyInShow) << "ready once the slide-in has begun";
    EXPECT_EQ(a->pos(), QPoint(1458, 8)) << "slides in from the right";
    show("b", NotifyMode::info);
    NotifyPanel* c = show("c", NotifyMode::countdown);
    EXPECT_EQ(a->targetFrame(), QRect(1108, 8, 320, 128));
    EXPECT_EQ(manager->panel("b")->targetFrame(), QRect(1108, 144, 320, 80));
    EXPECT_TRUE(waitUntil([&] { return c->geometry() == QRect(1108, 232, 320, 152); }));

    // Closes once with the first code, even when moved while sliding out. It keeps its room
    // until then: a card shown meanwhile goes below it.
    a->end(cardEnd::primary);
    a->end(cardEnd::secondary);
    EXPECT_EQ(show("d", NotifyMode::info)->targetFrame().y(), 392);
    QTest::qWait(5);
    a->moveToRest(true);
    ASSERT_TRUE(resultsAre(1));
    EXPECT_EQ(results, (Results{{"a", 0}}));
    EXPECT_EQ(whenAEnded, std::pair(8, true)) << "the rest moved up, then the result went out";
    EXPECT_TRUE(waitUntil([&] { return c->geometry() == QRect(1108, 96, 320, 152); }));
    EXPECT_EQ(manager->panel("d")->targetFrame().y(), 256);
    EXPECT_EQ(manager->order(), (std::vector<QString>{"b", "c", "d"}));
}

TEST_F(WindowManagerTest, EachCardReportsOnceHoweverItEndsAndWhateverItsId) {
    NotifyPanel* first = show("x", NotifyMode::alert);
    NotifyPanel* second = show("x", NotifyMode::info);
    NotifyPanel* y = show("y", NotifyMode::countdown);
    EXPECT_EQ(second->targetFrame(), QRect(1108, 144, 320, 80));

    // The first ends by itself: only its entry goes, the other two close up.
    first->end(cardEnd::primary);
    ASSERT_TRUE(resultsAre(1));
    EXPECT_EQ(manager->order(), (std::vector<QString>{"x", "y"}));
    EXPECT_EQ(second->targetFrame().y(), 8);
    EXPECT_EQ(y->targetFrame().y(), 96);
    EXPECT_EQ(show("z", NotifyMode::info)->targetFrame().y(), 256);

    // dismiss closes every card under the id, one sliding in too, however often it is asked.
    show("x", NotifyMode::alert);
    manager->dismiss("x");
    manager->dismiss("x");
    manager->dismiss("unknown");
    ASSERT_TRUE(resultsAre(3));
    EXPECT_EQ(manager->order(), (std::vector<QString>{"y", "z"}));
    EXPECT_EQ(y->targetFrame().y(), 8);

    // dismiss-all closes every card; one already closing by itself keeps its own code.
    show("w", NotifyMode::alert)->view()->findChild<PlainButton*>("primary")->click();
    manager->dismissAll();
    manager->dismissAll();
    ASSERT_TRUE(resultsAre(6));
    EXPECT_EQ(Results(results.begin(), results.begin() + 3),
              (Results{{"x", 0}, {"x", 2}, {"x", 2}}));
    EXPECT_EQ((std::map<QString, std::int64_t>(results.begin() + 3, results.end())),
              (std::map<QString, std::int64_t>{{"w", 0}, {"y", 2}, {"z", 2}}));
    EXPECT_TRUE(manager->order().empty());
}

// A card whose window the window system takes away (its output went) ends, and says so.
TEST(WindowManagerReasonTest, ACardWhoseWindowIsTakenAwayEndsWithItsOutput) {
    struct LosingWindows : WindowSystem {
        std::optional<QRect> columnFrame(bool newColumn) override {
            return windowSystem().columnFrame(newColumn);
        }
        std::unique_ptr<CardWindow> createCardWindow(QWidget& card,
                                                     std::function<void()> onLost) override {
            lose[&card] = std::move(onLost);
            return windowSystem().createCardWindow(card, nullptr);
        }
        std::map<QWidget*, std::function<void()>> lose;
    } windows;
    std::optional<CardResult> ended;
    WindowManager manager(
        PanelTiming{20ms, 20ms, 20ms, 1000ms}, nullptr, [] {}, windows);
    manager.show(card("a", NotifyMode::alert), nullptr, [&](CardResult r) { ended = r; });
    windows.lose.at(manager.panel("a"))();
    ASSERT_TRUE(waitUntil([&] { return ended.has_value(); }));
    EXPECT_EQ(*ended, cardEnd::output);
}

TEST_F(WindowManagerTest, ARestackMovesOnlyWhatChangesPlaceAndServesClosesThatEndTogether) {
    NotifyPanel* c = nullptr;
    std::vector<int> cWhenTold;  // c's place when a and b report
    for (const char* id : {"a", "b"}) {
        manager->show(card(id, NotifyMode::alert), nullptr,
                      [&](CardResult) { cWhenTold.push_back(c->targetFrame().y()); });
    }
    c = show("c", NotifyMode::countdown);
    NotifyPanel* d = show("d", NotifyMode::info);
    auto moving = [](NotifyPanel* p) { return !p->findChildren<QPropertyAnimation*>().empty(); };
    ASSERT_TRUE(waitUntil([&] { return !moving(c) && !moving(d); })) << "the slide-ins end";

    manager->dismiss("d");
    ASSERT_TRUE(resultsAre(1));
    EXPECT_FALSE(moving(c)) << "nothing above the bottom card moves";

    // a and b end in the same turn: one restack, c goes straight to the top before either
    // result goes out, and moves there once.
    manager->panel("a")->end(cardEnd::primary);
    manager->panel("b")->end(cardEnd::primary);
    ASSERT_TRUE(waitUntil([&] { return cWhenTold.size() == 2; }));
    EXPECT_EQ(cWhenTold, (std::vector<int>{8, 8}));
    EXPECT_EQ(c->findChildren<QPropertyAnimation*>().size(), 1U);
    EXPECT_TRUE(waitUntil([&] { return c->pos() == QPoint(1108, 8); }));
}

TEST_F(WindowManagerTest, ACardBelowTheScreenIsMappedOnlyWhenARestackBringsItUp) {
    // Seven alert cards fill the 875 px screen; the eighth starts at 8 + 7 * 136 = 960.
    for (int i = 0; i < 8; ++i) {
        show(QString::number(i), NotifyMode::alert);
    }
    NotifyPanel* last = manager->panel("7");
    EXPECT_EQ(last->targetFrame(), QRect(1108, 960, 320, 128));
    EXPECT_EQ(last->pos(), QPoint(1108, 960));
    EXPECT_FALSE(last->isVisible());

    manager->dismiss("0");
    ASSERT_TRUE(resultsAre(1));
    EXPECT_TRUE(last->isVisible());
    EXPECT_TRUE(waitUntil([&] { return last->pos() == QPoint(1108, 824); }));
    // The window made ahead meanwhile takes the next card, already mapped; the one after waits
    // unmapped, and dismissed unseen it still reports once.
    show("8", NotifyMode::alert);
    NotifyPanel* hidden = show("9", NotifyMode::alert);
    EXPECT_FALSE(hidden->isVisible());
    manager->dismiss("9");
    ASSERT_TRUE(resultsAre(2));
    EXPECT_EQ(results.back(), (std::pair<QString, std::int64_t>{"9", 2}));
}

TEST_F(WindowManagerTest, FreedMemoryIsReleasedOnceTheColumnStaysEmpty) {
    int releases = 0;
    manager = std::make_unique<WindowManager>(PanelTiming{20ms, 20ms, 20ms, 1000ms, 100ms}, nullptr,
                                              [&] { ++releases; });
    show("a", NotifyMode::alert);
    show("b", NotifyMode::info);
    manager->dismiss("a");
    ASSERT_TRUE(resultsAre(1));
    QTest::qWait(150);
    EXPECT_EQ(releases, 0) << "a card is still up";

    manager->dismiss("b");
    ASSERT_TRUE(resultsAre(2));
    show("c", NotifyMode::info);
    QTest::qWait(150);
    EXPECT_EQ(releases, 0) << "a new card came before the delay ran out";

    manager->dismiss("c");
    ASSERT_TRUE(waitUntil([&] { return releases > 0; }));
    QTest::qWait(150);
    EXPECT_EQ(releases, 1);
}

// The card's material near its top right corner, and its title's colour.
QColor material(NotifyPanel* panel) {
    const QImage image = panel->view()->grab().toImage();
    return image.pixelColor(image.width() - 20, 6);
}
QColor title(NotifyPanel* panel) {
    return panel->view()->findChild<QLabel*>("title")->palette().color(QPalette::WindowText);
}

TEST_F(WindowManagerTest, CardsTakeTheColourSchemeLiveAndNewOnesStartInIt) {
    NotifyPanel* a = show("a", NotifyMode::alert);
    // No longer named once replaced under its identifier, but still on screen.
    NotifyPanel* replaced = show("x", NotifyMode::countdown);
    show("x", NotifyMode::info);
    const QColor palette = material(a);
    EXPECT_EQ(palette, QColor(0xef, 0xef, 0xef)) << "the application palette's window colour";

    manager->setColorScheme(ColorScheme::dark);
    NotifyPanel* later = show("later", NotifyMode::info);
    for (NotifyPanel* p : {a, replaced, manager->panel("x"), later}) {
        EXPECT_LT(material(p).lightness(), 60) << p->targetFrame().y();
        EXPECT_GT(title(p).lightness(), 180) << p->targetFrame().y();
    }
    manager->setColorScheme(ColorScheme::light);
    EXPECT_GT(material(replaced).lightness(), 200);
    EXPECT_LT(title(replaced).lightness(), 60);
    manager->setColorScheme(ColorScheme::dark);
    manager->setColorScheme(ColorScheme::noPreference);
    EXPECT_EQ(material(later), palette);
}

// Without slides a card fades in and out where it rests and jumps while faded to its new place; it
// is ready and ends on the same timings as with them.
TEST_F(WindowManagerTest, ReducedMotionFadesInPlace) {
    std::set<std::pair<int, int>> seenA, seenB;
    double opacityAtEnd = -1;
    QPointer<NotifyPanel> a;
    manager->show(card("a", NotifyMode::alert), nullptr, [&](CardResult code) {
        opacityAtEnd = a->windowOpacity();
        results.push_back({"a", resultCode(code)});
    });
    a = manager->panel("a");
    ASSERT_TRUE(waitUntil([&] { return a->pos() == QPoint(1108, 8); })) << "slid in";

    manager->setReducedMotion(true);
    NotifyPanel* b = show("b", NotifyMode::info);
    EXPECT_EQ(b->pos(), QPoint(1108, 144)) << "shown where it rests";
    EXPECT_EQ(b->windowOpacity(), 0.0);
    a->end(cardEnd::primary);
    const auto sample = [&] {
        if (a) {
            seenA.insert({a->x(), a->y()});
        }
        seenB.insert({b->x(), b->y()});
        return !results.empty() && b->pos() == QPoint(1108, 8) && b->windowOpacity() == 1.0;
    };
    ASSERT_TRUE(waitUntil(sample));
    EXPECT_EQ(seenA, (std::set<std::pair<int, int>>{{1108, 8}}));
    EXPECT_EQ(seenB, (std::set<std::pair<int, int>>{{1108, 144}, {1108, 8}}));
    EXPECT_EQ(opacityAtEnd, 0.0) << "the result comes when the whole fade has run";

    // A restack that leaves a card where it is must not blink it.
    show("c", NotifyMode::info);
    manager->dismiss("c");
    double lowest = 1;
    waitUntil([&] { return (lowest = std::min(lowest, b->windowOpacity())), false; }, 100ms);
    EXPECT_EQ(results.size(), 2u);
    EXPECT_EQ(lowest, 1.0);

    manager->setReducedMotion(false);
    EXPECT_EQ(show("d", NotifyMode::info)->pos(), QPoint(1458, 96)) << "slides again";
}

}  // namespace
}  // namespace wystrand
