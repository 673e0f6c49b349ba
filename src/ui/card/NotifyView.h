#pragma once

#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "core/look/CardLook.h"
#include "core/message/CardResult.h"
#include "core/message/ShowConfig.h"
#include "core/panels/CardCommands.h"
#include "ui/card/TimerDelay.h"

class QAbstractButton;
class QLabel;

namespace wystrand {

class CountdownBar;
class Divider;

// The countdown clock text: whole minutes (never folded into hours) and seconds, "%02d:%02d".
QString clockText(std::int64_t seconds);

// The card itself: what it says (header, glyph tile, texts), its buttons and timers, and how it
// ended. NotifyPanel is the card's place on screen, which hosts this view and moves it; the
// card window is the window system's side of the panel.
//
// A card ends once: by a button, its display timer or its countdown, or from outside through
// end(). The first end is the only one; onResult hears it, and nothing of the card runs after.
//
// Children carry object names for tests and the accessible view: "eyebrow", "clock", "glyph",
// "title", "message", "detail", "primary", "secondary", "skip", "progress", "divider".
class NotifyView : public QWidget {
    Q_OBJECT
public:
    using ResultCallback = std::function<void(CardResult result)>;

    // `second` is the length of one second of display time and countdown.
    NotifyView(const ShowConfig& config, ResultCallback onResult,
               std::chrono::milliseconds second = realSecond, QWidget* parent = nullptr);

    // Behind a compositor the card background lets the desktop through a little.
    void setTranslucent(bool translucent);

    // The light or dark look, or with no preference the application palette's; repaints at once.
    void setColorScheme(ColorScheme scheme);

    // The card's own height at its fixed width.
    int naturalHeight() const;

    // The part of the view that its host's frame shows, in view coordinates. The background,
    // border and rounded corners follow it, so a card taller than the frame keeps its shape.
    void setVisibleCard(const QRect& visible);

    // Starts the display timer or the countdown, once: when the card is first shown, or
    // earlier from a host that keeps the card unmapped, whose time runs all the same.
    void startTimers();

    // Ends the card with `result`, unless it has ended already.
    void end(CardResult result);
    bool ended() const { return ended_; }

    // The button that answers as `answer` does (a countdown accepts with none), or nullptr; a
    // command presses it with click(), the path of a click.
    QAbstractButton* button(Answer answer) const;
    // Its buttons from left to right.
    std::vector<QAbstractButton*> buttons() const;

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // The focus ring follows the buttons' focus.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLayout* buildHeaderRow();
    QLayout* buildContentRow();
    QLayout* buildAlertButtons();
    QLayout* buildCountdownSection();

    void tickCountdown();
    void countdownStep();
    // A text button that ends the card with `result` when clicked.
    QAbstractButton* endingButton(const QString& name, const QString& label, int pixelSize,
                                  QFont::Weight weight, CardResult result);
    // The widget is drawn in the look's label colour of `level`, now and at every change.
    void followLook(QWidget* widget, LabelLevel level);

    ShowConfig config_;
    ResultCallback onResult_;
    std::chrono::milliseconds second_;
    std::int64_t secondsLeft_;
    bool ended_ = false;
    bool armed_ = false;
    bool translucent_ = false;
    std::optional<QRect> visibleCard_;

    QColor accent_;
    QColor tint_;
    CardLook look_;
    std::optional<ColorScheme> scheme_;  // the one the look was last made for
    std::vector<std::pair<QWidget*, LabelLevel>> followingLook_;
    QAbstractButton* accepting_ = nullptr;
    QAbstractButton* deferring_ = nullptr;
    Divider* divider_ = nullptr;
    QLabel* clock_ = nullptr;
    CountdownBar* bar_ = nullptr;
    QTimer displayTimer_;
    QTimer tickTimer_;
};

}  // namespace wystrand
