// Cards as layer surfaces on a private headless sway, checked from its screenshots.
#include <gmock/gmock.h>
#include <wayland-client.h>

#include <QImage>
#include <QPainter>
#include <QProcess>
#include <cstdlib>
#include <vector>

#include "platform/WindowSystem.h"
#include "platform/wayland/ShmBuffer.h"
#include "platform/wayland/WaylandClient.h"
#include "protocols/wlr-layer-shell-unstable-v1-client.h"
#include "support/Cards.h"
#include "support/Sway.h"
#include "support/VirtualPointer.h"
#include "support/Wait.h"
#include "ui/card/NotifyView.h"
#include "ui/card/PlainButton.h"
#include "ui/panels/NotifyPanel.h"
#include "ui/panels/WindowManager.h"

namespace wystrand {
namespace {

using namespace std::chrono_literals;
using test::sway;
using Span = std::pair<int, int>;  // first and last pixel, inclusive
using Spans = std::vector<Span>;

class LayerPanelTest : public test::SwayTest, public test::CardStack {
protected:
    static QImage screenshot() {
        QProcess grim;
        grim.start("grim", {"-t", "ppm", "-"});
        grim.waitForFinished();
        return QImage::fromData(grim.readAllStandardOutput(), "PPM");
    }
    // The runs of pixels that differ from the desktop's background along one line; a pixel of
    // text that happens to match the background does not cut a run.
    static Spans spans(const QImage& shot, bool column, int at) {
        Spans found;
        if (shot.isNull()) {
            return found;
        }
        const QRgb background = shot.pixel(0, shot.height() - 1);
        const int length = column ? shot.height() : shot.width();
        for (int i = 0; i < length; ++i) {
            if ((column ? shot.pixel(at, i) : shot.pixel(i, at)) == background) {
                continue;
            }
            if (!found.empty() && found.back().second >= i - 3) {
                found.back().second = i;
            } else {
                found.emplace_back(i, i);
            }
        }
        return found;
    }
    template <typename Predicate>
    bool shotUntil(Predicate done, std::chrono::milliseconds timeout = 5s) {
        return test::waitUntil([&] { return done(shot_ = screenshot()); }, timeout);
    }

    QImage shot_;
};

// The column's centre on a 1440 px wide output: cards span x 1108..1427.
constexpr int middle = 1267;

// Where a card whose frame starts at `top` shows pixels: its view keeps its natural height,
// centred in the frame.
Span drawn(const NotifyPanel* panel, int top, int scale = 1) {
    const QRect card = panel->view()->geometry().intersected(panel->rect());
    return {(top + card.top()) * scale, (top + card.bottom() + 1) * scale - 1};
}

TEST_F(LayerPanelTest, CardsSlideInRedrawTakeClicksAndCloseUp) {
    test::VirtualPointer pointer;
    ASSERT_TRUE(pointer.valid());
    manager = std::make_unique<WindowManager>(PanelTiming{4000ms, 30ms, 30ms, 100ms});
    NotifyPanel* a = show("a", NotifyMode::alert, 600);
    NotifyPanel* c = show("c", NotifyMode::countdown, 600);
    // Part of the way in: the left edge between its place and the screen's edge.
    EXPECT_TRUE(shotUntil([](const QImage& s) {
        const Spans row = spans(s, false, 40);
        return row.size() == 1 && row[0].first > 1108 && row[0].first < 1400 &&
               row[0].second == 1439;
    }));
    const Spans column{drawn(a, 8), drawn(c, 144)};
    EXPECT_TRUE(shotUntil(
        [&](const QImage& s) {
            return spans(s, true, middle) == column && spans(s, false, 70) == Spans{{1108, 1427}};
        },
        10s))
        << testing::PrintToString(spans(shot_, true, middle));
    const QRect clock(1108, column[1].first, 320, column[1].second - column[1].first + 1);
    const QImage first = shot_.copy(clock);
    EXPECT_TRUE(shotUntil([&](const QImage& s) { return s.copy(clock) != first; }));

    auto* primary = a->view()->findChild<PlainButton*>("primary");
    const QPoint at = primary->mapTo(a, primary->rect().center()) + QPoint(1108, 8);
    pointer.click(at.x(), at.y(), 1440, 875);
    EXPECT_TRUE(shotUntil([&](const QImage& s) {
        return spans(s, true, middle) == Spans{drawn(c, 8)};
    })) << testing::PrintToString(spans(shot_, true, middle));
    EXPECT_EQ(results, (Results{{"a", 0}}));
}

// A panel along the top edge, `height` tall, that keeps its height to itself (an exclusive
// zone), drawn in white.
class TopPanel {
public:
    explicit TopPanel(int height) : client_(wayland::WaylandClient::instance()) {
        surface_ = wl_compositor_create_surface(client_.compositor());
        layer_ = zwlr_layer_shell_v1_get_layer_surface(client_.layerShell(), surface_, nullptr,
                                                       ZWLR_LAYER_SHELL_V1_LAYER_TOP, "panel");
        static constexpr zwlr_layer_surface_v1_listener listener{
            [](void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial, std::uint32_t width,
               std::uint32_t height) {
                auto* self = static_cast<TopPanel*>(data);
                zwlr_layer_surface_v1_ack_configure(layer, serial);
                self->buffer_ = std::make_unique<wayland::ShmBuffer>(
                    self->client_.shm(), QSize(int(width), int(height)));
                self->buffer_->image().fill(Qt::white);
                wl_surface_attach(self->surface_, self->buffer_->attach(), 0, 0);
                wl_surface_commit(self->surface_);
            },
            [](void*, zwlr_layer_surface_v1*) {}};
        zwlr_layer_surface_v1_add_listener(layer_, &listener, this);
        zwlr_layer_surface_v1_set_size(layer_, 0, static_cast<std::uint32_t>(height));
        zwlr_layer_surface_v1_set_anchor(layer_, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP |
                                                     ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT |
                                                     ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
        zwlr_layer_surface_v1_set_exclusive_zone(layer_, height);
        wl_surface_commit(surface_);
        client_.scheduleFlush();
    }
    ~TopPanel() {
        zwlr_layer_surface_v1_destroy(layer_);
        wl_surface_destroy(surface_);
        client_.scheduleFlush();
    }

private:
    wayland::WaylandClient& client_;
    wl_surface* surface_;
    zwlr_layer_surface_v1* layer_;
    std::unique_ptr<wayland::ShmBuffer> buffer_;
};

// The room is what the compositor leaves on the output: here below a panel. A card that would
// start below it waits without a surface until a restack brings it up.
TEST_F(LayerPanelTest, TheColumnTakesItsRoomFromTheCompositor) {
    ASSERT_TRUE(sway().swaymsg({"output", "HEADLESS-1", "resolution", "1280x720"}));
    TopPanel panel(30);
    ASSERT_TRUE(test::waitUntil(
        [] { return windowSystem().columnFrame(true) == QRect(-1280, 0, 1280, 690); }));
    using enum NotifyMode;
    for (const NotifyMode mode : {countdown, alert, alert, alert, alert, alert}) {
        show(QString::number(manager->order().size()), mode);
    }
    // At 712 the last would show on the output, but not in the 690 px the panel leaves.
    NotifyPanel* last = manager->panel("5");
    EXPECT_EQ(last->targetFrame().y(), 712);
    EXPECT_FALSE(last->isVisible());
    manager->dismiss("0");
    // Below the panel, at the column's centre on a 1280 px wide output.
    Spans column{{0, 29}};
    for (int i = 1; i <= 5; ++i) {
        column.push_back(drawn(manager->panel(QString::number(i)), 30 + 8 + (i - 1) * 136));
    }
    EXPECT_TRUE(shotUntil([&](const QImage& s) { return spans(s, true, 1107) == column; }))
        << testing::PrintToString(spans(shot_, true, 1107));
    EXPECT_TRUE(sway().swaymsg({"output", "HEADLESS-1", "resolution", "1440x875"}));
}

// The card drawn as the compositor should show it: at `scale`, over the background.
QImage expected(NotifyPanel& panel, int scale, QRgb background) {
    QImage card(panel.size() * scale, QImage::Format_ARGB32_Premultiplied);
    card.setDevicePixelRatio(scale);
    card.fill(Qt::transparent);
    panel.render(&card, QPoint(), QRegion(), QWidget::DrawChildren);
    card.setDevicePixelRatio(1);
    if (scale == 1) {
        card = card.scaled(card.size() * 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    QImage over(card.size(), QImage::Format_RGB32);
    over.fill(background);
    QPainter(&over).drawImage(0, 0, card);
    return over;
}

double difference(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    }
    return sum / (a.width() * a.height());
}

TEST_F(LayerPanelTest, AtScaleTwoTheCardIsDrawnAtTwiceThePixels) {
    ASSERT_TRUE(sway().swaymsg({"output", "HEADLESS-1", "scale", "2"}));
    NotifyPanel& panel = *show("hi", NotifyMode::info);
    // 720 logical pixels wide: the card spans 388..707, physical 776..1415.
    const Span rows = drawn(&panel, 8, 2);
    // Antialiasing may reach one physical pixel above the card's edge.
    const bool placed = shotUntil([&](const QImage& s) {
        const Spans column = spans(s, true, 1100);
        return column.size() == 1 && std::abs(column[0].first - rows.first) <= 1 &&
               column[0].second == rows.second && spans(s, false, 100) == Spans{{776, 1415}};
    });
    ASSERT_TRUE(sway().swaymsg({"output", "HEADLESS-1", "scale", "1"}));
    ASSERT_TRUE(placed) << testing::PrintToString(spans(shot_, false, 100))
                        << testing::PrintToString(spans(shot_, true, 1100))
                        << testing::PrintToString(rows);
    const QImage onScreen = shot_.copy(776, 16, 640, 160);
    const QRgb background = shot_.pixel(0, shot_.height() - 1);
    const double crisp = difference(onScreen, expected(panel, 2, background));
    const double upscaled = difference(onScreen, expected(panel, 1, background));
    EXPECT_LT(crisp * 2, upscaled) << crisp << " vs " << upscaled;
}

// Last: sway 1.7 cannot take the second output away again (`output ... disable` leaves it).
TEST_F(LayerPanelTest, OneColumnOneOutput) {
    // A second output to the right of the first, 1280 wide.
    ASSERT_TRUE(sway().swaymsg({"create_output"}));
    ASSERT_TRUE(sway().swaymsg(
                    {"output", "HEADLESS-2", "resolution", "1280x720", "position", "1440", "0"}) &&
                sway().swaymsg({"output", "HEADLESS-1", "position", "0", "0"}));
    const auto rowAt = [&](int y) {
        return shotUntil([&](const QImage& s) { return !spans(s, false, y).empty(); })
                   ? spans(shot_, false, y)
                   : Spans();
    };
    ASSERT_TRUE(sway().swaymsg({"focus", "output", "HEADLESS-1"}));
    show("a", NotifyMode::info);
    EXPECT_EQ(rowAt(40), (Spans{{1108, 1427}})) << "where the focus is";
    ASSERT_TRUE(sway().swaymsg({"focus", "output", "HEADLESS-2"}));
    show("b", NotifyMode::info);
    EXPECT_EQ(rowAt(130), (Spans{{1108, 1427}})) << "below the first, on its output";
    manager->dismissAll();
    ASSERT_TRUE(test::waitUntil([&] { return results.size() == 2; }));
    show("c", NotifyMode::info);
    EXPECT_EQ(rowAt(40), (Spans{{1440 + 948, 1440 + 1267}})) << "a new column, where the focus is";
}

}  // namespace
}  // namespace wystrand
