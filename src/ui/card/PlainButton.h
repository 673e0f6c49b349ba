#pragma once

#include <QAbstractButton>

namespace wystrand {

// A borderless text button that shows its label exactly as typed: every '&' is doubled in
// text(), so none becomes a keyboard shortcut, and drawn as one. Takes no focus of its own: only
// the keyboard lent to the cards on the person's command moves focus onto it.
class PlainButton : public QAbstractButton {
public:
    explicit PlainButton(const QString& label, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace wystrand
