#pragma once

#include <QImage>
#include <QObject>
#include <QTimer>
#include <memory>
#include <set>
#include <vector>

#include "platform/CardWindow.h"
#include "platform/wayland/CardPointer.h"
#include "platform/wayland/ShmBuffer.h"
#include "platform/wayland/SurfaceBlur.h"
#include "platform/wayland/WaylandClient.h"

struct wl_output;
struct wl_callback;
struct wp_fractional_scale_v1;
struct wp_viewport;
struct zwlr_layer_surface_v1;

namespace wystrand::wayland {

class LayerWindowSystem;

// A card as a layer surface of its own on the overlay layer, anchored to the top right corner
// of the room its output leaves, on the column's output. The card widget's position becomes
// margins from that corner, where the frame's coordinates start (see LayerWindowSystem).
// The widget is drawn into shared-memory buffers whenever it repaints or fades; moves are
// margins alone. Pointer events go to the child widget under the pointer. The surface asks for
// the keyboard only while it is lent to the card (LayerWindowSystem::lendKeyboard), and the keys
// then go to the card's focused widget. Where the compositor tells a fractional scale, the buffers
// are drawn at it and shown at the logical size through a viewport; elsewhere at the largest
// integer scale of the card's outputs.
class LayerCardWindow : public QObject, public CardWindow, public SurfaceClient {
public:
    LayerCardWindow(LayerWindowSystem& system, QWidget& card, std::function<void()> onLost);
    ~LayerCardWindow() override;

    bool translucent() const override { return true; }
    // A layer surface cannot wait out of sight.
    void mapAhead() override {}
    void show(QPoint at, double opacity) override;
    void move(QPoint to) override;
    void setOpacity(double opacity) override;
    // Asks the compositor to blur what lies behind `region` (in the card's coordinates) with
    // its corners rounded like the card's; kept for the surface made at the next show. Nothing
    // where the compositor does not blur.
    void blurBehind(const QRect& region) override;
    void raise() override {}
    void close() override;

    // The pixels per logical pixel of the buffers drawn now.
    double pixelRatio() const;

    void pointerMoved(QPointF at) override { pointer_.moved(at); }
    void pointerButton(Qt::MouseButton button, bool pressed) override {
        pointer_.button(button, pressed);
    }
    void pointerLeft() override { pointer_.left(); }
    // Asks the compositor for the keyboard (exclusively, as only a layer surface can) or for
    // none again. False when the card has no surface to ask with.
    bool askKeyboard(bool wanted);
    void keyboardEntered() override;
    void keyboardLeft() override { hasKeyboard_ = false; }
    void keyPressed(QKeyCombination key) override;
    void outputsChanged() override;
    void flushFrame() override;

    struct Listeners;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createSurface();
    void destroySurface();
    // Gives up a keyboard the compositor leaves with the surface though it asked for none.
    void dropKeyboard();
    void preferScale(int scale);
    QSize bufferPixels() const;
    void requestCommit();
    void frameDone();
    void renderContent();
    ShmBuffer* freeBuffer(QSize pixels);
    QSize logicalSize() const;

    LayerWindowSystem& system_;
    WaylandClient& client_;
    QWidget& card_;
    std::function<void()> onLost_;
    wl_surface* surface_ = nullptr;
    zwlr_layer_surface_v1* layer_ = nullptr;
    wp_fractional_scale_v1* fractional_ = nullptr;
    wp_viewport* viewport_ = nullptr;
    wl_callback* frame_ = nullptr;
    std::set<wl_output*> outputs_;
    std::vector<std::unique_ptr<ShmBuffer>> buffers_;
    QImage content_;  // the widget as last drawn, at pixelRatio()
    double opacity_ = 1.0;
    int scale_ = 1;           // the outputs' integer scale
    int preferredScale_ = 0;  // in 120ths, as the compositor last told; 0 before it has
    bool configured_ = false;
    bool contentDirty_ = true;
    bool bufferDirty_ = true;
    bool commitDue_ = false;
    bool rendering_ = false;
    bool closed_ = false;  // by the card or by the compositor: no surface is made again
    bool wantsKeyboard_ = false;
    bool hasKeyboard_ = false;
    // Frame callbacks stop while a surface is wholly off screen (sliding in from beyond the
    // edge): past one frame at 60 Hz the next commit goes out anyway.
    QTimer frameFallback_;
    // KWin 5.27 keeps the keyboard on a surface that asks for none again, and may hand it back
    // to one that never asked; only a surface that goes loses it. Past a wait without the
    // keyboard's leave, or at once when it came unasked, the surface is made anew in place.
    QTimer keyboardCheck_;
    SurfaceBlur blur_;
    CardPointer pointer_;
};

}  // namespace wystrand::wayland
