#include "ui/panels/CardKeyboard.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <algorithm>
#include <utility>

#include "platform/WindowSystem.h"

namespace wystrand {

CardKeyboard::CardKeyboard(WindowSystem& windows, Buttons buttons, QObject* parent)
    : QObject(parent), windows_(windows), buttons_(std::move(buttons)) {}

CardKeyboard::~CardKeyboard() {
    giveBack();
}

bool CardKeyboard::lend(QAbstractButton& button) {
    if (lent_) {
        return true;
    }
    if (!windows_.lendKeyboard(*button.window())) {
        return false;
    }
    lent_ = true;
    QCoreApplication::instance()->installEventFilter(this);
    focus(button);
    return true;
}

bool CardKeyboard::focuses(const QWidget* card) const {
    return lent_ && (!focused_ || focused_->window() == card);
}

void CardKeyboard::giveBack() {
    if (!lent_) {
        return;
    }
    lent_ = false;
    QCoreApplication::instance()->removeEventFilter(this);
    if (focused_) {
        focused_->clearFocus();
    }
    focused_.clear();
    for (const QPointer<QAbstractButton>& button : std::exchange(focusable_, {})) {
        if (button) {
            button->setFocusPolicy(Qt::NoFocus);
        }
    }
    windows_.returnKeyboard();
}

void CardKeyboard::focus(QAbstractButton& button) {
    if (focused_ && focused_->window() != button.window()) {
        windows_.lendKeyboard(*button.window());
    }
    focused_ = &button;
    button.setFocusPolicy(Qt::TabFocus);
    focusable_.emplace_back(&button);
    // Taken when the window system activates the card's window, at once if it is active.
    button.setFocus(Qt::TabFocusReason);
}

void CardKeyboard::step(int by) {
    const std::vector<QAbstractButton*> all = buttons_();
    if (all.empty()) {
        giveBack();
        return;
    }
    const auto at = std::find(all.begin(), all.end(), focused_.data());
    const auto size = static_cast<std::ptrdiff_t>(all.size());
    // A focus lost with its card starts again from the top.
    const std::ptrdiff_t from = at == all.end() ? (by > 0 ? -1 : 0) : at - all.begin();
    focus(*all[static_cast<std::size_t>((from + by + size) % size)]);
}

bool CardKeyboard::eventFilter(QObject*, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Tab:
        case Qt::Key_Right:
        case Qt::Key_Down:
            step(1);
            break;
        case Qt::Key_Backtab:
        case Qt::Key_Left:
        case Qt::Key_Up:
            step(-1);
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            if (const QPointer<QAbstractButton> pressed = focused_) {
                giveBack();
                pressed->click();
            }
            break;
        case Qt::Key_Escape:
            giveBack();
            break;
        default:
            break;
    }
    return true;
}

}  // namespace wystrand
