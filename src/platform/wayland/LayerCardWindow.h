#pragma once

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <memory>
#include <set>
#include <vector>

#include "platform/CardWindow.h"
#include "platform/wayland/ShmBuffer.h"
#include "platform/wayland/WaylandClient.h"

struct wl_callback;
struct zwlr_layer_surface_v1;

namespace wystrand::wayland {

// A card as a layer surface of its own on the overlay layer, anchored to the top right corner
// of the output the compositor picks. The card's frame becomes margins from that corner,
// measured in the card's own screen, so the column's arithmetic needs nothing of the output.
// The widget is drawn into shared-memory buffers whenever it repaints or fades; moves are
// margins alone. Pointer events go to the child widget under the pointer; the surface never
// takes the keyboard.
class LayerCardWindow : public QObject, public CardWindow, public SurfaceClient {
public:
    LayerCardWindow(WaylandClient& client, QWidget& card, std::function<void()> onLost);
    ~LayerCardWindow() override;

    bool translucent() const override { return true; }
    void prepare() override;
    void show(QPoint at, double opacity) override;
    void move(QPoint to) override;
    void setOpacity(double opacity) override;
    // Blur behind a layer surface needs the KDE blur protocol, which is not spoken yet.
    void blurBehind(const QRect&) override {}
    void raise() override {}
    void close() override;

    // The pixels per logical pixel of the buffers drawn now.
    int bufferScale() const { return scale_; }
    // Told when the compositor has shown a card's first picture (its frame callback); for the
    // benchmark, which times show to screen.
    static void observeFirstFrames(std::function<void()> observer);

    void pointerMoved(QPointF at) override;
    void pointerButton(Qt::MouseButton button, bool pressed) override;
    void pointerLeft() override;
    void outputsChanged() override;
    void flushFrame() override;

    struct Listeners;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void destroySurface();
    void requestCommit();
    void frameDone();
    void renderContent();
    ShmBuffer* freeBuffer(QSize pixels);
    QSize logicalSize() const;

    WaylandClient& client_;
    QWidget& card_;
    std::function<void()> onLost_;
    wl_surface* surface_ = nullptr;
    zwlr_layer_surface_v1* layer_ = nullptr;
    wl_callback* frame_ = nullptr;
    std::set<wl_output*> outputs_;
    std::vector<std::unique_ptr<ShmBuffer>> buffers_;
    QImage content_;  // the widget as last drawn, at scale_
    QPoint pos_;
    double opacity_ = 1.0;
    int scale_ = 1;
    bool configured_ = false;
    bool contentDirty_ = true;
    bool bufferDirty_ = true;
    bool commitDue_ = false;
    bool rendering_ = false;
    bool ended_ = false;
    bool drawnOnce_ = false;
    bool firstFramePending_ = false;
    // Frame callbacks stop while a surface is wholly off screen (sliding in from beyond the
    // edge): past one frame at 60 Hz the next commit goes out anyway.
    QTimer frameFallback_;
    QPointer<QWidget> grab_;
    QPointF pointer_;
};

}  // namespace wystrand::wayland
