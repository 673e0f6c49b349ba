#include "ui/card/CardAccessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QVariant>
#include <cmath>
#include <vector>

#include "ui/card/CardParts.h"
#include "ui/card/NotifyView.h"

namespace wystrand {

namespace {

// The card window. It may be made, and asked about, before its card is in it (a spare window
// made ahead of time): the card is looked up at every question.
class CardWindowAccessible : public QAccessibleWidget {
public:
    explicit CardWindowAccessible(QWidget* window)
        : QAccessibleWidget(window, QAccessible::Notification) {}

    // Named by its title. The message and the detail are its labels, which a screen reader reads
    // out with the notification: as its description too, they would be heard twice.
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name ? shown("title") : QAccessibleWidget::text(t);
    }

private:
    // The text as the card shows it: already cut to what a card can hold.
    QString shown(const char* part) const {
        const auto* view = widget()->findChild<NotifyView*>(QString(), Qt::FindDirectChildrenOnly);
        const auto* label =
            view != nullptr ? view->findChild<QLabel*>(QLatin1String(part)) : nullptr;
        return label != nullptr ? label->text() : QString();
    }
};

class CountdownBarAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit CountdownBarAccessible(CountdownBar* bar)
        : QAccessibleWidget(bar, QAccessible::ProgressBar), bar_(bar) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ValueInterface ? static_cast<QAccessibleValueInterface*>(this)
                                                   : QAccessibleWidget::interface_cast(type);
    }

    QVariant currentValue() const override { return bar_->percent(); }
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return 100; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

private:
    CountdownBar* bar_;
};

// The accessibility bridge comes up some time after start-up, and a window mapped before it was
// up is never reported showing. Each card on screen then gets its one announcement; a window made
// ahead, with no card in it yet, waits for its card's, and one mapped from now on is reported by
// Qt itself.
class AnnounceOnActivation : public QAccessible::ActivationObserver {
public:
    void accessibilityActiveChanged(bool active) override {
        if (!active) {
            return;
        }
        std::vector<QPointer<QWidget>> unheard;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            const auto* view =
                window->findChild<NotifyView*>(QString(), Qt::FindDirectChildrenOnly);
            if (window->isVisible() && view != nullptr && !view->ended() &&
                window->inherits("wystrand::NotifyPanel")) {
                unheard.emplace_back(window);
            }
        }
        // Queued: the bridge learns which events are listened for only after telling this.
        QTimer::singleShot(0, qApp, [unheard = std::move(unheard)] {
            for (QWidget* window : unheard) {
                if (window != nullptr && window->isVisible() && QAccessible::isActive()) {
                    QAccessibleEvent shown(window, QAccessible::ObjectShow);
                    QAccessible::updateAccessibility(&shown);
                }
            }
        });
    }
};

QAccessibleInterface* cardAccessible(const QString&, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (widget == nullptr) {
        return nullptr;
    }
    if (auto* bar = dynamic_cast<CountdownBar*>(widget)) {
        return new CountdownBarAccessible(bar);
    }
    // By name: the window class belongs to the panels, which build on the card.
    if (widget->isWindow() && widget->inherits("wystrand::NotifyPanel")) {
        return new CardWindowAccessible(widget);
    }
    return nullptr;
}

}  // namespace

void installCardAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(cardAccessible);
        static AnnounceOnActivation announce;
        QAccessible::installActivationObserver(&announce);
        return true;
    }();
    (void)installed;
}

}  // namespace wystrand
