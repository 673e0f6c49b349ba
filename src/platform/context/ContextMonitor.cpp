#include "platform/context/ContextMonitor.h"

#include <QMetaType>
#include <QTimer>
#include <QVariant>
#include <algorithm>

#include "platform/context/BusFlag.h"
#include "platform/context/GSettingsFlag.h"
#include "platform/context/MutterIdle.h"
#include "platform/wayland/WaylandClient.h"
#include "platform/wayland/WaylandFullscreen.h"
#include "platform/wayland/WaylandIdle.h"
#include "platform/x11/X11Fullscreen.h"
#include "platform/x11/X11Idle.h"

namespace wystrand {

namespace {

bool isTrue(const QVariant& value) {
    return value.metaType() == QMetaType::fromType<bool>() && value.toBool();
}

// GNOME's session manager sets bit 8 of InhibitedActions while an application keeps the
// session from going idle.
bool inhibitsIdle(const QVariant& value) {
    return value.metaType() == QMetaType::fromType<uint>() && (value.toUInt() & 8u) != 0;
}

const QString kNotifications = QStringLiteral("org.freedesktop.Notifications");
const QString kNotificationsPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kSessionManager = QStringLiteral("org.gnome.SessionManager");
const QString kPowerInhibit = QStringLiteral("org.freedesktop.PowerManagement.Inhibit");

}  // namespace

ContextMonitor::ContextMonitor(QObject* parent) : QObject(parent) {}

ContextMonitor::~ContextMonitor() = default;

void ContextMonitor::start() {
    if (std::exchange(started_, true)) {
        return;
    }
    const QString none;
    const std::pair<BusFlag::Spec, bool Context::*> busFlags[] = {
        // KDE Plasma's notification server and dunst answer on the same name.
        {{kNotifications, kNotificationsPath, kNotifications, QStringLiteral("Inhibited"), none,
          isTrue},
         &Context::doNotDisturb},
        {{kNotifications, kNotificationsPath, QStringLiteral("org.dunstproject.cmd0"),
          QStringLiteral("paused"), none, isTrue},
         &Context::doNotDisturb},
        {{kSessionManager, QStringLiteral("/org/gnome/SessionManager"), kSessionManager,
          QStringLiteral("InhibitedActions"), none, inhibitsIdle},
         &Context::inhibited},
        {{kPowerInhibit, QStringLiteral("/org/freedesktop/PowerManagement/Inhibit"), kPowerInhibit,
          QStringLiteral("HasInhibit"), QStringLiteral("HasInhibitChanged"), isTrue},
         &Context::inhibited},
    };
    for (const auto& [spec, cause] : busFlags) {
        follow(new BusFlag(spec, this), cause);
    }
    // GNOME's do-not-disturb turns its banners off. Its settings portal does not serve the key.
    follow(new GSettingsFlag({"org.gnome.desktop.notifications", "show-banners", false}, this),
           &Context::doNotDisturb);
    // Mutter counts the input of Wayland and X11 clients alike; XWayland's idle time only the
    // latter's.
    follow(new MutterIdle(this));
    if (wayland::layerShellChosen()) {
        follow(new wayland::WaylandFullscreen(this), &Context::fullscreen);
        follow(new wayland::WaylandIdle(this));
    }
    follow(new x11::X11Fullscreen(this), &Context::fullscreen);
    follow(new x11::X11Idle(this));

    QTimer::singleShot(settleCap, this, [this] {
        capped_ = true;
        update();
    });
    for (const auto& [source, cause] : busy_) {
        source->start();
    }
    for (IdleSource* source : idle_) {
        source->start();
    }
    update();
}

void ContextMonitor::follow(ContextSource* source, bool Context::*cause) {
    busy_.emplace_back(source, cause);
    connect(source, &ContextSource::changed, this, &ContextMonitor::update);
}

void ContextMonitor::follow(IdleSource* source) {
    idle_.push_back(source);
    source->setThreshold(threshold_);
    if (locked_) {
        source->awaitInput();
    }
    connect(source, &ContextSource::changed, this, &ContextMonitor::update);
    connect(source, &IdleSource::input, this, [this] {
        locked_ = false;
        update();
    });
}

void ContextMonitor::setAwayThreshold(std::chrono::milliseconds threshold) {
    threshold_ = threshold;
    for (IdleSource* source : idle_) {
        source->setThreshold(threshold);
    }
}

void ContextMonitor::screenLocked() {
    locked_ = true;
    for (IdleSource* source : idle_) {
        source->awaitInput();
    }
    update();
}

void ContextMonitor::update() {
    Context next;
    for (const auto& [source, cause] : busy_) {
        next.*cause = next.*cause || source->holds();
    }
    // The first source present decides, and until the cap one yet to answer may be that one.
    for (IdleSource* source : idle_) {
        if (source->present() || (!source->answered() && !capped_)) {
            next.away = locked_ || source->holds();
            break;
        }
    }
    if (next != context_) {
        context_ = next;
        emit changed(context_);
    }

    const auto answered = [](const auto* source) { return source->answered(); };
    const bool all = std::all_of(idle_.begin(), idle_.end(), answered) &&
                     std::all_of(busy_.begin(), busy_.end(),
                                 [&](const auto& entry) { return answered(entry.first); });
    if (started_ && !settled_ && (all || capped_)) {
        settled_ = true;
        emit settledNow();
    }
}

}  // namespace wystrand
