#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <vector>

class QAbstractButton;
class QEvent;

namespace wystrand {

class WindowSystem;

// The keyboard lent to the cards on the person's command. While lent, Tab, Shift+Tab and the
// arrow keys move the focus across the buttons of every card in reading order, Return or Space
// presses the focused button (a click, which ends its card) and Escape gives the keyboard back;
// every other key is swallowed. The window system's focus follows the focused button from card
// to card; giving back returns it to the window that had it before. Main thread only.
class CardKeyboard : public QObject {
public:
    // The buttons of the cards on screen in reading order (the top card first, left to right
    // within a card), cards that are ending left out. Asked at every move, so that a card
    // shown since joins in.
    using Buttons = std::function<std::vector<QAbstractButton*>()>;

    CardKeyboard(WindowSystem& windows, Buttons buttons, QObject* parent = nullptr);
    ~CardKeyboard() override;

    // Lends the keyboard with the focus on `button`. False where the window system cannot.
    bool lend(QAbstractButton& button);
    bool lent() const { return lent_; }
    // The focus is on a button of `card` (a card's top-level widget).
    bool focuses(const QWidget* card) const;
    // Nothing while not lent.
    void giveBack();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void focus(QAbstractButton& button);
    // One step along the buttons, wrapping around.
    void step(int by);

    WindowSystem& windows_;
    Buttons buttons_;
    bool lent_ = false;
    QPointer<QAbstractButton> focused_;
    // Focusable while lent, so that assistive technology sees them as such; none after.
    std::vector<QPointer<QAbstractButton>> focusable_;
};

}  // namespace wystrand
