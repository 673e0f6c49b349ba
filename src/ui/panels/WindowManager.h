#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <functional>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "core/look/CardLook.h"
#include "core/panels/CardColumn.h"
#include "core/panels/CardCommands.h"
#include "core/panels/PanelStack.h"
#include "platform/WindowSystem.h"
#include "ui/panels/CardKeyboard.h"
#include "ui/panels/HeapRelease.h"
#include "ui/panels/PanelTiming.h"
#include "ui/panels/WindowAhead.h"

class QAbstractButton;

namespace wystrand {

class NotifyPanel;
class NotifyView;

// The stack of cards on screen: owns their panels and keeps them in one gap-free column at the
// top right of the visible frame of the screen the window system puts the column on. The column
// (CardColumn) says where each card rests; the panels ask it. Main thread only.
class WindowManager : public QObject, public PanelStack, public CardCommands {
    Q_OBJECT
public:
    // `releaseMemory` hands the heap back once the column stays empty (HeapRelease);
    // replaceable in tests.
    explicit WindowManager(PanelTiming timing = {}, QObject* parent = nullptr,
                           std::function<void()> releaseMemory = HeapRelease::trimHeap,
                           WindowSystem& windows = windowSystem());
    ~WindowManager() override;

    // Shows every card at once, whether or not it could wait: holding is HoldingStack's.
    void show(const ShowConfig& config, ReadyCallback onReady, ResultCallback onResult,
              HeldCallback onHeld = nullptr) override;
    void dismiss(const QString& id) override;
    void dismissAll() override;

    // The newest card is the one shown last. A card below the screen's bottom edge is not on
    // screen.
    bool answerNewest(Answer answer) override;
    KeyboardTake takeKeyboard() override;

    // The desktop's preferences, for the cards on screen now and for every card shown later.
    void setColorScheme(ColorScheme scheme);
    void setReducedMotion(bool reduced);

    // The newest card on screen under `id`, if any.
    NotifyPanel* panel(const QString& id) const;
    // The identifiers of the cards in the column, topmost first; one may stand twice.
    std::vector<QString> order() const;

signals:
    // Every live card follows these, whether or not it is still named under its identifier.
    void colorSchemeChanged(ColorScheme scheme);
    void reducedMotionChanged(bool reduced);

private:
    NotifyPanel* live(CardHandle card) const;
    // The cards in the column, topmost first, less those that have ended and those below the
    // screen's bottom edge.
    std::vector<std::pair<CardHandle, NotifyPanel*>> cardsOnScreen() const;
    // The button `pick` chooses on the newest card on screen where it chooses one.
    QAbstractButton* newestButton(
        const std::function<QAbstractButton*(const NotifyView&)>& pick) const;
    void cardClosed(CardHandle card, CardResult result, ResultCallback onResult);
    void finishCloses();
    void restackPanels();

    WindowSystem& windows;
    ColorScheme colorScheme = ColorScheme::noPreference;
    bool reducedMotion = false;
    // Every card from its show until it has finished closing; the windows follow it.
    CardColumn column;
    // A panel deletes itself once it has closed and told us.
    std::map<CardHandle, QPointer<NotifyPanel>> panels;
    CardHandle nextCard = 1;
    // Cards that finished closing in this turn of the event loop: one restack serves them
    // all, then each result goes out.
    std::vector<std::pair<ResultCallback, CardResult>> closed;
    bool finishQueued = false;
    WindowAhead windowAhead;
    HeapRelease heapRelease;
    // Lent to the cards only on the person's command, never by a card that comes.
    CardKeyboard keyboard;
};

}  // namespace wystrand
