#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QLabel>
#include <QTest>
#include <QThread>
#include <vector>

#include "support/Cards.h"
#include "ui/card/CardParts.h"
#include "ui/card/NotifyView.h"
#include "ui/card/PlainButton.h"

namespace wystrand {
namespace {

using namespace std::chrono_literals;
using test::card;
using test::waitUntil;
using Codes = std::vector<std::int64_t>;

constexpr auto second = 5ms;

struct Shown {
    Codes codes;
    NotifyView view;

    explicit Shown(const ShowConfig& config, std::chrono::milliseconds unit = second)
        : view(
              config, [this](std::int64_t code) { codes.push_back(code); }, unit) {
        view.show();
    }
    template <typename T = PlainButton>
    T* child(const char* name) {
        return view.findChild<T*>(QString::fromLatin1(name));
    }
    void click(const char* name) {
        ASSERT_NE(child(name), nullptr) << name;
        QTest::mouseClick(child(name), Qt::LeftButton);
    }
};

TEST(NotifyViewTest, ClockShowsWholeMinutesAndSeconds) {
    const std::pair<std::int64_t, QString> cases[] = {
        {5, "00:05"}, {75, "01:15"}, {3600, "60:00"}, {6000, "100:00"}};
    for (const auto& [seconds, text] : cases) {
        Shown shown(card("c", NotifyMode::countdown, seconds));
        EXPECT_EQ(shown.child<QLabel>("clock")->text(), text);
    }
    EXPECT_EQ(clockText(INT64_MAX), "153722867280912930:07");
}

TEST(NotifyViewTest, EachModeReportsOneCode) {
    const struct {
        NotifyMode mode;
        std::int64_t duration;
        std::vector<const char*> clicks;
        std::int64_t code;
    } cases[] = {
        {NotifyMode::alert, 1000, {"primary", "primary", "secondary"}, 0},
        {NotifyMode::alert, 1000, {"secondary"}, 2},
        {NotifyMode::alert, 1, {"primary"}, 0},  // pressed as the display timer comes due
        {NotifyMode::alert, 3, {}, 2},
        {NotifyMode::info, 2, {}, 0},
        {NotifyMode::countdown, 4, {"skip"}, 2},
        {NotifyMode::alert, 0, {}, 2},
        {NotifyMode::alert, -7, {}, 2},
        {NotifyMode::info, 0, {}, 0},
        {NotifyMode::info, -7, {}, 0},
        {NotifyMode::countdown, 0, {}, 0},
        {NotifyMode::countdown, -7, {}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << static_cast<int>(c.mode) << ", duration "
                                        << c.duration << ", " << c.clicks.size() << " clicks");
        Shown shown(card("c", c.mode, c.duration));
        EXPECT_TRUE(shown.codes.empty()) << "not inside show()";
        // Timers come due meanwhile but run only with the event loop: the clicks come first.
        QThread::msleep(4 * second.count());
        for (const char* name : c.clicks) {
            shown.click(name);
        }
        ASSERT_TRUE(waitUntil([&] { return !shown.codes.empty(); }));
        QTest::qWait(10 * second.count());
        EXPECT_EQ(shown.codes, Codes{c.code});
    }
}

TEST(NotifyViewTest, CountdownStepsDownToOneThenReportsZero) {
    Shown shown(card("c", NotifyMode::countdown, 3));
    auto* clock = shown.child<QLabel>("clock");
    std::vector<QString> seen{clock->text()};
    ASSERT_TRUE(waitUntil([&] {
        if (seen.back() != clock->text()) {
            seen.push_back(clock->text());
        }
        return !shown.codes.empty();
    }));
    EXPECT_EQ(seen, (std::vector<QString>{"00:03", "00:02", "00:01"}));
    EXPECT_EQ(shown.codes, Codes{0});

    // Without a duration the clock shows one second and the bar is full at once.
    Shown none(card("c", NotifyMode::countdown, 0), 60s);
    EXPECT_EQ(none.child<QLabel>("clock")->text(), "00:01");
    auto* bar = none.child<CountdownBar>("progress");
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(waitUntil([&] { return bar->fraction() == 1.0; }));
}

TEST(NotifyViewTest, TextsAreShownAsTyped) {
    ShowConfig c = card("c", NotifyMode::alert);
    c.title = "<b>x</b>";
    c.message = "<i>y</i> &amp;";
    c.detail = "<a href='x'>z</a>";
    c.eyebrow = "Straße & <co>";
    c.primary = "Rock & Roll";
    Shown shown(c);
    for (const char* name : {"title", "message", "detail", "eyebrow"}) {
        ASSERT_NE(shown.child<QLabel>(name), nullptr) << name;
        EXPECT_EQ(shown.child<QLabel>(name)->textFormat(), Qt::PlainText) << name;
    }
    EXPECT_EQ(shown.child<QLabel>("title")->text(), "<b>x</b>");
    EXPECT_EQ(shown.child<QLabel>("message")->text(), "<i>y</i> &amp;");
    EXPECT_EQ(shown.child<QLabel>("detail")->text(), "<a href='x'>z</a>");
    EXPECT_EQ(shown.child<QLabel>("eyebrow")->text(), "STRASSE & <CO>");
    // The '&' is escaped so it makes no shortcut, and drawn once.
    PlainButton* primary = shown.child("primary");
    EXPECT_EQ(primary->text(), "Rock && Roll");
    EXPECT_EQ(primary->sizeHint().width(),
              QFontMetrics(primary->font()).size(0, "Rock & Roll").width());
}

TEST(NotifyViewTest, OnlyTheButtonLabelIsClickable) {
    Shown shown(card("c", NotifyMode::alert));
    shown.view.resize(shown.view.width(), shown.view.naturalHeight());
    QWidget* capsule = shown.child("primary")->parentWidget();
    ASSERT_NE(capsule, &shown.view);
    QTest::mouseClick(capsule, Qt::LeftButton, {}, QPoint(4, capsule->height() / 2));
    EXPECT_TRUE(shown.codes.empty()) << "a click on the capsule's padding";
    shown.click("primary");
    EXPECT_EQ(shown.codes, Codes{0});
}

}  // namespace
}  // namespace wystrand
