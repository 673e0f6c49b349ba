#include "platform/portal/DesktopSettings.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QMetaType>
#include <QVariant>
#include <algorithm>
#include <iterator>

namespace wystrand {

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.Settings");

struct KeyName {
    QLatin1String space;
    QLatin1String key;
};

// In the order of DesktopSettings::Key.
const KeyName kKeys[] = {
    {QLatin1String("org.freedesktop.appearance"), QLatin1String("color-scheme")},
    {QLatin1String("org.freedesktop.appearance"), QLatin1String("reduced-motion")},
    // GNOME's portal backend serves its own desktop settings, KDE's its kdeglobals.
    {QLatin1String("org.gnome.desktop.interface"), QLatin1String("enable-animations")},
    {QLatin1String("org.kde.kdeglobals.KDE"), QLatin1String("AnimationDurationFactor")},
};

// Version 1's Read wraps the value in a second variant; ReadOne and SettingChanged wrap it once.
QVariant unwrapped(QVariant value) {
    for (int level = 0; level < 2 && value.metaType() == QMetaType::fromType<QDBusVariant>();
         ++level) {
        value = value.value<QDBusVariant>().variant();
    }
    return value;
}

std::optional<uint> asUInt(const QVariant& value) {
    return value.metaType() == QMetaType::fromType<uint>() ? std::optional(value.toUInt())
                                                           : std::nullopt;
}

QDBusMessage settingsCall(const QString& method, const QString& space, const QString& key) {
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    call << space << key;
    return call;
}

}  // namespace

DesktopSettings::DesktopSettings(QObject* parent) : QObject(parent) {}

void DesktopSettings::start() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    // QtDBus looks the slot's parameter types up by name, which this one has only once registered.
    qRegisterMetaType<QDBusVariant>();
    bus.connect(kService, kPath, kInterface, QStringLiteral("SettingChanged"), this,
                SLOT(settingChanged(QString, QString, QDBusVariant)));
    // A portal that starts later, or again, is asked afresh.
    auto* watcher =
        new QDBusServiceWatcher(kService, bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& owner) {
                if (!owner.isEmpty()) {
                    readAll();
                }
            });
    readAll();
}

void DesktopSettings::readAll() {
    for (Setting& setting : settings_) {
        setting.heardLive = false;
    }
    QDBusMessage get = QDBusMessage::createMethodCall(
        kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << kInterface << QStringLiteral("version");
    auto* call = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(get), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        const QDBusMessage reply = call->reply();
        if (reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown")) {
            return;
        }
        const auto version = asUInt(unwrapped(reply.arguments().value(0)));
        readAllWith(version && *version >= 2);
    });
}

void DesktopSettings::readAllWith(bool readOne) {
    const QString method = readOne ? QStringLiteral("ReadOne") : QStringLiteral("Read");
    for (int key = 0; key < keys; ++key) {
        const QDBusMessage read = settingsCall(method, kKeys[key].space, kKeys[key].key);
        auto* call =
            new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(read), this);
        connect(call, &QDBusPendingCallWatcher::finished, this,
                [this, key](QDBusPendingCallWatcher* call) {
                    call->deleteLater();
                    const QDBusMessage reply = call->reply();
                    // An error keeps what was known; a change heard meanwhile is newer.
                    if (reply.type() == QDBusMessage::ReplyMessage && !settings_[key].heardLive) {
                        take(static_cast<Key>(key), unwrapped(reply.arguments().value(0)));
                        publish();
                    }
                });
    }
}

void DesktopSettings::settingChanged(const QString& space, const QString& key,
                                     const QDBusVariant& value) {
    const auto it = std::find_if(std::begin(kKeys), std::end(kKeys), [&](const KeyName& name) {
        return name.space == space && name.key == key;
    });
    if (it == std::end(kKeys)) {
        return;
    }
    const auto index = static_cast<Key>(it - std::begin(kKeys));
    settings_[index].heardLive = true;
    take(index, unwrapped(QVariant::fromValue(value)));
    publish();
}

void DesktopSettings::take(Key key, const QVariant& value) {
    Setting& setting = settings_[key];
    switch (key) {
        case colorSchemeKey: {
            const auto scheme = asUInt(value);
            setting.scheme = scheme == 1u   ? ColorScheme::dark
                             : scheme == 2u ? ColorScheme::light
                                            : ColorScheme::noPreference;
            break;
        }
        case reducedMotionKey: {
            const auto reduce = asUInt(value);
            setting.reduces = reduce ? std::optional(*reduce == 1) : std::nullopt;
            break;
        }
        case gnomeAnimationsKey:
            setting.reduces = value.metaType() == QMetaType::fromType<bool>()
                                  ? std::optional(!value.toBool())
                                  : std::nullopt;
            break;
        case kdeAnimationFactorKey:
            setting.reduces = value.metaType() == QMetaType::fromType<double>()
                                  ? std::optional(value.toDouble() == 0.0)
                                  : std::nullopt;
            break;
        case keys:
            break;
    }
}

void DesktopSettings::publish() {
    const ColorScheme scheme = settings_[colorSchemeKey].scheme;
    const bool reduced =
        std::any_of(std::begin(settings_) + reducedMotionKey, std::end(settings_),
                    [](const Setting& setting) { return setting.reduces.value_or(false); });
    if (scheme != colorScheme_) {
        colorScheme_ = scheme;
        emit colorSchemeChanged(scheme);
    }
    if (reduced != reducedMotion_) {
        reducedMotion_ = reduced;
        emit reducedMotionChanged(reduced);
    }
}

}  // namespace wystrand
