#pragma once

#include <QString>
#include <QVariant>
#include <map>
#include <string>
#include <utility>

#include "support/FakeService.h"

namespace wystrand::test {

// The desktop settings portal as far as the agent asks it: the "version" property, Read (the
// value wrapped twice, as version 1 answers) and, from version 2 on, ReadOne (wrapped once), and
// the SettingChanged signal. Keys it was not given are not found.
class FakePortal : public FakeService {
public:
    using Key = std::pair<QString, QString>;  // namespace, key

    FakePortal(const std::string& address, uint version);

    void set(const Key& key, const QVariant& value) { values_[key] = value; }
    // Sets the value and announces it, in a variant as the interface has it or, to test a
    // faulty portal, bare.
    void change(const Key& key, const QVariant& value, bool inVariant = true);
    int reads() const { return calls("Read") + calls("ReadOne"); }

private:
    std::map<Key, QVariant> values_;
};

inline const FakePortal::Key kColorScheme{"org.freedesktop.appearance", "color-scheme"};
inline const FakePortal::Key kReducedMotion{"org.freedesktop.appearance", "reduced-motion"};
inline const FakePortal::Key kGnomeAnimations{"org.gnome.desktop.interface", "enable-animations"};
inline const FakePortal::Key kKdeAnimationFactor{"org.kde.kdeglobals.KDE",
                                                 "AnimationDurationFactor"};

}  // namespace wystrand::test
