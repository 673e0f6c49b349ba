#pragma once

#include <QTest>
#include <chrono>
#include <memory>
#include <ostream>
#include <utility>
#include <vector>

#include "core/message/ShowConfig.h"
#include "ui/panels/NotifyPanel.h"
#include "ui/panels/WindowManager.h"

namespace wystrand {

inline void PrintTo(CardResult result, std::ostream* out) {
    *out << resultCode(result) << ' ' << reasonName(result.reason);
}

}  // namespace wystrand

namespace wystrand::test {

// An eye break with every text given.
inline ShowConfig card(const QString& id, NotifyMode mode, std::int64_t duration = 90) {
    ShowConfig c;
    c.id = id;
    c.mode = mode;
    c.type = &NotifyType::named("eye");
    c.title = "Eye break";
    c.message = "Look away";
    c.primary = "Take a break";
    c.secondary = "Later";
    c.skip = "Skip";
    c.duration = duration;
    return c;
}

// A window manager on short timings that keeps each card's result with its id, in order.
struct CardStack {
    using Results = std::vector<std::pair<QString, std::int64_t>>;

    ~CardStack() {
        manager.reset();
        QTest::qWait(0);  // its deferred deletes
    }
    NotifyPanel* show(const QString& id, NotifyMode mode, std::int64_t duration = 90) {
        manager->show(card(id, mode, duration), nullptr, [this, id](CardResult code) {
            results.push_back({id, resultCode(code)});
        });
        return manager->panel(id);
    }

    std::unique_ptr<WindowManager> manager = std::make_unique<WindowManager>(
        PanelTiming{std::chrono::milliseconds(20), std::chrono::milliseconds(20),
                    std::chrono::milliseconds(20), std::chrono::milliseconds(1000)});
    Results results;
};

}  // namespace wystrand::test
