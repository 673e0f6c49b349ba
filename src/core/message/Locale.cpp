#include "core/message/Locale.h"

#include <QLatin1String>

namespace wystrand {
namespace {

// Built once on first use; QStringLiteral data is static, so a copy only shares it.
const LocaleStrings& english() {
    static const LocaleStrings strings{
        .titleEye = QStringLiteral(u"Eye break"),
        .titleSitting = QStringLiteral(u"Stand up and move"),
        .titleStress = QStringLiteral(u"You've been at it a while"),
        .titleExercise = QStringLiteral(u"Light exercise"),
        .titleAppFeedback = QStringLiteral(u"Personalise"),
        .messageEye = QStringLiteral(u"Look 6 m away — away from the screen"),
        .messageSitting = QStringLiteral(u"Stand up and walk around gently"),
        .messageStress = QStringLiteral(u"Breathe slowly, relax a little"),
        .messageExercise = QStringLiteral(u"Follow the guide"),
        .messageAppFeedback = QStringLiteral(u"Confirm your work category so the app can learn"),
        .acceptEye = QStringLiteral(u"Take a break"),
        .acceptSitting = QStringLiteral(u"Stand up now"),
        .acceptStress = QStringLiteral(u"Breathe now"),
        .acceptAppFeedback = QStringLiteral(u"Yes, correct"),
        .acceptDefault = QStringLiteral(u"Do it"),
        .snoozeAppFeedback = QStringLiteral(u"Don't ask again"),
        .snoozeMorning = QStringLiteral(u"Remind me later"),
        .snoozeDefault = QStringLiteral(u"Later"),
        .skip = QStringLiteral(u"Skip"),
        .eyebrowWarning = QStringLiteral(u"HEADS UP"),
        .eyebrowAchievement = QStringLiteral(u"ACHIEVEMENT"),
        .eyebrowSmart = QStringLiteral(u"SMART TIP"),
        .eyebrowGentle = QStringLiteral(u"GENTLE REMINDER"),
        .eyebrowMorning = QStringLiteral(u"PRODUCTIVITY TIP"),
    };
    return strings;
}

const LocaleStrings& spanish() {
    static const LocaleStrings strings{
        .titleEye = QStringLiteral(u"Descanso visual"),
        .titleSitting = QStringLiteral(u"Levántate y muévete"),
        .titleStress = QStringLiteral(u"Llevas un rato sin parar"),
        .titleExercise = QStringLiteral(u"Ejercicio suave"),
        .titleAppFeedback = QStringLiteral(u"Personalizar"),
        .messageEye = QStringLiteral(u"Mira a 6 metros de distancia para relajar los ojos"),
        .messageSitting = QStringLiteral(u"Levántate y camina un poco"),
        .messageStress = QStringLiteral(u"Respira despacio y relájate un momento"),
        .messageExercise = QStringLiteral(u"Sigue las instrucciones"),
        .messageAppFeedback =
            QStringLiteral(u"Confirma tu categoría de trabajo para que la app aprenda"),
        .acceptEye = QStringLiteral(u"Descansar ahora"),
        .acceptSitting = QStringLiteral(u"Levantarse ya"),
        .acceptStress = QStringLiteral(u"Respirar ahora"),
        .acceptAppFeedback = QStringLiteral(u"Sí, correcto"),
        .acceptDefault = QStringLiteral(u"Hacerlo"),
        .snoozeAppFeedback = QStringLiteral(u"No preguntar más"),
        .snoozeMorning = QStringLiteral(u"Recordarme después"),
        .snoozeDefault = QStringLiteral(u"Después"),
        .skip = QStringLiteral(u"Saltar"),
        .eyebrowWarning = QStringLiteral(u"ATENCIÓN"),
        .eyebrowAchievement = QStringLiteral(u"LOGRO"),
        .eyebrowSmart = QStringLiteral(u"CONSEJO INTELIGENTE"),
        .eyebrowGentle = QStringLiteral(u"RECORDATORIO"),
        .eyebrowMorning = QStringLiteral(u"ENERGÍA MATUTINA"),
    };
    return strings;
}

const LocaleStrings& vietnamese() {
    static const LocaleStrings strings{
        .titleEye = QStringLiteral(u"Thư giãn mắt"),
        .titleSitting = QStringLiteral(u"Đứng dậy vận động"),
        .titleStress = QStringLiteral(u"Làm việc liên tục quá lâu"),
        .titleExercise = QStringLiteral(u"Bài tập nhẹ"),
        .titleAppFeedback = QStringLiteral(u"Cá nhân hóa gợi ý"),
        .messageEye = QStringLiteral(u"Nhìn xa 6m, không nhìn màn hình"),
        .messageSitting = QStringLiteral(u"Đứng dậy, đi lại nhẹ nhàng"),
        .messageStress = QStringLiteral(u"Hít thở chậm, thả lỏng một chút"),
        .messageExercise = QStringLiteral(u"Làm theo hướng dẫn"),
        .messageAppFeedback = QStringLiteral(u"Xác nhận nhóm công việc để học thói quen"),
        .acceptEye = QStringLiteral(u"Nghỉ mắt ngay"),
        .acceptSitting = QStringLiteral(u"Đứng dậy ngay"),
        .acceptStress = QStringLiteral(u"Hít thở ngay"),
        .acceptAppFeedback = QStringLiteral(u"Đúng vậy"),
        .acceptDefault = QStringLiteral(u"Thực hiện"),
        .snoozeAppFeedback = QStringLiteral(u"Không hỏi lại"),
        .snoozeMorning = QStringLiteral(u"Nhắc lại sau"),
        .snoozeDefault = QStringLiteral(u"Để sau"),
        .skip = QStringLiteral(u"Bỏ qua"),
        .eyebrowWarning = QStringLiteral(u"CẦN CHÚ Ý"),
        .eyebrowAchievement = QStringLiteral(u"THÀNH TÍCH"),
        .eyebrowSmart = QStringLiteral(u"GỢI Ý HIỆU QUẢ"),
        .eyebrowGentle = QStringLiteral(u"NHẮC NHẸ"),
        .eyebrowMorning = QStringLiteral(u"GỢI Ý HIỆU QUẢ"),
    };
    return strings;
}

const LocaleStrings& chinese() {
    static const LocaleStrings strings{
        .titleEye = QStringLiteral(u"眼部休息"),
        .titleSitting = QStringLiteral(u"起身活动"),
        .titleStress = QStringLiteral(u"连续工作了一段时间"),
        .titleExercise = QStringLiteral(u"轻松运动"),
        .titleAppFeedback = QStringLiteral(u"个性化设置"),
        .messageEye = QStringLiteral(u"请注视6米远处，离开屏幕让眼睛休息"),
        .messageSitting = QStringLiteral(u"请起身轻柔走动"),
        .messageStress = QStringLiteral(u"请慢慢深呼吸，稍微放松一下"),
        .messageExercise = QStringLiteral(u"请按照指引进行"),
        .messageAppFeedback = QStringLiteral(u"确认您的工作类别，让应用更好地学习"),
        .acceptEye = QStringLiteral(u"立即休息"),
        .acceptSitting = QStringLiteral(u"立即起身"),
        .acceptStress = QStringLiteral(u"立即呼吸"),
        .acceptAppFeedback = QStringLiteral(u"没错"),
        .acceptDefault = QStringLiteral(u"开始"),
        .snoozeAppFeedback = QStringLiteral(u"不再询问"),
        .snoozeMorning = QStringLiteral(u"稍后提醒"),
        .snoozeDefault = QStringLiteral(u"稍后"),
        .skip = QStringLiteral(u"跳过"),
        .eyebrowWarning = QStringLiteral(u"注意"),
        .eyebrowAchievement = QStringLiteral(u"成就"),
        .eyebrowSmart = QStringLiteral(u"智能建议"),
        .eyebrowGentle = QStringLiteral(u"温馨提示"),
        .eyebrowMorning = QStringLiteral(u"早晨能量"),
    };
    return strings;
}

const LocaleStrings& korean() {
    static const LocaleStrings strings{
        .titleEye = QStringLiteral(u"눈 휴식"),
        .titleSitting = QStringLiteral(u"일어서서 움직이세요"),
        .titleStress = QStringLiteral(u"계속 작업 중입니다"),
        .titleExercise = QStringLiteral(u"가벼운 운동"),
        .titleAppFeedback = QStringLiteral(u"맞춤 설정"),
        .messageEye = QStringLiteral(u"6미터 거리를 바라보며 화면에서 눈을 돌리세요"),
        .messageSitting = QStringLiteral(u"일어서서 가볍게 걸어보세요"),
        .messageStress = QStringLiteral(u"천천히 호흡하고 조금 긴장을 풀어보세요"),
        .messageExercise = QStringLiteral(u"가이드를 따라주세요"),
        .messageAppFeedback = QStringLiteral(u"작업 카테고리를 확인해 앱이 학습하게 해주세요"),
        .acceptEye = QStringLiteral(u"지금 휴식"),
        .acceptSitting = QStringLiteral(u"지금 일어서기"),
        .acceptStress = QStringLiteral(u"지금 호흡"),
        .acceptAppFeedback = QStringLiteral(u"맞아요"),
        .acceptDefault = QStringLiteral(u"실행하기"),
        .snoozeAppFeedback = QStringLiteral(u"다시 묻지 않기"),
        .snoozeMorning = QStringLiteral(u"나중에 알림"),
        .snoozeDefault = QStringLiteral(u"나중에"),
        .skip = QStringLiteral(u"건너뛰기"),
        .eyebrowWarning = QStringLiteral(u"주의"),
        .eyebrowAchievement = QStringLiteral(u"성취"),
        .eyebrowSmart = QStringLiteral(u"추천"),
        .eyebrowGentle = QStringLiteral(u"리마인더"),
        .eyebrowMorning = QStringLiteral(u"아침 에너지"),
    };
    return strings;
}

const LocaleStrings& japanese() {
    static const LocaleStrings strings{
        .titleEye = QStringLiteral(u"目の休憩"),
        .titleSitting = QStringLiteral(u"立ち上がって動きましょう"),
        .titleStress = QStringLiteral(u"しばらく作業が続いています"),
        .titleExercise = QStringLiteral(u"軽い運動"),
        .titleAppFeedback = QStringLiteral(u"カスタマイズ"),
        .messageEye = QStringLiteral(u"6メートル先を見て、画面から目を離しましょう"),
        .messageSitting = QStringLiteral(u"立ち上がって軽く歩きましょう"),
        .messageStress = QStringLiteral(u"ゆっくり深呼吸して少しリラックスしましょう"),
        .messageExercise = QStringLiteral(u"ガイドに従ってください"),
        .messageAppFeedback = QStringLiteral(u"作業カテゴリを確認してアプリに学習させましょう"),
        .acceptEye = QStringLiteral(u"休憩する"),
        .acceptSitting = QStringLiteral(u"今すぐ立ち上がる"),
        .acceptStress = QStringLiteral(u"今すぐ深呼吸"),
        .acceptAppFeedback = QStringLiteral(u"はい、正しい"),
        .acceptDefault = QStringLiteral(u"実行する"),
        .snoozeAppFeedback = QStringLiteral(u"次回から聞かない"),
        .snoozeMorning = QStringLiteral(u"後で通知"),
        .snoozeDefault = QStringLiteral(u"後で"),
        .skip = QStringLiteral(u"スキップ"),
        .eyebrowWarning = QStringLiteral(u"注意"),
        .eyebrowAchievement = QStringLiteral(u"実績"),
        .eyebrowSmart = QStringLiteral(u"おすすめ"),
        .eyebrowGentle = QStringLiteral(u"リマインダー"),
        .eyebrowMorning = QStringLiteral(u"朝のエネルギー"),
    };
    return strings;
}

}  // namespace

LocaleStrings LocaleStrings::get(const QString& locale) {
    const QString tag = locale.toLower();
    if (tag == QLatin1String("en-us") || tag == QLatin1String("en")) {
        return english();
    }
    if (tag == QLatin1String("ja-jp") || tag == QLatin1String("ja")) {
        return japanese();
    }
    if (tag == QLatin1String("ko-kr") || tag == QLatin1String("ko")) {
        return korean();
    }
    if (tag == QLatin1String("zh-cn") || tag == QLatin1String("zh")) {
        return chinese();
    }
    if (tag == QLatin1String("es-es") || tag == QLatin1String("es")) {
        return spanish();
    }
    return vietnamese();
}

}  // namespace wystrand
