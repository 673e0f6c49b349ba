#pragma once

#include <QString>

namespace wystrand {

// The twenty-four default texts of one language.
struct LocaleStrings {
    QString titleEye;
    QString titleSitting;
    QString titleStress;
    QString titleExercise;
    QString titleAppFeedback;
    QString messageEye;
    QString messageSitting;
    QString messageStress;
    QString messageExercise;
    QString messageAppFeedback;
    QString acceptEye;
    QString acceptSitting;
    QString acceptStress;
    QString acceptAppFeedback;
    QString acceptDefault;
    QString snoozeAppFeedback;
    QString snoozeMorning;
    QString snoozeDefault;
    QString skip;
    QString eyebrowWarning;
    QString eyebrowAchievement;
    QString eyebrowSmart;
    QString eyebrowGentle;
    QString eyebrowMorning;

    // Lower-cases the tag and matches it exactly against en-us/en, ja-jp/ja, ko-kr/ko,
    // zh-cn/zh, es-es/es; anything else is Vietnamese.
    static LocaleStrings get(const QString& locale);

    friend bool operator==(const LocaleStrings&, const LocaleStrings&) = default;
};

}  // namespace wystrand
