#include "ui/card/NotifyView.h"

#include <QAbstractButton>
#include <QEvent>
#include <QFont>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPen>
#include <QVBoxLayout>

#include "core/card/CardGeometry.h"
#include "ui/card/CardChrome.h"
#include "ui/card/CardFonts.h"
#include "ui/card/CardParts.h"
#include "ui/card/ElidedTextLabel.h"
#include "ui/card/PlainButton.h"
#include "ui/card/TimerDelay.h"

namespace wystrand {

namespace {

// No card can show more than a few hundred characters of one text, and laying out a longer one
// would hold the main thread for as long as the text is long. The cut keeps a surrogate pair
// whole and ends with an ellipsis, so the label still marks the text as cut.
constexpr qsizetype maxShownLength = 2048;

// The focus ring: its pen, and how far outside the button it runs.
constexpr qreal focusRingWidth = 2;
constexpr qreal focusRingGap = 3;

QString onCard(const QString& text) {
    if (text.size() <= maxShownLength) {
        return text;
    }
    const qsizetype kept =
        text.at(maxShownLength - 1).isHighSurrogate() ? maxShownLength - 1 : maxShownLength;
    return text.left(kept) + QChar(0x2026);
}

QColor withOpacity(QColor color, double opacity) {
    color.setAlphaF(color.alphaF() * opacity);
    return color;
}

QColor toColor(const Rgba& c) {
    return QColor::fromRgbF(c.red, c.green, c.blue, c.alpha);
}

Rgba toRgba(const QColor& c) {
    return {c.redF(), c.greenF(), c.blueF(), c.alphaF()};
}

void setForeground(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::ButtonText, color);
    widget->setPalette(palette);
}

}  // namespace

QString clockText(std::int64_t seconds) {
    return QString::asprintf("%02lld:%02lld", static_cast<long long>(seconds / 60),
                             static_cast<long long>(seconds % 60));
}

NotifyView::NotifyView(const ShowConfig& config, ResultCallback onResult,
                       std::chrono::milliseconds second, QWidget* parent)
    : QWidget(parent),
      config_(config),
      onResult_(std::move(onResult)),
      second_(second),
      secondsLeft_(std::max<std::int64_t>(config.duration, 1)) {
    accent_ = toColor(config_.variant->theme.accent);
    tint_ = toColor(config_.variant->theme.tint);

    displayTimer_.setSingleShot(true);
    displayTimer_.setTimerType(Qt::PreciseTimer);
    // An alert left unanswered is put off; any other card has run its course.
    connect(&displayTimer_, &QTimer::timeout, this, [this] {
        end(config_.mode == NotifyMode::alert ? cardEnd::unanswered : cardEnd::ranItsCourse);
    });
    tickTimer_.setSingleShot(true);
    tickTimer_.setTimerType(Qt::PreciseTimer);
    connect(&tickTimer_, &QTimer::timeout, this, &NotifyView::countdownStep);

    auto* card = new QVBoxLayout(this);
    card->setContentsMargins(0, 0, 0, 0);
    card->setSpacing(0);
    card->addLayout(buildHeaderRow());
    card->addLayout(buildContentRow());
    if (config_.mode != NotifyMode::info) {
        divider_ = new Divider(QColor(), this);
        divider_->setObjectName(QStringLiteral("divider"));
        divider_->setContentsMargins(cardPadding, 0, cardPadding, 0);
        card->addWidget(divider_);
        card->addLayout(config_.mode == NotifyMode::alert ? buildAlertButtons()
                                                          : buildCountdownSection());
    }
    setFixedWidth(cardWidth);
    setColorScheme(ColorScheme::noPreference);
}

QLayout* NotifyView::buildHeaderRow() {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(cardPadding, headerTopPadding, cardPadding, headerBottomPadding);
    row->setSpacing(headerSpacing);

    const QString eyebrow =
        config_.eyebrow.isEmpty() ? QStringLiteral("Wystrand") : config_.eyebrow;
    auto* label = new ElidedTextLabel(onCard(eyebrow).toUpper(), 0, this);
    label->setObjectName(QStringLiteral("eyebrow"));
    QFont font = cardFont(9, QFont::Bold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.6);
    label->setFont(font);
    setForeground(label, withOpacity(accent_, 0.9));
    row->addWidget(label, 0, Qt::AlignVCenter);
    row->addStretch(1);

    if (config_.mode == NotifyMode::countdown) {
        clock_ = new ElidedTextLabel(clockText(secondsLeft_), 1, this);
        clock_->setObjectName(QStringLiteral("clock"));
        clock_->setFont(cardFont(11, QFont::DemiBold, QFontDatabase::FixedFont));
        setForeground(clock_, accent_);
        row->addWidget(clock_, 0, Qt::AlignVCenter);
    }
    return row;
}

QLayout* NotifyView::buildContentRow() {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(cardPadding, 0, cardPadding,
                            config_.mode == NotifyMode::info ? cardPadding : contentBottomPadding);
    row->setSpacing(contentSpacing);

    auto* tile = new GlyphTile(config_.type->glyph.toString(), withOpacity(tint_, 0.6), this);
    tile->setObjectName(QStringLiteral("glyph"));
    row->addWidget(tile, 0, Qt::AlignTop);

    auto* column = new QVBoxLayout;
    column->setSpacing(textSpacing);
    auto addText = [&](const QString& name, const QString& value, int lines, int pixelSize,
                       QFont::Weight weight, LabelLevel level) {
        auto* label = new ElidedTextLabel(onCard(value), lines, this);
        label->setObjectName(name);
        label->setFont(cardFont(pixelSize, weight));
        followLook(label, level);
        column->addWidget(label);
        return label;
    };
    addText(QStringLiteral("title"), config_.title, 2, 13, QFont::DemiBold, LabelLevel::primary);
    addText(QStringLiteral("message"), config_.message, 3, 12, QFont::Normal,
            LabelLevel::secondary);
    if (config_.detail && !config_.detail->isEmpty()) {
        auto* detail = addText(QStringLiteral("detail"), *config_.detail, 0, 11, QFont::Normal,
                               LabelLevel::tertiary);
        detail->setContentsMargins(0, detailTopPadding, 0, 0);
    }
    column->addStretch(1);
    row->addLayout(column);
    row->addStretch(1);
    return row;
}

QLayout* NotifyView::buildAlertButtons() {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(cardPadding, buttonRowPadding, cardPadding, buttonRowPadding);
    row->setSpacing(buttonSpacing);

    auto* secondary = deferring_ = endingButton(QStringLiteral("secondary"), config_.secondary, 12,
                                                QFont::Normal, cardEnd::secondary);
    followLook(secondary, LabelLevel::secondary);
    row->addWidget(secondary, 0, Qt::AlignVCenter);
    row->addStretch(1);

    auto* primary = accepting_ = endingButton(QStringLiteral("primary"), config_.primary, 12,
                                              QFont::DemiBold, cardEnd::primary);
    setForeground(primary, Qt::white);
    row->addWidget(new CapsuleFrame(primary, accent_,
                                    QMargins(capsuleHorizontalPadding, capsuleVerticalPadding,
                                             capsuleHorizontalPadding, capsuleVerticalPadding),
                                    this),
                   0, Qt::AlignVCenter);
    return row;
}

QLayout* NotifyView::buildCountdownSection() {
    auto* section = new QVBoxLayout;
    section->setContentsMargins(cardPadding, 0, cardPadding, countdownBottomPadding);
    section->setSpacing(countdownSpacing);

    bar_ = new CountdownBar(accent_, this);
    bar_->setObjectName(QStringLiteral("progress"));
    section->addWidget(bar_);

    auto* skipRow = new QHBoxLayout;
    skipRow->addStretch(1);
    auto* skip = deferring_ =
        endingButton(QStringLiteral("skip"), config_.skip, 11, QFont::Normal, cardEnd::skip);
    followLook(skip, LabelLevel::tertiary);
    skipRow->addWidget(skip, 0, Qt::AlignVCenter);
    section->addLayout(skipRow);
    return section;
}

QAbstractButton* NotifyView::endingButton(const QString& name, const QString& label, int pixelSize,
                                          QFont::Weight weight, CardResult result) {
    auto* button = new PlainButton(onCard(label), this);
    button->setObjectName(name);
    button->setFont(cardFont(pixelSize, weight));
    connect(button, &QAbstractButton::clicked, this, [this, result] { end(result); });
    button->installEventFilter(this);
    return button;
}

QAbstractButton* NotifyView::button(Answer answer) const {
    return answer == Answer::accept ? accepting_ : deferring_;
}

std::vector<QAbstractButton*> NotifyView::buttons() const {
    std::vector<QAbstractButton*> all;
    for (QAbstractButton* button : {deferring_, accepting_}) {
        if (button != nullptr) {
            all.push_back(button);
        }
    }
    return all;
}

bool NotifyView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        update();
    }
    return QWidget::eventFilter(watched, event);
}

void NotifyView::setTranslucent(bool translucent) {
    translucent_ = translucent;
    update();
}

void NotifyView::setColorScheme(ColorScheme scheme) {
    // Colouring every label again costs time on each new card, and changes nothing.
    if (scheme == scheme_) {
        return;
    }
    scheme_ = scheme;
    switch (scheme) {
        case ColorScheme::dark:
            look_ = CardLook::dark();
            break;
        case ColorScheme::light:
            look_ = CardLook::light();
            break;
        case ColorScheme::noPreference:
            look_ = CardLook::from(toRgba(palette().color(QPalette::Window)),
                                   toRgba(palette().color(QPalette::WindowText)),
                                   toRgba(palette().color(QPalette::Mid)));
            break;
    }
    for (const auto& [widget, level] : followingLook_) {
        setForeground(widget, toColor(look_.label(level)));
    }
    if (divider_ != nullptr) {
        divider_->setColor(toColor(look_.divider));
    }
    update();
}

void NotifyView::followLook(QWidget* widget, LabelLevel level) {
    followingLook_.emplace_back(widget, level);
}

void NotifyView::setVisibleCard(const QRect& visible) {
    visibleCard_ = visible;
    update();
}

int NotifyView::naturalHeight() const {
    const int height = heightForWidth(cardWidth);
    return height >= 0 ? height : sizeHint().height();
}

void NotifyView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    startTimers();
}

void NotifyView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintCardChrome(painter, visibleCard_.value_or(rect()),
                    toColor(look_.backgroundFor(translucent_)), toColor(look_.border));
    // The focus ring goes around the button's capsule, where it has one, in the accent colour
    // that its fill would hide inside.
    for (const QAbstractButton* button : buttons()) {
        if (!button->hasFocus()) {
            continue;
        }
        const bool capsule = button->parentWidget() != this;
        const QWidget* shape = capsule ? button->parentWidget() : button;
        // A bare label needs more room at its sides than a capsule.
        const qreal side = capsule ? focusRingGap : 2 * focusRingGap;
        const QRectF ring =
            QRectF(shape->geometry()).adjusted(-side, -focusRingGap, side, focusRingGap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(accent_, focusRingWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(ring, ring.height() / 2, ring.height() / 2);
    }
}

void NotifyView::startTimers() {
    if (armed_) {
        return;
    }
    armed_ = true;
    if (config_.mode == NotifyMode::countdown) {
        // After the first paint, so that the fill visibly grows from nothing.
        QTimer::singleShot(
            0, this, [this] { bar_->animateTo(1.0, animationLength(config_.duration, second_)); });
        tickCountdown();
        return;
    }
    if (const auto delay = timerDelay(config_.duration, second_)) {
        displayTimer_.start(*delay);
    }
}

void NotifyView::tickCountdown() {
    if (const auto delay = timerDelay(1, second_)) {
        tickTimer_.start(*delay);
    }
}

void NotifyView::countdownStep() {
    if (secondsLeft_ >= 2) {
        --secondsLeft_;
        clock_->setText(clockText(secondsLeft_));
        tickCountdown();
        return;
    }
    end(cardEnd::ranItsCourse);
}

void NotifyView::end(CardResult result) {
    if (ended_) {
        return;
    }
    ended_ = true;
    displayTimer_.stop();
    tickTimer_.stop();
    if (onResult_) {
        onResult_(result);
    }
}

}  // namespace wystrand
