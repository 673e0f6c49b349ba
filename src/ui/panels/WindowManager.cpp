#include "ui/panels/WindowManager.h"

#include <QAbstractButton>
#include <algorithm>
#include <functional>
#include <utility>

#include "core/panels/StackLayout.h"
#include "ui/card/NotifyView.h"
#include "ui/panels/NotifyPanel.h"

namespace wystrand {

WindowManager::WindowManager(PanelTiming timing, QObject* parent,
                             std::function<void()> releaseMemory, WindowSystem& windows)
    : QObject(parent),
      windows(windows),
      windowAhead(timing, windows),
      heapRelease(timing.releaseMemory, std::move(releaseMemory)),
      keyboard(windows, [this] {
          std::vector<QAbstractButton*> buttons;
          for (const auto& [card, panel] : cardsOnScreen()) {
              const std::vector<QAbstractButton*> own = panel->view()->buttons();
              buttons.insert(buttons.end(), own.begin(), own.end());
          }
          return buttons;
      }) {}

WindowManager::~WindowManager() {
    for (auto& [card, panel] : panels) {
        delete panel.data();
    }
    // These cards have closed; their owners still hear.
    for (auto& [onResult, result] : std::exchange(closed, {})) {
        if (onResult) {
            onResult(result);
        }
    }
}

void WindowManager::show(const ShowConfig& config, ReadyCallback onReady, ResultCallback onResult,
                         HeldCallback) {
    const std::optional<QRect> visible = windows.columnFrame(column.empty());
    if (!visible) {
        return;
    }
    // Entered before any other card can be, so it goes below every card already shown.
    const CardHandle card = nextCard++;
    const QRect frame = column.place(config.id, card, config.mode, *visible);

    NotifyPanel* panel = windowAhead.take();
    panel->build(
        config,
        [manager = QPointer<WindowManager>(this), card,
         onResult = std::move(onResult)](CardResult result) {
            if (manager) {
                manager->cardClosed(card, result, onResult);
            } else if (onResult) {
                onResult(result);
            }
        },
        [manager = QPointer<WindowManager>(this), card]() -> std::optional<QRect> {
            return manager ? manager->column.frameOf(card) : std::nullopt;
        });
    panel->view()->setColorScheme(colorScheme);
    panel->setReducedMotion(reducedMotion);
    connect(this, &WindowManager::colorSchemeChanged, panel->view(), &NotifyView::setColorScheme);
    connect(this, &WindowManager::reducedMotionChanged, panel, &NotifyPanel::setReducedMotion);
    heapRelease.cardShown();
    panels[card] = panel;
    // Below the screen's bottom edge a slide would only cost window moves.
    if (frame.y() < visible->y() + visible->height()) {
        panel->slideIn();
    } else {
        panel->placeUnseen();
    }
    if (onReady) {
        onReady();
    }
}

void WindowManager::cardClosed(CardHandle card, CardResult result, ResultCallback onResult) {
    if (keyboard.focuses(live(card))) {
        keyboard.giveBack();
    }
    column.remove(card);
    panels.erase(card);
    closed.emplace_back(std::move(onResult), result);
    if (!finishQueued) {
        finishQueued = true;
        // Queued behind the other closes that finished in this turn of the event loop.
        QMetaObject::invokeMethod(this, &WindowManager::finishCloses, Qt::QueuedConnection);
    }
    if (column.empty()) {
        heapRelease.columnEmptied();
    }
}

void WindowManager::finishCloses() {
    finishQueued = false;
    restackPanels();
    for (auto& [onResult, result] : std::exchange(closed, {})) {
        if (onResult) {
            onResult(result);
        }
    }
}

void WindowManager::dismiss(const QString& id) {
    for (const CardHandle card : column.cardsWithId(id)) {
        if (NotifyPanel* p = live(card)) {
            p->end(cardEnd::dismissed);
        }
    }
}

void WindowManager::dismissAll() {
    // Closing never calls back at once, but a snapshot keeps that from mattering.
    std::vector<QPointer<NotifyPanel>> snapshot;
    for (const CardHandle card : column.cards()) {
        snapshot.push_back(QPointer<NotifyPanel>(live(card)));
    }
    for (const auto& panel : snapshot) {
        if (panel) {
            panel->end(cardEnd::screen);
        }
    }
}

std::vector<std::pair<CardHandle, NotifyPanel*>> WindowManager::cardsOnScreen() const {
    std::vector<std::pair<CardHandle, NotifyPanel*>> cards;
    const std::optional<QRect> visible = column.empty() ? std::nullopt : windows.columnFrame(false);
    if (!visible) {
        return cards;
    }
    const int bottom = visible->y() + visible->height();
    for (const ColumnEntry& e : column.entries()) {
        NotifyPanel* p = live(e.card);
        if (p != nullptr && p->isVisible() && !p->view()->ended() && e.frame.y() < bottom) {
            cards.emplace_back(e.card, p);
        }
    }
    return cards;
}

QAbstractButton* WindowManager::newestButton(
    const std::function<QAbstractButton*(const NotifyView&)>& pick) const {
    std::vector<std::pair<CardHandle, NotifyPanel*>> cards = cardsOnScreen();
    // Handles grow with each show.
    std::ranges::sort(cards, std::ranges::greater(), &std::pair<CardHandle, NotifyPanel*>::first);
    for (const auto& [card, panel] : cards) {
        if (QAbstractButton* button = pick(*panel->view())) {
            return button;
        }
    }
    return nullptr;
}

bool WindowManager::answerNewest(Answer answer) {
    QAbstractButton* button =
        newestButton([answer](const NotifyView& view) { return view.button(answer); });
    if (button != nullptr) {
        button->click();
    }
    return button != nullptr;
}

KeyboardTake WindowManager::takeKeyboard() {
    if (keyboard.lent()) {
        return KeyboardTake::taken;
    }
    // The primary button, or a countdown's skip.
    QAbstractButton* button = newestButton([](const NotifyView& view) {
        QAbstractButton* accepting = view.button(Answer::accept);
        return accepting != nullptr ? accepting : view.button(Answer::later);
    });
    if (button == nullptr) {
        return KeyboardTake::noCard;
    }
    return keyboard.lend(*button) ? KeyboardTake::taken : KeyboardTake::unavailable;
}

void WindowManager::setColorScheme(ColorScheme scheme) {
    colorScheme = scheme;
    emit colorSchemeChanged(scheme);
}

void WindowManager::setReducedMotion(bool reduced) {
    reducedMotion = reduced;
    emit reducedMotionChanged(reduced);
}

NotifyPanel* WindowManager::live(CardHandle card) const {
    const auto it = panels.find(card);
    return it == panels.end() ? nullptr : it->second.data();
}

NotifyPanel* WindowManager::panel(const QString& id) const {
    const std::vector<CardHandle> cards = column.cardsWithId(id);
    return cards.empty() ? nullptr : live(cards.back());
}

std::vector<QString> WindowManager::order() const {
    std::vector<QString> ids;
    for (const ColumnEntry& e : column.entries()) {
        ids.push_back(e.id);
    }
    return ids;
}

void WindowManager::restackPanels() {
    if (column.empty()) {
        return;
    }
    const std::optional<QRect> visible = windows.columnFrame(false);
    if (!visible) {
        return;
    }
    for (const ColumnMove& move : column.restack(*visible)) {
        if (NotifyPanel* p = live(move.card)) {
            p->moveToRest(move.animate);
        }
    }
    // A window mapped since may have covered the column: raise it once, the cards that can
    // be seen (a card below the screen's bottom edge is raised when a restack brings it up).
    const int bottom = visible->y() + visible->height();
    for (const ColumnEntry& e : column.entries()) {
        if (e.frame.y() >= bottom) {
            break;
        }
        if (NotifyPanel* p = live(e.card)) {
            p->raiseCard();
        }
    }
}

}  // namespace wystrand
