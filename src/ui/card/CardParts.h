#pragma once

#include <QColor>
#include <QElapsedTimer>
#include <QString>
#include <QTimer>
#include <QWidget>

namespace wystrand {

// The type glyph, centred in a 32 x 32 tile with rounded corners, in colour when the
// system has a colour emoji font.
class GlyphTile : public QWidget {
public:
    GlyphTile(const QString& glyph, const QColor& background, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString glyph_;
    QColor background_;
};

// A filled capsule drawn around one child widget with the given padding. The padding belongs
// to the capsule, not to the child: clicks there reach no button.
class CapsuleFrame : public QWidget {
public:
    CapsuleFrame(QWidget* child, const QColor& fill, QMargins padding, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor fill_;
};

// A 3 px capsule track with a capsule fill whose width follows the elapsed fraction.
class CountdownBar : public QWidget {
public:
    CountdownBar(const QColor& accent, QWidget* parent = nullptr);

    // Moves the fill linearly to `target` over `milliseconds` (0: at once).
    void animateTo(double target, int milliseconds);
    // The fill in whole percent, as assistive technology reads it.
    int percent() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void setFraction(double fraction);
    void advance();

    QColor accent_;
    double fraction_ = 0;
    int announcedPercent_ = 0;
    double from_ = 0;
    double to_ = 0;
    int length_ = 0;
    QElapsedTimer clock_;
    QTimer step_;
};

// A one-pixel horizontal rule inside the widget's contents margins.
class Divider : public QWidget {
public:
    Divider(const QColor& color, QWidget* parent = nullptr);
    void setColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor color_;
};

}  // namespace wystrand
