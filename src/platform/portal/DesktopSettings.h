#pragma once

#include <QDBusVariant>
#include <QObject>
#include <QString>
#include <optional>

#include "core/look/CardLook.h"

class QDBusPendingCallWatcher;

namespace wystrand {

// The desktop's colour scheme and reduced-motion preference, read from the settings portal on
// the session bus and followed while it runs. Nothing waits for the portal: the preferences
// start as "none", and each signal fires once a reply or a change makes a difference. A missing
// portal, an error reply or a value of the wrong type count as no preference; a portal that goes
// away leaves them as they were.
class DesktopSettings : public QObject {
    Q_OBJECT

public:
    explicit DesktopSettings(QObject* parent = nullptr);

    // Subscribes to changes and asks for the current values; returns at once.
    void start();

    ColorScheme colorScheme() const { return colorScheme_; }
    bool reducedMotion() const { return reducedMotion_; }

signals:
    void colorSchemeChanged(ColorScheme scheme);
    void reducedMotionChanged(bool reduced);

private slots:
    void settingChanged(const QString& space, const QString& key, const QDBusVariant& value);

private:
    // The keys read, in this order; each keeps the last value heard for it.
    enum Key { colorSchemeKey, reducedMotionKey, gnomeAnimationsKey, kdeAnimationFactorKey, keys };
    struct Setting {
        std::optional<bool> reduces;  // motion keys: whether the value asks for less motion
        ColorScheme scheme = ColorScheme::noPreference;
        bool heardLive = false;  // a change arrived; an older read reply no longer counts
    };

    void readAll();
    void readAllWith(bool readOne);
    void take(Key key, const QVariant& value);
    void publish();

    Setting settings_[keys];
    ColorScheme colorScheme_ = ColorScheme::noPreference;
    bool reducedMotion_ = false;
};

}  // namespace wystrand
