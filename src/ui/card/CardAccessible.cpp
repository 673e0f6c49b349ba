#include "ui/card/CardAccessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>
#include <QVariant>
#include <cmath>

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

    QString text(QAccessible::Text t) const override {
        switch (t) {
            case QAccessible::Name:
                return shown("title");
            case QAccessible::Description: {
                const QString detail = shown("detail");
                return detail.isEmpty() ? shown("message") : shown("message") + '\n' + detail;
            }
            default:
                return QAccessibleWidget::text(t);
        }
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
        return true;
    }();
    (void)installed;
}

}  // namespace wystrand
