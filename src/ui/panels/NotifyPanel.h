#pragma once

#include <QPointer>
#include <QRect>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "core/message/CardResult.h"
#include "core/message/ShowConfig.h"
#include "platform/WindowSystem.h"
#include "ui/panels/PanelTiming.h"

class QPropertyAnimation;

namespace wystrand {

class CardWindow;
class NotifyView;

// The card's place on screen: the top-level widget that hosts one NotifyView (the card itself)
// and moves it, and hands each position and opacity to its card window (the window system's
// side). Frameless, never focused, above other windows, out of task bars. It slides in from the
// right, moves vertically when the column restacks, and closes when its view ends: it slides
// out, closes the window, tells its owner the result, then deletes itself.
class NotifyPanel : public QWidget {
    Q_OBJECT
    // What the motions animate; each value goes to the window system through the card's
    // platform window.
    Q_PROPERTY(QPoint cardPos READ pos WRITE setCardPos)
    Q_PROPERTY(qreal cardOpacity READ windowOpacity WRITE setCardOpacity)
public:
    using CloseCallback = std::function<void(CardResult result)>;
    // Where the card rests, or is moving to: its column's to say, and asked at each motion
    // rather than kept here. Nothing once the card has left the column.
    using RestingFrame = std::function<std::optional<QRect>()>;

    // A card on its own, resting where it is (the gallery renders one).
    NotifyPanel(const ShowConfig& config, CloseCallback onClose, PanelTiming timing = {},
                WindowSystem& windows = windowSystem());
    // An empty card window: build() fills it.
    NotifyPanel(PanelTiming timing, WindowSystem& windows);
    ~NotifyPanel() override;
    // For an empty window made ahead of its card (WindowAhead): readied by the window system,
    // out of sight (CardWindow::mapAhead).
    void mapAhead();
    // Fills an empty window with the card of `config`, resting where `rest` says; once, before
    // slideIn().
    void build(const ShowConfig& config, CloseCallback onClose, RestingFrame rest = nullptr);

    // Slides the card in from the right to where it rests.
    void slideIn();
    // Places the card where it rests without the motion, for a card placed where nobody sees it;
    // it is mapped when a move or a raise brings it up.
    void placeUnseen();
    // Moves the card to where it now rests: with the motion, or at once for a card nobody sees
    // travel.
    void moveToRest(bool animate);
    // Ends the card with `result`, as if from its view; nothing once it has ended.
    void end(CardResult result);

    // With reduced motion the card fades where it is instead of sliding. Every motion keeps its
    // length, so the card is ready and ends exactly when it would have.
    void setReducedMotion(bool reduced) { reducedMotion_ = reduced; }

    // Where the card rests, or is moving to.
    QRect targetFrame() const;
    NotifyView* view() const { return view_; }

    // Above windows mapped since the card was shown; a card placed out of sight is mapped.
    void raiseCard();

private:
    void embed(const ShowConfig& config);
    void reveal();
    void setCardPos(QPoint at);
    void setCardOpacity(qreal opacity);
    void startMove(QPoint to, std::chrono::milliseconds length, const QEasingCurve& curve);
    int slideOffset() const;
    // The view has ended: the card slides out, then its owner hears.
    void slideOut(CardResult result);
    void finishClose(CardResult result, const CloseCallback& onClose);

    PanelTiming timing_;
    RestingFrame rest_;
    CloseCallback onClose_;
    bool composited_ = false;
    std::unique_ptr<CardWindow> window_;
    bool reducedMotion_ = false;
    NotifyView* view_ = nullptr;
    QPointer<QPropertyAnimation> move_;
    // The fade that brings the card in, or back in after a faded move.
    QPointer<QPropertyAnimation> fadeIn_;
};

}  // namespace wystrand
