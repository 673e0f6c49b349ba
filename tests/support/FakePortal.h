#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QString>
#include <QVariant>
#include <map>
#include <utility>
#include <vector>

namespace wystrand::test {

// The desktop settings portal as far as the agent asks it: the "version" property, Read (the
// value wrapped twice, as version 1 answers) and ReadOne (wrapped once, version 2 on), and the
// SettingChanged signal. Keys it was not given are not found; `refuse` makes every call fail.
class FakePortal : public QDBusVirtualObject {
public:
    using Key = std::pair<QString, QString>;  // namespace, key

    // Serves on its own connection to the bus at `address` once started.
    FakePortal(const QString& address, uint version);
    ~FakePortal() override;

    bool start();
    void stop();

    void set(const Key& key, const QVariant& value) { values_[key] = value; }
    // Sets the value and announces it, in a variant as the interface has it or, to test a
    // faulty portal, bare.
    void change(const Key& key, const QVariant& value, bool inVariant = true);
    void refuse(bool refuse) { refuse_ = refuse; }
    // Held reads are answered, with the values of that moment, only by release().
    void hold(bool hold) { hold_ = hold; }
    void release();

    // Read and ReadOne calls answered or held so far.
    int reads() const { return reads_; }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& call, const QDBusConnection& bus) override;

private:
    QDBusMessage answer(const QDBusMessage& call) const;

    QDBusConnection bus_;
    uint version_;
    std::map<Key, QVariant> values_;
    bool refuse_ = false;
    bool hold_ = false;
    std::vector<QDBusMessage> held_;
    int reads_ = 0;
};

inline const FakePortal::Key kColorScheme{"org.freedesktop.appearance", "color-scheme"};
inline const FakePortal::Key kReducedMotion{"org.freedesktop.appearance", "reduced-motion"};
inline const FakePortal::Key kGnomeAnimations{"org.gnome.desktop.interface", "enable-animations"};
inline const FakePortal::Key kKdeAnimationFactor{"org.kde.kdeglobals.KDE",
                                                 "AnimationDurationFactor"};
inline const FakePortal::Key kShowBanners{"org.gnome.desktop.notifications", "show-banners"};

}  // namespace wystrand::test
