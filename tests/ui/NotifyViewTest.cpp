#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>
#include <QThread>
#include <memory>
#include <vector>

#include "support/EventLoop.h"
#include "ui/card/CardParts.h"
#include "ui/card/ElidedTextLabel.h"
#include "ui/card/NotifyView.h"
#include "ui/card/PlainButton.h"

namespace wystrand {
namespace {

using namespace std::chrono_literals;
using test::waitUntil;

constexpr auto second = 5ms;

ShowConfig card(NotifyMode mode, std::int64_t duration) {
    ShowConfig c;
    c.id = "c1";
    c.mode = mode;
    c.notifyType = "eye";
    c.title = "Eye break";
    c.message = "Look away";
    c.primary = "Take a break";
    c.secondary = "Later";
    c.skip = "Skip";
    c.duration = duration;
    c.variant = "gentle_reminder";
    return c;
}

struct Shown {
    std::vector<std::int64_t> codes;
    std::unique_ptr<NotifyView> view;

    explicit Shown(const ShowConfig& config, std::chrono::milliseconds unit = second) {
        view = std::make_unique<NotifyView>(
            config, [this](std::int64_t code) { codes.push_back(code); }, unit);
        view->show();
    }
    template <typename T>
    T* child(const char* name) const {
        return view->findChild<T*>(QString::fromLatin1(name));
    }
    void click(const char* name) const {
        auto* button = child<PlainButton>(name);
        ASSERT_NE(button, nullptr) << name;
        QTest::mouseClick(button, Qt::LeftButton);
    }
    // Long enough for every step the card could still take.
    void settle(std::int64_t seconds) const {
        QTest::qWait(static_cast<int>((seconds + 3) * second.count()));
    }
};

TEST(NotifyViewTest, ClockShowsWholeMinutesAndSeconds) {
    EXPECT_EQ(clockText(5), "00:05");
    EXPECT_EQ(clockText(75), "01:15");
    EXPECT_EQ(clockText(3600), "60:00");
    EXPECT_EQ(clockText(6000), "100:00");
    EXPECT_EQ(clockText(INT64_MAX), "153722867280912930:07");
    for (std::int64_t seconds : {5, 75, 3600, 6000}) {
        NotifyView view(card(NotifyMode::countdown, seconds), nullptr, second);
        EXPECT_EQ(view.findChild<QLabel*>("clock")->text(), clockText(seconds));
    }
}

TEST(NotifyViewTest, AlertEndsWithTheButtonPressedFirst) {
    Shown primary(card(NotifyMode::alert, 1000));
    primary.click("primary");
    primary.click("primary");
    primary.click("secondary");
    EXPECT_EQ(primary.codes, std::vector<std::int64_t>{0});

    Shown secondary(card(NotifyMode::alert, 1000));
    secondary.click("secondary");
    EXPECT_EQ(secondary.codes, std::vector<std::int64_t>{2});
    EXPECT_TRUE(secondary.view->isDismissed());
}

TEST(NotifyViewTest, AlertLeftAloneIsUnanswered) {
    Shown shown(card(NotifyMode::alert, 3));
    ASSERT_TRUE(waitUntil([&] { return !shown.codes.empty(); }));
    shown.settle(3);
    EXPECT_EQ(shown.codes, std::vector<std::int64_t>{2});
}

TEST(NotifyViewTest, APressAsTheTimerFiresReportsOnce) {
    Shown shown(card(NotifyMode::alert, 1));
    // The display timer is due but has not run: the press comes first.
    QThread::msleep(4 * second.count());
    shown.click("primary");
    shown.settle(1);
    EXPECT_EQ(shown.codes, std::vector<std::int64_t>{0});
}

TEST(NotifyViewTest, InfoRunsItsCourseWithoutControls) {
    Shown shown(card(NotifyMode::info, 2));
    EXPECT_EQ(shown.child<PlainButton>("primary"), nullptr);
    EXPECT_EQ(shown.child<PlainButton>("secondary"), nullptr);
    EXPECT_EQ(shown.child<PlainButton>("skip"), nullptr);
    EXPECT_EQ(shown.child<QWidget>("divider"), nullptr);
    EXPECT_EQ(shown.child<QLabel>("clock"), nullptr);
    ASSERT_TRUE(waitUntil([&] { return !shown.codes.empty(); }));
    shown.settle(2);
    EXPECT_EQ(shown.codes, std::vector<std::int64_t>{0});
}

TEST(NotifyViewTest, CountdownStepsDownToOneThenReportsZero) {
    Shown shown(card(NotifyMode::countdown, 3));
    auto* clock = shown.child<QLabel>("clock");
    EXPECT_EQ(clock->text(), "00:03");
    std::vector<QString> seen{clock->text()};
    ASSERT_TRUE(waitUntil([&] {
        if (seen.back() != clock->text()) {
            seen.push_back(clock->text());
        }
        return !shown.codes.empty();
    }));
    EXPECT_EQ(seen, (std::vector<QString>{"00:03", "00:02", "00:01"}));
    EXPECT_EQ(shown.view->secondsLeft(), 1);
    EXPECT_EQ(shown.view->progress(), 1.0);
    shown.settle(1);
    EXPECT_EQ(shown.codes, std::vector<std::int64_t>{0});
}

TEST(NotifyViewTest, SkipStopsTheCountdown) {
    Shown shown(card(NotifyMode::countdown, 4));
    shown.click("skip");
    EXPECT_EQ(shown.codes, std::vector<std::int64_t>{2});
    shown.settle(4);
    EXPECT_EQ(shown.codes, std::vector<std::int64_t>{2});
    EXPECT_EQ(shown.view->secondsLeft(), 4) << "the step after the skip stops";
}

TEST(NotifyViewTest, NoDurationEndsStraightAway) {
    for (std::int64_t duration : {0, -7}) {
        Shown alert(card(NotifyMode::alert, duration));
        Shown info(card(NotifyMode::info, duration));
        // Seconds of a minute: the reports must not wait for one.
        Shown countdown(card(NotifyMode::countdown, duration), 60s);
        EXPECT_TRUE(alert.codes.empty()) << "not inside show()";
        ASSERT_TRUE(waitUntil([&] { return !alert.codes.empty() && !info.codes.empty(); }));
        EXPECT_EQ(alert.codes, std::vector<std::int64_t>{2});
        EXPECT_EQ(info.codes, std::vector<std::int64_t>{0});

        EXPECT_EQ(countdown.child<QLabel>("clock")->text(), "00:01");
        auto* bar = dynamic_cast<CountdownBar*>(countdown.child<QWidget>("progress"));
        ASSERT_NE(bar, nullptr);
        ASSERT_TRUE(waitUntil([&] { return bar->fraction() == 1.0; })) << "full at once";
        EXPECT_TRUE(countdown.codes.empty());
    }
    Shown countdown(card(NotifyMode::countdown, 0));
    ASSERT_TRUE(waitUntil([&] { return !countdown.codes.empty(); }));
    EXPECT_EQ(countdown.codes, std::vector<std::int64_t>{0});
}

TEST(NotifyViewTest, TextsAreShownAsTyped) {
    ShowConfig c = card(NotifyMode::alert, 60);
    c.title = "<b>x</b>";
    c.message = "<i>y</i> &amp;";
    c.primary = "Rock & Roll";
    c.secondary = "&Later";
    c.detail = "<a href='x'>z</a>";
    c.eyebrow = "Straße & <co>";
    NotifyView view(c, nullptr, second);
    for (const char* name : {"title", "message", "detail", "eyebrow"}) {
        auto* label = view.findChild<ElidedTextLabel*>(name);
        ASSERT_NE(label, nullptr) << name;
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << name;
    }
    EXPECT_EQ(view.findChild<QLabel*>("title")->text(), "<b>x</b>");
    EXPECT_EQ(view.findChild<QLabel*>("message")->text(), "<i>y</i> &amp;");
    EXPECT_EQ(view.findChild<QLabel*>("detail")->text(), "<a href='x'>z</a>");
    EXPECT_EQ(view.findChild<QLabel*>("eyebrow")->text(), "STRASSE & <CO>");
    EXPECT_EQ(view.config().eyebrow, "Straße & <co>") << "upper case on screen only";
    EXPECT_EQ(view.findChild<PlainButton*>("primary")->text(), "Rock && Roll");
    EXPECT_EQ(view.findChild<PlainButton*>("secondary")->text(), "&&Later");

    c.eyebrow = "";
    EXPECT_EQ(NotifyView(c, nullptr).findChild<QLabel*>("eyebrow")->text(), "WYSTRAND");
}

TEST(NotifyViewTest, EmptyDetailTakesNoRoom) {
    ShowConfig absent = card(NotifyMode::info, 5);
    ShowConfig empty = absent;
    empty.detail = "";
    ShowConfig present = absent;
    present.detail = "Detail";
    NotifyView a(absent, nullptr);
    NotifyView e(empty, nullptr);
    NotifyView p(present, nullptr);
    EXPECT_EQ(e.findChild<QLabel*>("detail"), nullptr);
    EXPECT_EQ(a.naturalHeight(), e.naturalHeight());
    EXPECT_GT(p.naturalHeight(), a.naturalHeight());
}

TEST(NotifyViewTest, PrimaryCountsClicksOnItsLabelOnly) {
    Shown shown(card(NotifyMode::alert, 1000));
    shown.view->resize(shown.view->width(), shown.view->naturalHeight());
    auto* primary = shown.child<PlainButton>("primary");
    auto* capsule = primary->parentWidget();
    ASSERT_NE(capsule, shown.view.get());
    // The capsule's padding, left of the label.
    QTest::mouseClick(capsule, Qt::LeftButton, {}, QPoint(4, capsule->height() / 2));
    EXPECT_TRUE(shown.codes.empty());
    QTest::mouseClick(primary, Qt::LeftButton);
    EXPECT_EQ(shown.codes, std::vector<std::int64_t>{0});
}

}  // namespace
}  // namespace wystrand
