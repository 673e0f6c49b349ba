#include "platform/wayland/LayerCardWindow.h"

#include <wayland-client.h>

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QWidget>
#include <QWindow>
#include <algorithm>

#include "core/card/SurfaceGeometry.h"
#include "platform/wayland/FrameProbe.h"
#include "platform/wayland/LayerWindowSystem.h"
#include "protocols/fractional-scale-v1-client.h"
#include "protocols/viewporter-client.h"
#include "protocols/wlr-layer-shell-unstable-v1-client.h"

namespace wystrand::wayland {

namespace {

using namespace std::chrono_literals;

// Buffers in flight at most: one shown, one queued, one being drawn.
constexpr std::size_t maxBuffers = 3;

}  // namespace

struct LayerCardWindow::Listeners {
    static void configure(void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial,
                          std::uint32_t, std::uint32_t) {
        auto* self = static_cast<LayerCardWindow*>(data);
        zwlr_layer_surface_v1_ack_configure(layer, serial);
        self->configured_ = true;
        self->requestCommit();
    }
    static void closed(void* data, zwlr_layer_surface_v1*) {
        auto* self = static_cast<LayerCardWindow*>(data);
        self->destroySurface();
        self->closed_ = true;
        // From the event loop: the card's close runs outside the compositor's dispatch.
        QTimer::singleShot(0, self, [self] {
            if (self->onLost_) {
                std::exchange(self->onLost_, nullptr)();
            }
        });
    }
    static constexpr zwlr_layer_surface_v1_listener layerListener{configure, closed};

    static void enter(void* data, wl_surface*, wl_output* output) {
        auto* self = static_cast<LayerCardWindow*>(data);
        self->system_.cardEntered(output);
        self->outputs_.insert(output);
        self->outputsChanged();
    }
    static void leave(void* data, wl_surface*, wl_output* output) {
        auto* self = static_cast<LayerCardWindow*>(data);
        self->outputs_.erase(output);
        self->outputsChanged();
    }
    static constexpr wl_surface_listener surfaceListener{enter, leave};

    static void done(void* data, wl_callback* callback, std::uint32_t) {
        wl_callback_destroy(callback);
        auto* self = static_cast<LayerCardWindow*>(data);
        self->frame_ = nullptr;
        cardFrameShown();
        self->frameDone();
    }
    static constexpr wl_callback_listener frameListener{done};

    static void preferredScale(void* data, wp_fractional_scale_v1*, std::uint32_t scale) {
        static_cast<LayerCardWindow*>(data)->preferScale(static_cast<int>(scale));
    }
    static constexpr wp_fractional_scale_v1_listener fractionalListener{preferredScale};
};

LayerCardWindow::LayerCardWindow(LayerWindowSystem& system, QWidget& card,
                                 std::function<void()> onLost)
    : system_(system),
      client_(system.client()),
      card_(card),
      onLost_(std::move(onLost)),
      blur_(client_),
      pointer_(card) {
    system_.add(card_, *this);
    frameFallback_.setSingleShot(true);
    frameFallback_.setInterval(17ms);
    QObject::connect(&frameFallback_, &QTimer::timeout, this, [this] { frameDone(); });
    keyboardCheck_.setSingleShot(true);
    QObject::connect(&keyboardCheck_, &QTimer::timeout, this, [this] { dropKeyboard(); });
}

LayerCardWindow::~LayerCardWindow() {
    system_.remove(card_);
    destroySurface();
}

bool LayerCardWindow::eventFilter(QObject*, QEvent* event) {
    if (event->type() == QEvent::Paint && !rendering_ && !contentDirty_) {
        contentDirty_ = true;
        requestCommit();
    }
    return false;
}

QSize LayerCardWindow::logicalSize() const {
    return card_.size();
}

void LayerCardWindow::show(QPoint at, double opacity) {
    opacity_ = opacity;
    card_.move(at);
    card_.setWindowOpacity(opacity);
    // Shown on Qt's offscreen platform, so that the widgets lay out and repaint as usual.
    card_.show();
    if (surface_ != nullptr || closed_) {
        return;
    }
    // Any repaint of the card or its parts means new pixels for the surface. The parts are
    // there by now: a card window may be made before its card.
    card_.installEventFilter(this);
    for (QWidget* part : card_.findChildren<QWidget*>()) {
        part->installEventFilter(this);
    }
    createSurface();
    move(at);
}

void LayerCardWindow::createSurface() {
    surface_ = wl_compositor_create_surface(client_.compositor());
    wl_surface_add_listener(surface_, &Listeners::surfaceListener, this);
    layer_ = zwlr_layer_shell_v1_get_layer_surface(
        client_.layerShell(), surface_, system_.columnOutput(), ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY,
        "wystrand-notify");
    zwlr_layer_surface_v1_add_listener(layer_, &Listeners::layerListener, this);
    const QSize size = logicalSize();
    zwlr_layer_surface_v1_set_size(layer_, static_cast<std::uint32_t>(size.width()),
                                   static_cast<std::uint32_t>(size.height()));
    zwlr_layer_surface_v1_set_anchor(
        layer_, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    zwlr_layer_surface_v1_set_exclusive_zone(layer_, 0);
    zwlr_layer_surface_v1_set_keyboard_interactivity(
        layer_, ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);
    // A fractional scale needs the viewport to show its buffers at the logical size.
    if (client_.fractionalScaleManager() != nullptr && client_.viewporter() != nullptr) {
        fractional_ = wp_fractional_scale_manager_v1_get_fractional_scale(
            client_.fractionalScaleManager(), surface_);
        wp_fractional_scale_v1_add_listener(fractional_, &Listeners::fractionalListener, this);
        viewport_ = wp_viewporter_get_viewport(client_.viewporter(), surface_);
    }
    client_.attach(surface_, this);
    scale_ = client_.outputs().scaleOf({});
    if (blur_.apply(surface_)) {
        requestCommit();
    }
    // The first commit carries no buffer; the configure that answers it allows one.
    wl_surface_commit(surface_);
}

void LayerCardWindow::move(QPoint to) {
    card_.move(to);
    requestCommit();
}

void LayerCardWindow::setOpacity(double opacity) {
    card_.setWindowOpacity(opacity);
    if (opacity != opacity_) {
        opacity_ = opacity;
        bufferDirty_ = true;
        requestCommit();
    }
}

void LayerCardWindow::blurBehind(const QRect& region) {
    blur_.setRegion(region);
    if (blur_.apply(surface_)) {
        requestCommit();
    }
}

bool LayerCardWindow::askKeyboard(bool wanted) {
    if (layer_ == nullptr) {
        return false;
    }
    zwlr_layer_surface_v1_set_keyboard_interactivity(
        layer_, wanted ? ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE
                       : ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);
    wantsKeyboard_ = wanted;
    if (QWindow* window = card_.windowHandle(); window != nullptr && !wanted) {
        window->setFlag(Qt::WindowDoesNotAcceptFocus, true);
    }
    // Sent now rather than with the next frame: the command that asked is answered once the
    // compositor has the request, and keys typed after the answer reach the card.
    wl_surface_commit(surface_);
    wl_display_flush(client_.display());
    if (!wanted && hasKeyboard_) {
        keyboardCheck_.start(100ms);
    }
    return true;
}

void LayerCardWindow::keyboardEntered() {
    hasKeyboard_ = true;
    if (!wantsKeyboard_) {
        keyboardCheck_.start(0ms);
        return;
    }
    // Qt's own focus follows (the focus ring, and what assistive technology is told is
    // focused); a card window accepts focus only while it holds the keyboard.
    if (QWindow* window = card_.windowHandle()) {
        window->setFlag(Qt::WindowDoesNotAcceptFocus, false);
    }
    card_.activateWindow();
}

void LayerCardWindow::dropKeyboard() {
    if (!hasKeyboard_ || wantsKeyboard_ || surface_ == nullptr) {
        return;
    }
    destroySurface();
    contentDirty_ = true;
    createSurface();
    requestCommit();
}

void LayerCardWindow::keyPressed(QKeyCombination key) {
    // Keys the surface holds without having asked are the person's, meant for elsewhere.
    if (!wantsKeyboard_) {
        return;
    }

    QWidget* target = card_.focusWidget() != nullptr ? card_.focusWidget() : &card_;
    QKeyEvent press(QEvent::KeyPress, key.key(), key.keyboardModifiers());
    QCoreApplication::sendEvent(target, &press);
}

void LayerCardWindow::close() {
    card_.hide();
    destroySurface();
    closed_ = true;
    onLost_ = nullptr;
}

void LayerCardWindow::destroySurface() {
    frameFallback_.stop();
    keyboardCheck_.stop();
    hasKeyboard_ = false;
    wantsKeyboard_ = false;
    if (frame_ != nullptr) {
        wl_callback_destroy(frame_);
        frame_ = nullptr;
    }
    blur_.release();
    if (viewport_ != nullptr) {
        wp_viewport_destroy(std::exchange(viewport_, nullptr));
    }
    if (fractional_ != nullptr) {
        wp_fractional_scale_v1_destroy(std::exchange(fractional_, nullptr));
    }
    preferredScale_ = 0;
    if (layer_ != nullptr) {
        zwlr_layer_surface_v1_destroy(layer_);
        layer_ = nullptr;
    }
    if (surface_ != nullptr) {
        client_.detach(surface_);
        wl_surface_destroy(surface_);
        surface_ = nullptr;
    }
    buffers_.clear();
    pointer_.forget();
    configured_ = false;
    wl_display_flush(client_.display());
}

void LayerCardWindow::outputsChanged() {
    const int scale = client_.outputs().scaleOf(outputs_);
    if (scale != scale_) {
        scale_ = scale;
        // A fractional scale, once told, stands for the outputs' own.
        if (preferredScale_ == 0) {
            contentDirty_ = true;
            requestCommit();
        }
    }
}

void LayerCardWindow::preferScale(int scale) {
    // Beyond 8 no screen needs, and a buffer grows with the square of the scale.
    scale = std::min(scale, 8 * fractionalScaleUnit);
    if (scale <= 0 || scale == preferredScale_) {
        return;
    }
    preferredScale_ = scale;
    contentDirty_ = true;
    requestCommit();
}

double LayerCardWindow::pixelRatio() const {
    return preferredScale_ > 0 ? fractionalPixelRatio(preferredScale_) : scale_;
}

QSize LayerCardWindow::bufferPixels() const {
    if (viewport_ == nullptr) {
        return logicalSize() * scale_;
    }
    return fractionalBufferSize(
        logicalSize(), preferredScale_ > 0 ? preferredScale_ : scale_ * fractionalScaleUnit);
}

void LayerCardWindow::requestCommit() {
    commitDue_ = true;
    client_.scheduleFlush();
}

void LayerCardWindow::frameDone() {
    frameFallback_.stop();
    if (frame_ != nullptr) {
        wl_callback_destroy(frame_);
        frame_ = nullptr;
    }
    if (commitDue_) {
        client_.scheduleFlush();
    }
}

void LayerCardWindow::renderContent() {
    content_ = QImage(bufferPixels(), QImage::Format_ARGB32_Premultiplied);
    content_.setDevicePixelRatio(pixelRatio());
    content_.fill(Qt::transparent);
    rendering_ = true;
    card_.render(&content_, QPoint(), QRegion(), QWidget::DrawChildren);
    rendering_ = false;
    contentDirty_ = false;
    bufferDirty_ = true;
}

ShmBuffer* LayerCardWindow::freeBuffer(QSize pixels) {
    std::erase_if(buffers_, [&](const auto& b) { return !b->busy() && b->size() != pixels; });
    for (const auto& buffer : buffers_) {
        if (!buffer->busy()) {
            return buffer.get();
        }
    }
    if (buffers_.size() >= maxBuffers) {
        return nullptr;
    }
    auto buffer = std::make_unique<ShmBuffer>(client_.shm(), pixels);
    if (!buffer->valid()) {
        return nullptr;
    }
    buffers_.push_back(std::move(buffer));
    return buffers_.back().get();
}

void LayerCardWindow::flushFrame() {
    // At most one commit per frame: a surface that waits for its frame callback keeps its
    // latest state and sends it when the callback comes.
    if (!configured_ || !commitDue_ || frame_ != nullptr || frameFallback_.isActive()) {
        return;
    }
    if (contentDirty_) {
        renderContent();
    }
    if (bufferDirty_) {
        ShmBuffer* buffer = freeBuffer(content_.size());
        if (buffer == nullptr) {
            return;  // all in use: tried again at the next release or frame
        }
        // Cleared whole: at a fractional scale the last row and column are only partly covered.
        buffer->image().fill(Qt::transparent);
        buffer->image().setDevicePixelRatio(content_.devicePixelRatio());
        QPainter painter(&buffer->image());
        painter.setOpacity(opacity_);
        painter.drawImage(0, 0, content_);
        painter.end();
        if (viewport_ != nullptr) {
            // The buffer's pixels are the compositor's own; the viewport maps them onto the
            // logical size.
            const QSize size = logicalSize();
            wl_surface_set_buffer_scale(surface_, 1);
            wp_viewport_set_destination(viewport_, size.width(), size.height());
        } else {
            wl_surface_set_buffer_scale(surface_, scale_);
        }
        wl_surface_attach(surface_, buffer->attach(), 0, 0);
        wl_surface_damage_buffer(surface_, 0, 0, content_.width(), content_.height());
        bufferDirty_ = false;
    }
    // The frame's origin is the anchored corner.
    const QPoint at = card_.pos();
    zwlr_layer_surface_v1_set_margin(layer_, at.y(), -(at.x() + card_.width()), 0, 0);
    frame_ = wl_surface_frame(surface_);
    wl_callback_add_listener(frame_, &Listeners::frameListener, this);
    wl_surface_commit(surface_);
    commitDue_ = false;
    frameFallback_.start();
}

}  // namespace wystrand::wayland
