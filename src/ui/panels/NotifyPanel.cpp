#include "ui/panels/NotifyPanel.h"

#include <QPainterPath>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QRegion>

#include "core/card/CardGeometry.h"
#include "platform/WindowSystem.h"
#include "ui/card/CardAccessible.h"
#include "ui/card/NotifyView.h"
#include "ui/panels/Easing.h"

namespace wystrand {

namespace {

// A card slides in from, and out to, this far right of its resting place.
constexpr int slideDistance = cardWidth + 30;

}  // namespace

NotifyPanel::NotifyPanel(PanelTiming timing, WindowSystem& windows)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus | Qt::X11BypassWindowManagerHint),
      timing_(timing) {
    // Before Qt can first ask how assistive technology should see this window.
    installCardAccessibility();
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    // Lost by the window system (its output went): ends as if dismissed.
    window_ = windows.createCardWindow(*this, [panel = QPointer<NotifyPanel>(this)] {
        if (panel) {
            panel->end(cardEnd::output);
        }
    });
    // Translucency needs an ARGB visual, chosen when the native window is created.
    composited_ = window_->translucent();
    if (composited_) {
        setAttribute(Qt::WA_TranslucentBackground);
    }
    // The height of a default card until build() sets the one of its mode.
    setFixedSize(cardWidth, cardHeight(ShowConfig().mode));
    move(-30000, -30000);
}

void NotifyPanel::mapAhead() {
    window_->mapAhead();
}

NotifyPanel::~NotifyPanel() = default;

void NotifyPanel::setCardPos(QPoint at) {
    window_->move(at);
}

void NotifyPanel::setCardOpacity(qreal opacity) {
    window_->setOpacity(opacity);
}

void NotifyPanel::raiseCard() {
    if (isVisible()) {
        window_->raise();
    } else {
        reveal();
    }
}

void NotifyPanel::reveal() {
    // Mapped now, above the windows mapped before it, where it was placed.
    if (!isVisible()) {
        window_->show(pos(), windowOpacity());
    }
}

NotifyPanel::NotifyPanel(const ShowConfig& config, CloseCallback onClose, PanelTiming timing,
                         WindowSystem& windows)
    : NotifyPanel(timing, windows) {
    build(config, std::move(onClose));
}

void NotifyPanel::build(const ShowConfig& config, CloseCallback onClose, RestingFrame rest) {
    onClose_ = std::move(onClose);
    rest_ = std::move(rest);
    setFixedSize(cardWidth, cardHeight(config.mode));
    embed(config);
    if (composited_) {
        window_->blurBehind(view_->geometry().intersected(rect()));
    }
}

void NotifyPanel::embed(const ShowConfig& config) {
    view_ = new NotifyView(
        config,
        [panel = QPointer<NotifyPanel>(this)](CardResult result) {
            if (panel) {
                panel->slideOut(result);
            }
        },
        timing_.second, this);
    view_->setTranslucent(composited_);
    // The card keeps its natural height, centred in the fixed frame. One taller than the
    // frame overflows into its own padding, with its shape cut back to the frame.
    const int natural = view_->naturalHeight();
    const QRect card(0, (height() - natural) / 2, cardWidth, natural);
    view_->setGeometry(card);
    const QRect visible = card.intersected(rect());
    view_->setVisibleCard(visible.translated(-card.topLeft()));
    if (!composited_) {
        // Without a compositor the window cannot be see-through: shape it to the card so the
        // rounded corners show the desktop instead of black.
        QPainterPath shape;
        shape.addRoundedRect(QRectF(visible), cardCornerRadius, cardCornerRadius);
        setMask(QRegion(shape.toFillPolygon().toPolygon()));
    }
    // A child made in a window already mapped stays hidden until shown; in one not yet mapped it
    // shows with the window.
    view_->show();
}

QRect NotifyPanel::targetFrame() const {
    const std::optional<QRect> rest = rest_ ? rest_() : std::nullopt;
    return rest.value_or(geometry());
}

void NotifyPanel::slideIn() {
    const QRect to = targetFrame();
    window_->show(QPoint(to.x() + slideOffset(), to.y()), 0.0);
    startMove(to.topLeft(), timing_.slideIn, easeOut());

    auto* fade = new QPropertyAnimation(this, "cardOpacity", this);
    fade->setEndValue(1.0);
    fade->setDuration(static_cast<int>(timing_.slideIn.count()));
    fade->setEasingCurve(easeOut());
    fadeIn_ = fade;
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void NotifyPanel::placeUnseen() {
    const QPoint at = targetFrame().topLeft();
    // A window already mapped (one made ahead of its card) goes where it belongs. Any other
    // waits unmapped until a restack brings it up: a burst's cards below the screen's bottom
    // edge would each cost a map, and pixels, that nobody sees. Its time runs meanwhile.
    if (isVisible()) {
        window_->show(at, windowOpacity());
    } else {
        move(at);
        view_->startTimers();
    }
}

void NotifyPanel::moveToRest(bool animate) {
    const QPoint to = targetFrame().topLeft();
    if (!animate) {
        if (move_) {
            move_->stop();
        }
        setCardPos(to);
        return;
    }
    reveal();
    startMove(to, timing_.move, reducedMotion_ ? jumpHalfway() : easeOut());
    if (!reducedMotion_ || view_->ended()) {
        return;
    }
    // Out and back in, changing place while unseen; a closing card's own fade goes on instead.
    if (fadeIn_) {
        fadeIn_->stop();
    }
    auto* fade = new QPropertyAnimation(this, "cardOpacity", this);
    fade->setKeyValueAt(0.5, 0.0);
    fade->setEndValue(1.0);
    fade->setDuration(static_cast<int>(timing_.move.count()));
    fadeIn_ = fade;
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void NotifyPanel::end(CardResult result) {
    // An empty window made ahead has no card to end.
    if (view_ != nullptr) {
        view_->end(result);
    }
}

void NotifyPanel::slideOut(CardResult result) {
    CloseCallback onClose = std::exchange(onClose_, nullptr);

    if (fadeIn_) {
        fadeIn_->stop();
    }
    // Unmapped (a burst's cards below the screen's bottom edge) the slide-out would only cost
    // window moves.
    if (isVisible()) {
        const QRect rest = targetFrame();
        startMove(QPoint(rest.x() + slideOffset(), rest.y()), timing_.close,
                  reducedMotion_ ? jumpHalfway() : easeIn());
    }

    // The close completes from its own group: a restack may replace the slide-out move
    // meanwhile, but never this fade, so the window closes and the owner hears exactly once.
    auto* group = new QParallelAnimationGroup(this);
    auto* fade = new QPropertyAnimation(this, "cardOpacity", group);
    fade->setEndValue(0.0);
    fade->setDuration(static_cast<int>(timing_.close.count()));
    fade->setEasingCurve(easeIn());
    group->addAnimation(fade);
    // Queued, so that the owner never hears inside the call that started the close.
    connect(
        group, &QAbstractAnimation::finished, this,
        [this, result, onClose = std::move(onClose)] { finishClose(result, onClose); },
        Qt::QueuedConnection);
    group->start(QAbstractAnimation::DeleteWhenStopped);
}

void NotifyPanel::startMove(QPoint to, std::chrono::milliseconds length,
                            const QEasingCurve& curve) {
    // Two animations of one property would fight; the newer one starts where the card is.
    if (move_) {
        move_->stop();
    }
    auto* animation = new QPropertyAnimation(this, "cardPos", this);
    animation->setEndValue(to);
    animation->setDuration(static_cast<int>(length.count()));
    animation->setEasingCurve(curve);
    move_ = animation;
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

int NotifyPanel::slideOffset() const {
    return reducedMotion_ ? 0 : slideDistance;
}

void NotifyPanel::finishClose(CardResult result, const CloseCallback& onClose) {
    window_->close();
    close();
    if (onClose) {
        onClose(result);
    }
    deleteLater();
}

}  // namespace wystrand
