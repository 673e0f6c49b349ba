#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QLabel>
#include <QTest>
#include <QThread>
#include <tuple>
#include <vector>

#include "support/Cards.h"
#include "support/Wait.h"
#include "ui/card/CardParts.h"
#include "ui/card/NotifyView.h"
#include "ui/card/PlainButton.h"

namespace wystrand {
namespace {

using namespace std::chrono_literals;
using test::card;
using test::waitUntil;
using Results = std::vector<CardResult>;
constexpr auto second = 5ms;

struct Shown {
    Results results;
    NotifyView view;

    explicit Shown(const ShowConfig& config)
        : view(
              config, [this](CardResult result) { results.push_back(result); }, second) {
        view.show();
    }
    QLabel* label(const char* name) { return view.findChild<QLabel*>(name); }
    PlainButton* button(const char* name) { return view.findChild<PlainButton*>(name); }
    void click(const char* name) { QTest::mouseClick(button(name), Qt::LeftButton); }
};

TEST(NotifyViewTest, ClockShowsWholeMinutesAndSeconds) {
    const std::pair<std::int64_t, QString> clocks[] = {
        {5, "00:05"}, {75, "01:15"}, {3600, "60:00"}, {6000, "100:00"}};
    for (const auto& [seconds, text] : clocks) {
        EXPECT_EQ(Shown(card("c", NotifyMode::countdown, seconds)).label("clock")->text(), text);
    }
    EXPECT_EQ(clockText(INT64_MAX), "153722867280912930:07");
}

// A duration too long for a timer must never end the card rather than wrap around.
TEST(NotifyViewTest, EachModeReportsOneResult) {
    using namespace cardEnd;
    const struct {
        NotifyMode mode;
        std::int64_t duration;
        std::vector<const char*> clicks;
        Results results;
    } cases[] = {
        {NotifyMode::alert, 1000, {"primary", "primary", "secondary"}, {primary}},
        {NotifyMode::alert, 1000, {"secondary"}, {secondary}},
        {NotifyMode::alert, 1, {"primary"}, {primary}},  // pressed as the display timer comes due
        {NotifyMode::alert, 3, {}, {unanswered}},
        {NotifyMode::info, 2, {}, {ranItsCourse}},
        {NotifyMode::countdown, 3, {}, {ranItsCourse}},
        {NotifyMode::countdown, 4, {"skip"}, {skip}},
        {NotifyMode::alert, 0, {}, {unanswered}},
        {NotifyMode::alert, -7, {}, {unanswered}},
        {NotifyMode::info, 0, {}, {ranItsCourse}},
        {NotifyMode::countdown, -7, {}, {ranItsCourse}},
        {NotifyMode::alert, INT64_MAX, {}, {}},
        {NotifyMode::info, 858993462, {}, {}},  // 2^32 + 14 ms: cut to 32 bits, due in 14 ms
        {NotifyMode::countdown, INT64_MAX, {}, {}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        Shown shown(card("c", cases[i].mode, cases[i].duration));
        EXPECT_TRUE(shown.results.empty()) << "case " << i << ": not inside show()";
        // Timers come due meanwhile but run only with the event loop: the clicks come first.
        QThread::msleep(4 * second.count());
        for (const char* name : cases[i].clicks) {
            shown.click(name);
        }
        test::waitUntil([&] { return !shown.results.empty(); },
                        cases[i].results.empty() ? 50ms : 5s);
        QTest::qWait(10 * second.count());
        EXPECT_EQ(shown.results, cases[i].results) << "case " << i;
    }
}

// As typed, however long: never markup, no shortcut from an '&', and a very long text cut (a whole
// surrogate pair kept) before anything lays it out.
TEST(NotifyViewTest, TextsAreShownAsTyped) {
    ShowConfig c = card("c", NotifyMode::alert);
    c.title = "<b>x</b>";
    c.message = "<i>y</i> &amp;";
    c.detail = "<a href='x'>z</a>";
    c.eyebrow = "Straße & <co>";
    c.primary = "Rock & Roll";
    Shown shown(c);
    for (const auto& [name, text] : {std::pair<const char*, QString>{"title", "<b>x</b>"},
                                     {"message", "<i>y</i> &amp;"},
                                     {"detail", "<a href='x'>z</a>"},
                                     {"eyebrow", "STRASSE & <CO>"}}) {
        ASSERT_NE(shown.label(name), nullptr) << name;
        EXPECT_EQ(shown.label(name)->textFormat(), Qt::PlainText) << name;
        EXPECT_EQ(shown.label(name)->text(), text) << name;
    }
    PlainButton* primary = shown.button("primary");
    EXPECT_EQ(primary->text(), "Rock && Roll");
    EXPECT_EQ(primary->sizeHint().width(),
              QFontMetrics(primary->font()).size(0, "Rock & Roll").width());

    const QString grin = QString::fromUtf8("\xF0\x9F\x98\x80");
    std::tie(c.message, c.title, c.primary) =
        std::tuple(QString(1 << 20, u'a'), grin.repeated(100000), QString(1 << 20, u'p'));
    Shown cut(c);
    const QString message = cut.label("message")->text();
    EXPECT_LT(message.size(), 4096);
    EXPECT_TRUE(message.startsWith(u"aaaa") && message.endsWith(QChar(0x2026)));
    EXPECT_LT(cut.label("title")->text().size(), 4096);
    EXPECT_TRUE(cut.label("title")->text().chopped(1).endsWith(grin));
    EXPECT_LT(cut.button("primary")->text().size(), 4096);
}

}  // namespace
}  // namespace wystrand
