#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <memory>
#include <ostream>

#include "platform/portal/DesktopSettings.h"
#include "support/FakePortal.h"
#include "support/PrivateServers.h"
#include "support/Wait.h"

namespace wystrand {

void PrintTo(ColorScheme scheme, std::ostream* out) {
    *out << (scheme == ColorScheme::dark    ? "dark"
             : scheme == ColorScheme::light ? "light"
                                            : "no preference");
}

namespace {

using test::FakePortal;
using test::kColorScheme;
using test::kGnomeAnimations;
using test::kKdeAnimationFactor;
using test::kReducedMotion;

class DesktopSettingsTest : public test::BusSuite {
protected:
    std::unique_ptr<FakePortal> portal(uint version) {
        auto fake = std::make_unique<FakePortal>(buses_->sessionAddress(), version);
        EXPECT_TRUE(fake->start());
        return fake;
    }
    static void settle() {
        EXPECT_TRUE(test::settle(QDBusConnection::sessionBus(), "org.freedesktop.portal.Desktop"));
    }
    static void answered(const FakePortal* fake, int reads = 4) {
        test::waitUntil([&] { return !fake || fake->reads() >= reads; });
        settle();
    }
    // Started against whatever serves the portal now, once its answers are in.
    std::unique_ptr<DesktopSettings> started(const FakePortal* fake, int reads = 4) {
        auto settings = std::make_unique<DesktopSettings>();
        settings->start();
        answered(fake, reads);
        return settings;
    }
};

// Each setting's first answer, in the shapes of both versions; the values and types that mean
// nothing are the same for live changes (below).
TEST_F(DesktopSettingsTest, FirstAnswersInBothShapes) {
    const struct {
        const char* name;
        FakePortal::Key key;
        QVariant value;
        ColorScheme scheme;
        bool reduced;
    } replies[] = {
        {"dark", kColorScheme, 1u, ColorScheme::dark, false},
        {"light", kColorScheme, 2u, ColorScheme::light, false},
        {"reduced motion", kReducedMotion, 1u, ColorScheme::noPreference, true},
        {"reduced motion as bool", kReducedMotion, true, ColorScheme::noPreference, false},
        {"GNOME without animations", kGnomeAnimations, false, ColorScheme::noPreference, true},
        {"KDE factor 0", kKdeAnimationFactor, 0.0, ColorScheme::noPreference, true},
        {"KDE factor 0.5", kKdeAnimationFactor, 0.5, ColorScheme::noPreference, false},
    };
    for (const uint version : {1u, 2u}) {
        for (const auto& reply : replies) {
            SCOPED_TRACE(testing::Message() << reply.name << ", version " << version);
            const auto fake = portal(version);
            fake->set(reply.key, reply.value);
            const auto settings = started(fake.get());
            EXPECT_EQ(settings->colorScheme(), reply.scheme);
            EXPECT_EQ(settings->reducedMotion(), reply.reduced);
        }
    }
}

TEST_F(DesktopSettingsTest, ChangesAreFollowedLiveAndBadOnesMeanNoPreference) {
    const auto fake = portal(1);
    fake->set(kColorScheme, 1u);
    const auto settings = started(fake.get());
    std::vector<ColorScheme> schemes;
    std::vector<bool> motion;
    QObject::connect(settings.get(), &DesktopSettings::colorSchemeChanged,
                     [&](ColorScheme scheme) { schemes.push_back(scheme); });
    QObject::connect(settings.get(), &DesktopSettings::reducedMotionChanged,
                     [&](bool reduced) { motion.push_back(reduced); });

    for (const QVariant& value : {QVariant(2u), QVariant(2u), QVariant("light"), QVariant(1u),
                                  QVariant(3u), QVariant(1u), QVariant(0u)}) {
        fake->change(kColorScheme, value);
    }
    // Two sources ask for less motion; it comes back only once neither does.
    for (const auto& [key, value] : {std::pair{kGnomeAnimations, QVariant(false)},
                                     {kKdeAnimationFactor, QVariant(0.0)},
                                     {kGnomeAnimations, QVariant(true)},
                                     {kKdeAnimationFactor, QVariant("fast")},
                                     {kReducedMotion, QVariant(1u)},
                                     {kReducedMotion, QVariant(0u)}}) {
        fake->change(key, value);
    }
    fake->change({"org.freedesktop.appearance", "accent-color"}, 1u);
    // Dark, but not in a variant or wrapped deeper than any version does, or from a sender that
    // does not own the portal's name.
    fake->change(kColorScheme, 1u, false);
    fake->change(kColorScheme, QVariant::fromValue(QDBusVariant(QVariant::fromValue(
                                   QDBusVariant(QVariant::fromValue(QDBusVariant(1u)))))));
    QDBusMessage spoof = QDBusMessage::createSignal(
        "/org/freedesktop/portal/desktop", "org.freedesktop.portal.Settings", "SettingChanged");
    spoof << kColorScheme.first << kColorScheme.second << QVariant::fromValue(QDBusVariant(1u));
    testBus().send(spoof);
    settle();
    EXPECT_EQ(schemes, (std::vector{ColorScheme::light, ColorScheme::noPreference,
                                    ColorScheme::dark, ColorScheme::noPreference, ColorScheme::dark,
                                    ColorScheme::noPreference}));
    EXPECT_EQ(motion, (std::vector{true, false, true, false}));
}

TEST_F(DesktopSettingsTest, AChangeHeardBeforeTheFirstAnswerWins) {
    const auto fake = portal(2);
    fake->set(kColorScheme, 1u);
    fake->hold(true);
    const auto settings = started(fake.get());
    fake->change(kColorScheme, 2u);
    settle();
    fake->set(kColorScheme, 1u);  // the held answer is older than the change
    fake->release();
    settle();
    EXPECT_EQ(settings->colorScheme(), ColorScheme::light);
}

TEST_F(DesktopSettingsTest, NoPortalOrARefusingOneGivesNoPreferenceUntilOneAnswers) {
    auto fake = portal(1);
    fake->set(kColorScheme, 1u);
    fake->set(kGnomeAnimations, false);
    fake->refuse(true);
    EXPECT_EQ(started(fake.get(), 0)->colorScheme(), ColorScheme::noPreference);

    fake.reset();
    const auto settings = started(nullptr);
    EXPECT_EQ(settings->colorScheme(), ColorScheme::noPreference);
    EXPECT_FALSE(settings->reducedMotion());
    // A portal that starts later is asked then.
    fake = portal(1);
    fake->set(kColorScheme, 1u);
    fake->set(kGnomeAnimations, false);
    answered(fake.get());
    EXPECT_EQ(settings->colorScheme(), ColorScheme::dark);
    EXPECT_TRUE(settings->reducedMotion());
}

}  // namespace
}  // namespace wystrand
