#pragma once

#include <memory>

#include "platform/context/ContextSource.h"

struct ext_idle_notifier_v1;
struct org_kde_kwin_idle;

namespace wystrand::wayland {

// Idle time as the compositor counts it: ext_idle_notifier_v1 where offered, else
// org_kde_kwin_idle (sway 1.7, KWin 5.27). Each gives timeouts that say "idled" after that long
// without input and "resumed" at the next input: one at the threshold, and a short one while
// the next input is awaited and the first has not idled. A timeout counts from its creation, so
// a new threshold is known to hold at once only when it is shorter than the one that did.
// On the agent's WaylandClient, so only with cards as layer surfaces.
class WaylandIdle : public IdleSource {
public:
    explicit WaylandIdle(QObject* parent = nullptr);
    ~WaylandIdle() override;

    void start() override;

    struct Timeout;

private:
    void rearm(std::chrono::milliseconds previous) override;
    void armInput() override;
    std::unique_ptr<Timeout> timeout(std::chrono::milliseconds after);
    void idled(Timeout* timeout);
    void resumed(Timeout* timeout);

    ext_idle_notifier_v1* notifier_ = nullptr;
    org_kde_kwin_idle* kdeIdle_ = nullptr;
    std::unique_ptr<Timeout> away_;
    std::unique_ptr<Timeout> nextInput_;
};

}  // namespace wystrand::wayland
